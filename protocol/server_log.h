// The game server's human log lines as the server writes them and match and the tests read
// them: each begins with its UTC time in RFC 3339 form and a space, "2026-12-09T20:01:02.345Z ".
#pragma once

#include <cstddef>
#include <string_view>

namespace protocol::server_log {

// Bytes of the time and its space at the start of line ("YYYY-MM-DDTHH:MM:SS[.fff]Z "), or 0
// when the line does not begin with one.
inline std::size_t TimePrefixLength(std::string_view line) {
    constexpr std::string_view kShape = "dddd-dd-ddTdd:dd:dd";
    if (line.size() <= kShape.size()) return 0;
    for (std::size_t i = 0; i < kShape.size(); ++i) {
        const bool digit = line[i] >= '0' && line[i] <= '9';
        if (kShape[i] == 'd' ? !digit : line[i] != kShape[i]) return 0;
    }
    std::size_t at = kShape.size();
    if (line[at] == '.') {
        do ++at;
        while (at < line.size() && line[at] >= '0' && line[at] <= '9');
    }
    if (line.substr(at, 2) != "Z ") return 0;
    return at + 2;
}

// The line after its time, or the whole line when it has none.
inline std::string_view WithoutTime(std::string_view line) {
    return line.substr(TimePrefixLength(line));
}

}  // namespace protocol::server_log
