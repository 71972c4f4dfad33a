// The script view: the robot's lexer run in memory, and protocol positions over the bytes.
#include "match/lsp/script_view.h"

#include <algorithm>

#include "lang/lex.h"

namespace match::lsp {
namespace {

// The lexeme a lexer never completed keeps line 0.
constexpr int kNeverCompletedLine = 0;

bool IsContinuationByte(unsigned char c) { return (c & 0xC0) == 0x80; }

// UTF-16 code units of the character that starts with byte `c`: 2 beyond the basic plane.
int Utf16Units(unsigned char c) { return c >= 0xF0 ? 2 : 1; }

}  // namespace

ScriptView::ScriptView(const std::string& text) : text_(text), line_starts_{0} {
    CLexic lexic(text.data(), text.size(), CLexic::FromMemory{});
    lexed_ = lexic.MakeAnalysis();
    for (const Lexeme* l = lexic.GetBegin(); l; l = l->Next()) {
        if (l->id == lx_begin) continue;
        Token t;
        t.kind = l->id;
        t.ok = l->sign == lxCorrect::ok;
        t.complete = l->line != kNeverCompletedLine;
        t.text = l->s;
        tokens_.push_back(std::move(t));
    }
    text_.Place(tokens_);
    const std::string& bytes = text_.Bytes();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        if (bytes[i] == '\r' || bytes[i] == '\n') line_starts_.push_back(i + 1);
    }
}

std::string ScriptView::LineEnd() const {
    const LineEnds& ends = text_.Ends();
    if (ends.cr_lf >= ends.lf_only && ends.cr_lf >= ends.cr_only && ends.cr_lf > 0) return "\r\n";
    if (ends.cr_only > ends.lf_only) return "\r";
    return "\n";
}

std::size_t ScriptView::LineStart(int line) const {
    if (line < 0) return 0;
    if (line >= LineCount()) return Bytes().size();
    return line_starts_[static_cast<std::size_t>(line)];
}

std::size_t ScriptView::LineTextEnd(int line) const {
    std::size_t end = line < LineCount() - 1 ? LineStart(line + 1) : Bytes().size();
    const std::size_t start = LineStart(line);
    while (end > start && (Bytes()[end - 1] == '\n' || Bytes()[end - 1] == '\r')) --end;
    return end;
}

std::pair<std::size_t, std::size_t> ScriptView::TokensOnLine(int line) const {
    const auto starting_at_or_after = [&](std::size_t offset) {
        return static_cast<std::size_t>(
            std::lower_bound(tokens_.begin(), tokens_.end(), offset,
                             [](const Token& t, std::size_t o) { return t.offset < o; }) -
            tokens_.begin());
    };
    const std::size_t end = line < LineCount() - 1 ? LineStart(line + 1) : Bytes().size() + 1;
    return {starting_at_or_after(LineStart(line)), starting_at_or_after(end)};
}

std::size_t ScriptView::OffsetOf(Position at) const {
    if (at.line >= LineCount()) return Bytes().size();
    std::size_t i = LineStart(at.line);
    const std::size_t end = LineTextEnd(at.line);
    int units = 0;
    while (i < end && units < at.character) {
        units += Utf16Units(static_cast<unsigned char>(Bytes()[i]));
        ++i;
        while (i < end && IsContinuationByte(static_cast<unsigned char>(Bytes()[i]))) ++i;
    }
    return i;
}

Position ScriptView::PositionOf(std::size_t offset) const {
    offset = std::min(offset, Bytes().size());
    const auto after = std::upper_bound(line_starts_.begin(), line_starts_.end(), offset);
    Position p;
    p.line = static_cast<int>(after - line_starts_.begin()) - 1;
    for (std::size_t i = line_starts_[static_cast<std::size_t>(p.line)]; i < offset; ++i) {
        const unsigned char c = static_cast<unsigned char>(Bytes()[i]);
        if (!IsContinuationByte(c)) p.character += Utf16Units(c);
    }
    return p;
}

nlohmann::json ScriptView::Range(std::size_t first, std::size_t end) const {
    const Position a = PositionOf(first);
    const Position b = PositionOf(end);
    return {{"start", {{"line", a.line}, {"character", a.character}}},
            {"end", {{"line", b.line}, {"character", b.character}}}};
}

std::size_t ScriptView::TokenAt(Position at) const {
    const std::size_t offset = OffsetOf(at);
    // The last lexeme that starts at or before the offset.
    auto after = std::upper_bound(tokens_.begin(), tokens_.end(), offset,
                                  [](std::size_t o, const Token& t) { return o < t.offset; });
    if (after == tokens_.begin()) return kNone;
    const std::size_t i = static_cast<std::size_t>(after - tokens_.begin()) - 1;
    const Token& t = tokens_[i];
    return offset <= t.offset + t.text.size() ? i : kNone;
}

}  // namespace match::lsp
