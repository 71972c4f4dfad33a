{
  @loop;
  if (.you.monye > 5000) ?print "rich";
  ?turn;
  goto @loop
}
