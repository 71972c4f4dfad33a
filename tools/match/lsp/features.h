// What the language server knows about one script, as pure functions of its text: completion,
// hover, definitions and references, symbols, rename, formatting and quick fixes. Each answers in
// the shapes of the Language Server Protocol (nlohmann::json), so the server only routes requests
// here and sends the answer back. Positions are the protocol's: lines and characters from 0, the
// character counted in UTF-16 code units.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

namespace match::lsp {

struct Position {
    int line = 0;
    int character = 0;
};

// CompletionItem[] at `at`: data names after ".", commands after "?", macros, the file's labels
// after "goto", the variables used in the file, keywords.
nlohmann::json Completion(const std::string& text, Position at);

// A Hover, or null when nothing known is under `at`.
nlohmann::json Hover(const std::string& text, Position at);

// The Location of the label or variable under `at` (a variable's first assignment), or null.
nlohmann::json Definition(const std::string& uri, const std::string& text, Position at);

// Location[] of every use of the label or variable under `at`.
nlohmann::json References(const std::string& uri, const std::string& text, Position at,
                          bool include_declaration);

// DocumentSymbol[]: the labels and variables of the script.
nlohmann::json DocumentSymbols(const std::string& text);

// A WorkspaceEdit renaming the label or variable under `at`, or null when there is none there.
// Sets `error` (and returns null) when `new_name` is not a valid name of that kind.
nlohmann::json Rename(const std::string& uri, const std::string& text, Position at,
                      const std::string& new_name, std::string& error);

// TextEdit[] that give the script the house style; never changes what the script compiles to,
// and keeps the file's line ends.
nlohmann::json Format(const std::string& text);

// CodeAction[] for the diagnostics of `context` (the request's "context.diagnostics") that
// have one fix.
nlohmann::json CodeActions(const std::string& uri, const std::string& text,
                           const nlohmann::json& diagnostics);

}  // namespace match::lsp
