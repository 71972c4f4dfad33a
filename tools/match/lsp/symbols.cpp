// Labels and variables: found by the robot's lexemes, and the features built on them: go to
// definition, references, document symbols and rename.
#include "match/lsp/symbols.h"

#include <map>

#include "match/check/token_walk.h"
#include "match/check/warnings.h"

namespace match::lsp {
namespace {

// The protocol's symbol kinds for the two kinds of name.
constexpr int kLabelSymbolKind = 20;     // Key
constexpr int kVariableSymbolKind = 13;  // Variable

bool IsName(const Token& t) { return t.kind == lx_label || t.kind == lx_var; }

bool IsGoto(const Token& t) { return t.kind == lx_keyword && t.text == kGotoKeyword; }

nlohmann::json LocationOf(const std::string& uri, const ScriptView& view, std::size_t token) {
    return {{"uri", uri}, {"range", view.RangeOf(view.Tokens()[token])}};
}

// `typed` as a whole name of the symbol's kind: its sign added when left out; empty when it is
// no valid name.
std::string NewName(const Symbol& symbol, const std::string& typed) {
    const char sign = symbol.label ? '@' : '$';
    const std::string bare = !typed.empty() && typed[0] == sign ? typed.substr(1) : typed;
    if (bare.empty()) return std::string();
    for (char c : bare)
        if (!IsNameCharacter(c)) return std::string();
    return sign + bare;
}

}  // namespace

std::vector<Symbol> Symbols(const ScriptView& view) {
    const std::vector<Token>& tokens = view.Tokens();
    const std::vector<bool> starts = TokenWalk(tokens).StatementStarts();
    std::vector<Symbol> symbols;
    std::map<std::string, std::size_t> index;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        if (!IsName(t) || !t.ok) continue;
        auto found = index.emplace(t.text, symbols.size());
        if (found.second) symbols.push_back(Symbol{t.kind == lx_label, t.text, {}, ScriptView::kNone});
        Symbol& s = symbols[found.first->second];
        s.uses.push_back(i);
        // A label standing as a statement marks its place; a variable that starts a statement is
        // the target of an assignment.
        const bool defines = s.label ? (i == 0 || !IsGoto(tokens[i - 1])) : starts[i];
        if (defines && s.definition == ScriptView::kNone) s.definition = i;
    }
    return symbols;
}

const Symbol* SymbolAt(const ScriptView& view, const std::vector<Symbol>& symbols, Position at) {
    std::size_t i = view.TokenAt(at);
    if (i == ScriptView::kNone) return nullptr;
    const std::vector<Token>& tokens = view.Tokens();
    // At the border of two lexemes the name on the left is meant: "$a|+".
    if (!IsName(tokens[i]) && i > 0 && tokens[i - 1].offset + tokens[i - 1].text.size() == view.OffsetOf(at))
        --i;
    // "goto" stands for the label it jumps to.
    if (IsGoto(tokens[i]) && i + 1 < tokens.size()) ++i;
    if (!IsName(tokens[i])) return nullptr;
    for (const Symbol& s : symbols)
        if (s.name == tokens[i].text) return &s;
    return nullptr;
}

nlohmann::json Definition(const std::string& uri, const std::string& text, Position at) {
    const ScriptView view(text);
    const std::vector<Symbol> symbols = Symbols(view);
    const Symbol* s = SymbolAt(view, symbols, at);
    if (!s || s->definition == ScriptView::kNone) return nullptr;
    return LocationOf(uri, view, s->definition);
}

nlohmann::json References(const std::string& uri, const std::string& text, Position at,
                          bool include_declaration) {
    const ScriptView view(text);
    const std::vector<Symbol> symbols = Symbols(view);
    nlohmann::json locations = nlohmann::json::array();
    const Symbol* s = SymbolAt(view, symbols, at);
    if (!s) return locations;
    for (std::size_t use : s->uses)
        if (include_declaration || use != s->definition) locations.push_back(LocationOf(uri, view, use));
    return locations;
}

nlohmann::json DocumentSymbols(const std::string& text) {
    const ScriptView view(text);
    nlohmann::json out = nlohmann::json::array();
    for (const Symbol& s : Symbols(view)) {
        // A label only jumped to is no place in the file.
        if (s.label && s.definition == ScriptView::kNone) continue;
        const std::size_t at = s.definition != ScriptView::kNone ? s.definition : s.uses.front();
        const nlohmann::json range = view.RangeOf(view.Tokens()[at]);
        out.push_back({{"name", s.name},
                       {"kind", s.label ? kLabelSymbolKind : kVariableSymbolKind},
                       {"range", range},
                       {"selectionRange", range}});
    }
    return out;
}

nlohmann::json Rename(const std::string& uri, const std::string& text, Position at,
                      const std::string& new_name, std::string& error) {
    const ScriptView view(text);
    const std::vector<Symbol> symbols = Symbols(view);
    const Symbol* s = SymbolAt(view, symbols, at);
    if (!s) return nullptr;
    const std::string name = NewName(*s, new_name);
    if (name.empty()) {
        error = "'" + Printable(new_name) + "' is no " + (s->label ? "label" : "variable") + " name: '" +
                (s->label ? "@" : "$") + "' and letters, digits or '_'";
        return nullptr;
    }
    for (const Symbol& other : symbols) {
        if (other.name == name && &other != s) {
            error = "'" + name + "' is already used in this script: renaming would join the two";
            return nullptr;
        }
    }
    nlohmann::json edits = nlohmann::json::array();
    for (std::size_t use : s->uses)
        edits.push_back({{"range", view.RangeOf(view.Tokens()[use])}, {"newText", name}});
    return {{"changes", {{uri, edits}}}};
}

}  // namespace match::lsp
