// Reads and writes the Content-Length framing of the language server's messages.
#include "match/lsp/framing.h"

#include <algorithm>
#include <cctype>

namespace match::lsp {
namespace {

constexpr char kLengthHeader[] = "content-length";

enum class LineRead { kLine, kTooLong, kEnd };

// One header line without its line end (CR LF, or a lone LF).
LineRead ReadHeaderLine(std::istream& in, std::string& line) {
    line.clear();
    bool too_long = false;
    for (int c = in.get(); c != std::char_traits<char>::eof(); c = in.get()) {
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return too_long ? LineRead::kTooLong : LineRead::kLine;
        }
        if (line.size() < kMaxHeaderLineBytes) {
            line.push_back(static_cast<char>(c));
        } else {
            too_long = true;  // read on to the line's end, keeping nothing more
        }
    }
    return LineRead::kEnd;
}

std::string Lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The value of a Content-Length header; an error message when it is not a byte count we take.
std::string ParseLength(const std::string& value, std::size_t& length) {
    if (value.empty() || value.find_first_not_of("0123456789") != std::string::npos)
        return "Content-Length is not a number: '" + value.substr(0, 40) + "'";
    length = 0;
    for (char digit : value) {
        length = length * 10 + static_cast<std::size_t>(digit - '0');
        if (length > kMaxBodyBytes) return "Content-Length is over " + std::to_string(kMaxBodyBytes) + " bytes";
    }
    return std::string();
}

// Reads one header into `length` (when it is Content-Length); an error message, or empty.
std::string ReadHeader(const std::string& line, bool& has_length, std::size_t& length) {
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos) return "a header line without ':'";
    if (Lowered(Trimmed(line.substr(0, colon))) != kLengthHeader) return std::string();
    if (has_length) return "two Content-Length headers";
    std::string problem = ParseLength(Trimmed(line.substr(colon + 1)), length);
    has_length = problem.empty();
    return problem;
}

// Reads `length` bytes, growing the body as they come rather than trusting the header with
// the memory at once; false when the input ends first.
bool ReadBody(std::istream& in, std::size_t length, std::string& body) {
    constexpr std::size_t kChunkBytes = 1 << 16;
    body.clear();
    while (body.size() < length) {
        const std::size_t want = std::min(kChunkBytes, length - body.size());
        const std::size_t had = body.size();
        body.resize(had + want);
        in.read(&body[had], static_cast<std::streamsize>(want));
        if (static_cast<std::size_t>(in.gcount()) != want) return false;
    }
    return true;
}

}  // namespace

Frame ReadFrame(std::istream& in) {
    Frame frame;
    std::string line;
    bool has_length = false;
    bool any_header = false;
    std::size_t length = 0;
    for (;;) {
        const LineRead read = ReadHeaderLine(in, line);
        if (read == LineRead::kEnd) return Frame{};
        if (read == LineRead::kLine && line.empty()) {
            if (!any_header) continue;  // stray line ends between messages
            break;
        }
        any_header = true;
        const std::string problem =
            read == LineRead::kTooLong ? "a header line longer than " + std::to_string(kMaxHeaderLineBytes) + " bytes"
                                       : ReadHeader(line, has_length, length);
        if (frame.problem.empty()) frame.problem = problem;
    }
    if (!has_length) {
        frame.kind = Frame::Kind::kBadHeader;
        if (frame.problem.empty()) frame.problem = "no Content-Length header";
        return frame;
    }
    // A usable length lets a message with another bad header be skipped whole.
    if (!ReadBody(in, length, frame.body)) return Frame{};
    frame.kind = frame.problem.empty() ? Frame::Kind::kMessage : Frame::Kind::kBadHeader;
    if (!frame.problem.empty()) frame.body.clear();
    return frame;
}

void WriteFrame(std::ostream& out, const std::string& body) {
    out << "Content-Length: " << body.size() << "\r\n\r\n" << body;
    out.flush();
}

}  // namespace match::lsp
