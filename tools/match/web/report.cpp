// The tournament report: report.html filled in with its tables and an inline SVG ratings chart.
#include "match/web/report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "match/json/writer.h"
#include "match/names.h"
#include "match/web/line_chart.h"
#include "match/web/page_files.h"
#include "match/web/palette.h"

namespace match {
namespace {

constexpr int kChartWidth = 900;        // pixels, or more where the legend needs it
constexpr int kChartHeight = 360;       // pixels, or more where the legend needs it
constexpr double kFlatRatingSpan = 10;  // ratings drawn when no rating ever changes

std::string Fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string Leaderboard(const Standings& s) {
    std::ostringstream out;
    out << "<h2>Leaderboard</h2>\n<table><tr><th>rank</th><th "
           "class=l>robot</th><th>rating</th><th>mu &plusmn; sigma</th>"
           "<th>games</th><th>wins</th><th>mean rank</th><th>mean "
           "money</th><th>bankrupt</th><th>errors</th>"
           "<th>refused</th></tr>\n";
    for (size_t i = 0; i < s.board.size(); ++i) {
        const EntryStanding& e = s.board[i];
        out << "<tr><td>" << i + 1
            << "</td><td class=l><span style=\"color:" << PlayerColour(static_cast<size_t>(e.entry))
            << "\">&#9632;</span>&nbsp;" << MarkupEscape(e.name) << "</td><td>"
            << Fixed(e.rating.Conservative(), 1) << "</td><td>" << Fixed(e.rating.mu, 1)
            << " &plusmn; " << Fixed(e.rating.sigma, 1) << "</td><td>" << e.games << "</td><td>"
            << e.wins << "</td><td>" << Fixed(e.MeanPlace(), 2) << "</td><td>"
            << Fixed(e.MeanMoney(), 0) << "</td><td>" << e.bankruptcies << "</td><td>"
            << e.runtime_errors << "</td><td>" << e.refused << "</td></tr>\n";
    }
    out << "</table>\n<p>Rating: the conservative estimate mu &minus; 3 sigma of a Plackett-Luce "
           "rating of every "
           "game's ranking (winner first, then by money, players who went out earlier "
           "lower).</p>\n";
    return out.str();
}

std::string HeadToHead(const Standings& s) {
    std::ostringstream out;
    out << "<h2>Head to head</h2>\n<p>Row ahead of column: games in which the row's script "
           "finished ahead, of "
           "the games both played.</p>\n<table><tr><th class=l>ahead of</th>";
    for (size_t c = 0; c < s.board.size(); ++c) out << "<th>#" << c + 1 << "</th>";
    out << "</tr>\n";
    for (size_t r = 0; r < s.board.size(); ++r) {
        const size_t a = static_cast<size_t>(s.board[r].entry);
        out << "<tr><td class=l>#" << r + 1 << " " << MarkupEscape(s.board[r].name) << "</td>";
        for (size_t c = 0; c < s.board.size(); ++c) {
            const size_t b = static_cast<size_t>(s.board[c].entry);
            if (a == b || s.together[a][b] == 0) {
                out << "<td class=h2h>&ndash;</td>";
                continue;
            }
            // Green where the row is mostly ahead, red where mostly behind.
            double share = static_cast<double>(s.ahead[a][b]) / s.together[a][b];
            int hue = static_cast<int>(std::lround(share * 120));
            out << "<td class=h2h style=\"background:hsl(" << hue << ",70%,85%)\">" << s.ahead[a][b]
                << "/" << s.together[a][b] << "</td>";
        }
        out << "</tr>\n";
    }
    out << "</table>\n";
    return out.str();
}

std::string RatingChart(const Standings& s, const std::vector<std::string>& scripts) {
    LineChart chart;
    chart.plot_left = 60;  // room for the rating labels
    chart.plot_right = 640;
    chart.plot_top = 20;
    chart.plot_bottom = 320;
    chart.x_label = "round";
    chart.flat_span = kFlatRatingSpan;
    for (size_t e = 0; e < scripts.size(); ++e) {
        ChartSeries series;
        series.name = series.legend = scripts[e];
        for (size_t r = 0; r < s.history.size(); ++r) {
            series.x.push_back(static_cast<double>(r));
            series.y.push_back(s.history[r][e]);
        }
        chart.series.push_back(std::move(series));
    }
    const std::string width = std::to_string(std::max(kChartWidth, LegendRight(chart) + 10));
    const std::string height = std::to_string(std::max(kChartHeight, LegendBottom(chart) + 10));
    // The view box lets the page shrink the chart to a narrow window.
    return "<h2>Ratings over the rounds</h2>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + width +
           "\" height=\"" + height + "\" viewBox=\"0 0 " + width + " " + height +
           "\" role=\"img\" aria-label=\"ratings over the rounds\">\n" + DrawLineChart(chart) + "</svg>\n";
}

std::string Games(const TournamentRoster& roster,
                  const std::vector<std::optional<GameResult>>& results) {
    std::ostringstream out;
    out << "<h2>Games</h2>\n<table><tr><th>game</th><th>round</th><th>seed</th><th class=l>players "
           "in join order "
           "(place, money)</th><th class=l>replay</th></tr>\n";
    const std::vector<std::string> names = UniqueNames(roster.scripts);
    for (size_t i = 0; i < roster.games.size(); ++i) {
        const ScheduledGame& g = roster.games[i];
        const bool played = i < results.size() && results[i].has_value();
        std::string dir = TournamentGameDir(".", g.index).substr(2);
        out << "<tr" << (played ? "" : " class=missing") << "><td>" << g.index << "</td><td>"
            << g.round << "</td><td>" << g.seed << "</td><td class=l>";
        for (size_t seat = 0; seat < g.seats.size(); ++seat) {
            out << (seat ? ", " : "") << MarkupEscape(names[static_cast<size_t>(g.seats[seat])]);
            if (played && seat < results[i]->players.size())
                out << " (" << results[i]->players[seat].place << ", "
                    << results[i]->players[seat].money << ")";
        }
        out << "</td><td class=\"l links\">";
        if (played)
            out << "<a href=\"" << dir << "/replay.html\">replay</a> &middot; <a href=\"" << dir
                << "/money.svg\">money</a>";
        else
            out << "not played";
        out << "</td></tr>\n";
    }
    out << "</table>\n";
    return out.str();
}

}  // namespace

std::string RenderTournamentReport(const TournamentRoster& roster, const Standings& standings,
                                   const std::vector<std::optional<GameResult>>& results) {
    std::ostringstream body;
    body << "<p>" << roster.scripts.size() << " scripts, tables of " << roster.table << ", " << roster.rounds
         << (roster.rounds == 1 ? " round, " : " rounds, ") << roster.turns
         << (roster.turns == 1 ? " turn a game, seed " : " turns a game, seed ") << roster.seed << ": "
         << standings.games_played << " of " << standings.games_total
         << (standings.games_total == 1 ? " game played" : " games played");
    if (standings.games_played < standings.games_total)
        body << " (" << standings.games_total - standings.games_played << " missing)";
    body << ".</p>\n"
         << Leaderboard(standings) << HeadToHead(standings) << RatingChart(standings, UniqueNames(roster.scripts))
         << Games(roster, results);
    std::string page = InlineStyle(std::string(PageFile("report.html")), "report.css");
    page = FillPlaceholder(std::move(page), "{{seed}}", std::to_string(roster.seed));
    return FillPlaceholder(std::move(page), "{{body}}", body.str());
}

}  // namespace match
