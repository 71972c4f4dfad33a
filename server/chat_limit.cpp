// Token buckets, and the chat limiter built from them.
#include "server/chat_limit.h"

#include <algorithm>

namespace gs {

TokenBucket::TokenBucket(double burst, double per_second)
    : burst_(burst), per_ms_(per_second / 1000.0), tokens_(burst) {}

void TokenBucket::Refill(std::int64_t now_ms) {
    if (started_ && now_ms > last_ms_)
        tokens_ = std::min(burst_, tokens_ + static_cast<double>(now_ms - last_ms_) * per_ms_);
    if (!started_ || now_ms > last_ms_) last_ms_ = now_ms;
    started_ = true;
}

bool TokenBucket::Allows(double cost, std::int64_t now_ms) {
    Refill(now_ms);
    return tokens_ >= std::min(cost, burst_);
}

bool TokenBucket::Take(double cost, std::int64_t now_ms) {
    if (!Allows(cost, now_ms)) return false;
    Spend(cost);
    return true;
}

bool TokenBucket::Full(std::int64_t now_ms) {
    Refill(now_ms);
    return tokens_ >= burst_;
}

ChatLimiter::ChatLimiter(int burst, int per_second)
    : burst_(std::max(burst, 1)), per_second_(std::max(per_second, 1)) {}

ChatVerdict ChatLimiter::AdmitSender(std::uint64_t sender_id, std::int64_t now_ms) {
    auto [it, added] = senders_.try_emplace(sender_id, Sender{TokenBucket(burst_, per_second_)});
    Sender& sender = it->second;
    // A sender that has paused long enough to refill is told again about its next drop.
    if (!added && sender.lines.Full(now_ms)) sender.notice_due = true;
    if (!sender.lines.Take(1, now_ms)) return Drop(sender, ChatVerdict::kDropSenderTooFast);
    return ChatVerdict::kRelay;
}

ChatVerdict ChatLimiter::AdmitToRoom(std::uint64_t sender_id, int room_number, std::size_t bytes,
                                     std::size_t readers, std::int64_t now_ms) {
    if (readers == 0) return ChatVerdict::kRelay;
    Room& room = RoomOf(room_number, now_ms);
    const double line = static_cast<double>(bytes);
    const double fanout = line * static_cast<double>(readers);
    // Both caps are checked before either is spent, so a refused line costs the room nothing.
    if (!room.bytes.Allows(line, now_ms) || !room.fanout.Allows(fanout, now_ms)) {
        auto sender = senders_.find(sender_id);
        if (sender != senders_.end()) return Drop(sender->second, ChatVerdict::kDropRoomBusy);
        ++dropped_;
        return ChatVerdict::kDropRoomBusy;
    }
    room.bytes.Spend(line);
    room.fanout.Spend(fanout);
    return ChatVerdict::kRelay;
}

void ChatLimiter::ForgetSender(std::uint64_t sender) { senders_.erase(sender); }

ChatVerdict ChatLimiter::Drop(Sender& sender, ChatVerdict told) {
    ++dropped_;
    if (!sender.notice_due) return ChatVerdict::kDropQuietly;
    sender.notice_due = false;
    return told;
}

// Rooms come and go with games; one whose caps have refilled holds nothing worth keeping.
ChatLimiter::Room& ChatLimiter::RoomOf(int room, std::int64_t now_ms) {
    if (rooms_.size() >= prune_at_ && rooms_.count(room) == 0) {
        for (auto it = rooms_.begin(); it != rooms_.end();) {
            const bool idle = it->second.bytes.Full(now_ms) && it->second.fanout.Full(now_ms);
            it = idle ? rooms_.erase(it) : std::next(it);
        }
        prune_at_ = std::max<std::size_t>(64, rooms_.size() * 2);
    }
    return rooms_[room];
}

}  // namespace gs
