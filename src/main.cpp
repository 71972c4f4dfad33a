// Entry point of the robot. The driver arrives with the lexical analyser.
int main() { return 0; }
