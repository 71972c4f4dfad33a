{
  ?sell(10, 5000);
  ?turn
}
