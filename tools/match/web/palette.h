// The one palette of match's pages and charts: the colours that tell players (or a tournament's
// scripts) apart, and the colours of a chart's grid and axes. The SVG money chart, the tournament
// report and the replay page all take them from here, so that a player has the same colour
// everywhere and every chart looks alike.
#pragma once

#include <cstddef>

namespace match {

inline constexpr const char* kPlayerColours[] = {"#1f77b4", "#d62728", "#2ca02c", "#ff7f0e",
                                                 "#9467bd", "#8c564b", "#e377c2", "#7f7f7f",
                                                 "#bcbd22", "#17becf", "#393b79", "#637939"};
inline constexpr std::size_t kPlayerColourCount = sizeof kPlayerColours / sizeof kPlayerColours[0];

// The colour of the player at `index` in join order; past the last colour the list starts again.
inline const char* PlayerColour(std::size_t index) { return kPlayerColours[index % kPlayerColourCount]; }

inline constexpr const char kChartGridColour[] = "#ccc";  // a line per value tick
inline constexpr const char kChartInkColour[] = "#333";   // axis lines and labels

}  // namespace match
