// A/B tests: NEW against OLD in pairs of games (one seed twice, seats swapped), scored after every
// pair by a sequential probability ratio test until it accepts a hypothesis or a game limit is
// reached. The games are those of a tournament of a fixed schedule, so --jobs, --plan and --report
// work as they do for tournaments.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "match/league/schedule.h"
#include "match/league/sprt.h"
#include "match/options.h"
#include "match/outcome/game_result.h"
#include "match/programs.h"

namespace match {

constexpr const char* kVersusFile = "versus.json";  // the test's settings, beside tournament.json

// NEW's score against OLD in one game: 1 when it is ranked ahead, 0 behind, 0.5 for a draw: both
// ended with the same money and either both were still in at the end or both went out in the same
// turn (the ranking must still put one of them first).
double VersusScore(const PlayerOutcome& new_player, const PlayerOutcome& old_player);

// The results so far: games one by one, and pairs by NEW's points in them (0, 0.5, ... 2), which is
// what the test counts: the two games of a pair share their seed and are not independent.
struct VersusTally {
    int wins = 0;
    int draws = 0;
    int losses = 0;
    OutcomeCounts pairs = OutcomeCounts(5, 0.0);

    void AddPair(double first_score, double second_score);
    int Games() const { return wins + draws + losses; }
};

// `pairs` pairs of games: pair k plays seed `seed` + k twice, first with NEW (entry 0) before OLD
// (entry 1), then after it; the `opponents` (entries 2, 3, ...) sit after both.
std::vector<ScheduledGame> DrawPairs(int pairs, int opponents, std::uint64_t seed);

// "12 games, W-D-L 7-1-4, score 62.5%, Elo +88.7 +/- 190.2, LLR 0.41 (-2.94, 2.94)"
std::string TallyLine(const VersusTally& tally, const SprtSettings& settings);

// The verdict in words, naming NEW and OLD.
std::string VerdictText(SprtVerdict verdict, int games, const SprtSettings& settings,
                        const std::string& new_name, const std::string& old_name);

// True for --versus and for --report on the folder of an A/B test.
bool IsVersusCommand(const MatchOptions& options);

// Plays (or plans, or reports on) an A/B test. Exit status: 0 with a verdict, 3 without one
// within --max-games, 1 when a game failed or a script does not compile (2 with --plan).
int RunVersusCommand(const MatchOptions& options, const ProgramSearch& search, std::ostream& out,
                     std::ostream& err);

}  // namespace match
