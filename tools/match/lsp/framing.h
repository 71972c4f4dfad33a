// The language server's message framing: each message is a header block ("Content-Length: N",
// other headers ignored, an empty line) and N bytes of JSON.
#pragma once

#include <cstddef>
#include <istream>
#include <ostream>
#include <string>

namespace match::lsp {

constexpr std::size_t kMaxBodyBytes = 256u * 1024 * 1024;  // bytes; a script is at most 64 MiB
constexpr std::size_t kMaxHeaderLineBytes = 8192;          // bytes; longer lines are refused

// What reading the next message gave.
struct Frame {
    enum class Kind {
        kMessage,    // `body` holds the message's bytes
        kBadHeader,  // the headers could not be read; `problem` says why, the body was skipped
        kEnd,        // the input ended (a message cut short ends it too)
    };
    Kind kind = Kind::kEnd;
    std::string body;
    std::string problem;
};

// Reads one message. Header names are read in any case; a header block without a usable
// Content-Length is answered as bad and the next block is read after it.
Frame ReadFrame(std::istream& in);

// Writes `body` with its header and flushes, so the client sees it at once.
void WriteFrame(std::ostream& out, const std::string& body);

}  // namespace match::lsp
