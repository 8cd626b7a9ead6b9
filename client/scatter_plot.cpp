#include "scatter_plot.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include <gaussbound/Classifier.h>
#include <gaussbound/Scatter.h>

namespace {

using gaussbound::Colour;
using gaussbound::Series;

const Colour kClass1{0.12, 0.40, 0.75}, kClass2{0.90, 0.45, 0.05}, kBoundary{0.1, 0.1, 0.1},
    kWrong{0.85, 0.1, 0.1};
constexpr int kBoundaryCells = 240;

// "x" and the coordinate's number in subscript digits (U+2080 to U+2089).
std::string axisLabel(Eigen::Index axis)
{
    std::string label = "x";
    for (char digit : std::to_string(axis + 1))
        label += std::string("\xE2\x82") + static_cast<char>('\x80' + (digit - '0'));
    return label;
}

Series points(const gaussbound::Points& p, Eigen::Index i, Eigen::Index j, const std::vector<Eigen::Index>& rows,
              bool allRows)
{
    Series s;
    const auto take = [&](Eigen::Index k) {
        s.x.push_back(p(k, i));
        s.y.push_back(p(k, j));
    };
    if (allRows)
        for (Eigen::Index k = 0; k < p.rows(); ++k)
            take(k);
    else
        std::for_each(rows.begin(), rows.end(), take);
    s.lineWidth = 0;
    return s;
}

Series classSeries(const gaussbound::Points& p, const ScatterRequest& r, Colour colour, gaussbound::Marker marker,
                   const std::string& label)
{
    Series s = points(p, r.xAxis, r.yAxis, {}, true);
    s.colour = colour;
    s.colour.a = 0.55;
    s.marker = marker;
    s.markerSize = p.rows() > 2000 ? 3.0 : 5.0;
    s.label = label + " (" + std::to_string(p.rows()) + (p.rows() == 1 ? " point)" : " points)");
    return s;
}

void addEllipses(gaussbound::Figure& f, const Eigen::VectorXd& mu, const Eigen::MatrixXd& sigma,
                 const ScatterRequest& r, Colour colour)
{
    for (double k : {1.0, 2.0}) {
        const gaussbound::EllipseAxes e = gaussbound::covarianceEllipse(mu, sigma, r.xAxis, r.yAxis, k);
        f.ellipses.push_back({e.cx, e.cy, e.a, e.b, e.angle, colour, std::nullopt, k == 1.0 ? 2.0 : 1.2});
    }
}

// [lo, hi] of the points' and ellipses' coordinate, widened by 4 % a side.
std::pair<double, double> range(const gaussbound::Figure& f, bool yAxis)
{
    double lo = INFINITY, hi = -INFINITY;
    for (const Series& s : f.series)
        for (double v : yAxis ? s.y : s.x) {
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    for (const gaussbound::Ellipse& e : f.ellipses) {
        const double c = std::cos(e.angle), s = std::sin(e.angle);
        const double half = yAxis ? std::hypot(e.a * s, e.b * c) : std::hypot(e.a * c, e.b * s);
        lo = std::min(lo, (yAxis ? e.cy : e.cx) - half);
        hi = std::max(hi, (yAxis ? e.cy : e.cx) + half);
    }
    const double pad = hi > lo ? 0.04 * (hi - lo) : 1.0;
    return {lo - pad, hi + pad};
}

// The rule's zero set over the figure's area, one series broken between curves.
Series boundary(const gaussbound::Model& model, const gaussbound::Figure& f)
{
    const gaussbound::QuadraticRule rule(model);
    const auto g = [&rule](double x, double y) { return rule.discriminant(Eigen::Vector2d(x, y)); };
    const gaussbound::Rectangle area{f.xRange->first, f.xRange->second, f.yRange->first, f.yRange->second};
    Series s;
    for (const gaussbound::Polyline& curve : gaussbound::zeroSet(g, area, kBoundaryCells)) {
        s.x.insert(s.x.end(), curve.x.begin(), curve.x.end());
        s.y.insert(s.y.end(), curve.y.begin(), curve.y.end());
        s.x.push_back(NAN);
        s.y.push_back(NAN);
    }
    s.colour = kBoundary;
    s.lineWidth = 2.0;
    s.label = "decision boundary g(x) = 0";
    return s;
}

}  // namespace

gaussbound::Figure scatterFigure(const ScatterRequest& r)
{
    const Eigen::Index d = r.model->dimension();
    if (r.xAxis < 0 || r.yAxis < 0 || r.xAxis >= d || r.yAxis >= d || r.class1->cols() != d ||
        r.class2->cols() != d)
        throw std::invalid_argument("scatterFigure: the axes must be coordinates of the points");
    gaussbound::Figure f;
    f.title = r.title;
    f.subtitle = r.subtitle;
    f.caption = r.caption;
    f.xLabel = axisLabel(r.xAxis);
    f.yLabel = axisLabel(r.yAxis);
    f.series.push_back(classSeries(*r.class1, r, kClass1, gaussbound::Marker::Circle, "class 1"));
    f.series.push_back(classSeries(*r.class2, r, kClass2, gaussbound::Marker::Square, "class 2"));
    addEllipses(f, r.model->mu1, r.model->sigma1, r, kClass1);
    addEllipses(f, r.model->mu2, r.model->sigma2, r, kClass2);
    f.xRange = range(f, false);
    f.yRange = range(f, true);
    if (r.model->dimension() == 2)
        f.series.insert(f.series.begin(), boundary(*r.model, f));
    Series wrong = points(*r.class1, r.xAxis, r.yAxis, r.wrong1, false);
    const Series wrong2 = points(*r.class2, r.xAxis, r.yAxis, r.wrong2, false);
    wrong.x.insert(wrong.x.end(), wrong2.x.begin(), wrong2.x.end());
    wrong.y.insert(wrong.y.end(), wrong2.y.begin(), wrong2.y.end());
    wrong.colour = kWrong;
    wrong.marker = gaussbound::Marker::Ring;
    wrong.markerSize = r.class1->rows() + r.class2->rows() > 4000 ? 7.0 : 10.0;
    wrong.label = "misclassified (" + std::to_string(wrong.x.size()) + ")";
    f.series.push_back(std::move(wrong));
    return f;
}
