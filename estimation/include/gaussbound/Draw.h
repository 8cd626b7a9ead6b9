// Samples of normal classes from one documented, portable stream.
//
//   NormalStream   standard normal variates from a 64-bit seed
//   drawSamples    n1 points of class 1, then n2 of class 2
//   drawClasses    n_1 points of class 1, then n_2 of class 2, ..., of C classes
//
// The stream is the same on every platform with IEEE doubles: std::mt19937_64
// seeded with S, whose outputs the C++ standard fixes; from each output x the
// uniform u = (x >> 11) 2^-53 in [0, 1); the polar Box-Muller method on pairs
// v1 = 2 u1 - 1, v2 = 2 u2 - 1, rejecting s = v1^2 + v2^2 >= 1 and s = 0, and
// from an accepted pair both variates, v1 f then v2 f with
// f = sqrt(-2 ln s / s). std::normal_distribution is not used: its algorithm
// differs between standard libraries.
//
// A point of N(mu, Sigma) is x = mu + L z with z the stream's next d
// variates and L the lower Cholesky factor of Sigma, each coordinate summed
// as mu_i + (L_i1 z_1 + ... + L_ii z_i) from the left.
#ifndef GAUSSBOUND_DRAW_H
#define GAUSSBOUND_DRAW_H

#include <cstdint>
#include <random>
#include <utility>
#include <vector>

#include "gaussbound/Classes.h"
#include "gaussbound/Estimate.h"
#include "gaussbound/Model.h"

namespace gaussbound {

class NormalStream {
public:
    explicit NormalStream(std::uint64_t seed) : engine_(seed) {}

    // The next standard normal variate.
    double next();

private:
    double uniform();

    std::mt19937_64 engine_;
    double spare_ = 0.0;
    bool hasSpare_ = false;
};

// Reads a valid model (see validate) and counts >= 0; draws class 1's n1
// points, then class 2's n2, from one stream seeded with seed. Throws
// std::invalid_argument for a negative count, a model without hasShape or a
// covariance whose Cholesky factorisation fails.
std::pair<Points, Points> drawSamples(const Model& model, Eigen::Index n1, Eigen::Index n2, std::uint64_t seed);

// Reads a valid model (see validate in Classes.h) and one count >= 0 for each
// class; draws class 1's counts[0] points, then class 2's, ..., from one
// stream seeded with seed, as drawSamples draws them: for two classes both
// give the same points. Throws std::invalid_argument for others.
std::vector<Points> drawClasses(const ClassesModel& model, const std::vector<Eigen::Index>& counts, std::uint64_t seed);

}  // namespace gaussbound

#endif
