// Progress of a long run on the console: games done of the total, the rate and the time left,
// on one updating line on a terminal and as plain lines otherwise.
#pragma once

#include <chrono>
#include <mutex>
#include <ostream>
#include <string>

namespace match {

// "12/40 games (30%), 3.1 games/s, about 9 s left"; no rate or estimate before the first game.
std::string FormatProgress(int done, int total, double elapsed_s);

// "42 s", "3 min 5 s", "2 h 10 min".
std::string FormatDuration(double seconds);

// Reports finished games from any thread.
class Progress {
public:
    Progress(std::ostream& out, bool terminal, int total);

    // One more game is done; `what` says how it went (printed on its own line when not on a
    // terminal).
    void GameDone(const std::string& what);
    // Ends the updating line, so what follows starts on a fresh one.
    void Finish();

private:
    std::ostream& out_;
    const bool terminal_;
    const int total_;
    int done_ = 0;
    bool line_open_ = false;
    std::chrono::steady_clock::time_point start_;
    std::mutex mutex_;
};

}  // namespace match
