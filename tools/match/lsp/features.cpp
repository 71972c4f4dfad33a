// Completion and hover: what the table of words and the script's own names offer at a place.
#include "match/lsp/features.h"

#include "match/check/token_walk.h"
#include "match/check/warnings.h"
#include "match/lsp/script_view.h"
#include "match/lsp/symbols.h"
#include "match/lsp/words.h"

namespace match::lsp {
namespace {

// The protocol's completion item kinds.
constexpr int kFunctionItem = 3;
constexpr int kFieldItem = 5;
constexpr int kVariableItem = 6;
constexpr int kKeywordItem = 14;
constexpr int kReferenceItem = 18;
constexpr int kConstantItem = 21;

const char kPlayersRecord[] = ".players";

// The first byte of the run of name characters that ends at `end`.
std::size_t NameStart(const std::string& bytes, std::size_t end) {
    while (end > 0 && IsNameCharacter(bytes[end - 1])) --end;
    return end;
}

// The bytes [from, to) that a completion item replaces: what was typed of the word, up to the
// cursor, or a whole string the cursor stands in.
struct Typed {
    std::size_t from = 0;
    std::size_t to = 0;
};

// The items of one completion, each replacing the same typed bytes.
class Items {
public:
    Items(const ScriptView& view, Typed c) : view_(view), range_(view.Range(c.from, c.to)) {}

