// draw and fit: samples drawn from a model as `bounds draw` draws them, and
// classes fitted to samples as `bounds fit` fits them, with its report.
#include <algorithm>
#include <cmath>
#include <thread>

#include <pybind11/functional.h>
#include <pybind11/stl.h>

#include <gaussbound/Confusion.h>
#include <gaussbound/Draw.h>
#include <gaussbound/SampleReport.h>

#include "samples.h"

namespace gaussbound::python {
namespace {
using namespace pybind11::literals;

constexpr long long kMostPoints = 10000000;  // a class, as bounds draw allows
constexpr long long kFewestResamplings = 20;  // fewer give no percentiles of their own
constexpr long long kMostResamplings = 1000000;

}  // namespace

namespace {

py::array_t<double> pointsArray(const Points& points)
{
    py::array_t<double> a({points.rows(), points.cols()});
    std::copy(points.data(), points.data() + points.size(), a.mutable_data());
    return a;
}

// The points `bounds draw` writes for the model, n and seed, one array a class.
py::list drawPoints(const PyModel& model, const py::object& n, const py::object& seed)
{
    const unsigned long long s = seedArg(seed);
    std::vector<Points> drawn;
    if (const auto* c = std::get_if<ClassesCase>(&model.any)) {
        const auto counts = countsArg(n, c->model.size());
        py::gil_scoped_release released;
        drawn = drawClasses(c->model, counts, s);
    } else {
        const auto counts = countsArg(n, 2);
        py::gil_scoped_release released;
        auto [class1, class2] = drawSamples(model.two("draw").model, counts[0], counts[1], s);
        drawn = {std::move(class1), std::move(class2)};
    }
    py::list out;
    for (const Points& points : drawn)
        out.append(pointsArray(points));
    return out;
}

// The fit report's JSON text, C classes' when the samples give them.
std::string fitReport(const std::vector<Points>& samples, const FitOptions& options)
{
    if (!fitsClasses(samples, options))
        return fitJson(fitTwo(samples, options));
    const ClassesCase c = fitClasses(samples, options);
    const ClassesEstimateSettings estimate = classesSettings(options, samples.size());
    py::gil_scoped_release released;
    ConfusionSettings settings;
    settings.threads = options.threads;
    const ClassesFigures figures = analyseClasses(c.model, settings);
    const ClassesCounts resubstitution = classifyClasses(ClassesRule(c.model), samples);
    return classesFitJson(c, figures, resubstitution, leaveOneOutClasses(samples, estimate));
}

std::string fitSamplesReport(const py::sequence& samples, const py::object& priors, const py::object& ridge,
                             const py::object& bootstrap, const py::object& seed, const py::object& threads,
                             const py::object& names, const std::function<void(int)>& progress)
{
    FitOptions options;
    options.priors = priors;
    options.names = names;
    options.ridge = numberArg(ridge, "ridge");
    options.bootstrap = wholeArg(bootstrap, "bootstrap", 0, kMostResamplings);
    options.seed = seedArg(seed);
    options.threads = threadCount(threads);
    if (progress)
        options.progress = [&progress](int done) {
            py::gil_scoped_acquire held;
            progress(done);
        };
    return fitReport(samplesArg(samples), options);
}

}  // namespace

std::vector<Eigen::Index> countsArg(const py::object& n, size_t classes)
{
    std::vector<py::object> given;
    if (py::isinstance<py::sequence>(n) && !py::isinstance<py::str>(n))
        for (const auto& item : py::reinterpret_borrow<py::sequence>(n))
            given.push_back(py::reinterpret_borrow<py::object>(item));
    else
        given.push_back(n);
    if (given.size() != 1 && given.size() != classes)
        throw ArgumentError("n", "n: expected one count or " + std::to_string(classes) + ", one a class");
    std::vector<Eigen::Index> counts;
    for (size_t i = 0; i < classes; ++i)
        counts.push_back(static_cast<Eigen::Index>(wholeArg(given[given.size() == 1 ? 0 : i], "n", 1, kMostPoints)));
    return counts;
}

std::vector<Points> samplesArg(const py::sequence& samples)
{
    if (samples.size() < kMinClasses || samples.size() > kMaxClasses)
        throw ArgumentError("samples", "samples: expected " + std::to_string(kMinClasses) + " to " +
                                           std::to_string(kMaxClasses) + " arrays of points, got " +
                                           std::to_string(samples.size()));
    std::vector<Points> points;
    for (size_t i = 0; i < samples.size(); ++i) {
        const std::string name = "x" + std::to_string(i + 1);
        py::array any = py::module_::import("numpy").attr("asarray")(samples[i]);
        if (any.ndim() == 1)
            any = any.reshape({any.shape(0), py::ssize_t{1}});
        const auto a = realArray(any, name, 2);
        if (a.shape(1) < 1)
            throw ArgumentError(name, name + ": the points need at least one coordinate");
        if (i > 0 && a.shape(1) != points[0].cols())
            throw ArgumentError(name, name + ": points of " + std::to_string(a.shape(1)) + " coordinates, x1's of " +
                                          std::to_string(points[0].cols()));
        points.push_back(Eigen::Map<const Points>(a.data(), a.shape(0), a.shape(1)));
    }
    return points;
}

bool fitsClasses(const std::vector<Points>& samples, const FitOptions& options)
{
    return samples.size() > 2 || !options.names.is_none();
}

namespace {

// The message of a sample the estimate refuses, naming it.
ArgumentError sampleRefusal(const SampleProblem& problem, double ridge)
{
    const std::string name = "x" + std::to_string(problem.sampleClass);
    return ArgumentError(name, name + ": " + problem.message +
                                   (ridge > 0 ? "" : "; ridge=L adds L to each variance"));
}

void checkResamplings(long long replicates)
{
    if (replicates > 0 && replicates < kFewestResamplings)
        throw ArgumentError("bootstrap", "bootstrap: a 95 % interval needs at least " +
                                             std::to_string(kFewestResamplings) + " resamplings (0 for none), got " +
                                             std::to_string(replicates));
}

}  // namespace

namespace {

// The fit's settings: the estimate's ridge and priors, the resamplings.
BootstrapSettings bootstrapSettings(const FitOptions& options)
{
    BootstrapSettings settings;
    settings.estimate.ridge = options.ridge;
    if (!(options.ridge >= 0 && std::isfinite(options.ridge)))
        throw ArgumentError("ridge", "ridge: must be 0 or more");
    if (!options.priors.is_none()) {
        const Eigen::VectorXd p = vectorArg(options.priors, "priors");
        if (p.size() != 2)
            throw ArgumentError("priors", "priors: expected two numbers, one a class");
        if (const auto error = validatePriors(p[0], p[1]))
            throw ArgumentError("priors", "priors: " + error->message);
        settings.estimate.priors = std::pair{p[0], p[1]};
    }
    checkResamplings(options.bootstrap);
    settings.replicates = static_cast<int>(options.bootstrap);
    settings.seed = options.seed;
    settings.threads = options.threads;
    settings.progress = options.progress;
    return settings;
}

}  // namespace

SampleFit fitTwo(std::vector<Points> samples, const FitOptions& options)
{
    const BootstrapSettings settings = bootstrapSettings(options);
    std::variant<SampleFit, SampleProblem> result;
    {
        py::gil_scoped_release released;
        result = fitSamples(std::move(samples[0]), std::move(samples[1]), settings);
    }
    if (const auto* problem = std::get_if<SampleProblem>(&result))
        throw sampleRefusal(*problem, options.ridge);
    auto& fit = std::get<SampleFit>(result);
    if (const auto missing = missingFigure(fit.figures))
        throw FigureError("the " + *missing + " could not be computed for the estimated classes");
    return std::move(fit);
}

namespace {

// names: None, or one distinct, non-empty name a sample.
std::vector<std::string> namesArg(const py::object& names, size_t classes)
{
    if (names.is_none())
        return {};
    std::vector<std::string> out;
    try {
        out = names.cast<std::vector<std::string>>();
    } catch (const py::cast_error&) {
        throw ArgumentError("names", "names: expected a list of strings, one a sample");
    }
    if (py::isinstance<py::str>(names) || out.size() != classes)
        throw ArgumentError("names", "names: expected " + std::to_string(classes) + " names, one a sample");
    for (size_t i = 0; i < out.size(); ++i) {
        if (out[i].empty())
            throw ArgumentError("names", "names: a name must not be empty");
        if (std::find(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(i), out[i]) != out.begin() + static_cast<std::ptrdiff_t>(i))
            throw ArgumentError("names", "names: the name \"" + out[i] + "\" is given twice");
    }
    return out;
}

}  // namespace

ClassesEstimateSettings classesSettings(const FitOptions& options, size_t classes)
{
    ClassesEstimateSettings settings{options.ridge, std::nullopt};
    if (!(options.ridge >= 0 && std::isfinite(options.ridge)))
        throw ArgumentError("ridge", "ridge: must be 0 or more");
    if (!options.priors.is_none()) {
        const Eigen::VectorXd p = vectorArg(options.priors, "priors");
        settings.priors = std::vector<double>(p.data(), p.data() + p.size());
        if (static_cast<size_t>(p.size()) != classes || !validSettings(settings, classes))
            throw ArgumentError("priors", "priors: expected " + std::to_string(classes) +
                                              " priors, each strictly between 0 and 1, summing to 1");
    }
    return settings;
}

ClassesCase fitClasses(const std::vector<Points>& samples, const FitOptions& options)
{
    const ClassesEstimateSettings settings = classesSettings(options, samples.size());
    auto estimated = estimateClasses(samples, namesArg(options.names, samples.size()), settings);
    if (const auto* problem = std::get_if<SampleProblem>(&estimated))
        throw sampleRefusal(*problem, options.ridge);
    return ClassesCase{std::get<ClassesModel>(std::move(estimated)), std::nullopt};
}

void bindSamples(py::module_& m)
{
    m.def("_draw", &drawPoints, "model"_a, "n"_a, "seed"_a);
    m.def("_fit", &fitSamplesReport, "samples"_a, "priors"_a, "ridge"_a, "bootstrap"_a, "seed"_a, "threads"_a,
          "names"_a, "progress"_a);
}

}  // namespace gaussbound::python
