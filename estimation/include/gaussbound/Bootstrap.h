// Percentile bootstrap intervals for the figures of two estimated classes.
//
//   BootstrapSettings  replicates, seed, threads, and how classes are estimated
//   BootstrapResult    95 % intervals for the Bayes error and both bounds
//   bootstrap          runs the replicates on threads
//
// Replicate b resamples n1 points of class 1 and then n2 of class 2 with
// replacement, estimates the model (estimateModel's way), and computes its
// Bayes error, its Chernoff bound (the optimum over beta with priors) and its
// Bhattacharyya bound. Each interval runs from the 2.5th to the 97.5th
// percentile of the replicates' values (see percentile).
//
// Each replicate draws from its own std::mt19937_64, seeded through
// std::seed_seq with the seed and b (both algorithms fixed by the C++
// standard), and indices are drawn by rejection, not by
// std::uniform_int_distribution, whose algorithm differs between standard
// libraries. So a replicate's values depend on the seed and b alone, and the
// result is the same for any number of threads and on any platform.
#ifndef GAUSSBOUND_BOOTSTRAP_H
#define GAUSSBOUND_BOOTSTRAP_H

#include <cstdint>
#include <functional>

#include "gaussbound/Estimate.h"
#include "gaussbound/Interval.h"

namespace gaussbound {

struct BootstrapSettings {
    int replicates = 1000;  // >= 1
    std::uint64_t seed = 1;
    unsigned threads = 1;  // >= 1
    EstimateSettings estimate;
    // Called now and then on the calling thread with the number of
    // replicates done so far, and once at the end; may be empty.
    std::function<void(int done)> progress;
};

struct BootstrapResult {
    Interval bayesError, chernoffErrorBound, bhattacharyyaErrorBound;  // NaN when no replicate counted
    int failed;  // replicates left out: a resampled covariance not positive
                 // definite, or a figure that could not be computed
};

// Reads two sets of one dimension that estimateModel accepts. Throws
// std::invalid_argument (see Error.h), before any replicate, for sets of
// different dimensions or of fewer than 2 points, replicates or threads below 1, or
// settings.estimate that estimateModel refuses.
BootstrapResult bootstrap(const Points& class1, const Points& class2, const BootstrapSettings& settings);

}  // namespace gaussbound

#endif
