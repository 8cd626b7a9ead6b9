// The ROC and zROC figures of a likelihood ratio and a rule: see RocFigure.h.
#include "gaussbound/RocFigure.h"

#include <algorithm>
#include <cmath>

#include <Eigen/Core>

#include "gaussbound/Error.h"
#include "gaussbound/GeneralizedChiSquare.h"
#include "gaussbound/Text.h"

namespace gaussbound {

namespace {

// Each curve in its colour, and its operating point in another that stands out on it.
const Colour kChance{0.6, 0.6, 0.6}, kLikelihood{0.08, 0.33, 0.67}, kBayes{0.82, 0.16, 0.16},
    kRule{0.85, 0.45, 0.05}, kRulePoint{0.12, 0.55, 0.12};

// The standard normal, whose quantiles of logarithms give the zROC.
GeneralizedChiSquare standardNormal()
{
    return GeneralizedChiSquare(Eigen::VectorXd(0), Eigen::VectorXd(0), Eigen::VectorXd(0), 1.0);
}

// (Phi^-1(F), Phi^-1(H)): F from ln F, H = 1 - miss from ln miss, so that
// the tail each is nearer keeps its digits.
std::pair<double, double> zOf(const GeneralizedChiSquare& normal, const RocPoint& p)
{
    return {normal.logQuantile(p.log10FalseAlarm * M_LN10).value,
            normal.logQuantileSf(p.log10Miss * M_LN10).value};
}

// Where a point stands on the figure: (F, H), or its z coordinates.
struct Place {
    const GeneralizedChiSquare* normal;  // null: the plain ROC

    std::pair<double, double> operator()(const RocPoint& p) const
    {
        return normal ? zOf(*normal, p) : std::pair{p.falseAlarm, p.hit};
    }
};

// A series of the points that have a finite place.
Series placed(const std::vector<RocPoint>& points, const Place& place, Colour colour, std::string label)
{
    Series s;
    for (const RocPoint& p : points) {
        const auto [x, y] = place(p);
        if (std::isfinite(x) && std::isfinite(y)) {
            s.x.push_back(x);
            s.y.push_back(y);
        }
    }
    s.colour = colour;
    s.label = std::move(label);
    return s;
}

// The curve, then its operating point as a marker (left out of a zROC when
// it lies at infinity).
void addCurve(Figure& figure, const RocCurve& c, const Place& place, Colour colour, const std::string& name,
              const std::string& operating, Colour pointColour, Marker marker)
{
    figure.series.push_back(placed(c.points, place, colour, name + ", AUC = " + sig6(c.auc.value)));
    const RocPoint& p = c.operatingPoint;
    Series point = placed({p}, place, pointColour, operating + ": F = " + sig6(p.falseAlarm) + ", H = " + sig6(p.hit));
    point.lineWidth = 0;
    point.marker = marker;
    point.markerSize = 8;
    if (!point.x.empty())
        figure.series.push_back(std::move(point));
}

}  // namespace

std::pair<double, double> zCoordinates(const RocPoint& p)
{
    requireArgument(p.log10FalseAlarm <= 0.0 && p.log10Miss <= 0.0,
                    "zCoordinates: a logarithm of a probability is NaN or above 0");
    return zOf(standardNormal(), p);
}

Figure rocFigure(const RocCurve& likelihoodRatio, const RocCurve* rule, bool z, std::string subtitle)
{
    requireArgument(validRocCurve(likelihoodRatio) && (!rule || validRocCurve(*rule)),
                    "rocFigure: a curve without points, or with a number out of its range");
    const GeneralizedChiSquare normal = standardNormal();
    const Place place{z ? &normal : nullptr};
    Figure figure;
    figure.title = z ? "zROC of two normal classes: Φ^{−1}(H) against Φ^{−1}(F)"
                     : "ROC curve of two normal classes";
    figure.subtitle = std::move(subtitle);
    figure.xLabel = z ? "Φ^{−1}(F), F the false-alarm rate P(decide class 2 | class 1)"
                      : "false-alarm rate F = P(decide class 2 | class 1)";
    figure.yLabel = z ? "Φ^{−1}(H), H the hit rate P(decide class 2 | class 2)"
                      : "hit rate H = P(decide class 2 | class 2)";
    figure.xSymbol = z ? "Φ^{−1}(F)" : "F";
    figure.ySymbol = z ? "Φ^{−1}(H)" : "H";

    Series chance;
    chance.colour = kChance;
    chance.label = "chance";
    chance.lineWidth = 1.0;
    figure.series.push_back(chance);
    addCurve(figure, likelihoodRatio, place, kLikelihood, "likelihood ratio", "Bayes rule's operating point", kBayes,
             Marker::Circle);
    if (rule)
        addCurve(figure, *rule, place, kRule, "rule", "the rule's own point, g(x) > 0", kRulePoint, Marker::Square);

    // The chance line across [0, 1], or across the finite points' range.
    double low = 0.0, high = 1.0;
    if (z) {
        low = INFINITY;
        high = -INFINITY;
        for (const Series& s : figure.series)
            for (const std::vector<double>* v : {&s.x, &s.y})
                for (double value : *v) {
                    low = std::min(low, value);
                    high = std::max(high, value);
                }
        requireArgument(low <= high, "rocFigure: no point of the zROC is finite");
    } else {
        figure.xRange = figure.yRange = std::pair{0.0, 1.0};
    }
    figure.series.front().x = figure.series.front().y = {low, high};

    figure.caption.push_back("Each point is a threshold t of a statistic g: decide class 2 where g(x) > t; "
                             "F = P(g > t | class 1), H = P(g > t | class 2).");
    figure.caption.push_back(z ? "Φ^{−1} of F and of H taken from their logarithms; the ends (0, 0) and (1, 1) "
                                 "lie at infinity and are left out."
                               : "The likelihood ratio g = ln p2 − ln p1 gives the best H at every F; "
                                 "the Bayes rule is its point at t = ln P1(L12 − L11) − ln P2(L21 − L22).");
    return figure;
}

}  // namespace gaussbound
