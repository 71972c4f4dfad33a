// A script as the language features read it: its bytes and editor lines, the robot's lexemes
// placed in them, and the conversion between byte offsets and the protocol's positions
// (lines from 0, characters in UTF-16 code units).
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "match/check/source.h"
#include "match/lsp/features.h"

namespace match::lsp {

// The characters that may follow the "$", "@", "?" or "." of a name: ASCII letters, digits, "_".
inline bool IsNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

class ScriptView {
public:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    // Lexes `text` in memory with the robot's lexer; nothing is compiled.
    explicit ScriptView(const std::string& text);

    const std::string& Bytes() const { return text_.Bytes(); }
    const std::vector<Token>& Tokens() const { return tokens_; }
    // The lexer accepted every lexeme.
    bool Lexed() const { return lexed_; }
    // The end of line the file uses most: CR LF, else LF.
    std::string LineEnd() const;

    // Offsets and positions; a position past its line's end stands at that end.
    std::size_t OffsetOf(Position at) const;
    Position PositionOf(std::size_t offset) const;
    // {"start", "end"} of the bytes [first, end).
    nlohmann::json Range(std::size_t first, std::size_t end) const;
    nlohmann::json RangeOf(const Token& t) const { return Range(t.offset, t.offset + t.text.size()); }

    // The index of the lexeme that holds `at` or ends right at it; kNone when none does.
    std::size_t TokenAt(Position at) const;
    // The lexemes that start on line `line` (from 0), as the indices [first, end).
    std::pair<std::size_t, std::size_t> TokensOnLine(int line) const;
    // The first byte of line `line` (from 0) and the byte after its text, line end excluded.
    std::size_t LineStart(int line) const;
    std::size_t LineTextEnd(int line) const;
    int LineCount() const { return static_cast<int>(line_starts_.size()); }

private:
    ScriptText text_;
    std::vector<Token> tokens_;
    bool lexed_ = false;
    std::vector<std::size_t> line_starts_;
};

}  // namespace match::lsp
