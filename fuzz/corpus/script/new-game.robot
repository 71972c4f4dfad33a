{
  if (.turn_number = 0) {
    $games := $games + 1;
    $best := 0
  };
  if (.you.money > $best) $best := .you.money;
  ?print "game %d, best money so far %d", $games, $best;
  ?turn
}
