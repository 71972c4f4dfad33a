{
  @loop;
  $i := $i + 1;
  $x := ($i % 17) - 8;
  if (($x < 0) & (($i % 3) = 0)) $n := $n + 1;
  else if ((!($x > 4)) | (($i % 5) = 1)) $m := $m - $x;
  else $k := $k + 1;
  if ((-$x) > 6) $n := $n - 1;
  if ($i < 2000000) goto @loop;
  ?print "n %d m %d", $n, $m;
  ?print "k %d", $k
}
