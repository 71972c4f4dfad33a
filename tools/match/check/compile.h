// Runs the robot's own lexer and syntax analyser on a script, in a child process: the robot's
// error reporter may ask on the console and end the process, and neither may touch match.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "match/check/source.h"

namespace match {

// One report of the syntax analyser: its message and the lexeme it cites.
struct SyntaxReport {
    static constexpr std::size_t kNoToken = static_cast<std::size_t>(-1);
    std::size_t token = kNoToken;  // index into Compilation::tokens; kNoToken for an empty script
    std::string message;           // the analyser's own text
};

// What the robot's analysers made of a script. Token offsets and lines are not set yet.
struct Compilation {
    std::string failure;  // set when the analysers did not run to their end
    bool lexed = false;   // the lexer accepted every lexeme
    bool parsed = false;  // the syntax analyser passed (it runs only after the lexer passed)
    std::vector<Token> tokens;
    std::vector<SyntaxReport> reports;
};

// Compiles the script whose bytes are `bytes` as the robot would compile them from a file.
// Standard input is never read.
Compilation CompileScript(const std::string& bytes);

// Reads what the compiling child wrote (see check_compile.cpp).
Compilation ReadCompilation(const std::string& output);

}  // namespace match
