// End to end: match --versus decides early between two robots of very different strength, the
// same way played here and reported from its folder; its plan refuses a script that does not
// compile. match --watch checks and plays again on every save and ends cleanly on Ctrl-C, also
// in the middle of a game.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "background_program.h"
#include "run_program.h"
#include "scratch_dir.h"

namespace {

namespace fs = std::filesystem;

constexpr auto kRunTimeout = std::chrono::milliseconds(180000);
constexpr auto kOutputWait = std::chrono::seconds(60);

const std::string kBuilder = std::string(PROJECT_SOURCE_DIR) + "/examples/builder.robot";
const std::string kMinimal = std::string(PROJECT_SOURCE_DIR) + "/examples/minimal.robot";

std::vector<std::string> Programs(const std::string& host_range) {
    return {"--robot", ROBOT_BINARY, "--server", GAMESERVER_BINARY, "--host-range", host_range};
}

ProgramResult Versus(const std::string& dir, const std::string& new_script, const std::string& old_script,
                     std::vector<std::string> more) {
    std::vector<std::string> args = {"--versus", new_script, old_script, "--elo0", "0", "--elo1", "200",
                                     "--max-games", "40", "--turns", "10", "--seed", "3"};
    more.insert(more.end(), {"--out", dir + "/out"});
    args.insert(args.end(), more.begin(), more.end());
    for (const std::string& a : Programs("127.0.91.1-127.0.91.120")) args.push_back(a);
    return RunProgram(ProgramRun{MATCH_BINARY, args, "", dir, kRunTimeout});
}

// The verdict line: the last line of the output.
std::string Verdict(const std::string& out) {
    std::string text = out.substr(0, out.find_last_not_of('\n') + 1);
    return text.substr(text.rfind('\n') + 1);
}

TEST(VersusEndToEnd, AClearDifferenceIsDecidedEarlyEitherWay) {
    ScratchDir better("versus_better"), worse("versus_worse");
    ProgramResult up = Versus(better.path(), kBuilder, kMinimal, {"--jobs", "2"});
    ASSERT_TRUE(up.exited && up.status == 0) << up.out << up.err << up.error;
    EXPECT_EQ(Verdict(up.out).rfind("H1 accepted after ", 0), 0u) << up.out;
    EXPECT_EQ(up.out.find("after 40 games"), std::string::npos) << "decided before the limit:\n" << up.out;
    EXPECT_NE(up.out.find("pair 1: 2 games, W-D-L 2-0-0"), std::string::npos) << up.out;

    ProgramResult report = RunProgram(ProgramRun{MATCH_BINARY, {"--report", better.path() + "/out"}, "", "", kRunTimeout});
    EXPECT_EQ(report.status, 0) << report.err;
    EXPECT_EQ(Verdict(report.out), Verdict(up.out)) << "a folder's report gives the verdict of its run";

    ProgramResult down = Versus(worse.path(), kMinimal, kBuilder, {});
    ASSERT_TRUE(down.exited && down.status == 0) << down.out << down.err;
    EXPECT_EQ(Verdict(down.out).rfind("H0 accepted after ", 0), 0u) << down.out;
}

TEST(VersusEndToEnd, PlanListsTheGamesAndRefusesAScriptThatDoesNotCompile) {
    ScratchDir dir("versus_plan");
    ASSERT_TRUE(dir.Put("broken.robot", "{ ?turn \r\n"));
    ProgramResult plan = Versus(dir.path(), kBuilder, kMinimal, {"--max-games", "5", "--plan", "plan.txt"});
    ASSERT_EQ(plan.status, 0) << plan.out << plan.err;
    std::ifstream lines(dir.path() + "/plan.txt");
    int count = 0;
    for (std::string line; std::getline(lines, line);) count += line.find("--result") != std::string::npos;
    EXPECT_EQ(count, 6) << "three whole pairs";

    ProgramResult refused = Versus(dir.path(), dir.path() + "/broken.robot", kMinimal, {"--plan", "again.txt"});
    EXPECT_EQ(refused.status, 2) << refused.out << refused.err;
    EXPECT_NE(refused.err.find("broken.robot:1: error:"), std::string::npos) << refused.err;
    EXPECT_FALSE(fs::exists(dir.path() + "/again.txt"));
}

// Waits until the file holds `text` at least `times` times.
bool AwaitOutput(const std::string& path, const std::string& text, int times) {
    const auto deadline = std::chrono::steady_clock::now() + kOutputWait;
    while (std::chrono::steady_clock::now() < deadline) {
        const std::string out = ReadWholeFile(path);
        int found = 0;
        for (size_t at = out.find(text); at != std::string::npos; at = out.find(text, at + 1)) ++found;
        if (found >= times) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

// Processes whose command line names something in `dir`: robots and servers started for it.
int ProcessesNaming(const std::string& dir) {
    int count = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator("/proc")) {
        const std::string cmdline = ReadWholeFile(entry.path().string() + "/cmdline");
        if (cmdline.find(dir) != std::string::npos && cmdline.find("--watch") == std::string::npos) ++count;
    }
    return count;
}

TEST(WatchEndToEnd, EverySaveIsCheckedAndPlayedUntilCtrlC) {
    ScratchDir dir("watch");
    const std::string script = dir.path() + "/mine.robot", log = dir.path() + "/watch.log";
    ASSERT_TRUE(dir.Put("mine.robot", "{ ?turn }\r\n"));
    std::vector<std::string> args = {"--watch", script, "--opponents", kMinimal, "--turns", "5",
                                     "--turn-timeout", "1", "--out",
                                     dir.path() + "/out"};
    for (const std::string& a : Programs("127.0.92.1-127.0.92.60")) args.push_back(a);
    BackgroundProgram watch(MATCH_BINARY, args, log);
    ASSERT_TRUE(AwaitOutput(log, "watching for the next save", 1)) << ReadWholeFile(log) << watch.Err();
    EXPECT_NE(ReadWholeFile(log).find("rank  robot"), std::string::npos) << "a first game at once";

    ASSERT_TRUE(dir.Put("mine.robot", "{ ?turn \r\n"));
    ASSERT_TRUE(AwaitOutput(log, "mine.robot:1: error:", 1)) << ReadWholeFile(log);
    ASSERT_TRUE(AwaitOutput(log, "no game until the errors are fixed", 1)) << ReadWholeFile(log);

    // Saved the way many editors save: a new file renamed over the old one.
    ASSERT_TRUE(dir.Put("mine.tmp", "{ ?turn }\r\n"));
    fs::rename(dir.path() + "/mine.tmp", script);
    ASSERT_TRUE(AwaitOutput(log, "rank  robot", 2)) << ReadWholeFile(log);

    // A script that never ends its turn keeps its game going for seconds: Ctrl-C comes during it.
    ASSERT_TRUE(dir.Put("mine.robot", "{ @spin; goto @spin }\r\n"));
    ASSERT_TRUE(AwaitOutput(log, "match: 2 robots", 3)) << ReadWholeFile(log);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    watch.Signal(SIGINT);
    ASSERT_TRUE(watch.WaitExit(std::chrono::seconds(30)));
    EXPECT_TRUE(watch.Exited() && watch.ExitStatus() == 0) << watch.TermSignal() << ReadWholeFile(log);
    EXPECT_NE(ReadWholeFile(log).find("match: watch ended"), std::string::npos);
    EXPECT_EQ(ProcessesNaming(dir.path()), 0);
}

}  // namespace
