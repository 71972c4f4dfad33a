// The JSON Lines log file: an output stream that reaches the file at the end of every line.
#pragma once

#include <cstdio>
#include <memory>
#include <ostream>
#include <streambuf>
#include <string>

namespace gs {

// A stream buffer that hands each completed line to a file and flushes it, so that other
// programs can follow the log while the server runs.
class LineFlushBuf : public std::streambuf {
public:
    explicit LineFlushBuf(std::FILE* file) : file_(file) {}

protected:
    int_type overflow(int_type ch) override;
    std::streamsize xsputn(const char* text, std::streamsize count) override;
    int sync() override;

private:
    bool WriteCompleteLines();

    std::FILE* file_;
    std::string pending_;  // text after the last LF, not yet written
};

// The --log file, opened for writing (an existing file is truncated).
class LogFile {
public:
    LogFile() = default;
    ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    bool Open(const std::string& path, std::string& error);
    std::ostream* Stream() { return stream_ ? &*stream_ : nullptr; }
    void Close();  // writes any unfinished line and closes the file

private:
    std::FILE* file_ = nullptr;
    std::unique_ptr<LineFlushBuf> buffer_;
    std::unique_ptr<std::ostream> stream_;
};

}  // namespace gs
