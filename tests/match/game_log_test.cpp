// Tests of reading the server's JSON Lines log into a game record.
#include "match/game/log.h"

#include <gtest/gtest.h>

#include <sstream>

namespace match {
namespace {

std::string TurnLine(int game, int turn, int a_money, bool a_out, int b_money) {
    return R"({"event":"turn","game":)" + std::to_string(game) + R"(,"turn":)" + std::to_string(turn) +
           R"(,"market":{},"orders":[],"trades":[],"players":[{"name":"a","money":)" + std::to_string(a_money) +
           R"(,"out":)" + (a_out ? "true" : "false") + R"(},{"name":"b","money":)" + std::to_string(b_money) +
           R"(,"out":false}]})";
}

const char kStart[] = R"({"event":"start","game":2,"seed":42,"max_turns":5,"players":["a","b"]})";
const char kEnd[] =
    R"({"event":"end","game":2,"turn":3,"reason":"last_player","winner":"b","players":[)"
    R"({"name":"a","money":-300,"raw":1,"prod":0,"fabrics":2,"auto_plants":0,"out":true,"out_turn":2,)"
    R"("out_reason":"bankrupt"},)"
    R"({"name":"b","money":15000,"raw":0,"prod":1,"fabrics":1,"auto_plants":1,"out":false,"out_turn":null}]})";

GameRecord Read(const std::string& text, std::int64_t game = 0, int* warnings = nullptr) {
    std::istringstream in(text);
    return ReadGameLog(in, game, warnings);
}

TEST(GameLog, ReadsPlayersMoneyAndFinalStates) {
    GameRecord r = Read(std::string(kStart) + "\n" + TurnLine(2, 1, 9000, false, 9500) + "\n" +
                        TurnLine(2, 2, -300, true, 9800) + "\n" + TurnLine(2, 3, -300, true, 15000) + "\n" + kEnd +
                        "\n");
    EXPECT_EQ(r.game, 2);
    EXPECT_EQ(r.seed, 42);
    EXPECT_EQ(r.players, (std::vector<std::string>{"a", "b"}));
    ASSERT_EQ(r.money.size(), 2u);
    // A player's line ends at the turn it went out.
    EXPECT_EQ(r.money[0].turns, (std::vector<std::int64_t>{1, 2}));
    EXPECT_EQ(r.money[0].money, (std::vector<std::int64_t>{9000, -300}));
    EXPECT_TRUE(r.money[0].out);
    EXPECT_EQ(r.money[1].money, (std::vector<std::int64_t>{9500, 9800, 15000}));
    ASSERT_TRUE(r.ended);
    EXPECT_EQ(r.last_turn, 3);
    EXPECT_EQ(r.reason, "last_player");
    EXPECT_EQ(r.winner, std::optional<std::string>("b"));
    ASSERT_EQ(r.final_states.size(), 2u);
    EXPECT_EQ(r.final_states[0].out_turn, std::optional<std::int64_t>(2));
    EXPECT_FALSE(r.final_states[1].out_turn);
    EXPECT_EQ(r.final_states[1].auto_plants, 1);
    EXPECT_EQ(r.final_states[0].out_reason, "bankrupt");
    EXPECT_EQ(r.final_states[1].out_reason, "");
}

TEST(GameLog, RefusedOrdersAreKeptPerPlayerWithTheirTurn) {
    std::string turn1 = TurnLine(2, 1, 1, false, 1);
    turn1.replace(turn1.find(R"("trades")"), 0,
                  R"("refused":[{"player":"b","order":"buy 1 1","reason":"too low"},)"
                  R"({"player":"a","order":"prod","reason":"usage: prod N"}],)");
    std::string turn2 = TurnLine(2, 2, 1, false, 1);
    turn2.replace(turn2.find(R"("trades")"), 0, R"("refused":[{"player":"b","order":"upgrade","reason":"no"}],)");
    GameRecord r = Read(std::string(kStart) + "\n" + turn1 + "\n" + turn2 + "\n" + kEnd + "\n");
    ASSERT_EQ(r.refused["b"].size(), 2u);
    EXPECT_EQ(r.refused["b"][1].turn, 2);
    EXPECT_EQ(r.refused["b"][1].order, "upgrade");
    EXPECT_EQ(r.refused["a"][0].reason, "usage: prod N");
}

TEST(GameLog, PicksOneGameAndSkipsLinesItCannotRead) {
    std::string other = R"({"event":"start","game":1,"seed":7,"max_turns":5,"players":["x"]})";
    int warnings = 0;
    GameRecord r = Read(other + "\nnot json\n\n" + kStart + "\n" + TurnLine(1, 1, 1, false, 1) + "\n{\"event\":\n" +
                            kEnd + "\n",
                        2, &warnings);
    EXPECT_EQ(r.players, (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(r.money[0].turns.empty());
    EXPECT_TRUE(r.ended);
    EXPECT_EQ(warnings, 2);
}

TEST(GameLog, WithoutAnEndTheGameIsNotEnded) {
    GameRecord r = Read(std::string(kStart) + "\n" + TurnLine(2, 1, 9000, false, 9500) + "\n");
    EXPECT_FALSE(r.ended);
    EXPECT_FALSE(r.winner);
    EXPECT_EQ(r.money[1].money.size(), 1u);
}

TEST(GameLog, NoWinnerStaysEmpty) {
    GameRecord r = Read(R"({"event":"end","game":1,"turn":4,"reason":"all_out","winner":null,"players":[]})");
    EXPECT_TRUE(r.ended);
    EXPECT_FALSE(r.winner);
    EXPECT_EQ(r.reason, "all_out");
}

}  // namespace
}  // namespace match
