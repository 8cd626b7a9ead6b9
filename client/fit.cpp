// bounds fit FILE1 FILE2 [FILE3 ...]: two classes estimated from their
// samples, every figure of the estimated classes, the plug-in Bayes classifier's error on
// the samples (resubstitution and leave-one-out, with Wilson intervals),
// bootstrap intervals for the Bayes error and both bounds, the plug-in
// classifier's exact error under the estimated classes and, with
// --true-model, under the classes the points came from, and a figure of the
// samples (a scatter, or a strip in one coordinate). Three files or more,
// or --names, give C classes: their report (ClassesReport.h), the plug-in
// rule's counts by resubstitution and leave-one-out, and the figure of
// their regions.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <memory>

#include <gaussbound/ClassesFit.h>
#include <gaussbound/Confusion.h>
#include <gaussbound/Input.h>
#include <gaussbound/ModelFile.h>
#include <gaussbound/RegionFigure.h>
#include <gaussbound/SampleFigure.h>
#include <gaussbound/SampleFile.h>
#include <gaussbound/SampleFit.h>
#include <gaussbound/SampleReport.h>
#include <gaussbound/Text.h>

#include "cli.h"
#include "commands.h"
#include "progress.h"

namespace {

// Fewer resamplings give no 2.5th and 97.5th percentiles of their own.
constexpr int kFewestResamplings = 20;

struct Fit {
    // As typed.
    std::vector<std::string> files;
    std::string names, priors, ridge = "0", replicates = "1000", seed = "1", threads, axes = "1,2";
    std::string truePath;
    PlotOptions plot;
    bool json = false;
    CLI::Option* priorsOption = nullptr;
    CLI::Option* axesOption = nullptr;
    CLI::Option* truthOption = nullptr;
    CLI::Option* namesOption = nullptr;
    CLI::Option* bootstrapOption = nullptr;
    // Checked.
    std::vector<std::string> fileNames;  // the files as messages name them
    bool classes = false;                // C classes: three files or more, or --names
    std::vector<std::string> classNames;
    gaussbound::ClassesEstimateSettings classesEstimate;
    gaussbound::BootstrapSettings bootstrap;
    Eigen::Index xAxis = 0, yAxis = 1;
    bool axesGiven = false;  // read while the options exist; the work runs after they are gone
    std::optional<gaussbound::Model> trueModel;
};

// Throws Invalid for the first option that is not acceptable.
// The options only C classes take, and those they do not.
void checkClasses(Fit& o)
{
    const std::size_t c = o.files.size();
    if (*o.namesOption) {
        o.classNames.clear();
        for (size_t start = 0;;) {
            const size_t comma = o.names.find(',', start);
            o.classNames.push_back(o.names.substr(start, comma - start));
            if (comma == std::string::npos)
                break;
            start = comma + 1;
        }
        if (o.classNames.size() != c)
            throw Invalid("--names: expected " + std::to_string(c) + " names, one a file, got '" + o.names + "'");
        for (size_t i = 0; i < c; ++i) {
            if (o.classNames[i].empty())
                throw Invalid("--names: a name must not be empty");
            for (size_t j = 0; j < i; ++j)
                if (o.classNames[i] == o.classNames[j])
                    throw Invalid("--names: the name \"" + o.classNames[i] + "\" is given twice");
        }
    }
    for (const CLI::Option* option : {o.bootstrapOption, o.truthOption})
        if (*option)
            throw Invalid(option->get_name() + ": is for two classes; C classes take --names, --priors, --ridge, "
                                               "--axes, --plot and --json");
    if (*o.priorsOption) {
        const std::vector<double> p = readNumbers("--priors", o.priors, c);
        o.classesEstimate.priors = p;
        if (!gaussbound::validSettings(gaussbound::ClassesEstimateSettings{0.0, p}, c))
            throw Invalid("--priors: each prior must lie strictly between 0 and 1, and they must sum to 1");
    }
}

void check(Fit& o)
{
    if (std::count(o.files.begin(), o.files.end(), "-") > 1)
        throw Invalid("FILES: standard input can give only one of the files");
    for (const std::string& file : o.files)
        o.fileNames.push_back(gaussbound::inputName(file));
    o.classes = o.files.size() > 2 || *o.namesOption;
    auto& estimate = o.bootstrap.estimate;
    if (o.classes) {
        checkClasses(o);
    } else if (*o.priorsOption) {
        const std::vector<double> p = readNumbers("--priors", o.priors, 2);
        if (const auto error = gaussbound::validatePriors(p[0], p[1]))
            throw Invalid("--priors: " + error->message);
        estimate.priors = std::pair{p[0], p[1]};
    }
    const std::vector<double> ridge = readNumbers("--ridge", o.ridge, 1);
    if (ridge[0] < 0)
        throw Invalid("--ridge: must be 0 or more, got '" + o.ridge + "'");
    estimate.ridge = ridge[0];
    o.classesEstimate.ridge = ridge[0];
    o.bootstrap.replicates = static_cast<int>(readWhole("--bootstrap", o.replicates, 0, 1000000));
    if (o.bootstrap.replicates > 0 && o.bootstrap.replicates < kFewestResamplings)
        throw Invalid("--bootstrap: a 95 % interval needs at least " + std::to_string(kFewestResamplings) +
                      " resamplings (0 for none), got " + o.replicates);
    o.bootstrap.seed = readWhole("--seed", o.seed, 0, UINT64_MAX);
    o.bootstrap.threads = readThreads(o.threads);
    const std::vector<double> axes = readNumbers("--axes", o.axes, 2);
    for (double a : axes)
        if (a != std::floor(a) || a < 1 || a > 1e6)
            throw Invalid("--axes: expected two coordinate numbers counted from 1, got '" + o.axes + "'");
    if (axes[0] == axes[1])
        throw Invalid("--axes: the two coordinates must differ");
    o.axesGiven = static_cast<bool>(*o.axesOption);
    o.xAxis = static_cast<Eigen::Index>(axes[0]) - 1;
    o.yAxis = static_cast<Eigen::Index>(axes[1]) - 1;
    if (*o.truthOption) {
        if (o.truePath.empty())
            throw Invalid("--true-model: the file name is empty");
        if (o.truePath == "-" && std::count(o.files.begin(), o.files.end(), "-") > 0)
            throw Invalid("--true-model: standard input can give only one of the files");
        try {
            const gaussbound::Model m = gaussbound::readModelFile(o.truePath).model;
            if (const auto error = gaussbound::validate(m))
                throw gaussbound::ModelFileError(error->field + ": " + error->message);
            o.trueModel = m;
        } catch (const gaussbound::ModelFileError& e) {
            throw Invalid("--true-model: " + gaussbound::inputName(o.truePath) + ": " + e.what());
        }
    }
    o.plot.check(o.json);
}


// Every file's points, all of the first's dimension; nothing after a
// refusal, which is on stderr.
std::optional<std::vector<gaussbound::Points>> readSamples(const Fit& o)
{
    std::vector<gaussbound::Points> samples;
    try {
        for (size_t i = 0; i < o.files.size(); ++i)
            samples.push_back(gaussbound::readSampleFile(
                o.files[i], i == 0 ? gaussbound::ExpectedDimension{}
                                   : gaussbound::ExpectedDimension{samples[0].cols(), "the points of " + o.fileNames[0]}));
    } catch (const gaussbound::SampleFileError& e) {
        std::cerr << oneLine(std::string("bounds: ") + e.what()) << '\n';
        return std::nullopt;
    }
    return samples;
}

// The default axes 1,2 matter only to a figure; axes given must exist.
bool axesFit(const Fit& o, Eigen::Index d)
{
    if (std::max(o.xAxis, o.yAxis) >= d && (d >= 2 || o.axesGiven)) {
        std::cerr << "bounds: --axes: the points have " << d << (d == 1 ? " coordinate\n" : " coordinates\n");
        return false;
    }
    return true;
}

int runFitClasses(const Fit& o, const std::vector<gaussbound::Points>& samples)
{
    auto estimated = gaussbound::estimateClasses(samples, o.classNames, o.classesEstimate);
    if (const auto* problem = std::get_if<gaussbound::SampleProblem>(&estimated)) {
        std::cerr << oneLine("bounds: " + o.fileNames[static_cast<size_t>(problem->sampleClass - 1)] + ": " +
                             problem->message +
                             (o.classesEstimate.ridge > 0 ? "" : "; --ridge L adds L to each variance"))
                  << '\n';
        return 2;
    }
    const gaussbound::ClassesCase c{std::get<gaussbound::ClassesModel>(std::move(estimated)), std::nullopt};
    const gaussbound::ClassesFigures figures = gaussbound::analyseClasses(c.model, {});
    const gaussbound::ClassesCounts resubstitution =
        gaussbound::classifyClasses(gaussbound::ClassesRule(c.model), samples);
    const auto leaveOneOut = gaussbound::leaveOneOutClasses(samples, o.classesEstimate);
    std::optional<gaussbound::Figure> figure;
    if (!o.plot.target.path.empty())
        figure = gaussbound::regionFigure(c.model, std::nullopt, o.xAxis, o.yAxis,
                                          "classes estimated from samples, Bayes error " +
                                              gaussbound::sig6(figures.confusion.value));
    return finish(std::move(figure), o.plot.target, {},
                  o.json ? gaussbound::classesFitJson(c, figures, resubstitution, leaveOneOut)
                         : gaussbound::classesFitText(c, figures, resubstitution, leaveOneOut, o.fileNames));
}

int runFit(const Fit& o)
{
    auto samples = readSamples(o);
    if (!samples)
        return 2;
    const Eigen::Index d = (*samples)[0].cols();
    if (!axesFit(o, d))
        return 2;
    if (o.classes) {
        if (d < 2 && !o.plot.target.path.empty()) {
            std::cerr << "bounds: --plot: the figure of C classes shows a plane; the points have one coordinate\n";
            return 2;
        }
        return runFitClasses(o, *samples);
    }
    gaussbound::Points class1 = std::move((*samples)[0]), class2 = std::move((*samples)[1]);
    ProgressLine progress("bootstrap resamplings", o.bootstrap.replicates);
    gaussbound::BootstrapSettings settings = o.bootstrap;
    settings.progress = [&progress](int done) { progress.update(done); };
    auto result = gaussbound::fitSamples(std::move(class1), std::move(class2), settings);
    if (const auto* problem = std::get_if<gaussbound::SampleProblem>(&result)) {
        // A ridge lets any class of 2 or more points through: once one is
        // given, another cannot help.
        std::cerr << oneLine("bounds: " + o.fileNames[problem->sampleClass == 1 ? 0 : 1] + ": " +
                             problem->message +
                             (o.bootstrap.estimate.ridge > 0 ? "" : "; --ridge L adds L to each variance"))
                  << '\n';
        return 2;
    }
    const auto& f = std::get<gaussbound::SampleFit>(result);
    if (const auto missing = gaussbound::missingFigure(f.figures)) {
        std::cerr << "bounds: the " << *missing << " could not be computed for the estimated classes\n";
        return 1;
    }
    std::optional<gaussbound::TrueClasses> truth;
    if (o.trueModel) {
        if (o.trueModel->dimension() != f.model.dimension()) {
            std::cerr << "bounds: --true-model: " << gaussbound::inputName(o.truePath) << ": its classes have "
                      << o.trueModel->dimension() << " coordinates, the points " << f.model.dimension() << '\n';
            return 2;
        }
        truth = gaussbound::underTrueClasses(f, *o.trueModel);
    }
    std::optional<gaussbound::Figure> figure;
    if (!o.plot.target.path.empty())
        figure = gaussbound::fitFigure(f, o.fileNames[0], o.fileNames[1], o.xAxis, o.yAxis);
    return finish(std::move(figure), o.plot.target, {},
                  o.json ? gaussbound::fitJson(f, truth) : gaussbound::fitText(f, o.fileNames[0], o.fileNames[1], truth));
}

}  // namespace

