{
  if (.you.prod > 0) ?sell .you.prod, .market.max_prod_price;
  if ((?macro "OptiProd" > 0) & (.you.money > 1999)) ?prod 1;
  if (.you.money > (2 * .market.min_raw_price)) ?buy 2, .market.min_raw_price;
  if ((.you.money > 20000) & (.you.fabrics > 0)) ?upgrade;
  ?turn
}
