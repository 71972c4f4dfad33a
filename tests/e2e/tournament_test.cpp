// End to end: a small tournament played by match --jobs and the same one planned, run through
// GNU parallel and reported, give the same leaderboard.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "run_program.h"

namespace {

namespace fs = std::filesystem;

const char* const kScripts[][2] = {
    {"idle.robot", "{ ?turn }\n"},
    {"trader.robot",
     "{\n  if (.you.prod > 0) ?sell .you.prod, .market.max_prod_price;\n  $make := .you.raw;\n"
     "  if ($make > .you.fabrics) $make := .you.fabrics;\n  if ($make > 0) ?prod $make;\n"
     "  ?buy 2, .market.min_raw_price;\n  ?turn\n}\n"},
    {"buyer.robot", "{\n  ?buy 1, .market.min_raw_price;\n  ?turn\n}\n"},
};

constexpr auto kRunTimeout = std::chrono::milliseconds(180000);

// A folder with three scripts; runs match and the shell in it.
class TournamentEndToEnd : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = testing::TempDir() + "tournament_e2e_XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        for (const auto& script : kScripts) std::ofstream(dir_ + "/" + script[0]) << script[1];
    }
    void TearDown() override { fs::remove_all(dir_); }

    ProgramResult Match(std::vector<std::string> args) {
        return RunProgram(ProgramRun{MATCH_BINARY, args, "", dir_, kRunTimeout});
    }

    ProgramResult Shell(const std::string& command) {
        return RunProgram(ProgramRun{"/bin/sh", {"-c", command}, "", dir_, kRunTimeout});
    }

    std::vector<std::string> Tournament(const std::string& out) {
        std::vector<std::string> args = {"--tournament", "--table", "2", "--rounds", "2",
                                         "--turns",      "4"};
        args.insert(args.end(),
                    {"--seed", "21", "--out", out, "--host-range", "127.0.41.1-127.0.41.120"});
        args.insert(args.end(), {"--on-error", "continue"});
        args.insert(args.end(), {"--robot", ROBOT_BINARY, "--server", GAMESERVER_BINARY});
        args.insert(args.end(), {"idle.robot", "trader.robot", "buyer.robot"});
        return args;
    }

    // The leaderboard and head-to-head tables, without the lines that name the folder.
    static std::string Tables(const std::string& out) {
        size_t start = out.find("rank ");
        size_t end = out.find("results:");
        return start == std::string::npos || end == std::string::npos
                   ? ""
                   : out.substr(start, end - start);
    }

    std::string dir_;
};

TEST_F(TournamentEndToEnd, PlannedGamesRunByParallelGiveTheSameLeaderboardAsJobs) {
    if (Shell("command -v parallel").status != 0) GTEST_SKIP() << "GNU parallel is not installed";
    std::vector<std::string> local_args = Tournament("local");
    local_args.insert(local_args.end(), {"--jobs", "2"});
    ProgramResult local = Match(local_args);
    ASSERT_TRUE(local.exited && local.status == 0) << local.out << local.err << local.error;
    ASSERT_NE(Tables(local.out), "") << local.out;
    EXPECT_NE(local.out.find("6 of 6 games played"), std::string::npos) << local.out;

    std::vector<std::string> plan_args = Tournament("planned");
    plan_args.insert(plan_args.end(), {"--plan", "plan.txt"});
    ProgramResult plan = Match(plan_args);
    ASSERT_TRUE(plan.exited && plan.status == 0) << plan.out << plan.err;
    EXPECT_EQ(Shell("grep -c -e '--on-error continue' plan.txt").out, "6\n") << "every game keeps it";
    ProgramResult run = Shell("parallel --will-cite -j2 < plan.txt");
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    ProgramResult report = Match({"--report", "planned"});
    ASSERT_TRUE(report.exited && report.status == 0) << report.out << report.err;
    EXPECT_EQ(Tables(report.out), Tables(local.out)) << report.out << local.out;
    EXPECT_TRUE(fs::exists(dir_ + "/planned/report.html"));
    EXPECT_TRUE(fs::exists(dir_ + "/planned/results.json"));
    for (const char* kept : {"local/game-0001/summary.txt", "planned/game-0001/summary.txt"})
        EXPECT_TRUE(fs::exists(dir_ + "/" + kept)) << kept << ": a game's summaries, as after a match";

    // A lost result: the report says so, and running the plan again plays that game only.
    fs::remove(dir_ + "/planned/game-0004/result.json");
    ProgramResult partial = Match({"--report", "planned"});
    EXPECT_NE(partial.out.find("5 of 6 games played, 1 missing"), std::string::npos) << partial.out;
    ProgramResult again = Shell("parallel --will-cite -j2 < plan.txt");
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(again.out.find("result in"), again.out.rfind("result in")) << again.out;
    EXPECT_NE(again.out.find("game-0004/result.json"), std::string::npos) << again.out;
    // Planned again after a loss, the list holds only the missing game.
    fs::remove(dir_ + "/planned/game-0002/result.json");
    ASSERT_EQ(Match(plan_args).status, 0);
    ProgramResult lines = Shell("wc -l < plan.txt && grep -c game-0002/result.json plan.txt");
    EXPECT_EQ(lines.out, "1\n1\n");
}

// A script that does not compile is listed apart with its first error and plays no game; a plan,
// or a tournament left with fewer than two scripts, is refused.
TEST_F(TournamentEndToEnd, ScriptThatDoesNotCompileIsListedApartAndNotScheduled) {
    std::ofstream(dir_ + "/broken.robot") << "{ ?turn\n";
    const std::string listed = "not played (does not compile):\n  broken: broken.robot:";
    struct Case {
        std::vector<std::string> extra;
        int status;
        std::string said;  // on standard error
    };
    const Case cases[] = {
        {{"--out", "played", "idle.robot", "broken.robot", "buyer.robot"}, 1, "1 script did not compile"},
        {{"--out", "planned", "--plan", "plan.txt", "idle.robot", "broken.robot", "buyer.robot"}, 2,
         listed},
        {{"--out", "alone", "idle.robot", "broken.robot"}, 2, "a tournament needs two scripts that compile"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"--tournament", "--table", "2", "--rounds", "1", "--turns", "2",
                                         "--seed", "3", "--host-range", "127.0.41.121-127.0.41.160",
                                         "--robot", ROBOT_BINARY, "--server", GAMESERVER_BINARY};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        ProgramResult r = Match(args);
        ASSERT_TRUE(r.exited) << r.error;
        EXPECT_EQ(r.status, c.status) << r.out << r.err;
        EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
        EXPECT_NE((r.out + r.err).find(listed), std::string::npos) << r.out << r.err;
        EXPECT_EQ(Tables(r.out).find("broken"), std::string::npos) << r.out;
    }
    EXPECT_FALSE(fs::exists(dir_ + "/plan.txt"));
    EXPECT_NE(Match({"--report", "played"}).out.find("1 of 1 game played"), std::string::npos);
}

}  // namespace
