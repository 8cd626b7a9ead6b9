#include "gaussbound/SampleFigure.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <stdexcept>

#include "gaussbound/Classifier.h"
#include "gaussbound/Interval.h"
#include "gaussbound/Scatter.h"
#include "gaussbound/Text.h"

namespace gaussbound {

namespace {

const Colour kClass1{0.12, 0.40, 0.75}, kClass2{0.90, 0.45, 0.05}, kBoundary{0.1, 0.1, 0.1},
    kWrong{0.85, 0.1, 0.1};
constexpr int kBoundaryCells = 240;
constexpr int kCurvePoints = 400;

// "x" and the coordinate's number in subscript digits (U+2080 to U+2089).
std::string axisLabel(Eigen::Index axis)
{
    std::string label = "x";
    for (char digit : std::to_string(axis + 1))
        label += std::string("\xE2\x82") + static_cast<char>('\x80' + (digit - '0'));
    return label;
}

void checkRows(const std::vector<Eigen::Index>& rows, const Points& points, const char* function)
{
    for (Eigen::Index k : rows)
        if (k < 0 || k >= points.rows())
            throw std::invalid_argument(std::string(function) + ": a misclassified row is not a row of its points");
}

// The rows of a class as a series without a line: every row, or those named.
Series points(const Points& p, Eigen::Index i, Eigen::Index j, const std::vector<Eigen::Index>* rows)
{
    Series s;
    const auto take = [&](Eigen::Index k) {
        s.x.push_back(p(k, i));
        s.y.push_back(p(k, j));
    };
    if (rows)
        std::for_each(rows->begin(), rows->end(), take);
    else
        for (Eigen::Index k = 0; k < p.rows(); ++k)
            take(k);
    s.lineWidth = 0;
    return s;
}

void styleClass(Series& s, Eigen::Index rows, Colour colour, Marker marker, const std::string& label)
{
    s.colour = colour;
    s.colour.a = 0.55;
    s.marker = marker;
    s.markerSize = rows > 2000 ? 3.0 : 5.0;
    s.label = label + " (" + std::to_string(rows) + (rows == 1 ? " point)" : " points)");
}

Series wrongSeries(Series wrong, const Series& wrong2, Eigen::Index points)
{
    wrong.x.insert(wrong.x.end(), wrong2.x.begin(), wrong2.x.end());
    wrong.y.insert(wrong.y.end(), wrong2.y.begin(), wrong2.y.end());
    wrong.colour = kWrong;
    wrong.marker = Marker::Ring;
    wrong.markerSize = points > 4000 ? 7.0 : 10.0;
    wrong.label = "misclassified (" + std::to_string(wrong.x.size()) + ")";
    return wrong;
}

// lo and hi widened by 4 % a side (1 when they are equal).
std::pair<double, double> padded(double lo, double hi)
{
    const double pad = hi > lo ? 0.04 * (hi - lo) : 1.0;
    return {lo - pad, hi + pad};
}

// [lo, hi] of the points' and ellipses' coordinate, padded.
std::pair<double, double> range(const Figure& f, bool yAxis)
{
    double lo = INFINITY, hi = -INFINITY;
    for (const Series& s : f.series)
        for (double v : yAxis ? s.y : s.x) {
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    for (const Ellipse& e : f.ellipses) {
        const auto [low, high] = ellipseExtent(e, yAxis);
        lo = std::min(lo, low);
        hi = std::max(hi, high);
    }
    return padded(lo, hi);
}

// The rule's zero set over the figure's area, one series broken between curves.
Series boundary(const Model& model, const Figure& f)
{
    const QuadraticRule rule(model);
    const auto g = [&rule](double x, double y) { return rule.discriminant(Eigen::Vector2d(x, y)); };
    const Rectangle area{f.xRange->first, f.xRange->second, f.yRange->first, f.yRange->second};
    Series s;
    appendPolylines(s, zeroSet(g, area, kBoundaryCells));
    s.colour = kBoundary;
    s.lineWidth = 2.0;
    s.label = "decision boundary g(x) = 0";
    return s;
}

// The last component of a path as given ("standard input" stays itself).
std::string baseName(const std::string& path)
{
    const std::string name = std::filesystem::path(path).filename().string();
    return name.empty() ? path : name;
}

std::string boundsLine(const Figures& g)
{
    return "Bayes error " + sig6(g.bayes.value) + ", Chernoff bound " + sig6(g.optimum.errorBound);
}

// A figure that holds text's title, subtitle and caption.
Figure titled(FigureText text)
{
    Figure f;
    f.title = std::move(text.title);
    f.subtitle = std::move(text.subtitle);
    f.caption = std::move(text.caption);
    return f;
}

}  // namespace

Figure scatterFigure(const Points& class1, const Points& class2, const Model& model, Eigen::Index xAxis,
                     Eigen::Index yAxis, const std::vector<Eigen::Index>& wrong1,
                     const std::vector<Eigen::Index>& wrong2, FigureText text)
{
    if (validate(model))
        throw std::invalid_argument("scatterFigure: the model is not valid");
    const Eigen::Index d = model.dimension();
    if (d < 2 || xAxis < 0 || yAxis < 0 || xAxis >= d || yAxis >= d || xAxis == yAxis || class1.cols() != d ||
        class2.cols() != d)
        throw std::invalid_argument("scatterFigure: the axes must be two coordinates of the model and the points");
    checkRows(wrong1, class1, "scatterFigure");
    checkRows(wrong2, class2, "scatterFigure");
    Figure f = titled(std::move(text));
    f.xLabel = axisLabel(xAxis);
    f.yLabel = axisLabel(yAxis);
    f.series.push_back(points(class1, xAxis, yAxis, nullptr));
    styleClass(f.series.back(), class1.rows(), kClass1, Marker::Circle, "class 1");
    f.series.push_back(points(class2, xAxis, yAxis, nullptr));
    styleClass(f.series.back(), class2.rows(), kClass2, Marker::Square, "class 2");
    for (int c = 1; c <= 2; ++c)
        for (double k : {1.0, 2.0}) {
            const EllipseAxes e = covarianceEllipse(c == 1 ? model.mu1 : model.mu2,
                                                    c == 1 ? model.sigma1 : model.sigma2, xAxis, yAxis, k);
            f.ellipses.push_back(
                {e.cx, e.cy, e.a, e.b, e.angle, c == 1 ? kClass1 : kClass2, std::nullopt, k == 1.0 ? 2.0 : 1.2});
        }
    f.xRange = range(f, false);
    f.yRange = range(f, true);
    if (d == 2)
        f.series.insert(f.series.begin(), boundary(model, f));
    f.series.push_back(wrongSeries(points(class1, xAxis, yAxis, &wrong1), points(class2, xAxis, yAxis, &wrong2),
                                   class1.rows() + class2.rows()));
    return f;
}

std::vector<double> decisionThresholds(const Model& model)
{
    if (validate(model) || model.dimension() != 1)
        throw std::invalid_argument("decisionThresholds: the model must be valid and have one coordinate");
    const double m1 = model.mu1(0), m2 = model.mu2(0), s1 = model.sigma1(0, 0), s2 = model.sigma2(0, 0);
    const double a = 1 / (2 * s2) - 1 / (2 * s1);
    const double b = m1 / s1 - m2 / s2;
    const double c = std::log(model.prior1 / model.prior2) - 0.5 * std::log(s1 / s2) - m1 * m1 / (2 * s1) +
                     m2 * m2 / (2 * s2);
    std::vector<double> roots;
    if (a == 0) {
        if (b != 0)
            roots.push_back(-c / b);
    } else {
        const double discriminant = b * b - 4 * a * c;
        if (discriminant == 0) {
            roots.push_back(-b / (2 * a));
        } else if (discriminant > 0) {
            // The root that cancels is taken from the other through their product c / a.
            const double q = -0.5 * (b + std::copysign(std::sqrt(discriminant), b));
            roots.push_back(q / a);
            if (q != 0)
                roots.push_back(c / q);
        }
    }
    roots.erase(std::remove_if(roots.begin(), roots.end(), [](double r) { return !std::isfinite(r); }),
                roots.end());
    std::sort(roots.begin(), roots.end());
    return roots;
}

Figure stripFigure(const Points& class1, const Points& class2, const Model& model,
                   const std::vector<Eigen::Index>& wrong1, const std::vector<Eigen::Index>& wrong2,
                   FigureText text)
{
    if (validate(model) || model.dimension() != 1 || class1.cols() != 1 || class2.cols() != 1)
        throw std::invalid_argument("stripFigure: the model must be valid, and it and the points have one coordinate");
    checkRows(wrong1, class1, "stripFigure");
    checkRows(wrong2, class2, "stripFigure");
    Figure f = titled(std::move(text));
    f.xLabel = axisLabel(0);
    f.yLabel = "prior × density; the points below 0, each class a band";
    f.ySymbol = "P p(x)";

    double lo = INFINITY, hi = -INFINITY;
    for (const Points* p : {&class1, &class2})
        if (p->rows() > 0) {
            lo = std::min(lo, p->minCoeff());
            hi = std::max(hi, p->maxCoeff());
        }
    for (int c = 1; c <= 2; ++c) {
        const double m = (c == 1 ? model.mu1 : model.mu2)(0);
        const double spread = 3 * std::sqrt((c == 1 ? model.sigma1 : model.sigma2)(0, 0));
        lo = std::min(lo, m - spread);
        hi = std::max(hi, m + spread);
    }
    f.xRange = padded(lo, hi);

    // The densities times the priors, sampled across the x range.
    Series curves[2];
    double peak = 0;
    for (int c = 0; c < 2; ++c) {
        const double m = (c == 0 ? model.mu1 : model.mu2)(0);
        const double s = (c == 0 ? model.sigma1 : model.sigma2)(0, 0);
        const double prior = c == 0 ? model.prior1 : model.prior2;
        for (int i = 0; i <= kCurvePoints; ++i) {
            const double x = f.xRange->first + (f.xRange->second - f.xRange->first) * i / kCurvePoints;
            const double y = prior * std::exp(-(x - m) * (x - m) / (2 * s)) / std::sqrt(2 * M_PI * s);
            curves[c].x.push_back(x);
            curves[c].y.push_back(y);
            peak = std::max(peak, y);
        }
        curves[c].colour = c == 0 ? kClass1 : kClass2;
        curves[c].label = c == 0 ? "P₁ p₁(x)" : "P₂ p₂(x)";
    }
    if (!(peak > 0))
        peak = 1;
    f.yRange = std::pair{-0.32 * peak, 1.06 * peak};

    // Each class's band: its centre, and a height within it from the row's
    // number (the fractional parts of k times the golden ratio spread evenly).
    const double centre[2] = {-0.1 * peak, -0.23 * peak}, half = 0.05 * peak;
    const auto band = [&](const Points& p, int c, const std::vector<Eigen::Index>* rows) {
        Series s = points(p, 0, 0, rows);
        const auto height = [&](Eigen::Index k) {
            const double spread = std::fmod(static_cast<double>(k) * 0.6180339887498949, 1.0);
            return centre[c] + (2 * spread - 1) * half;
        };
        if (rows)
            for (size_t i = 0; i < rows->size(); ++i)
                s.y[i] = height((*rows)[i]);
        else
            for (Eigen::Index k = 0; k < p.rows(); ++k)
                s.y[static_cast<size_t>(k)] = height(k);
        return s;
    };

    Series thresholds;
    for (double t : decisionThresholds(model))
        if (t >= f.xRange->first && t <= f.xRange->second) {
            thresholds.x.insert(thresholds.x.end(), {t, t, NAN});
            thresholds.y.insert(thresholds.y.end(), {f.yRange->first, f.yRange->second, NAN});
        }
    if (!thresholds.x.empty()) {
        thresholds.colour = kBoundary;
        thresholds.label = thresholds.x.size() > 3 ? "decision thresholds g(x) = 0" : "decision threshold g(x) = 0";
        f.series.push_back(std::move(thresholds));
    }
    f.series.push_back(std::move(curves[0]));
    f.series.push_back(std::move(curves[1]));
    f.series.push_back(band(class1, 0, nullptr));
    styleClass(f.series.back(), class1.rows(), kClass1, Marker::Circle, "class 1");
    f.series.push_back(band(class2, 1, nullptr));
    styleClass(f.series.back(), class2.rows(), kClass2, Marker::Square, "class 2");
    f.series.push_back(wrongSeries(band(class1, 0, &wrong1), band(class2, 1, &wrong2), class1.rows() + class2.rows()));
    return f;
}

Figure fitFigure(const SampleFit& fit, const std::string& name1, const std::string& name2, Eigen::Index xAxis,
                 Eigen::Index yAxis)
{
    const Classified& s = fit.samples;
    if (s.class1.rows() == 0 || s.class2.rows() == 0)
        throw std::invalid_argument("fitFigure: a class has no points");
    const std::int64_t total = s.class1.rows() + s.class2.rows();
    if (fit.leaveOneOut && (*fit.leaveOneOut < 0 || *fit.leaveOneOut > total))
        throw std::invalid_argument("fitFigure: leave-one-out errors must be from 0 to the points' count");
    const ErrorCount resubstitution = fit.resubstitution();
    const Interval r = resubstitution.wilson();
    std::string second = "Plug-in rule's error on the samples: resubstitution " +
                         sig6(resubstitution.rate()) + " [" + sig6(r.low) + ", " + sig6(r.high) + "]";
    if (const auto leaveOneOut = fit.leaveOneOutCount()) {
        const Interval l = leaveOneOut->wilson();
        second += ", leave-one-out " + sig6(leaveOneOut->rate()) + " [" + sig6(l.low) + ", " + sig6(l.high) +
                  "]";
    }
    const bool line = fit.model.dimension() == 1;
    FigureText text{"Two classes estimated from samples",
                    baseName(name1) + " and " + baseName(name2) +
                        (line ? "; densities of the estimated classes times their priors"
                              : "; ellipses at 1 and 2 standard deviations of each estimated class"),
                    {"Estimated classes: " + boundsLine(fit.figures) + " (β* = " + sig6(fit.figures.optimum.beta) +
                         "), Bhattacharyya bound " + sig6(fit.figures.bhattacharyya.upperBound),
                     second + " (95 % Wilson intervals)"}};
    return line ? stripFigure(s.class1, s.class2, fit.model, s.wrong1, s.wrong2, std::move(text))
                : scatterFigure(s.class1, s.class2, fit.model, xAxis, yAxis, s.wrong1, s.wrong2, std::move(text));
}

Figure drawFigure(const Model& model, const Figures& figures, const Classified& drawn)
{
    if (drawn.class1.rows() == 0 || drawn.class2.rows() == 0)
        throw std::invalid_argument("drawFigure: a class has no points");
    const ErrorCount count = drawn.count();
    const Interval w = count.wilson();
    const bool line = model.dimension() == 1;
    FigureText text{"Samples of two normal classes", modelSummary(model),
                    {boundsLine(figures) + ", Bhattacharyya bound " + sig6(figures.bhattacharyya.upperBound) +
                         (line ? "" : "; ellipses at 1 and 2 standard deviations"),
                     "The Bayes rule's error on these samples: " + sig6(count.rate()) + " (" +
                         std::to_string(count.errors) + " of " + std::to_string(count.points) +
                         "; 95 % Wilson interval " + sig6(w.low) + " to " + sig6(w.high) + ")"}};
    return line ? stripFigure(drawn.class1, drawn.class2, model, drawn.wrong1, drawn.wrong2, std::move(text))
                : scatterFigure(drawn.class1, drawn.class2, model, 0, 1, drawn.wrong1, drawn.wrong2, std::move(text));
}

}  // namespace gaussbound
