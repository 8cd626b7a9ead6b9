#include "gaussbound/Report.h"

#include <cmath>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "gaussbound/Error.h"

namespace gaussbound {

namespace {

using nlohmann::ordered_json;

// A figure of the table or of the Bhattacharyya bound: in the plane it
// comes from Bound, which gives NaN where its arithmetic fails; that is null,
// a figure that could not be computed. An infinite one is "Infinity" in every
// dimension, as the library's figures are.
ordered_json tableValue(double v)
{
    return std::isnan(v) ? ordered_json(nullptr) : jsonValue(v);
}

std::vector<double> rowMajor(const Eigen::MatrixXd& m)
{
    std::vector<double> v;
    for (Eigen::Index i = 0; i < m.rows(); ++i)
        for (Eigen::Index j = 0; j < m.cols(); ++j)
            v.push_back(m(i, j));
    return v;
}

}  // namespace

std::string ruleLines(const std::string& heading, const RuleError& e)
{
    std::string s = heading + "\n";
    s += line("  error P1 e1 + P2 e2:", e.value);
    s += line("  class 1 taken for class 2 (e1):", e.givenClass1);
    s += line("  class 2 taken for class 1 (e2):", e.givenClass2);
    s += line("  bound on the numerical error:", e.absError);
    s += line("  log10 of the error:", e.log10Value);
    return s;
}

ordered_json jsonValue(double v)
{
    if (std::isinf(v))
        return v > 0 ? "Infinity" : "-Infinity";
    return v;
}

std::string textReport(const Model& m, const Figures& f)
{
    requireArgument(hasShape(m) && f.dimension == m.dimension(),
                    "textReport: the model's sizes disagree, or the figures are of another dimension");
    std::string s;
    s += "Class 1: " + classSummary(m.mu1, m.sigma1, m.prior1) + "\n";
    s += "Class 2: " + classSummary(m.mu2, m.sigma2, m.prior2) + "\n\n";
    s += "Chernoff bound\n";
    // One column short, as every earlier release printed it: scripts read it.
    s += line("  smallest factor e^-k(beta) over the table:", f.tableFactor,
              "  at beta = " + sig6(f.tableBeta), 46);
    s += line("  bound on the Bayes error (with priors):", f.tableErrorBound,
              "  at beta = " + sig6(f.tableErrorBeta));
    s += "Bhattacharyya bound (beta = 0.5)\n";
    s += line("  exponent k(1/2):", f.bhattacharyya.exponent);
    s += line("  factor e^-k(1/2):", f.bhattacharyya.factor);
    s += line("  upper bound on the Bayes error:", f.bhattacharyya.upperBound);
    s += line("  lower bound on the Bayes error:", f.bhattacharyya.lowerBound);
    s += line("Bayes error (numerical integration):", f.bayes.value);
    s += line("  class 1 taken for class 2 (e1):", f.bayes.givenClass1);
    s += line("  class 2 taken for class 1 (e2):", f.bayes.givenClass2);
    s += line("  bound on the numerical error:", f.bayes.absError);
    // The parts are said apart only where they are less certain than E.
    if (f.bayes.partsAbsError > f.bayes.absError)
        s += line("  of P1 e1 and of P2 e2:", f.bayes.partsAbsError);
    s += "Chernoff optimum over all beta in [0, 1] (with priors)\n";
    s += line("  beta*:", f.optimum.beta);
    s += line("  exponent k(beta*):", f.optimum.exponent);
    s += line("  bound on the Bayes error:", f.optimum.errorBound);
    s += "Divergences\n";
    s += line("  Kullback-Leibler KL(1||2):", f.divergences.kl12);
    s += line("  Kullback-Leibler KL(2||1):", f.divergences.kl21);
    s += line("  Hellinger distance:", f.divergences.hellinger);
    return s;
}

std::string textReport(const Model& m, const Figures& f, const RuleFigures& r)
{
    std::string s = textReport(m, f);
    s += "Base-10 logarithms (finite far below the smallest double)\n";
    s += line("  Bayes error:", f.bayes.log10Value);
    s += line("  e1:", f.bayes.log10GivenClass1);
    s += line("  e2:", f.bayes.log10GivenClass2);
    s += line("  Chernoff bound (optimum, with priors):", r.log10ChernoffBound);
    s += line("  Bhattacharyya bound:", r.log10BhattacharyyaBound);
    s += "ROC of the likelihood ratio\n";
    s += line("  area under the curve (AUC):", r.auc.value);
    s += line("  bound on the numerical error:", r.auc.absError);
    s += "Discriminability d'\n";
    s += line("  from the Bayes error at equal priors:", r.dprime.bayes);
    s += line("  from the AUC:", r.dprime.auc);
    s += line("  Mahalanobis, average covariance:", r.dprime.averageCovariance);
    s += "Separability (0 to 2)\n";
    s += line("  Jeffries-Matusita distance:", r.separability.jeffriesMatusita);
    s += line("  transformed divergence:", r.separability.transformedDivergence);
    s += ruleLines("Fisher's linear discriminant", r.fisher.error);
    s += ruleLines("Best linear rule", r.bestLinear.error);
    if (r.costs) {
        const Costs& c = *r.costs;
        s += "Bayes risk with costs L11 " + sig6(c.l11) + ", L12 " + sig6(c.l12) + ", L21 " + sig6(c.l21) +
             ", L22 " + sig6(c.l22) + "\n";
        s += line("  risk:", r.bayesRisk->value);
        s += line("  class 1 taken for class 2 (e1):", r.bayesRisk->givenClass1);
        s += line("  class 2 taken for class 1 (e2):", r.bayesRisk->givenClass2);
        s += line("  bound on the numerical error:", r.bayesRisk->absError);
        s += line("  log10 of the risk:", r.bayesRisk->log10Value);
    }
    if (r.rule) {
        s += ruleLines("Given rule", r.rule->error);
        s += line("  more than the Bayes error by:", r.excessError);
    }
    return s;
}

ordered_json modelObject(const Model& m)
{
    if (m.mu2.size() != m.dimension() || m.sigma1.rows() != m.dimension() || m.sigma1.cols() != m.dimension() ||
        m.sigma2.rows() != m.dimension() || m.sigma2.cols() != m.dimension())
        throw std::invalid_argument("modelObject: the model's sizes disagree");
    return {{"mu1", std::vector<double>(m.mu1.data(), m.mu1.data() + m.mu1.size())},
            {"mu2", std::vector<double>(m.mu2.data(), m.mu2.data() + m.mu2.size())},
            {"sigma1", rowMajor(m.sigma1)},
            {"sigma2", rowMajor(m.sigma2)},
            {"priors", {m.prior1, m.prior2}}};
}

ordered_json reportObject(const Model& m, const Figures& f)
{
    if (f.dimension != m.dimension())
        throw std::invalid_argument("reportObject: the figures are of another dimension than the model");
    ordered_json j;
    j["dimension"] = f.dimension;
    j.update(modelObject(m));
    j["chernoff"] = {{"beta", tableValue(f.tableBeta)},
                     {"factor", tableValue(f.tableFactor)},
                     {"error_bound", tableValue(f.tableErrorBound)},
                     {"error_bound_beta", tableValue(f.tableErrorBeta)},
                     {"optimum",
                      {{"beta", jsonValue(f.optimum.beta)},
                       {"exponent", jsonValue(f.optimum.exponent)},
                       {"error_bound", jsonValue(f.optimum.errorBound)}}}};
    j["bhattacharyya"] = {{"exponent", tableValue(f.bhattacharyya.exponent)},
                          {"factor", tableValue(f.bhattacharyya.factor)},
                          {"error_bound", tableValue(f.bhattacharyya.upperBound)},
                          {"lower_bound", tableValue(f.bhattacharyya.lowerBound)}};
    j["bayes_error"] = jsonValue(f.bayes.value);
    j["bayes_error_detail"] = {{"given_class1", jsonValue(f.bayes.givenClass1)},
                               {"given_class2", jsonValue(f.bayes.givenClass2)},
                               {"abs_error", jsonValue(f.bayes.absError)},
                               {"parts_abs_error", jsonValue(f.bayes.partsAbsError)}};
    j["divergences"] = {{"kl12", jsonValue(f.divergences.kl12)},
                        {"kl21", jsonValue(f.divergences.kl21)},
                        {"hellinger", jsonValue(f.divergences.hellinger)}};
    return j;
}

ordered_json ruleErrorObject(const RuleError& e)
{
    return {{"given_class1", jsonValue(e.givenClass1)},
            {"given_class2", jsonValue(e.givenClass2)},
            {"error", jsonValue(e.value)},
            {"abs_error", jsonValue(e.absError)},
            {"log10_error", jsonValue(e.log10Value)}};
}

ordered_json ruleFormObject(const Discriminant& rule)
{
    ordered_json quadratic = nullptr;
    if (!rule.quadratic.isZero(0.0)) {
        quadratic = ordered_json::array();
        for (Eigen::Index i = 0; i < rule.quadratic.rows(); ++i)
            quadratic.push_back(rowMajor(rule.quadratic.row(i)));
    }
    return {{"quadratic", quadratic},
            {"linear", std::vector<double>(rule.linear.data(), rule.linear.data() + rule.linear.size())},
            {"constant", rule.constant}};
}

ordered_json ruleObject(const JudgedRule& r)
{
    ordered_json j = ruleErrorObject(r.error);
    j.update(ruleFormObject(r.rule));
    return j;
}

ordered_json costsObject(const Costs& c)
{
    return {{c.l11, c.l12}, {c.l21, c.l22}};
}

ordered_json caseObject(const ModelCase& c)
{
    ordered_json j = modelObject(c.model);
    if (c.costs)
        j["costs"] = costsObject(*c.costs);
    if (c.rule) {
        requireArgument(c.rule->linear.size() == c.model.dimension(), "caseObject: the rule is of another dimension");
        j["rule"] = ruleFormObject(*c.rule);
    }
    return j;
}

ordered_json reportObject(const Model& m, const Figures& f, const RuleFigures& r)
{
    ordered_json j = reportObject(m, f);
    j["log10"] = {{"bayes_error", jsonValue(f.bayes.log10Value)},
                  {"given_class1", jsonValue(f.bayes.log10GivenClass1)},
                  {"given_class2", jsonValue(f.bayes.log10GivenClass2)},
                  {"chernoff_bound", jsonValue(r.log10ChernoffBound)},
                  {"bhattacharyya_bound", jsonValue(r.log10BhattacharyyaBound)}};
    j["auc"] = jsonValue(r.auc.value);
    j["auc_abs_error"] = jsonValue(r.auc.absError);
    j["dprime"] = {{"bayes", jsonValue(r.dprime.bayes)},
                   {"auc", jsonValue(r.dprime.auc)},
                   {"average_covariance", jsonValue(r.dprime.averageCovariance)}};
    j["separability"] = {{"jeffries_matusita", jsonValue(r.separability.jeffriesMatusita)},
                         {"transformed_divergence", jsonValue(r.separability.transformedDivergence)}};
    ordered_json fisher = ruleObject(r.fisher), best = ruleObject(r.bestLinear);
    for (ordered_json* rule : {&fisher, &best})
        rule->erase("quadratic");
    j["rules"] = {{"fisher", fisher}, {"best_linear", best}};
    if (r.costs) {
        j["costs"] = costsObject(*r.costs);
        j["bayes_risk"] = {{"value", jsonValue(r.bayesRisk->value)},
                           {"given_class1", jsonValue(r.bayesRisk->givenClass1)},
                           {"given_class2", jsonValue(r.bayesRisk->givenClass2)},
                           {"abs_error", jsonValue(r.bayesRisk->absError)},
                           {"log10_value", jsonValue(r.bayesRisk->log10Value)}};
    }
    if (r.rule) {
        j["rule"] = ruleObject(*r.rule);
        j["rule"]["excess_error"] = jsonValue(r.excessError);
    }
    return j;
}

std::string jsonReport(const Model& m, const Figures& f, const RuleFigures& r)
{
    return reportObject(m, f, r).dump() + "\n";
}

std::string csvTable(const PlotTable& plot)
{
    std::string s = "beta,bound,minimum_x,minimum_y,bhattacharyya_x,bhattacharyya_y\n";
    s.reserve(kTableRows * 6 * 24);
    for (int i = 0; i < kTableRows; ++i) {
        for (int j = 0; j < 6; ++j) {
            if (j > 0)
                s += ',';
            s += exact(plot[i][j]);
        }
        s += '\n';
    }
    return s;
}

}  // namespace gaussbound
