$count := $count + 1;
?print "never printed";
?turn
