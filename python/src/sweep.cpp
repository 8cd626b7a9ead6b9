// sweep: the bounds and the Bayes error of a model with one parameter swept
// across a range, as `bounds sweep` computes them, one array a column of its
// table.
#include <cmath>

#include <gaussbound/SweepTable.h>
#include <gaussbound/Text.h>

#include "samples.h"

namespace gaussbound::python {
namespace {
using namespace pybind11::literals;
using nlohmann::ordered_json;

constexpr long long kMostSteps = 1000000;

// The values of t, refused as `bounds sweep` refuses --from, --to, --steps.
std::vector<double> sweepValuesArg(double start, double stop, long long steps, bool log)
{
    if (start == stop)
        throw ArgumentError("stop", "stop: equals start; a sweep needs two different ends");
    if (log && (start <= 0 || stop <= 0))
        throw ArgumentError(start <= 0 ? "start" : "stop",
                            std::string(start <= 0 ? "start" : "stop") + ": log needs positive ends");
    return sweepValues(start, stop, steps, log);
}

// The table `bounds sweep --json` prints, as one array a column under its key.
py::dict sweepColumns(const PyModel& model, const std::string& vary, const py::object& start,
                      const py::object& stop, const py::object& steps, bool log, const py::object& threads)
{
    const SweepRun run = runSweep(model, vary, start, stop, steps, log, threadCount(threads));
    const ordered_json table =
        ordered_json::parse(sweepJson(run.model, run.name, run.parameter, run.values, run.rows));
    const ordered_json& rows = table.at("rows");
    py::dict columns;
    for (const auto& [key, first] : rows.at(0).items()) {
        py::array_t<double> column(static_cast<py::ssize_t>(rows.size()));
        double* out = column.mutable_data();
        for (size_t i = 0; i < rows.size(); ++i)
            out[i] = jsonFigure(rows[i].at(key));
        columns[py::str(key)] = column;
    }
    return columns;
}

}  // namespace

SweepRun runSweep(const PyModel& model, const std::string& vary, const py::object& start, const py::object& stop,
                  const py::object& steps, bool log, unsigned threads)
{
    SweepRun run;
    run.model = model.two("sweep").model;
    const auto parameter = sweepParameter(vary);
    if (!parameter)
        throw ArgumentError("vary", "vary: unknown parameter '" + vary +
                                        "' (expected separation, prior1, scale1, scale2, rho1, rho2, mu1.K, "
                                        "mu2.K, sigma1.I.J or sigma2.I.J)");
    run.name = vary;
    run.parameter = *parameter;
    run.log = log;
    run.values = sweepValuesArg(numberArg(start, "start"), numberArg(stop, "stop"),
                                wholeArg(steps, "steps", 2, kMostSteps), log);
    if (const auto problem = checkSweep(run.model, run.parameter, run.values))
        throw ArgumentError("vary", "vary " + vary + ": at t = " + exact(problem->t) + ": " + problem->message);
    {
        py::gil_scoped_release released;
        run.rows = sweepFigures(run.model, run.parameter, run.values, threads);
    }
    if (const auto missing = firstMissing(run.rows))
        throw FigureError("the " + missing->figure + " could not be computed at t = " +
                          exact(run.values[missing->step]));
    return run;
}

void bindSweep(py::module_& m)
{
    m.def("_sweep", &sweepColumns, "model"_a, "vary"_a, "start"_a, "stop"_a, "steps"_a, "log"_a, "threads"_a);
}

}  // namespace gaussbound::python
