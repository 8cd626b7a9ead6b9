// ROC curves as CSV, JSON and a summary: see RocTable.h.
#include "gaussbound/RocTable.h"

#include <array>
#include <cmath>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "gaussbound/Error.h"
#include "gaussbound/Report.h"
#include "gaussbound/Text.h"

namespace gaussbound {

namespace {

using nlohmann::ordered_json;

// The keys of a point, in order, as CSV and JSON name them.
const char* const kKeys[] = {"threshold", "false_alarm", "hit", "log10_false_alarm", "log10_miss"};

// A point's numbers in kKeys' order.
std::array<double, 5> numbers(const RocPoint& p)
{
    return {p.threshold, p.falseAlarm, p.hit, p.log10FalseAlarm, p.log10Miss};
}

bool probability(double p)
{
    return p >= 0.0 && p <= 1.0;
}

bool validPoint(const RocPoint& p)
{
    return !std::isnan(p.threshold) && probability(p.falseAlarm) && probability(p.hit) &&
           p.log10FalseAlarm <= 0.0 && p.log10Miss <= 0.0;
}

void check(const RocCurve& likelihoodRatio, const RocCurve* rule, const char* what)
{
    requireArgument(validRocCurve(likelihoodRatio) && (!rule || validRocCurve(*rule)), what);
}

ordered_json pointObject(const RocPoint& p)
{
    const std::array<double, 5> v = numbers(p);
    ordered_json j = ordered_json::object();
    for (size_t k = 0; k < v.size(); ++k)
        j[kKeys[k]] = jsonValue(v[k]);
    return j;
}

ordered_json curveObject(const RocCurve& c)
{
    ordered_json points = ordered_json::array();
    for (const RocPoint& p : c.points)
        points.push_back(pointObject(p));
    return {{"auc", jsonValue(c.auc.value)},
            {"auc_abs_error", jsonValue(c.auc.absError)},
            {"points", std::move(points)},
            {"operating_point", pointObject(c.operatingPoint)}};
}

// The lines of one curve's points, each ended by tail (",curve" or nothing).
std::string csvLines(const RocCurve& c, const std::string& tail)
{
    std::string s;
    for (const RocPoint& p : c.points) {
        const std::array<double, 5> v = numbers(p);
        for (size_t k = 0; k < v.size(); ++k)
            s += (k > 0 ? "," : "") + exact(v[k]);
        s += tail + '\n';
    }
    return s;
}

std::string curveText(const std::string& title, const std::string& operating, const RocCurve& c)
{
    const RocPoint& p = c.operatingPoint;
    std::string s = title + ", " + std::to_string(c.points.size()) + " points\n";
    s += line("  area under the curve (AUC):", c.auc.value, "  (error bound " + sig6(c.auc.absError) + ")");
    s += "  " + operating + "\n";
    s += line("    threshold t:", p.threshold);
    s += line("    false alarm F = P(g > t | class 1):", p.falseAlarm);
    s += line("    hit H = P(g > t | class 2):", p.hit);
    s += line("    log10 F:", p.log10FalseAlarm);
    s += line("    log10 miss, log10 (1 - H):", p.log10Miss);
    return s;
}

}  // namespace

bool validRocCurve(const RocCurve& c)
{
    if (c.points.empty() || !validPoint(c.operatingPoint) || !probability(c.auc.value) || !(c.auc.absError >= 0.0))
        return false;
    for (const RocPoint& p : c.points)
        if (!validPoint(p))
            return false;
    return true;
}

RocCurve rocCurve(const Model& model, const Discriminant& statistic, double threshold, double spacing)
{
    requireArgument(!std::isnan(threshold), "rocCurve: the threshold is NaN");
    const RocStatistic roc(model, statistic);
    return {roc.curve(spacing), roc.auc(), roc.at(threshold)};
}

std::string rocCsv(const RocCurve& likelihoodRatio, const RocCurve* rule)
{
    check(likelihoodRatio, rule, "rocCsv: a curve without points, or with a number out of its range");
    std::string s;
    for (const char* key : kKeys)
        s += std::string(key == kKeys[0] ? "" : ",") + key;
    s += rule ? ",curve\n" : "\n";
    s += csvLines(likelihoodRatio, rule ? ",likelihood_ratio" : "");
    if (rule)
        s += csvLines(*rule, ",rule");
    return s;
}

std::string rocJson(const RocCurve& likelihoodRatio, const RocCurve* rule)
{
    check(likelihoodRatio, rule, "rocJson: a curve without points, or with a number out of its range");
    ordered_json j = curveObject(likelihoodRatio);
    if (rule)
        j["rule"] = curveObject(*rule);
    return j.dump() + "\n";
}

std::string rocText(const RocCurve& likelihoodRatio, const RocCurve* rule)
{
    check(likelihoodRatio, rule, "rocText: a curve without points, or with a number out of its range");
    std::string s = curveText("ROC of the likelihood ratio g(x) = ln p2(x) - ln p1(x)",
                              "operating point of the Bayes rule, g(x) > t:", likelihoodRatio);
    if (rule)
        s += "\n" + curveText("ROC of the rule g(x) = x^T A x + b^T x + c",
                              "operating point of the rule itself, g(x) > 0:", *rule);
    return s;
}

std::optional<RocCurves> rocCurves(const ModelCase& c, double spacing)
{
    const Model& m = c.model;
    const Discriminant ratio = logLikelihoodRatio(m);
    if (ruleProblem(ratio, m.dimension()))  // its coefficients overflow: classes near 1e200 apart
        return std::nullopt;
    try {
        RocCurves curves{rocCurve(m, ratio, bayesThreshold(m, c.costs.value_or(Costs{})), spacing), std::nullopt};
        if (c.rule)
            curves.rule = rocCurve(m, *c.rule, 0.0, spacing);
        if (!validRocCurve(curves.likelihoodRatio) || (curves.rule && !validRocCurve(*curves.rule)))
            return std::nullopt;
        return curves;
    } catch (const std::overflow_error&) {  // a statistic's form beyond the double range
        return std::nullopt;
    }
}

}  // namespace gaussbound
