// Percentiles of the latency histogram: exact for small durations, within 1/64 above.
#include "server/latency_histogram.h"

#include <gtest/gtest.h>

namespace gs {
namespace {

TEST(LatencyHistogram, PercentilesByNearestRank) {
    LatencyHistogram empty;
    EXPECT_EQ(empty.Percentile(0.5), 0);

    LatencyHistogram small;  // 1..50 us: every bucket holds one exact value
    for (int us = 50; us >= 1; --us) small.Add(us);
    EXPECT_EQ(small.Percentile(0.5), 25);
    EXPECT_EQ(small.Percentile(0.9), 45);
    EXPECT_EQ(small.Percentile(1.0), 50);
    EXPECT_EQ(small.Max(), 50);

    LatencyHistogram wide;  // 1 us .. 100 s, and a negative clock step counted as 0
    for (std::int64_t us = 1; us <= 100'000'000; us *= 10) wide.Add(us);
    wide.Add(-5);
    EXPECT_EQ(wide.Count(), 10u);
    EXPECT_EQ(wide.Percentile(0.0), 0);
    EXPECT_EQ(wide.Max(), 100'000'000);
    for (const auto& [fraction, exact] : {std::pair{0.5, 1'000}, {0.7, 100'000}}) {
        const std::int64_t got = wide.Percentile(fraction);
        EXPECT_LE(got, exact);
        EXPECT_GE(got, exact - exact / 64) << fraction;
    }
}

}  // namespace
}  // namespace gs
