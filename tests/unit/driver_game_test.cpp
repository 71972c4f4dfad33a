// Tests of the robot program's game loop against a scripted server: turns, the end of the
// game and the commands the compiled script sends each turn.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "fake_peer.h"
#include "run_program.h"

namespace {

using game_script::Ending;
using game_script::MarketState;
using game_script::PlayerState;

// Runs the robot program on `script` against a peer on `address`; the peer's script has
// been set up by the caller.
class DriverGame : public testing::Test {
protected:
    void SetUp() override {
        char name[] = "/tmp/driver_gameXXXXXX";
        int fd = mkstemp(name);
        ASSERT_GE(fd, 0);
        close(fd);
        script_path_ = name;
    }
    void TearDown() override { unlink(script_path_.c_str()); }

    ProgramResult RunRobot(const std::string& script, const std::vector<std::string>& options,
                           const std::string& answers = "") {
        std::ofstream(script_path_, std::ios::binary) << script;
        ProgramRun run;
        run.path = ROBOT_BINARY;
        run.args = {script_path_};
        run.args.insert(run.args.end(), options.begin(), options.end());
        run.input = answers;
        run.timeout = std::chrono::seconds(60);
        return RunProgram(run);
    }

    std::string script_path_;
    const MarketState market_{4, 500, 3, 5500};
    const std::vector<PlayerState> players_{{"ann", 2, 2, 10000, 2, 0}, {"bob", 2, 2, 9000, 2, 0}};
};

TEST_F(DriverGame, PlaysTurnsUntilTheWinAndRunsTheScriptEachTurn) {
    FakePeer peer("127.0.10.20", FakePeer::kRobotPort);
    game_script::Introduction(peer, "ann");
    game_script::JoinListedGame(peer, 3);
    game_script::TurnStart(peer, market_, players_);
    peer.AwaitLine("buy 2 500").AwaitLine("turn");
    game_script::EndTurn(peer, Ending::kGoOn, players_);
    game_script::TurnStart(peer, market_, players_);
    peer.AwaitLine("buy 2 500").AwaitLine("turn");
    game_script::EndTurn(peer, Ending::kWin, players_);
    peer.Start();

    ProgramResult result =
        RunRobot("{ ?buy 2, .market.min_raw_price; ?turn; }\r\n",
                 {"-host", "127.0.10.20", "-name", "ann"});
    EXPECT_EQ(peer.Finish(), "");
    ASSERT_TRUE(result.exited) << result.err;
    EXPECT_EQ(result.status, 0) << result.out;
    EXPECT_NE(result.out.find("~Game: Turn [2] ++."), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("~Game: ann is playing... :-* \n"), std::string::npos);
    EXPECT_NE(result.out.find("~Game: ann won! :-) \n"), std::string::npos);
    EXPECT_NE(result.out.find("~Info: Closed connection.\n"), std::string::npos) << result.out;
}

TEST_F(DriverGame, BankruptcyEndsTheGameAfterThatTurn) {
    FakePeer peer("127.0.10.21", FakePeer::kRobotPort);
    game_script::Introduction(peer, "vemobot");
    game_script::CreateGame(peer, "vemobot", 1, {"bob"});
    game_script::TurnStart(peer, market_, {{"vemobot", 2, 2, 100, 2, 0}, players_[1]});
    peer.AwaitLine("turn");
    game_script::EndTurn(peer, Ending::kBankrupt, players_);
    peer.Start();

    ProgramResult result = RunRobot("{ ?turn; }\r\n", {"-h", "127.0.10.21"});
    EXPECT_EQ(peer.Finish(), "");
    ASSERT_TRUE(result.exited) << result.err;
    EXPECT_EQ(result.status, 0) << result.out;
    EXPECT_NE(result.out.find("~Game: vemobot looser! :'-( \n"), std::string::npos) << result.out;
}

// A refused name of 256 characters, accepted at the prompt, is sent cut to 255.
TEST_F(DriverGame, OverlongNameAcceptedAtPromptIsCut) {
    const std::string cut(255, 'r');
    FakePeer peer("127.0.10.22", FakePeer::kRobotPort);
    game_script::Introduction(peer, cut);
    game_script::JoinListedGame(peer, 1);
    game_script::TurnStart(peer, market_, {{cut, 2, 2, 100, 2, 0}, players_[1]});
    game_script::EndTurn(peer, Ending::kBankrupt, players_);
    peer.Start();

    ProgramResult result =
        RunRobot("{ $x := 1; }\r\n", {"-host", "127.0.10.22", "-name", cut + "r"}, "y\n");
    EXPECT_EQ(peer.Finish(), "");
    ASSERT_TRUE(result.exited) << result.err;
    EXPECT_EQ(result.status, 0) << result.out;
    EXPECT_NE(result.out.find(":: -101"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("~Info: The name is " + cut + ".\n"), std::string::npos);
}

}  // namespace
