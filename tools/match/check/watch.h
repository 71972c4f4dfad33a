// match --watch: checks scripts again on every save and, when they compile, plays a quick game of
// them, so an author sees the effect of each edit without typing a command.
#pragma once

#include <ostream>

#include "match/options.h"
#include "match/programs.h"

namespace match {

// Checks and plays once, then again after every save of a script (editors that write a new file
// and rename it over the old one included), until Ctrl-C or SIGTERM; then returns 0. The games
// use one seed (--seed, else one from the clock) and the folder --out, by default out/watch.
int RunWatch(const MatchOptions& options, const ProgramSearch& search, std::ostream& out, std::ostream& err);

}  // namespace match
