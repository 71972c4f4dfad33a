// The clock of a waiting game: once somebody has joined, its creator is asked to start it, and
// if it still waits after as long again, the server starts it, so no creator holds joiners
// captive.
#pragma once

#include <cstddef>
#include <cstdint>

namespace gs {

// Where a waiting game stands with its start timeout.
class StartTimer {
public:
    // What is due when the deadline has passed.
    enum class Due { kNothing, kAskCreator, kStart };

    explicit StartTimer(int timeout_s) : timeout_ms_(static_cast<std::int64_t>(timeout_s) * 1000) {}

    // The game's member count changed; the clock runs while it has a joiner and stops (and
    // starts afresh on the next join) while its creator is alone.
    void MembersChanged(std::size_t members, std::int64_t now_ms);
    // What to do now; each step is handed out once.
    Due Poll(std::int64_t now_ms);
    std::int64_t deadline_ms() const { return deadline_ms_; }  // -1: no deadline

private:
    std::int64_t timeout_ms_;  // 0: waiting games never time out
    std::int64_t deadline_ms_ = -1;
    bool asked_ = false;  // the creator has been asked to start
};

}  // namespace gs
