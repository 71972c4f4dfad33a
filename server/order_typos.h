// Recognises a game line that was meant as an order but mistyped ("BUY 1 650", "sel 2 4000",
// "tunr"), so that it is answered with an error instead of being relayed as chat.
#pragma once

#include <cstddef>
#include <string>

namespace gs {

// Shortest first word checked for a one-edit slip; shorter words ("by", "hi", "ok") are chat.
constexpr std::size_t kMinTypoWordBytes = 3;  // bytes

// For a line taken for a mistyped order, the error to answer it with
// ("! error: unknown order 'BUY' (did you mean 'buy'?)"); "" for any other line.
// A line is taken for one when the words after its first are whole numbers and its first word
// - differs from a request word only in case ("BUY 1 650", "Turn"), or
// - has at least kMinTypoWordBytes bytes, is one edit from a request word (a letter changed,
//   added or dropped, or two neighbours swapped), and is followed by exactly as many numbers
//   as that request takes ("sel 2 4000", "tunr").
// So "well" (near "sell", which takes two numbers) or "Market is up" stay chat.
std::string MistypedOrderError(const std::string& line);

}  // namespace gs
