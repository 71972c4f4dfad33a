// The two steps of a waiting game's start timeout.
#include "server/start_timer.h"

namespace gs {

void StartTimer::MembersChanged(std::size_t members, std::int64_t now_ms) {
    if (timeout_ms_ <= 0) return;
    if (members < 2) {
        deadline_ms_ = -1;
        asked_ = false;
    } else if (deadline_ms_ < 0) {
        deadline_ms_ = now_ms + timeout_ms_;
    }
}

StartTimer::Due StartTimer::Poll(std::int64_t now_ms) {
    if (deadline_ms_ < 0 || now_ms < deadline_ms_) return Due::kNothing;
    if (asked_) {
        deadline_ms_ = -1;
        return Due::kStart;
    }
    asked_ = true;
    deadline_ms_ = now_ms + timeout_ms_;
    return Due::kAskCreator;
}

}  // namespace gs
