{
  ?print "turn %d of game %d", .turn_number, .game_number;
  ?print "money %d, raw %d", .you.money, .you.raw;
  ?print "products %d, plants %d", .you.prod, .you.fabrics;
  ?print "automatic plants %d", .you.auto_plants;
  ?print "market sells %d raw at %d or more", .market.raw, .market.min_raw_price;
  ?print "market buys %d products at %d or less", .market.prod, .market.max_prod_price;
  ?print "short names: money %d, min raw price %d", .money, .min_raw_price;
  ?print "other players known: %d", .players_count;
  ?turn
}
