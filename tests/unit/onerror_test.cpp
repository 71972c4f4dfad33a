// Tests of the error reporter: report lines, the prompt and its answers, pending numbers.
#include "ui/onerror.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// Runs in the child of a death test: the console answers come from `answers`, and standard
// output goes to standard error so that the death test can match what was printed.
void Console(const std::string& answers) {
    char path[] = "/tmp/onerror_answersXXXXXX";
    int fd = mkstemp(path);
    if (fd < 0 || write(fd, answers.data(), answers.size()) != static_cast<ssize_t>(answers.size())) {
        std::abort();
    }
    close(fd);
    if (!std::freopen(path, "r", stdin)) std::abort();
    unlink(path);
    std::fflush(stdout);
    dup2(STDERR_FILENO, STDOUT_FILENO);
    setvbuf(stdout, nullptr, _IONBF, 0);
}

// Exit status as the shell sees it for an error number passed to exit().
int StatusOf(int number) { return number & 0xFF; }

std::string Printed(void (*report)(CError&)) {
    CError error;
    testing::internal::CaptureStdout();
    report(error);
    return testing::internal::GetCapturedStdout();
}

}  // namespace

TEST(ErrorReporter, QuietReportPrintsLineAndReturns) {
    std::string out = Printed([](CError& e) { e.OnError("Bad thing.", -550, true); });
    EXPECT_EQ(out, "\n\n~Error: Bad thing. :: -550");
}

TEST(ErrorReporter, ComposedReportJoinsPieces) {
    std::string out = Printed([](CError& e) {
        e.Gum("stale");
        e.ClearLastText();
        e.Gum("line ");
        e.Gum("7");
        e.OnErrorSpit(-550, true);
    });
    EXPECT_EQ(out, "\n\n~Error: line 7 :: -550");
}

TEST(ErrorReporter, SpitAfterClearPrintsEmptyText) {
    std::string out = Printed([](CError& e) {
        e.Gum("old");
        e.ClearLastText();
        e.OnErrorSpit(-750, true);
    });
    EXPECT_EQ(out, "\n\n~Error:  :: -750");
}

TEST(ErrorReporter, QuietErrorIsSilentAndSeenOnce) {
    CError error;
    testing::internal::CaptureStdout();
    error.OnQuietError(-5000);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_STREQ(error.GetLastText(), "QUIET");
    EXPECT_EQ(error.get_number(), -5000);
    EXPECT_EQ(error.get_number(), 0);
}

// Every answer that is not a lower-case "y" ends the process with the error number.
struct RefusalCase {
    const char* name;
    const char* answers;
};

void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

class ErrorRefusal : public testing::TestWithParam<RefusalCase> {};

TEST_P(ErrorRefusal, EndsWithErrorNumber) {
    EXPECT_EXIT(
        {
            Console(GetParam().answers);
            CError error;
            error.OnError("Lexical analysis did not pass.", -510, false);
            std::exit(0);
        },
        testing::ExitedWithCode(StatusOf(-510)),
        "~Error: Lexical analysis did not pass. :: -510\n~Try to continue \\(may be errors\\)\\? "
        "\\[y/n\\]$");
}

INSTANTIATE_TEST_SUITE_P(Answers, ErrorRefusal,
                         testing::Values(RefusalCase{"No", "n\n"}, RefusalCase{"UpperY", "Y\n"},
                                         RefusalCase{"EmptyLine", "\n"},
                                         RefusalCase{"ClosedInput", ""},
                                         RefusalCase{"WordStartingWithN", "nyy\n"}),
                         [](const testing::TestParamInfo<RefusalCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(ErrorReporter, YesReturnsToCaller) {
    EXPECT_EXIT(
        {
            Console("y\n");
            CError error;
            error.OnError("Robot command file not open.", -511, false);
            std::printf("<went on>");
            std::exit(error.get_number() == -511 ? 7 : 8);
        },
        testing::ExitedWithCode(7), ":: -511\n~Try to continue.*\\[y/n\\]<went on>$");
}

// The second prompt must read the second line: what followed "y" on the first line
// (more letters, a carriage return) is not taken as the next answer.
TEST(ErrorReporter, RestOfAnswerLineIsConsumed) {
    for (const char* answers : {"yes\ny\n", "y\r\ny\n", "y  n\ny"}) {
        EXPECT_EXIT(
            {
                Console(answers);
                CError error;
                error.OnError("first", -101, false);
                error.OnError("second", -102, false);
                std::exit(3);
            },
            testing::ExitedWithCode(3), "")
            << "answers: " << answers;
    }
}

TEST(ErrorReporter, OneShotReportPrompts) {
    EXPECT_EXIT(
        {
            Console("n\n");
            CError("Program was started without parameters.\n", -100);
            std::exit(0);
        },
        testing::ExitedWithCode(StatusOf(-100)), "without parameters.\n :: -100\n~Try");
}

TEST(ErrorReporter, TwoPartReportPromptsWithJoinedText) {
    EXPECT_EXIT(
        {
            Console("");
            CError error;
            error.OnError("Cann't ", "open remote host.", -4);
            std::exit(0);
        },
        testing::ExitedWithCode(StatusOf(-4)), "~Error: Cann't open remote host. :: -4\n");
}

// A caller's answer source and stop action replace standard input and exit(); a stop that
// throws unwinds out of the report, and nullptr brings the robot's own back.
struct CallerStop {
    int number;
};
int answers_asked = 0;
bool YesOnce() { return answers_asked++ == 0; }
[[noreturn]] void ThrowStop(int number) { throw CallerStop{number}; }

TEST(ErrorReporter, CallerAnswersAndStops) {
    answers_asked = 0;
    const CError::AnswerSource robot_answers = CError::SetAnswerSource(YesOnce);
    const CError::StopAction robot_stop = CError::SetStopAction(ThrowStop);
    CError error;
    testing::internal::CaptureStdout();
    error.OnError("first", -101, false);  // answered yes: returns
    int stopped_with = 0;
    try {
        error.OnError("second", -102, false);
    } catch (const CallerStop& stop) {
        stopped_with = stop.number;
    }
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(stopped_with, -102);
    EXPECT_EQ(answers_asked, 2);
    EXPECT_EQ(CError::SetAnswerSource(nullptr), YesOnce);
    EXPECT_EQ(CError::SetStopAction(nullptr), ThrowStop);
    // The robot's own are back: the next caller gets them as the ones it replaces.
    EXPECT_EQ(CError::SetAnswerSource(robot_answers), robot_answers);
    EXPECT_EQ(CError::SetStopAction(robot_stop), robot_stop);
}
