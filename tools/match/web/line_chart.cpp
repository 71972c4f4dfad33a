// SVG line charts: plain text output, no fonts or scripts fetched from anywhere.
#include "match/web/line_chart.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <sstream>

#include "match/json/writer.h"
#include "match/web/palette.h"

namespace match {
namespace {

// The value ranges of the plot, widened to whole tick steps, and the pixels they map to.
struct Scale {
    double x_min = 1, x_max = 1, y_min = 0, y_max = 1, y_step = 1, x_step = 1;
    int left = 0, right = 0, top = 0, bottom = 0;

    double X(double x) const { return left + (x - x_min) / (x_max - x_min) * (right - left); }
    double Y(double y) const { return bottom - (y - y_min) / (y_max - y_min) * (bottom - top); }
};

Scale MakeScale(const LineChart& chart) {
    Scale s{1, 1, 0, 1, 1, 1, chart.plot_left, chart.plot_right, chart.plot_top, chart.plot_bottom};
    bool any = false;
    double lo = 0, hi = 0, first = 0, last = 0;
    for (const ChartSeries& series : chart.series) {
        for (size_t i = 0; i < series.y.size(); ++i) {
            if (!any) lo = hi = series.y[i], first = last = series.x[i];
            any = true;
            lo = std::min(lo, series.y[i]), hi = std::max(hi, series.y[i]);
            first = std::min(first, series.x[i]), last = std::max(last, series.x[i]);
        }
    }
    lo = std::min(lo, 0.0);  // values are drawn from zero up, so a loss shows below the axis line
    if (hi <= lo) hi = lo + chart.flat_span;
    s.y_step = NiceStep(hi - lo, kChartValueTicks);
    s.y_min = std::floor(lo / s.y_step) * s.y_step;
    s.y_max = std::ceil(hi / s.y_step) * s.y_step;
    s.x_min = any ? first : 1;
    s.x_max = any && last > first ? last : s.x_min + 1;
    s.x_step = std::max(1.0, NiceStep(s.x_max - s.x_min, kChartStepTicks));
    return s;
}

std::string Number(double v) {
    std::ostringstream out;
    out.setf(std::ios::fixed);
    out.precision(1);
    out << v;
    return out.str();
}

void DrawAxes(std::ostringstream& svg, const Scale& s, const LineChart& chart) {
    svg << "<g stroke=\"" << kChartGridColour << "\" stroke-width=\"1\">\n";
    for (double y = s.y_min; y <= s.y_max + s.y_step / 2; y += s.y_step)
        svg << "<line x1=\"" << s.left << "\" y1=\"" << Number(s.Y(y)) << "\" x2=\"" << s.right << "\" y2=\""
            << Number(s.Y(y)) << "\"/>\n";
    svg << "</g>\n<g font-family=\"sans-serif\" font-size=\"11\" fill=\"" << kChartInkColour << "\">\n";
    for (double y = s.y_min; y <= s.y_max + s.y_step / 2; y += s.y_step)
        svg << "<text x=\"" << s.left - 6 << "\" y=\"" << Number(s.Y(y) + 4) << "\" text-anchor=\"end\">"
            << static_cast<long long>(std::llround(y)) << "</text>\n";
    // Labels at whole multiples of the step, plus the first x.
    for (double x = s.x_min; x <= s.x_max + s.x_step / 2;
         x = x == s.x_min ? std::max(s.x_min + 1, std::ceil((s.x_min + 1) / s.x_step) * s.x_step) : x + s.x_step)
        svg << "<text x=\"" << Number(s.X(x)) << "\" y=\"" << s.bottom + 16 << "\" text-anchor=\"middle\">"
            << static_cast<long long>(std::llround(x)) << "</text>\n";
    if (!chart.x_label.empty())
        svg << "<text x=\"" << (s.left + s.right) / 2 << "\" y=\"" << s.bottom + 36 << "\" text-anchor=\"middle\">"
            << MarkupEscape(chart.x_label) << "</text>\n";
    if (!chart.y_label.empty())
        svg << "<text x=\"16\" y=\"" << (s.top + s.bottom) / 2 << "\" text-anchor=\"middle\" transform=\"rotate(-90 16 "
            << (s.top + s.bottom) / 2 << ")\">" << MarkupEscape(chart.y_label) << "</text>\n";
    svg << "</g>\n<g stroke=\"" << kChartInkColour << "\" stroke-width=\"1\"><line x1=\"" << s.left << "\" y1=\""
        << s.top << "\" x2=\"" << s.left << "\" y2=\"" << s.bottom << "\"/><line x1=\"" << s.left << "\" y1=\""
        << s.bottom << "\" x2=\"" << s.right << "\" y2=\"" << s.bottom << "\"/></g>\n";
}

constexpr int kLegendFontSize = 12;  // pixels
constexpr int kLegendTextOffset = 50;  // from the plot's right edge: a gap and the colour's line

// The width of one character of the legend in ems, at most what the usual sans-serif fonts give it
// in bold: a wide letter, another capital, a narrow mark, any other ASCII character, and anything
// else (accented letters, and characters of full width).
double CharacterEms(unsigned char c) {
    if (std::strchr("MWmw@%", c)) return 1.05;
    if (c >= 'A' && c <= 'Z') return 0.85;
    if (std::strchr(" .,:;'|!()[]iljtfr-", c)) return 0.45;
    return c < 0x80 ? 0.7 : 1.05;
}

int LegendTextWidth(const std::string& text) {
    double ems = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80) ems += CharacterEms(c);  // one per character, not per UTF-8 byte
    return static_cast<int>(std::ceil(ems * kLegendFontSize));
}

int LegendRow(const LineChart& chart, size_t index) {
    return chart.plot_top + 10 + static_cast<int>(index) * kLegendRowHeight;
}

void DrawSeries(std::ostringstream& svg, const Scale& s, const LineChart& chart) {
    for (size_t p = 0; p < chart.series.size(); ++p) {
        const ChartSeries& series = chart.series[p];
        const char* colour = PlayerColour(p);
        svg << "<polyline fill=\"none\" stroke=\"" << colour << "\" stroke-width=\"2\" points=\"";
        for (size_t i = 0; i < series.y.size(); ++i)
            svg << (i ? " " : "") << Number(s.X(series.x[i])) << "," << Number(s.Y(series.y[i]));
        svg << "\"><title>" << MarkupEscape(series.name) << "</title></polyline>\n";
        const int y = LegendRow(chart, p);
        svg << "<line x1=\"" << s.right + 20 << "\" y1=\"" << y << "\" x2=\"" << s.right + 44 << "\" y2=\"" << y
            << "\" stroke=\"" << colour << "\" stroke-width=\"3\"/>"
            << "<text x=\"" << s.right + kLegendTextOffset << "\" y=\"" << y + 4
            << "\" font-family=\"sans-serif\" font-size=\"" << kLegendFontSize << "\" fill=\"" << kChartInkColour << "\""
            << (series.highlighted ? " font-weight=\"bold\"" : "") << ">" << MarkupEscape(series.legend)
            << "</text>\n";
    }
}

}  // namespace

double NiceStep(double span, int count) {
    double raw = span / count;
    double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (raw <= m * power) return m * power;
    return 10 * power;
}

std::string DrawLineChart(const LineChart& chart) {
    std::ostringstream svg;
    const Scale scale = MakeScale(chart);
    DrawAxes(svg, scale, chart);
    DrawSeries(svg, scale, chart);
    return svg.str();
}

int LegendBottom(const LineChart& chart) { return LegendRow(chart, chart.series.size()); }

int LegendRight(const LineChart& chart) {
    int widest = 0;
    for (const ChartSeries& series : chart.series) widest = std::max(widest, LegendTextWidth(series.legend));
    return chart.plot_right + kLegendTextOffset + widest;
}

}  // namespace match
