{
  $cash := .you.money;
  $stock := .you.prod;
  if (($cash > 5000) & ($stock > 0)) ?print "rich and holding products";
  if (($cash < 1000) | ($stock = 0)) ?print "poor or empty-handed";
  if (!($stock = 0)) ?print "stock is not zero";
  if (!($cash > 8000)) ?print "cash is at most 8000";
  if (($cash + 500) < 9000) ?print "cash plus 500 is below 9000";
  ?turn
}
