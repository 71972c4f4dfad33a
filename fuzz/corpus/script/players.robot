{
  $i := 0;
  @player;
  if ($i < .players_count) {
    if (.players[$i].money = -1)
      ?print "player %d is out of the game", $i;
    else
      ?print "player %d has %d money", $i, .players[$i].money;
    $i := $i + 1;
    goto @player
  };
  ?turn
}
