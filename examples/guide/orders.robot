{
  if (.you.prod > 0) ?sell .you.prod, .market.max_prod_price;
  if (.you.raw > 0) ?prod 1;
  if (.you.money > 2000) ?buy 2, .market.min_raw_price;
  if (.you.money > 20000) ?upgrade;
  ?turn
}
