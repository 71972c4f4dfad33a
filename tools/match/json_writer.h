// Writes JSON text: quoted strings and numbers for the files match leaves for other programs.
#pragma once

#include <string>

namespace match {

// `text` as a JSON string literal, quotes included; control characters are escaped.
std::string JsonQuote(const std::string& text);

// A finite number with up to `decimals` digits after the point; not-a-number and infinities become
// null.
std::string JsonNumber(double value, int decimals);

}  // namespace match
