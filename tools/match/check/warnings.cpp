// Warnings about line ends, refused bytes and statements (operators are in operators.cpp).
#include "match/check/warnings.h"

#include "match/check/nearest.h"
#include "match/check/token_walk.h"

#include <cstdio>
#include <set>
#include <string>

namespace match {
namespace {

const char kUtf8Bom[] = "\xEF\xBB\xBF";
constexpr std::size_t kUtf8BomBytes = 3;
constexpr int kMaxFilledPlaces = 2;  // "%d" places the robot fills; with more it prints none

// The robot statements; a bare word that is one of these without its "?" was meant as it.
const char* const kRobotStatements[] = {"?turn", "?upgrade", "?auto", "?prod", "?sell", "?buy", "?print"};
const char kPrint[] = "?print";

Diagnostic Warning(int line, std::string text) { return Diagnostic{line, Severity::kWarning, std::move(text)}; }

bool Is(const Token& t, const char* text) { return t.text == text; }

std::string Plural(int n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// "%d" places the way the robot counts them: at every position of the text.
int IntPlaces(const std::string& text) {
    int n = 0;
    for (std::size_t i = 0; i + 1 < text.size(); ++i)
        if (text[i] == '%' && text[i + 1] == 'd') ++n;
    return n;
}

// Warns when the "%d" places of the "?print" at `at` and the values after its text differ.
void CheckPrint(const TokenWalk& walk, std::size_t at, std::vector<Diagnostic>& out) {
    const std::vector<Token>& tokens = walk.Tokens();
    if (at + 1 >= tokens.size() || tokens[at + 1].kind != lx_str_const) return;
    int places = IntPlaces(tokens[at + 1].text);
    int values = 0;
    for (std::size_t i = at + 2; i < tokens.size() && Is(tokens[i], ","); ++values) i = walk.SkipExpression(i + 1);
    const int line = tokens[at].line;
    if (places != values) {
        out.push_back(Warning(line, "'?print' text has " + std::to_string(places) + " \"%d\" but " +
                                        Plural(values, "value is", "values are") + " given"));
    } else if (places > kMaxFilledPlaces) {
        out.push_back(Warning(line, "'?print' text has " + std::to_string(places) +
                                        " \"%d\": the robot fills at most two and prints none of the values"));
    }
}

// The warning for a statement that the analyser skips, or an empty text when it has an effect.
std::string NoEffect(const Token& t) {
    if (t.kind == lx_str_const) return "statement has no effect: a string alone is skipped";
    if (t.kind == lx_keyword && !Is(t, "if") && !Is(t, kGotoKeyword) && !Is(t, "else")) {
        for (const char* s : kRobotStatements)
            if (t.text == s + 1) return "statement has no effect: the word '" + t.text + "' is skipped" + kDidYouMean + "'" + s + "'?";
        return "statement has no effect: the word '" + t.text + "' is skipped";
    }
    if (t.kind == lx_spacer && !Is(t, "{") && !Is(t, ";") && !Is(t, "}"))
        return "statement has no effect: '" + t.text + "' is skipped";
    return std::string();
}

}  // namespace

std::vector<Diagnostic> LineEndWarnings(const ScriptText& text) {
    std::vector<Diagnostic> out;
    const LineEnds& e = text.Ends();
    if (e.lf_only > 0)
        out.push_back(Warning(e.first_lf_only_line,
                              Plural(e.lf_only, "line ends", "lines end") +
                                  " with LF alone: the robot counts lines by carriage returns, so its own "
                                  "reports name wrong lines; save the script with CR LF line ends"));
    if (e.cr_only > 0)
        out.push_back(Warning(e.first_cr_only_line,
                              Plural(e.cr_only, "line ends", "lines end") +
                                  " with CR alone: many editors and tools see no line end there; save the "
                                  "script with CR LF line ends"));
    return out;
}

std::vector<Diagnostic> ByteOrderMarkWarning(const ScriptText& text) {
    if (text.Bytes().compare(0, kUtf8BomBytes, kUtf8Bom) != 0) return {};
    return {Warning(1, "the file starts with a UTF-8 byte order mark (bytes EF BB BF), which the robot refuses as "
                       "a lexical error; save the file as UTF-8 without a byte order mark, or as plain ASCII")};
}

std::vector<Diagnostic> ByteWarnings(const ScriptText& text, const std::vector<Token>& tokens) {
    std::vector<Diagnostic> out;
    const std::string& bytes = text.Bytes();
    const bool bom = bytes.compare(0, kUtf8BomBytes, kUtf8Bom) == 0;
    std::set<int> lines;
    for (const Token& t : tokens) {
        if (t.kind != lx_err || !t.complete || t.offset >= bytes.size() || (bom && t.offset < kUtf8BomBytes)) continue;
        const unsigned char c = static_cast<unsigned char>(bytes[t.offset]);
        if (c >= 0x20 && c < 0x7F) continue;
        if (!lines.insert(t.line).second) continue;
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%02X", c);
        out.push_back(Warning(t.line, std::string(c < 0x80 ? "control byte " : "non-ASCII byte ") + hex +
                                          " outside a string: the robot refuses it" +
                                          (c < 0x80 ? "" : " (a typographic quote or an accented letter?)")));
    }
    return out;
}

std::vector<Diagnostic> StatementWarnings(const std::vector<Token>& tokens) {
    std::vector<Diagnostic> out;
    bool turn = false;
    const TokenWalk walk(tokens);
    const std::vector<bool> starts = walk.StatementStarts();
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        if (t.kind == lx_func && Is(t, kTurnStatement)) turn = true;
        if (t.kind == lx_func && Is(t, kPrint)) CheckPrint(walk, i, out);
        if (!starts[i]) continue;
        std::string no_effect = NoEffect(t);
        if (!no_effect.empty()) out.push_back(Warning(t.line, no_effect));
    }
    if (!turn)
        out.push_back(Warning(1, std::string(kNoTurnAnywhere) + ": the robot never says it is done, so every turn lasts "
                                 "until the server's turn timeout"));
    return out;
}

}  // namespace match
