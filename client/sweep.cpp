// bounds sweep: the bounds and the Bayes error of a model with one parameter
// swept across a range, as a table, CSV, JSON and a figure of the four
// curves against the parameter.
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <gaussbound/Sweep.h>
#include <gaussbound/SweepFigure.h>
#include <gaussbound/SweepTable.h>
#include <gaussbound/Text.h>

#include "cli.h"
#include "commands.h"

namespace {

using gaussbound::Figures;
using gaussbound::SweepParameter;

// The options as typed.
struct Typed {
    ClassOptions classes;
    std::string vary, from, to, steps, threads, csvPath;
    PlotOptions plot;
    bool log = false, json = false, logY = false, linearY = false;
    CLI::Option* csv = nullptr;
};

// A sweep checked and ready to run.
struct Sweep {
    gaussbound::Model model;
    std::string name;
    SweepParameter parameter;
    std::vector<double> values;
    bool log;
    unsigned threads;
    TableAndPlot outputs;
    std::optional<bool> logY;  // empty: logarithmic when the curves span over two decades
    bool json;
};

void declare(CLI::App& command, Typed& typed)
{
    typed.classes.declare(command);
    command.add_option("--vary", typed.vary,
                       "The parameter t: separation, prior1, scale1, scale2, rho1, rho2, mu1.K, mu2.K, "
                       "sigma1.I.J or sigma2.I.J")
        ->type_name("NAME")
        ->required();
    command.add_option("--from", typed.from, "The first value of t")->type_name("A")->required();
    command.add_option("--to", typed.to, "The last value of t")->type_name("B")->required();
    command.add_option("--steps", typed.steps, "How many values of t, 2 to 1000000")->type_name("N")->required();
    command.add_flag("--log", typed.log, "Space the values geometrically (A and B positive)");
    command.add_option("--threads", typed.threads, "Threads to compute on (default: one a core)")
        ->type_name("N");
    typed.csv = command.add_option("--csv", typed.csvPath, "Write the rows as CSV")->type_name("FILE");
    command.add_flag("--json", typed.json, "Print the rows as one JSON object");
    typed.plot.declare(command, "Draw the four curves against t");
    command.add_flag("--log-y", typed.logY, "Logarithmic y axis");
    command.add_flag("--linear-y", typed.linearY, "Linear y axis");
}

// The values of t from --from, --to, --steps and --log. Throws Invalid.
std::vector<double> readValues(const Typed& typed)
{
    const double a = readNumbers("--from", typed.from, 1)[0];
    const double b = readNumbers("--to", typed.to, 1)[0];
    const long long n = readWhole("--steps", typed.steps, 2, 1000000);
    if (a == b)
        throw Invalid("--to: equals --from; a sweep needs two different ends");
    if (typed.log && (a <= 0 || b <= 0))
        throw Invalid(std::string(a <= 0 ? "--from" : "--to") + ": --log needs positive ends");
    return gaussbound::sweepValues(a, b, n, typed.log);
}

// The model, the parameter and every value of t, checked together. Throws Invalid.
void readModelAndValues(const Typed& typed, Sweep& sweep)
{
    sweep.model = typed.classes.read().model;
    const auto parameter = gaussbound::sweepParameter(typed.vary);
    if (!parameter)
        throw Invalid("--vary: unknown parameter '" + typed.vary +
                      "' (expected separation, prior1, scale1, scale2, rho1, rho2, mu1.K, mu2.K, "
                      "sigma1.I.J or sigma2.I.J)");
    sweep.name = typed.vary;
    sweep.parameter = *parameter;
    sweep.log = typed.log;
    sweep.values = readValues(typed);
    if (const auto problem = gaussbound::checkSweep(sweep.model, sweep.parameter, sweep.values))
        throw Invalid("--vary " + typed.vary + ": at t = " + gaussbound::exact(problem->t) + ": " + problem->message);
}

// Everything but the model and the values. Throws Invalid.
void readOutputs(Typed& typed, Sweep& sweep)
{
    sweep.threads = readThreads(typed.threads);
    typed.plot.checkSize();
    if (typed.logY && typed.linearY)
        throw Invalid("--linear-y: cannot be combined with --log-y");
    if (typed.logY || typed.linearY)
        sweep.logY = typed.logY;
    sweep.json = typed.json;
    sweep.outputs = TableAndPlot::check(typed.csv, typed.csvPath, typed.plot, typed.json);
}

// Computes every row and writes what was asked for. Returns the exit status.
int run(const Sweep& sweep)
{
    const std::vector<Figures> rows =
        gaussbound::sweepFigures(sweep.model, sweep.parameter, sweep.values, sweep.threads);
    if (const auto missing = gaussbound::firstMissing(rows)) {
        std::cerr << "bounds: the " << missing->figure << " could not be computed at t = "
                  << gaussbound::exact(sweep.values[missing->step]) << '\n';
        return 1;
    }
    std::vector<PendingFile> files;
    if (!sweep.outputs.csvPath.empty())
        files.push_back({sweep.outputs.csvPath, gaussbound::sweepCsv(sweep.values, rows)});
    std::optional<gaussbound::Figure> figure;
    if (!sweep.outputs.plot.path.empty())
        figure = gaussbound::sweepFigure(sweep.model, sweep.name, sweep.parameter, sweep.values, sweep.log, rows,
                                         sweep.logY);
    // The summary is not printed when an output takes standard output.
    const std::string summary =
        sweep.outputs.onStandardOutput ? ""
        : sweep.json ? gaussbound::sweepJson(sweep.model, sweep.name, sweep.parameter, sweep.values, rows)
                     : gaussbound::sweepText(sweep.name, sweep.values, rows);
    return finish(std::move(figure), sweep.outputs.plot, std::move(files), summary);
}

}  // namespace

void addSweepCommand(CLI::App& app, Work& work)
{
    CLI::App* command = app.add_subcommand(
        "sweep", "The bounds and the Bayes error as one parameter of the model sweeps a range of values t");
    const auto typed = std::make_shared<Typed>();
    declare(*command, *typed);
    command->callback([typed, &work] {
        Sweep sweep;
        readModelAndValues(*typed, sweep);
        readOutputs(*typed, sweep);
        work = [sweep] { return run(sweep); };
    });
}
