// bounds batch: JSON Lines in, JSON Lines out. Each input line is one model;
// its answer is the object `bounds --json` prints for it, with its id (or its
// line number) first, or an error object; answers come out in input order,
// computed on several threads with a bounded window of lines in flight.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>

#include <gaussbound/BatchLine.h>
#include <gaussbound/Input.h>

#include "cli.h"
#include "commands.h"
#include "output.h"
#include "progress.h"

namespace {

// Lines in flight a worker thread.
constexpr size_t kWindowPerThread = 64;

// The options as typed.
struct Typed {
    std::string input = "-", threads;
    bool quiet = false;
};

// A batch checked and ready to run.
struct Batch {
    std::string input;  // "-": standard input
    unsigned threads;
    bool progress;  // a progress line on stderr (when it is a terminal)
};

// Opens the input, streams it, and says how it went. Returns the exit status.
int run(const Batch& batch)
{
    const bool standardInput = batch.input == "-";
    const int fd = standardInput ? STDIN_FILENO : open(batch.input.c_str(), O_RDONLY | O_CLOEXEC);
    const std::string name = gaussbound::inputName(batch.input);
    if (fd < 0) {
        std::cerr << "bounds: cannot read " << name << ": " << std::strerror(errno) << '\n';
        return 2;
    }
    std::optional<ProgressLine> progress;
    if (batch.progress)
        progress.emplace("bounds batch", "lines");
    const gaussbound::BatchOutcome outcome =
        gaussbound::answerLines(fd, batch.threads, kWindowPerThread * batch.threads,
                                [&](const std::string& answer, size_t done) {
                                    if (progress)
                                        progress->update(static_cast<long>(done));
                                    return writeAll(STDOUT_FILENO, answer);
                                });
    if (!standardInput)
        close(fd);
    if (!outcome.written) {
        std::cerr << "bounds: cannot write to standard output\n";
        return 1;
    }
    if (outcome.readError != 0) {
        std::cerr << "bounds: cannot read " << name << ": " << std::strerror(outcome.readError) << '\n';
        return 2;
    }
    if (outcome.refused > 0) {
        std::cerr << "bounds: " << outcome.refused << " of " << outcome.lines << " lines refused\n";
        return 2;
    }
    return 0;
}

// Throws Invalid when path (not "-") cannot be read: missing, a folder, no permission.
void checkInput(const std::string& path)
{
    struct stat st;
    if (path.empty())
        throw Invalid("FILE: the file name is empty");
    if (path == "-")
        return;
    if (stat(path.c_str(), &st) != 0 || access(path.c_str(), R_OK) != 0)
        throw Invalid(path + ": cannot read: " + std::strerror(errno));
    if (S_ISDIR(st.st_mode))
        throw Invalid(path + ": is a folder");
}

}  // namespace

void addBatchCommand(CLI::App& app, Work& work)
{
    CLI::App* command = app.add_subcommand(
        "batch", "Every figure of many models, one JSON object a line, in and out (JSON Lines)");
    const auto typed = std::make_shared<Typed>();
    command->add_option("file", typed->input, "JSON Lines to read, one model a line (- or none: standard input)")
        ->type_name("FILE");
    command->add_option("--threads", typed->threads, "Threads to compute on (default: one a core)")
        ->type_name("N");
    command->add_flag("--quiet", typed->quiet, "No progress line on a terminal");
    command->footer("Exit status: 0 every line answered with figures; 2 a line refused (not JSON, not a\n"
                    "valid model, or figures that could not be computed: each answered with its error\n"
                    "line) or bad input; 1 standard output could not be written.");
    command->callback([typed, &work] {
        checkInput(typed->input);
        const Batch batch{typed->input, readThreads(typed->threads), !typed->quiet};
        work = [batch] { return run(batch); };
    });
}
