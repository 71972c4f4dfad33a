{
  @loop;
  $i := $i + 1;
  $s := $s + $i % 7;
  if ($i < 10000000) goto @loop;
  ?print "sum %d", $s
}
