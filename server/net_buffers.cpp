// LF framing of client input and the write backlog of client output.
#include "server/net_buffers.h"

#include <cstring>

namespace gs {

void InputBuffer::Append(const char* data, std::size_t size) {
    // Dropping the consumed prefix here keeps the buffer within the input limit plus one read.
    if (start_ > 0) {
        data_.erase(0, start_);
        start_ = 0;
    }
    data_.append(data, size);
}

InputBuffer::Next InputBuffer::TakeLine(std::string& line) {
    for (;;) {
        const std::size_t unread = Unread();
        const char* begin = data_.data() + start_;
        const void* lf = std::memchr(begin, '\n', unread);
        if (lf == nullptr) {
            // Without its LF the line may still end in a CR that will be dropped.
            const bool may_end_in_cr = unread == kMaxLineBytes + 1 && begin[unread - 1] == '\r';
            return unread > kMaxLineBytes && !may_end_in_cr ? Next::kTooLong : Next::kNeedMore;
        }
        std::size_t length = static_cast<const char*>(lf) - begin;
        const std::size_t consumed = length + 1;
        if (length > 0 && begin[length - 1] == '\r') --length;
        if (length > kMaxLineBytes) return Next::kTooLong;
        start_ += consumed;
        if (length == 0) continue;  // blank line
        line.assign(begin, length);
        return Next::kLine;
    }
}

void OutputBuffer::PushLine(const std::string& line) {
    data_ += line;
    data_ += '\n';
    pushed_ += line.size() + 1;
}

void OutputBuffer::Consume(std::size_t size) {
    start_ += size;
    if (start_ == data_.size()) {
        Clear();
    } else if (start_ > data_.size() / 2) {
        data_.erase(0, start_);  // keeps the buffer from growing under a slow reader
        start_ = 0;
    }
}

void OutputBuffer::Clear() {
    data_.clear();
    start_ = 0;
}

}  // namespace gs
