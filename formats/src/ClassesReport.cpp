#include "gaussbound/ClassesReport.h"

#include <algorithm>
#include <cmath>

#include "gaussbound/Error.h"
#include "gaussbound/Report.h"
#include "gaussbound/Text.h"

namespace gaussbound {

namespace {

using nlohmann::ordered_json;

ordered_json rows(const Eigen::MatrixXd& m)
{
    ordered_json out = ordered_json::array();
    for (Eigen::Index i = 0; i < m.rows(); ++i) {
        ordered_json row = ordered_json::array();
        for (Eigen::Index j = 0; j < m.cols(); ++j)
            row.push_back(jsonValue(m(i, j)));
        out.push_back(row);
    }
    return out;
}

std::vector<std::string> namesOf(const ClassesModel& model)
{
    std::vector<std::string> names;
    for (const NormalClass& c : model.classes)
        names.push_back(c.name);
    return names;
}

void requireFigures(const ClassesCase& c, const ClassesFigures& f, const char* what)
{
    const auto n = static_cast<Eigen::Index>(c.model.size());
    requireArgument(f.confusion.matrix.rows() == n && f.confusion.matrix.cols() == n &&
                        f.pairs.size() == c.model.size() * (c.model.size() - 1) / 2,
                    what);
}

// The key of the error figure: a bound, or a standard error.
const char* errorKey(const Confusion& confusion)
{
    return confusion.randomised() ? "standard_error" : "abs_error";
}

std::string padded(std::string s, size_t width)
{
    s.resize(std::max(width, s.size() + 1), ' ');
    return s;
}

}  // namespace

ordered_json classesModelObject(const ClassesCase& c)
{
    ordered_json list = ordered_json::array();
    for (const NormalClass& k : c.model.classes)
        list.push_back({{"name", k.name},
                        {"mean", std::vector<double>(k.mean.data(), k.mean.data() + k.mean.size())},
                        {"covariance", rows(k.covariance)},
                        {"prior", k.prior}});
    ordered_json j = {{"classes", list}};
    if (c.losses)
        j["costs"] = rows(*c.losses);
    return j;
}

ordered_json caseObject(const AnyCase& c)
{
    if (const auto* classes = std::get_if<ClassesCase>(&c))
        return classesModelObject(*classes);
    return caseObject(std::get<ModelCase>(c));
}

ordered_json classesObject(const ClassesCase& c, const ClassesFigures& f)
{
    requireFigures(c, f, "classesObject: the figures are of another number of classes");
    const Confusion& m = f.confusion;
    ordered_json j = classesModelObject(c);
    j["dimension"] = c.model.dimension();
    j["method"] = methodName(m.method);
    j["confusion"] = rows(m.matrix);
    j[m.randomised() ? "confusion_standard_error" : "confusion_abs_error"] = rows(m.error);
    j[c.losses ? "bayes_risk" : "bayes_error"] = {
        {"value", jsonValue(m.value)}, {errorKey(m), jsonValue(m.valueError)}, {"log10", jsonValue(m.log10Value)}};
    ordered_json pairs = ordered_json::array();
    for (const PairFigures& p : f.pairs)
        pairs.push_back({{"i", p.i + 1},
                         {"j", p.j + 1},
                         {"bayes_error", jsonValue(p.bayesError)},
                         {"abs_error", jsonValue(p.bayesAbsError)},
                         {"bhattacharyya_bound", jsonValue(p.bhattacharyyaBound)}});
    j["pairs"] = pairs;
    j["bounds"] = {{"lower", jsonValue(f.lower)},
                   {"upper_pairwise", jsonValue(f.upperPairwise)},
                   {"upper_bhattacharyya", jsonValue(f.upperBhattacharyya)}};
    return j;
}

std::string confusionLines(const std::string& heading, const std::vector<std::string>& names,
                           const Eigen::MatrixXd& m)
{
    const auto n = static_cast<Eigen::Index>(names.size());
    requireArgument(m.rows() == n && m.cols() == n, "confusionLines: the matrix is not one row and column a name");
    size_t width = 13;
    for (const std::string& name : names)
        width = std::max(width, name.size() + 2);
    const auto trimmed = [](std::string row) { return row.erase(row.find_last_not_of(' ') + 1) + "\n"; };
    std::string header = padded("", width + 2);
    for (const std::string& name : names)
        header += padded(name, width);
    std::string s = heading + "\n" + trimmed(header);
    for (Eigen::Index i = 0; i < n; ++i) {
        std::string row = "  " + padded(names[static_cast<size_t>(i)], width);
        for (Eigen::Index j = 0; j < n; ++j)
            row += padded(sig6(m(i, j)), width);
        s += trimmed(row);
    }
    return s;
}

std::string classesText(const ClassesCase& c, const ClassesFigures& f)
{
    requireFigures(c, f, "classesText: the figures are of another number of classes");
    const Confusion& m = f.confusion;
    const std::vector<std::string> names = namesOf(c.model);
    std::string s = std::to_string(c.model.size()) + " classes in " + std::to_string(c.model.dimension()) +
                    (c.model.dimension() == 1 ? " dimension\n" : " dimensions\n");
    for (const NormalClass& k : c.model.classes)
        s += "  " + k.name + ": " +
             (k.mean.size() <= 3 ? classSummary(k.mean, k.covariance, k.prior) : "prior " + sig6(k.prior)) + "\n";
    const std::string what = m.randomised() ? "standard errors up to " : "each within ";
    s += "\n" + confusionLines(std::string(c.losses ? "Rule of least expected loss" : "Bayes rule") +
                                   ": P(decide column | class row), " + methodName(m.method) + ", " + what +
                                   sig6(m.error.maxCoeff()),
                               names, m.matrix);
    s += "\n" + line(c.losses ? "Bayes risk:" : "Bayes error E:", m.value);
    s += line(m.randomised() ? "  its standard error:" : "  bound on its numerical error:", m.valueError);
    s += line("  log10:", m.log10Value);
    s += "\nPairs: E_ij = integral of min(P_i p_i, P_j p_j), Bhattacharyya bound sqrt(P_i P_j) e^-B_ij\n";
    for (const PairFigures& p : f.pairs)
        s += line("  " + names[p.i] + " / " + names[p.j] + ":", p.bayesError,
                  "  bound " + sig6(p.bhattacharyyaBound));
    s += "\nBounds on the Bayes error (0-1 loss) that hold for every model\n";
    s += line("  lower, max E_ij:", f.lower);
    s += line("  upper, sum E_ij:", f.upperPairwise);
    s += line("  upper, sum of Bhattacharyya bounds:", f.upperBhattacharyya);
    return s;
}

}  // namespace gaussbound
