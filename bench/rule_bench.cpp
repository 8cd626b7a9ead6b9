// Cost of the figures of any rule, per dimension:
//   RuleError       the exact errors of the Bayes rule written as a quadratic
//                   discriminant (its two tails), d = 2, 8, 50
//   Auc             the area under the likelihood ratio's ROC curve: one tail
//                   of a 2d-term form, d = 2, 50
//   RocCurve        the whole curve at the default spacing, d = 2, 8
//   BestLinearRule  the search over Anderson and Bahadur's directions, d = 2, 8
// The models are analysis_bench's (bench_models.h).

#include <benchmark/benchmark.h>

#include <gaussbound/Roc.h>
#include <gaussbound/Rule.h>

#include "bench_models.h"

namespace {

void RuleError(benchmark::State& state)
{
    const gaussbound::Model m = benchModel(state.range(0));
    const gaussbound::Discriminant rule = gaussbound::bayesRule(m);
    for (auto _ : state)
        benchmark::DoNotOptimize(gaussbound::ruleError(m, rule));
}

void Auc(benchmark::State& state)
{
    const gaussbound::Model m = benchModel(state.range(0));
    const gaussbound::Discriminant ratio = gaussbound::logLikelihoodRatio(m);
    for (auto _ : state)
        benchmark::DoNotOptimize(gaussbound::RocStatistic(m, ratio).auc());
}

void RocCurve(benchmark::State& state)
{
    const gaussbound::Model m = benchModel(state.range(0));
    const gaussbound::Discriminant ratio = gaussbound::logLikelihoodRatio(m);
    for (auto _ : state)
        benchmark::DoNotOptimize(gaussbound::RocStatistic(m, ratio).curve());
}

void BestLinearRule(benchmark::State& state)
{
    const gaussbound::Model m = benchModel(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(gaussbound::bestLinearRule(m));
}

}  // namespace

BENCHMARK(RuleError)->Arg(2)->Arg(8)->Arg(50)->Unit(benchmark::kMicrosecond);
BENCHMARK(Auc)->Arg(2)->Arg(50)->Unit(benchmark::kMicrosecond);
BENCHMARK(RocCurve)->Arg(2)->Arg(8)->Unit(benchmark::kMillisecond);
BENCHMARK(BestLinearRule)->Arg(2)->Arg(8)->Unit(benchmark::kMillisecond);
