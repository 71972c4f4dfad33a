// A long game of the robot program against a scripted server that answers at once: the
// robot's memory stays flat from turn to turn and nothing is left unreleased at its end.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <string>

#include "background_program.h"
#include "fake_peer.h"
#include "scratch_dir.h"

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

constexpr int kTurns = 1000;
constexpr int kEarlyTurn = 100;     // late enough for every buffer to have reached its size
constexpr long kMaxGrowthKb = 128;  // a leak of 150 bytes a turn exceeds it

// Variables, an array, a loop through a label, macros, robot data and every kind of order,
// and nothing left on the value stack at the end of a run.
const char kScript[] =
    "{\r\n"
    "  $n := $n + 1;\r\n"
    "  $seen[$n % 16] := .you.money;\r\n"
    "  ?print \"turn %d online %d\", .turn_number, ?macro \"Online\";\r\n"
    "  $i := 0;\r\n"
    "  @again;\r\n"
    "  $i := $i + 1;\r\n"
    "  if ($i < 3) goto @again;\r\n"
    "  if (.you.prod > 0) ?sell .you.prod, .market.max_prod_price else ?prod ?macro "
    "\"OptiProd\";\r\n"
    "  ?buy ?macro \"YouProd\", .players[0].money / 100;\r\n"
    "  ?turn\r\n"
    "}\r\n";

// Resident memory of a process in kB, from /proc; -1 when it cannot be read.
long ResidentKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

class RobotProgramMemory : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(scratch_.Put("bot.robot", kScript)); }
    ScratchDir scratch_{"robot_memory"};
    const std::string dir_ = scratch_.path();
};

// Resident memory is compared only in the plain build: the sanitizer keeps released blocks
// in quarantine on purpose, and there its leak check at exit is the measure.
TEST_F(RobotProgramMemory, ThousandTurnsKeepMemoryFlatAndLeaveNoLeak) {
    const std::vector<game_script::PlayerState> players = {{"robo", 3, 1, 50000, 2, 1},
                                                           {"bob", 2, 2, 40000, 2, 0}};
    const std::string info = game_script::InfoReply(players);
    std::atomic<pid_t> robot_pid{-1};
    std::atomic<long> early_kb{-1}, late_kb{-1};
    FakePeer peer("127.0.50.20", FakePeer::kRobotPort);
    game_script::Introduction(peer, "robo");
    game_script::JoinListedGame(peer, 1);
    for (int turn = 1; turn <= kTurns; ++turn) {
        // The robot waits for the market here, at rest between two turns.
        peer.Expect("market");
        if (turn == kEarlyTurn) peer.Do([&] { early_kb = ResidentKb(robot_pid); });
        if (turn == kTurns) peer.Do([&] { late_kb = ResidentKb(robot_pid); });
        peer.Send("& MARKET 4 500 3 5500\n").Expect("info").Send(info);
        // Each order is answered, as the game server does: unanswered, every further order
        // of a turn would wait for this side's delayed acknowledgement (the robot's socket
        // holds back a small write while an earlier one is unacknowledged).
        peer.Expect("sell 1 5500").Send("ok: offer\n").Expect("buy 4 400").Send("ok: bid\n");
        peer.Expect("turn").Send("ok: turn ended\n& ENDTURN\n");
        peer.Expect("info").Send(turn == kTurns ? "& YOU_WIN\n" : info);
    }
    peer.Start();
    BackgroundProgram robot(ROBOT_BINARY,
                            {dir_ + "/bot.robot", "-host", peer.Address(), "-name", "robo"},
                            dir_ + "/out.txt");
    robot_pid = robot.Pid();
    ASSERT_TRUE(robot.WaitExit(std::chrono::minutes(5)));
    EXPECT_EQ(peer.Finish(), "");
    ASSERT_TRUE(robot.Exited()) << "signal " << robot.TermSignal();
    EXPECT_EQ(robot.ExitStatus(), 0);
    EXPECT_EQ(robot.Err(), "");  // a leak report would be here
    const std::string out = ReadWholeFile(dir_ + "/out.txt");
    EXPECT_NE(out.find("\t~Robot said: \"turn 999 online 2\"\n"), std::string::npos);
    EXPECT_NE(out.find("~Game: Turn [1000] ++.\n"), std::string::npos);
    EXPECT_EQ(out.find("~Error"), std::string::npos);
    ASSERT_GT(early_kb, 0);
    ASSERT_GT(late_kb, 0);
    if (!kSanitized) {
        EXPECT_LT(late_kb - early_kb, kMaxGrowthKb) << early_kb << " kB at first";
    }
    std::printf("resident memory: %ld kB at turn %d, %ld kB at turn %d\n", early_kb.load(),
                kEarlyTurn, late_kb.load(), kTurns);
}

}  // namespace
