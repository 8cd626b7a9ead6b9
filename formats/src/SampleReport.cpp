#include "gaussbound/SampleReport.h"

#include <cmath>

#include <nlohmann/json.hpp>

#include "gaussbound/Error.h"
#include "gaussbound/Report.h"
#include "gaussbound/Text.h"

namespace gaussbound {

namespace {

using nlohmann::ordered_json;

// "1 point", "N points".
std::string pointCount(std::int64_t n)
{
    return std::to_string(n) + (n == 1 ? " point" : " points");
}

// "  LABEL  RATE  (E of N points; 95 % Wilson interval LOW to HIGH)".
std::string errorLine(const std::string& label, const ErrorCount& count)
{
    const Interval w = count.wilson();
    return line(label, count.rate(),
                "  (" + std::to_string(count.errors) + " of " + pointCount(count.points) +
                    "; 95 % Wilson interval " + sig6(w.low) + " to " + sig6(w.high) + ")");
}

ordered_json intervalJson(const Interval& interval)
{
    const auto end = [](double v) { return std::isnan(v) ? ordered_json(nullptr) : jsonValue(v); };
    return ordered_json::array({end(interval.low), end(interval.high)});
}

ordered_json errorObject(const ErrorCount& count)
{
    return {{"errors", count.errors}, {"rate", count.rate()}, {"interval", intervalJson(count.wilson())}};
}

std::string intervalLine(const std::string& label, const Interval& i)
{
    return line(label, i.low, " to " + sig6(i.high));
}

void requireSamples(const Classified& samples, const char* what)
{
    requireArgument(samples.class1.rows() >= 1 && samples.class2.rows() >= 1, what);
}

// A comment line, then the points, each number read back as the same double.
std::string sampleFile(const std::string& comment, const Points& points)
{
    std::string s = comment + "\n";
    s.reserve(s.size() + static_cast<size_t>(points.size()) * 20);
    for (Eigen::Index k = 0; k < points.rows(); ++k)
        for (Eigen::Index i = 0; i < points.cols(); ++i)
            s += exact(points(k, i)) + (i + 1 < points.cols() ? "," : "\n");
    return s;
}

void requireCounts(const ClassesCase& c, const ClassesCounts& counts, const char* what)
{
    bool ok = counts.size() == c.model.size();
    for (std::size_t i = 0; ok && i < counts.size(); ++i)
        ok = counts.points(i) >= 1;
    requireArgument(ok, what);
}

std::string countLines(const std::string& heading, const ClassesCase& c, const ClassesCounts& counts)
{
    std::vector<std::string> names;
    for (const NormalClass& k : c.model.classes)
        names.push_back(k.name);
    return confusionLines(heading + ": share of class row decided column", names, counts.rates()) +
           errorLine("  error rate:", ErrorCount{counts.errors(), counts.points()});
}

ordered_json countObject(const ClassesCounts& counts)
{
    ordered_json rows = ordered_json::array();
    for (Eigen::Index i = 0; i < counts.counts.rows(); ++i) {
        ordered_json row = ordered_json::array();
        for (Eigen::Index j = 0; j < counts.counts.cols(); ++j)
            row.push_back(counts.counts(i, j));
        rows.push_back(row);
    }
    ordered_json j = {{"counts", rows}};
    j.update(errorObject(ErrorCount{counts.errors(), counts.points()}));
    return j;
}

// "N of NAME, ..." for every class.
std::string classCounts(const ClassesCase& c, const ClassesCounts& counts)
{
    std::string s;
    for (std::size_t i = 0; i < counts.size(); ++i)
        s += (i ? ", " : "") + pointCount(counts.points(i)) + " of " + c.model.classes[i].name;
    return s;
}

ordered_json pointsObject(const ClassesCounts& counts)
{
    ordered_json n = ordered_json::array();
    for (std::size_t i = 0; i < counts.size(); ++i)
        n.push_back(counts.points(i));
    return n;
}

}  // namespace

std::string fitText(const SampleFit& fit, const std::string& name1, const std::string& name2,
                    const std::optional<TrueClasses>& truth)
{
    const BootstrapSettings& settings = fit.settings;
    requireSamples(fit.samples, "fitText: a class has no points");
    std::string s = "Samples: " + pointCount(fit.samples.class1.rows()) + " of class 1 from " + name1 + ", " +
                    std::to_string(fit.samples.class2.rows()) + " of class 2 from " + name2 + "\n";
    s += "Estimated classes (sample means, unbiased covariances" +
         std::string(settings.estimate.ridge > 0 ? " plus the ridge" : "") + ", priors " +
         (settings.estimate.priors ? "as given" : "from the counts") + "):\n";
    s += textReport(fit.model, fit.figures);
    s += "Empirical error of the plug-in Bayes classifier on the samples\n";
    s += errorLine("  resubstitution:", fit.resubstitution());
    const auto leaveOneOut = fit.leaveOneOutCount();
    s += leaveOneOut ? errorLine("  leave-one-out:", *leaveOneOut)
                     : "  leave-one-out:                               not computed: a class refitted without a "
                       "point has a singular covariance (add --ridge)\n";
    if (const auto& b = fit.bootstrap) {
        s += "Bootstrap 95 % percentile intervals (" + std::to_string(settings.replicates) + " resamplings, seed " +
             std::to_string(settings.seed) +
             (b->failed ? ", " + std::to_string(b->failed) + " left out as singular" : "") + ")\n";
        s += intervalLine("  Bayes error:", b->bayesError);
        s += intervalLine("  Chernoff bound (optimum with priors):", b->chernoffErrorBound);
        s += intervalLine("  Bhattacharyya bound:", b->bhattacharyyaErrorBound);
    }
    s += ruleLines("Exact error of the plug-in Bayes classifier under the estimated classes", fit.plugIn.error);
    if (truth) {
        s += "The true classes\n";
        s += "  class 1: " + classSummary(truth->model.mu1, truth->model.sigma1, truth->model.prior1) + "\n";
        s += "  class 2: " + classSummary(truth->model.mu2, truth->model.sigma2, truth->model.prior2) + "\n";
        s += line("  Bayes error:", truth->bayes.value);
        s += line("  log10 of the Bayes error:", truth->bayes.log10Value);
        s += ruleLines("Exact error of the plug-in Bayes classifier under the true classes", truth->plugIn);
        s += line("  more than the true Bayes error by:", truth->excessError);
    }
    return s;
}

std::string fitJson(const SampleFit& fit, const std::optional<TrueClasses>& truth)
{
    const BootstrapSettings& settings = fit.settings;
    requireSamples(fit.samples, "fitJson: a class has no points");
    ordered_json j = reportObject(fit.model, fit.figures);
    j["samples"] = {{"n1", fit.samples.class1.rows()}, {"n2", fit.samples.class2.rows()}};
    const auto leaveOneOut = fit.leaveOneOutCount();
    j["empirical"] = {{"resubstitution", errorObject(fit.resubstitution())},
                      {"leave_one_out", leaveOneOut ? errorObject(*leaveOneOut) : ordered_json(nullptr)}};
    if (const auto& b = fit.bootstrap)
        j["bootstrap"] = {{"replicates", settings.replicates},
                          {"seed", settings.seed},
                          {"bayes_error", intervalJson(b->bayesError)},
                          {"chernoff_error_bound", intervalJson(b->chernoffErrorBound)},
                          {"bhattacharyya_error_bound", intervalJson(b->bhattacharyyaErrorBound)},
                          {"failed", b->failed}};
    j["plug_in_rule"] = ruleObject(fit.plugIn);
    if (truth) {
        ordered_json t = modelObject(truth->model);
        t["bayes_error"] = jsonValue(truth->bayes.value);
        t["log10_bayes_error"] = jsonValue(truth->bayes.log10Value);
        t["plug_in_rule"] = ruleErrorObject(truth->plugIn);
        t["plug_in_rule"]["excess_error"] = jsonValue(truth->excessError);
        j["true_model"] = t;
    }
    return j.dump() + "\n";
}

std::string drawText(const Model& model, const Figures& figures, const Classified& drawn, std::uint64_t seed)
{
    requireSamples(drawn, "drawText: a class has no points");
    return textReport(model, figures) + "Samples: " + pointCount(drawn.class1.rows()) + " of class 1, " +
           std::to_string(drawn.class2.rows()) + " of class 2, seed " + std::to_string(seed) + "\n" +
           "Empirical error of the true Bayes rule on the samples\n" + errorLine("  error rate:", drawn.count());
}

std::string drawJson(const Model& model, const Figures& figures, const Classified& drawn, std::uint64_t seed)
{
    requireSamples(drawn, "drawJson: a class has no points");
    ordered_json j = reportObject(model, figures);
    j["samples"] = {{"n1", drawn.class1.rows()}, {"n2", drawn.class2.rows()}, {"seed", seed}};
    j["empirical"] = {{"true_rule", errorObject(drawn.count())}};
    return j.dump() + "\n";
}

std::string drawnSampleFile(const Model& model, int sampleClass, const Points& points, std::uint64_t seed)
{
    requireArgument(sampleClass == 1 || sampleClass == 2, "drawnSampleFile: the class must be 1 or 2");
    requireArgument(points.cols() == model.mu1.size(), "drawnSampleFile: the points are not of the model's dimension");
    const bool first = sampleClass == 1;
    return sampleFile("# bounds draw, seed " + std::to_string(seed) + ": class " + std::to_string(sampleClass) +
                          ", " + std::to_string(points.rows()) + " points of " +
                          classSummary(first ? model.mu1 : model.mu2, first ? model.sigma1 : model.sigma2,
                                       first ? model.prior1 : model.prior2),
                      points);
}

std::string drawnSampleFile(const ClassesModel& model, std::size_t i, const Points& points, std::uint64_t seed)
{
    requireArgument(i < model.size() && points.cols() == model.dimension(),
                    "drawnSampleFile: no such class, or the points are not of the model's dimension");
    const NormalClass& c = model.classes[i];
    return sampleFile("# bounds draw, seed " + std::to_string(seed) + ": class " + c.name + ", " +
                          std::to_string(points.rows()) + " points of " + classSummary(c.mean, c.covariance, c.prior),
                      points);
}

std::string classesFitText(const ClassesCase& c, const ClassesFigures& figures, const ClassesCounts& resubstitution,
                           const std::optional<ClassesCounts>& leaveOneOut, const std::vector<std::string>& files)
{
    requireCounts(c, resubstitution, "classesFitText: the counts are not one a class, or a class has no points");
    requireArgument(files.size() == c.model.size(), "classesFitText: one file a class");
    std::string s = "Samples: ";
    for (std::size_t i = 0; i < files.size(); ++i)
        s += (i ? ", " : "") + pointCount(resubstitution.points(i)) + " of " + c.model.classes[i].name + " from " +
             files[i];
    s += "\n\n" + classesText(c, figures) + "\n" + countLines("Plug-in rule on the samples, resubstitution", c, resubstitution);
    s += leaveOneOut ? countLines("Plug-in rule, each point left out of its refit", c, *leaveOneOut)
                     : "Leave-one-out: not computed (a refit without one point would be singular)\n";
    return s;
}

std::string classesFitJson(const ClassesCase& c, const ClassesFigures& figures, const ClassesCounts& resubstitution,
                           const std::optional<ClassesCounts>& leaveOneOut)
{
    requireCounts(c, resubstitution, "classesFitJson: the counts are not one a class, or a class has no points");
    ordered_json j = classesObject(c, figures);
    j["samples"] = {{"n", pointsObject(resubstitution)}};
    j["resubstitution"] = countObject(resubstitution);
    j["leave_one_out"] = leaveOneOut ? countObject(*leaveOneOut) : ordered_json(nullptr);
    return j.dump() + "\n";
}

std::string classesDrawText(const ClassesCase& c, const ClassesFigures& figures, const ClassesCounts& trueRule,
                            std::uint64_t seed)
{
    requireCounts(c, trueRule, "classesDrawText: the counts are not one a class, or a class has no points");
    return classesText(c, figures) + "\nSamples: " + classCounts(c, trueRule) + ", seed " + std::to_string(seed) +
           "\n" + countLines("True Bayes rule on the samples", c, trueRule);
}

std::string classesDrawJson(const ClassesCase& c, const ClassesFigures& figures, const ClassesCounts& trueRule,
                            std::uint64_t seed)
{
    requireCounts(c, trueRule, "classesDrawJson: the counts are not one a class, or a class has no points");
    ordered_json j = classesObject(c, figures);
    j["samples"] = {{"n", pointsObject(trueRule)}, {"seed", seed}};
    j["empirical"] = {{"true_rule", countObject(trueRule)}};
    return j.dump() + "\n";
}

}  // namespace gaussbound
