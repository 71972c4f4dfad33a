// The words that begin the server's lines, kept in one list for the name check.
#include "server/reserved_names.h"

#include <algorithm>
#include <cctype>

#include "protocol/robot_protocol.h"

namespace gs {
namespace {

// First words of the server's replies and notices ("ok: ...", "game 3 is running", "botstart
// NAME"), and the words after the "!" of its refusals ("! error: ...", "! wait: ...").
// Lower case: names are compared without regard to case.
const char* const kServerLineWords[] = {"ok", "game", protocol::kMarkerBotstart, "error", "wait"};

std::string Lower(const std::string& text) {
    std::string lower = text;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

bool IsNumber(const std::string& text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c)) != 0;
    });
}

}  // namespace

bool IsReservedName(const std::string& name) {
    const std::string lower = Lower(name);
    for (const char* word : kServerLineWords) {
        if (lower == word) return true;
    }
    return IsNumber(name);
}

}  // namespace gs
