// bounds fit FILE1 FILE2: two classes estimated from their samples, every
// figure of the estimated classes, the plug-in Bayes classifier's error on
// the samples (resubstitution and leave-one-out, with Wilson intervals),
// bootstrap intervals for the Bayes error and both bounds, and a scatter
// figure.
#include <iostream>
#include <memory>

#include <gaussbound/Analysis.h>
#include <gaussbound/Bootstrap.h>
#include <gaussbound/Classifier.h>
#include <gaussbound/SampleFigure.h>

#include "cli.h"
#include "commands.h"
#include "output.h"
#include "plot_module.h"
#include "progress.h"
#include <gaussbound/Report.h>
#include <gaussbound/SampleFile.h>
#include "sample_report.h"

namespace {

// Fewer resamplings give no 2.5th and 97.5th percentiles of their own.
constexpr int kFewestResamplings = 20;

struct Fit {
    // As typed.
    std::string file1, file2, priors, ridge = "0", replicates = "1000", seed = "1", threads, axes = "1,2";
    PlotOptions plot;
    bool json = false;
    CLI::Option* priorsOption = nullptr;
    CLI::Option* axesOption = nullptr;
    // Checked.
    std::string name1, name2;  // the files as messages name them
    gaussbound::BootstrapSettings bootstrap;
    Eigen::Index xAxis = 0, yAxis = 1;
    bool axesGiven = false;  // read while the options exist; the work runs after they are gone
};

// Throws Invalid for the first option that is not acceptable.
void check(Fit& o)
{
    if (o.file1 == "-" && o.file2 == "-")
        throw Invalid("FILE2: standard input can give only one of the two files");
    o.name1 = o.file1 == "-" ? "standard input" : o.file1;
    o.name2 = o.file2 == "-" ? "standard input" : o.file2;
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
    o.plot.check(o.json);
}

}  // namespace

namespace {

// What fit found, beside the estimated model's figures.
struct Findings {
    gaussbound::Points class1, class2;
    gaussbound::Model model;
    gaussbound::Figures figures;
    std::vector<Eigen::Index> wrong1, wrong2;  // resubstitution's errors
    std::optional<Eigen::Index> leaveOneOut;
    std::optional<gaussbound::BootstrapResult> bootstrap;

