// Formatting in the house style of the examples: each line indented two spaces a level, a level
// being a block, the statement of an "if" or "else" on a line of its own, or the rest of a
// statement that goes on over lines. Only the white space at the start of lines changes, never
// inside a string, so the script compiles to the same program and keeps its line ends.
#include <algorithm>
#include <vector>

#include "match/check/token_walk.h"
#include "match/lsp/features.h"
#include "match/lsp/script_view.h"

namespace match::lsp {
namespace {

constexpr int kIndentWidth = 2;  // spaces a level

bool Is(const Token& t, const char* text) { return t.text == text; }

// Works out the level of each line from the lexemes that begin lines.
class Indenter {
public:
    explicit Indenter(const ScriptView& view)
        : view_(view), tokens_(view.Tokens()), starts_(TokenWalk(tokens_).StatementStarts()),
          condition_end_(tokens_.size() + 1, false), levels_(static_cast<std::size_t>(view.LineCount()), -1) {
        const TokenWalk walk(tokens_);
        for (std::size_t i = 0; i + 1 < tokens_.size(); ++i)
            if (tokens_[i].kind == lx_keyword && Is(tokens_[i], "if") && Is(tokens_[i + 1], "("))
                condition_end_[walk.SkipGroup(i + 1)] = true;
    }

    // The level of each line (from 0) that a lexeme begins; -1 for the others.
    std::vector<int> Levels() {
        for (std::size_t i = 0; i < tokens_.size(); ++i) {
            const int line = LineOf(i);
            const bool first = i == 0 || LineOf(i - 1) != line;
            if (first) levels_[static_cast<std::size_t>(line)] = LevelOf(i);
            Note(i, levels_[static_cast<std::size_t>(line)]);
        }
        return levels_;
    }

private:
    int LineOf(std::size_t i) const { return view_.PositionOf(tokens_[i].offset).line; }
    int LevelOfLineOf(std::size_t i) const { return levels_[static_cast<std::size_t>(LineOf(i))]; }
    int BlockLevel() const { return blocks_.empty() ? 0 : blocks_.back() + 1; }
    // The lexeme before `i` opens the statement of an "if" or an "else".
    bool AfterIfOrElse(std::size_t i) const {
        return i > 0 && (condition_end_[i] || (tokens_[i - 1].kind == lx_keyword && Is(tokens_[i - 1], "else")));
    }

    int LevelOf(std::size_t i) const {
        const Token& t = tokens_[i];
        if (Is(t, "}")) return blocks_.empty() ? 0 : blocks_.back();
        if (AfterIfOrElse(i)) return LevelOfLineOf(i - 1) + (Is(t, "{") ? 0 : 1);
        if (t.kind == lx_keyword && Is(t, "else")) return MatchingIf().second;
        if (starts_[i]) return BlockLevel();
        return statement_level_ + 1;
    }

    // The nearest "if" of this block without its "else" yet: its index and level.
    std::pair<std::size_t, int> MatchingIf() const {
        for (auto it = ifs_.rbegin(); it != ifs_.rend(); ++it)
            if (it->depth == blocks_.size()) return {it->index, it->level};
        return {tokens_.size(), BlockLevel()};
    }

    void Note(std::size_t i, int line_level) {
        const Token& t = tokens_[i];
        if (starts_[i] || AfterIfOrElse(i)) statement_level_ = line_level;
        if (Is(t, "{")) blocks_.push_back(line_level);
        if (Is(t, "}") && !blocks_.empty()) {
            while (!ifs_.empty() && ifs_.back().depth == blocks_.size()) ifs_.pop_back();
            blocks_.pop_back();
        }
        if (t.kind == lx_keyword && Is(t, "if")) ifs_.push_back({i, blocks_.size(), line_level});
        if (t.kind == lx_keyword && Is(t, "else")) {
            const std::size_t matched = MatchingIf().first;
            ifs_.erase(std::remove_if(ifs_.begin(), ifs_.end(), [&](const OpenIf& o) { return o.index == matched; }),
                       ifs_.end());
        }
    }

    struct OpenIf {
        std::size_t index;
        std::size_t depth;  // blocks open around it
        int level;          // of its line
    };

    const ScriptView& view_;
    const std::vector<Token>& tokens_;
    const std::vector<bool> starts_;
    std::vector<bool> condition_end_;  // by index: the lexeme after an "if" condition's ")"
    std::vector<int> levels_;
    std::vector<int> blocks_;  // the level of the line of each open "{"
    std::vector<OpenIf> ifs_;
    int statement_level_ = 0;
};

// The lines (from 0) that begin inside a lexeme (a string over several lines) or after a lexeme
// the file ended inside: their white space is not the script's to change.
std::vector<bool> LinesInsideLexemes(const ScriptView& view) {
    std::vector<bool> inside(static_cast<std::size_t>(view.LineCount()), false);
    for (const Token& t : view.Tokens()) {
        const int first = view.PositionOf(t.offset).line + 1;
        const int last = t.complete ? view.PositionOf(t.offset + t.text.size()).line : view.LineCount() - 1;
        for (int line = first; line <= last; ++line) inside[static_cast<std::size_t>(line)] = true;
    }
    return inside;
}

}  // namespace

nlohmann::json Format(const std::string& text) {
    const ScriptView view(text);
    const std::vector<int> levels = Indenter(view).Levels();
    const std::vector<bool> inside = LinesInsideLexemes(view);
    nlohmann::json edits = nlohmann::json::array();
    const std::string& bytes = view.Bytes();
    for (int line = 0; line < view.LineCount(); ++line) {
        const int level = levels[static_cast<std::size_t>(line)];
        if (level < 0 || inside[static_cast<std::size_t>(line)]) continue;
        const std::size_t start = view.LineStart(line);
        std::size_t first = start;
        while (first < bytes.size() && (bytes[first] == ' ' || bytes[first] == '\t')) ++first;
        const std::string indent(static_cast<std::size_t>(level * kIndentWidth), ' ');
        if (bytes.compare(start, first - start, indent) == 0) continue;
        edits.push_back({{"range", view.Range(start, first)}, {"newText", indent}});
    }
    return edits;
}

}  // namespace match::lsp
