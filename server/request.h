// Parsing of the game's requests ("market", "info", "buy N P", ...) and of the numbers in
// client lines. Parsing only: whether a request is allowed is the game's business.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gs {

// Largest number accepted in a client line; with it, any product of two numbers and any sum
// of such products stays far below the 64-bit limit.
constexpr std::int64_t kMaxRequestNumber = 999'999'999;  // about a billion (units or money)

enum class RequestKind { kNone, kMarket, kInfo, kBuy, kSell, kProd, kUpgrade, kAbuild, kTurn };

// One parsed game request; `error` is the reply to send instead when it is malformed.
struct Request {
    RequestKind kind = RequestKind::kNone;  // kNone: the line is not a game request
    std::int64_t count = 0;                 // N of "buy", "sell", "prod"
    std::int64_t price = 0;                 // P of "buy", "sell"
    std::string error;                      // "! error: ..." when malformed
};

// Words of a line, split at spaces and tabs.
std::vector<std::string> SplitWords(const std::string& line);

// A decimal number (no sign) up to kMaxRequestNumber; false when `word` is not one.
bool ParseNumber(const std::string& word, std::int64_t& value);

// A line whose first word names a game request, parsed; any other line gives kind kNone.
Request ParseRequest(const std::string& line);

// A request's word and how many numbers follow it, as the parser reads them.
struct RequestShape {
    const char* word;
    int numbers;
};

// Every game request's word, in the parser's own table order.
std::vector<RequestShape> RequestShapes();

// The canonical text of a well-formed request, as written to the game log ("buy 2 600").
std::string RequestText(const Request& request);

}  // namespace gs
