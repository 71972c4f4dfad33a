{
  ?build;
  ?turn
}
