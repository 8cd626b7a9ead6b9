#include "report.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include <nlohmann/json.hpp>

namespace {

using nlohmann::ordered_json;

// A figure of the table or of the Bhattacharyya bound: in the plane it
// comes from Bound, which gives NaN where its arithmetic fails; that is null,
// a figure that could not be computed. An infinite one is "Infinity" in every
// dimension, as the library's figures are.
ordered_json tableFigure(double v)
{
    return std::isnan(v) ? ordered_json(nullptr) : figure(v);
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

ordered_json figure(double v)
{
    if (std::isinf(v))
        return v > 0 ? "Infinity" : "-Infinity";
    return v;
}

std::optional<std::string> missingFigure(const gaussbound::Figures& f)
{
    const std::pair<const char*, double> figures[] = {
        {"Chernoff optimum", f.optimum.errorBound},
        {"Chernoff optimum's beta", f.optimum.beta},
        {"Chernoff optimum's exponent", f.optimum.exponent},
        {"Bayes error", f.bayes.value},
        {"Bayes error given class 1", f.bayes.givenClass1},
        {"Bayes error given class 2", f.bayes.givenClass2},
        {"Bayes error's numerical error", f.bayes.absError},
        {"Kullback-Leibler divergence KL(1||2)", f.divergences.kl12},
        {"Kullback-Leibler divergence KL(2||1)", f.divergences.kl21},
        {"Hellinger distance", f.divergences.hellinger},
    };
    for (const auto& [name, value] : figures)
        if (std::isnan(value))
            return name;
    for (double v : {f.tableBeta, f.tableFactor, f.tableErrorBound, f.bhattacharyya.exponent})
        if (std::isnan(v))
            return "Chernoff table";
    return std::nullopt;
}

std::string textReport(const gaussbound::Model& m, const gaussbound::Figures& f)
{
    std::string s;
    s += "Class 1: " + gaussbound::classSummary(m.mu1, m.sigma1, m.prior1) + "\n";
    s += "Class 2: " + gaussbound::classSummary(m.mu2, m.sigma2, m.prior2) + "\n\n";
    s += "Chernoff bound\n";
    // One column short, as every earlier release printed it: scripts read it.
    s += gaussbound::line("  smallest factor e^-k(beta) over the table:", f.tableFactor,
              "  at beta = " + gaussbound::sig6(f.tableBeta), 46);
    s += gaussbound::line("  bound on the Bayes error (with priors):", f.tableErrorBound,
              "  at beta = " + gaussbound::sig6(f.tableErrorBeta));
    s += "Bhattacharyya bound (beta = 0.5)\n";
    s += gaussbound::line("  exponent k(1/2):", f.bhattacharyya.exponent);
    s += gaussbound::line("  factor e^-k(1/2):", f.bhattacharyya.factor);
    s += gaussbound::line("  upper bound on the Bayes error:", f.bhattacharyya.upperBound);
    s += gaussbound::line("  lower bound on the Bayes error:", f.bhattacharyya.lowerBound);
    s += gaussbound::line("Bayes error (numerical integration):", f.bayes.value);
    s += gaussbound::line("  class 1 taken for class 2 (e1):", f.bayes.givenClass1);
    s += gaussbound::line("  class 2 taken for class 1 (e2):", f.bayes.givenClass2);
    s += gaussbound::line("  bound on the numerical error:", f.bayes.absError);
    // The parts are said apart only where they are less certain than E.
    if (f.bayes.partsAbsError > f.bayes.absError)
        s += gaussbound::line("  of P1 e1 and of P2 e2:", f.bayes.partsAbsError);
    s += "Chernoff optimum over all beta in [0, 1] (with priors)\n";
    s += gaussbound::line("  beta*:", f.optimum.beta);
    s += gaussbound::line("  exponent k(beta*):", f.optimum.exponent);
    s += gaussbound::line("  bound on the Bayes error:", f.optimum.errorBound);
    s += "Divergences\n";
    s += gaussbound::line("  Kullback-Leibler KL(1||2):", f.divergences.kl12);
    s += gaussbound::line("  Kullback-Leibler KL(2||1):", f.divergences.kl21);
    s += gaussbound::line("  Hellinger distance:", f.divergences.hellinger);
    return s;
}

ordered_json reportObject(const gaussbound::Model& m, const gaussbound::Figures& f)
{
    ordered_json j;
    j["dimension"] = f.dimension;
    j["mu1"] = std::vector<double>(m.mu1.data(), m.mu1.data() + m.mu1.size());
    j["mu2"] = std::vector<double>(m.mu2.data(), m.mu2.data() + m.mu2.size());
    j["sigma1"] = rowMajor(m.sigma1);
    j["sigma2"] = rowMajor(m.sigma2);
    j["priors"] = {m.prior1, m.prior2};
    j["chernoff"] = {{"beta", tableFigure(f.tableBeta)},
                     {"factor", tableFigure(f.tableFactor)},
                     {"error_bound", tableFigure(f.tableErrorBound)},
                     {"error_bound_beta", tableFigure(f.tableErrorBeta)},
                     {"optimum",
                      {{"beta", figure(f.optimum.beta)},
                       {"exponent", figure(f.optimum.exponent)},
                       {"error_bound", figure(f.optimum.errorBound)}}}};
    j["bhattacharyya"] = {{"exponent", tableFigure(f.bhattacharyya.exponent)},
                          {"factor", tableFigure(f.bhattacharyya.factor)},
                          {"error_bound", tableFigure(f.bhattacharyya.upperBound)},
                          {"lower_bound", tableFigure(f.bhattacharyya.lowerBound)}};
    j["bayes_error"] = figure(f.bayes.value);
    j["bayes_error_detail"] = {{"given_class1", figure(f.bayes.givenClass1)},
                               {"given_class2", figure(f.bayes.givenClass2)},
                               {"abs_error", figure(f.bayes.absError)},
                               {"parts_abs_error", figure(f.bayes.partsAbsError)}};
    j["divergences"] = {{"kl12", figure(f.divergences.kl12)},
                        {"kl21", figure(f.divergences.kl21)},
                        {"hellinger", figure(f.divergences.hellinger)}};
    return j;
}

std::string jsonReport(const gaussbound::Model& m, const gaussbound::Figures& f)
{
    return reportObject(m, f).dump() + "\n";
}

std::string csvTable(const PlotTable& plot)
{
    std::string s = "beta,bound,minimum_x,minimum_y,bhattacharyya_x,bhattacharyya_y\n";
    s.reserve(kTableRows * 6 * 24);
    for (int i = 0; i < kTableRows; ++i) {
        for (int j = 0; j < 6; ++j) {
            if (j > 0)
                s += ',';
            s += gaussbound::exact(plot[i][j]);
        }
        s += '\n';
    }
    return s;
}
