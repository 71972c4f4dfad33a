// Quick fixes for the checker's diagnostics that have exactly one fix: a name it suggests
// ("did you mean .you.money?"), an operator of other languages rewritten as the robot's
// language writes it, and a "?turn" added at the end of a script whose run can miss it. The fix
// is read from the diagnostic's text and the lexemes of its line.
#include <string>
#include <vector>

#include "match/check/game_names.h"
#include "match/check/nearest.h"
#include "match/check/warnings.h"
#include "match/lsp/features.h"
#include "match/lsp/script_view.h"

namespace match::lsp {
namespace {

const char kAnyIndex[] = "[i]";
// Diagnostics of runs that reach the end of the script without "?turn".
const char* const kMissingTurn[] = {kEndWithoutTurn, kNoTurnAnywhere};

struct Edit {
    std::size_t first = 0;
    std::size_t end = 0;  // [first, end) is replaced
    std::string text;
};

bool Contains(const std::string& s, const char* part) { return s.find(part) != std::string::npos; }

// The text between the first pair of single quotes.
std::string FirstQuoted(const std::string& message) {
    const std::size_t open = message.find('\'');
    const std::size_t close = open == std::string::npos ? open : message.find('\'', open + 1);
    return close == std::string::npos ? std::string() : message.substr(open + 1, close - open - 1);
}

// The name after the last "; did you mean ", without its closing "?" and quotes.
std::string Suggested(const std::string& message) {
    const std::size_t at = message.rfind(kDidYouMean);
    if (at == std::string::npos || message.back() != '?') return std::string();
    std::string name = message.substr(at + sizeof kDidYouMean - 1);
    name.pop_back();
    if (name.size() >= 2 && name.front() == '\'' && name.back() == '\'') name = name.substr(1, name.size() - 2);
    return name;
}

// The game data read "first[index]second" written from lexeme `i`, without white space, and the
// index after it.
std::string WrittenRead(const std::vector<Token>& tokens, std::size_t i, std::size_t& end) {
    std::string shown = tokens[i].text;
    end = i + 1;
    if (end < tokens.size() && tokens[end].text == "[") {
        int depth = 0;
        for (; end < tokens.size(); ++end) {
            shown += tokens[end].text;
            depth += tokens[end].text == "[" ? 1 : tokens[end].text == "]" ? -1 : 0;
            if (depth == 0) break;
        }
        ++end;
    }
    if (end < tokens.size() && tokens[end].kind == lx_robotdata) shown += tokens[end++].text;
    return shown;
}

bool NameFix(const ScriptView& view, int line, const std::string& message, Edit& edit) {
    const std::string wrong = FirstQuoted(message);
    std::string right = Suggested(message);
    // A macro is quoted with the function before it: "?macro \"Name\"".
    const std::string macro_call = std::string(kMacroFunction) + " ";
    const bool macro = wrong.compare(0, macro_call.size(), macro_call) == 0;
    // ".players[i]..." stands for any index: the author still has to choose one.
    if (wrong.empty() || right.empty() || Contains(right, kAnyIndex)) return false;
    if (macro && right.compare(0, macro_call.size(), macro_call) != 0) return false;
    const std::vector<Token>& tokens = view.Tokens();
    const bool data = Contains(message, kNoGameData);
    const auto [first, last] = view.TokensOnLine(line);
    for (std::size_t i = first; i < last; ++i) {
        std::size_t end = i + 1;
        std::string written = tokens[i].text;
        if (data && tokens[i].kind == lx_robotdata) written = WrittenRead(tokens, i, end);
        if (macro && i > 0 && tokens[i - 1].text == kMacroFunction) written = macro_call + written;
        if (written != wrong) continue;
        if (macro) right = right.substr(macro_call.size());
        edit = {tokens[i].offset, tokens[end - 1].offset + tokens[end - 1].text.size(), right};
        return true;
    }
    return false;
}

// The index after the group that opens at `k`, or before the one that closes at `k` (going back).
std::size_t MatchGroup(const std::vector<Token>& tokens, std::size_t k, bool forward) {
    int depth = 0;
    for (;; forward ? ++k : --k) {
        const std::string& s = tokens[k].text;
        depth += s == "(" || s == "[" ? (forward ? 1 : -1) : s == ")" || s == "]" ? (forward ? -1 : 1) : 0;
        if (depth == 0 || (forward ? k + 1 >= tokens.size() : k == 0)) return forward ? k + 1 : k;
    }
}

bool IsUnary(const std::vector<Token>& tokens, std::size_t k) {
    if (tokens[k].text != "-" && tokens[k].text != "!") return false;
    // After a value or a closing bracket, "-" subtracts.
    if (k == 0) return true;
    const Token& before = tokens[k - 1];
    const bool value = before.kind == lx_int_const || before.kind == lx_var || before.kind == lx_robotdata ||
                       before.kind == lx_str_const || before.text == ")" || before.text == "]";
    return !value;
}

// The lexemes [first, end) of the operand that ends right before `at`: one value, a group, an
// indexed name or a macro, with the unary operators before it.
std::pair<std::size_t, std::size_t> OperandBefore(const std::vector<Token>& tokens, std::size_t at) {
    if (at == 0) return {at, at};
    std::size_t k = at - 1;
    const auto is = [&](std::size_t n, const char* s) { return tokens[n].text == s; };
    if (tokens[k].kind == lx_robotdata && k > 0 && (tokens[k - 1].kind == lx_robotdata || is(k - 1, "]"))) --k;
    if (is(k, ")") || is(k, "]")) {
        k = MatchGroup(tokens, k, false);
        if (is(k, "[") && k > 0) --k;
    }
    if (k > 0 && is(k - 1, kMacroFunction)) --k;
    while (k > 0 && IsUnary(tokens, k - 1)) --k;
    return {k, at};
}

// The lexemes [first, end) of the operand that starts at `at`.
std::pair<std::size_t, std::size_t> OperandAfter(const std::vector<Token>& tokens, std::size_t at) {
    const auto is = [&](std::size_t n, const char* s) { return n < tokens.size() && tokens[n].text == s; };
    std::size_t k = at;
    while (is(k, "-") || is(k, "!")) ++k;
    if (k >= tokens.size()) return {at, at};
    if (is(k, kMacroFunction)) return {at, std::min(k + 2, tokens.size())};
    if (is(k, "(")) return {at, MatchGroup(tokens, k, true)};
    const bool data = tokens[k].kind == lx_robotdata;
    ++k;
    if (is(k, "[")) k = MatchGroup(tokens, k, true);
    if (data && k < tokens.size() && tokens[k].kind == lx_robotdata) ++k;
    return {at, k};
}

// The written text of lexemes [first, end).
std::string Text(const ScriptView& view, std::size_t first, std::size_t end) {
    const std::vector<Token>& t = view.Tokens();
    return view.Bytes().substr(t[first].offset, t[end - 1].offset + t[end - 1].text.size() - t[first].offset);
}

// The pair of one-character operators written as one on the line.
bool OperatorFix(const ScriptView& view, int line, const std::string& message, Edit& edit) {
    const std::string pair = FirstQuoted(message);
    const std::vector<Token>& tokens = view.Tokens();
    const auto [first, last] = view.TokensOnLine(line);
    for (std::size_t i = first; i < last; ++i) {
        if (i + 1 >= tokens.size() || tokens[i].text + tokens[i + 1].text != pair ||
            tokens[i + 1].offset != tokens[i].offset + 1)
            continue;
        if (pair == "==" || pair == "&&" || pair == "||") {
            edit = {tokens[i].offset, tokens[i].offset + 2, pair.substr(0, 1)};
            return true;
        }
        // a <= b is !(a > b); a >= b is !(a < b); a != b is !(a = b).
        const std::string compare = pair == "<=" ? ">" : pair == ">=" ? "<" : "=";
        const auto left = OperandBefore(tokens, i);
        const auto right = OperandAfter(tokens, i + 2);
        if (left.first >= left.second || right.first >= right.second) return false;
        edit = {tokens[left.first].offset, tokens[right.second - 1].offset + tokens[right.second - 1].text.size(),
                "!(" + Text(view, left.first, left.second) + " " + compare + " " +
                    Text(view, right.first, right.second) + ")"};
        return true;
    }
    return false;
}

// "?turn" as the last statement of the script's block.
bool TurnFix(const ScriptView& view, Edit& edit) {
    const std::vector<Token>& tokens = view.Tokens();
    if (tokens.size() < 2 || tokens.back().text != "}") return false;
    const Token& last = tokens[tokens.size() - 2];
    const std::size_t end = last.offset + last.text.size();
    const bool separated = last.text == ";" || last.text == "{";
    edit = {end, end, std::string(separated ? "" : ";") + view.LineEnd() + "  " + kTurnStatement};
    return true;
}

nlohmann::json Action(const std::string& title, const std::string& uri, const ScriptView& view, const Edit& edit,
                      const nlohmann::json& diagnostic) {
    const nlohmann::json change = {{"range", view.Range(edit.first, edit.end)}, {"newText", edit.text}};
    return {{"title", title},
            {"kind", "quickfix"},
            {"isPreferred", true},
            {"diagnostics", nlohmann::json::array({diagnostic})},
            {"edit", {{"changes", {{uri, nlohmann::json::array({change})}}}}}};
}

// The fix of one diagnostic and its title; false when it has none.
bool FixOf(const ScriptView& view, const nlohmann::json& d, Edit& edit, std::string& title) {
    if (!d.is_object() || !d.contains("message") || !d["message"].is_string()) return false;
    const std::string message = d["message"].get<std::string>();
    int line = 0;
    if (d.contains("range") && d["range"].is_object() && d["range"].contains("start") &&
        d["range"]["start"].is_object() && d["range"]["start"].value("line", nlohmann::json(0)).is_number_integer())
        line = d["range"]["start"].value("line", 0);
    for (const char* missing : kMissingTurn) {
        if (Contains(message, missing) && TurnFix(view, edit)) {
            title = "End the script with ?turn";
            return true;
        }
    }
    const std::size_t at = message.find(kNoSuchOperator);
    if (at != std::string::npos) {
        if (!OperatorFix(view, line, message.substr(at), edit)) return false;
        title = "Write '" + edit.text + "'";
        return true;
    }
    if (NameFix(view, line, message, edit)) {
        title = "Change to " + edit.text;
        return true;
    }
    return false;
}

}  // namespace

nlohmann::json CodeActions(const std::string& uri, const std::string& text, const nlohmann::json& diagnostics) {
    nlohmann::json actions = nlohmann::json::array();
    if (!diagnostics.is_array()) return actions;
    const ScriptView view(text);
    for (const nlohmann::json& d : diagnostics) {
        Edit edit;
        std::string title;
        if (FixOf(view, d, edit, title)) actions.push_back(Action(title, uri, view, edit, d));
    }
    return actions;
}

}  // namespace match::lsp
