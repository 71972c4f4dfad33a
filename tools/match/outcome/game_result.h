// The result file of one tournament game: self-contained, so games played anywhere can be
// collected and reported together.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "match/game/runner.h"

namespace match {

// How one player's game went.
struct PlayerOutcome {
    std::string script;      // as given on the command line
    std::string name;        // player name in the game
    int place = 0;           // 1 = best, by the server's ranking
    std::int64_t money = 0;  // at the end, or when it went out
    bool won = false;
    bool out = false;
    std::optional<std::int64_t> out_turn;
    std::string out_reason;  // the server's word; empty when the log has none
    bool bankrupt = false;
    int refused = 0;         // orders the server refused
    int runtime_errors = 0;  // error reports in the robot's log
};

// One game: its settings and every player in join order.
struct GameResult {
    std::uint64_t seed = 0;
    int turns = 0;
    int turn_timeout_s = 0;
    std::int64_t last_turn = 0;
    std::string reason;  // why the game ended
    std::vector<PlayerOutcome> players;
};

// The result of a game that `RunGame(setup)` played; reads the game log and robot logs in its
// folder.
GameResult MakeGameResult(const GameSetup& setup, const GameOutcome& outcome);

std::string GameResultJson(const GameResult& result);

// Reads a result file's text; nullopt (and the reason in `error`) when it is not one.
std::optional<GameResult> ParseGameResult(const std::string& text, std::string* error = nullptr);

// Writes the file at once (a temporary file renamed into place), so a reader never sees half of
// it; returns an error message, empty on success.
std::string WriteGameResult(const GameResult& result, const std::string& path);

// Error reports ("~Error:" lines) in a robot's log.
int CountRuntimeErrors(const std::string& log_path);

}  // namespace match
