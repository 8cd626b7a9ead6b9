#include "gaussbound/View.h"

#include <cmath>
#include <string>

#include "gaussbound/Canonical.h"
#include "gaussbound/CaseReport.h"
#include "gaussbound/Chernoff.h"
#include "gaussbound/ClassesReport.h"
#include "gaussbound/Draw.h"
#include "gaussbound/Error.h"
#include "gaussbound/FigureJson.h"
#include "gaussbound/RegionFigure.h"
#include "gaussbound/Report.h"
#include "gaussbound/RocTable.h"
#include "gaussbound/SampleFit.h"
#include "gaussbound/Scatter.h"
#include "gaussbound/Text.h"

namespace gaussbound {

namespace {

using nlohmann::ordered_json;

constexpr int kRuleCells = 200;  // grid cells a side for the rule's zero set
const Colour kRuleColour{0.45, 0.1, 0.6};

// The case as C classes, with its losses: two classes become classes "1" and "2".
ClassesCase asClasses(const AnyCase& c)
{
    if (const auto* classes = std::get_if<ClassesCase>(&c))
        return *classes;
    const ModelCase& two = std::get<ModelCase>(c);
    ClassesCase out{classesOf(two.model), std::nullopt};
    if (two.costs)
        out.losses = (Eigen::Matrix2d() << two.costs->l11, two.costs->l12, two.costs->l21, two.costs->l22).finished();
    return out;
}

// The rule's zero set in the figure's plane, which passes through the
// prior-weighted mean m: g at m with coordinates first and second free.
Series ruleBoundary(const ModelCase& c, const Figure& plane, Eigen::Index first, Eigen::Index second)
{
    const Discriminant& rule = *c.rule;
    const Eigen::VectorXd m = c.model.prior1 * c.model.mu1 + c.model.prior2 * c.model.mu2;
    const auto g = [&](double x, double y) {
        Eigen::VectorXd p = m;
        p[first] = x;
        p[second] = y;
        return p.dot(rule.quadratic * p) + rule.linear.dot(p) + rule.constant;
    };
    Series s;
    appendPolylines(s, zeroSet(g, {plane.xRange->first, plane.xRange->second, plane.yRange->first,
                                   plane.yRange->second}, kRuleCells));
    s.colour = kRuleColour;
    s.lineWidth = 2.0;
    s.label = "the rule's boundary g(x) = 0";
    return s;
}

// The drawn points of each class, in the order of the model's classes.
std::vector<Points> drawnPoints(const AnyCase& c, std::int64_t n, std::uint64_t seed)
{
    const ClassesCase classes = asClasses(c);
    return drawClasses(classes.model, std::vector<Eigen::Index>(classes.model.size(), n), seed);
}

// One series of markers a class, in its region's line colour.
void addPoints(Figure& plane, const ClassesModel& model, const std::vector<Points>& drawn, Eigen::Index first,
               Eigen::Index second)
{
    for (std::size_t k = 0; k < drawn.size(); ++k) {
        Series s;
        s.x.assign(drawn[k].col(first).begin(), drawn[k].col(first).end());
        s.y.assign(drawn[k].col(second).begin(), drawn[k].col(second).end());
        s.colour = classColours(k).line;
        s.lineWidth = 0.0;
        s.marker = k % 2 == 0 ? Marker::Circle : Marker::Square;
        s.markerSize = drawn[k].rows() > 2000 ? 2.0 : 3.5;
        s.label = model.classes[k].name + " (" + std::to_string(drawn[k].rows()) + " points)";
        plane.series.push_back(std::move(s));
    }
}

// The plane with points drawn already.
Figure planeWith(const AnyCase& c, const ViewSettings& settings, const std::vector<Points>& drawn)
{
    const ClassesCase classes = asClasses(c);
    requireArgument(classes.model.dimension() >= 2, "planeFigure: the model has one coordinate");
    Figure plane = regionFigure(classes.model, classes.losses, settings.first, settings.second, "");
    const auto* two = std::get_if<ModelCase>(&c);
    if (two && two->rule)
        plane.series.push_back(ruleBoundary(*two, plane, settings.first, settings.second));
    addPoints(plane, classes.model, drawn, settings.first, settings.second);
    return plane;
}

// Each class's points in the plane, as [x, y] pairs.
ordered_json pointsObject(const std::vector<Points>& drawn, Eigen::Index first, Eigen::Index second)
{
    ordered_json out = ordered_json::array();
    for (const Points& p : drawn) {
        ordered_json pairs = ordered_json::array();
        for (Eigen::Index r = 0; r < p.rows(); ++r)
            pairs.push_back({p(r, first), p(r, second)});
        out.push_back(std::move(pairs));
    }
    return out;
}

}  // namespace

Figure planeFigure(const AnyCase& c, const ViewSettings& settings)
{
    requireArgument(settings.points >= 0, "planeFigure: a negative count of points");
    return planeWith(c, settings, settings.points > 0 ? drawnPoints(c, settings.points, settings.seed)
                                                      : std::vector<Points>{});
}

ordered_json chernoffCurve(const Model& model)
{
    const ChernoffCurve curve{CanonicalForm(model)};
    ordered_json beta = ordered_json::array(), exponent = ordered_json::array(), factor = ordered_json::array();
    for (int i = 0; i < kCurveBetas; ++i) {
        const double b = static_cast<double>(i) / (kCurveBetas - 1);
        const double k = curve.exponent(b);
        beta.push_back(b);
        exponent.push_back(jsonValue(k));
        factor.push_back(jsonValue(std::exp(-k)));
    }
    return {{"beta", beta}, {"exponent", exponent}, {"factor", factor}};
}

ordered_json viewObject(const AnyCase& c, const ViewSettings& settings, double (*table)[2])
{
    requireArgument(settings.points >= 0, "viewObject: a negative count of points");
    ordered_json view = {{"model", caseObject(c)}};
    const auto* two = std::get_if<ModelCase>(&c);
    if (two) {
        view["report"] = caseReport(*two, table);
        view["chernoff"] = chernoffCurve(two->model);
        const auto curves = rocCurves(*two, settings.spacing);
        if (!curves)
            throw FigureNotComputed("ROC curve or its AUC");
        view["roc"] = ordered_json::parse(rocJson(curves->likelihoodRatio, curves->rule ? &*curves->rule : nullptr));
    } else {
        view["report"] = caseReport(std::get<ClassesCase>(c), {});
        view["chernoff"] = nullptr;
        view["roc"] = nullptr;
    }
    const std::vector<Points> drawn =
        settings.points > 0 ? drawnPoints(c, settings.points, settings.seed) : std::vector<Points>{};
    const Eigen::Index d = two ? two->model.dimension() : std::get<ClassesCase>(c).model.dimension();
    view["plane"] = d >= 2 ? figureJson(planeWith(c, settings, drawn)) : ordered_json(nullptr);
    view["points"] = drawn.empty() || d < 2 ? ordered_json(nullptr) : pointsObject(drawn, settings.first, settings.second);
    return view;
}

}  // namespace gaussbound
