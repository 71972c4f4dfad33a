// The summaries of a played game: the result printed after it and the summary files kept in its
// folder (summary.txt and one robot-NAME.summary.txt per robot).
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "match/game/runner.h"
#include "match/outcome/results.h"

namespace match {

// The files of a game's folder that tell how it went: each robot's summary and the game's.
std::string RobotSummaryName(const std::string& name);
constexpr const char* kSummaryFile = "summary.txt";

// The robots of a game as its summaries name them.
struct Lineup {
    std::vector<std::string> names;             // player names, unique in the match
    std::vector<std::string> scripts;           // one per name
    std::map<std::string, std::string> labels;  // player name -> label in tables and summaries
};

// The label of each player in tables, summaries, logs and the chart: its player name, which is
// derived from its script and unique in the match (careful, careful-2, ...).
std::map<std::string, std::string> PlayerLabels(const std::vector<std::string>& names);

// "1 game", "20 games": a count and its noun, in the plural unless it is 1.
std::string Count(std::int64_t n, const std::string& noun);

// "1 turn", "20 turns".
std::string Turns(std::int64_t n);

// "turn 3", "turns 3, 4, 7", "turns 1-12, 15": ascending turns, runs of three or more as ranges.
std::string TurnList(const std::vector<std::int64_t>& turns);

// A robot's error reports, one line each ("  error N: TEXT (turns 3, 4, 7)"): identical reports
// (same number and text) share a line with the turns they came in, or their count when those are
// not known.
std::string FormatErrorReports(const std::vector<ErrorReport>& reports);

// "winner NAME" or "no winner".
std::string WinnerText(const GameRecord& record, const Lineup& lineup);

// The ranked robots of the match; anyone else in the game (the solo helper, should it ever be
// let in) is left out of the tables.
std::vector<PlayerResult> RankOurPlayers(const GameOutcome& outcome, const Lineup& lineup);

// The game's result as printed after a single game and kept in its folder's summary.
std::string GameSummary(const GameOutcome& outcome, const Lineup& lineup, size_t refusals_shown);

// Writes summary.txt and one robot-NAME.summary.txt per robot into the game's folder.
void WriteSummaries(GameOutcome& outcome, const Lineup& lineup, const std::string& dir);

// Writes a played game's summary.txt and robot-NAME.summary.txt files into its folder, as after
// a match (a tournament's games get them too); a file that cannot be written becomes a note.
void WriteGameSummaries(GameOutcome& outcome, const GameSetup& setup);

}  // namespace match
