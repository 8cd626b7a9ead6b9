// ROC curves as text: the points of a statistic's curve, its AUC and one
// operating point on it, as CSV, as JSON and as the summary a student reads.
//
//   RocCurve   what is reported of one statistic: points, AUC, operating point
//   rocCurve   computes one from a model, a statistic and the operating threshold
//   validRocCurve  whether a curve is one these functions can write
//   RocCurves, rocCurves  the likelihood ratio's curve and a rule's, as
//              `bounds roc` computes them for a model and its decisions
//   rocCsv     a header line and one line a point, every number read back as the
//              same double; with a rule's curve beside the likelihood ratio's, a
//              sixth column says which curve a line is on
//   rocJson    one JSON object on one line
//   rocText    the AUC and the operating point of each curve, to 6 digits
//
// The first curve is the likelihood ratio's, whose operating point is the
// Bayes rule's; the optional second (rule, null when there is none) is a
// given rule's, whose operating point is its own decision, g(x) > 0.
// Infinite numbers (the thresholds of the ends (0, 0) and (1, 1), the
// logarithms of 0) are "inf" and "-inf" in CSV, as every table of the
// toolkit writes them, and "Infinity" and "-Infinity" in JSON (jsonValue).
#ifndef GAUSSBOUND_ROC_TABLE_H
#define GAUSSBOUND_ROC_TABLE_H

#include <optional>
#include <string>
#include <vector>

#include <gaussbound/Model.h>
#include <gaussbound/ModelFile.h>
#include <gaussbound/Roc.h>
#include <gaussbound/Rule.h>

namespace gaussbound {

struct RocCurve {
    std::vector<RocPoint> points;  // from (0, 0) to (1, 1), F rising
    AreaUnderCurve auc;
    RocPoint operatingPoint;
};

// The curve of statistic (RocStatistic::curve(spacing)), its AUC and its
// point at threshold (not NaN). Throws std::invalid_argument as
// RocStatistic and curve do, and for a NaN threshold.
RocCurve rocCurve(const Model& model, const Discriminant& statistic, double threshold, double spacing);

// Whether c has points, every threshold not NaN, every probability (F, H
// and the AUC) in [0, 1], every logarithm at most 0 and an AUC error bound
// of at least 0: what the functions below read.
bool validRocCurve(const RocCurve& c);

// The spacings the front ends take: finer would only make the curve long,
// coarser leaves it a handful of points.
constexpr double kFinestRocSpacing = 1e-4, kCoarsestRocSpacing = 0.5;

struct RocCurves {
    RocCurve likelihoodRatio;     // with the Bayes rule's operating point
    std::optional<RocCurve> rule;  // with its own, g(x) > 0, when the case has a rule
};

// The likelihood ratio's curve with the operating point of the Bayes rule
// under c's costs (the 0-1 loss when it has none) and, when c has a rule,
// that rule's curve with its point at g(x) = 0, neighbouring points at most
// spacing apart. Nothing when a curve is not valid (validRocCurve) or a
// statistic or its form lies beyond the double range. Reads a valid model, a rule
// of its dimension and a spacing RocStatistic::curve accepts.
std::optional<RocCurves> rocCurves(const ModelCase& c, double spacing);

// The header "threshold,false_alarm,hit,log10_false_alarm,log10_miss", with
// ",curve" after it when rule is given, and a line a point: the likelihood
// ratio's points, then the rule's; the sixth column is "likelihood_ratio"
// or "rule". Throws std::invalid_argument unless each curve given is valid
// (validRocCurve).
std::string rocCsv(const RocCurve& likelihoodRatio, const RocCurve* rule = nullptr);

// {"auc":..,"auc_abs_error":..,"points":[P,...],"operating_point":P} and,
// with a rule, "rule": the same four keys for its curve; P is
// {"threshold","false_alarm","hit","log10_false_alarm","log10_miss"}. One
// line with its newline. Throws as rocCsv.
std::string rocJson(const RocCurve& likelihoodRatio, const RocCurve* rule = nullptr);

// For each curve: its AUC with the bound on its error, the number of points,
// and the operating point's threshold, F, H, log10 F and log10 (1 - H), to 6
// significant digits. Throws as rocCsv.
std::string rocText(const RocCurve& likelihoodRatio, const RocCurve* rule = nullptr);

}  // namespace gaussbound

#endif
