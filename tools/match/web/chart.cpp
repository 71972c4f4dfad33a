// SVG money chart: plain text output, no fonts or scripts fetched from anywhere.
#include "match/web/chart.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

#include "match/json_writer.h"
#include "match/web/palette.h"

namespace match {
namespace {

constexpr int kWidth = 800;         // pixels
constexpr int kPlotLeft = 80;       // room for money labels
constexpr int kPlotRight = 620;     // the legend sits right of the plot
constexpr int kPlotTop = 40;
constexpr int kPlotBottom = 360;
constexpr int kHeight = 410;
constexpr int kLegendRowHeight = 18;  // pixels per legend entry

// A tick step of 1, 2 or 5 times a power of ten giving about `count` ticks over `span`.
double NiceStep(double span, int count) {
    double raw = span / count;
    double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (raw <= m * power) return m * power;
    return 10 * power;
}

// The value ranges of the plot, widened to whole tick steps.
struct Scale {
    double x_min = 1, x_max = 1, y_min = 0, y_max = 1, y_step = 1, x_step = 1;

    double X(double turn) const { return kPlotLeft + (turn - x_min) / (x_max - x_min) * (kPlotRight - kPlotLeft); }
    double Y(double money) const { return kPlotBottom - (money - y_min) / (y_max - y_min) * (kPlotBottom - kPlotTop); }
};

Scale MakeScale(const GameRecord& record) {
    Scale s;
    bool any = false;
    double lo = 0, hi = 0, first = 0, last = 0;
    for (const MoneySeries& series : record.money) {
        for (size_t i = 0; i < series.money.size(); ++i) {
            double m = static_cast<double>(series.money[i]);
            double t = static_cast<double>(series.turns[i]);
            if (!any) lo = hi = m, first = last = t;
            any = true;
            lo = std::min(lo, m), hi = std::max(hi, m);
            first = std::min(first, t), last = std::max(last, t);
        }
    }
    lo = std::min(lo, 0.0);  // money is drawn from zero up, so bankruptcy shows below the axis line
    if (hi <= lo) hi = lo + 1000;
    s.y_step = NiceStep(hi - lo, 6);
    s.y_min = std::floor(lo / s.y_step) * s.y_step;
    s.y_max = std::ceil(hi / s.y_step) * s.y_step;
    s.x_min = any ? first : 1;
    s.x_max = any && last > first ? last : s.x_min + 1;
    s.x_step = std::max(1.0, NiceStep(s.x_max - s.x_min, 10));
    return s;
}

std::string Number(double v) {
    std::ostringstream out;
    out.setf(std::ios::fixed);
    out.precision(1);
    out << v;
    return out.str();
}

void DrawAxes(std::ostringstream& svg, const Scale& s) {
    svg << "<g stroke=\"#ccc\" stroke-width=\"1\">\n";
    for (double y = s.y_min; y <= s.y_max + s.y_step / 2; y += s.y_step)
        svg << "<line x1=\"" << kPlotLeft << "\" y1=\"" << Number(s.Y(y)) << "\" x2=\"" << kPlotRight << "\" y2=\""
            << Number(s.Y(y)) << "\"/>\n";
    svg << "</g>\n<g font-family=\"sans-serif\" font-size=\"11\" fill=\"#333\">\n";
    for (double y = s.y_min; y <= s.y_max + s.y_step / 2; y += s.y_step)
        svg << "<text x=\"" << kPlotLeft - 6 << "\" y=\"" << Number(s.Y(y) + 4) << "\" text-anchor=\"end\">"
            << static_cast<long long>(std::llround(y)) << "</text>\n";
    // Turn labels at whole multiples of the step, plus the first turn.
    for (double x = s.x_min; x <= s.x_max + s.x_step / 2;
         x = x == s.x_min ? std::max(s.x_min + 1, std::ceil((s.x_min + 1) / s.x_step) * s.x_step) : x + s.x_step)
        svg << "<text x=\"" << Number(s.X(x)) << "\" y=\"" << kPlotBottom + 16 << "\" text-anchor=\"middle\">"
            << static_cast<long long>(std::llround(x)) << "</text>\n";
    svg << "<text x=\"" << (kPlotLeft + kPlotRight) / 2 << "\" y=\"" << kPlotBottom + 36
        << "\" text-anchor=\"middle\">turns completed (.turn_number)</text>\n"
        << "<text x=\"16\" y=\"" << (kPlotTop + kPlotBottom) / 2 << "\" text-anchor=\"middle\" transform=\"rotate(-90 16 "
        << (kPlotTop + kPlotBottom) / 2 << ")\">money</text>\n</g>\n";
    svg << "<g stroke=\"#333\" stroke-width=\"1\"><line x1=\"" << kPlotLeft << "\" y1=\"" << kPlotTop << "\" x2=\""
        << kPlotLeft << "\" y2=\"" << kPlotBottom << "\"/><line x1=\"" << kPlotLeft << "\" y1=\"" << kPlotBottom
        << "\" x2=\"" << kPlotRight << "\" y2=\"" << kPlotBottom << "\"/></g>\n";
}

// Losers at the turn limit are marked out in that last turn too; only a player whose line stops
// before the game's end is labelled as out.
bool WentOutEarly(const MoneySeries& series, const GameRecord& record) {
    if (!series.out) return false;
    if (!record.ended || series.turns.empty()) return true;
    return series.turns.back() < record.last_turn;
}

// "careful 12345 (winner)": the player, its final money and how it ended.
std::string LegendText(const MoneySeries& series, const GameRecord& record) {
    std::string text = series.name;
    std::optional<std::int64_t> money;
    for (const FinalState& f : record.final_states)
        if (f.name == series.name) money = f.money;
    if (!money && !series.money.empty()) money = series.money.back();
    if (money) text += " " + std::to_string(*money);
    if (record.winner && *record.winner == series.name) text += " (winner)";
    else if (WentOutEarly(series, record)) text += " (out)";
    return text;
}

void DrawSeries(std::ostringstream& svg, const Scale& s, const GameRecord& record) {
    for (size_t p = 0; p < record.money.size(); ++p) {
        const MoneySeries& series = record.money[p];
        const char* colour = PlayerColour(p);
        svg << "<polyline fill=\"none\" stroke=\"" << colour << "\" stroke-width=\"2\" points=\"";
        for (size_t i = 0; i < series.money.size(); ++i)
            svg << (i ? " " : "") << Number(s.X(static_cast<double>(series.turns[i]))) << ","
                << Number(s.Y(static_cast<double>(series.money[i])));
        svg << "\"><title>" << MarkupEscape(series.name) << "</title></polyline>\n";
        int y = kPlotTop + 10 + static_cast<int>(p) * kLegendRowHeight;
        svg << "<line x1=\"" << kPlotRight + 20 << "\" y1=\"" << y << "\" x2=\"" << kPlotRight + 44 << "\" y2=\"" << y
            << "\" stroke=\"" << colour << "\" stroke-width=\"3\"/>"
            << "<text x=\"" << kPlotRight + 50 << "\" y=\"" << y + 4
            << "\" font-family=\"sans-serif\" font-size=\"12\" fill=\"#333\""
            << (record.winner && *record.winner == series.name ? " font-weight=\"bold\"" : "") << ">"
            << MarkupEscape(LegendText(series, record)) << "</text>\n";
    }
}

}  // namespace

std::string RenderMoneyChart(const GameRecord& record, const std::string& title) {
    Scale scale = MakeScale(record);
    int legend_bottom = kPlotTop + 10 + static_cast<int>(record.money.size()) * kLegendRowHeight;
    int height = std::max(kHeight, legend_bottom + 10);
    std::ostringstream svg;
    svg << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << kWidth << "\" height=\"" << height
        << "\" viewBox=\"0 0 " << kWidth << " " << height << "\">\n"
        << "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n"
        << "<text x=\"" << kWidth / 2 << "\" y=\"22\" text-anchor=\"middle\" font-family=\"sans-serif\" "
        << "font-size=\"15\" fill=\"#111\">" << MarkupEscape(title) << "</text>\n";
    DrawAxes(svg, scale);
    DrawSeries(svg, scale, record);
    svg << "</svg>\n";
    return svg.str();
}

std::string WriteMoneyChart(const GameRecord& record, const std::string& title, const std::string& path) {
    std::ofstream out(path, std::ios::trunc);
    if (!out) return "cannot write " + path;
    out << RenderMoneyChart(record, title);
    out.close();
    return out ? std::string() : "cannot write " + path;
}

}  // namespace match
