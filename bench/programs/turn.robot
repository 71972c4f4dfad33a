{
  $i := 0;
  $sum := 0;
  @reads;
  $sum := $sum + .you.money + .market.min_raw_price + .players[$i % 4].money + .you.raw;
  $i := $i + 1;
  if ($i < 250) goto @reads;
  $online := ?macro "Online";
  $best := ?macro "YouProd";
  if ($sum > 0) ?buy $online, .market.min_raw_price; else ?buy 1, 500;
  ?sell .you.prod, .market.max_prod_price;
  ?prod $best;
  ?turn
}
