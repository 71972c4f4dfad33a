{
  # sell everything
  ?sell .you.prod, .market.max_prod_price;
  ?turn
}
