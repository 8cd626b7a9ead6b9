// The figures of two classes beyond the Bayes rule's own, in one call: how
// far into the tail each bound reaches, the ROC's area, the d' indices and
// separability scales, the errors of Fisher's and the best linear rule, and,
// when asked, the Bayes risk under costs and the error of a given rule.
//
//   JudgedRule     a rule with its exact error (Rule.h)
//   judgeRule      computes it, NaN where it overflows the double range
//   likelihoodRatioAuc  the AUC of the likelihood ratio, NaN where it overflows
//   BayesRisk      R = sum_i P_i sum_j L_ij P(decide j | class i) of the Bayes
//                  rule with costs, that rule's e1 and e2, the error bound
//                  P1 (L12 - L11) |de1| + P2 (L21 - L22) |de2|, and log10 R
//   RuleFigures    every figure above
//   analyseRules   computes them from analyse's figures
//
// The base-10 logarithms of the Chernoff and Bhattacharyya bounds come from
// their exponents, log10(P1^(1 - beta) P2^beta) - k(beta) / ln 10, so they
// stay finite where the bounds underflow; log10 R is summed from the
// logarithms of e1 and e2 for the same reason.
#ifndef GAUSSBOUND_RULE_FIGURES_H
#define GAUSSBOUND_RULE_FIGURES_H

#include <optional>

#include "gaussbound/Analysis.h"
#include "gaussbound/Model.h"
#include "gaussbound/Roc.h"
#include "gaussbound/Rule.h"
#include "gaussbound/Separability.h"

namespace gaussbound {

struct JudgedRule {
    Discriminant rule;
    RuleError error;
};

// Reads a valid model and a rule; throws std::invalid_argument for a model
// validate refuses or a rule of another dimension. A rule that is not finite
// (the likelihood ratio of classes near 1e200 has an infinite constant), or
// whose form under a class overflows, gets errors of NaN: figures that could
// not be computed.
JudgedRule judgeRule(const Model& model, Discriminant rule);

// The AUC of the likelihood ratio (RocStatistic of logLikelihoodRatio), or
// NaN in every member where the ratio (classes near 1e200) or its form
// under a class overflows the double range. Reads a valid model; throws
// std::invalid_argument for another.
AreaUnderCurve likelihoodRatioAuc(const Model& model);

struct BayesRisk {
    double value, givenClass1, givenClass2, absError, log10Value;
};

struct RuleFigures {
    double log10ChernoffBound;       // of the optimum with priors; NaN where that is missing
    double log10BhattacharyyaBound;  // of sqrt(P1 P2) e^-k(1/2); likewise
    AreaUnderCurve auc;              // of the likelihood ratio
    Discriminability dprime;
    Separability separability;
    JudgedRule fisher, bestLinear;
    std::optional<Costs> costs;          // as given
    std::optional<BayesRisk> bayesRisk;  // with costs
    std::optional<JudgedRule> rule;      // as given, with its error
    double excessError = 0.0;            // the given rule's error minus the Bayes error
};

// Reads a valid model, its figures from analyse, and optionally costs
// (costsProblem accepts them) and a rule of the model's dimension
// (ruleProblem accepts it). Throws std::invalid_argument otherwise. Keeps no
// state between calls and may run on many threads.
RuleFigures analyseRules(const Model& model, const Figures& figures, const std::optional<Costs>& costs = {},
                         const std::optional<Discriminant>& rule = {});

}  // namespace gaussbound

#endif
