// match --check: compiles scripts with the robot's own analysers, without a server, and prints
// each problem as "SCRIPT:LINE: error: TEXT" or "SCRIPT:LINE: warning: TEXT", LINE being the
// line an editor shows.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "match/check/source.h"

namespace match {

// The outcome of checking one script.
struct CheckResult {
    std::string read_error;  // set when the file could not be read; nothing was checked
    std::vector<Diagnostic> diagnostics;  // in line order

    bool HasErrors() const;
    bool HasWarnings() const;
};

// Checks one script file: reads it and checks its bytes as CheckScriptText does.
CheckResult CheckScriptFile(const std::string& path);

// Checks a script given as its bytes (what an editor holds); never sets read_error. --check and
// the language server both come here, so they report the same problems.
CheckResult CheckScriptText(const std::string& bytes);

// "SCRIPT:LINE: error: TEXT" (or warning).
std::string FormatDiagnostic(const std::string& path, const Diagnostic& d);

// Checks every script; diagnostics go to `out`, unreadable files and the summary to `err`.
// Returns 1 when a script could not be read or compiled (or had warnings with `werror`), else 0.
int RunCheck(const std::vector<std::string>& scripts, bool werror, std::ostream& out, std::ostream& err);

}  // namespace match
