// The server's running figures: plain counters that the network layer and the game logic add to
// on their hot paths (no locks, no maps, no allocation), and gauges filled in when they are read.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "server/event_log.h"

namespace gs {

// Turn resolution times counted into fixed buckets, as a Prometheus histogram wants them.
class TurnTimeBuckets {
public:
    // Upper bounds of the buckets in microseconds (100 us to 10 s); +Inf is implicit.
    static constexpr std::array<std::int64_t, 16> kBoundsUs = {
        100,    250,    500,    1000,    2500,    5000,    10000,   25000,
        50000, 100000, 250000, 500000, 1000000, 2500000, 5000000, 10000000};

    void Add(std::int64_t us) {
        if (us < 0) us = 0;
        std::size_t bucket = 0;
        while (bucket < kBoundsUs.size() && us > kBoundsUs[bucket]) ++bucket;
        ++counts_[bucket];
        ++count_;
        sum_us_ += static_cast<std::uint64_t>(us);
    }
    // Samples at or below the bucket's bound (the last index, kBoundsUs.size(), is +Inf).
    std::uint64_t CumulativeCount(std::size_t bucket) const {
        std::uint64_t total = 0;
        for (std::size_t i = 0; i <= bucket && i < counts_.size(); ++i) total += counts_[i];
        return total;
    }
    std::uint64_t Count() const { return count_; }
    std::uint64_t SumUs() const { return sum_us_; }

private:
    std::array<std::uint64_t, kBoundsUs.size() + 1> counts_{};  // per bucket, not cumulative
    std::uint64_t count_ = 0;
    std::uint64_t sum_us_ = 0;
};

// Everything the metrics page shows. Counters only grow; gauges are set just before a reading.
struct ServerStats {
    // Gauges.
    std::int64_t connected_clients = 0;  // connections the game logic knows
    std::int64_t waiting_games = 0;      // created, not yet started
    std::int64_t running_games = 0;

    // Counters.
    std::uint64_t turns_resolved = 0;
    std::uint64_t lines_in = 0;   // complete lines read from clients
    std::uint64_t lines_out = 0;  // lines queued for clients
    std::uint64_t bytes_in = 0;
    std::uint64_t bytes_out = 0;
    std::array<std::uint64_t, kDisconnectReasons> refusals{};       // turned away at accept
    std::array<std::uint64_t, kDisconnectReasons> disconnections{};  // ended after being served
    std::uint64_t chat_lines_dropped = 0;  // chat lines the chat rate limit threw away
    std::uint64_t log_lines_lost = 0;      // log lines a failed write lost
    TurnTimeBuckets turn_times;            // from reading a turn's last order to its last end line

    void CountRefusal(DisconnectReason why) { ++refusals[static_cast<std::size_t>(why)]; }
    void CountDisconnection(DisconnectReason why) {
        ++disconnections[static_cast<std::size_t>(why)];
    }
};

}  // namespace gs
