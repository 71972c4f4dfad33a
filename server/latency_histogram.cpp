// Bucketing and percentiles of the latency histogram.
#include "server/latency_histogram.h"

#include <algorithm>
#include <cmath>

namespace gs {
namespace {

int HighestBit(std::uint64_t value) { return 63 - __builtin_clzll(value); }

}  // namespace

std::size_t LatencyHistogram::Bucket(std::uint64_t us) {
    if (us < kSubBuckets) return static_cast<std::size_t>(us);
    const int shift = HighestBit(us) - kSubBucketBits;  // >= 0: us has at least 7 bits
    const std::size_t sub = static_cast<std::size_t>(us >> shift) - kSubBuckets;
    return kSubBuckets * static_cast<std::size_t>(shift + 1) + sub;
}

std::uint64_t LatencyHistogram::LowerBound(std::size_t bucket) {
    if (bucket < kSubBuckets) return bucket;
    const std::size_t shift = bucket / kSubBuckets - 1;
    return (kSubBuckets + bucket % kSubBuckets) << shift;
}

void LatencyHistogram::Add(std::int64_t us) {
    const std::int64_t clamped = std::max<std::int64_t>(us, 0);
    ++counts_[Bucket(static_cast<std::uint64_t>(clamped))];
    ++count_;
    max_ = std::max(max_, clamped);
}

std::int64_t LatencyHistogram::Percentile(double fraction) const {
    if (count_ == 0) return 0;
    // Nearest rank: the smallest sample with at least `fraction` of all samples at or below it.
    const double wanted = std::ceil(std::clamp(fraction, 0.0, 1.0) * static_cast<double>(count_));
    const std::uint64_t rank = std::max<std::uint64_t>(1, static_cast<std::uint64_t>(wanted));
    std::uint64_t seen = 0;
    for (std::size_t bucket = 0; bucket < kBuckets; ++bucket) {
        seen += counts_[bucket];
        if (seen >= rank) {
            return std::min(static_cast<std::int64_t>(LowerBound(bucket)), max_);
        }
    }
    return max_;
}

}  // namespace gs
