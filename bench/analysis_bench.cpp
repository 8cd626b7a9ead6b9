// Cost of the any-dimension analysis, per dimension d = 2, 8, 50:
//   Analyse            every figure, the 10000-row table included
//   FiguresNoTable     every figure but the table and what is read off it
//   BayesError         the exact Bayes error alone (canonical form included)
//   CholeskyPair       the reference: one Cholesky factorisation of each covariance
// The model is fixed per d (seeded): two classes with random axes, variances
// within e^+-1, means about one standard deviation apart per coordinate.
#include <cmath>
#include <random>
#include <vector>

#include <Eigen/Cholesky>
#include <Eigen/QR>
#include <benchmark/benchmark.h>

#include <gaussbound/Analysis.h>
#include <gaussbound/Canonical.h>

#include "bench_models.h"

namespace {

void Analyse(benchmark::State& state)
{
    const gaussbound::Model m = benchModel(state.range(0));
    std::vector<double> rows(2 * 10000);
    for (auto _ : state) {
        const gaussbound::Figures f = gaussbound::analyse(m, reinterpret_cast<double(*)[2]>(rows.data()));
        benchmark::DoNotOptimize(f);
    }
}

void FiguresNoTable(benchmark::State& state)
{
    const gaussbound::Model m = benchModel(state.range(0));
    for (auto _ : state) {
        const gaussbound::CanonicalForm form(m);
        const gaussbound::ChernoffCurve curve(form);
        const auto optimum = gaussbound::chernoffOptimum(curve, m.prior1, m.prior2);
        const auto bhatt = gaussbound::bhattacharyya(curve.exponent(0.5), m.prior1, m.prior2);
        const auto div = gaussbound::divergences(form, curve);
        const auto bayes = gaussbound::bayesError(m, form);
        benchmark::DoNotOptimize(optimum);
        benchmark::DoNotOptimize(bhatt);
        benchmark::DoNotOptimize(div);
        benchmark::DoNotOptimize(bayes);
    }
}

void BayesError(benchmark::State& state)
{
    const gaussbound::Model m = benchModel(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(gaussbound::bayesError(m, gaussbound::CanonicalForm(m)));
}

void CholeskyPair(benchmark::State& state)
{
    const gaussbound::Model m = benchModel(state.range(0));
    for (auto _ : state) {
        const Eigen::LLT<Eigen::MatrixXd> a(m.sigma1), b(m.sigma2);
        benchmark::DoNotOptimize(a.matrixLLT().data());
        benchmark::DoNotOptimize(b.matrixLLT().data());
    }
}

}  // namespace

BENCHMARK(Analyse)->Arg(2)->Arg(8)->Arg(50)->Unit(benchmark::kMicrosecond);
BENCHMARK(FiguresNoTable)->Arg(2)->Arg(8)->Arg(50)->Unit(benchmark::kMicrosecond);
BENCHMARK(BayesError)->Arg(2)->Arg(8)->Arg(50)->Unit(benchmark::kMicrosecond);
BENCHMARK(CholeskyPair)->Arg(2)->Arg(8)->Arg(50)->Unit(benchmark::kMicrosecond);
