// The scripts a tournament can play: each is compiled before any game is drawn, and one that does
// not compile is left out of the schedule with its first error, rather than losing every game.
#pragma once

#include <string>
#include <vector>

namespace match {

// A script left out of a tournament.
struct LeftOut {
    std::string name;    // the robot's name, as the tables would have shown it
    std::string script;  // as given on the command line
    std::string error;   // its first error: "SCRIPT:LINE: error: TEXT", or why it cannot be read
};

// Checks every script as `--check` does; those with an error, in command-line order.
std::vector<LeftOut> ScriptsThatDoNotCompile(const std::vector<std::string>& scripts);

// The scripts without those left out, in order.
std::vector<std::string> ScriptsLeftIn(const std::vector<std::string>& scripts,
                                       const std::vector<LeftOut>& left_out);

// "not played (does not compile):" and a line per script: "  NAME: SCRIPT:LINE: error: TEXT".
std::string FormatLeftOut(const std::vector<LeftOut>& left_out);

}  // namespace match
