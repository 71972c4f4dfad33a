// HTML for the tournament report; the ratings chart is inline SVG.
#include "match/web/report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "match/json_writer.h"
#include "match/names.h"

namespace match {
namespace {

constexpr int kChartWidth = 900;  // pixels
constexpr int kPlotLeft = 60;     // room for the rating labels
constexpr int kPlotRight = 640;   // the legend sits right of the plot
constexpr int kPlotTop = 20;
constexpr int kPlotBottom = 320;
constexpr int kChartHeight = 360;
constexpr int kLegendRowHeight = 18;
constexpr int kYTicks = 6;

const char* const kPalette[] = {"#1f77b4", "#d62728", "#2ca02c", "#ff7f0e", "#9467bd", "#8c564b",
                                "#e377c2", "#7f7f7f", "#bcbd22", "#17becf", "#393b79", "#637939"};

const char kStyle[] =
    "body{font-family:system-ui,sans-serif;margin:24px;color:#222;max-width:1200px}"
    "table{border-collapse:collapse;margin:8px 0 24px}"
    "th,td{border:1px solid #ccc;padding:4px 8px;text-align:right}"
    "th{background:#f2f2f2}td.l,th.l{text-align:left}"
    "td.h2h{min-width:3em}td.links{white-space:nowrap}.missing{color:#999}svg text{font-size:12px}";

std::string Fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

const char* Colour(size_t entry) {
    return kPalette[entry % (sizeof kPalette / sizeof kPalette[0])];
}

std::string Leaderboard(const Standings& s) {
    std::ostringstream out;
    out << "<h2>Leaderboard</h2>\n<table><tr><th>rank</th><th "
           "class=l>script</th><th>rating</th><th>mu &plusmn; sigma</th>"
           "<th>games</th><th>wins</th><th>mean rank</th><th>mean "
           "money</th><th>bankrupt</th><th>errors</th>"
           "<th>refused</th></tr>\n";
    for (size_t i = 0; i < s.board.size(); ++i) {
        const EntryStanding& e = s.board[i];
        out << "<tr><td>" << i + 1
            << "</td><td class=l><span style=\"color:" << Colour(static_cast<size_t>(e.entry))
            << "\">&#9632;</span> " << MarkupEscape(e.script) << "</td><td>"
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
        out << "<tr><td class=l>#" << r + 1 << " " << MarkupEscape(s.board[r].script) << "</td>";
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
    double low = 0, high = 1;
    for (const std::vector<double>& round : s.history)
        for (double v : round) low = std::min(low, v), high = std::max(high, v);
    const double step = std::max(1.0, std::ceil((high - low) / kYTicks));
    low = std::floor(low / step) * step;
    high = std::ceil(high / step) * step;
    const size_t rounds = s.history.size() - 1;
    auto x = [&](size_t r) {
        return kPlotLeft +
               (kPlotRight - kPlotLeft) * (rounds ? static_cast<double>(r) / rounds : 0.0);
    };
    auto y = [&](double v) {
        return kPlotBottom - (kPlotBottom - kPlotTop) * (v - low) / (high - low);
    };
    std::ostringstream out;
    const int height =
        std::max(kChartHeight, kPlotTop + kLegendRowHeight * static_cast<int>(scripts.size() + 1));
    out << "<h2>Ratings over the rounds</h2>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\""
        << kChartWidth << "\" height=\"" << height
        << "\" role=\"img\" aria-label=\"ratings over the rounds\">\n";
    for (double v = low; v <= high + step / 2; v += step)
        out << "<line x1=\"" << kPlotLeft << "\" x2=\"" << kPlotRight << "\" y1=\""
            << Fixed(y(v), 1) << "\" y2=\"" << Fixed(y(v), 1) << "\" stroke=\"#e4e4e4\"/><text x=\""
            << kPlotLeft - 6 << "\" y=\"" << Fixed(y(v) + 4, 1) << "\" text-anchor=\"end\">"
            << Fixed(v, 0) << "</text>\n";
    const size_t label_every = std::max<size_t>(1, rounds / 10);
    for (size_t r = 0; r <= rounds; r += label_every)
        out << "<text x=\"" << Fixed(x(r), 1) << "\" y=\"" << kPlotBottom + 16
            << "\" text-anchor=\"middle\">" << r << "</text>\n";
    out << "<text x=\"" << (kPlotLeft + kPlotRight) / 2 << "\" y=\"" << kPlotBottom + 34
        << "\" text-anchor=\"middle\">round</text>\n";
    for (size_t e = 0; e < scripts.size(); ++e) {
        out << "<polyline fill=\"none\" stroke-width=\"2\" stroke=\"" << Colour(e)
            << "\" points=\"";
        for (size_t r = 0; r <= rounds; ++r)
            out << (r ? " " : "") << Fixed(x(r), 1) << "," << Fixed(y(s.history[r][e]), 1);
        out << "\"><title>" << MarkupEscape(scripts[e]) << "</title></polyline>\n";
        const int ly = kPlotTop + kLegendRowHeight * static_cast<int>(e);
        out << "<rect x=\"" << kPlotRight + 16 << "\" y=\"" << ly
            << "\" width=\"12\" height=\"12\" fill=\"" << Colour(e) << "\"/><text x=\""
            << kPlotRight + 34 << "\" y=\"" << ly + 10 << "\">" << MarkupEscape(scripts[e])
            << "</text>\n";
    }
    out << "</svg>\n";
    return out.str();
}

std::string Games(const TournamentRoster& roster,
                  const std::vector<std::optional<GameResult>>& results) {
    std::ostringstream out;
    out << "<h2>Games</h2>\n<table><tr><th>game</th><th>round</th><th>seed</th><th class=l>players "
           "in join order "
           "(place, money)</th><th class=l>replay</th></tr>\n";
    const std::vector<std::string> labels = DistinctLabels(roster.scripts);
    for (size_t i = 0; i < roster.games.size(); ++i) {
        const ScheduledGame& g = roster.games[i];
        const bool played = i < results.size() && results[i].has_value();
        std::string dir = TournamentGameDir(".", g.index).substr(2);
        out << "<tr" << (played ? "" : " class=missing") << "><td>" << g.index << "</td><td>"
            << g.round << "</td><td>" << g.seed << "</td><td class=l>";
        for (size_t seat = 0; seat < g.seats.size(); ++seat) {
            out << (seat ? ", " : "") << MarkupEscape(labels[static_cast<size_t>(g.seats[seat])]);
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
    std::ostringstream out;
    out << "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
           "<title>Tournament, seed "
        << roster.seed << "</title><style>" << kStyle
        << "</style></head><body>\n<h1>Tournament</h1>\n<p>" << roster.scripts.size()
        << " scripts, tables of " << roster.table << ", " << roster.rounds
        << (roster.rounds == 1 ? " round, " : " rounds, ") << roster.turns
        << (roster.turns == 1 ? " turn a game, seed " : " turns a game, seed ") << roster.seed << ": " << standings.games_played << " of "
        << standings.games_total << " games played";
    if (standings.games_played < standings.games_total)
        out << " (" << standings.games_total - standings.games_played << " missing)";
    out << ".</p>\n"
        << Leaderboard(standings) << HeadToHead(standings)
        << RatingChart(standings, DistinctLabels(roster.scripts))
        << Games(roster, results) << "</body></html>\n";
    return out.str();
}

}  // namespace match
