#include "gaussbound/Bootstrap.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <future>
#include <random>
#include <vector>

#include "gaussbound/BayesError.h"
#include "gaussbound/Canonical.h"
#include "gaussbound/Chernoff.h"
#include "gaussbound/Error.h"

namespace gaussbound {

namespace {

// An index in [0, n), uniform: outputs below 2^64 mod n are rejected, so
// that the rest fall evenly on the n residues.
Eigen::Index uniformIndex(std::mt19937_64& engine, Eigen::Index n)
{
    const auto range = static_cast<std::uint64_t>(n);
    const std::uint64_t threshold = (0 - range) % range;
    std::uint64_t x;
    do
        x = engine();
    while (x < threshold);
    return static_cast<Eigen::Index>(x % range);
}

MomentAccumulator resample(const Points& points, std::mt19937_64& engine)
{
    MomentAccumulator acc(points.cols());
    for (Eigen::Index k = 0; k < points.rows(); ++k)
        acc.add(points.row(uniformIndex(engine, points.rows())));
    return acc;
}

using Values = std::array<double, 3>;  // Bayes error, Chernoff bound, Bhattacharyya bound

// Replicate b's figures; NaN when it fails.
Values replicate(const Points& class1, const Points& class2, const BootstrapSettings& settings, int b)
{
    std::seed_seq seq{static_cast<std::uint32_t>(settings.seed), static_cast<std::uint32_t>(settings.seed >> 32),
                      static_cast<std::uint32_t>(b)};
    std::mt19937_64 engine(seq);
    const MomentAccumulator a1 = resample(class1, engine), a2 = resample(class2, engine);
    const Model m = modelFrom(a1, a2, settings.estimate);
    const Values failed{NAN, NAN, NAN};
    if (validate(m) || nearlySingular(m.sigma1) || nearlySingular(m.sigma2))
        return failed;
    const CanonicalForm form(m);
    if (!form.representable)
        return failed;
    const ChernoffCurve curve(form);
    return {bayesError(m, form).value, chernoffOptimum(curve, m.prior1, m.prior2).errorBound,
            bhattacharyya(curve.exponent(0.5), m.prior1, m.prior2).upperBound};
}

Interval middle95(std::vector<double> values)
{
    if (values.empty())
        return {NAN, NAN};
    std::sort(values.begin(), values.end());
    return {percentile(values, 0.025), percentile(values, 0.975)};
}

}  // namespace

BootstrapResult bootstrap(const Points& class1, const Points& class2, const BootstrapSettings& settings)
{
    // A thread count of 0 would never advance the loop below, and a set of
    // fewer than 2 points leaves a replicate no covariance.
    requireArgument(settings.replicates >= 1 && settings.threads >= 1,
                    "bootstrap: replicates and threads must be at least 1");
    requireArgument(class1.cols() >= 1 && class1.cols() == class2.cols() && class1.rows() >= 2 && class2.rows() >= 2,
                    "bootstrap: the sets need one dimension, at least 1, and 2 points each");
    requireArgument(validSettings(settings.estimate), "bootstrap: the ridge must be finite and >= 0 and fixed priors valid");
    std::vector<Values> values(static_cast<size_t>(settings.replicates));
    std::atomic<int> done{0};
    // Thread t takes replicates t, t + threads, ...: each writes its own
    // slots. Thread 0 is the caller's, which reports progress.
    const auto work = [&](unsigned t) {
        for (size_t b = t; b < values.size(); b += settings.threads) {
            values[b] = replicate(class1, class2, settings, static_cast<int>(b));
            const int count = ++done;
            if (t == 0 && settings.progress)
                settings.progress(count);
        }
    };
    std::vector<std::future<void>> running;
    for (unsigned t = 1; t < settings.threads; ++t)
        running.push_back(std::async(std::launch::async, work, t));
    work(0);
    for (auto& r : running)
        r.get();
    if (settings.progress)
        settings.progress(settings.replicates);

    std::array<std::vector<double>, 3> counted;
    int failed = 0;
    for (const Values& v : values) {
        if (std::isnan(v[0]) || std::isnan(v[1]) || std::isnan(v[2])) {
            ++failed;
            continue;
        }
        for (size_t i = 0; i < 3; ++i)
            counted[i].push_back(v[i]);
    }
    return {middle95(counted[0]), middle95(counted[1]), middle95(counted[2]), failed};
}

}  // namespace gaussbound
