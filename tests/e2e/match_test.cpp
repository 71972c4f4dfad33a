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

    ProgramResult Match(const std::string& out, std::vector<std::string> scripts,
                        const std::vector<std::string>& extra = {"--turn-timeout", "10"}) {
        std::vector<std::string> args = {"--seed", "11", "--turns", "6", "--time-limit", "90",
                                         "--host-range", "127.0.40.210-127.0.40.250", "--out", dir_ + "/" + out};
        args.insert(args.end(), extra.begin(), extra.end());
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
    EXPECT_NE(table.find("  trader "), std::string::npos) << first.out;
    EXPECT_NE(table.find("  idle "), std::string::npos) << first.out;
    EXPECT_NE(table.find(" won\n"), std::string::npos) << first.out;
    EXPECT_NE(table.find(" bankrupt at turn 4\n"), std::string::npos) << first.out;
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
    EXPECT_NE(Table(solo.out).find("   1  trader "), std::string::npos) << solo.out;
}

TEST_F(MatchEndToEnd, ScriptThatDoesNotCompileStopsTheMatchWithItsMessage) {
    std::ofstream(dir_ + "/broken.robot") << "{ ?turn\n";
    ProgramResult r = Match("broken", {"trader.robot", "broken.robot"});
    ASSERT_TRUE(r.exited) << r.error;
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("robot broken (" + dir_ + "/broken.robot) exited with status"), std::string::npos) << r.err;
}

// Collapses runs of spaces, so that text can be looked for in a padded table.
std::string Squeezed(const std::string& text) {
    std::string out;
    for (char c : text)
        if (c != ' ' || out.empty() || out.back() != ' ') out += c;
    return out;
}

// Each flawed robot plays the trader; its printed lines reach its log, and the table says how it
// ended. The spinning robot's file name starts with a dot and holds a space and a non-ASCII letter.
TEST_F(MatchEndToEnd, FlawedRobotsEndAsTheirLogsShow) {
    const std::string erring =
        "{\n  ?print \"before %d\", .turn_number;\n  $x := 5;\n  if (.turn_number = 1)\n    $y := $x[3];\n  ?turn\n}\n";
    struct Case {
        std::string file;
        std::string script;
        std::vector<std::string> options;
        std::string name;    // its player name, from the file name
        std::string logged;  // in its log
        std::string shown;   // in the match's output
        int status = 0;
        std::string said = "";  // on its standard error
    };
    const Case cases[] = {
        {".spin loop \xC3\xA9.robot", "{ ?print \"hello %d\", .turn_number; @spin; goto @spin; ?turn }\n",
         {"--turn-timeout", "1"}, "spin_loop_", "hello 0",
         "0 stopped by the turn timeout from turn 1 (all 4 turns timed out); bankrupt at turn 4\n"
         "\nturns timed out:\nspin_loop_: 4 of 4 turns (turns 1-4)\n"},
        {"spin.robot", "{ @spin; goto @spin; ?turn }\n", {"--turn-timeout", "0", "--time-limit", "3"}, "spin", "",
         "game over after 1 turn (the match's time limit ended it), ", 1,
         "match: the game reached its time limit of 3 s"},
        {"bad.robot", erring, {}, "bad", "before 1", "error -750 at turn 2, line 5: Array bound corrupted. '$x'\n"},
        {"bad.robot", erring, {"--on-error", "continue"}, "bad", "before 3",
         " 4 0 bankrupt at turn 4; 1 runtime error answered y\n"},
        {"cheap.robot", "{ ?buy 1, 1; ?turn }\n", {}, "cheap", "",
         "cheap: 4 orders refused\n turn 1: buy 1 1: the lowest raw price this turn is 550\n"},
    };
    int n = 0;
    for (const Case& c : cases) {
        std::ofstream(dir_ + "/" + c.file) << c.script;
        std::string out = "flawed-" + std::to_string(++n);
        ProgramResult r = Match(out, {"trader.robot", c.file}, c.options);
        ASSERT_TRUE(r.exited && r.status == c.status) << r.out << r.err << r.error;
        EXPECT_NE(Squeezed(r.out).find(c.shown), std::string::npos) << c.file << "\n" << r.out;
        EXPECT_NE(r.err.find(c.said), std::string::npos) << c.file << "\n" << r.err;
        std::ifstream log(dir_ + "/" + out + "/robot-" + c.name + ".log");
        std::stringstream text;
        text << log.rdbuf();
        EXPECT_NE(text.str().find(c.logged), std::string::npos) << c.file << "\n" << text.str();
    }
}

}  // namespace
