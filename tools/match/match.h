// A whole match: checks the command line, plays its games (some side by side) and prints the results.
#pragma once

#include <ostream>
#include <string>

#include "match/options.h"
#include "match/programs.h"

namespace match {

// The exit status for a command line that cannot make a match or tournament as it stands.
constexpr int kExitRefused = 2;

// Runs the match; progress and results go to `out`, errors to `err`. Returns the exit status:
// 0 when every game was played, 1 when something could not start or a game failed, 2 for a bad command line.
int RunMatch(const MatchOptions& options, const ProgramSearch& search, std::ostream& out, std::ostream& err);

}  // namespace match
