// The A/B test's statistics against figures from independent closed forms: Wald's sequential test
// for results without draws, the normal approximation of the generalised test for many results,
// and the logistic Elo table.
#include "match/league/sprt.h"

#include <gtest/gtest.h>

#include <cmath>

namespace match {
namespace {

// Without draws a result is a Bernoulli trial, the constrained distributions are fixed by their
// means, and the ratio is Wald's: W ln(s1/s0) + L ln((1-s1)/(1-s0)), s = 1/(1+10^(-elo/400)).
// For pairs that were both lost or both won, a pair is that one trial. The small count given to
// unseen outcomes moves the ratio by well under the tolerance.
TEST(SprtTest, RatioWithoutDrawsIsWaldsBernoulliRatio) {
    struct Case {
        OutcomeCounts counts;
        double elo0, elo1, expected;
    };
    const Case cases[] = {
        {{20, 0, 30}, 0, 200, -2.1069865},
        {{3, 0, 12}, 0, 100, 1.9774857},
        {{480, 0, 520}, 0, 5, 0.4720971},
        {{0, 0, 3}, 0, 5, 0.0428628},                   // a run of wins: small, finite, positive
        {{20, 0, 0, 0, 30}, 0, 200, -2.1069865},        // pairs, counted as trials
    };
    for (const Case& c : cases)
        EXPECT_NEAR(LogLikelihoodRatio(c.counts, c.elo0, c.elo1), c.expected, 0.01 * std::fabs(c.expected))
            << c.counts.size() << " outcomes, " << c.counts.back() << " at the top";
}

// With many results the ratio approaches N (s1-s0)(2m-s0-s1) / (2 var), m and var the mean and
// variance of a result's score.
TEST(SprtTest, RatioOfManyResultsMatchesTheNormalApproximation) {
    struct Case {
        OutcomeCounts counts;
        double elo0, elo1, expected;
    };
    const Case cases[] = {
        {{1800, 5000, 2000}, 0, 5, 4.5603691},
        {{11500, 30000, 12000}, 0, 5, 3.7702851},
        {{5300, 10000, 5000}, -3, 1, -5.4836949},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(LogLikelihoodRatio(c.counts, c.elo0, c.elo1), c.expected, 0.01 * std::fabs(c.expected));
}

TEST(SprtTest, BoundsAndVerdicts) {
    const SprtBounds usual = BoundsOf(SprtSettings{});
    EXPECT_NEAR(usual.lower, -2.9444390, 1e-6);
    EXPECT_NEAR(usual.upper, 2.9444390, 1e-6);
    const SprtBounds uneven = BoundsOf(SprtSettings{0, 5, 0.05, 0.1});
    EXPECT_NEAR(uneven.lower, -2.2512918, 1e-6);
    EXPECT_NEAR(uneven.upper, 2.8903718, 1e-6);
    EXPECT_EQ(Decide(2.95, usual), SprtVerdict::kAcceptH1);
    EXPECT_EQ(Decide(-2.95, usual), SprtVerdict::kAcceptH0);
    EXPECT_EQ(Decide(2.9, usual), SprtVerdict::kContinue);
}

TEST(SprtTest, EloEstimateAndErrorBar) {
    // 75% is +190.85 Elo; 10 wins, 10 draws, 0 losses: mean 0.75, variance 0.0625 per game.
    const EloEstimate e = EstimateElo({0, 10, 10});
    EXPECT_NEAR(e.elo, 190.8485, 1e-3);
    // The interval 0.75 +- 1.96 sqrt(0.0625 / 20), in Elo: from +100.3 to +314.7.
    EXPECT_NEAR(e.margin, 107.22, 0.01);
    // Even results: no difference; all wins: no finite estimate.
    EXPECT_NEAR(EstimateElo({5, 0, 5}).elo, 0, 1e-9);
    EXPECT_TRUE(std::isinf(EstimateElo({0, 0, 4}).elo));
    EXPECT_TRUE(std::isinf(EstimateElo({0, 0, 4}).margin));
    EXPECT_NEAR(EloOfScore(ScoreOfElo(-123.4)), -123.4, 1e-9);
}

}  // namespace
}  // namespace match
