// What a robot printed in each turn of its game, cut from its console log for the replay: the
// log is split where the robot says it ended its turn, and each turn keeps its last lines only,
// so that a robot printing in a loop cannot swell the page.
#pragma once

#include <cstddef>
#include <istream>
#include <string>
#include <vector>

namespace match {

inline constexpr std::size_t kTurnOutputLines = 40;       // lines kept of one turn's output
inline constexpr std::size_t kTurnOutputLineBytes = 240;  // longer lines are cut at this length

// One stretch of output: its last non-blank lines, and how many earlier ones were dropped.
struct TurnOutput {
    std::vector<std::string> lines;
    std::size_t cut = 0;
    bool ended_turn = false;  // it closes with the robot's own end of turn
};

// The robot's output from the start of its game on, one entry per turn it ended, in order; the
// output after its last end of turn (an error, the end of the game) comes last, when there is
// any. Reads no further once `max_parts` entries are complete.
std::vector<TurnOutput> SplitIntoTurns(std::istream& console, std::size_t max_parts);

// `more` added after the lines of `into`, within the same limit of lines.
void Append(TurnOutput& into, const TurnOutput& more);

}  // namespace match
