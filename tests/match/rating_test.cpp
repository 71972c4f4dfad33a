// Tests of the Plackett-Luce ratings against published reference numbers.
#include "match/league/rating.h"

#include <gtest/gtest.h>

namespace match {
namespace {

// Reference numbers computed offline with the published "openskill" npm package, version 5.0.1,
// using its default Plackett-Luce model (mu 25, sigma 25/3, beta 25/6, tau 25/300):
// rate([[a],[b],...], {rank: [...]}) with the ratings and ranks below.
struct RatingCase {
    const char* what;
    std::vector<Rating> before;
    std::vector<int> ranks;
    double tau;
    std::vector<Rating> after;
};

const Rating kNew{};

TEST(Rating, MatchesThePublishedPackage) {
    const RatingCase cases[] = {
        {"four new players",
         {kNew, kNew, kNew, kNew},
         {1, 2, 3, 4},
         25.0 / 300.0,
         {{27.795252673, 8.263571791},
          {26.552918151, 8.179617988},
          {24.689416370, 8.084127880},
          {20.962412806, 8.084127880}}},
        {"two tied behind a weaker winner",
         {{30, 6}, {22, 7.5}, kNew},
         {2, 1, 2},
         25.0 / 300.0,
         {{28.715688372, 5.898337982}, {24.874897969, 7.404235148}, {23.928049365, 7.973502761}}},
        {"two new players",
         {kNew, kNew},
         {1, 2},
         25.0 / 300.0,
         {{27.635389493, 8.065901414}, {22.364610507, 8.065901414}}},
        {"an upset without drift",
         {{28, 3}, {20, 2}},
         {2, 1},
         0.0,
         {{27.008585993, 2.977571055}, {20.440628448, 1.995581271}}},
    };
    for (const RatingCase& c : cases) {
        RatingModel model;
        model.tau = c.tau;
        std::vector<Rating> ratings = c.before;
        model.Rate(ratings, c.ranks);
        ASSERT_EQ(ratings.size(), c.after.size()) << c.what;
        for (size_t i = 0; i < ratings.size(); ++i) {
            EXPECT_NEAR(ratings[i].mu, c.after[i].mu, 1e-8) << c.what << ", player " << i;
            EXPECT_NEAR(ratings[i].sigma, c.after[i].sigma, 1e-8) << c.what << ", player " << i;
        }
    }
}

TEST(Rating, ConservativeEstimateIsThreeDeviationsBelowTheMean) {
    EXPECT_DOUBLE_EQ((Rating{30, 2}).Conservative(), 24);
    EXPECT_DOUBLE_EQ(kNew.Conservative(), 0);
}

}  // namespace
}  // namespace match
