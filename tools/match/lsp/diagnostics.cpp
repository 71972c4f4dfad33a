// Places the checker's line-numbered diagnostics on the editor's lines.
#include "match/lsp/diagnostics.h"

#include <cstddef>
#include <vector>

namespace match::lsp {
namespace {

// The protocol's severities.
constexpr int kSeverityError = 1;
constexpr int kSeverityWarning = 2;

// Where each line starts and ends (before its line end); CR LF, a lone LF and a lone CR each
// end a line, as the checker counts them.
struct LineSpan {
    std::size_t begin;
    std::size_t end;
};

std::vector<LineSpan> SplitLines(const std::string& text) {
    std::vector<LineSpan> lines;
    std::size_t begin = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\n' && text[i] != '\r') continue;
        lines.push_back({begin, i});
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        begin = i + 1;
    }
    lines.push_back({begin, text.size()});
    return lines;
}

// UTF-16 code units of the UTF-8 bytes [begin, end): one per character, two for those that
// take four bytes.
int Utf16Units(const std::string& text, std::size_t begin, std::size_t end) {
    int units = 0;
    for (std::size_t i = begin; i < end; ++i) {
        const unsigned char byte = static_cast<unsigned char>(text[i]);
        if ((byte & 0xC0) != 0x80) ++units;
        if (byte >= 0xF0) ++units;
    }
    return units;
}

nlohmann::json Position(int line, int character) { return {{"line", line}, {"character", character}}; }

nlohmann::json LineRange(const std::string& text, const std::vector<LineSpan>& lines, int line) {
    if (line < 0 || static_cast<std::size_t>(line) >= lines.size())
        return {{"start", Position(line < 0 ? 0 : line, 0)}, {"end", Position(line < 0 ? 0 : line, 0)}};
    const LineSpan span = lines[static_cast<std::size_t>(line)];
    std::size_t first = span.begin;
    while (first < span.end && (text[first] == ' ' || text[first] == '\t')) ++first;
    if (first == span.end) first = span.begin;
    return {{"start", Position(line, Utf16Units(text, span.begin, first))},
            {"end", Position(line, Utf16Units(text, span.begin, span.end))}};
}

}  // namespace

nlohmann::json ToLspDiagnostics(const std::string& text, const CheckResult& result) {
    const std::vector<LineSpan> lines = SplitLines(text);
    nlohmann::json out = nlohmann::json::array();
    for (const Diagnostic& d : result.diagnostics) {
        out.push_back({{"range", LineRange(text, lines, d.line - 1)},
                       {"severity", d.severity == Severity::kError ? kSeverityError : kSeverityWarning},
                       {"source", kDiagnosticSource},
                       {"message", d.text}});
    }
    return out;
}

}  // namespace match::lsp
