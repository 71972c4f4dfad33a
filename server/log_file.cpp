// Writes the JSON Lines log a whole line at a time with O_APPEND, and survives a file that
// cannot be written: lines are counted as lost until a reopened file takes the count.
#include "server/log_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "protocol/game_log.h"
#include "server/net.h"
#include "server/write_fully.h"

namespace gs {
namespace {

constexpr mode_t kLogFileMode = 0644;  // the log is read by other programs and people

}  // namespace

LineFlushBuf::int_type LineFlushBuf::overflow(int_type ch) {
    if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
    pending_ += traits_type::to_char_type(ch);
    if (ch == '\n') WriteCompleteLines();
    return ch;
}

std::streamsize LineFlushBuf::xsputn(const char* text, std::streamsize count) {
    pending_.append(text, static_cast<std::size_t>(count));
    if (pending_.find('\n') != std::string::npos) WriteCompleteLines();
    return count;
}

int LineFlushBuf::sync() {
    // An unfinished line is held back: only whole lines reach the file.
    return 0;
}

void LineFlushBuf::WriteCompleteLines() {
    const std::size_t end = pending_.rfind('\n') + 1;
    file_.WriteLines(std::string_view(pending_).substr(0, end));
    pending_.erase(0, end);
}

LogFile::LogFile(std::ostream* events) : events_(events) {}

LogFile::~LogFile() { Close(); }

bool LogFile::Open(const std::string& path, std::string& error) {
    Close();
    path_ = path;
    if (!OpenPath()) {
        error = "cannot open log file " + path + ": " + std::strerror(errno);
        return false;
    }
    buffer_ = std::make_unique<LineFlushBuf>(*this);
    stream_ = std::make_unique<std::ostream>(buffer_.get());
    return true;
}

bool LogFile::OpenPath() {
    const int fd = ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, kLogFileMode);
    if (fd < 0) return false;
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
    return true;
}

void LogFile::Reopen() {
    if (path_.empty()) return;
    if (failing_) {
        Recover();
        return;
    }
    const int saved = errno;
    if (!OpenPath()) Fail("", errno);  // the old descriptor is kept; later lines count as lost
    errno = saved;
}

void LogFile::Maintain(std::int64_t now_ms) {
    if (!failing_ || now_ms - last_try_ms_ < kLogRetryMs) return;
    last_try_ms_ = now_ms;
    Recover();
}

void LogFile::WriteLines(std::string_view text) {
    if (failing_) {
        Maintain(MonotonicMs());
        if (failing_) {
            CountLost(text);
            return;
        }
    }
    if (!WriteAll(text)) Fail(text, errno);
}

// Writes text whole or not at all: a partly written line is cut off again, so that the file
// never holds a torn line in the middle.
bool LogFile::WriteAll(std::string_view text) {
    if (fd_ < 0) return errno = EBADF, false;
    std::size_t written = 0;
    if (WriteFully(fd_, text, written)) return true;
    const int error = errno;
    struct stat info {};
    if (written > 0 && ::fstat(fd_, &info) == 0)
        (void)!::ftruncate(fd_, info.st_size - static_cast<off_t>(written));
    errno = error;
    return false;
}

void LogFile::CountLost(std::string_view text) {
    const auto lines = static_cast<std::uint64_t>(std::count(text.begin(), text.end(), '\n'));
    lost_ += lines;
    total_lost_ += lines;
}

void LogFile::Fail(std::string_view text, int error) {
    CountLost(text);
    if (failing_) return;
    failing_ = true;
    last_try_ms_ = MonotonicMs();
    if (events_) {
        *events_ << "log file " << path_ << ": " << std::strerror(error)
                 << "; counting the lines lost, retrying every " << kLogRetryMs / 1000 << " s"
                 << std::endl;
    }
}

// Opens the path anew and writes the count of lost lines; true when both worked.
bool LogFile::Recover() {
    namespace log = protocol::game_log;
    if (!OpenPath()) return false;
    const std::string line = std::string("{\"") + log::key::kEvent + "\":\"" +
                             log::event::kLinesLost + "\",\"" + log::key::kLines +
                             "\":" + std::to_string(lost_) + "}\n";
    if (!WriteAll(line)) return false;
    if (events_) {
        *events_ << "log file " << path_ << " written again; " << lost_ << " lines were lost"
                 << std::endl;
    }
    failing_ = false;
    lost_ = 0;
    return true;
}

void LogFile::Close() {
    if (fd_ < 0) return;
    stream_.reset();
    buffer_.reset();
    if (failing_) Recover();
    ::close(fd_);
    fd_ = -1;
}

}  // namespace gs
