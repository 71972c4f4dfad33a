// The standings of a tournament from its games' results: ratings, totals and head-to-head counts,
// as console tables and as results.json.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "match/outcome/game_result.h"
#include "match/league/rating.h"
#include "match/league/tournament_file.h"

namespace match {

// One script's line of the leaderboard.
struct EntryStanding {
    int entry = 0;  // index into the tournament's scripts
    std::string name;    // the robot's name, as in a match's tables
    std::string script;  // as given on the command line
    Rating rating;
    int games = 0;
    int wins = 0;
    long long place_sum = 0;
    long long money_sum = 0;
    int bankruptcies = 0;
    int runtime_errors = 0;
    int refused = 0;

    double MeanPlace() const { return games ? static_cast<double>(place_sum) / games : 0; }
    double MeanMoney() const { return games ? static_cast<double>(money_sum) / games : 0; }
};

// Everything the console, results.json and the HTML report show.
struct Standings {
    std::vector<EntryStanding> board;  // best first: by the conservative rating
    std::vector<std::vector<int>>
        ahead;  // [a][b]: games in which entry a finished ahead of entry b
    std::vector<std::vector<int>> together;  // [a][b]: games both played
    std::vector<std::vector<double>>
        history;  // [round][entry]: conservative rating after each round (0: start)
    int games_total = 0;
    int games_played = 0;
    std::vector<int> played_games;  // indices of the games with results
};

// Rates the games in their play order; `results[i]` belongs to `roster.games[i]` (nullopt: missing).
Standings ComputeStandings(const TournamentRoster& roster,
                           const std::vector<std::optional<GameResult>>& results);

// Checks that a result belongs to a game of the tournament: same seats, same scripts, same seed.
bool ResultMatchesGame(const TournamentRoster& roster, const ScheduledGame& game,
                       const GameResult& result);

std::string FormatLeaderboard(const Standings& standings);

// The head-to-head table: "w/n" in row a, column b: a finished ahead of b in w of their n games.
std::string FormatHeadToHead(const Standings& standings);

std::string StandingsJson(const TournamentRoster& roster, const Standings& standings);

}  // namespace match
