{
  if (0 < .you.raw < 10) ?prod 1;
  ?turn
}