void addFitCommand(CLI::App& app, Work& work)
{
    auto o = std::make_shared<Fit>();
    CLI::App* fit = app.add_subcommand(
        "fit", "Estimate two normal classes from samples and report every figure of the estimated\n"
               "classes, the plug-in Bayes classifier's error on the samples, and bootstrap intervals;\n"
               "from three files or more (or with --names), C classes and their confusion matrix");
    fit->add_option("FILES", o->files, "Points of class 1, class 2, ..., one a line (- for standard input, once)")
        ->required()
        ->expected(2, static_cast<int>(gaussbound::kMaxClasses));
    o->namesOption = fit->add_option("--names", o->names, "C classes: their names, one a file (default 1, 2, ...)")
                         ->type_name("A,B,...");
    o->priorsOption = fit->add_option("--priors", o->priors, "Prior probabilities, one a class (default: from the counts)")
                          ->type_name("P1,P2,...");
    fit->add_option("--ridge", o->ridge, "Add L times the identity to each estimated covariance")
        ->type_name("L")
        ->capture_default_str();
    o->bootstrapOption = fit->add_option("--bootstrap", o->replicates, "Bootstrap resamplings for the intervals, 20 or more; 0 for none")
        ->type_name("B")
        ->capture_default_str();
    fit->add_option("--seed", o->seed, "Seed of the resamplings")->type_name("S")->capture_default_str();
    fit->add_option("--threads", o->threads, "Threads for the bootstrap (default: all cores); the result "
                                                 "is the same for any number")
            ->type_name("N");
    o->plot.declare(*fit, "Draw the samples, ellipses, decision boundary and misclassified points");
    o->axesOption = fit->add_option("--axes", o->axes, "The two coordinates the plot shows, counted from 1")
        ->type_name("I,J")
        ->capture_default_str();
    o->truthOption = fit->add_option("--true-model", o->truePath,
                                     "The classes the points were drawn from (a model file, as --model reads "
                                     "and 'bounds draw --json' writes): the plug-in classifier's exact error "
                                     "under them, beside their Bayes error")
                         ->type_name("FILE");
    fit->add_flag("--json", o->json, "Print the results as one JSON object");
    fit->footer("A sample file holds one point a line: (x,y) as sampler prints it, or d numbers\n"
                "separated by commas, spaces or tabs; blank lines and lines starting with # are\n"
                "skipped. Exit status: 0 done, 1 an output could not be written or a figure could\n"
                "not be computed for the estimated classes, 2 bad input.");
    fit->callback([o, &work] {
        check(*o);
        work = [o] { return runFit(*o); };
    });
}
