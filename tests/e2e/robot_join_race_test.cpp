// Many robots with "-inf" started at once on one server with short games: games start and fill
// up between a robot's look at the games list and its join, and no robot may hang on that.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "background_program.h"
#include "scratch_dir.h"

namespace {

constexpr std::chrono::seconds kWait{60};  // per awaited game end: fails a hang, never a pace
constexpr int kRobots = 20;
constexpr int kGamesBefore = 40;  // games that end before each robot's progress is noted
constexpr int kGamesAfter = 40;   // games that end after it, while each robot must go on playing
const std::string kStarted = "~Info: The game is started.";

// A server, its options beyond the common ones, and what the case shows.
struct RaceCase {
    const char* label;
    const char* host;
    std::vector<std::string> options;
};

void PrintTo(const RaceCase& c, std::ostream* os) { *os << c.label; }

int CountStarted(const std::string& out) {
    int count = 0;
    for (std::size_t at = out.find(kStarted); at != std::string::npos;
         at = out.find(kStarted, at + 1))
        ++count;
    return count;
}

// Each join in the console is followed by the start of that game or by its refusal; only the
// last one may have no answer yet, when the robot was stopped while it waited.
void ExpectEveryJoinAnswered(const std::string& out, const std::string& name) {
    std::istringstream in(out);
    std::string pending;  // the join line still waiting for its answer
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("~Info: ", 0) != 0) continue;
        if (!pending.empty()) {
            const std::string refused = pending.substr(0, pending.size() - 1) + " refused.";
            EXPECT_TRUE(line == kStarted || line == refused)
                << name << ": after \"" << pending << "\" came \"" << line << "\"";
            pending.clear();
        }
        if (line.rfind("~Info: " + name + " join to #", 0) == 0 &&
            line.find(" refused.") == std::string::npos)
            pending = line;
    }
}

class RobotsRaceForGames : public ::testing::TestWithParam<RaceCase> {
protected:
    void TearDown() override {
        robots_.clear();
        server_.reset();
    }
    // Waits until the server has reported `count` more game ends.
    ::testing::AssertionResult AwaitGameEnds(int count) {
        while (count > 0) {
            const std::string line = server_->AwaitErrLine("", kWait);
            if (line.empty())
                return ::testing::AssertionFailure()
                       << count << " game ends missing; server said:\n" << server_->Err();
            if (line.find(" ended after ") != std::string::npos) --count;
        }
        return ::testing::AssertionSuccess();
    }
    std::string Out(int robot) { return ReadWholeFile(OutPath(robot)); }
    std::string OutPath(int robot) const { return dir_ + "/r" + std::to_string(robot) + ".out"; }

    ScratchDir scratch_{"robot_join_race"};
    const std::string dir_ = scratch_.path();
    std::unique_ptr<BackgroundProgram> server_;
    std::vector<std::unique_ptr<BackgroundProgram>> robots_;
};

TEST_P(RobotsRaceForGames, EveryRobotPlaysGameAfterGame) {
    const RaceCase& c = GetParam();
    std::vector<std::string> args = {"--host", c.host,          "--port",         "4774",
                                     "--seed", "3",             "--max-turns",    "3",
                                     "--turn-timeout", "1",  "--state-dir",     scratch_.path()};
    args.insert(args.end(), c.options.begin(), c.options.end());
    server_ = std::make_unique<BackgroundProgram>(GAMESERVER_BINARY, args, "/dev/null");
    ASSERT_NE(server_->AwaitErrLine(std::string("listening on ") + c.host, kWait), "")
        << server_->Err();
    ASSERT_TRUE(scratch_.Put("turn.robot", "{ ?turn }\n"));
    for (int i = 0; i < kRobots; ++i) {
        robots_.push_back(std::make_unique<BackgroundProgram>(
            ROBOT_BINARY,
            std::vector<std::string>{dir_ + "/turn.robot", "-host", c.host, "-name",
                                     "r" + std::to_string(i), "-inf"},
            OutPath(i)));
    }

    ASSERT_TRUE(AwaitGameEnds(kGamesBefore));
    std::vector<int> started_before;
    for (int i = 0; i < kRobots; ++i) started_before.push_back(CountStarted(Out(i)));
    ASSERT_TRUE(AwaitGameEnds(kGamesAfter));
    for (auto& robot : robots_) robot->Signal(SIGKILL);
    for (auto& robot : robots_) ASSERT_TRUE(robot->WaitExit(kWait));

    for (int i = 0; i < kRobots; ++i) {
        const std::string name = "r" + std::to_string(i);
        const std::string out = Out(i);
        EXPECT_GT(CountStarted(out), started_before[i]) << name << " stopped playing:\n" << out;
        ExpectEveryJoinAnswered(out, name);
    }
}

// With two players a game is full at its first join, so a second joiner is turned away as
// "full" as often as "running".
INSTANTIATE_TEST_SUITE_P(
    ShortGames, RobotsRaceForGames,
    ::testing::Values(RaceCase{"AnySize", "127.0.61.10", {}},
                      RaceCase{"TwoPlayers", "127.0.61.11", {"--max-players", "2"}}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
