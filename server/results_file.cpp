// results.jsonl on disk: repaired at start, appended with O_APPEND, synced once per commit.
#include "server/results_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <nlohmann/json.hpp>
#include <ostream>

#include "protocol/results.h"
#include "server/write_fully.h"

namespace gs {
namespace {

constexpr mode_t kStateFileMode = 0644;   // results are for reading by other programs
constexpr std::size_t kReadChunkBytes = 64 * 1024;  // bytes read at once when scanning the file

std::string Reason(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

bool WriteAll(int fd, const std::string& text) {
    std::size_t written = 0;
    return WriteFully(fd, text, written);
}

// The game number of one whole line, or 0 when the line is not a result.
int GameOf(const std::string& line) {
    const nlohmann::json parsed = nlohmann::json::parse(line, nullptr, false);
    if (!parsed.is_object()) return 0;
    const auto it = parsed.find(protocol::results::key::kGame);
    return it != parsed.end() && it->is_number_integer() ? it->get<int>() : 0;
}

}  // namespace

ResultsFile::~ResultsFile() {
    Commit();
    if (fd_ >= 0) ::close(fd_);
}

bool ResultsFile::Open(const std::string& path, int& highest_game, std::string& error) {
    path_ = path;
    fd_ = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, kStateFileMode);
    if (fd_ < 0) return error = Reason("cannot open", path), false;
    if (!SyncParentDir(path)) return error = Reason("cannot sync the folder of", path), false;
    return Repair(highest_game, error);
}

// Reads every whole line for its game number; bytes after the last LF are what a crash left of
// a line being written, and are cut off.
bool ResultsFile::Repair(int& highest_game, std::string& error) {
    highest_game = 0;
    std::string line;
    std::int64_t whole = 0;  // bytes up to and including the last LF
    std::int64_t offset = 0;
    char chunk[kReadChunkBytes];
    for (;;) {
        const ssize_t n = ::pread(fd_, chunk, sizeof chunk, offset);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return error = Reason("cannot read", path_), false;
        if (n == 0) break;
        for (ssize_t i = 0; i < n; ++i) {
            if (chunk[i] != '\n') {
                line += chunk[i];
                continue;
            }
            highest_game = std::max(highest_game, GameOf(line));
            line.clear();
            whole = offset + i + 1;
        }
        offset += n;
    }
    if (whole < offset) {
        if (::ftruncate(fd_, whole) != 0 || ::fsync(fd_) != 0)
            return error = Reason("cannot repair", path_), false;
        if (events_) {
            *events_ << path_ << ": cut off a torn last line of " << offset - whole << " bytes"
                     << std::endl;
        }
    }
    committed_size_ = whole;
    return true;
}

void ResultsFile::Append(const std::string& line) {
    queued_ += line;
    queued_ += '\n';
}

bool ResultsFile::Commit() {
    if (queued_.empty() || fd_ < 0) return true;
    if (WriteAll(fd_, queued_) && ::fdatasync(fd_) == 0) {
        committed_size_ += static_cast<std::int64_t>(queued_.size());
        queued_.clear();
        if (warned_ && events_) *events_ << path_ << " written again" << std::endl;
        warned_ = false;
        return true;
    }
    const int saved = errno;
    (void)!::ftruncate(fd_, committed_size_);  // no torn line stays behind for the next attempt
    if (!warned_ && events_) {
        *events_ << "cannot write results to " << path_ << ": " << std::strerror(saved)
                 << "; keeping them to try again" << std::endl;
    }
    warned_ = true;
    return false;
}

bool ReplaceFileDurably(const std::string& path, const std::string& content) {
    const std::string temporary = path + ".tmp";
    const int fd =
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, kStateFileMode);
    if (fd < 0) return false;
    const bool written = WriteAll(fd, content) && ::fsync(fd) == 0;
    const int saved = errno;
    ::close(fd);
    if (!written) return errno = saved, false;
    return ::rename(temporary.c_str(), path.c_str()) == 0 && SyncParentDir(path);
}

bool SyncParentDir(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string dir =
        slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    const int saved = errno;
    ::close(fd);
    errno = saved;
    return ok;
}

}  // namespace gs
