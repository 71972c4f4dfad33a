{
  ?prod 1;
  ?turn
