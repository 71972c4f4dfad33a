// Line charts as SVG: one polyline per series over a value grid, with axes, tick labels and a
// legend. The money chart of a game and the rating chart of the tournament report are both drawn
// by it, in the colours of palette.h.
#pragma once

#include <string>
#include <vector>

namespace match {

inline constexpr int kChartValueTicks = 6;  // about this many grid lines up the value axis
inline constexpr int kChartStepTicks = 10;  // about this many labels along the x axis
inline constexpr int kLegendRowHeight = 18;  // pixels per legend entry

struct ChartSeries {
    std::string name;                // the polyline's tooltip
    std::vector<double> x, y;        // one point per pair, in drawing order
    std::string legend;              // the text beside its colour in the legend
    bool highlighted = false;        // the legend text in bold (the winner)
};

struct LineChart {
    int plot_left = 0, plot_right = 0, plot_top = 0, plot_bottom = 0;  // pixels; the legend is right of the plot
    std::string x_label, y_label;      // axis titles; an empty one is left out
    double flat_span = 1;              // the value range drawn when every value is the same
    std::vector<ChartSeries> series;   // coloured by index with PlayerColour
};

// A tick step of 1, 2 or 5 times a power of ten giving about `count` ticks over `span`.
double NiceStep(double span, int count);

// The grid, axes, labels, lines and legend: the inside of an <svg> element.
std::string DrawLineChart(const LineChart& chart);

// The pixel row below the legend's last entry.
int LegendBottom(const LineChart& chart);

// The pixel column right of the legend's widest entry: the chart is written without measuring
// fonts, so this is an upper estimate of the common sans-serif fonts' widths. A chart as wide as
// this shows every legend entry whole.
int LegendRight(const LineChart& chart);

}  // namespace match
