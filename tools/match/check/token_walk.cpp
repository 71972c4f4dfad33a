// The lexeme walk: groups paired once, expressions and statements found by their lexemes.
#include "match/check/token_walk.h"

#include <algorithm>
#include <string>

#include "match/check/warnings.h"

namespace match {

TokenWalk::TokenWalk(const std::vector<Token>& tokens)
    : tokens_(tokens), after_group_(tokens.size(), tokens.size()) {
    std::vector<std::size_t> open;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const std::string& s = tokens[i].text;
        if (s == "(" || s == "[") open.push_back(i);
        if ((s == ")" || s == "]") && !open.empty()) {
            after_group_[open.back()] = i + 1;
            open.pop_back();
        }
    }
}

std::size_t TokenWalk::SkipExpression(std::size_t i) const {
    static const std::string kOperators = "+-*/%<=>&|!";
    while (i < tokens_.size()) {
        const Token& t = tokens_[i];
        if (t.text == "(" || t.text == "[") {
            i = SkipGroup(i);
        } else if (t.text == kMacroFunction) {
            i += 2;
        } else if (t.kind == lx_int_const || t.kind == lx_var || t.kind == lx_robotdata ||
                   (t.kind == lx_spacer && kOperators.find(t.text) != std::string::npos)) {
            ++i;
        } else {
            break;
        }
    }
    return std::min(i, tokens_.size());
}

std::vector<bool> TokenWalk::StatementStarts() const {
    std::vector<bool> starts(tokens_.size() + 1, false);
    starts[0] = true;
    for (std::size_t i = 0; i < tokens_.size(); ++i) {
        const Token& t = tokens_[i];
        if (t.text == "{" || t.text == ";" || (t.kind == lx_keyword && t.text == "else"))
            starts[i + 1] = true;
        if (t.kind == lx_keyword && t.text == "if" && i + 1 < tokens_.size() &&
            tokens_[i + 1].text == "(")
            starts[SkipGroup(i + 1)] = true;
    }
    return starts;
}

}  // namespace match
