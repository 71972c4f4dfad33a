// The JSON Lines log file: appended to a whole line at a time, reopened on request (log rotation),
// and kept going through failed writes by counting the lines it could not write.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>

namespace gs {

constexpr std::int64_t kLogRetryMs = 2000;  // ms between attempts to reopen a failing log file

class LogFile;

// A stream buffer that hands each completed line to its LogFile at once, so that other programs
// can follow the log while the server runs.
class LineFlushBuf : public std::streambuf {
public:
    explicit LineFlushBuf(LogFile& file) : file_(file) {}

protected:
    int_type overflow(int_type ch) override;
    std::streamsize xsputn(const char* text, std::streamsize count) override;
    int sync() override;

private:
    void WriteCompleteLines();

    LogFile& file_;
    std::string pending_;  // text after the last LF, not yet written
};

// The --log file, opened for appending: a restart never truncates it, and a copy-and-truncate
// rotation leaves no hole. A line that cannot be written is counted as lost; the server says so
// once on standard error, reopens the file every kLogRetryMs, and on success writes one line
// with the number of lines lost.
class LogFile {
public:
    // events: where the one warning about a failing file goes (nullptr: nowhere).
    explicit LogFile(std::ostream* events = nullptr);
    ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    bool Open(const std::string& path, std::string& error);
    std::ostream* Stream() { return stream_ ? &*stream_ : nullptr; }
    // Closes and opens the file's path again (after a rename by log rotation).
    void Reopen();
    // Retries a failing file once kLogRetryMs have passed since the last attempt.
    void Maintain(std::int64_t now_ms);
    // Lines lost and not yet reported in the file.
    std::uint64_t LostLines() const { return lost_; }
    // Lines lost since the server started, reported or not.
    std::uint64_t TotalLostLines() const { return total_lost_; }
    // Tries once more to report lost lines and closes the file; an unfinished line (no LF yet)
    // is dropped, since only whole lines reach the file.
    void Close();

    // Whole lines, each ending with LF; called by the stream buffer.
    void WriteLines(std::string_view text);

private:
    bool OpenPath();
    bool WriteAll(std::string_view text);
    void CountLost(std::string_view text);
    void Fail(std::string_view text, int error);
    bool Recover();

    std::ostream* events_;
    std::string path_;
    int fd_ = -1;
    bool failing_ = false;          // a write failed and the loss is not yet reported
    std::uint64_t lost_ = 0;        // lines dropped since the failure
    std::uint64_t total_lost_ = 0;  // lines dropped since the start
    std::int64_t last_try_ms_ = 0;  // monotonic ms of the last recovery attempt
    std::unique_ptr<LineFlushBuf> buffer_;
    std::unique_ptr<std::ostream> stream_;
};

}  // namespace gs
