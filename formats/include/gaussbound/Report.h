// A model's figures as text: the summary a student reads, the JSON object
// programs read (the one `bounds --json` prints), and the plot table as CSV.
//
//   jsonValue      a figure in JSON: a number, or "Infinity"/"-Infinity"
//   textReport     the summary, figures to 6 significant digits
//   modelObject    the model's keys, as a model file holds them
//   caseObject     those, with the costs and the rule a model file may add
//   reportObject   the model's keys and every figure, at full precision
//   jsonReport     that object on one line
//   ruleErrorObject  a rule's errors in JSON
//   ruleObject     a rule and its errors, as "rules" and "rule" hold them
//   ruleLines      a rule's errors in the summary, under a heading
//
// With the figures of analyseRules, the summary and the object go on past
// analyse's figures: base-10 logarithms ("log10"), the AUC, the d' indices
// ("dprime"), the separability scales, Fisher's and the best linear rule
// ("rules"), and, when they were asked for, the costs with the Bayes risk
// and the given rule with its error.
//   csvTable       the plot table, every number read back as the same double
#ifndef GAUSSBOUND_REPORT_H
#define GAUSSBOUND_REPORT_H

#include <string>

#include <nlohmann/json.hpp>

#include <gaussbound/Analysis.h>
#include <gaussbound/Model.h>
#include <gaussbound/ModelFile.h>
#include <gaussbound/RuleFigures.h>
#include <gaussbound/Text.h>

#include <gaussbound/Bound.h>

namespace gaussbound {

// A figure of the any-dimension library in JSON: a number, or "Infinity" or
// "-Infinity" for an infinite limit.
nlohmann::ordered_json jsonValue(double v);

// Human-readable summary, figures to 6 significant digits. Throws
// std::invalid_argument when the model's sizes disagree or its numbers are
// not finite (hasShape), or f is not of the model's dimension.
std::string textReport(const Model& model, const Figures& f);
std::string textReport(const Model& model, const Figures& f, const RuleFigures& rules);

// The JSON object of a model's figures, numbers at full (round-trip)
// precision. A figure that is infinite is the string "Infinity" in every
// dimension; null means a figure that could not be computed (the 2-D table's
// figures and the Bhattacharyya figures where Bound gives NaN). Throws
// std::invalid_argument when f is not of the model's dimension.
nlohmann::ordered_json reportObject(const Model& model, const Figures& f);
nlohmann::ordered_json reportObject(const Model& model, const Figures& f, const RuleFigures& rules);

// {"given_class1", "given_class2", "error", "abs_error", "log10_error"}.
nlohmann::ordered_json ruleErrorObject(const RuleError& error);

// ruleErrorObject's keys, then "quadratic" (d rows, or null for a linear
// rule), "linear" and "constant": what ruleFromJson reads back to the same
// rule. Under "rules" the linear
// rules leave out "quadratic"; under "rule" the given rule adds
// "excess_error".
nlohmann::ordered_json ruleObject(const JudgedRule& rule);

// {"quadratic" (d rows, or null for a linear rule), "linear", "constant"}.
nlohmann::ordered_json ruleFormObject(const Discriminant& rule);
// [[L11, L12], [L21, L22]].
nlohmann::ordered_json costsObject(const Costs& costs);
// modelObject's keys, then "costs" and "rule" (ruleFormObject) when the case
// has them: what modelFromJson reads back to the same case, bit for bit.
// Throws std::invalid_argument when the sizes disagree.
nlohmann::ordered_json caseObject(const ModelCase& c);
// {"mu1", "mu2", "sigma1" and "sigma2" row-major, "priors"}: what
// readModelFile reads back to the same model, bit for bit. Throws
// std::invalid_argument when the model's sizes disagree.
nlohmann::ordered_json modelObject(const Model& model);

// The heading, then the rule's total error, e1, e2, the error bound and log10
// of the total, one a line.
std::string ruleLines(const std::string& heading, const RuleError& error);

// The object with every figure on one line, with the newline.
std::string jsonReport(const Model& model, const Figures& f, const RuleFigures& rules);

// Header line and kTableRows rows of the plot table's six columns, each
// number written so that it reads back as the same double.
std::string csvTable(const PlotTable& plot);

}  // namespace gaussbound

#endif
