// Text helpers shared by the lobby and the games: numbers as the server's lines write them, and
// lines of the human event log.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

namespace gs {

// A number as it stands in the server's lines: plain decimal.
std::string Num(std::int64_t value);

// Writes one line of the human event log (standard error), or nothing when the server is quiet
// (events is nullptr); flushed at once so that a watcher sees it as it happens.
void LogEvent(std::ostream* events, const std::string& line);

}  // namespace gs
