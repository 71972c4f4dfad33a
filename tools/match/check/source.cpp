// The checker's view of a script file: editor lines and lexeme positions.
#include "match/check/source.h"

#include <algorithm>
#include <cstdio>

namespace match {
namespace {

constexpr std::size_t kMaxShownBytes = 40;  // bytes of a lexeme quoted in a diagnostic

bool IsWhite(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace

ScriptText::ScriptText(std::string bytes) : bytes_(std::move(bytes)), line_starts_{0} {
    const std::size_t n = bytes_.size();
    for (std::size_t i = 0; i < n; ++i) {
        const int line = static_cast<int>(line_starts_.size());
        if (bytes_[i] == '\r' && i + 1 < n && bytes_[i + 1] == '\n') {
            ++ends_.cr_lf;
            ++i;
        } else if (bytes_[i] == '\r') {
            ++ends_.cr_only;
            if (ends_.first_cr_only_line == 0) ends_.first_cr_only_line = line;
        } else if (bytes_[i] == '\n') {
            ++ends_.lf_only;
            if (ends_.first_lf_only_line == 0) ends_.first_lf_only_line = line;
        } else {
            continue;
        }
        line_starts_.push_back(i + 1);
    }
}

int ScriptText::LineOf(std::size_t offset) const {
    auto after = std::upper_bound(line_starts_.begin(), line_starts_.end(), offset);
    return static_cast<int>(after - line_starts_.begin());
}

void ScriptText::Place(std::vector<Token>& tokens) const {
    std::size_t pos = 0;
    for (Token& t : tokens) {
        pos = std::min(pos, bytes_.size());
        while (pos < bytes_.size() && IsWhite(bytes_[pos])) ++pos;
        // A lexeme cut at a NUL byte, or a file changed since the lexer read it, may not stand
        // exactly here; then take its next occurrence, else stay where it should have started.
        if (t.complete && bytes_.compare(pos, t.text.size(), t.text) != 0) {
            std::size_t found = bytes_.find(t.text, pos);
            if (found != std::string::npos) pos = found;
        }
        t.offset = std::min(pos, bytes_.size());
        t.line = LineOf(t.offset);
        pos = t.offset + t.text.size();
    }
}

std::string Printable(const std::string& text) {
    std::string shown;
    for (unsigned char c : text) {
        if (shown.size() >= kMaxShownBytes) return shown + "...";
        if (c == '\r') {
            shown += "\\r";
        } else if (c == '\n') {
            shown += "\\n";
        } else if (c == '\t') {
            shown += "\\t";
        } else if (c < 0x20 || c > 0x7E) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            shown += hex;
        } else {
            shown += static_cast<char>(c);
        }
    }
    return shown;
}

}  // namespace match
