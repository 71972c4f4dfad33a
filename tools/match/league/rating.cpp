// The Plackett-Luce update of Weng and Lin (2011), "A Bayesian Approximation Method for Online
// Ranking" (JMLR 12), for one-player teams: each player's strength exp(mu/c) decides how likely
// it is to finish ahead of everyone placed at or below it, and mu and sigma move by the gradient
// and curvature of that likelihood.
#include "match/league/rating.h"

#include <algorithm>
#include <cmath>

namespace match {

void RatingModel::Rate(std::vector<Rating>& ratings, const std::vector<int>& ranks) const {
    const size_t n = ratings.size();
    if (n < 2 || ranks.size() != n) return;
    double c_squared = 0;
    for (Rating& r : ratings) {
        r.sigma = std::sqrt(r.sigma * r.sigma + tau * tau);
        c_squared += r.sigma * r.sigma + beta * beta;
    }
    const double c = std::sqrt(c_squared);
    std::vector<double> strength(n);
    for (size_t i = 0; i < n; ++i) strength[i] = std::exp(ratings[i].mu / c);
    // For every place q: the total strength of the players placed at or below it, and how many
    // share it.
    std::vector<double> below_sum(n, 0.0);
    std::vector<int> tied(n, 0);
    for (size_t q = 0; q < n; ++q)
        for (size_t s = 0; s < n; ++s) {
            if (ranks[s] >= ranks[q]) below_sum[q] += strength[s];
            if (ranks[s] == ranks[q]) ++tied[q];
        }
    std::vector<Rating> updated = ratings;
    for (size_t i = 0; i < n; ++i) {
        double omega = 0, delta = 0;
        for (size_t q = 0; q < n; ++q) {
            if (ranks[q] > ranks[i]) continue;
            double p =
                strength[i] / below_sum[q];  // chance i comes first among those at or below q
            omega += ((q == i ? 1.0 : 0.0) - p) / tied[q];
            delta += p * (1.0 - p) / tied[q];
        }
        const double variance = ratings[i].sigma * ratings[i].sigma;
        const double gamma = ratings[i].sigma / c;  // damps the shrink for players with many rivals
        updated[i].mu += variance / c * omega;
        updated[i].sigma =
            std::sqrt(variance * std::max(1.0 - gamma * variance / c_squared * delta, kappa));
    }
    ratings = std::move(updated);
}

}  // namespace match
