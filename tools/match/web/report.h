// The tournament report: one self-contained HTML file (no scripts, fonts or images fetched).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "match/league/leaderboard.h"

namespace match {

// The page: leaderboard, head-to-head table, a chart of ratings over the rounds and every game
// with links to its replay and money chart (paths relative to the tournament folder).
std::string RenderTournamentReport(const TournamentRoster& roster, const Standings& standings,
                                   const std::vector<std::optional<GameResult>>& results);

}  // namespace match
