// bounds roc: the receiver operating characteristic of the likelihood ratio
// of two normal classes, its AUC and the Bayes rule's operating point on it
// (with costs, when given), beside a given rule's curve and its own point,
// as a summary, CSV, JSON and a figure (the ROC or the zROC).
#include <iostream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <gaussbound/ModelFile.h>
#include <gaussbound/RocFigure.h>
#include <gaussbound/RocTable.h>
#include <gaussbound/Rule.h>
#include <gaussbound/Text.h>

#include "cli.h"
#include "commands.h"

namespace {

// The options as typed.
struct Typed {
    ClassOptions classes;
    DecisionOptions decisions;
    std::string csvPath, spacing = "0.005";
    PlotOptions plot;
    bool json = false, z = false;
    CLI::Option* csv = nullptr;
};

// A curve to compute, checked and ready to run.
struct Roc {
    gaussbound::ModelCase input;  // the model valid; the costs and rule of --costs, --rule or the model file
    double spacing;
    TableAndPlot outputs;
    bool z, json;
};

void declare(CLI::App& command, Typed& typed)
{
    typed.classes.declare(command);
    typed.csv = command
                    .add_option("--csv", typed.csvPath,
                                "Write the curve's points as CSV: threshold,false_alarm,hit,log10_false_alarm,"
                                "log10_miss, in order of rising F from (0, 0) to (1, 1), every number read back "
                                "as the same double (inf and -inf where infinite); with a rule, its points "
                                "follow and a sixth column, curve, says likelihood_ratio or rule; - for "
                                "standard output, in place of the summary")
                    ->type_name("FILE");
    command.add_flag("--json", typed.json,
                     "Print the AUC, its error bound, the points and the operating point as one JSON object "
                     "(with a rule, the same four under the key rule)");
    typed.plot.declare(command, "Draw the ROC curve with its AUC and the operating point");
    command.add_flag("--z", typed.z,
                     "Draw the zROC instead: Phi^-1(H) against Phi^-1(F), a line of slope 1 for classes of "
                     "equal covariances (needs --plot)");
    command.add_option("--spacing", typed.spacing, "Neighbouring points at most S apart in F and in H, 1e-4 to 0.5")
        ->type_name("S")
        ->capture_default_str();
    typed.decisions.declare(command,
                            "its curve is added, with its own operating point g(x) > 0, and the CSV gets a "
                            "sixth column, curve: likelihood_ratio or rule");
}

// Reads --spacing. Throws Invalid.
double readSpacing(const std::string& text)
{
    const double s = readNumbers("--spacing", text, 1)[0];
    if (!(s >= gaussbound::kFinestRocSpacing && s <= gaussbound::kCoarsestRocSpacing))
        throw Invalid("--spacing: must be from 1e-4 to 0.5, got " + text);
    return s;
}

// Every option, in order. Throws Invalid for the first that is not acceptable.
Roc check(Typed& typed)
{
    Roc roc;
    roc.input = typed.classes.read();
    typed.decisions.apply(roc.input);
    roc.spacing = readSpacing(typed.spacing);
    typed.plot.checkSize();
    if (typed.z && !*typed.plot.option)
        throw Invalid("--z: draws the zROC, which needs --plot FILE");
    roc.z = typed.z;
    roc.json = typed.json;
    roc.outputs = TableAndPlot::check(typed.csv, typed.csvPath, typed.plot, typed.json);
    return roc;
}

// The classes, and the costs when given, as the summary's first lines.
std::string heading(const Roc& roc)
{
    const gaussbound::Model& m = roc.input.model;
    std::string s = "Class 1: " + gaussbound::classSummary(m.mu1, m.sigma1, m.prior1) + "\n" +
                    "Class 2: " + gaussbound::classSummary(m.mu2, m.sigma2, m.prior2) + "\n";
    if (const auto& c = roc.input.costs)
        s += "Costs L11, L12, L21, L22: " + gaussbound::sig6(c->l11) + ", " + gaussbound::sig6(c->l12) + ", " +
             gaussbound::sig6(c->l21) + ", " + gaussbound::sig6(c->l22) + "\n";
    return s + "\n";
}

// Computes the curves and writes what was asked for. Returns the exit status.
int run(const Roc& roc)
{
    const auto computed = gaussbound::rocCurves(roc.input, roc.spacing);
    if (!computed) {
        std::cerr << "bounds: the ROC curve or its AUC could not be computed for these classes\n";
        return 1;
    }
    const gaussbound::RocCurve& likelihoodRatio = computed->likelihoodRatio;
    const gaussbound::RocCurve* rule = computed->rule ? &*computed->rule : nullptr;
    std::vector<PendingFile> files;
    if (!roc.outputs.csvPath.empty())
        files.push_back({roc.outputs.csvPath, gaussbound::rocCsv(likelihoodRatio, rule)});
    std::optional<gaussbound::Figure> figure;
    if (!roc.outputs.plot.path.empty())
        figure = gaussbound::rocFigure(likelihoodRatio, rule, roc.z, gaussbound::modelSummary(roc.input.model));
    // The summary is not printed when an output takes standard output.
    const std::string summary = roc.outputs.onStandardOutput ? ""
                                : roc.json ? gaussbound::rocJson(likelihoodRatio, rule)
                                           : heading(roc) + gaussbound::rocText(likelihoodRatio, rule);
    return finish(std::move(figure), roc.outputs.plot, std::move(files), summary);
}

}  // namespace

void addRocCommand(CLI::App& app, Work& work)
{
    CLI::App* command = app.add_subcommand(
        "roc", "The ROC curve of the likelihood ratio, its AUC and the Bayes rule's operating point");
    command->footer(
        "The likelihood ratio g(x) = ln p2(x) - ln p1(x) decides class 2 where g(x) > t. Each threshold t\n"
        "is a point of the curve: the false-alarm rate F = P(g > t | class 1) against the hit rate\n"
        "H = P(g > t | class 2), from (0, 0) at t = +inf to (1, 1) at t = -inf. No rule has a higher H at\n"
        "the same F. The AUC, the area under the curve, is P(g(X2) > g(X1)) for independent points of\n"
        "class 2 and class 1, computed exactly with a bound on its error. The operating point is the\n"
        "Bayes rule's threshold, t = ln P1(L12 - L11) - ln P2(L21 - L22): t = ln(P1/P2) for the 0-1 loss.\n"
        "The costs (L_ij the loss of deciding class j for a point of class i) and the rule may also come\n"
        "from the --model file's \"costs\" and \"rule\" keys; --costs and --rule replace them. A rule's\n"
        "curve is that of its own g(x) = x'Ax + b'x + c against every threshold, its operating point\n"
        "g(x) > 0, the rule as given.");
    const auto typed = std::make_shared<Typed>();
    declare(*command, *typed);
    command->callback([typed, &work] {
        const Roc roc = check(*typed);
        work = [roc] { return run(roc); };
    });
}
