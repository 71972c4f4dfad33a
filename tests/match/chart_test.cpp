// Tests of the SVG money chart.
#include "match/web/chart.h"

#include <gtest/gtest.h>

#include <sstream>

#include "match/league/leaderboard.h"
#include "match/web/palette.h"
#include "match/web/replay.h"
#include "match/web/report.h"

namespace match {
namespace {

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

GameRecord TwoPlayers() {
    GameRecord r;
    r.money.push_back(MoneySeries{"alpha", {1, 2, 3}, {10000, 12000, 15000}, false});
    r.money.push_back(MoneySeries{"b<&>", {1, 2}, {9000, -2500}, true});
    return r;
}

TEST(Chart, OnePolylinePerPlayerWithLegendAndAxes) {
    std::string svg = RenderMoneyChart(TwoPlayers(), "Money per turn, seed 7");
    EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
    EXPECT_NE(svg.find("<svg xmlns=\"http://www.w3.org/2000/svg\""), std::string::npos);
    EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");
    EXPECT_EQ(Count(svg, "<polyline"), 2u);
    EXPECT_NE(svg.find(">alpha 15000</text>"), std::string::npos);
    EXPECT_NE(svg.find(">b&lt;&amp;&gt; -2500 (out)</text>"), std::string::npos);
    EXPECT_NE(svg.find(">turns completed (.turn_number)</text>"), std::string::npos);
    EXPECT_NE(svg.find(">money</text>"), std::string::npos);
    EXPECT_NE(svg.find("Money per turn, seed 7"), std::string::npos);
    EXPECT_EQ(svg.find("http://", svg.find("<svg") + 20), std::string::npos);  // nothing fetched
}

TEST(Chart, LoserAtTheTurnLimitIsNotLabelledOut) {
    GameRecord r = TwoPlayers();
    r.ended = true;
    r.last_turn = 2;
    std::string svg = RenderMoneyChart(r, "t");
    EXPECT_NE(svg.find(">b&lt;&amp;&gt; -2500</text>"), std::string::npos);
    r.last_turn = 3;
    EXPECT_NE(RenderMoneyChart(r, "t").find(">b&lt;&amp;&gt; -2500 (out)</text>"), std::string::npos);
}

TEST(Chart, LegendMarksTheWinnerWithTheFinalMoneyOfTheEndEvent) {
    GameRecord r = TwoPlayers();
    r.winner = "alpha";
    FinalState f;
    f.name = "alpha";
    f.money = 15123;
    r.final_states.push_back(f);
    std::string svg = RenderMoneyChart(r, "t");
    EXPECT_NE(svg.find(" font-weight=\"bold\">alpha 15123 (winner)</text>"), std::string::npos) << svg;
}

TEST(Chart, NegativeMoneyGetsItsOwnTickBelowZero) {
    std::string svg = RenderMoneyChart(TwoPlayers(), "t");
    EXPECT_NE(svg.find(">0</text>"), std::string::npos);
    EXPECT_NE(svg.find(">-5000</text>"), std::string::npos);
    EXPECT_NE(svg.find(">15000</text>"), std::string::npos);
}

TEST(Chart, PointsOfAPolylineFollowTheTurns) {
    GameRecord r;
    r.money.push_back(MoneySeries{"solo", {1, 2, 3, 4}, {100, 200, 300, 400}, false});
    std::string svg = RenderMoneyChart(r, "t");
    size_t start = svg.find("points=\"") + 8;
    std::string points = svg.substr(start, svg.find('"', start) - start);
    EXPECT_EQ(Count(points, ","), 4u);
    EXPECT_EQ(points.rfind("80.0,", 0), 0u);  // the first turn sits on the money axis
}

TEST(Chart, EmptyOrFlatGamesStillGiveAValidChart) {
    GameRecord empty;
    EXPECT_NE(RenderMoneyChart(empty, "t").find("</svg>"), std::string::npos);
    GameRecord flat;
    flat.money.push_back(MoneySeries{"x", {1}, {0}, false});
    std::string svg = RenderMoneyChart(flat, "t");
    EXPECT_EQ(svg.find("nan"), std::string::npos);
    EXPECT_EQ(svg.find("inf"), std::string::npos);
}

// Long names widen the chart rather than run past its edge: each legend entry ends within the
// SVG's width, at about the width the text takes in a bold sans-serif font.
TEST(Chart, LegendOfLongNamesFitsInTheWidth) {
    struct Case {
        std::string name;
        double ems;  // width of one of its characters
    } const cases[] = {{std::string(32, 'W'), 1.0}, {std::string(32, 'n'), 0.7}, {std::string(32, '8'), 0.7}};
    for (const Case& c : cases) {
        GameRecord r = TwoPlayers();
        r.money[0].name = c.name;
        r.winner = c.name;
        const std::string svg = RenderMoneyChart(r, "t");
        const size_t width_at = svg.find("width=\"") + 7;
        const int width = std::stoi(svg.substr(width_at));
        const size_t text = svg.rfind("<text x=\"", svg.find(">" + c.name + " 15000 (winner)</text>"));
        ASSERT_NE(text, std::string::npos);
        const int x = std::stoi(svg.substr(text + 9));
        const double text_width = (32 * c.ems + 9.5) * 12;  // at 12 px, with " 15000 (winner)"
        EXPECT_LE(x + text_width, width) << c.name;
    }
}

// The money chart, the tournament report and the replay page give the second player or script
// the same colour and draw their grids alike.
TEST(Chart, EveryPageDrawsInTheOnePalette) {
    TournamentRoster roster;
    roster.scripts = {"a", "b"};
    roster.rounds = 1;
    Standings standings;
    standings.board.resize(2);
    standings.board[1].entry = 1;
    standings.together = standings.ahead = {{0, 0}, {0, 0}};
    standings.history = {{0, 0}, {3, -3}};
    std::istringstream log(R"({"event":"start","game":1,"players":["a","b"]})");
    const std::string pages[] = {RenderMoneyChart(TwoPlayers(), "t"), RenderTournamentReport(roster, standings, {}),
                                 RenderReplay(log, 1, "t")};
    for (const std::string& page : pages) {
        EXPECT_NE(page.find(PlayerColour(1)), std::string::npos) << page.substr(0, 200);
        EXPECT_NE(page.find(kChartGridColour), std::string::npos) << page.substr(0, 200);
    }
}

}  // namespace
}  // namespace match
