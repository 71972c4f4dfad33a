// Player names and chat text: what a name may be, and keeping robot markers out of
// everything a client can make the server write to another client.
#pragma once

#include <cstddef>
#include <string>

#include "protocol/robot_protocol.h"

namespace gs {

constexpr std::size_t kMaxNameBytes = protocol::kMaxNameBytes;  // bytes in a player name

// Why `name` cannot be a player name, or "" when it can (uniqueness is the lobby's business).
std::string NameError(const std::string& name);

// True when `text` contains any of the texts robots look for in the server's output.
bool ContainsRobotMarker(const std::string& text);

// Chat text as it may be relayed: every byte that is not printable ASCII becomes '?', so no
// control character, escape sequence or stray CR reaches another client's terminal or parser.
std::string PrintableChat(const std::string& text);

}  // namespace gs
