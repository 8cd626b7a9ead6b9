// Cost of the bounds library. makeBound is set beside a floor: a loop making
// only its transcendental calls (two pow, one log, one exp per row) over the
// same beta values, which no implementation of the table can avoid.
// Rows are reported as items, so items_per_second gives the per-row cost.
#include <cmath>

#include <benchmark/benchmark.h>

#include <gaussbound/Bound.h>

namespace {

const double kMu1[2][1] = {{0}, {0}}, kMu2[2][1] = {{1}, {0}};
const double kSigma1[2][2] = {{1, 0}, {0, 1}}, kSigma2[2][2] = {{2, 0}, {0, 2}};

BoundTable table;
PlotTable plot;

void MakeBound(benchmark::State& state)
{
    for (auto _ : state) {
        makeBound(table, kMu1, kMu2, kSigma1, kSigma2);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kTableRows);
}
BENCHMARK(MakeBound);

// makeBound's libm calls alone, with the same arguments for these classes:
// |S| = (2 - beta)^2, |Sigma1| = 1, |Sigma2| = 4. The determinants come in as
// arguments the optimiser cannot see through (noipa), so pow(1, beta) is
// really called, as it is in makeBound.
__attribute__((noipa)) void transcendentalRows(double det1, double det2)
{
    for (int i = 0; i < kTableRows; ++i) {
        const double beta = static_cast<float>(i) / static_cast<float>(kTableRows);
        const double gamma = 1.0 - beta;
        const double p1 = std::pow(det1, beta), p2 = std::pow(det2, gamma);
        const double detS = (beta + 2.0 * gamma) * (beta + 2.0 * gamma);
        table[i][0] = beta;
        table[i][1] = std::exp(-0.5 * std::log(detS / (p1 * p2)));
    }
}

void TranscendentalFloor(benchmark::State& state)
{
    for (auto _ : state) {
        transcendentalRows(kSigma1[0][0] * kSigma1[1][1], kSigma2[0][0] * kSigma2[1][1]);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kTableRows);
}
BENCHMARK(TranscendentalFloor);

void Bhattacharyya(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(getBattacharayyaBound(kMu1, kMu2, kSigma1, kSigma2));
}
BENCHMARK(Bhattacharyya);

void FindMinB(benchmark::State& state)
{
    makeBound(table, kMu1, kMu2, kSigma1, kSigma2);
    double beta, value;
    for (auto _ : state) {
        findMinB(table, beta, value);
        benchmark::DoNotOptimize(value);
    }
    state.SetItemsProcessed(state.iterations() * kTableRows);
}
BENCHMARK(FindMinB);

void MakePlot(benchmark::State& state)
{
    makeBound(table, kMu1, kMu2, kSigma1, kSigma2);
    for (auto _ : state) {
        makePlot(plot, table, 0.5741000175476074, 0.864736573750916, 0.8674261922310337);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kTableRows);
}
BENCHMARK(MakePlot);

}  // namespace
