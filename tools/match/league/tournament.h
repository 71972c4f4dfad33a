// Tournaments: many scripts over many rated games, played here (--jobs), written as a job list
// for other machines (--plan), one game of such a list (--result), or reported from a folder of
// results (--report).
#pragma once

#include <ostream>
#include <string>

#include "match/match.h"
#include "match/options.h"

namespace match {

// Runs that mode; the exit status as RunMatch's.
int RunTournamentCommand(const MatchOptions& options, const ProgramSearch& search,
                         std::ostream& out, std::ostream& err);

// `text` quoted for a POSIX shell.
std::string ShellQuote(const std::string& text);

}  // namespace match
