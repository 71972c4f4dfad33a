{
  $x := 5;
  $x[2] := 7;
  ?print "x is %d, x[0] is %d", $x, $x[0];
  ?print "x[1] is %d, x[2] is %d", $x[1], $x[2];
  $seen[.turn_number] := .you.money;
  ?print "never written: %d", $nothing;
  ?turn
}
