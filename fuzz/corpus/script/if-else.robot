{
  if (.you.prod > 0) ?print "I have products"; else ?print "I have none";
  if (.you.raw > 0) ?print "I have raw material" else ?print "I have no raw material";
  if (.you.money > 5000) {
    ?print "spending";
    $spend := .you.money - 5000
  } else {
    ?print "saving";
    $spend := 0
  };
  if (.you.raw > 2)
    if (.you.fabrics > 1) ?print "two plants, enough raw";
    else ?print "one plant, enough raw";
  ?turn
}