    ErrorCount resubstitution() const
    {
        return {static_cast<std::int64_t>(wrong1.size() + wrong2.size()), total()};
    }
    std::int64_t total() const { return class1.rows() + class2.rows(); }
};

std::string intervalLine(const std::string& label, const gaussbound::Interval& i)
{
    return gaussbound::line(label, i.low, " to " + gaussbound::sig6(i.high));
}

std::string fitText(const Fit& o, const Findings& f)
{
    std::string s = "Samples: " + pointCount(f.class1.rows()) + " of class 1 from " + o.name1 + ", " +
                    std::to_string(f.class2.rows()) + " of class 2 from " + o.name2 + "\n";
    s += "Estimated classes (sample means, unbiased covariances" +
         std::string(o.bootstrap.estimate.ridge > 0 ? " plus the ridge" : "") + ", priors " +
         (o.bootstrap.estimate.priors ? "as given" : "from the counts") + "):\n";
    s += gaussbound::textReport(f.model, f.figures);
    s += "Empirical error of the plug-in Bayes classifier on the samples\n";
    s += errorLine("  resubstitution:", f.resubstitution());
    s += f.leaveOneOut ? errorLine("  leave-one-out:", {*f.leaveOneOut, f.total()})
                       : "  leave-one-out:                               not computed: a class refitted without a "
                         "point has a singular covariance (add --ridge)\n";
    if (f.bootstrap) {
        s += "Bootstrap 95 % percentile intervals (" + std::to_string(o.bootstrap.replicates) +
             " resamplings, seed " + std::to_string(o.bootstrap.seed) +
             (f.bootstrap->failed ? ", " + std::to_string(f.bootstrap->failed) + " left out as singular" : "") +
             ")\n";
        s += intervalLine("  Bayes error:", f.bootstrap->bayesError);
        s += intervalLine("  Chernoff bound (optimum with priors):", f.bootstrap->chernoffErrorBound);
        s += intervalLine("  Bhattacharyya bound:", f.bootstrap->bhattacharyyaErrorBound);
    }
    return s;
}

std::string fitJson(const Fit& o, const Findings& f)
{
    nlohmann::ordered_json j = gaussbound::reportObject(f.model, f.figures);
    j["samples"] = {{"n1", f.class1.rows()}, {"n2", f.class2.rows()}};
    j["empirical"] = {{"resubstitution", errorObject(f.resubstitution())},
                      {"leave_one_out", f.leaveOneOut ? errorObject({*f.leaveOneOut, f.total()})
                                                      : nlohmann::ordered_json(nullptr)}};
    if (f.bootstrap)
        j["bootstrap"] = {{"replicates", o.bootstrap.replicates},
                          {"seed", o.bootstrap.seed},
                          {"bayes_error", intervalJson(f.bootstrap->bayesError)},
                          {"chernoff_error_bound", intervalJson(f.bootstrap->chernoffErrorBound)},
                          {"bhattacharyya_error_bound", intervalJson(f.bootstrap->bhattacharyyaErrorBound)},
                          {"failed", f.bootstrap->failed}};
    return j.dump() + "\n";
}

// Reads both files and estimates the classes; on a refusal sets message.
bool readAndEstimate(const Fit& o, Findings& f, std::string& message)
{
    try {
        f.class1 = gaussbound::readSampleFile(o.file1, {});
        f.class2 = gaussbound::readSampleFile(o.file2, {f.class1.cols(), "the points of " + o.name1});
    } catch (const gaussbound::SampleFileError& e) {
        message = e.what();
        return false;
    }
    // The default axes 1,2 matter only to a figure; axes given must exist.
    const Eigen::Index d = f.class1.cols();
    if (std::max(o.xAxis, o.yAxis) >= d && (d >= 2 || o.axesGiven)) {
        message = "--axes: the points have " + std::to_string(d) + (d == 1 ? " coordinate" : " coordinates");
        return false;
    }
    auto estimate = gaussbound::estimateModel(f.class1, f.class2, o.bootstrap.estimate);
    if (const auto* problem = std::get_if<gaussbound::SampleProblem>(&estimate)) {
        // A ridge lets any class of 2 or more points through: once one is
        // given, another cannot help.
        message = (problem->sampleClass == 1 ? o.name1 : o.name2) + ": " + problem->message +
                  (o.bootstrap.estimate.ridge > 0 ? "" : "; --ridge L adds L to each variance");
        return false;
    }
    f.model = std::get<gaussbound::Model>(std::move(estimate));
    return true;
}

}  // namespace

namespace {

int runFit(const Fit& o)
{
    Findings f;
    std::string message;
    if (!readAndEstimate(o, f, message)) {
        std::cerr << oneLine("bounds: " + message) << '\n';
        return 2;
    }
    const auto table = std::make_unique<double[][2]>(kTableRows);
    f.figures = gaussbound::analyse(f.model, table.get());
    if (const auto missing = gaussbound::missingFigure(f.figures)) {
        std::cerr << "bounds: the " << *missing << " could not be computed for the estimated classes\n";
        return 1;
    }
    const gaussbound::QuadraticRule rule(f.model);
    f.wrong1 = gaussbound::misclassified(rule, f.class1, 1);
    f.wrong2 = gaussbound::misclassified(rule, f.class2, 2);
    f.leaveOneOut = gaussbound::leaveOneOutErrors(f.class1, f.class2, o.bootstrap.estimate);
    if (o.bootstrap.replicates > 0) {
        ProgressLine progress("bootstrap resamplings", o.bootstrap.replicates);
        gaussbound::BootstrapSettings settings = o.bootstrap;
        settings.progress = [&progress](int done) { progress.update(done); };
        f.bootstrap = gaussbound::bootstrap(f.class1, f.class2, settings);
    }
    std::optional<gaussbound::Figure> figure;
    if (!o.plot.target.path.empty())
        figure = gaussbound::fitFigure(f.class1, f.class2, f.model, f.figures, f.wrong1, f.wrong2, f.leaveOneOut,
                                       o.name1, o.name2, o.xAxis, o.yAxis);
    return finish(std::move(figure), o.plot.target, {}, o.json ? fitJson(o, f) : fitText(o, f));
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
