// SVG money chart: a game's money per turn as a line chart in a file of its own.
#include "match/web/chart.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "match/json/writer.h"
#include "match/web/line_chart.h"

namespace match {
namespace {

constexpr int kWidth = 800;  // pixels, or more where the legend needs it
constexpr int kHeight = 410;

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

LineChart MoneyChart(const GameRecord& record) {
    LineChart chart;
    chart.plot_left = 80;  // room for money labels
    chart.plot_right = 620;
    chart.plot_top = 40;
    chart.plot_bottom = 360;
    chart.x_label = "turns completed (.turn_number)";
    chart.y_label = "money";
    chart.flat_span = kFlatMoneySpan;
    for (const MoneySeries& money : record.money) {
        ChartSeries series;
        series.name = money.name;
        series.x.assign(money.turns.begin(), money.turns.end());
        series.y.assign(money.money.begin(), money.money.end());
        series.legend = LegendText(money, record);
        series.highlighted = record.winner && *record.winner == money.name;
        chart.series.push_back(std::move(series));
    }
    return chart;
}

}  // namespace

std::string RenderMoneyChart(const GameRecord& record, const std::string& title) {
    const LineChart chart = MoneyChart(record);
    const int width = std::max(kWidth, LegendRight(chart) + 10);
    const int height = std::max(kHeight, LegendBottom(chart) + 10);
    std::ostringstream svg;
    svg << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << width << "\" height=\"" << height
        << "\" viewBox=\"0 0 " << width << " " << height << "\">\n"
        << "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n"
        << "<text x=\"" << width / 2 << "\" y=\"22\" text-anchor=\"middle\" font-family=\"sans-serif\" "
        << "font-size=\"15\" fill=\"#111\">" << MarkupEscape(title) << "</text>\n"
        << DrawLineChart(chart) << "</svg>\n";
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
