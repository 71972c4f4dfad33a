// The tournament file (tournament.json in the output folder): the scripts, settings and every
// drawn game, so that a report can be made from result files written anywhere.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "match/league/schedule.h"

namespace match {

// Everything that decides a tournament's games.
struct TournamentRoster {
    std::uint64_t seed = 0;
    int turns = 0;
    int turn_timeout_s = 0;
    int table = 0;
    int rounds = 0;
    std::vector<std::string> scripts;  // the entries, as given on the command line
    std::vector<ScheduledGame> games;
};

constexpr const char* kTournamentFile = "tournament.json";
constexpr const char* kResultFile = "result.json";  // in each game's folder

// The folder of game `index` (1-based) under `out_dir`: "out_dir/game-0007".
std::string TournamentGameDir(const std::string& out_dir, int index);

std::string TournamentJson(const TournamentRoster& roster);
std::optional<TournamentRoster> ParseTournament(const std::string& text,
                                              std::string* error = nullptr);

// A seed written as a decimal string (0 when it is not one).
std::uint64_t SeedFromText(const std::string& text);

// Reads a whole file; nullopt when it cannot be read.
std::optional<std::string> ReadTextFile(const std::string& path);

}  // namespace match
