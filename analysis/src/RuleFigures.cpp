#include "gaussbound/RuleFigures.h"

#include <cmath>
#include <limits>
#include <stdexcept>

#include "gaussbound/Error.h"
#include "RuleForm.h"

namespace gaussbound {

namespace {

// log10 of P1^(1 - beta) P2^beta e^-k.
double log10Bound(double beta, double exponent, double prior1, double prior2)
{
    return ((1.0 - beta) * std::log(prior1) + beta * std::log(prior2) - exponent) / M_LN10;
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
const RuleError kNotComputed{kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN};

// The Bayes rule's risk under costs, from its errors:
// R = P1 L11 + P2 L22 + P1 (L12 - L11) e1 + P2 (L21 - L22) e2.
BayesRisk bayesRisk(const Model& model, const Costs& c)
{
    const RuleError e = judgeRule(model, bayesRule(model, c)).error;
    const double base = model.prior1 * c.l11 + model.prior2 * c.l22;
    const double w1 = model.prior1 * (c.l12 - c.l11), w2 = model.prior2 * (c.l21 - c.l22);
    const double logRisk =
        logSum(logSum(std::log(base), std::log(w1) + e.log10GivenClass1 * M_LN10), std::log(w2) + e.log10GivenClass2 * M_LN10);
    return {base + w1 * e.givenClass1 + w2 * e.givenClass2, e.givenClass1, e.givenClass2,
            w1 * e.absError1 + w2 * e.absError2, logRisk / M_LN10};
}

}  // namespace

AreaUnderCurve likelihoodRatioAuc(const Model& model)
{
    requireArgument(!validate(model), "likelihoodRatioAuc: the model is not valid");
    const Discriminant ratio = logLikelihoodRatio(model);
    if (!ruleProblem(ratio, model.dimension())) {
        try {
            return RocStatistic(model, ratio).auc();
        } catch (const std::overflow_error&) {  // the form under a class overflows
        }
    }
    return {kNaN, kNaN, kNaN};
}

JudgedRule judgeRule(const Model& model, Discriminant rule)
{
    requireArgument(!validate(model), "judgeRule: the model is not valid");
    requireArgument(rule.quadratic.rows() == model.dimension() && rule.quadratic.cols() == model.dimension() &&
                        rule.linear.size() == model.dimension(),
                    "judgeRule: the rule is not of the model's dimension");
    RuleError error = kNotComputed;
    if (!ruleProblem(rule, model.dimension())) {
        try {
            error = ruleError(model, rule);
        } catch (const std::overflow_error&) {  // the form under a class overflows
        }
    }
    return {std::move(rule), error};
}

RuleFigures analyseRules(const Model& model, const Figures& figures, const std::optional<Costs>& costs,
                         const std::optional<Discriminant>& rule)
{
    requireArgument(!validate(model) && figures.dimension == model.dimension(),
                    "analyseRules: the model is not valid, or the figures are of another dimension");
    requireArgument(!costs || !costsProblem(*costs), "analyseRules: the costs are not valid (see costsProblem)");
    requireArgument(!rule || !ruleProblem(*rule, model.dimension()),
                    "analyseRules: the rule is not valid for this model (see ruleProblem)");
    RuleFigures r;
    r.log10ChernoffBound =
        log10Bound(figures.optimum.beta, figures.optimum.exponent, model.prior1, model.prior2);
    r.log10BhattacharyyaBound = log10Bound(0.5, figures.bhattacharyya.exponent, model.prior1, model.prior2);
    r.auc = likelihoodRatioAuc(model);
    r.dprime = discriminability(model, r.auc);
    r.separability = separability(figures);
    r.fisher = judgeRule(model, fisherRule(model));
    r.bestLinear = judgeRule(model, bestLinearRule(model).rule);
    r.costs = costs;
    if (costs)
        r.bayesRisk = bayesRisk(model, *costs);
    if (rule) {
        r.rule = judgeRule(model, *rule);
        r.excessError = r.rule->error.value - figures.bayes.value;
    }
    return r;
}

}  // namespace gaussbound
