// Warnings of the script checker: things the robot accepts, or reports obscurely, that are
// almost always mistakes.
#pragma once

#include <vector>

#include "match/check/source.h"

namespace match {

// The one robot function that stands in expressions: "?macro" and a quoted name.
inline constexpr char kMacroFunction[] = "?macro";
// The statement that ends the robot's turn, and the jump.
inline constexpr char kTurnStatement[] = "?turn";
inline constexpr char kGotoKeyword[] = "goto";

// What the warnings of scripts whose runs may miss "?turn" say; a quick fix adds it at the end.
inline constexpr char kNoTurnAnywhere[] = "no '?turn' anywhere";
inline constexpr char kEndWithoutTurn[] = "the run reaches the end of the script without '?turn'";
// How a hint about an operator of other languages begins; the operator and "'" follow.
inline constexpr char kNoSuchOperator[] = "there is no '";

// Lines that end with LF alone or CR alone.
std::vector<Diagnostic> LineEndWarnings(const ScriptText& text);

// A UTF-8 byte order mark at the start of the file.
std::vector<Diagnostic> ByteOrderMarkWarning(const ScriptText& text);

// Invisible or non-ASCII bytes the lexer refused, one per line, not counting a byte order mark.
std::vector<Diagnostic> ByteWarnings(const ScriptText& text, const std::vector<Token>& tokens);

// Warnings read from a lexeme list the lexer accepted: statements with no effect, no "?turn"
// anywhere, "?print" texts whose "%d" places and values differ.
std::vector<Diagnostic> StatementWarnings(const std::vector<Token>& tokens);

// Comparisons mixed with arithmetic or "&"/"|" without parentheses, and two comparisons in a row.
// Each warning quotes the author's expression and shows how the robot groups it.
std::vector<Diagnostic> OperatorWarnings(const ScriptText& text, const std::vector<Token>& tokens);

// Adds to the first error on the line of each "<=", ">=", "!=", "==", "&&" or "||" what the
// language has instead; a warning of its own when that line has no error.
void AddOperatorHints(const std::vector<Token>& tokens, std::vector<Diagnostic>& diagnostics);

}  // namespace match
