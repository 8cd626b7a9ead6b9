// The command line of bounds: the plain command's options, and the
// subcommands, each of which declares and checks its own.
#include "options.h"

#include <cmath>

#include "cli.h"
#include "commands.h"

#ifndef GAUSSBOUND_VERSION
#define GAUSSBOUND_VERSION "unknown"
#endif

namespace {

// The plain command's options as typed, with the defaults in place.
struct Typed {
    ClassOptions classes;
    DecisionOptions decisions;
    PlotOptions plot;
    CLI::Option* table = nullptr;
    // For C classes.
    std::string axes = "1,2", directions = std::to_string(gaussbound::kDefaultDirections), seed = "1", threads;
    std::vector<CLI::Option*> classesOnly;  // --axes, --directions, --seed, --threads
};

void declareOptions(CLI::App& app, Typed& typed, Options& options)
{
    app.set_version_flag("--version", GAUSSBOUND_VERSION);
    typed.classes.declare(app);
    typed.decisions.declare(app, "its errors are reported beside the Bayes error");
    typed.table = app.add_option("--table", options.tablePath,
                                 "Write the plot table (10000 rows, 6 columns) as CSV; - for "
                                 "standard output, in place of the summary")
                      ->type_name("FILE");
    typed.plot.declare(app, "Draw the bound curve");
    options.json = false;
    app.add_flag("--json", options.json, "Print the results as one JSON object");
    typed.classesOnly = {
        app.add_option("--axes", typed.axes,
                       "C classes: the two coordinates the figure shows, from 1; the others are held at "
                       "the prior-weighted mean")
            ->type_name("I,J")
            ->capture_default_str(),
        app.add_option("--directions", typed.directions,
                       "C classes in 4 or more dimensions: lines through each class's mean over all " +
                           std::to_string(gaussbound::kRandomisations) +
                           " randomisations, from " + std::to_string(gaussbound::kMinDirections) + " to " +
                           std::to_string(gaussbound::kMaxDirections) +
                           "; the standard error falls as 1/sqrt(N) or faster")
            ->type_name("N")
            ->capture_default_str(),
        app.add_option("--seed", typed.seed,
                       "C classes in 4 or more dimensions: randomisation r is seeded with SEED + r")
            ->type_name("SEED")
            ->capture_default_str(),
        app.add_option("--threads", typed.threads,
                       "C classes: threads the classes' rows (and in 4 or more dimensions the randomisations) are "
                       "shared among (default one a core); the result is the same for any number")
            ->type_name("N")};
    app.footer("Run 'bounds COMMAND --help' for a command's options.\n\n"
               "Outputs follow symbolic links and keep a replaced file's permissions; devices\n"
               "and pipes are written directly. Exit status: 0 done, 1 an output could not be\n"
               "written or a figure could not be computed, 2 bad input.");
}

// The options of C classes, against the model's dimension d.
void readClassesOptions(const Typed& typed, Eigen::Index d, Options& options)
{
    if (d < 2 && *typed.classesOnly[0])
        throw Invalid("--axes: the model has one dimension");
    const std::vector<double> axes = readNumbers("--axes", typed.axes, 2);
    if (d >= 2 && (axes[0] != std::floor(axes[0]) || axes[1] != std::floor(axes[1]) || axes[0] < 1 || axes[1] < 1 ||
        axes[0] > static_cast<double>(d) || axes[1] > static_cast<double>(d) || axes[0] == axes[1]))
        throw Invalid("--axes: expected two different coordinates from 1 to " + std::to_string(d) + ", got '" +
                      typed.axes + "'");
    if (d >= 2) {
        options.axisX = static_cast<Eigen::Index>(axes[0]) - 1;
        options.axisY = static_cast<Eigen::Index>(axes[1]) - 1;
    }
    options.confusion.directions = static_cast<std::int64_t>(
        readWhole("--directions", typed.directions, gaussbound::kMinDirections, gaussbound::kMaxDirections));
    options.confusion.seed = readWhole("--seed", typed.seed, 0, UINT64_MAX - gaussbound::kRandomisations);
    options.confusion.threads = readThreads(typed.threads);
}

// Throws Invalid for the first option that is not acceptable.
void readOptions(Typed& typed, Options& options)
{
    options.input = typed.classes.readAny();
    if (auto* c = std::get_if<gaussbound::ClassesCase>(&options.input)) {
        typed.decisions.apply(*c);
        options.confusion.losses = c->losses;
        if (*typed.table)
            throw Invalid("--table: the Chernoff table is of two classes; the model holds " +
                          std::to_string(c->model.size()));
        if (c->model.dimension() < 2 && *typed.plot.option)
            throw Invalid("--plot: the figure of C classes shows a plane; the model has one dimension");
        readClassesOptions(typed, c->model.dimension(), options);
    } else {
        typed.decisions.apply(std::get<gaussbound::ModelCase>(options.input));
        for (const CLI::Option* o : typed.classesOnly)
            if (*o)
                throw Invalid(o->get_name() + ": is for a model of C classes (\"classes\" in --model's file)");
    }
    typed.plot.checkSize();
    checkOutputs({{"--table", typed.table, options.tablePath}, {"--plot", typed.plot.option, typed.plot.target.path}},
                 options.json);
    typed.plot.checkPath();
    options.plot = typed.plot.target;
}

// The plain command's options belong before no command: "bounds --json fit"
// would otherwise drop --json without a word.
void refuseOptionsBefore(const CLI::App& app, const CLI::App& command)
{
    for (const CLI::Option* o : app.get_options())
        if (o->count() > 0)
            throw Invalid(o->get_name() + ": is an option of plain 'bounds', not of '" + command.get_name() +
                          "' (run 'bounds " + command.get_name() + " --help')");
}

}  // namespace

ParseOutcome parseOptions(int argc, const char* const argv[], Options& options,
                          std::string& message)
{
    CLI::App app{"Chernoff and Bhattacharyya bounds on the Bayes error of two normal classes\n"
                 "in any dimension, beside the Bayes error itself.",
                 "bounds"};
    Typed typed;
    declareOptions(app, typed, options);
    addFitCommand(app, options.command);
    addDrawCommand(app, options.command);
    addSweepCommand(app, options.command);
    addBatchCommand(app, options.command);
    addRocCommand(app, options.command);
    addServeCommand(app, options.command);
    app.require_subcommand(0, 1);

    try {
        app.parse(argc, argv);
        if (const auto chosen = app.get_subcommands(); !chosen.empty())
            refuseOptionsBefore(app, *chosen.front());
        else
            readOptions(typed, options);
    } catch (const CLI::CallForHelp&) {
        message = app.help();
        return ParseOutcome::Info;
    } catch (const CLI::CallForVersion& e) {
        message = std::string("bounds ") + e.what() + "\n";
        return ParseOutcome::Info;
    } catch (const CLI::ParseError& e) {
        message = oneLine(std::string("bounds: ") + e.what() + " (run 'bounds --help' for usage)");
        return ParseOutcome::Refuse;
    } catch (const Invalid& e) {
        message = oneLine(std::string("bounds: ") + e.what());
        return ParseOutcome::Refuse;
    }
    return ParseOutcome::Run;
}
