// The checker's view of a script file: editor lines and lexeme positions.
#include "match/check/source.h"

#include <algorithm>
#include <cstdio>

namespace match {
namespace {

// A file is taken for binary when a NUL byte comes in its first bytes, as version control
// and search tools judge it, or when more than one byte in kOddShare is neither text nor UTF-8.
constexpr std::size_t kNulSearchBytes = 8000;
constexpr std::size_t kOddShare = 10;

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

std::string ScriptText::Written(const Token& first, const Token& last) const {
    std::string written;
    const std::size_t end = std::min(bytes_.size(), last.offset + last.text.size());
    for (std::size_t i = first.offset; i < end; ++i) {
        if (!IsWhite(bytes_[i])) {
            written += bytes_[i];
        } else if (!written.empty() && written.back() != ' ') {
            written += ' ';
        }
    }
    return written;
}

std::string Printable(const std::string& text, std::size_t max_bytes) {
    std::string shown;
    for (unsigned char c : text) {
        if (shown.size() >= max_bytes) return shown + "...";
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

namespace {

// The length of the UTF-8 sequence at `i`, or 0 when none starts there.
std::size_t Utf8Length(const std::string& bytes, std::size_t i) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    const std::size_t length = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
    if (length == 0 || i + length > bytes.size()) return 0;
    for (std::size_t k = 1; k < length; ++k)
        if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return 0;
    return length;
}

}  // namespace

std::string NotTextReason(const std::string& bytes) {
    if (bytes.find('\0') < kNulSearchBytes) return "it holds NUL bytes";
    std::size_t odd = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c >= 0x80) {
            const std::size_t length = Utf8Length(bytes, i);
            if (length > 0) {
                i += length - 1;
                continue;
            }
            ++odd;
        } else if (c < 0x20 && !IsWhite(static_cast<char>(c)) && c != '\f') {
            ++odd;
        }
    }
    if (odd * kOddShare > bytes.size()) return "many of its bytes are neither text nor UTF-8";
    return std::string();
}

}  // namespace match
