// The state folder and the log file on their own: torn results lines cut off at start, game
// numbers that never repeat across reopenings, and a log that counts and reports lost lines.
#include "server/state_dir.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <sstream>

#include "background_program.h"
#include "scratch_dir.h"
#include "server/log_file.h"

namespace {

constexpr char kResults[] = "results.jsonl";

TEST(ResultsFile, CutsOffATornLastLineAndFindsTheHighestGame) {
    const struct {
        const char* before;
        const char* after;
        int highest;
    } cases[] = {
        {"", "", 0},
        {"{\"game\":3}\n{\"game\":7}\n{\"game\":5}\n", "{\"game\":3}\n{\"game\":7}\n{\"game\":5}\n", 7},
        {"{\"game\":3}\n{\"game\":9,\"tur", "{\"game\":3}\n", 3},
        {"{\"game\":4", "", 0},
        {"not json\n{\"game\":\"x\"}\n[1]\n", "not json\n{\"game\":\"x\"}\n[1]\n", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.before);
        ScratchDir dir("results_file");
        ASSERT_TRUE(dir.Put(kResults, c.before));
        std::ostringstream events;
        int highest = -1;
        std::string error;
        {
            gs::ResultsFile file(&events);
            ASSERT_TRUE(file.Open(dir.path() + "/" + kResults, highest, error)) << error;
            file.Append("{\"game\":100}");
            EXPECT_TRUE(file.Commit());
            EXPECT_FALSE(file.Pending());
        }
        EXPECT_EQ(highest, c.highest);
        EXPECT_EQ(ReadWholeFile(dir.path() + "/" + kResults), c.after + std::string("{\"game\":100}\n"));
        const bool torn = std::string(c.before) != c.after;
        EXPECT_EQ(events.str().find("cut off a torn last line") != std::string::npos, torn)
            << events.str();
    }
}

gs::GameResult Result(int game) {
    gs::GameResult result;
    result.game = game;
    result.turns = 1;
    result.reason = "turn_limit";
    result.winner = "ann";
    result.players.push_back({});
    result.players.back().name = "ann";
    return result;
}

// Numbers go on after a reopening from the higher of last_game and the results file, and a
// reservation is on disk before a number of it is handed out.
TEST(StateDir, GameNumbersNeverRepeatAcrossReopenings) {
    ScratchDir dir("state_dir");
    std::string error;
    int last = 0;
    for (int run = 0; run < 3; ++run) {
        gs::StateDir state(nullptr);
        ASSERT_TRUE(state.Open(dir.path(), error)) << error;
        for (int i = 0; i < 3; ++i) {
            const int number = state.NewGameNumber();
            EXPECT_GT(number, last);
            last = number;
        }
        state.GameEnded(Result(last));
        EXPECT_TRUE(state.Pending());
        EXPECT_TRUE(state.Commit());
        EXPECT_GE(std::stoi(ReadWholeFile(dir.path() + "/last_game")), last);
    }
    // A results file ahead of last_game (its numbers were given out) wins.
    ASSERT_TRUE(dir.Put("last_game", "1\n"));
    ASSERT_TRUE(dir.Put(kResults, "{\"game\":500}\n"));
    gs::StateDir state(nullptr);
    ASSERT_TRUE(state.Open(dir.path(), error)) << error;
    EXPECT_EQ(state.NewGameNumber(), 501);
}

TEST(StateDir, RefusesALastGameFileWithoutANumber) {
    for (const char* content : {"", "abc\n", "-4\n", "99999999999\n"}) {
        SCOPED_TRACE(content);
        ScratchDir dir("state_dir");
        ASSERT_TRUE(dir.Put("last_game", content));
        gs::StateDir state(nullptr);
        std::string error;
        EXPECT_FALSE(state.Open(dir.path(), error));
        EXPECT_NE(error.find("does not hold a game number"), std::string::npos) << error;
    }
}

TEST(LogFile, AppendsAndWritesOnlyWholeLines) {
    ScratchDir dir("log_file");
    const std::string path = dir.path() + "/games.jsonl";
    ASSERT_TRUE(dir.Put("games.jsonl", "{\"old\":1}\n"));
    gs::LogFile log;
    std::string error;
    ASSERT_TRUE(log.Open(path, error)) << error;
    *log.Stream() << "{\"a\":1}\n{\"b\":" << std::flush;
    EXPECT_EQ(ReadWholeFile(path), "{\"old\":1}\n{\"a\":1}\n");
    *log.Stream() << "2}\n";
    log.Close();
    EXPECT_EQ(ReadWholeFile(path), "{\"old\":1}\n{\"a\":1}\n{\"b\":2}\n");
}

// A path that points at a full device loses lines, says so once, and after the path is
// pointed at a writable file again the next reopening writes how many were lost.
TEST(LogFile, CountsLostLinesAndReportsThemWhenWritingWorksAgain) {
    ScratchDir dir("log_file");
    const std::string path = dir.path() + "/games.jsonl";
    ASSERT_EQ(::symlink("/dev/full", path.c_str()), 0);
    std::ostringstream events;
    gs::LogFile log(&events);
    std::string error;
    ASSERT_TRUE(log.Open(path, error)) << error;
    *log.Stream() << "{\"a\":1}\n{\"b\":2}\n";
    *log.Stream() << "{\"c\":3}\n";
    EXPECT_EQ(log.LostLines(), 3u);
    const std::string warning = events.str();
    EXPECT_NE(warning.find("counting the lines lost"), std::string::npos) << warning;
    EXPECT_EQ(warning.find('\n'), warning.size() - 1) << "one line only: " << warning;

    log.Reopen();  // still full: nothing changes
    EXPECT_EQ(log.LostLines(), 3u);
    ASSERT_EQ(::unlink(path.c_str()), 0);
    log.Reopen();
    EXPECT_EQ(log.LostLines(), 0u);
    EXPECT_EQ(log.TotalLostLines(), 3u);
    *log.Stream() << "{\"d\":4}\n";
    log.Close();
    EXPECT_EQ(ReadWholeFile(path), "{\"event\":\"lines_lost\",\"lines\":3}\n{\"d\":4}\n");
    EXPECT_NE(events.str().find("3 lines were lost"), std::string::npos) << events.str();
}

}  // namespace
