{
  $x : = 1;
  ?turn
}
