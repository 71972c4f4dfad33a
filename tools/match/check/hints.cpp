// Hints for operators of other languages that the robot reads as two separate operators.
#include <algorithm>
#include <string>

#include "match/check/warnings.h"

namespace match {
namespace {

// An operator pair written without a space, and what the robot's language has for it.
struct OperatorHint {
    const char* written;
    const char* instead;
};
constexpr OperatorHint kHints[] = {
    {"<=", "write '!(a > b)' for a <= b"},
    {">=", "write '!(a < b)' for a >= b"},
    {"!=", "write '!(a = b)' for a != b"},
    {"==", "'=' compares, write 'a = b'"},
    {"&&", "write '(a) & (b)', which is 'and' between comparisons"},
    {"||", "write '(a) | (b)', which is 'or' between comparisons"},
};

// "there is no '<=': ..." for a pair with a hint; empty for others.
std::string HintFor(const Token& a, const Token& b) {
    if (a.kind != lx_spacer || b.kind != lx_spacer || b.offset != a.offset + a.text.size())
        return std::string();
    const std::string pair = a.text + b.text;
    for (const OperatorHint& hint : kHints)
        if (pair == hint.written) return kNoSuchOperator + pair + "': " + hint.instead;
    return std::string();
}

}  // namespace

void AddOperatorHints(const std::vector<Token>& tokens, std::vector<Diagnostic>& diagnostics) {
    for (std::size_t i = 0; i + 1 < tokens.size(); ++i) {
        const std::string hint = HintFor(tokens[i], tokens[i + 1]);
        if (hint.empty()) continue;
        const int line = tokens[i].line;
        auto error =
            std::find_if(diagnostics.begin(), diagnostics.end(), [line](const Diagnostic& d) {
                return d.line == line && d.severity == Severity::kError;
            });
        if (error != diagnostics.end()) {
            error->text += "; " + hint;
        } else {
            diagnostics.push_back({line, Severity::kWarning, hint});
        }
        ++i;
    }
}

}  // namespace match
