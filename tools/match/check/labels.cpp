// Jumps to labels that are not defined: the robot finds them only when the jump runs.
#include <set>
#include <string>

#include "lang/exec.h"
#include "match/check/flow.h"
#include "match/check/nearest.h"
#include "match/check/warnings.h"

namespace match {
namespace {

bool IsGoto(const Token& t) { return t.kind == lx_keyword && t.text == kGotoKeyword; }

}  // namespace

std::vector<Diagnostic> LabelErrors(const std::vector<Token>& tokens) {
    std::set<std::string> defined;
    for (std::size_t i = 0; i < tokens.size(); ++i)
        if (tokens[i].kind == lx_label && (i == 0 || !IsGoto(tokens[i - 1])))
            defined.insert(tokens[i].text);
    const std::vector<std::string> known(defined.begin(), defined.end());
    std::vector<Diagnostic> out;
    for (std::size_t i = 1; i < tokens.size(); ++i) {
        const Token& label = tokens[i];
        if (label.kind != lx_label || !IsGoto(tokens[i - 1]) || defined.count(label.text) > 0)
            continue;
        const std::string nearest = NearestName(label.text, known);
        out.push_back({label.line, Severity::kError,
                       "label '" + Printable(label.text) +
                           "' is not defined: the jump stops the run with error " +
                           std::to_string(kRuntimeErrorNumber) + " (" +
                           RuntimeFaultText(RuntimeFault::kWrongAddress) + ")" +
                           (nearest.empty() ? "" : kDidYouMean + nearest + "?")});
    }
    return out;
}

}  // namespace match
