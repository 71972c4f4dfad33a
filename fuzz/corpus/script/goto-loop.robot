{ @top; $i := $i + 1; if ($i < 1000000) goto @top; ?turn }
