// The words of the robot's language with what they mean, in the script guide's own words: game
// data names, robot statements, macros, operators and keywords. Hover and completion read this
// one table, and a test holds the guide's reference to it, so the three say the same.
#pragma once

#include <string>
#include <vector>

namespace match::lsp {

enum class WordKind { kData, kPlayerData, kCommand, kMacro, kOperator, kKeyword, kStatement };

struct Word {
    WordKind kind;
    std::string name;     // as matched in a script: ".you.money", "?buy", "\"YouProd\"", "+", "if"
    std::string form;     // as the guide's table shows it, between backquotes: "?buy N, P"
    std::string meaning;  // the guide's last column for that row
};

// Every word, in the guide's order.
const std::vector<Word>& Words();

// The word of that kind and name, or null.
const Word* FindWord(WordKind kind, const std::string& name);

// The markdown a hover shows for a word: its form and its meaning.
std::string Describe(const Word& word);

}  // namespace match::lsp
