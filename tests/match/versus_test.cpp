// The A/B test's pieces: who won a game between NEW and OLD, how pairs are counted and drawn, and
// the options of --versus and --watch.
#include "match/league/versus.h"

#include <gtest/gtest.h>

#include "match/options.h"

namespace match {
namespace {

PlayerOutcome Player(int place, std::int64_t money, std::optional<std::int64_t> out_turn = std::nullopt) {
    PlayerOutcome p;
    p.place = place;
    p.money = money;
    p.out = out_turn.has_value();
    p.out_turn = out_turn;
    return p;
}

TEST(VersusTest, ScoreOfAGame) {
    struct Case {
        PlayerOutcome new_player, old_player;
        double score;
    };
    const Case cases[] = {
        {Player(1, 9000), Player(2, 4000), 1},
        {Player(3, 100), Player(2, 4000), 0},
        {Player(2, 5000), Player(1, 5000), 0.5},            // both in, same money
        {Player(2, -10, 7), Player(1, -10, 7), 0.5},        // out in the same turn, same debt
        {Player(1, -10, 9), Player(2, -10, 7), 1},          // same debt, but OLD went out first
        {Player(4, 0, 3), Player(1, 0), 0},                 // NEW out, OLD still in
    };
    for (const Case& c : cases)
        EXPECT_EQ(VersusScore(c.new_player, c.old_player), c.score)
            << c.new_player.place << " against " << c.old_player.place;
}

TEST(VersusTest, PairsAreCountedByNewsPoints) {
    VersusTally tally;
    tally.AddPair(1, 1);
    tally.AddPair(1, 0);
    tally.AddPair(0.5, 0);
    tally.AddPair(0.5, 1);
    EXPECT_EQ(tally.pairs, (OutcomeCounts{0, 1, 1, 1, 1}));
    EXPECT_EQ(tally.wins, 4);
    EXPECT_EQ(tally.draws, 2);
    EXPECT_EQ(tally.losses, 2);
    EXPECT_EQ(tally.Games(), 8);
}

TEST(VersusTest, PairsShareTheirSeedWithSeatsSwapped) {
    const std::vector<ScheduledGame> games = DrawPairs(3, 2, 40);
    ASSERT_EQ(games.size(), 6u);
    for (size_t k = 0; k < 3; ++k) {
        const ScheduledGame& first = games[2 * k];
        const ScheduledGame& second = games[2 * k + 1];
        EXPECT_EQ(first.seed, 40 + k);
        EXPECT_EQ(second.seed, first.seed);
        EXPECT_EQ(first.seats, (std::vector<int>{0, 1, 2, 3}));
        EXPECT_EQ(second.seats, (std::vector<int>{1, 0, 2, 3}));
        EXPECT_EQ(second.index, static_cast<int>(2 * k + 2));  // tournament.json wants 1, 2, 3, ...
    }
}

TEST(VersusTest, OptionsOfVersusAndWatch) {
    MatchOptions o;
    EXPECT_EQ(ParseOptions({"--versus", "new.robot", "old.robot", "--opponents", "a.robot", "b.robot", "--elo0",
                            "-1.5", "--elo1=3", "--alpha", "0.1", "--max-games", "40"},
                           o),
              "");
    EXPECT_EQ(o.scripts, (std::vector<std::string>{"new.robot", "old.robot"}));
    EXPECT_EQ(o.opponents, (std::vector<std::string>{"a.robot", "b.robot"}));
    EXPECT_EQ(o.sprt.elo0, -1.5);
    EXPECT_EQ(o.sprt.elo1, 3);
    EXPECT_EQ(o.sprt.alpha, 0.1);
    EXPECT_EQ(o.sprt.beta, 0.05);
    EXPECT_EQ(o.max_games, 40);

    MatchOptions w;
    EXPECT_EQ(ParseOptions({"--watch", "a.robot"}, w), "");
    EXPECT_EQ(w.turns, kDefaultWatchTurns);
    MatchOptions w7;
    EXPECT_EQ(ParseOptions({"--watch", "--turns", "7", "a.robot"}, w7), "");
    EXPECT_EQ(w7.turns, 7);

    const struct {
        std::vector<std::string> args;
        std::string error;
    } mistakes[] = {
        {{"--versus", "a"}, "--versus needs two scripts: NEW and OLD"},
        {{"--versus", "a", "b", "--elo0", "5", "--elo1", "5"}, "--elo1 must be greater than --elo0"},
        {{"--versus", "a", "b", "--alpha", "0.6", "--beta", "0.5"}, "--alpha and --beta must add up to less than 1"},
        {{"--versus", "a", "b", "--alpha", "1"}, "--alpha needs a number between 0 and 1, not '1'"},
        {{"--versus", "a", "b", "--elo1", "5x"}, "--elo1 needs a number between -1000 and 1000, not '5x'"},
        {{"--versus", "a", "b", "--plan", "p.txt"}, "--plan needs --out DIR (where the games write their results)"},
        {{"--versus", "a", "b", "--tournament"},
         "--versus does not go with --check, --tournament, --report, --result or --games"},
        {{"--versus", "--watch", "a", "b"}, "--versus and --watch are two modes: give one"},
        {{"a", "b", "--elo1", "20"}, "--elo1 goes with --versus"},
        {{"a", "--opponents", "b"}, "--opponents goes with --versus or --watch"},
        {{"--watch", "a", "--plan", "p"}, "--plan does not go with --watch"},
    };
    for (const auto& m : mistakes) {
        MatchOptions bad;
        EXPECT_EQ(ParseOptions(m.args, bad), m.error) << m.args[0];
    }
}

}  // namespace
}  // namespace match
