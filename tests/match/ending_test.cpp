// Tests of reading a robot's error reports and of deciding how each robot's game ended.
#include "match/outcome/ending.h"
#include "match/game/on_error.h"

#include <gtest/gtest.h>
#include <signal.h>

namespace match {
namespace {

// A robot's console after a runtime report and its question, as the robot prints them.
const char kConsole[] =
    "\t~Robot said: \"hello 0\"\n"
    "\n\n~Error: Runtime error. Array bound corrupted. '$x'\n :: -750"
    "\n~Try to continue (may be errors)? [y/n]"
    "\n\n~Error: Connection fault. :: -5"
    "\n~Try to continue (may be errors)? [y/n]";

TEST(Ending, ReportsAreReadBackOnOneLine) {
    std::vector<ErrorReport> reports = ReadErrorReports(kConsole);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].number, -750);
    EXPECT_EQ(reports[0].text, "Array bound corrupted. '$x'");
    EXPECT_EQ(reports[1].number, -5);
    EXPECT_EQ(reports[1].text, "Connection fault.");
    EXPECT_TRUE(ReadErrorReports("~Error: no number here\n").empty());
}

TEST(Ending, QuestionsAreFoundAcrossChunksAndAnsweredByKind) {
    PromptScanner scanner;
    std::string console = kConsole;
    std::vector<int> asked;
    for (size_t at = 0; at < console.size(); at += 7)
        for (int n : scanner.Feed(console.substr(at, 7))) asked.push_back(n);
    EXPECT_EQ(asked, (std::vector<int>{-750, -5}));
    EXPECT_EQ(AnswerFor(-750, OnError::kContinue), 'y');
    EXPECT_EQ(AnswerFor(-700, OnError::kContinue), 'y');
    EXPECT_EQ(AnswerFor(-5, OnError::kContinue), 'n');
    EXPECT_EQ(AnswerFor(-750, OnError::kStop), 'n');
}

// The side file's lines go to the script errors alone, in order, from the first when the whole
// log was read and from the last when only its end was; a pair of different numbers has no line.
TEST(Ending, SideFileLinesGoToTheScriptErrorsInOrder) {
    const std::vector<ErrorLine> lines = ReadErrorLines("-750 3\n-700 5\nnot a line\n-750 8\n-750 9");
    ASSERT_EQ(lines.size(), 3u);  // the last, without its line end, was cut short
    struct Case {
        std::vector<int> numbers;  // of the reports read from the log
        bool all_reports;
        std::vector<int> lines;    // they get
    };
    const Case cases[] = {
        {{-750, -5, -700, -750}, true, {3, 0, 5, 8}},
        {{-700, -750}, false, {5, 8}},
        {{-700, -750, -750}, true, {0, 0, 8}},
    };
    for (const Case& c : cases) {
        std::vector<ErrorReport> reports;
        for (int n : c.numbers) reports.push_back(ErrorReport{n, "text"});
        AttachErrorLines(reports, lines, c.all_reports);
        std::vector<int> got;
        for (const ErrorReport& r : reports) got.push_back(r.line);
        EXPECT_EQ(got, c.lines);
    }
}

FinalState Out(std::int64_t turn, const std::string& reason) {
    FinalState f;
    f.name = "r";
    f.out = true;
    f.out_turn = turn;
    f.out_reason = reason;
    return f;
}

TEST(Ending, EachWayOfEndingIsTold) {
    const FinalState bankrupt = Out(4, "bankrupt"), dropped = Out(3, "disconnected"),
                     limit = Out(9, "turn_limit"), first_turn = Out(1, "bankrupt");
    const TurnTimes every_turn{9, {1, 2, 3, 4, 5, 6, 7, 8, 9}};
    const ErrorReport bound{-750, "Array bound corrupted. '$x'"};
    const ErrorReport fault{-5, "Connection fault."};
    const ErrorReport bound_at_12{-750, "Array bound corrupted. '$x'", 0, 12};
    const int exited_750 = 18 << 8;  // exit(-750)
    const int exited_5 = 251 << 8;   // exit(-5)
    struct Case {
        EndingFacts facts;
        std::string text;
    };
    const Case cases[] = {
        {{&limit, true, 9, "turn_limit", {bound}, 0, StopCause::kNone, {}},
         "won; 1 runtime error answered y"},
        {{&limit, false, 9, "turn_limit", {}, 0, StopCause::kNone, {}}, "lost at the turn limit"},
        {{&bankrupt, false, 9, "turn_limit", {}, 0, StopCause::kNone, {}}, "bankrupt at turn 4"},
        {{&dropped, false, 9, "turn_limit", {}, 0, StopCause::kNone, {}},
         "out for a lost connection at turn 3"},
        {{&dropped, false, 9, "turn_limit", {fault}, exited_5, StopCause::kNone, {}},
         "out for a lost connection at turn 3 (error -5: Connection fault.)"},
        {{&dropped, false, 9, "turn_limit", {bound}, exited_750, StopCause::kNone, {}},
         "error -750 at turn 3: Array bound corrupted. '$x'"},
        {{&dropped, false, 9, "turn_limit", {bound_at_12}, exited_750, StopCause::kNone, {}},
         "error -750 at turn 3, line 12: Array bound corrupted. '$x'"},
        {{nullptr, false, 0, "", {bound_at_12}, exited_750, StopCause::kNone, {}},
         "error -750 at line 12: Array bound corrupted. '$x'"},
        {{&limit, false, 9, "turn_limit", {}, SIGTERM, StopCause::kGameOver, every_turn},
         "stopped by the turn timeout from turn 1 (all 9 turns timed out); lost at the turn limit"},
        {{&bankrupt, false, 9, "turn_limit", {}, 0, StopCause::kNone, {4, {2, 3, 4}}},
         "stopped by the turn timeout from turn 2 (3 turns timed out); bankrupt at turn 4"},
        {{&first_turn, false, 9, "turn_limit", {}, 0, StopCause::kNone, {1, {1}}},
         "stopped by the turn timeout from turn 1 (its one turn timed out); bankrupt at turn 1"},
        {{&limit, true, 9, "turn_limit", {}, 0, StopCause::kNone, every_turn},
         "won; all 9 turns timed out"},
        {{&bankrupt, false, 9, "turn_limit", {}, 0, StopCause::kNone, {4, {2}}},
         "bankrupt at turn 4; 1 turn timed out"},
        {{&dropped, false, 9, "turn_limit", {}, SIGTERM, StopCause::kTimeLimit, {}},
         "killed at the time limit at turn 3"},
        {{&dropped, false, 9, "turn_limit", {}, SIGSEGV, StopCause::kNone, {}},
         "crashed with signal 11 (" + std::string(strsignal(SIGSEGV)) + ") at turn 3"},
        {{nullptr, false, 5, "last_player", {}, std::nullopt, StopCause::kNone, {}},
         "lost at turn 5"},
    };
    for (const Case& c : cases) EXPECT_EQ(DecideEnding(c.facts).Describe(), c.text);
}

}  // namespace
}  // namespace match
