// Bayesian skill ratings for free-for-all games with ranks: the Weng-Lin Plackett-Luce model.
#pragma once

#include <vector>

namespace match {

// A player's skill belief: a normal distribution with mean `mu` and deviation `sigma`.
struct Rating {
    double mu = 25.0;
    double sigma = 25.0 / 3.0;

    // The conservative estimate the leaderboard sorts by: the skill is above this with ~99.9%.
    double Conservative() const { return mu - 3.0 * sigma; }
};

// The model's constants; the defaults are the usual scale (a new player: 25 +- 25/3).
struct RatingModel {
    double beta = 25.0 / 6.0;   // performance noise of one game
    double tau = 25.0 / 300.0;  // skill drift added before every game, so sigma never freezes
    double kappa = 1e-4;        // the smallest factor sigma^2 may shrink by in one game

    // Updates the ratings of one game's players; `ranks[i]` is player i's place (1 = best,
    // equal places are ties). Both vectors have the same length of at least two.
    void Rate(std::vector<Rating>& ratings, const std::vector<int>& ranks) const;
};

}  // namespace match
