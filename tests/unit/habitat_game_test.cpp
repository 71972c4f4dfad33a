// Whole games of the robot program against a scripted server: the commands of a script reach
// the wire, the game ends with the right status line, and a hostile or vanishing server ends
// the run with a report instead of a crash.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "fake_peer.h"
#include "run_program.h"
#include "scratch_dir.h"

namespace {

using game_script::Ending;
using game_script::PlayerState;

// Runs the robot program on a script in a scratch folder against a scripted server.
class HabitatGameTest : public ::testing::Test {
protected:
    // Runs the robot program with the script against a peer listening on address.
    ProgramResult Play(const std::string& script, const std::string& address) {
        std::ofstream(dir_ + "/bot.robot") << script;
        ProgramRun run;
        run.path = ROBOT_BINARY;
        run.args = {"bot.robot", "-host", address, "-n", "robo"};
        run.dir = dir_;
        run.timeout = std::chrono::milliseconds(20000);
        return RunProgram(run);
    }
    static bool Has(const std::string& text, const std::string& piece) {
        return text.find(piece) != std::string::npos;
    }

    ScratchDir scratch_{"client_game"};
    const std::string dir_ = scratch_.path();
    const std::vector<PlayerState> players_ = {{"robo", 2, 3, 10000, 2, 0},
                                               {"bob", 1, 1, 9000, 2, 1}};
};

TEST_F(HabitatGameTest, ScriptCommandsReachTheServerAndTheRobotWins) {
    FakePeer peer("127.0.20.10", FakePeer::kRobotPort);
    game_script::Introduction(peer, "robo");
    game_script::JoinListedGame(peer, 3);
    game_script::TurnStart(peer, {4, 500, 3, 5500}, players_);
    peer.Expect("buy 2 500").Expect("sell 1 5500").Expect("prod 1000000000").Expect("turn");
    game_script::EndTurn(peer, Ending::kWin, players_);
    peer.Start();
    ProgramResult result = Play(
        "{ ?buy 2, 500; ?sell 1, .market.max_prod_price; ?prod 1000000000; ?turn }", "127.0.20.10");
    EXPECT_EQ(peer.Finish(), "");
    EXPECT_TRUE(result.exited);
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(Has(result.out, "\t~Robot: buy 2 by 500$.\n")) << result.out;
    EXPECT_TRUE(Has(result.out, "~Game: Turn [1] ++.\n"));
    EXPECT_TRUE(Has(result.out, "~Game: robo won! :-) \n"));
    EXPECT_TRUE(Has(result.out, "\n~Info: Closed connection.\n"));
}

TEST_F(HabitatGameTest, BankruptcyAfterTwoTurnsEndsTheGame) {
    FakePeer peer("127.0.20.11", FakePeer::kRobotPort);
    game_script::Introduction(peer, "robo");
    game_script::CreateGame(peer, "robo", 5, {"bob"});
    game_script::TurnStart(peer, {4, 500, 3, 5500}, players_);
    game_script::EndTurn(peer, Ending::kGoOn, players_);
    game_script::TurnStart(peer, {4, 500, 3, 5500}, players_);
    game_script::EndTurn(peer, Ending::kBankrupt, {players_[1]});
    peer.Start();
    ProgramResult result = Play("{ ?turn }", "127.0.20.11");
    EXPECT_EQ(peer.Finish(), "");
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(Has(result.out, "~Game: Turn [1] ++.\n" + std::string(60, '-') +
                                    " \n~Game: robo is playing... :-* \n"))
        << result.out;
    EXPECT_TRUE(Has(result.out, "~Game: Turn [2] ++.\n"));
    EXPECT_TRUE(Has(result.out, "~Game: robo looser! :'-( \n"));
}

TEST_F(HabitatGameTest, HostileServerDoesNotCrashTheRobot) {
    std::vector<PlayerState> crowd = players_;
    for (int i = 0; i < 110; ++i)
        crowd.push_back({"p" + std::to_string(i) + std::string(300, 'n'), 1, 1, 1, 1, 1});
    crowd.push_back({std::string(2 * 1024 * 1024, 'x'), 1, 1, 1, 1, 1});
    FakePeer peer("127.0.20.12", FakePeer::kRobotPort);
    game_script::Introduction(peer, "robo");
    game_script::JoinListedGame(peer, 1);
    game_script::TurnStart(peer, {4, 500, 3, 5500}, crowd);
    game_script::EndTurn(peer, Ending::kGoOn, crowd);
    game_script::TurnStart(peer, {4, 500, 3, 5500}, crowd);
    game_script::EndTurn(peer, Ending::kWin, crowd);
    peer.Start();
    ProgramResult result = Play("{ ?print \"%d\", ?macro \"Online\"; ?turn }", "127.0.20.12");
    EXPECT_EQ(peer.Finish(), "");
    EXPECT_TRUE(result.exited);
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(Has(result.out, "~Game: robo won! :-) \n"));
}

TEST_F(HabitatGameTest, VanishingServerIsAReportedFaultNotASignal) {
    FakePeer peer("127.0.20.13", FakePeer::kRobotPort);
    peer.Close();
    peer.Start();
    ProgramResult result = Play("{ ?turn }", "127.0.20.13");
    peer.Finish();
    EXPECT_TRUE(result.exited) << "signal " << result.signal;
    EXPECT_EQ(result.status, static_cast<unsigned char>(-5));
    EXPECT_TRUE(Has(result.out, "~Error: Connection fault. :: -5")) << result.out;
}

}  // namespace
