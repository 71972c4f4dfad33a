{
  $cap := .you.fabrics + (2 * .you.auto_plants);
  $upkeep := (200 * .you.raw) + (400 * .you.prod) + (700 * .you.fabrics) + (1200 * .you.auto_plants);
  $spare := .you.money - (2 * $upkeep);
  $share := .market.prod / ?macro "Online";
  if ($share < 1) $share := 1;
  ?print "turn %d: money %d", .turn_number, .you.money;
  $price := .market.max_prod_price - (.market.max_prod_price / 10);
  if (.you.prod > $share) $price := (.market.max_prod_price * 3) / 4;
  if (.you.prod > 0) ?sell .you.prod, $price;
  $make := $share;
  if ($make > .you.raw) $make := .you.raw;
  if ($make > $cap) $make := $cap;
  if (.you.prod > $share) $make := 0;
  if ((2000 * $make) > $spare) $make := $spare / 2000;
  if ($make > 0) ?prod $make;
  if ($make < 0) $make := 0;
  $want := $share - (.you.raw - $make);
  if ($want > .market.raw) $want := .market.raw;
  $budget := $spare - (2000 * $make);
  if (($want * .market.min_raw_price) > $budget) $want := $budget / .market.min_raw_price;
  if ($want > 0) ?buy $want, .market.min_raw_price;
  ?turn
}
