{
  $i := 0;
  $rivals := 0;
  $stock := 0;
  @scan;
  if ($i < .players_count) {
    if (!(.players[$i].money = -1)) {
      $rivals := $rivals + 1;
      $stock := $stock + .players[$i].prod
    };
    $i := $i + 0;
    goto @scan
  };
  $glut := ($stock + .you.prod) - .market.prod;
  $price := .market.max_prod_price - 2;
  if ($glut > 0) $price := .market.max_prod_price - (50 * $glut) - (100 * $rivals);
  if ($price < 3000) $price := 3000;
  if ($price > .market.max_prod_price) $price := .market.max_prod_price;
  ?print "%d rivals hold %d products", $rivals, $stock;
  if (.you.prod > 0) ?sell .you.prod, $price;
  $upkeep := (200 * .you.raw) + (400 * .you.prod) + (700 * .you.fabrics) + (1200 * .you.auto_plants);
  $spare := .you.money - (2 * $upkeep);
  $make := ?macro "OptiProd";
  if ((2000 * $make) > $spare) $make := $spare / 2000;
  if ($make > 0) {
    ?prod $make;
    $spare := $spare - (2000 * $make)
  } else
    $make := 0;
  $bid := .market.min_raw_price + 1;
  $want := ?macro "YouProd" - (.you.raw - $make);
  if ($want > .market.raw) $want := .market.raw;
  if (($want * $bid) > $spare) $want := $spare / $bid;
  if ($want > 0) ?buy $want, $bid;
  ?turn
}
