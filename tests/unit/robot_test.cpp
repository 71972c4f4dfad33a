// Tests of the robot's actions: each command's console line and line on the wire, the
// game-over test and the statistics over all players.
#include "robot/robot.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "client_console.h"
#include "fake_peer.h"

namespace {

// A robot command, its console line and its line on the wire.
struct CommandCase {
    const char* name;
    std::function<void(CRobot&)> act;
    std::string console;
    std::string wire;
};

void PrintTo(const CommandCase& c, std::ostream* os) { *os << c.name; }

// Commands over the table of cases.
class RobotCommandTest : public ::testing::TestWithParam<CommandCase> {};

TEST_P(RobotCommandTest, PrintsItsLineAndSendsItsCommand) {
    AnswerPrompts("");
    FakePeer peer;
    peer.Expect(GetParam().wire);
    peer.Start();
    CSocket socket;
    socket.ConnectTo(peer.Address().c_str(), peer.Port());
    auto data = std::make_unique<CData>();
    CRobot robot(data.get(), &socket);
    CapturedStdout out;
    GetParam().act(robot);
    EXPECT_EQ(out.Text(), GetParam().console);
    EXPECT_EQ(peer.Finish(), "");
    EXPECT_EQ(peer.Received(), GetParam().wire + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Commands, RobotCommandTest,
    ::testing::Values(
        CommandCase{"Turn", [](CRobot& r) { r.Turn(); }, "\t~Robot: Turn! \n", "turn"},
        CommandCase{"Pass", [](CRobot& r) { r.Pass(); }, "\t~Robot: Turn! \n", "turn"},
        CommandCase{"Upgrade", [](CRobot& r) { r.Upgrade(); }, "\t~Robot: Upgrade. \n", "upgrade"},
        CommandCase{"ABuild", [](CRobot& r) { r.ABuild(); }, "\t~Robot: Auto plant build. \n",
                    "abuild"},
        CommandCase{"Prod", [](CRobot& r) { r.Prod(3); }, "\t~Robot: prod 3.\n", "prod 3"},
        CommandCase{"ProdZero", [](CRobot& r) { r.Prod(0); }, "\t~Robot: prod 0.\n", "prod 0"},
        CommandCase{"Sell", [](CRobot& r) { r.Sell(2, 5500); }, "\t~Robot: sell 2 by 5500$.\n",
                    "sell 2 5500"},
        CommandCase{"Buy", [](CRobot& r) { r.Buy(2, 500); }, "\t~Robot: buy 2 by 500$.\n",
                    "buy 2 500"},
        CommandCase{"BuyNegative", [](CRobot& r) { r.Buy(-1, -20); }, "\t~Robot: buy -1 by -20$.\n",
                    "buy -1 -20"},
        CommandCase{"BuyLargeNumberInFull", [](CRobot& r) { r.Buy(1000000000, 5); },
                    "\t~Robot: buy 1000000000 by 5$.\n", "buy 1000000000 5"}),
    [](const auto& info) { return std::string(info.param.name); });

// A win flag and the status line it prints.
struct WinCase {
    int win;
    std::string line;
};

TEST(RobotIsWin, PrintsTheStatusLineAndReturnsTheFlag) {
    const WinCase cases[] = {{1, "~Game: robo won! :-) \n"},
                             {-1, "~Game: robo looser! :'-( \n"},
                             {0, "~Game: robo is playing... :-* \n"},
                             {7, ""}};
    auto data = std::make_unique<CData>();
    CopyGamerName(data->you.gamer_name, "robo");
    CSocket socket;
    CRobot robot(data.get(), &socket);
    for (const auto& c : cases) {
        data->win = c.win;
        CapturedStdout out;
        EXPECT_EQ(robot.IsWin(), c.win);
        EXPECT_EQ(out.Text(), c.line) << "win " << c.win;
    }
}

TEST(RobotIsWin, ConstructionClearsTheFlag) {
    auto data = std::make_unique<CData>();
    data->win = -1;
    CSocket socket;
    CRobot robot(data.get(), &socket);
    EXPECT_EQ(data->win, 0);
}

// A robot on an image whose player records the tests fill in.
class RobotStatsTest : public ::testing::Test {
protected:
    // Sets a record: raw, prod, money, ordinary and automatic plants.
    static void Set(CGamer& g, int raw, int prod, int money, int fabrics, int autos) {
        g.raw = raw;
        g.prod = prod;
        g.money = money;
        g.fabrics = fabrics;
        g.auto_plants = autos;
    }

    std::unique_ptr<CData> data = std::make_unique<CData>();
    CSocket socket;
    CRobot robot{data.get(), &socket};
};

TEST_F(RobotStatsTest, AloneTheSumsAreTheRobotsOwn) {
    Set(data->you, 3, 5, 10000, 2, 1);
    EXPECT_EQ(robot.GetPlayingGamers(), 1);
    EXPECT_EQ(robot.GetAllPlayers_Prod(), 5);
    EXPECT_EQ(robot.GetAllPlayers_Raw(), 3);
    EXPECT_EQ(robot.GetAllPlayers_Producing(), 4);  // full capacity, not limited by raw
}

TEST_F(RobotStatsTest, SumsCountOnlyPlayersStillPlaying) {
    Set(data->you, 0, 1, -1, 2, 1);           // the robot counts whatever its money
    Set(data->players[0], 3, 2, 5000, 2, 1);  // capacity 4, raw 3: adds 3
    Set(data->players[1], 9, 4, -1, 5, 5);    // out of the game
    Set(data->players[2], 6, 7, 0, 1, 2);     // capacity 5, raw 6: adds 5
    Set(data->players[3], 8, 8, 8000, 8, 8);  // beyond players_count
    data->players_count = 3;
    EXPECT_EQ(robot.GetPlayingGamers(), 3);
    EXPECT_EQ(robot.GetAllPlayers_Prod(), 1 + 2 + 7);
    EXPECT_EQ(robot.GetAllPlayers_Raw(), 0 + 3 + 6);
    EXPECT_EQ(robot.GetAllPlayers_Producing(), 4 + 3 + 5);
}

TEST_F(RobotStatsTest, PerPlayerFigures) {
    CGamer& p = data->players[0];
    Set(p, 3, 0, 100, 2, 1);
    EXPECT_EQ(robot.MaxProducing(p), 4);
    EXPECT_EQ(robot.GetPlayerOptimalProdN(p), 3);
    EXPECT_EQ(robot.GetPlayerOptimalBuyN(p, 3), 4);
    EXPECT_EQ(robot.GetPlayerOptimalBuyN(p, 6), 2);
    p.raw = 9;
    EXPECT_EQ(robot.GetPlayerOptimalProdN(p), 4);
    data->you.fabrics = 6;
    EXPECT_EQ(robot.IsNeedInAutoPlants(), 6);
    EXPECT_EQ(IsPlayerPlaying(p), 1);
    p.money = -1;
    EXPECT_EQ(IsPlayerPlaying(p), 0);
}

}  // namespace
