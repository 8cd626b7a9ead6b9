// bounds fit FILE1 FILE2: two classes estimated from their samples, every
// figure of the estimated classes, the plug-in Bayes classifier's error on
// the samples (resubstitution and leave-one-out, with Wilson intervals),
// bootstrap intervals for the Bayes error and both bounds, the plug-in
// classifier's exact error under the estimated classes and, with
// --true-model, under the classes the points came from, and a figure of the
// samples (a scatter, or a strip in one coordinate).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <memory>

#include <gaussbound/Input.h>
#include <gaussbound/ModelFile.h>
#include <gaussbound/SampleFigure.h>
#include <gaussbound/SampleFile.h>
#include <gaussbound/SampleFit.h>
#include <gaussbound/SampleReport.h>

#include "cli.h"
#include "commands.h"
#include "progress.h"

namespace {

// Fewer resamplings give no 2.5th and 97.5th percentiles of their own.
constexpr int kFewestResamplings = 20;

struct Fit {
    // As typed.
    std::string file1, file2, priors, ridge = "0", replicates = "1000", seed = "1", threads, axes = "1,2";
    std::string truePath;
    PlotOptions plot;
    bool json = false;
    CLI::Option* priorsOption = nullptr;
    CLI::Option* axesOption = nullptr;
    CLI::Option* truthOption = nullptr;
    // Checked.
    std::string name1, name2;  // the files as messages name them
    gaussbound::BootstrapSettings bootstrap;
    Eigen::Index xAxis = 0, yAxis = 1;
    bool axesGiven = false;  // read while the options exist; the work runs after they are gone
    std::optional<gaussbound::Model> trueModel;
};

// Throws Invalid for the first option that is not acceptable.
void check(Fit& o)
{
    if (o.file1 == "-" && o.file2 == "-")
        throw Invalid("FILE2: standard input can give only one of the two files");
    o.name1 = gaussbound::inputName(o.file1);
    o.name2 = gaussbound::inputName(o.file2);
    auto& estimate = o.bootstrap.estimate;
    if (*o.priorsOption) {
        const std::vector<double> p = readNumbers("--priors", o.priors, 2);
        if (const auto error = gaussbound::validatePriors(p[0], p[1]))
            throw Invalid("--priors: " + error->message);
        estimate.priors = std::pair{p[0], p[1]};
    }
    const std::vector<double> ridge = readNumbers("--ridge", o.ridge, 1);
    if (ridge[0] < 0)
        throw Invalid("--ridge: must be 0 or more, got '" + o.ridge + "'");
    estimate.ridge = ridge[0];
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
        if (o.truePath == "-" && (o.file1 == "-" || o.file2 == "-"))
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


int runFit(const Fit& o)
{
    gaussbound::Points class1, class2;
    try {
        class1 = gaussbound::readSampleFile(o.file1, {});
        class2 = gaussbound::readSampleFile(o.file2, {class1.cols(), "the points of " + o.name1});
    } catch (const gaussbound::SampleFileError& e) {
        std::cerr << oneLine(std::string("bounds: ") + e.what()) << '\n';
        return 2;
    }
    // The default axes 1,2 matter only to a figure; axes given must exist.
    const Eigen::Index d = class1.cols();
    if (std::max(o.xAxis, o.yAxis) >= d && (d >= 2 || o.axesGiven)) {
        std::cerr << "bounds: --axes: the points have " << d << (d == 1 ? " coordinate\n" : " coordinates\n");
        return 2;
    }
    ProgressLine progress("bootstrap resamplings", o.bootstrap.replicates);
    gaussbound::BootstrapSettings settings = o.bootstrap;
    settings.progress = [&progress](int done) { progress.update(done); };
    auto result = gaussbound::fitSamples(std::move(class1), std::move(class2), settings);
    if (const auto* problem = std::get_if<gaussbound::SampleProblem>(&result)) {
        // A ridge lets any class of 2 or more points through: once one is
        // given, another cannot help.
        std::cerr << oneLine("bounds: " + (problem->sampleClass == 1 ? o.name1 : o.name2) + ": " +
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
        figure = gaussbound::fitFigure(f, o.name1, o.name2, o.xAxis, o.yAxis);
    return finish(std::move(figure), o.plot.target, {},
                  o.json ? gaussbound::fitJson(f, truth) : gaussbound::fitText(f, o.name1, o.name2, truth));
}

}  // namespace

void addFitCommand(CLI::App& app, Work& work)
{
    auto o = std::make_shared<Fit>();
    CLI::App* fit = app.add_subcommand(
        "fit", "Estimate two normal classes from samples and report every figure of the estimated\n"
               "classes, the plug-in Bayes classifier's error on the samples, and bootstrap intervals");
    fit->add_option("FILE1", o->file1, "Points of class 1, one a line (- for standard input)")->required();
    fit->add_option("FILE2", o->file2, "Points of class 2")->required();
    o->priorsOption = fit->add_option("--priors", o->priors, "Prior probabilities (default: from the counts)")
                          ->type_name("P1,P2");
    fit->add_option("--ridge", o->ridge, "Add L times the identity to each estimated covariance")
        ->type_name("L")
        ->capture_default_str();
    fit->add_option("--bootstrap", o->replicates, "Bootstrap resamplings for the intervals, 20 or more; 0 for none")
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
