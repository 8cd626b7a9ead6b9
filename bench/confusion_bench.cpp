// Cost of the confusion matrix of C classes (Confusion.h), and plain Monte
// Carlo with the same time:
//   Confusion/plane3    C = 3 in 2-D to the bound (1e-10 per entry)
//   Confusion/sphere5   C = 5 in 3-D to the bound (1e-8 per entry), 1 and 2 threads
//   Confusion/qmc10     C = 10 in 10-D, default directions, 1 and 2 threads;
//                the counter "error" is the largest bound or standard error of an entry
//   MonteCarlo   ClassesRule::decide on drawn points, `n` points per class
//                (the Arg), for the 2-D and 3-D cases; "se" the largest binomial
//                standard error of an entry
// The models are seeded: means N(0, 1.5^2) a coordinate, covariances of
// eigenvalues e^U(-1, 1) in random directions, priors U(0.5, 1.5)
// normalised.

#include <cmath>
#include <random>
#include <string>

#include <benchmark/benchmark.h>

#include <Eigen/Cholesky>

#include <gaussbound/Confusion.h>

#include "bench_models.h"

namespace {

gaussbound::ClassesModel benchClasses(std::size_t classes, Eigen::Index d)
{
    std::mt19937_64 rng(1000 + 10 * classes + std::size_t(d));
    std::normal_distribution<double> z(0.0, 1.5);
    std::uniform_real_distribution<double> p(0.5, 1.5);
    gaussbound::ClassesModel model;
    double sum = 0.0;
    for (std::size_t i = 0; i < classes; ++i) {
        gaussbound::NormalClass c;
        c.name = "c" + std::to_string(i);
        c.mean = Eigen::VectorXd::NullaryExpr(d, [&] { return z(rng); });
        c.covariance = benchCovariance(rng, d);
        c.prior = p(rng);
        sum += c.prior;
        model.classes.push_back(c);
    }
    for (auto& c : model.classes)
        c.prior /= sum;
    return model;
}

// The matrix of C classes in d dimensions on state.range(0) threads, and
// the largest entry's error figure (a bound, or a standard error for d >= 4).
void Confusion(benchmark::State& state, std::size_t classes, Eigen::Index d)
{
    const auto model = benchClasses(classes, d);
    gaussbound::ConfusionSettings s;
    s.threads = unsigned(state.range(0));
    gaussbound::Confusion c{};
    for (auto _ : state)
        benchmark::DoNotOptimize(c = gaussbound::confusionMatrix(model, s));
    state.counters["error"] = c.error.maxCoeff();
}

// Plain Monte Carlo: n points per class through the rule, the largest
// binomial standard error of an entry.
void MonteCarlo(benchmark::State& state, std::size_t classes, Eigen::Index d)
{
    const auto model = benchClasses(classes, d);
    const gaussbound::ClassesRule rule(model);
    const std::int64_t n = state.range(0);
    std::mt19937_64 rng(1);
    std::normal_distribution<double> z;
    double se = 0.0;
    for (auto _ : state) {
        se = 0.0;
        for (std::size_t i = 0; i < classes; ++i) {
            const Eigen::MatrixXd l = Eigen::LLT<Eigen::MatrixXd>(model.classes[i].covariance).matrixL();
            Eigen::VectorXd counts = Eigen::VectorXd::Zero(Eigen::Index(classes)), v(d);
            for (std::int64_t k = 0; k < n; ++k) {
                for (Eigen::Index q = 0; q < d; ++q)
                    v(q) = z(rng);
                counts(Eigen::Index(rule.decide(model.classes[i].mean + l * v))) += 1.0;
            }
            for (Eigen::Index j = 0; j < counts.size(); ++j) {
                const double p = counts(j) / double(n);
                se = std::max(se, std::sqrt(p * (1.0 - p) / double(n)));
            }
        }
    }
    state.counters["se"] = se;
}

}  // namespace

BENCHMARK_CAPTURE(Confusion, plane3, 3, 2)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Confusion, sphere5, 5, 3)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Confusion, qmc10, 10, 10)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(MonteCarlo, plane3, 3, 2)->Arg(4000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(MonteCarlo, sphere5, 5, 3)->Arg(200000)->Arg(3000000)->Unit(benchmark::kMillisecond);
