// Tests of the lists in a game's summaries: turn lists and grouped error reports.
#include "match/outcome/summary.h"

#include <gtest/gtest.h>

namespace match {
namespace {

TEST(Summary, TurnListsReadRight) {
    const std::pair<std::vector<std::int64_t>, std::string> lists[] = {
        {{7}, "turn 7"},
        {{3, 4}, "turns 3, 4"},
        {{3, 4, 7}, "turns 3, 4, 7"},
        {{1, 2, 3, 4, 9, 11, 12, 13}, "turns 1-4, 9, 11-13"},
    };
    for (const auto& [turns, text] : lists) EXPECT_EQ(TurnList(turns), text);
}

ErrorReport Report(int number, const std::string& text, std::int64_t turn) {
    ErrorReport report;
    report.number = number;
    report.text = text;
    report.turn = turn;
    return report;
}

TEST(Summary, IdenticalReportsShareALineWithTheirTurns) {
    const std::string bound = "Array bound corrupted. '$a'";
    const ErrorReport a3 = Report(-750, bound, 3), a4 = Report(-750, bound, 4), a7 = Report(-750, bound, 7),
                      b5 = Report(-700, "Unknown name", 5), a_unknown = Report(-750, bound, 0);
    const std::pair<std::vector<ErrorReport>, std::string> cases[] = {
        {{a3, a4, b5, a7},
         "  error -750: Array bound corrupted. '$a' (turns 3, 4, 7)\n  error -700: Unknown name (turn 5)\n"},
        {{a3, a3}, "  error -750: Array bound corrupted. '$a' (turn 3; 2 times)\n"},
        {{a_unknown, a_unknown}, "  error -750: Array bound corrupted. '$a' (2 times)\n"},
        {{a_unknown}, "  error -750: Array bound corrupted. '$a'\n"},
        {{}, ""},
    };
    for (const auto& [reports, text] : cases) EXPECT_EQ(FormatErrorReports(reports), text);
}

}  // namespace
}  // namespace match
