{
  if (.you.monye > 5000) goto @done;
  ?print "not rich yet";
  @done;
  ?turn
}
