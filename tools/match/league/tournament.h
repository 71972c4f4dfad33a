// Tournaments: many scripts over many rated games, played here (--jobs), written as a job list
// for other machines (--plan), one game of such a list (--result), or reported from a folder of
// results (--report).
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "match/game/address.h"
#include "match/match.h"
#include "match/options.h"
#include "match/outcome/game_result.h"
#include "match/league/tournament_file.h"

namespace match {

// Runs that mode; the exit status as RunMatch's.
int RunTournamentCommand(const MatchOptions& options, const ProgramSearch& search,
                         std::ostream& out, std::ostream& err);

// Programs, addresses and seed, resolved once before any game is played or planned.
struct Setting {
    std::string robot;
    std::string server;
    HostRange range;
    std::uint64_t seed = 0;
    std::string out_dir;
};

// The pieces a tournament is made of, shared with the A/B test (league/versus.h), which plays its
// pairs of games as a tournament of its own schedule.

// Checks the scripts and finds the programs, the addresses, the seed and the output folder (by
// default out/tournament-SEED); returns an error message, empty on success.
std::string Resolve(const MatchOptions& options, const ProgramSearch& search, Setting& setting);

std::string CreateFolder(const std::string& dir);

// The result file of game `game` under `dir`, when there is one that belongs to this tournament.
std::optional<GameResult> ReadResult(const TournamentRoster& roster, const ScheduledGame& game,
                                     const std::string& dir, std::ostream& err);

// Plays one game of the roster in its folder and writes its result file; sets `result` when the
// game was played and returns an error message, empty on success.
std::string PlayScheduledGame(const MatchOptions& options, const Setting& setting,
                              const TournamentRoster& roster, const ScheduledGame& game,
                              AddressPool* pool, std::optional<GameResult>& result);

// Writes options.plan_file: one shell command per game of the roster without a result yet.
int WritePlan(const MatchOptions& options, const ProgramSearch& search, const Setting& setting,
              const TournamentRoster& roster, std::ostream& out, std::ostream& err);

// `text` quoted for a POSIX shell.
std::string ShellQuote(const std::string& text);

}  // namespace match
