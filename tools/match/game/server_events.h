// Recognises the server's standard-error lines that a match waits for.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace match {

// One line of the server's human log, as far as a match cares about it.
struct ServerEvent {
    enum class Kind { kOther, kListening, kCreated, kJoined, kStarted, kEnded, kOut };
    Kind kind = Kind::kOther;
    std::int64_t game = 0;
    std::string name;      // creator, joiner or the player out; for kListening the HOST:PORT
    std::uint64_t seed = 0;  // kListening only
    std::int64_t turn = 0;   // kOut only
};

// "listening on HOST:PORT, seed SEED", "game N created by NAME", "game N: NAME joined",
// "game N started: ...", "game N ended after T turns: ...", "game N: NAME out at turn T (WHY)",
// each after its time or without one; anything else is kOther.
ServerEvent ParseServerLine(const std::string& line);

}  // namespace match
