{
  if (.turn_number = 0) {
    $upgrading := 0;
    $fabrics_before := .you.fabrics
  };
  $upgrading := $upgrading - ($fabrics_before - .you.fabrics);
  $fabrics_before := .you.fabrics;
  $history[.turn_number] := .you.money;
  if (.turn_number > 0)
    ?print "turn %d: %d more than last turn", .turn_number, .you.money - $history[.turn_number - 1];
  $cap := .you.fabrics + (2 * .you.auto_plants);
  $upkeep := (200 * .you.raw) + (400 * .you.prod) + (700 * .you.fabrics) + (1200 * .you.auto_plants);
  $spare := .you.money - (2 * $upkeep);
  if (.you.prod > 0) ?sell .you.prod, .market.max_prod_price - (.market.max_prod_price / 10);
  if (($upgrading < .you.fabrics) & ($spare > 12000)) {
    ?upgrade;
    $upgrading := $upgrading + 1;
    $spare := $spare - 7000
  };
  $make := ?macro "OptiProd";
  if (.you.prod > $cap) $make := 0;
  if ((2000 * $make) > $spare) $make := $spare / 2000;
  if ($make > 0) {
    ?prod $make;
    $spare := $spare - (2000 * $make)
  };
  $bid := .market.min_raw_price + (.market.min_raw_price / 10);
  $want := $cap - (.you.raw - $make);
  if (($want * $bid) > $spare) $want := $spare / $bid;
  if ($want > 0) ?buy $want, $bid;
  ?turn
}
