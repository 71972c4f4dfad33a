// The chat limits on their own, driven by a hand-set clock: the token bucket, and the caps on
// what one room relays.
#include "server/chat_limit.h"

#include <gtest/gtest.h>

namespace gs {
namespace {

TEST(TokenBucket, RefillsAtItsRateUpToItsBurst) {
    struct Step {
        std::int64_t now_ms;
        double cost;
        bool taken;
    };
    // Burst 3, 2 a second: one token every 500 ms.
    const Step steps[] = {
        {0, 1, true},      {0, 1, true},      {0, 1, true},     {0, 1, false},  // the burst
        {499, 1, false},   {500, 1, true},    {500, 1, false},                  // then the rate
        {10000, 3, true},  {10000, 1, false},                    // no more than the burst
        {11500, 5, true},  {12500, 1, false}, {13000, 1, true},  // a big cost leaves a debt
        {12000, 1, false},                                       // time going back adds nothing
    };
    TokenBucket bucket(3, 2);
    for (const Step& step : steps) {
        EXPECT_EQ(bucket.Take(step.cost, step.now_ms), step.taken)
            << "at " << step.now_ms << " ms, cost " << step.cost;
    }
}

TEST(ChatLimiter, CapsWhatOneRoomRelays) {
    // Many senders, each within its own rate, one room: the room's caps hold them all.
    ChatLimiter limiter(kDefaultChatBurst, kDefaultChatPerSecond);
    const std::size_t line = 1000;
    const auto relayed_bytes = [&](int room, std::size_t readers) {
        double bytes = 0;
        for (std::uint64_t sender = 1; sender <= 2000; ++sender) {
            if (limiter.AdmitToRoom(sender, room, line, readers, 0) == ChatVerdict::kRelay)
                bytes += static_cast<double>(line * readers);
        }
        return bytes;
    };
    // One reader: the bytes cap; 200 readers: the fan-out cap. A line may overshoot by itself.
    const double one_reader = relayed_bytes(1, 1);
    EXPECT_LE(one_reader, kRoomChatBytesPerSecond + line);
    EXPECT_GE(one_reader, kRoomChatBytesPerSecond - line);
    EXPECT_LE(relayed_bytes(2, 200), kRoomChatFanoutBytesPerSecond + line * 200);
    EXPECT_GT(relayed_bytes(3, 200), 0);  // each room has caps of its own
    // A line bigger than the cap still passes when the room is quiet.
    EXPECT_EQ(limiter.AdmitToRoom(9999, 4, kMaxLineBytes, 300, 0), ChatVerdict::kRelay);
}

}  // namespace
}  // namespace gs
