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
    {"<=", "there is no '<=': write '!(a > b)' for a <= b"},
    {">=", "there is no '>=': write '!(a < b)' for a >= b"},
    {"!=", "there is no '!=': write '!(a = b)' for a != b"},
    {"==", "there is no '==': '=' compares, write 'a = b'"},
    {"&&", "there is no '&&': write '(a) & (b)', which is 'and' between comparisons"},
    {"||", "there is no '||': write '(a) | (b)', which is 'or' between comparisons"},
};

const char* HintFor(const Token& a, const Token& b) {
    if (a.kind != lx_spacer || b.kind != lx_spacer || b.offset != a.offset + a.text.size())
        return nullptr;
    const std::string pair = a.text + b.text;
    for (const OperatorHint& hint : kHints)
        if (pair == hint.written) return hint.instead;
    return nullptr;
}

}  // namespace

void AddOperatorHints(const std::vector<Token>& tokens, std::vector<Diagnostic>& diagnostics) {
    for (std::size_t i = 0; i + 1 < tokens.size(); ++i) {
        const char* hint = HintFor(tokens[i], tokens[i + 1]);
        if (!hint) continue;
        const int line = tokens[i].line;
        auto error =
            std::find_if(diagnostics.begin(), diagnostics.end(), [line](const Diagnostic& d) {
                return d.line == line && d.severity == Severity::kError;
            });
        if (error != diagnostics.end()) {
            error->text += "; " + std::string(hint);
        } else {
            diagnostics.push_back({line, Severity::kWarning, hint});
        }
        ++i;
    }
}

}  // namespace match
