// What the fuzz targets share: a quiet console, an error reporter that answers and stops
// without touching the process, the script source handed to the lexer from memory, and the
// game a script target's program plays in.
#ifndef FUZZ_FUZZ_SUPPORT_H
#define FUZZ_FUZZ_SUPPORT_H

#include <cstddef>
#include <cstdint>
#include <memory>

class CData;
class CLexic;

namespace fuzz {

// Thrown by the reporter's stop action: unwinds out of library code back to the target.
struct Stopped {
    int number;
};

// Reports answered "yes" within one input before the next one stops; enough to walk through
// the recovery paths, few enough that an endless run of reports ends soon.
constexpr int kYesAnswersPerInput = 16;

// Sends the console to /dev/null (reports and commentary are not what is fuzzed, and
// printing them costs most of the time) and installs the reporter's answer source and stop.
void Setup();
// Starts a new input: the count of "yes" answers begins again.
void BeginInput();

// A lexer over the bytes as if they were a script file.
std::unique_ptr<CLexic> LexerFromBytes(const std::uint8_t* data, std::size_t size);

// Longer scripts are skipped.
constexpr std::size_t kMaxScriptBytes = 64 * 1024;  // bytes
// How long a compiled script plays: turns, and program elements per turn (a goto loop ends).
constexpr int kTurnsPerScript = 3;
constexpr std::uint64_t kStepsPerTurn = 4000;

// A game in its third turn: the robot and three others, a market with some of everything.
void FillGameImage(CData& data);
// What changes in the image between turn and the next.
void AdvanceTurn(CData& data, int turn);

}  // namespace fuzz

#endif
