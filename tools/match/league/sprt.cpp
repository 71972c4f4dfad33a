// The A/B test's statistics. The log-likelihood ratio is the generalised one chess engine testers
// use: for each hypothesis, the outcome distribution closest to the observed frequencies (by
// likelihood) among those with the hypothesis' mean score, found by a one-dimensional root search.
#include "match/league/sprt.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace match {
namespace {

constexpr double kUnseenCount = 1e-3;      // the count given to outcomes never seen
constexpr double kZ95 = 1.959963984540054;  // two-sided 95% quantile of the normal distribution
constexpr int kRootSteps = 200;             // bisection steps: far past double precision

// The score of outcome `i` of `n`, evenly spread over 0..1.
double OutcomeScore(size_t i, size_t n) { return static_cast<double>(i) / static_cast<double>(n - 1); }

// The frequencies of the outcomes (summing to 1), with unseen ones given a small count.
std::vector<double> Frequencies(const OutcomeCounts& counts, double* total) {
    std::vector<double> f;
    for (double c : counts) f.push_back(c > 0 ? c : kUnseenCount);
    *total = std::accumulate(f.begin(), f.end(), 0.0);
    for (double& x : f) x /= *total;
    return f;
}

// The most likely distribution with mean score `s` given the frequencies `f` (every outcome seen,
// 0 < s < 1): f[i] / (1 + theta * (a[i] - s)), with theta the root of the mean condition. That
// condition falls strictly in theta between the bounds where a weight would turn negative.
std::vector<double> MostLikelyWithMean(const std::vector<double>& f, double s) {
    const size_t n = f.size();
    auto mean_gap = [&](double theta) {
        double sum = 0;
        for (size_t i = 0; i < n; ++i) {
            const double d = OutcomeScore(i, n) - s;
            sum += f[i] * d / (1 + theta * d);
        }
        return sum;
    };
    double low = -1 / (1 - s), high = 1 / s;  // outcome scores run from 0 to 1
    for (int step = 0; step < kRootSteps; ++step) {
        const double mid = low + (high - low) / 2;
        (mean_gap(mid) > 0 ? low : high) = mid;
    }
    const double theta = low + (high - low) / 2;
    std::vector<double> p(n);
    for (size_t i = 0; i < n; ++i) p[i] = f[i] / (1 + theta * (OutcomeScore(i, n) - s));
    return p;
}

double Infinite(double sign) { return std::copysign(std::numeric_limits<double>::infinity(), sign); }

}  // namespace

SprtBounds BoundsOf(const SprtSettings& settings) {
    return SprtBounds{std::log(settings.beta / (1 - settings.alpha)),
                      std::log((1 - settings.beta) / settings.alpha)};
}

SprtVerdict Decide(double llr, const SprtBounds& bounds) {
    if (llr >= bounds.upper) return SprtVerdict::kAcceptH1;
    if (llr <= bounds.lower) return SprtVerdict::kAcceptH0;
    return SprtVerdict::kContinue;
}

double ScoreOfElo(double elo) { return 1 / (1 + std::pow(10.0, -elo / 400)); }

double EloOfScore(double score) {
    if (score <= 0 || score >= 1) return Infinite(score - 0.5);
    return -400 * std::log10(1 / score - 1);
}

double LogLikelihoodRatio(const OutcomeCounts& counts, double elo0, double elo1) {
    if (counts.size() < 2) return 0;
    double total = 0;
    const std::vector<double> f = Frequencies(counts, &total);
    const std::vector<double> p0 = MostLikelyWithMean(f, ScoreOfElo(elo0));
    const std::vector<double> p1 = MostLikelyWithMean(f, ScoreOfElo(elo1));
    double per_result = 0;
    for (size_t i = 0; i < f.size(); ++i) per_result += f[i] * std::log(p1[i] / p0[i]);
    return total * per_result;
}

EloEstimate EstimateElo(const OutcomeCounts& counts) {
    EloEstimate e;
    const double n = std::accumulate(counts.begin(), counts.end(), 0.0);
    if (counts.size() < 2 || n <= 0) {
        e.margin = Infinite(1);
        return e;
    }
    double mean = 0, square = 0;
    for (size_t i = 0; i < counts.size(); ++i) {
        const double a = OutcomeScore(i, counts.size());
        mean += counts[i] * a / n;
        square += counts[i] * a * a / n;
    }
    const double deviation = std::sqrt(std::max(0.0, square - mean * mean) / n);
    const double low = mean - kZ95 * deviation, high = mean + kZ95 * deviation;
    e.score = mean;
    e.elo = EloOfScore(mean);
    e.margin = low <= 0 || high >= 1 ? Infinite(1) : (EloOfScore(high) - EloOfScore(low)) / 2;
    return e;
}

}  // namespace match
