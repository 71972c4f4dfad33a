// Writes JSON and markup text: quoted strings and numbers for the files match leaves for other
// programs, and text made safe inside the HTML and SVG pages it writes.
#pragma once

#include <string>

namespace match {

// `text` as a JSON string literal, quotes included; control characters are escaped.
std::string JsonQuote(const std::string& text);

// JsonQuote's string that may also stand inside an HTML <script> element: '<', '>' and '&' are
// written as \u escapes, so no text can end the element or open a comment.
std::string JsonQuoteForScript(const std::string& text);

// `text` with &, <, > and " as entities, for HTML and SVG text and attribute values.
std::string MarkupEscape(const std::string& text);

// A finite number with up to `decimals` digits after the point; not-a-number and infinities become
// null.
std::string JsonNumber(double value, int decimals);

}  // namespace match
