// The statistics of an A/B test between two scripts: a sequential probability ratio test on the
// logistic Elo model, the Elo difference with its 95% error bar, and the test's bounds.
#pragma once

#include <vector>

namespace match {

// The two hypotheses (Elo differences of NEW over OLD) and the error rates the test allows.
struct SprtSettings {
    double elo0 = 0;     // H0: NEW is better by at most this
    double elo1 = 5;     // H1: NEW is better by at least this
    double alpha = 0.05; // chance of accepting H1 when H0 holds
    double beta = 0.05;  // chance of accepting H0 when H1 holds
};

// Where the log-likelihood ratio stops the test: at or below `lower` H0 is accepted, at or above
// `upper` H1 is.
struct SprtBounds {
    double lower = 0;
    double upper = 0;
};

SprtBounds BoundsOf(const SprtSettings& settings);

enum class SprtVerdict { kContinue, kAcceptH0, kAcceptH1 };

SprtVerdict Decide(double llr, const SprtBounds& bounds);

// The expected score of a player `elo` points stronger, and back.
double ScoreOfElo(double elo);
double EloOfScore(double score);

// Results counted per outcome, outcomes evenly spread over the scores 0..1: {losses, draws, wins}
// for single games, {0, 1/4, 1/2, 3/4, 1} points per game for pairs of games. The test treats each
// counted result as one independent trial, so paired games are counted as pairs.
using OutcomeCounts = std::vector<double>;

// The generalised log-likelihood ratio of elo1 against elo0: the log of the likelihood of the
// results under the most likely outcome distribution whose mean score is ScoreOfElo(elo1), over
// the same for elo0. Outcomes never seen are counted as 0.001, so that a run of identical results
// (all wins) gives a finite ratio that grows with every result.
double LogLikelihoodRatio(const OutcomeCounts& counts, double elo0, double elo1);

// The Elo difference the results show and half the width of its 95% confidence interval;
// infinite where the score or a bound of its interval is 0% or 100%.
struct EloEstimate {
    double elo = 0;
    double margin = 0;
    double score = 0.5;  // mean score per game
};

EloEstimate EstimateElo(const OutcomeCounts& counts);

}  // namespace match
