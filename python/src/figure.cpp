// The figures the bounds program draws, assembled by the figure library as
// the program assembles them, rendered by gaussbound::render into PNG, SVG
// or PDF bytes, or handed over as data (figureJson).
#include <algorithm>
#include <cmath>
#include <memory>

#include <pybind11/stl.h>

#include <gaussbound/Analysis.h>
#include <gaussbound/Bound.h>
#include <gaussbound/Confusion.h>
#include <gaussbound/CurveFigure.h>
#include <gaussbound/Draw.h>
#include <gaussbound/FigureJson.h>
#include <gaussbound/RegionFigure.h>
#include <gaussbound/Render.h>
#include <gaussbound/RocFigure.h>
#include <gaussbound/RocTable.h>
#include <gaussbound/SampleFigure.h>
#include <gaussbound/SweepFigure.h>
#include <gaussbound/Text.h>

#include "samples.h"

namespace gaussbound::python {
namespace {
using namespace pybind11::literals;

constexpr int kSmallestSide = 200, kLargestSide = 8000;  // as --size allows
constexpr double kFinestSpacing = 1e-4, kCoarsestSpacing = 0.5;  // as bounds roc allows

// A two-class model's figures, refused as FigureError when one is missing;
// table (kTableRows rows) receives the Chernoff table.
Figures figuresOf(const Model& model, double (*table)[2])
{
    Figures figures;
    {
        py::gil_scoped_release released;
        figures = analyse(model, table);
    }
    if (const auto missing = missingFigure(figures))
        throw FigureError("the " + *missing + " could not be computed for these classes");
    return figures;
}

// `bounds --plot`: e^-k(beta) over [0, 1] with its minimum and the Bhattacharyya point.
Figure chernoffFigure(const PyModel& model)
{
    const Model& m = model.two("figure 'chernoff'").model;
    const auto table = std::make_unique<double[][2]>(kTableRows);
    const Figures figures = figuresOf(m, table.get());
    const auto plot = std::make_unique<double[][6]>(kTableRows);
    makePlot(plot.get(), table.get(), figures.tableBeta, figures.tableFactor, figures.bhattacharyya.factor);
    return curveFigure(plot.get(), figures.tableBeta, modelSummary(m));
}

// `bounds draw --plot`: the samples drawn with n and seed, classified by the true rule.
Figure drawnFigure(const PyModel& model, const py::object& n, const py::object& seed)
{
    const Model& m = model.two("figure 'draw'").model;
    const std::vector<Eigen::Index> counts = countsArg(n, 2);
    const unsigned long long s = seedArg(seed);
    const auto table = std::make_unique<double[][2]>(kTableRows);
    const Figures figures = figuresOf(m, table.get());
    py::gil_scoped_release released;
    return drawFigure(m, figures, drawClassified(m, counts[0], counts[1], s));
}

// Axes (i, j) counted from 1 as 0-based coordinates; d bounds them when
// check is true.
std::pair<Eigen::Index, Eigen::Index> axesArg(const py::object& axes, Eigen::Index d, bool check)
{
    const Eigen::VectorXd a = vectorArg(axes, "axes");
    if (a.size() != 2 || a[0] != std::floor(a[0]) || a[1] != std::floor(a[1]) || a[0] < 1 || a[1] < 1 ||
        a[0] == a[1] || (check && std::max(a[0], a[1]) > static_cast<double>(d)))
        throw ArgumentError("axes", "axes: expected two different coordinates from 1 to " + std::to_string(d));
    return {static_cast<Eigen::Index>(a[0]) - 1, static_cast<Eigen::Index>(a[1]) - 1};
}

// `bounds --plot` for C classes: the Bayes rule's regions in a plane.
Figure regionsFigure(const PyModel& model, const py::object& costs, const py::object& axes,
                     const py::object& directions, const py::object& seed, const py::object& threads)
{
    ClassesCase c = model.classes("figure 'regions'");
    if (c.model.dimension() < 2)
        throw ArgumentError("model", "figure 'regions': the figure shows a plane; the model has one dimension");
    const auto [x, y] = axesArg(axes, c.model.dimension(), true);
    const ConfusionSettings settings = confusionSettings(c, costs, directions, seed, threads);
    c.losses = settings.losses;
    py::gil_scoped_release released;
    const ClassesFigures figures = analyseClasses(c.model, settings);
    return regionFigure(c.model, c.losses, x, y,
                        std::string(c.losses ? "Bayes risk " : "Bayes error ") + sig6(figures.confusion.value));
}

// `bounds fit --plot`: the fit's figure, or the estimated C classes' regions.
Figure fittedFigure(const py::sequence& samplesObj, const py::object& priors, const py::object& ridge,
                    const py::object& names, const std::vector<std::string>& sources, const py::object& axes,
                    const py::object& threads)
{
    std::vector<Points> samples = samplesArg(samplesObj);
    FitOptions options;
    options.priors = priors;
    options.names = names;
    options.ridge = numberArg(ridge, "ridge");
    options.bootstrap = 0;  // the figure shows no interval
    options.threads = threadCount(threads);
    const Eigen::Index d = samples[0].cols();
    const bool classes = fitsClasses(samples, options);
    if (classes && d < 2)
        throw ArgumentError("samples", "samples: the figure of C classes shows a plane; the points have one coordinate");
    const auto [x, y] = axesArg(axes, d, d >= 2);
    if (!classes) {
        if (sources.size() != 2)
            throw ArgumentError("sources", "sources: expected two names, one a sample");
        return fitFigure(fitTwo(std::move(samples), options), sources[0], sources[1], x, y);
    }
    const ClassesCase c = fitClasses(samples, options);
    py::gil_scoped_release released;
    const ClassesFigures figures = analyseClasses(c.model, {});
    return regionFigure(c.model, std::nullopt, x, y,
                        "classes estimated from samples, Bayes error " + sig6(figures.confusion.value));
}

// `bounds sweep --plot`: the four curves against t.
Figure sweptFigure(const PyModel& model, const std::string& vary, const py::object& start, const py::object& stop,
                   const py::object& steps, bool log, const std::optional<bool>& logY, const py::object& threads)
{
    const SweepRun run = runSweep(model, vary, start, stop, steps, log, threadCount(threads));
    return sweepFigure(run.model, run.name, run.parameter, run.values, run.log, run.rows, logY);
}

// `bounds roc --plot`: the likelihood ratio's ROC (or zROC) and a rule's.
Figure rocCurvesFigure(const PyModel& model, const py::object& costs, const py::object& rule,
                       const py::object& spacing, bool z)
{
    ModelCase c = model.two("figure 'roc'");
    if (!costs.is_none())
        c.costs = costsArg(costs);
    if (!rule.is_none())
        c.rule = ruleArg(rule, c.model.dimension());
    const double s = numberArg(spacing, "spacing");
    if (!(s >= kFinestSpacing && s <= kCoarsestSpacing))
        throw ArgumentError("spacing", "spacing: must be from 1e-4 to 0.5");
    std::optional<RocCurves> curves;
    {
        py::gil_scoped_release released;
        curves = rocCurves(c, s);
    }
    if (!curves)
        throw FigureError("the ROC curve or its AUC could not be computed for these classes");
    return rocFigure(curves->likelihoodRatio, curves->rule ? &*curves->rule : nullptr, z, modelSummary(c.model));
}

Format formatArg(const std::string& format)
{
    const auto known = format.find('.') == std::string::npos ? formatFor("." + format) : std::nullopt;
    if (!known)
        throw ArgumentError("format", "format: expected \"png\", \"svg\" or \"pdf\", got \"" + format + "\"");
    return *known;
}

// The file's bytes, drawn on width x height (pixels for PNG, points
// otherwise) with title, when given, in place of the figure's own.
py::bytes renderBytes(const Figure& figure, const std::string& format, const py::object& width,
                      const py::object& height, const std::optional<std::string>& title)
{
    const Format f = formatArg(format);
    const int w = static_cast<int>(wholeArg(width, "width", kSmallestSide, kLargestSide));
    const int h = static_cast<int>(wholeArg(height, "height", kSmallestSide, kLargestSide));
    Figure titled = figure;
    if (title)
        titled.title = *title;
    std::string bytes;
    try {
        py::gil_scoped_release released;
        bytes = render(titled, f, w, h);
    } catch (const std::runtime_error& e) {
        throw FigureError(std::string("the figure could not be drawn: ") + e.what());
    }
    return py::bytes(bytes);
}

}  // namespace

void bindFigure(py::module_& m)
{
    py::class_<Figure>(m, "_Figure", py::module_local())
        .def("render", &renderBytes, "format"_a, "width"_a, "height"_a, "title"_a)
        .def("json", [](const Figure& f) { return jsonText(figureJson(f)); });
    m.def("_chernoff_figure", &chernoffFigure, "model"_a);
    m.def("_draw_figure", &drawnFigure, "model"_a, "n"_a, "seed"_a);
    m.def("_regions_figure", &regionsFigure, "model"_a, "costs"_a, "axes"_a, "directions"_a, "seed"_a, "threads"_a);
    m.def("_fit_figure", &fittedFigure, "samples"_a, "priors"_a, "ridge"_a, "names"_a, "sources"_a, "axes"_a,
          "threads"_a);
    m.def("_sweep_figure", &sweptFigure, "model"_a, "vary"_a, "start"_a, "stop"_a, "steps"_a, "log"_a, "log_y"_a,
          "threads"_a);
    m.def("_roc_figure", &rocCurvesFigure, "model"_a, "costs"_a, "rule"_a, "spacing"_a, "z"_a);
}

}  // namespace gaussbound::python
