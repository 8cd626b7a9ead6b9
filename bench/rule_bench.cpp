// Cost of the figures of any rule, per dimension:
//   RuleError       the exact errors of the Bayes rule written as a quadratic
//                   discriminant (its two tails), d = 2, 8, 50
//   Auc             the area under the likelihood ratio's ROC curve: one tail
//                   of a 2d-term form, d = 2, 50
//   RocCurve        the whole curve at the default spacing, d = 2, 8
//   BestLinearRule  the search over Anderson and Bahadur's directions, d = 2, 8
// The models are analysis_bench's: random axes, variances within e^+-1,
// means about one standard deviation apart per coordinate.
#include <cmath>
#include <random>

#include <Eigen/QR>
#include <benchmark/benchmark.h>

#include <gaussbound/Roc.h>
#include <gaussbound/Rule.h>

namespace {

Eigen::MatrixXd covariance(std::mt19937_64& rng, Eigen::Index d)
{
    std::normal_distribution<double> z;
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    const Eigen::MatrixXd a = Eigen::MatrixXd::NullaryExpr(d, d, [&] { return z(rng); });
    const Eigen::MatrixXd q = Eigen::HouseholderQR<Eigen::MatrixXd>(a).householderQ();
    const Eigen::VectorXd v = Eigen::VectorXd::NullaryExpr(d, [&] { return std::exp(u(rng)); });
    const Eigen::MatrixXd s = q * v.asDiagonal() * q.transpose();
    return 0.5 * (s + s.transpose());
}

gaussbound::Model model(Eigen::Index d)
{
    std::mt19937_64 rng(static_cast<unsigned>(d));
    std::normal_distribution<double> z;
    gaussbound::Model m;
    m.mu1 = Eigen::VectorXd::Zero(d);
    m.mu2 = Eigen::VectorXd::NullaryExpr(d, [&] { return z(rng); });
    m.sigma1 = covariance(rng, d);
    m.sigma2 = covariance(rng, d);
    m.prior1 = 0.4;
    m.prior2 = 0.6;
    return m;
}

void RuleError(benchmark::State& state)
{
    const gaussbound::Model m = model(state.range(0));
    const gaussbound::Discriminant rule = gaussbound::bayesRule(m);
    for (auto _ : state)
        benchmark::DoNotOptimize(gaussbound::ruleError(m, rule));
}

void Auc(benchmark::State& state)
{
    const gaussbound::Model m = model(state.range(0));
    const gaussbound::Discriminant ratio = gaussbound::logLikelihoodRatio(m);
    for (auto _ : state)
        benchmark::DoNotOptimize(gaussbound::RocStatistic(m, ratio).auc());
}

void RocCurve(benchmark::State& state)
{
    const gaussbound::Model m = model(state.range(0));
    const gaussbound::Discriminant ratio = gaussbound::logLikelihoodRatio(m);
    for (auto _ : state)
        benchmark::DoNotOptimize(gaussbound::RocStatistic(m, ratio).curve());
}

void BestLinearRule(benchmark::State& state)
{
    const gaussbound::Model m = model(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(gaussbound::bestLinearRule(m));
}

}  // namespace

BENCHMARK(RuleError)->Arg(2)->Arg(8)->Arg(50)->Unit(benchmark::kMicrosecond);
BENCHMARK(Auc)->Arg(2)->Arg(50)->Unit(benchmark::kMicrosecond);
BENCHMARK(RocCurve)->Arg(2)->Arg(8)->Unit(benchmark::kMillisecond);
BENCHMARK(BestLinearRule)->Arg(2)->Arg(8)->Unit(benchmark::kMillisecond);