    void Add(const std::string& label, int kind, const std::string& detail) {
        nlohmann::json item = {{"label", label}, {"kind", kind}, {"textEdit", {{"range", range_}, {"newText", label}}}};
        if (!detail.empty()) item["detail"] = detail;
        items_.push_back(std::move(item));
    }
    void AddWords(WordKind kind, int item_kind, const std::string& prefix = "") {
        for (const Word& w : Words())
            if (w.kind == kind && w.name.compare(0, prefix.size(), prefix) == 0) Add(w.name, item_kind, w.meaning);
    }
    void AddSymbols(bool labels) {
        for (const Symbol& s : Symbols(view_))
            if (s.label == labels && (!labels || s.definition != ScriptView::kNone))
                Add(s.name, labels ? kReferenceItem : kVariableItem, "");
    }
    nlohmann::json Done() { return std::move(items_); }

private:
    const ScriptView& view_;
    nlohmann::json range_;
    nlohmann::json items_ = nlohmann::json::array();
};

// Game data after a "." at `dot`: a record's fields after ".you." or ".market.", a player's
// fields after ".players[...].", else every name.
nlohmann::json DataItems(const ScriptView& view, std::size_t dot, std::size_t cursor) {
    const std::string& bytes = view.Bytes();
    const std::size_t record = NameStart(bytes, dot);
    if (record > 0 && record < dot && bytes[record - 1] == '.') {
        Items items(view, {record - 1, cursor});
        items.AddWords(WordKind::kData, kFieldItem, bytes.substr(record - 1, dot - record + 2));
        return items.Done();
    }
    Items items(view, {dot, cursor});
    if (dot > 0 && bytes[dot - 1] == ']') {
        items.AddWords(WordKind::kPlayerData, kFieldItem);
    } else {
        items.AddWords(WordKind::kData, kFieldItem);
    }
    return items.Done();
}

// The lexeme before the word that ends at the cursor, or null.
const Token* TokenBefore(const ScriptView& view, std::size_t from) {
    const Token* before = nullptr;
    for (const Token& t : view.Tokens()) {
        if (t.offset + t.text.size() > from) break;
        before = &t;
    }
    return before;
}

nlohmann::json WordHover(const Word& w, const ScriptView& view, const Token& t) {
    return {{"contents", {{"kind", "markdown"}, {"value", Describe(w)}}}, {"range", view.RangeOf(t)}};
}

// The game data read that lexeme `i` belongs to, as the table names it. Name parts pair up as
// the syntax analyser pairs them: a part, then the next part directly or after an index group.
const Word* DataWordAt(const std::vector<Token>& tokens, std::size_t i) {
    const TokenWalk walk(tokens);
    std::vector<bool> second_part(tokens.size(), false);
    for (std::size_t first = 0; first <= i; ++first) {
        if (tokens[first].kind != lx_robotdata || second_part[first]) continue;
        std::size_t second = first + 1;
        if (second < tokens.size() && tokens[second].text == "[") second = walk.SkipGroup(second);
        const bool pair = second < tokens.size() && tokens[second].kind == lx_robotdata;
        if (pair) second_part[second] = true;
        if (first != i && !(pair && second == i)) continue;
        if (!pair) return FindWord(WordKind::kData, tokens[first].text);
        if (tokens[first].text == kPlayersRecord) return FindWord(WordKind::kPlayerData, tokens[second].text);
        return FindWord(WordKind::kData, tokens[first].text + tokens[second].text);
    }
    return nullptr;
}

const Word* WordAt(const std::vector<Token>& tokens, std::size_t i) {
    const Token& t = tokens[i];
    switch (t.kind) {
        case lx_robotdata: return DataWordAt(tokens, i);
        case lx_func: return FindWord(WordKind::kCommand, t.text);
        case lx_str_const:
            return i > 0 && tokens[i - 1].text == kMacroFunction ? FindWord(WordKind::kMacro, t.text) : nullptr;
        case lx_spacer: return FindWord(WordKind::kOperator, t.text);
        case lx_assign: return FindWord(WordKind::kStatement, t.text);
        case lx_keyword: return FindWord(WordKind::kKeyword, t.text);
        case lx_label: return FindWord(WordKind::kStatement, "@");
        default: return nullptr;
    }
}

std::string VariableHover(const ScriptView& view, const Symbol& s) {
    if (s.definition == ScriptView::kNone) return "variable `" + s.name + "`, never assigned: it reads 0";
    return "variable `" + s.name + "`, first assigned on line " +
           std::to_string(view.PositionOf(view.Tokens()[s.definition].offset).line + 1);
}

// The string lexeme the cursor stands in, after its opening quote, or kNone.
std::size_t StringAt(const ScriptView& view, Position at, std::size_t cursor) {
    const std::size_t i = view.TokenAt(at);
    if (i == ScriptView::kNone) return i;
    const Token& t = view.Tokens()[i];
    const bool closed = t.text.size() > 1 && t.text.back() == '"';
    const bool inside = cursor > t.offset && (cursor < t.offset + t.text.size() || !closed);
    return !t.text.empty() && t.text[0] == '"' && inside ? i : ScriptView::kNone;
}

}  // namespace

nlohmann::json Completion(const std::string& text, Position at) {
    const ScriptView view(text);
    const std::string& bytes = view.Bytes();
    const std::size_t cursor = view.OffsetOf(at);
    const std::size_t string = StringAt(view, at, cursor);
    if (string != ScriptView::kNone) {
        // In a string only a macro's name is completed; it replaces the whole string.
        const Token& t = view.Tokens()[string];
        const bool closed = t.text.size() > 1 && t.text.back() == '"';
        Items items(view, {t.offset, closed ? t.offset + t.text.size() : cursor});
        if (string > 0 && view.Tokens()[string - 1].text == kMacroFunction)
            items.AddWords(WordKind::kMacro, kConstantItem);
        return items.Done();
    }
    const std::size_t start = NameStart(bytes, cursor);
    const char sign = start > 0 ? bytes[start - 1] : '\0';
    if (sign == '.') return DataItems(view, start - 1, cursor);
    if (sign == '?' || sign == '$' || sign == '@') {
        Items items(view, {start - 1, cursor});
        if (sign == '?') items.AddWords(WordKind::kCommand, kFunctionItem);
        if (sign == '$') items.AddSymbols(false);
        if (sign == '@') items.AddSymbols(true);
        return items.Done();
    }
    Items items(view, {start, cursor});
    const Token* before = TokenBefore(view, start);
    if (before && before->kind == lx_keyword && before->text == kGotoKeyword) {
        items.AddSymbols(true);
    } else if (before && before->text == kMacroFunction) {
        items.AddWords(WordKind::kMacro, kConstantItem);
    } else {
        items.AddWords(WordKind::kKeyword, kKeywordItem);
        items.AddWords(WordKind::kCommand, kFunctionItem);
        items.AddSymbols(false);
    }
    return items.Done();
}

nlohmann::json Hover(const std::string& text, Position at) {
    const ScriptView view(text);
    std::size_t i = view.TokenAt(at);
    if (i == ScriptView::kNone) return nullptr;
    const std::vector<Token>& tokens = view.Tokens();
    // At the border of a name and a separator, the name is meant.
    if (tokens[i].kind == lx_spacer && i > 0 && tokens[i - 1].kind != lx_spacer &&
        tokens[i - 1].offset + tokens[i - 1].text.size() == view.OffsetOf(at))
        --i;
    if (tokens[i].kind == lx_var) {
        const std::vector<Symbol> symbols = Symbols(view);
        const Symbol* s = SymbolAt(view, symbols, at);
        if (!s) return nullptr;
        return {{"contents", {{"kind", "markdown"}, {"value", VariableHover(view, *s)}}},
                {"range", view.RangeOf(tokens[i])}};
    }
    const Word* w = WordAt(tokens, i);
    return w ? WordHover(*w, view, tokens[i]) : nlohmann::json(nullptr);
}

}  // namespace match::lsp
