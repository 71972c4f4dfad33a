{
  $name := "vemobot";
  ?turn
}
