// Cost of the bounds library. makeBound is set beside a floor: a loop making
// only its transcendental calls (two pow, one log, one exp per row) over the
// same beta values, which no implementation of the table can avoid.
// Rows are reported as items, so items_per_second gives the per-row cost.
#include <cmath>

#include <benchmark/benchmark.h>

#include "Bound.h"

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

void TranscendentalFloor(benchmark::State& state)
{
    const double det1 = 1.0, det2 = 4.0;
    for (auto _ : state) {
        for (int i = 0; i < kTableRows; ++i) {
            const double beta = static_cast<float>(i) / static_cast<float>(kTableRows);
            const double p1 = std::pow(det1, beta), p2 = std::pow(det2, 1.0 - beta);
            table[i][1] = std::exp(-0.5 * std::log((1.0 + beta) / (p1 * p2)));
        }
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
