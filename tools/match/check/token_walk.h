// A walk over a script's lexemes that knows where groups, expressions and statements end.
#pragma once

#include <cstddef>
#include <vector>

#include "match/check/source.h"

namespace match {

// The lexemes with the groups they open and close paired up once, so that skipping a group
// costs nothing however deeply the script nests or however many groups it leaves open.
class TokenWalk {
public:
    explicit TokenWalk(const std::vector<Token>& tokens);

    const std::vector<Token>& Tokens() const { return tokens_; }
    // The index after the parenthesis or bracket group that opens at `i`.
    std::size_t SkipGroup(std::size_t i) const { return after_group_[i]; }
    // The index after the expression that starts at `i`.
    std::size_t SkipExpression(std::size_t i) const;
    // Marks where statements start: the first lexeme, after "{", ";" and "else", and after the
    // ")" that closes an "if" condition.
    std::vector<bool> StatementStarts() const;

private:
    const std::vector<Token>& tokens_;
    std::vector<std::size_t> after_group_;  // by index of "(" or "[": the index after its closer
};

}  // namespace match
