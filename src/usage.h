// The robot's answers to "--help" and "--version", the two requests that play no game.
#ifndef USAGE_H
#define USAGE_H

// When "--help" or "--version" is the only argument, prints the usage or `version` on
// standard output and returns true: the robot then ends with status 0. Any other command line,
// one that holds these words among others included, is the game's and gets false.
bool AnswerInfoRequest(int argc, char** argv, const char* version);

#endif
