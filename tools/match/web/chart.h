// Draws each player's money per turn as a self-contained SVG file.
#pragma once

#include <string>

#include "match/game/log.h"

namespace match {

inline constexpr int kFlatMoneySpan = 1000;  // the money drawn when nobody's money ever changes

// The SVG document: axes with ticks and labels, a title, one polyline per player and a legend.
std::string RenderMoneyChart(const GameRecord& record, const std::string& title);

// Writes the chart to `path`; returns an error message, empty on success.
std::string WriteMoneyChart(const GameRecord& record, const std::string& title, const std::string& path);

}  // namespace match
