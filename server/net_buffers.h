// A client's input and output buffers: LF framing with hard size limits, and a write backlog.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace gs {

constexpr std::size_t kMaxLineBytes = 4096;  // bytes per line, LF and CR not counted; more ends it
// Bytes of unhandled input per client; past it the client is not read until its lines are handled,
// so TCP slows the sender down. Only a single line past kMaxLineBytes ends a client.
constexpr std::size_t kMaxInputBytes = 64 * 1024;
constexpr std::size_t kMaxOutputBytes = 1024 * 1024;  // bytes of unwritten output; more drops it

// Bytes read from a client, cut into lines: LF ends a line, a CR before it is dropped,
// blank lines are skipped.
class InputBuffer {
public:
    enum class Next { kLine, kNeedMore, kTooLong };

    void Append(const char* data, std::size_t size);
    // Takes the next non-blank line; kTooLong once a line passes kMaxLineBytes, even before its LF.
    Next TakeLine(std::string& line);
    std::size_t Unread() const { return data_.size() - start_; }
    bool OverLimit() const { return Unread() > kMaxInputBytes; }

private:
    std::string data_;
    std::size_t start_ = 0;  // first unread byte of data_
};

// Lines waiting to be written to a client's socket.
class OutputBuffer {
public:
    void PushLine(const std::string& line);  // appends the line and its LF
    const char* Data() const { return data_.data() + start_; }
    std::size_t Pending() const { return data_.size() - start_; }
    bool OverLimit() const { return Pending() > kMaxOutputBytes; }
    void Consume(std::size_t size);
    void Clear();
    // Bytes pushed and bytes written (or cleared) since the buffer was made: places in the stream.
    std::uint64_t PushedBytes() const { return pushed_; }
    std::uint64_t WrittenBytes() const { return pushed_ - Pending(); }

private:
    std::string data_;
    std::size_t start_ = 0;  // first unwritten byte of data_
    std::uint64_t pushed_ = 0;
};

}  // namespace gs
