// Console progress for tournaments.
#include "match/league/progress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace match {

std::string FormatDuration(double seconds) {
    long s = std::lround(std::max(0.0, seconds));
    if (s < 60) return std::to_string(s) + " s";
    if (s < 3600) return std::to_string(s / 60) + " min " + std::to_string(s % 60) + " s";
    return std::to_string(s / 3600) + " h " + std::to_string(s % 3600 / 60) + " min";
}

std::string FormatProgress(int done, int total, double elapsed_s) {
    std::string text = std::to_string(done) + "/" + std::to_string(total) + " games";
    if (total > 0) text += " (" + std::to_string(done * 100 / total) + "%)";
    if (done <= 0 || elapsed_s <= 0) return text;
    const double rate = done / elapsed_s;
    char rate_text[32];
    std::snprintf(rate_text, sizeof rate_text, rate < 10 ? "%.1f" : "%.0f", rate);
    text += std::string(", ") + rate_text + " games/s";
    if (done < total) text += ", about " + FormatDuration((total - done) / rate) + " left";
    return text;
}

Progress::Progress(std::ostream& out, bool terminal, int total)
    : out_(out), terminal_(terminal), total_(total), start_(std::chrono::steady_clock::now()) {}

void Progress::GameDone(const std::string& what) {
    std::lock_guard<std::mutex> lock(mutex_);
    ++done_;
    double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    std::string status = FormatProgress(done_, total_, elapsed);
    if (terminal_) {
        out_ << "\r" << status << "\033[K";  // rewrite the line and clear what a longer one left
        line_open_ = true;
    } else {
        out_ << what << "; " << status << '\n';
    }
    out_.flush();
}

void Progress::Finish() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (line_open_) out_ << '\n';
    line_open_ = false;
    out_.flush();
}

}  // namespace match
