// The labels and variables of a script: where each is used and where it is defined.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "match/lsp/script_view.h"

namespace match::lsp {

struct Symbol {
    bool label = false;                // else a variable
    std::string name;                  // with its "@" or "$"
    std::vector<std::size_t> uses;     // lexeme indices, in file order, the definition included
    std::size_t definition = ScriptView::kNone;  // a label as a statement; a variable's first assignment
};

// Every label and variable of the script, in the order of their first use.
std::vector<Symbol> Symbols(const ScriptView& view);

// The label or variable whose lexeme holds `at` (or ends right at it), or null.
const Symbol* SymbolAt(const ScriptView& view, const std::vector<Symbol>& symbols, Position at);

}  // namespace match::lsp
