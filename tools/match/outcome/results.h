// Ranks the players of a game and prints the results table and the totals over several games.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "match/outcome/ending.h"
#include "match/game/log.h"

namespace match {

// One row of the results table.
struct PlayerResult {
    std::string script;
    std::string name;
    std::int64_t money = 0;
    std::int64_t fabrics = 0;
    std::int64_t auto_plants = 0;
    std::int64_t turns = 0;  // turns played until the end or until it went out
    bool won = false;
    RobotEnding ending;           // how it ended; "won"/"lost" until endings are attached
    std::vector<Refusal> refused;  // its orders the server refused
};

// Adds each player's ending (by player name) and refused orders to ranked results.
void AttachEndings(const std::map<std::string, RobotEnding>& endings, const GameRecord& record,
                   std::vector<PlayerResult>& ranked);

// The players of an ended game, best first: the winner, then those still in by money, then
// those that went out, later ones first. `scripts` maps player names to script paths.
std::vector<PlayerResult> RankPlayers(const GameRecord& record, const std::map<std::string, std::string>& scripts);

// The table: rank, robot, final money, plants (ordinary+automatic), turns, refused orders, how it ended.
std::string FormatResultsTable(const std::vector<PlayerResult>& ranked);

// Totals of one script over all games of a match.
struct ScriptTotals {
    std::string script;
    int games = 0;
    int wins = 0;
    std::int64_t money_sum = 0;
};

// Adds one game's results to the totals, which keep the order in which scripts first appear.
void AddToTotals(const std::vector<PlayerResult>& ranked, std::vector<ScriptTotals>& totals);

// The table over several games: robot, wins, games, average final money; most wins first.
std::string FormatTotalsTable(std::vector<ScriptTotals> totals);

// A plain-text table: the first row is the header; columns flagged numeric are right-aligned.
std::string FormatTextTable(const std::vector<std::vector<std::string>>& rows, const std::vector<bool>& numeric);

// "turn 4: buy 5 100: the lowest raw price this turn is 350"
std::string RefusalText(const Refusal& refusal);

// Each robot with refused orders: how many, and the first `shown` with their reasons.
std::string FormatRefusals(const std::vector<PlayerResult>& ranked, size_t shown);

}  // namespace match
