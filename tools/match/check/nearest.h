// The nearest of a list of known names to a misspelt one, for "did you mean" hints.
#pragma once

#include <string>
#include <vector>

namespace match {

// The known name closest to `name` by edit distance (a swap of two neighbours counting as one
// edit), or an empty text when none is close enough to be what was meant.
std::string NearestName(const std::string& name, const std::vector<std::string>& known);

// How a diagnostic offers the nearest name, at its end: "; did you mean NAME?". The language
// server reads the name back from there for its quick fix.
inline constexpr char kDidYouMean[] = "; did you mean ";

}  // namespace match
