// The command line of bounds: the plain command's options, and the
// subcommands, each of which declares and checks its own.
#include "options.h"

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
    app.footer("Run 'bounds COMMAND --help' for a command's options.\n\n"
               "Outputs follow symbolic links and keep a replaced file's permissions; devices\n"
               "and pipes are written directly. Exit status: 0 done, 1 an output could not be\n"
               "written or a figure could not be computed, 2 bad input.");
}

// Throws Invalid for the first option that is not acceptable.
void readOptions(Typed& typed, Options& options)
{
    options.input = typed.classes.read();
    typed.decisions.apply(options.input);
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
