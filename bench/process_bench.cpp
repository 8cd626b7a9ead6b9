// Whole-process costs, each beside its floor and measured the same way:
//   Sampler       `sampler 1 > /dev/null`, beside PrintFloor (prints the same
//                 10000 lines with a flush each) and WaitKeyFloor (only loads
//                 highgui and calls cv::waitKey(0));
//   BoundsStart   `bounds > /dev/null`, the default example without a plot,
//                 beside HelloFloor, a bare C++ program printing one line.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

extern char** environ;

namespace {

// Runs argv with standard output sent to `output` and waits for it.
void runProcess(benchmark::State& state, std::vector<std::string> argv, const char* output)
{
    std::vector<char*> args;
    for (auto& a : argv)
        args.push_back(a.data());
    args.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output, O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    pid_t pid;
    int status = -1;
    if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) != 0 ||
        waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        state.SkipWithError(("cannot run " + argv[0]).c_str());
    posix_spawn_file_actions_destroy(&actions);
}

// The sampler's lines for seed 1, for the print floor to print.
const char* sampleFile()
{
    static const std::string path = [] {
        const std::string file = "/tmp/gaussbound-bench-samples.txt";
        std::system((std::string(SAMPLER_EXE) + " 1 > " + file).c_str());
        return file;
    }();
    return path.c_str();
}

void Sampler(benchmark::State& state)
{
    for (auto _ : state)
        runProcess(state, {SAMPLER_EXE, "1"}, "/dev/null");
}
BENCHMARK(Sampler)->Unit(benchmark::kMillisecond)->UseRealTime();

void PrintFloor(benchmark::State& state)
{
    const char* file = sampleFile();
    for (auto _ : state)
        runProcess(state, {FLOOR_PRINT_EXE, file}, "/dev/null");
}
BENCHMARK(PrintFloor)->Unit(benchmark::kMillisecond)->UseRealTime();

void WaitKeyFloor(benchmark::State& state)
{
    for (auto _ : state)
        runProcess(state, {FLOOR_WAITKEY_EXE}, "/dev/null");
}
BENCHMARK(WaitKeyFloor)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

void BoundsStart(benchmark::State& state)
{
    for (auto _ : state)
        runProcess(state, {BOUNDS_EXE}, "/dev/null");
}
BENCHMARK(BoundsStart)->Unit(benchmark::kMillisecond)->UseRealTime();

void HelloFloor(benchmark::State& state)
{
    for (auto _ : state)
        runProcess(state, {FLOOR_HELLO_EXE}, "/dev/null");
}
BENCHMARK(HelloFloor)->Unit(benchmark::kMillisecond)->UseRealTime();
