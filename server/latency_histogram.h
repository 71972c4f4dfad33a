// Durations kept as a log-linear histogram: fixed memory however long a server or a load test
// runs, and percentiles within 1/64 of the true value.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace gs {

// Counts of durations in microseconds; below 64 us exact, above in 64 buckets per power of two.
class LatencyHistogram {
public:
    void Add(std::int64_t us);
    std::uint64_t Count() const { return count_; }
    // The duration at or below which `fraction` (0..1) of the samples lie, as the lower bound of
    // its bucket; 0 when empty.
    std::int64_t Percentile(double fraction) const;
    std::int64_t Max() const { return max_; }

private:
    static constexpr int kSubBucketBits = 6;  // 64 buckets per power of two: within 1/64
    static constexpr std::size_t kSubBuckets = std::size_t{1} << kSubBucketBits;
    static constexpr std::size_t kBuckets = kSubBuckets * (64 - kSubBucketBits + 1);

    static std::size_t Bucket(std::uint64_t us);
    static std::uint64_t LowerBound(std::size_t bucket);

    std::array<std::uint64_t, kBuckets> counts_{};
    std::uint64_t count_ = 0;
    std::int64_t max_ = 0;
};

}  // namespace gs
