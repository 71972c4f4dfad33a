// Checks of where a run goes: jumps to labels, and whether every run reaches "?turn".
#pragma once

#include <vector>

#include "match/check/source.h"

namespace match {

// Errors for "goto @name" when no "@name" is defined: the run would stop there.
std::vector<Diagnostic> LabelErrors(const std::vector<Token>& tokens);

// Warnings for a script the syntax analyser passed: lexemes the robot never reads (a script
// without braces is its first statement only), and runs that end without "?turn".
std::vector<Diagnostic> TurnPathWarnings(const ScriptText& text, const std::vector<Token>& tokens);

}  // namespace match
