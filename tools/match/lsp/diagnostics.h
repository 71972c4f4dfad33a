// The checker's diagnostics in the language server's shape: each covers its line from the first
// non-blank character to the line's end, lines from 0 and characters in UTF-16 code units.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "match/check/check.h"

namespace match::lsp {

constexpr char kDiagnosticSource[] = "match";

// Diagnostic[] for `result`, the check of `text`.
nlohmann::json ToLspDiagnostics(const std::string& text, const CheckResult& result);

}  // namespace match::lsp
