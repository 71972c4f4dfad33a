// Command-line settings of the robot: process-wide globals filled by GetFlags.
#ifndef FLAGS_H
#define FLAGS_H

// Print the lexeme list after the lexical analysis ("-printlex", "-pl").
extern bool flag_printlex;
// Index in the argument vector of the gamer name ("-name", "-n"); 0 or less: not given.
extern int flag_botname;
// Index of the server address ("-host", "-h"); 0 or less: not given.
extern int flag_host;
// Index of the wait count ("-wait", "-w"); 0 or less: not given.
extern int flag_wait;
// 1 turns the executor's debug trace on ("-debug", "-d"); -1 otherwise.
extern int flag_debug;
// Non-zero: play games one after another forever ("-inf", "-i").
extern int flag_colvo;

// Scans every argument from index 1 on, option values and the script path included, and
// sets the global of each option form it matches. A value option stores the index of the
// argument after it; as the last argument it has no value and is ignored.
void GetFlags(int argc, char** argv);

#endif
