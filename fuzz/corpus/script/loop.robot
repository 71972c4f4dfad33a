{
  $i := 0;
  $sum := 0;
  @next;
  if ($i < 5) {
    $sum := $sum + $i;
    $i := $i + 1;
    goto @next
  };
  ?print "0 + 1 + 2 + 3 + 4 = %d", $sum;
  ?turn
}
