// The script as the checker sees it: its bytes with the lines an editor shows, the robot's
// lexemes placed in those bytes, and the diagnostics found in it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "lang/lex.h"

namespace match {

enum class Severity { kError, kWarning };

// One problem of a script, on the line an editor shows it.
struct Diagnostic {
    int line;  // from 1
    Severity severity;
    std::string text;
};

// One lexeme as the robot's lexer delivered it, and where it stands in the file.
struct Token {
    lxType kind = lx_err;
    bool ok = false;          // the lexer's own verdict on the lexeme
    bool complete = true;     // false: the file ended before the lexer finished the lexeme
    std::string text;         // as the lexer stored it (cut at a NUL byte, like the robot's copy)
    std::size_t offset = 0;   // first byte in the file
    int line = 1;             // editor line of that byte
};

// How the lines of a file end, by kind, with the first line of each odd kind.
struct LineEnds {
    int cr_lf = 0;
    int lf_only = 0;
    int cr_only = 0;
    int first_lf_only_line = 0;  // 0: none
    int first_cr_only_line = 0;
};

// The bytes of a script and the editor lines they fall on: CR LF, a lone LF and a lone CR
// each end a line, as editors that detect line ends show them.
class ScriptText {
public:
    explicit ScriptText(std::string bytes);

    const std::string& Bytes() const { return bytes_; }
    const LineEnds& Ends() const { return ends_; }
    // The editor line (from 1) of the byte at `offset`.
    int LineOf(std::size_t offset) const;
    // Gives each token, in file order, its offset and line. Lexemes are separated only by
    // white space, so each one starts at the first non-white byte after the one before.
    void Place(std::vector<Token>& tokens) const;
    // The text from the start of `first` to the end of `last`, as written but on one line:
    // each run of white space is one space.
    std::string Written(const Token& first, const Token& last) const;

private:
    std::string bytes_;
    std::vector<std::size_t> line_starts_;
    LineEnds ends_;
};

// A lexeme text fit for a one-line diagnostic: printable ASCII as it is, other bytes escaped
// (\r, \n, \t, \xHH), texts longer than `max_bytes` cut with "...".
std::string Printable(const std::string& text, std::size_t max_bytes = 40);

// Why the bytes are no script but some other kind of file (a NUL byte, or many bytes that are
// neither text nor UTF-8); empty for text.
std::string NotTextReason(const std::string& bytes);

}  // namespace match
