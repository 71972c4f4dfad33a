// Names a player may not take because a chat line under them would read like one of the
// server's own replies ("ok: you joined game #1" said by a player named "ok").
#pragma once

#include <string>

namespace gs {

// True when `name` is a word that begins a server line, or the word after its "!" ("error",
// "wait"), compared without regard to case, or a number (".who" ends with "N games ...").
bool IsReservedName(const std::string& name);

}  // namespace gs
