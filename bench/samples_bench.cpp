// Cost of working from samples:
//   ParseMillionLines    reading a sample file of 10^6 2-D points (in memory)
//   FitProcess/N         the whole `bounds fit` of 10000 points a class in 2-D
//                        with --bootstrap 1000, on N threads
//   LeaveOneOut/d        exact leave-one-out by rank-one downdates, 1000 points a class
//   NaiveLeaveOneOut/d   the same count by refitting without each point
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include <benchmark/benchmark.h>

#include <gaussbound/Classifier.h>
#include <gaussbound/Draw.h>

#include <gaussbound/Report.h>
#include <gaussbound/SampleFile.h>

namespace {

gaussbound::Model model(Eigen::Index d)
{
    gaussbound::Model m;
    m.mu1 = Eigen::VectorXd::Zero(d);
    m.mu2 = Eigen::VectorXd::LinSpaced(d, 0.5, 1.0);
    m.sigma1 = Eigen::MatrixXd::Identity(d, d);
    m.sigma2 = 2.0 * Eigen::MatrixXd::Identity(d, d);
    m.sigma2(0, d - 1) = m.sigma2(d - 1, 0) = 0.5;
    return m;
}

// The points as a sample file writes them: shortest round-trip numbers.
std::string sampleText(const gaussbound::Points& p)
{
    std::string s;
    for (Eigen::Index k = 0; k < p.rows(); ++k)
        for (Eigen::Index i = 0; i < p.cols(); ++i)
            s += gaussbound::exact(p(k, i)) + (i + 1 < p.cols() ? "," : "\n");
    return s;
}

void ParseMillionLines(benchmark::State& state)
{
    const std::string text = sampleText(gaussbound::drawSamples(model(2), 1000000, 0, 1).first);
    for (auto _ : state)
        benchmark::DoNotOptimize(gaussbound::parseSamples(text, "bench", {}));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(ParseMillionLines)->Unit(benchmark::kMillisecond);

void FitProcess(benchmark::State& state)
{
    const auto [a, b] = gaussbound::drawSamples(model(2), 10000, 10000, 1);
    const std::string one = "/tmp/gaussbound-bench-1.csv", two = "/tmp/gaussbound-bench-2.csv";
    for (const auto& [path, points] : {std::pair{one, &a}, {two, &b}}) {
        FILE* f = std::fopen(path.c_str(), "w");
        std::fputs(sampleText(*points).c_str(), f);
        std::fclose(f);
    }
    const std::string command = std::string(BOUNDS_EXE) + " fit " + one + " " + two +
                                " --bootstrap 1000 --threads " + std::to_string(state.range(0)) + " > /dev/null";
    for (auto _ : state)
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("bounds fit failed");
    std::remove(one.c_str());
    std::remove(two.c_str());
}
BENCHMARK(FitProcess)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void LeaveOneOut(benchmark::State& state)
{
    const auto [a, b] = gaussbound::drawSamples(model(state.range(0)), 1000, 1000, 2);
    for (auto _ : state)
        benchmark::DoNotOptimize(gaussbound::leaveOneOutErrors(a, b, {}));
}
BENCHMARK(LeaveOneOut)->Arg(2)->Arg(8)->Unit(benchmark::kMillisecond);

void NaiveLeaveOneOut(benchmark::State& state)
{
    const auto [a, b] = gaussbound::drawSamples(model(state.range(0)), 1000, 1000, 2);
    for (auto _ : state) {
        long errors = 0;
        for (int c = 1; c <= 2; ++c) {
            const gaussbound::Points& own = c == 1 ? a : b;
            for (Eigen::Index k = 0; k < own.rows(); ++k) {
                gaussbound::Points rest(own.rows() - 1, own.cols());
                rest.topRows(k) = own.topRows(k);
                rest.bottomRows(own.rows() - 1 - k) = own.bottomRows(own.rows() - 1 - k);
                const auto refit = gaussbound::estimateModel(c == 1 ? rest : a, c == 1 ? b : rest, {});
                errors += gaussbound::QuadraticRule(std::get<gaussbound::Model>(refit)).decide(own.row(k).transpose()) != c;
            }
        }
        benchmark::DoNotOptimize(errors);
    }
}
BENCHMARK(NaiveLeaveOneOut)->Arg(2)->Arg(8)->Unit(benchmark::kMillisecond);

}  // namespace
