// Limits on chat: a token bucket per sender, and caps on what one room (the lobby, a waiting
// game or a running game) relays, so that no flood can fill a reader's output backlog.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <unordered_map>

#include "server/net_buffers.h"

namespace gs {

constexpr int kDefaultChatBurst = 10;     // chat lines a client may send at once
constexpr int kDefaultChatPerSecond = 2;  // chat lines a second a client may send after a burst
constexpr int kMaxChatRate = 1000000;     // the largest burst or rate --chat-rate takes
// Bytes of chat lines one room relays a second (each line counted once). A reader's backlog
// grows by chat no faster than this, so one that stops reading altogether keeps its place for
// kMaxOutputBytes / this = 64 s; one that reads at all keeps it for good.
constexpr double kRoomChatBytesPerSecond = 16 * 1024;
// Bytes a second that one room's chat adds to all its readers' backlogs together (a line counts
// once per reader). Bounds what a flood makes the server write: a lobby of 200 readers gets
// about 1.3 KiB a second each, a dozen short lines.
constexpr double kRoomChatFanoutBytesPerSecond = 256 * 1024;
static_assert(kRoomChatBytesPerSecond * 64 <= kMaxOutputBytes,
              "a reader that stops must keep its place for a minute");

// Tokens that refill at a steady rate up to a burst. Time comes from the caller (monotonic ms),
// so tests drive it by hand.
class TokenBucket {
public:
    TokenBucket(double burst, double per_second);
    // Whether cost tokens are there: a cost above the burst needs a full bucket (and leaves a
    // debt), so that no line is too big ever to pass.
    bool Allows(double cost, std::int64_t now_ms);
    void Spend(double cost) { tokens_ -= cost; }
    bool Take(double cost, std::int64_t now_ms);  // spends cost if allowed; false if not
    bool Full(std::int64_t now_ms);               // the bucket has refilled up to its burst

private:
    void Refill(std::int64_t now_ms);

    double burst_;
    double per_ms_;
    double tokens_;
    std::int64_t last_ms_ = 0;
    bool started_ = false;  // last_ms_ holds a time
};

// What to do with one chat line.
enum class ChatVerdict {
    kRelay,
    kDropSenderTooFast,  // dropped; tell the sender, the first drop since it last slowed down
    kDropRoomBusy,       // dropped; tell the sender likewise
    kDropQuietly,        // dropped; the sender has been told already
};

// Decides which chat lines are relayed and counts those that are not.
class ChatLimiter {
public:
    ChatLimiter(int burst, int per_second);

    // A chat line from sender, checked against its own rate. Checked first, before the lobby
    // looks for the line's readers: a flood is dropped at the cost of this alone.
    ChatVerdict AdmitSender(std::uint64_t sender, std::int64_t now_ms);
    // Then the same line, of `bytes` (as written, LF included), to `readers` clients of `room`
    // (0: the lobby, else the game's number).
    ChatVerdict AdmitToRoom(std::uint64_t sender, int room, std::size_t bytes, std::size_t readers,
                            std::int64_t now_ms);
    void ForgetSender(std::uint64_t sender);
    std::uint64_t Dropped() const { return dropped_; }  // chat lines dropped since the start

private:
    // A sender's bucket, and whether its next drop is to be told.
    struct Sender {
        TokenBucket lines;
        bool notice_due = true;
    };
    // A room's caps: bytes of lines, and bytes times readers.
    struct Room {
        TokenBucket bytes{kRoomChatBytesPerSecond, kRoomChatBytesPerSecond};
        TokenBucket fanout{kRoomChatFanoutBytesPerSecond, kRoomChatFanoutBytesPerSecond};
    };
    ChatVerdict Drop(Sender& sender, ChatVerdict told);
    Room& RoomOf(int room, std::int64_t now_ms);

    int burst_;
    int per_second_;
    std::unordered_map<std::uint64_t, Sender> senders_;
    std::map<int, Room> rooms_;
    std::size_t prune_at_ = 64;  // rooms kept before idle ones are forgotten
    std::uint64_t dropped_ = 0;
};

}  // namespace gs
