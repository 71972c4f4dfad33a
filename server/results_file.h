// results.jsonl: the finished games, appended and flushed to disk in groups.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

namespace gs {

// The results file. Lines are queued by Append and reach the disk together at Commit (one write,
// one fdatasync), which the network layer calls before writing to any client: a player hears
// that a game is over only once its result is on disk.
class ResultsFile {
public:
    explicit ResultsFile(std::ostream* events) : events_(events) {}
    ~ResultsFile();
    ResultsFile(const ResultsFile&) = delete;
    ResultsFile& operator=(const ResultsFile&) = delete;

    // Opens or creates the file, cuts off a torn last line left by a crash, and reports the
    // highest game number in it (0 for none). False with a reason when it cannot.
    bool Open(const std::string& path, int& highest_game, std::string& error);
    void Append(const std::string& line);  // one line without its LF
    // Writes and syncs the queued lines; a failure keeps them queued for the next call.
    bool Commit();
    bool Pending() const { return !queued_.empty(); }

private:
    bool Repair(int& highest_game, std::string& error);

    std::ostream* events_;
    std::string path_;
    int fd_ = -1;
    std::string queued_;
    std::int64_t committed_size_ = 0;  // bytes of whole lines on disk
    bool warned_ = false;              // a failure has been reported on stderr
};

// Writes a file whole or not at all: a temporary file, synced, renamed over path, and the
// folder synced. False with errno set on failure.
bool ReplaceFileDurably(const std::string& path, const std::string& content);
// Syncs the folder that holds path, so that a created or renamed entry survives a crash.
bool SyncParentDir(const std::string& path);

}  // namespace gs
