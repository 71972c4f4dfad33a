// End to end: the match program plays short real games with the robot and the game server.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "run_program.h"
#include "scratch_dir.h"

namespace {

namespace fs = std::filesystem;

const char kIdle[] = "{ ?turn }\n";
const char kTrader[] =
    "{\n"
    "  if (.you.prod > 0) ?sell .you.prod, .market.max_prod_price;\n"
    "  $make := .you.raw;\n"
    "  if ($make > .you.fabrics) $make := .you.fabrics;\n"
    "  if ($make > 0) ?prod $make;\n"
    "  ?buy 2, .market.min_raw_price;\n"
    "  ?turn\n"
    "}\n";

// A temporary folder with two robot scripts; runs the match program on them.
class MatchEndToEnd : public testing::Test {
protected:
    void SetUp() override {
        std::ofstream(dir_ + "/idle.robot") << kIdle;
        std::ofstream(dir_ + "/trader.robot") << kTrader;
    }

    ProgramResult Match(const std::string& out, std::vector<std::string> scripts) {
        std::vector<std::string> args = {"--seed", "11", "--turns", "6", "--turn-timeout", "10", "--time-limit", "90",
                                         "--host-range", "127.0.40.210-127.0.40.250", "--out", dir_ + "/" + out};
        for (const std::string& s : scripts) args.push_back(dir_ + "/" + s);
        return RunProgram(ProgramRun{MATCH_BINARY, args, "", dir_, std::chrono::milliseconds(120000)});
    }

    // The results table without the lines that name the output folder.
    static std::string Table(const std::string& out) {
        size_t start = out.find("rank");
        size_t end = out.find("chart:");
        return start == std::string::npos || end == std::string::npos ? "" : out.substr(start, end - start);
    }

    ScratchDir scratch_{"match_e2e"};
    const std::string dir_ = scratch_.path();
};

TEST_F(MatchEndToEnd, TwoRobotsPlayAGameThatTheSameSeedRepeats) {
    ProgramResult first = Match("one", {"trader.robot", "idle.robot"});
    ASSERT_TRUE(first.exited && first.status == 0) << first.out << first.err << first.error;
    std::string table = Table(first.out);
    EXPECT_NE(table.find(dir_ + "/trader.robot"), std::string::npos) << first.out;
    EXPECT_NE(table.find(dir_ + "/idle.robot"), std::string::npos) << first.out;
    EXPECT_NE(table.find(" won\n"), std::string::npos) << first.out;
    EXPECT_NE(table.find(" lost\n"), std::string::npos) << first.out;
    EXPECT_TRUE(fs::exists(dir_ + "/one/money.svg"));
    EXPECT_TRUE(fs::exists(dir_ + "/one/robot-trader.log"));
    std::ifstream log(dir_ + "/one/game.jsonl");
    std::stringstream text;
    text << log.rdbuf();
    EXPECT_NE(text.str().find("{\"event\":\"end\""), std::string::npos);

    ProgramResult again = Match("two", {"trader.robot", "idle.robot"});
    ASSERT_TRUE(again.exited && again.status == 0) << again.out << again.err;
    EXPECT_EQ(Table(again.out), table);
}

TEST_F(MatchEndToEnd, OneRobotPlaysAlone) {
    ProgramResult solo = Match("solo", {"trader.robot"});
    ASSERT_TRUE(solo.exited && solo.status == 0) << solo.out << solo.err << solo.error;
    EXPECT_NE(Table(solo.out).find("   1  " + dir_ + "/trader.robot"), std::string::npos) << solo.out;
}

TEST_F(MatchEndToEnd, ScriptThatDoesNotCompileStopsTheMatchWithItsMessage) {
    std::ofstream(dir_ + "/broken.robot") << "{ ?turn\n";
    ProgramResult r = Match("broken", {"trader.robot", "broken.robot"});
    ASSERT_TRUE(r.exited) << r.error;
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("robot broken (" + dir_ + "/broken.robot) exited with status"), std::string::npos) << r.err;
}

}  // namespace
