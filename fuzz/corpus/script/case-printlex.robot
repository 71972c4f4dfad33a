{
  $x := 12;
  ?buy 2, .market.raw_price;
  ?print "done";
}
