// A whole match: checks the command line, plays its games (some side by side) and prints the results.
#pragma once

#include <ostream>
#include <string>

#include "match/game/runner.h"
#include "match/options.h"

namespace match {

// Where the match finds its programs when the command line does not name them.
struct ProgramSearch {
    std::string self_dir;   // folder of the match program
    std::string path_list;  // the PATH value
};

// Runs the match; progress and results go to `out`, errors to `err`. Returns the exit status:
// 0 when every game was played, 1 when something could not start or a game failed, 2 for a bad command line.
int RunMatch(const MatchOptions& options, const ProgramSearch& search, std::ostream& out, std::ostream& err);

// Writes a played game's summary.txt and robot-NAME.summary.txt files into its folder, as after
// a match (a tournament's games get them too); a file that cannot be written becomes a note.
void WriteGameSummaries(GameOutcome& outcome, const GameSetup& setup);

}  // namespace match
