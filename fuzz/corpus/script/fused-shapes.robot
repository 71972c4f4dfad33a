{ @a; $n := $n + 1; if ($n < 3) goto @a; @a; $m := $m + 1; if ($m < 5) goto @a;
  $i := 0; @l; $v[$i] := $i * $i - 7 / 2; $i := $i + 1;
  if (($i < 20) & !($i = 13)) goto @l; else { $b := $v[3] | $v[4] & 1; $c := $b };
  $d := -$n; $e := $n - $m; $f := 3 * $e; if ($f) $g := 1; else $g := 2;
  ?print "%d %d", $n, $m; ?buy 2, $c; ?turn }
