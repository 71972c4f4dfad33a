// Splits a robot's console log into turns at the line the robot prints when it ends a turn.
#include "match/web/turn_output.h"

#include <string_view>

namespace match {
namespace {

// What the robot prints as it starts to play, and as it sends the end of its turn.
constexpr std::string_view kGameStarted = "~Info: The game is started.";
constexpr std::string_view kTurnEnded = "\t~Robot: Turn!";

bool StartsWith(const std::string& line, std::string_view prefix) {
    return line.compare(0, prefix.size(), prefix) == 0;
}

bool IsBlank(const std::string& line) { return line.find_first_not_of(" \t\r") == std::string::npos; }

// `line` without its line end, cut to the byte limit on a character boundary.
std::string Shortened(std::string line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() <= kTurnOutputLineBytes) return line;
    std::size_t end = kTurnOutputLineBytes;
    while (end > 0 && (static_cast<unsigned char>(line[end]) & 0xC0) == 0x80) --end;
    return line.substr(0, end) + " \u2026";
}

void Keep(TurnOutput& part, std::string line) {
    if (part.lines.size() == kTurnOutputLines) {
        part.lines.erase(part.lines.begin());
        ++part.cut;
    }
    part.lines.push_back(std::move(line));
}

}  // namespace

std::vector<TurnOutput> SplitIntoTurns(std::istream& console, std::size_t max_parts) {
    std::vector<TurnOutput> parts;
    TurnOutput part;
    bool playing = false;
    std::string line;
    while (parts.size() < max_parts && std::getline(console, line)) {
        if (!playing) {
            playing = StartsWith(line, kGameStarted);
            continue;
        }
        if (IsBlank(line)) continue;
        const bool ends = StartsWith(line, kTurnEnded);
        Keep(part, Shortened(std::move(line)));
        if (!ends) continue;
        part.ended_turn = true;
        parts.push_back(std::move(part));
        part = TurnOutput();
    }
    if (parts.size() < max_parts && !part.lines.empty()) parts.push_back(std::move(part));
    return parts;
}

void Append(TurnOutput& into, const TurnOutput& more) {
    into.cut += more.cut;
    for (const std::string& line : more.lines) Keep(into, line);
    into.ended_turn = more.ended_turn;
}

}  // namespace match
