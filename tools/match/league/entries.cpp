// Compiles a tournament's scripts before its games are drawn.
#include "match/league/entries.h"

#include <algorithm>

#include "match/check/check.h"
#include "match/names.h"

namespace match {

std::vector<LeftOut> ScriptsThatDoNotCompile(const std::vector<std::string>& scripts) {
    const std::vector<std::string> names = UniqueNames(scripts);
    std::vector<LeftOut> left_out;
    for (size_t i = 0; i < scripts.size(); ++i) {
        const CheckResult check = CheckScriptFile(scripts[i]);
        if (!check.read_error.empty()) {
            left_out.push_back({names[i], scripts[i], check.read_error});
            continue;
        }
        auto error = std::find_if(check.diagnostics.begin(), check.diagnostics.end(),
                                  [](const Diagnostic& d) { return d.severity == Severity::kError; });
        if (error != check.diagnostics.end())
            left_out.push_back({names[i], scripts[i], FormatDiagnostic(scripts[i], *error)});
    }
    return left_out;
}

std::vector<std::string> ScriptsLeftIn(const std::vector<std::string>& scripts,
                                       const std::vector<LeftOut>& left_out) {
    std::vector<std::string> left_in;
    size_t next_out = 0;  // both lists are in command-line order; a script may be given twice
    for (const std::string& script : scripts) {
        if (next_out < left_out.size() && left_out[next_out].script == script) {
            ++next_out;
            continue;
        }
        left_in.push_back(script);
    }
    return left_in;
}

std::string FormatLeftOut(const std::vector<LeftOut>& left_out) {
    std::string text = "not played (does not compile):\n";
    for (const LeftOut& l : left_out) text += "  " + l.name + ": " + l.error + "\n";
    return text;
}

}  // namespace match
