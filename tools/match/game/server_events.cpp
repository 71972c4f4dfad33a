// Parses the server's standard-error lines; unknown or malformed lines are simply "other".
#include "match/game/server_events.h"

#include <cstdlib>

#include "protocol/server_log.h"

namespace match {
namespace {

bool StartsWith(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

// Reads a decimal number at `pos`, moving `pos` past it.
std::optional<std::uint64_t> ReadNumber(const std::string& s, size_t& pos) {
    size_t start = pos;
    std::uint64_t n = 0;
    bool overflow = false;
    for (; pos < s.size() && s[pos] >= '0' && s[pos] <= '9'; ++pos) {
        std::uint64_t digit = static_cast<std::uint64_t>(s[pos] - '0');
        if (n > (UINT64_MAX - digit) / 10) overflow = true;
        n = n * 10 + digit;
    }
    if (pos == start || overflow) return std::nullopt;
    return n;
}

const std::string kOutAt = " out at turn ";

ServerEvent ParseListening(const std::string& line) {
    ServerEvent e;
    const std::string head = "listening on ";
    size_t comma = line.find(", seed ", head.size());
    if (comma == std::string::npos) return e;
    size_t pos = comma + 7;
    std::optional<std::uint64_t> seed = ReadNumber(line, pos);
    e.kind = ServerEvent::Kind::kListening;
    e.name = line.substr(head.size(), comma - head.size());
    e.seed = seed.value_or(0);
    return e;
}

ServerEvent ParseGameLine(const std::string& line) {
    ServerEvent e;
    size_t pos = 5;  // after "game "
    std::optional<std::uint64_t> game = ReadNumber(line, pos);
    if (!game || *game > INT64_MAX) return e;
    std::string rest = line.substr(pos);
    const std::string created = " created by ";
    const std::string joined = " joined";
    if (StartsWith(rest, created) && rest.size() > created.size()) {
        e.kind = ServerEvent::Kind::kCreated;
        e.name = rest.substr(created.size());
    } else if (StartsWith(rest, ": ") && rest.size() > 2 + joined.size() &&
               rest.compare(rest.size() - joined.size(), joined.size(), joined) == 0 &&
               rest.find(' ', 2) == rest.size() - joined.size()) {
        e.kind = ServerEvent::Kind::kJoined;
        e.name = rest.substr(2, rest.size() - 2 - joined.size());
    } else if (StartsWith(rest, ": ") && rest.find(kOutAt) != std::string::npos) {
        size_t name_end = rest.find(kOutAt);
        size_t at = name_end + kOutAt.size();
        std::optional<std::uint64_t> turn = ReadNumber(rest, at);
        if (turn && name_end > 2 && rest.find(' ', 2) == name_end) {
            e.kind = ServerEvent::Kind::kOut;
            e.name = rest.substr(2, name_end - 2);
            e.turn = static_cast<std::int64_t>(*turn);
        }
    } else if (StartsWith(rest, " started")) {
        e.kind = ServerEvent::Kind::kStarted;
    } else if (StartsWith(rest, " ended")) {
        e.kind = ServerEvent::Kind::kEnded;
    }
    if (e.kind != ServerEvent::Kind::kOther) e.game = static_cast<std::int64_t>(*game);
    return e;
}

}  // namespace

ServerEvent ParseServerLine(const std::string& timed_line) {
    const std::string line(protocol::server_log::WithoutTime(timed_line));
    if (StartsWith(line, "listening on ")) return ParseListening(line);
    if (StartsWith(line, "game ")) return ParseGameLine(line);
    return ServerEvent{};
}

}  // namespace match
