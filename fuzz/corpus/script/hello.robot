{
  ?print "Hello! I have %d money and %d plants.", .you.money, .you.fabrics;
  ?turn
}
