{
  ?print "I can make %d a turn, %d this turn", ?macro "YouProd", ?macro "OptiProd";
  ?print "%d players hold %d products", ?macro "Online", ?macro "AllProd";
  ?print "all players: %d raw, can make %d", ?macro "AllRaw", ?macro "AllEffect";
  ?print "my money, read fast: %d", ?macro ".you.money";
  ?turn
}
