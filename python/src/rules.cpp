// The rules of two classes (Bayes, Fisher, best linear) and any rule's
// exact errors, the ROC curve and its area, the d' indices and separability
// scales, and for C classes the Bayes rule's confusion matrix and its
// decisions point by point: each the library call the bounds program makes.
#include <algorithm>
#include <cmath>
#include <memory>
#include <thread>
#include <utility>

#include <pybind11/functional.h>
#include <pybind11/stl.h>

#include <gaussbound/Analysis.h>
#include <gaussbound/ClassesReport.h>
#include <gaussbound/Confusion.h>
#include <gaussbound/Report.h>
#include <gaussbound/RocTable.h>
#include <gaussbound/RuleFigures.h>

#include "convert.h"

namespace gaussbound::python {
namespace {
using namespace pybind11::literals;

// The costs given, else the model's own, else the 0-1 loss.
Costs costsOr(const ModelCase& c, const py::object& costs)
{
    return costs.is_none() ? c.costs.value_or(Costs{}) : costsArg(costs);
}

// A rule as the dict ruleArg reads: "quadratic" None where the model-file
// form writes null (a linear rule), the numbers exactly as computed.
py::dict ruleDict(const Discriminant& rule)
{
    const bool linear = ruleFormObject(rule)["quadratic"].is_null();
    return py::dict("quadratic"_a = linear ? py::object(py::none()) : py::object(matrixArray(rule.quadratic)),
                    "linear"_a = vectorArray(rule.linear), "constant"_a = rule.constant);
}

py::dict bayesRuleOf(const PyModel& model, const py::object& costs)
{
    const ModelCase& c = model.two("bayes_rule");
    return ruleDict(bayesRule(c.model, costsOr(c, costs)));
}

py::dict fisherRuleOf(const PyModel& model)
{
    return ruleDict(fisherRule(model.two("fisher_rule").model));
}

py::dict bestLinearRuleOf(const PyModel& model)
{
    const Model& m = model.two("best_linear_rule").model;
    BestLinearRule best;
    {
        py::gil_scoped_release released;
        best = bestLinearRule(m);
    }
    return ruleDict(best.rule);
}

// The rule's errors as the report's "rule" object holds them.
std::string ruleErrorOf(const PyModel& model, const py::object& rule)
{
    const Model& m = model.two("rule_error").model;
    const Discriminant r = ruleArg(rule, m.dimension());
    JudgedRule judged;
    {
        py::gil_scoped_release released;
        judged = judgeRule(m, r);
    }
    if (std::isnan(judged.error.value))
        throw FigureError("the rule's error could not be computed for these classes");
    return jsonText(ruleErrorObject(judged.error));
}

// The columns of a curve's points as arrays.
py::dict curveArrays(const RocCurve& curve)
{
    const auto n = static_cast<py::ssize_t>(curve.points.size());
    py::array_t<double> threshold(n), fpr(n), tpr(n);
    for (py::ssize_t i = 0; i < n; ++i) {
        threshold.mutable_data()[i] = curve.points[i].threshold;
        fpr.mutable_data()[i] = curve.points[i].falseAlarm;
        tpr.mutable_data()[i] = curve.points[i].hit;
    }
    return py::dict("thresholds"_a = threshold, "fpr"_a = fpr, "tpr"_a = tpr);
}

// spacing within the bounds every front end takes (RocTable.h).
double spacingArg(const py::object& spacing)
{
    const double s = numberArg(spacing, "spacing");
    if (!(s >= kFinestRocSpacing && s <= kCoarsestRocSpacing))
        throw ArgumentError("spacing", "spacing: must be from 1e-4 to 0.5, got " + std::to_string(s));
    return s;
}

// rocJson's text for the curves of the model's costs and rule (or those
// given), and each curve's arrays.
py::tuple rocOf(const PyModel& model, const py::object& costs, const py::object& ruleArgument,
                const py::object& spacing)
{
    ModelCase c = model.two("roc");
    c.costs = costsOr(c, costs);
    if (!ruleArgument.is_none())
        c.rule = ruleArg(ruleArgument, c.model.dimension());
    const double step = spacingArg(spacing);
    std::optional<RocCurves> curves;
    {
        py::gil_scoped_release released;
        curves = rocCurves(c, step);
    }
    if (!curves)
        throw FigureError("the ROC curve or its AUC could not be computed for these classes");
    const RocCurve* rule = curves->rule ? &*curves->rule : nullptr;
    return py::make_tuple(rocJson(curves->likelihoodRatio, rule), curveArrays(curves->likelihoodRatio),
                          rule ? py::object(curveArrays(*rule)) : py::object(py::none()));
}

py::tuple aucOf(const PyModel& model)
{
    const Model& m = model.two("auc").model;
    AreaUnderCurve a;
    {
        py::gil_scoped_release released;
        a = likelihoodRatioAuc(m);
    }
    if (std::isnan(a.value))
        throw FigureError("the AUC could not be computed for these classes");
    return py::make_tuple(a.value, a.absError);
}

py::dict dprimeOf(const PyModel& model)
{
    const Model& m = model.two("dprime").model;
    Discriminability d;
    {
        py::gil_scoped_release released;
        d = discriminability(m, likelihoodRatioAuc(m));
    }
    return py::dict("bayes"_a = d.bayes, "auc"_a = d.auc, "average_covariance"_a = d.averageCovariance);
}

py::dict separabilityOf(const PyModel& model)
{
    const Model& m = model.two("separability").model;
    Figures figures;
    {
        py::gil_scoped_release released;
        const auto table = std::make_unique<double[][2]>(kTableRows);
        figures = analyse(m, table.get());
    }
    if (const auto missing = missingFigure(figures))
        throw FigureError("the " + *missing + " could not be computed for these classes");
    const Separability s = separability(figures);
    return py::dict("jeffries_matusita"_a = s.jeffriesMatusita, "transformed_divergence"_a = s.transformedDivergence);
}

// progress as the library's callback: called holding the GIL until it
// raises, the exception then kept in Python's error indicator and failed set.
std::function<void(double)> progressCallback(const py::object& progress, bool& failed)
{
    if (progress.is_none())
        return {};
    return [&progress, &failed](double done) {
        py::gil_scoped_acquire held;
        if (failed)
            return;
        try {
            progress(done);
        } catch (py::error_already_set& e) {
            e.restore();
            failed = true;
        }
    };
}

// The classes object `bounds --json` prints for C classes, and the
// confusion matrix. progress, when given, is called with the share done;
// an exception it raises is raised once the work ends.
py::tuple confusionOf(const PyModel& model, const py::object& costs, const py::object& directions,
                      const py::object& seed, const py::object& threads, const py::object& progress)
{
    ClassesCase c = model.classes("confusion");
    ConfusionSettings settings = confusionSettings(c, costs, directions, seed, threads);
    c.losses = settings.losses;
    bool failed = false;
    settings.progress = progressCallback(progress, failed);
    ClassesFigures figures;
    {
        py::gil_scoped_release released;
        figures = analyseClasses(c.model, settings);
    }
    if (failed)
        throw py::error_already_set();
    return py::make_tuple(jsonText(classesObject(c, figures)), matrixArray(figures.confusion.matrix));
}

// The classes and losses of the Bayes rule decide applies: C classes with
// their losses, or two classes with their costs as the loss matrix; the 0-1
// loss where there are none.
ClassesCase decidingClasses(const PyModel& model, const py::object& costs)
{
    const auto* two = std::get_if<ModelCase>(&model.any);
    if (!two) {
        const ClassesCase& c = model.classes("decide");
        return {c.model, lossesOr(c, costs)};
    }
    ClassesCase c{classesOf(two->model), std::nullopt};
    if (!costs.is_none() || two->costs) {
        const Costs k = costsOr(*two, costs);
        c.losses = (Eigen::Matrix2d() << k.l11, k.l12, k.l21, k.l22).finished();
    }
    return c;
}

// The Bayes rule's class (0-based) at each row of x, or at x, one point.
py::array_t<long long> decideAt(const PyModel& model, const py::object& x, const py::object& costs)
{
    const ClassesCase c = decidingClasses(model, costs);
    const py::array any = py::module_::import("numpy").attr("asarray")(x);
    const auto points = realArray(any, "x", any.ndim() == 1 ? 1 : 2);
    const Eigen::Index d = c.model.dimension();
    const py::ssize_t n = points.ndim() == 1 ? 1 : points.shape(0);
    if (points.shape(points.ndim() - 1) != d)
        throw ArgumentError("x", "x: expected points of " + std::to_string(d) + " coordinates, got " +
                                     std::to_string(points.shape(points.ndim() - 1)));
    py::array_t<long long> out(n);
    {
        py::gil_scoped_release released;
        const ClassesRule rule(c.model, c.losses);
        for (py::ssize_t i = 0; i < n; ++i)
            out.mutable_data()[i] =
                static_cast<long long>(rule.decide(Eigen::Map<const Eigen::VectorXd>(points.data() + i * d, d)));
    }
    return out;
}

}  // namespace

void bindRules(py::module_& m)
{
    m.def("_bayes_rule", &bayesRuleOf, "model"_a, "costs"_a);
    m.def("_fisher_rule", &fisherRuleOf, "model"_a);
    m.def("_best_linear_rule", &bestLinearRuleOf, "model"_a);
    m.def("_rule_error", &ruleErrorOf, "model"_a, "rule"_a);
    m.def("_roc", &rocOf, "model"_a, "costs"_a, "rule"_a, "spacing"_a);
    m.def("_auc", &aucOf, "model"_a);
    m.def("_dprime", &dprimeOf, "model"_a);
    m.def("_separability", &separabilityOf, "model"_a);
    m.def("_confusion", &confusionOf, "model"_a, "costs"_a, "directions"_a, "seed"_a, "threads"_a, "progress"_a);
    m.def("_decide", &decideAt, "model"_a, "x"_a, "costs"_a);
}

}  // namespace gaussbound::python
