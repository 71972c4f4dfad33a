// Tests of ranking players and of the results and totals tables.
#include "match/outcome/results.h"

#include <gtest/gtest.h>

namespace match {
namespace {

FinalState Player(const std::string& name, std::int64_t money, std::optional<std::int64_t> out_turn = std::nullopt) {
    FinalState f;
    f.name = name;
    f.money = money;
    f.fabrics = 2;
    f.auto_plants = 1;
    f.out = out_turn.has_value();
    f.out_turn = out_turn;
    return f;
}

GameRecord Ended(std::vector<FinalState> states, std::optional<std::string> winner, std::int64_t turns = 30) {
    GameRecord r;
    r.ended = true;
    r.last_turn = turns;
    r.winner = std::move(winner);
    r.final_states = std::move(states);
    return r;
}

std::vector<std::string> Order(const std::vector<PlayerResult>& ranked) {
    std::vector<std::string> names;
    for (const PlayerResult& r : ranked) names.push_back(r.name);
    return names;
}

TEST(Results, WinnerFirstThenMoneyThenLongestSurvivors) {
    GameRecord r = Ended({Player("early", 50000, 3), Player("rich", 20000), Player("late", -10, 9),
                          Player("winner", 15000), Player("poor", 100)},
                         "winner");
    std::vector<PlayerResult> ranked = RankPlayers(r, {});
    EXPECT_EQ(Order(ranked), (std::vector<std::string>{"winner", "rich", "poor", "late", "early"}));
    EXPECT_TRUE(ranked[0].won);
    EXPECT_FALSE(ranked[1].won);
    EXPECT_EQ(ranked[3].turns, 9);
    EXPECT_EQ(ranked[1].turns, 30);
}

TEST(Results, TiesKeepJoinOrder) {
    GameRecord r = Ended({Player("b", 100), Player("a", 100), Player("c", 200)}, std::nullopt);
    EXPECT_EQ(Order(RankPlayers(r, {})), (std::vector<std::string>{"c", "b", "a"}));
}

TEST(Results, TableShowsLabelsPlantsRefusalsAndEndings) {
    GameRecord r = Ended({Player("a", 9000, 12), Player("bee", 123456)}, "bee");
    r.refused["a"] = {{3, "buy 1 1", "the lowest raw price this turn is 550"}, {5, "sell 9 1", "you have only 2 products"}};
    std::vector<PlayerResult> ranked = RankPlayers(r, {{"a", "a-2"}, {"bee", "bee"}});
    RobotEnding error;
    error.kind = RobotEnding::Kind::kRuntimeError;
    error.turn = 12;
    error.number = -750;
    error.message = "Array bound corrupted. '$x'";
    AttachEndings({{"a", error}}, r, ranked);
    EXPECT_EQ(FormatResultsTable(ranked),
              "rank  robot   money  plants  turns  refused  ending\n"
              "   1  bee    123456     2+1     30        0  won\n"
              "   2  a-2      9000     2+1     12        2  error -750 at turn 12: Array bound corrupted. '$x'\n");
    EXPECT_EQ(FormatRefusals(ranked, 1),
              "a-2: 2 orders refused\n"
              "  turn 3: buy 1 1: the lowest raw price this turn is 550\n"
              "  ... 1 more\n");
}

TEST(Results, TotalsCountWinsAndAverageMoney) {
    std::vector<ScriptTotals> totals;
    AddToTotals(RankPlayers(Ended({Player("a", 1000), Player("b", 3000)}, "b"), {}), totals);
    AddToTotals(RankPlayers(Ended({Player("a", 2001), Player("b", -500, 4)}, "a"), {}), totals);
    AddToTotals(RankPlayers(Ended({Player("a", 5000), Player("b", 100)}, "a"), {}), totals);
    EXPECT_EQ(FormatTotalsTable(totals),
              "robot  wins  games  average money\n"
              "a         2      3           2667\n"
              "b         1      3            866\n");
}

TEST(Results, TotalsBreakEqualWinsByAverageMoney) {
    std::vector<ScriptTotals> totals = {{"low", 2, 1, 100}, {"high", 1, 1, 900}};
    std::string table = FormatTotalsTable(totals);
    EXPECT_LT(table.find("high"), table.find("low"));
}

}  // namespace
}  // namespace match
