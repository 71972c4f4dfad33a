{
  if (.you.raw <= 3) ?buy 1, .market.min_raw_price;
  ?turn
}
