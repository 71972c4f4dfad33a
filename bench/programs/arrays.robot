{
  @round;
  $i := 0;
  @fill;
  $a[$i] := $i * 3 + $r;
  $i := $i + 1;
  if ($i < 100000) goto @fill;
  $i := 0;
  @sum;
  $s := $s + $a[$i] % 1000;
  $i := $i + 1;
  if ($i < 100000) goto @sum;
  $r := $r + 1;
  if ($r < 10) goto @round;
  ?print "sum %d", $s
}
