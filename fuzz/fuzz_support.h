// What the fuzz targets share: a quiet console, an error reporter that answers and stops
// without touching the process, and the script source handed to the lexer from memory.
#ifndef FUZZ_FUZZ_SUPPORT_H
#define FUZZ_FUZZ_SUPPORT_H

#include <cstddef>
#include <cstdint>
#include <memory>

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

}  // namespace fuzz

#endif
