// The colours that tell players apart, shared by the SVG money chart and the replay page so that
// a player has the same colour in both.
#pragma once

#include <cstddef>

namespace match {

inline constexpr const char* kPlayerColours[] = {"#1f77b4", "#d62728", "#2ca02c", "#ff7f0e", "#9467bd",
                                                 "#8c564b", "#e377c2", "#7f7f7f", "#bcbd22", "#17becf"};
inline constexpr std::size_t kPlayerColourCount = sizeof kPlayerColours / sizeof kPlayerColours[0];

// The colour of the player at `index` in join order; past the last colour the list starts again.
inline const char* PlayerColour(std::size_t index) { return kPlayerColours[index % kPlayerColourCount]; }

}  // namespace match
