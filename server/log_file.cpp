// Writes the JSON Lines log a whole line at a time, flushed, so readers never wait for a buffer.
#include "server/log_file.h"

#include <cerrno>
#include <cstring>

namespace gs {

LineFlushBuf::int_type LineFlushBuf::overflow(int_type ch) {
    if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
    pending_ += traits_type::to_char_type(ch);
    if (ch == '\n' && !WriteCompleteLines()) return traits_type::eof();
    return ch;
}

std::streamsize LineFlushBuf::xsputn(const char* text, std::streamsize count) {
    pending_.append(text, static_cast<std::size_t>(count));
    if (pending_.find('\n') != std::string::npos && !WriteCompleteLines()) return 0;
    return count;
}

int LineFlushBuf::sync() {
    bool ok = true;
    if (!pending_.empty())
        ok = std::fwrite(pending_.data(), 1, pending_.size(), file_) == pending_.size();
    pending_.clear();
    return ok && std::fflush(file_) == 0 ? 0 : -1;
}

bool LineFlushBuf::WriteCompleteLines() {
    const std::size_t end = pending_.rfind('\n') + 1;
    const bool ok = std::fwrite(pending_.data(), 1, end, file_) == end && std::fflush(file_) == 0;
    pending_.erase(0, end);
    return ok;
}

LogFile::~LogFile() { Close(); }

bool LogFile::Open(const std::string& path, std::string& error) {
    Close();
    file_ = std::fopen(path.c_str(), "w");
    if (file_ == nullptr) {
        error = "cannot open log file " + path + ": " + std::strerror(errno);
        return false;
    }
    buffer_ = std::make_unique<LineFlushBuf>(file_);
    stream_ = std::make_unique<std::ostream>(buffer_.get());
    return true;
}

void LogFile::Close() {
    if (file_ == nullptr) return;
    stream_->flush();
    stream_.reset();
    buffer_.reset();
    std::fclose(file_);
    file_ = nullptr;
}

}  // namespace gs
