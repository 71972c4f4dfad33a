{
  ?print "plain text";
  ?print "money: %d", .you.money;
  ?print "raw %d, products %d", .you.raw, .you.prod;
  ?print "100% sure, %x stays as written: %d", 42;
  ?turn
}
