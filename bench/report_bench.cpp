// Cost of the whole report of a model file, as `bounds --json` computes it
// and as the Python module's analyse does: read the file, analyse (the
// 10000-row table included), analyseRules, and the JSON text. One benchmark
// a file named on the command line, after Google Benchmark's own flags:
//   report_bench [--benchmark_...] model.json ...
// bench/python_bench.py times the same files from Python beside it.
#include <iostream>
#include <memory>
#include <string>

#include <benchmark/benchmark.h>

#include <gaussbound/Analysis.h>
#include <gaussbound/Bound.h>
#include <gaussbound/ModelFile.h>
#include <gaussbound/Report.h>
#include <gaussbound/RuleFigures.h>

namespace {

void Report(benchmark::State& state, const gaussbound::ModelCase& c)
{
    auto table = std::make_unique<double[][2]>(kTableRows);
    for (auto _ : state) {
        const gaussbound::Figures f = gaussbound::analyse(c.model, table.get());
        const std::string text =
            gaussbound::jsonReport(c.model, f, gaussbound::analyseRules(c.model, f, c.costs, c.rule));
        benchmark::DoNotOptimize(text.data());
    }
}

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (argc < 2) {
        std::cerr << "usage: report_bench [--benchmark_...] MODEL.json ...\n";
        return 2;
    }
    try {
        for (int i = 1; i < argc; ++i)
            benchmark::RegisterBenchmark(("Report/" + std::string(argv[i])).c_str(), Report,
                                         gaussbound::readModelFile(argv[i]))
                ->Unit(benchmark::kMicrosecond);
    } catch (const gaussbound::ModelFileError& e) {
        std::cerr << "report_bench: " << e.what() << '\n';
        return 2;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
