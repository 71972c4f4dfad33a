// The server's state folder: the last game number reserved, and the results file.
#pragma once

#include <iosfwd>
#include <string>

#include "server/game_records.h"
#include "server/results_file.h"

namespace gs {

constexpr int kGameNumbersPerReservation = 100;  // numbers reserved on disk at once
constexpr char kLastGameFileName[] = "last_game";

// Game numbers and results kept in a folder. Numbers are reserved on disk a block at a time
// before any of them is given out, so a crash can only skip numbers, never repeat one.
class StateDir final : public GameRecords {
public:
    explicit StateDir(std::ostream* events) : events_(events), results_(events) {}

    // Creates the folder if needed, repairs the results file and reads where numbering stands.
    bool Open(const std::string& dir, std::string& error);
    // Puts the queued results on disk (see ResultsFile::Commit).
    bool Commit() { return results_.Commit(); }
    bool Pending() const { return results_.Pending(); }

    int NewGameNumber() override;
    void GameEnded(const GameResult& result) override;

private:
    std::ostream* events_;
    std::string last_game_path_;
    ResultsFile results_;
    int next_ = 1;      // the number the next game gets
    int reserved_ = 0;  // numbers up to this one are reserved on disk
    bool warned_ = false;
};

}  // namespace gs
