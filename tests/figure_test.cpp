// Tests of the Figure library's assembly: the figures the commands draw,
// checked as data (where every point lies, what each series is, what the
// text says) without rendering them, and the scatter geometry, the ticks
// and the plot formats they rest on.
#include <cmath>
#include <iomanip>
#include <memory>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <gaussbound/Analysis.h>
#include <gaussbound/Bound.h>
#include <gaussbound/Classifier.h>
#include <gaussbound/Draw.h>
#include <gaussbound/Figure.h>
#include <gaussbound/FigureJson.h>
#include <gaussbound/SampleFigure.h>
#include <gaussbound/Scatter.h>
#include <gaussbound/SweepFigure.h>
#include <gaussbound/Ticks.h>

namespace {

using gaussbound::Figure;
using gaussbound::Marker;
using gaussbound::Model;
using gaussbound::Points;
using gaussbound::Series;

Model model1(double m1, double m2, double s1, double s2, double p1 = 0.5)
{
    Model m;
    m.mu1 = Eigen::VectorXd::Constant(1, m1);
    m.mu2 = Eigen::VectorXd::Constant(1, m2);
    m.sigma1 = Eigen::MatrixXd::Constant(1, 1, s1);
    m.sigma2 = Eigen::MatrixXd::Constant(1, 1, s2);
    m.prior1 = p1;
    m.prior2 = 1 - p1;
    return m;
}

Model model3()
{
    Model m;
    m.mu1 = Eigen::Vector3d(0, 0, 0);
    m.mu2 = Eigen::Vector3d(1, -2, 5);
    m.sigma1 = Eigen::Matrix3d::Identity();
    m.sigma2 = Eigen::Vector3d(2, 1, 0.5).asDiagonal();
    return m;
}

Model model2()
{
    Model m;
    m.mu1 = Eigen::Vector2d(0, 0);
    m.mu2 = Eigen::Vector2d(1.5, 0.5);
    m.sigma1 = (Eigen::Matrix2d() << 1, 0.3, 0.3, 1).finished();
    m.sigma2 = (Eigen::Matrix2d() << 2, 0, 0, 0.5).finished();
    m.prior1 = 0.4;
    m.prior2 = 0.6;
    return m;
}

gaussbound::Figures figuresOf(const Model& m)
{
    const std::unique_ptr<double[][2]> table(new double[kTableRows][2]);
    return gaussbound::analyse(m, table.get());
}

// Samples of a model with the true rule's misclassified rows.
using Samples = gaussbound::Classified;

Samples samplesOf(const Model& m, Eigen::Index n1, Eigen::Index n2)
{
    auto [class1, class2] = gaussbound::drawSamples(m, n1, n2, 7);
    return gaussbound::classify(gaussbound::QuadraticRule(m), std::move(class1), std::move(class2));
}

const Series* labelled(const Figure& f, const std::string& start)
{
    for (const Series& s : f.series)
        if (s.label.rfind(start, 0) == 0)
            return &s;
    return nullptr;
}

// Every finite coordinate of every series, and every ellipse, inside the
// figure's ranges.
void expectInsideRanges(const Figure& f)
{
    ASSERT_TRUE(f.xRange && f.yRange);
    for (const Series& s : f.series)
        for (size_t i = 0; i < s.x.size(); ++i) {
            if (std::isnan(s.x[i]) || std::isnan(s.y[i]))
                continue;
            EXPECT_GE(s.x[i], f.xRange->first) << s.label;
            EXPECT_LE(s.x[i], f.xRange->second) << s.label;
            EXPECT_GE(s.y[i], f.yRange->first) << s.label;
            EXPECT_LE(s.y[i], f.yRange->second) << s.label;
        }
    for (const gaussbound::Ellipse& e : f.ellipses) {
        const auto x = gaussbound::ellipseExtent(e, false), y = gaussbound::ellipseExtent(e, true);
        EXPECT_GE(x.first, f.xRange->first);
        EXPECT_LE(x.second, f.xRange->second);
        EXPECT_GE(y.first, f.yRange->first);
        EXPECT_LE(y.second, f.yRange->second);
    }
}

}  // namespace

TEST(ScatterGeometry, EllipseAxesAreTheCovariancesEigenvectors)
{
    Eigen::MatrixXd c(3, 3);
    c << 3, 0, 1, 0, 9, 0, 1, 0, 3;  // coordinates 1 and 3: eigenvalues 4 along (1, 1), 2 along (1, -1)
    const gaussbound::EllipseAxes e = gaussbound::covarianceEllipse(Eigen::Vector3d(5, 6, 7), c, 0, 2, 2.0);
    EXPECT_EQ(e.cx, 5.0);
    EXPECT_EQ(e.cy, 7.0);
    EXPECT_NEAR(e.a, 4.0, 1e-14);
    EXPECT_NEAR(e.b, 2.0 * std::sqrt(2.0), 1e-14);
    EXPECT_NEAR(std::fmod(e.angle + 2 * M_PI, M_PI), M_PI / 4, 1e-14);

    // Axes, scales and covariances that give no ellipse are refused.
    const Eigen::Vector2d mean(0, 0);
    const Eigen::Matrix2d cov = (Eigen::Matrix2d() << 2, 0.5, 0.5, 1).finished();
    for (const auto& axes : {std::pair<Eigen::Index, Eigen::Index>{0, 0}, {0, 2}, {-1, 1}})
        EXPECT_THROW(gaussbound::covarianceEllipse(mean, cov, axes.first, axes.second, 1.0), std::invalid_argument);
    for (double k : {0.0, -1.0, double(NAN), double(INFINITY)})
        EXPECT_THROW(gaussbound::covarianceEllipse(mean, cov, 0, 1, k), std::invalid_argument) << k;
    EXPECT_THROW(gaussbound::covarianceEllipse(Eigen::Vector3d(0, 0, 0), cov, 0, 1, 1.0), std::invalid_argument);
    EXPECT_THROW(gaussbound::covarianceEllipse(mean, Eigen::Matrix2d::Zero(), 0, 1, 1.0), std::invalid_argument);
}

TEST(ScatterGeometry, ZeroSetTracesALineExactlyAndACircleClosed)
{
    const gaussbound::Rectangle area{-2, 2, -1, 3};
    // Linear interpolation is exact for a linear function: one open curve
    // from border to border on x + 2y = 1.3.
    const auto line = gaussbound::zeroSet([](double x, double y) { return x + 2 * y - 1.3; }, area, 37);
    ASSERT_EQ(line.size(), 1u);
    ASSERT_GT(line[0].x.size(), 30u);
    for (size_t i = 0; i < line[0].x.size(); ++i)
        EXPECT_NEAR(line[0].x[i] + 2 * line[0].y[i], 1.3, 1e-12);
    EXPECT_EQ(std::fabs(line[0].x.front()), 2.0);  // it starts and ends on the border
    EXPECT_EQ(std::fabs(line[0].x.back()), 2.0);

    // Two circles: two closed curves near radius 1.
    const auto circles = gaussbound::zeroSet(
        [](double x, double y) { return std::min(std::hypot(x + 1, y - 1), std::hypot(x - 1, y - 1)) - 0.6; },
        area, 200);
    ASSERT_EQ(circles.size(), 2u);
    for (const gaussbound::Polyline& c : circles) {
        EXPECT_EQ(c.x.front(), c.x.back());
        EXPECT_EQ(c.y.front(), c.y.back());
        for (size_t i = 0; i < c.x.size(); ++i) {
            const double r = std::min(std::hypot(c.x[i] + 1, c.y[i] - 1), std::hypot(c.x[i] - 1, c.y[i] - 1));
            EXPECT_NEAR(r, 0.6, 2e-3);
        }
    }

    // No grid, an empty or unbounded area, or no function is refused.
    const auto g = [](double x, double y) { return x * x + y * y - 1; };
    EXPECT_THROW(gaussbound::zeroSet(g, {-2, 2, -2, 2}, 0), std::invalid_argument);
    EXPECT_THROW(gaussbound::zeroSet(g, {2, -2, -2, 2}, 8), std::invalid_argument);
    EXPECT_THROW(gaussbound::zeroSet(g, {-2, 2, -2, NAN}, 8), std::invalid_argument);
    EXPECT_THROW(gaussbound::zeroSet({}, {-2, 2, -2, 2}, 8), std::invalid_argument);
}

TEST(ScatterFigure, ShowsTheChosenCoordinatesOfEveryPointInsideItsRanges)
{
    const Model m = model3();
    const Samples s = samplesOf(m, 60, 40);
    const Figure f = gaussbound::scatterFigure(s.class1, s.class2, m, 2, 0, s.wrong1, s.wrong2,
                                               {"title", "sub", {"one", "two"}});
    EXPECT_EQ(f.title, "title");
    EXPECT_EQ(f.subtitle, "sub");
    EXPECT_EQ(f.caption, (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(f.xLabel, "x₃");
    EXPECT_EQ(f.yLabel, "x₁");
    // Class series, ellipses and the ring; no boundary outside the plane.
    ASSERT_EQ(f.series.size(), 3u);
    EXPECT_EQ(labelled(f, "decision"), nullptr);
    const Series* one = labelled(f, "class 1 (60 points)");
    const Series* two = labelled(f, "class 2 (40 points)");
    ASSERT_TRUE(one && two);
    EXPECT_EQ(one->marker, Marker::Circle);
    EXPECT_EQ(two->marker, Marker::Square);
    for (Eigen::Index k = 0; k < 60; ++k) {
        EXPECT_EQ(one->x[static_cast<size_t>(k)], s.class1(k, 2));
        EXPECT_EQ(one->y[static_cast<size_t>(k)], s.class1(k, 0));
    }
    EXPECT_EQ(two->x.size(), 40u);
    // Each class's two ellipses are centred on its mean in these coordinates.
    ASSERT_EQ(f.ellipses.size(), 4u);
    EXPECT_EQ(f.ellipses[2].cx, 5.0);
    EXPECT_EQ(f.ellipses[2].cy, 1.0);
    EXPECT_GT(f.ellipses[1].a, f.ellipses[0].a);
    // The ring holds exactly the rows the rule misclassifies.
    const Series* wrong = labelled(f, "misclassified");
    ASSERT_TRUE(wrong);
    EXPECT_EQ(wrong->marker, Marker::Ring);
    ASSERT_EQ(wrong->x.size(), s.wrong1.size() + s.wrong2.size());
    EXPECT_EQ(wrong->label, "misclassified (" + std::to_string(wrong->x.size()) + ")");
    if (!s.wrong1.empty()) {
        EXPECT_EQ(wrong->x[0], s.class1(s.wrong1[0], 2));
        EXPECT_EQ(wrong->y[0], s.class1(s.wrong1[0], 0));
    }
    expectInsideRanges(f);
}

TEST(ScatterFigure, InThePlaneTheBoundaryIsWhereTheDiscriminantVanishes)
{
    const Model m = model2();
    const Samples s = samplesOf(m, 300, 300);
    const Figure f = gaussbound::scatterFigure(s.class1, s.class2, m, 0, 1, s.wrong1, s.wrong2, {});
    const Series* boundary = labelled(f, "decision boundary");
    ASSERT_TRUE(boundary);
    EXPECT_EQ(&f.series.front(), boundary);  // drawn first, under the points
    const gaussbound::QuadraticRule rule(m);
    size_t points = 0;
    for (size_t i = 0; i < boundary->x.size(); ++i)
        if (!std::isnan(boundary->x[i])) {
            ++points;
            // Within a grid cell of g = 0: |g| small against its gradient's scale.
            EXPECT_NEAR(rule.discriminant(Eigen::Vector2d(boundary->x[i], boundary->y[i])), 0.0, 0.05);
        }
    EXPECT_GT(points, 50u);
    EXPECT_TRUE(std::isnan(boundary->x.back()));  // each curve ends in a break
    expectInsideRanges(f);
    // With a few points the ellipses reach beyond them, and the ranges hold them too.
    const Samples few = samplesOf(m, 3, 3);
    expectInsideRanges(gaussbound::scatterFigure(few.class1, few.class2, m, 0, 1, few.wrong1, few.wrong2, {}));
}

TEST(ScatterFigure, RefusesAxesAndRowsThatAreNotThere)
{
    const Model m = model3();
    const Samples s = samplesOf(m, 10, 10);
    const auto figure = [&](Eigen::Index x, Eigen::Index y, std::vector<Eigen::Index> wrong1) {
        return gaussbound::scatterFigure(s.class1, s.class2, m, x, y, wrong1, {}, {});
    };
    EXPECT_THROW(figure(0, 3, {}), std::invalid_argument);
    EXPECT_THROW(figure(-1, 1, {}), std::invalid_argument);
    EXPECT_THROW(figure(1, 1, {}), std::invalid_argument);
    EXPECT_THROW(figure(0, 1, {10}), std::invalid_argument);
    EXPECT_NO_THROW(figure(0, 1, {9}));
    const Model one = model1(0, 1, 1, 2);
    const Samples line = samplesOf(one, 5, 5);
    EXPECT_THROW(gaussbound::scatterFigure(line.class1, line.class2, one, 0, 0, {}, {}, {}), std::invalid_argument);
    // Points of another dimension than the model's.
    EXPECT_THROW(gaussbound::scatterFigure(line.class1, line.class2, m, 0, 1, {}, {}, {}), std::invalid_argument);
}

TEST(DecisionThresholds, AreWhereTheRuleChangesClass)
{
    const struct {
        Model m;
        size_t count;
    } cases[] = {
        {model1(0, 1, 1, 2), 2},          // unequal variances: two thresholds
        {model1(0, 3, 1, 1), 1},          // equal variances: one, halfway
        {model1(-1, 2, 0.5, 0.5, 0.2), 1},  // equal variances, unequal priors: off the midpoint
        {model1(0, 0, 1, 1, 0.3), 0},     // the same classes: class 2 everywhere
        {model1(0, 1e-3, 1, 1e4, 0.5), 2},
    };
    for (const auto& c : cases) {
        const std::vector<double> t = gaussbound::decisionThresholds(c.m);
        const gaussbound::QuadraticRule rule(c.m);
        const auto g = [&rule](double x) { return rule.discriminant(Eigen::VectorXd::Constant(1, x)); };
        ASSERT_EQ(t.size(), c.count) << c.m.mu2(0);
        for (size_t i = 0; i < t.size(); ++i) {
            const double step = 1e-6 * (1 + std::fabs(t[i]));
            EXPECT_LT(g(t[i] - step) * g(t[i] + step), 0) << t[i];
            if (i > 0) {
                EXPECT_LT(t[i - 1], t[i]);
            }
        }
        // And nowhere else: the sign is constant between and beyond them.
        std::vector<double> ends = {-1e3};
        ends.insert(ends.end(), t.begin(), t.end());
        ends.push_back(1e3);
        for (size_t i = 0; i + 1 < ends.size(); ++i) {
            const double a = ends[i] + 1e-4 * (1 + std::fabs(ends[i])), b = ends[i + 1] - 1e-4 * (1 + std::fabs(ends[i + 1]));
            for (int k = 1; k < 50; ++k)
                EXPECT_EQ(g(a) >= 0, g(a + (b - a) * k / 50) >= 0) << a << " " << b;
        }
    }
    EXPECT_NEAR(gaussbound::decisionThresholds(model1(0, 3, 1, 1))[0], 1.5, 1e-15);
    EXPECT_THROW(gaussbound::decisionThresholds(model2()), std::invalid_argument);
}

TEST(StripFigure, DrawsOneCoordinateWithDensitiesThresholdsAndBands)
{
    const Model m = model1(0, 1, 1, 4, 0.6);
    const Samples s = samplesOf(m, 150, 100);
    const Figure f = gaussbound::stripFigure(s.class1, s.class2, m, s.wrong1, s.wrong2, {"t", "s", {"c"}});
    EXPECT_EQ(f.title, "t");
    EXPECT_EQ(f.caption, std::vector<std::string>{"c"});
    EXPECT_EQ(f.xLabel, "x₁");
    EXPECT_TRUE(f.ellipses.empty());
    expectInsideRanges(f);

    // The thresholds: vertical lines across the whole height, at the rule's roots.
    const Series* lines = labelled(f, "decision threshold");
    ASSERT_TRUE(lines);
    std::vector<double> drawn;
    for (size_t i = 0; i < lines->x.size(); i += 3) {
        EXPECT_EQ(lines->x[i], lines->x[i + 1]);
        EXPECT_EQ(lines->y[i], f.yRange->first);
        EXPECT_EQ(lines->y[i + 1], f.yRange->second);
        EXPECT_TRUE(std::isnan(lines->x[i + 2]));
        drawn.push_back(lines->x[i]);
    }
    EXPECT_EQ(drawn, gaussbound::decisionThresholds(m));
    EXPECT_EQ(drawn.size(), 2u);  // both inside 3 standard deviations here

    // Each density curve integrates to its class's prior over the range.
    for (const auto& [label, prior] : {std::pair{"P₁ p₁(x)", 0.6}, std::pair{"P₂ p₂(x)", 0.4}}) {
        const Series* curve = labelled(f, label);
        ASSERT_TRUE(curve) << label;
        double area = 0;
        for (size_t i = 1; i < curve->x.size(); ++i) {
            EXPECT_GE(curve->y[i], 0.0);
            area += (curve->x[i] - curve->x[i - 1]) * (curve->y[i] + curve->y[i - 1]) / 2;
        }
        EXPECT_NEAR(area, prior, 0.01 * prior) << label;
    }

    // The points: x their coordinate, y within their class's band below 0,
    // class 1's band above class 2's.
    const Series* one = labelled(f, "class 1 (150 points)");
    const Series* two = labelled(f, "class 2 (100 points)");
    ASSERT_TRUE(one && two);
    double lowestOne = 0, highestTwo = -INFINITY;
    for (Eigen::Index k = 0; k < 150; ++k) {
        EXPECT_EQ(one->x[static_cast<size_t>(k)], s.class1(k, 0));
        EXPECT_LT(one->y[static_cast<size_t>(k)], 0.0);
        lowestOne = std::min(lowestOne, one->y[static_cast<size_t>(k)]);
    }
    for (double y : two->y)
        highestTwo = std::max(highestTwo, y);
    EXPECT_LT(highestTwo, lowestOne);
    // The points spread over their band rather than on one line.
    EXPECT_GT(std::set<double>(one->y.begin(), one->y.end()).size(), 100u);

    // Ringed: the misclassified points where they are drawn.
    const Series* wrong = labelled(f, "misclassified");
    ASSERT_TRUE(wrong);
    ASSERT_EQ(wrong->x.size(), s.wrong1.size() + s.wrong2.size());
    ASSERT_FALSE(s.wrong2.empty());
    const size_t at = s.wrong1.size();
    EXPECT_EQ(wrong->x[at], two->x[static_cast<size_t>(s.wrong2[0])]);
    EXPECT_EQ(wrong->y[at], two->y[static_cast<size_t>(s.wrong2[0])]);

    // The same input gives the same figure.
    const Figure again = gaussbound::stripFigure(s.class1, s.class2, m, s.wrong1, s.wrong2, {"t", "s", {"c"}});
    for (const char* label : {"class 1", "class 2", "misclassified"})
        EXPECT_EQ(labelled(again, label)->y, labelled(f, label)->y) << label;

    EXPECT_THROW(gaussbound::stripFigure(s.class1, s.class2, model2(), {}, {}, {}), std::invalid_argument);
    EXPECT_THROW(gaussbound::stripFigure(s.class1, s.class2, m, {}, {100}, {}), std::invalid_argument);
}

TEST(FitAndDrawFigures, NameFilesByTheirLastComponentAndChooseTheFigureByDimension)
{
    const Model plane = model2();
    const Samples s = samplesOf(plane, 80, 80);
    const gaussbound::Figures g = figuresOf(plane);
    gaussbound::SampleFit sampleFit{plane, g, s, 3, std::nullopt, {}, {}};
    const Figure fit = gaussbound::fitFigure(sampleFit, "a/b/s1.csv", "/home/x/s2.csv", 0, 1);
    EXPECT_EQ(fit.subtitle.rfind("s1.csv and s2.csv; ", 0), 0u) << fit.subtitle;
    EXPECT_EQ(fit.subtitle.find('/'), std::string::npos);
    EXPECT_EQ(fit.ellipses.size(), 4u);
    ASSERT_EQ(fit.caption.size(), 2u);
    EXPECT_NE(fit.caption[1].find("leave-one-out 0.01875"), std::string::npos) << fit.caption[1];
    sampleFit.leaveOneOut = 161;
    EXPECT_THROW(gaussbound::fitFigure(sampleFit, "a", "b", 0, 1), std::invalid_argument);
    sampleFit.leaveOneOut.reset();
    const Figure noLeaveOneOut = gaussbound::fitFigure(sampleFit, "standard input", "b.csv", 1, 0);
    EXPECT_EQ(noLeaveOneOut.subtitle.rfind("standard input and b.csv; ", 0), 0u);
    EXPECT_EQ(noLeaveOneOut.caption[1].find("leave-one-out"), std::string::npos);
    EXPECT_EQ(noLeaveOneOut.xLabel, "x₂");

    const Figure draw = gaussbound::drawFigure(plane, g, s);
    EXPECT_EQ(draw.title, "Samples of two normal classes");
    ASSERT_EQ(draw.caption.size(), 2u);
    const std::string count = " (" + std::to_string(s.wrong1.size() + s.wrong2.size()) + " of 160; ";
    EXPECT_NE(draw.caption[1].find(count), std::string::npos) << draw.caption[1];

    // One coordinate: the strip figure, for fit and draw alike.
    const Model line = model1(0, 2, 1, 0.5);
    const Samples l = samplesOf(line, 30, 30);
    const gaussbound::Figures h = figuresOf(line);
    for (const Figure& f : {gaussbound::fitFigure({line, h, l, std::nullopt, std::nullopt, {}, {}}, "dir/one.csv", "two.csv", 0, 1),
                            gaussbound::drawFigure(line, h, l)}) {
        EXPECT_TRUE(f.ellipses.empty()) << f.title;
        EXPECT_TRUE(labelled(f, "decision threshold")) << f.title;
        EXPECT_TRUE(labelled(f, "P₁ p₁(x)")) << f.title;
        EXPECT_EQ(f.caption.size(), 2u);
        EXPECT_EQ((f.subtitle + f.caption[0]).find("ellipses"), std::string::npos) << f.title;
        expectInsideRanges(f);
    }
}

TEST(SweepFigure, DrawsTheFourCurvesAndTheModelsOwnPoint)
{
    const Model m = model2();
    const gaussbound::SweepParameter separation{gaussbound::SweepParameter::Kind::Separation};
    const std::vector<double> values = gaussbound::sweepValues(0.1, 10, 9, true);
    const std::vector<gaussbound::Figures> rows = gaussbound::sweepFigures(m, separation, values, 1);
    const Figure f = gaussbound::sweepFigure(m, "separation", separation, values, true, rows, std::nullopt);
    EXPECT_EQ(f.title, "Bayes error and its bounds against separation");
    EXPECT_EQ(f.xLabel, "t (logarithmic scale, log₁₀ t shown): μ2 replaced by μ1 + t(μ2 − μ1)");
    EXPECT_EQ(f.xSymbol, "log₁₀ t");
    ASSERT_EQ(f.series.size(), 5u);  // the model's own t = 1 is inside [0.1, 10]
    for (size_t c = 0; c < 4; ++c) {
        ASSERT_EQ(f.series[c].x.size(), values.size());
        EXPECT_EQ(f.series[c].x.front(), -1.0);
        EXPECT_EQ(f.series[c].x.back(), 1.0);
    }
    EXPECT_EQ(f.series[3].label, "Bayes error");
    for (size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(f.series[3].y[i], rows[i].bayes.value);
        EXPECT_EQ(f.series[0].y[i], rows[i].optimum.errorBound);
        EXPECT_LE(f.series[3].y[i], f.series[0].y[i]);
    }
    const Series& own = f.series[4];
    EXPECT_EQ(own.x, std::vector<double>(4, 0.0));
    EXPECT_EQ(own.y[3], figuresOf(m).bayes.value);
    EXPECT_EQ(own.label, "the model given, t = 1");
    EXPECT_EQ(f.logY, gaussbound::spansDecades(f.series));
    EXPECT_TRUE(f.logY);  // from 0.1 to 10 apart the errors span many decades

    // A range without the model's t, and the y axis as asked.
    const gaussbound::SweepParameter prior{gaussbound::SweepParameter::Kind::Prior1};
    const std::vector<double> p = gaussbound::sweepValues(0.5, 0.9, 5, false);
    const Figure g = gaussbound::sweepFigure(m, "prior1", prior, p, false, gaussbound::sweepFigures(m, prior, p, 1),
                                             true);
    EXPECT_EQ(g.series.size(), 4u);
    EXPECT_TRUE(g.logY);
    EXPECT_EQ(g.xLabel, "t = P1, P2 = 1 − t");
    EXPECT_EQ(g.series[0].x, p);

    EXPECT_THROW(gaussbound::sweepFigure(m, "prior1", prior, p, false, {}, std::nullopt), std::invalid_argument);
    EXPECT_THROW(gaussbound::sweepFigure(m, "prior1", prior, {-1, 1}, true, {rows[0], rows[1]}, std::nullopt),
                 std::invalid_argument);
}

TEST(SweepFigure, LabelsEachParameterAndSpansDecadesOnlyOverTwo)
{
    using Kind = gaussbound::SweepParameter::Kind;
    EXPECT_EQ(gaussbound::sweepAxisLabel({Kind::Scale, 2}, false), "t: Σ2 times t");
    EXPECT_EQ(gaussbound::sweepAxisLabel({Kind::Correlation, 1}, false), "t = the correlation of class 1");
    EXPECT_EQ(gaussbound::sweepAxisLabel({Kind::Mean, 2, 3}, false), "t = coordinate 3 of μ2");
    EXPECT_EQ(gaussbound::sweepAxisLabel({Kind::Covariance, 1, 1, 2}, false), "t = entry (1, 2) of Σ1");
    const auto series = [](std::vector<double> y) {
        Series s;
        s.y = std::move(y);
        return std::vector<Series>{s};
    };
    EXPECT_FALSE(gaussbound::spansDecades(series({0.01, 0.5, 1.0})));  // exactly two decades
    EXPECT_TRUE(gaussbound::spansDecades(series({0.0099, 1.0})));
    EXPECT_FALSE(gaussbound::spansDecades(series({0.0, -5, NAN, INFINITY, 0.3})));  // one positive value
}

TEST(FigureJson, DescribesEveryPartOfTheFigure)
{
    const Model m = model2();
    const Samples s = samplesOf(m, 40, 30);
    Figure f = gaussbound::scatterFigure(s.class1, s.class2, m, 0, 1, s.wrong1, s.wrong2, {"T", "S", {"a", "b"}});
    f.ellipses[0].fill = gaussbound::Colour{0.1, 0.2, 0.3, 0.4};
    const nlohmann::ordered_json j = gaussbound::figureJson(f);
    std::vector<std::string> keys;
    for (const auto& item : j.items())
        keys.push_back(item.key());
    EXPECT_EQ(keys, (std::vector<std::string>{"title", "subtitle", "x_label", "y_label", "x_symbol", "y_symbol",
                                              "log_y", "x_range", "y_range", "series", "ellipses", "raster",
                                              "labels", "caption"}));
    EXPECT_EQ(j["title"], f.title);
    EXPECT_EQ(j["x_label"], f.xLabel);
    EXPECT_EQ(j["log_y"], f.logY);
    EXPECT_EQ(j["x_range"][0], f.xRange->first);
    EXPECT_EQ(j["y_range"][1], f.yRange->second);
    EXPECT_EQ(j["caption"], f.caption);
    ASSERT_EQ(j["series"].size(), f.series.size());
    size_t breaks = 0;
    for (size_t i = 0; i < f.series.size(); ++i) {
        const Series& s = f.series[i];
        const auto& js = j["series"][i];
        EXPECT_EQ(js["label"], s.label);
        EXPECT_EQ(js["line_width"], s.lineWidth);
        EXPECT_EQ(js["marker_size"], s.markerSize);
        EXPECT_EQ(js["colour"], (std::vector<double>{s.colour.r, s.colour.g, s.colour.b, s.colour.a}));
        const char* const names[] = {"none", "circle", "square", "ring"};
        EXPECT_EQ(js["marker"], names[static_cast<int>(s.marker)]);
        ASSERT_EQ(js["x"].size(), s.x.size());
        for (size_t k = 0; k < s.x.size(); ++k) {
            if (std::isnan(s.x[k])) {
                EXPECT_TRUE(js["x"][k].is_null());
                ++breaks;
            } else {
                EXPECT_EQ(js["x"][k], s.x[k]);
                EXPECT_EQ(js["y"][k], s.y[k]);
            }
        }
    }
    EXPECT_GT(breaks, 0u);  // the boundary's breaks are there, as nulls
    ASSERT_EQ(j["ellipses"].size(), f.ellipses.size());
    EXPECT_EQ(j["ellipses"][1]["cx"], f.ellipses[1].cx);
    EXPECT_EQ(j["ellipses"][1]["angle"], f.ellipses[1].angle);
    EXPECT_EQ(j["ellipses"][1]["line_width"], f.ellipses[1].lineWidth);
    EXPECT_TRUE(j["ellipses"][1]["fill"].is_null());
    EXPECT_EQ(j["ellipses"][0]["fill"], (std::vector<double>{0.1, 0.2, 0.3, 0.4}));
    // The text parses back as the same object, and a figure without ranges has null ones.
    EXPECT_EQ(nlohmann::ordered_json::parse(j.dump()), j);
    const nlohmann::ordered_json empty = gaussbound::figureJson(Figure{});
    EXPECT_TRUE(empty["x_range"].is_null());
    EXPECT_TRUE(empty["series"].is_array() && empty["series"].empty());
}

// ---------------------------------------------------------------------------
// Ticks and plot formats

using gaussbound::niceTicks;

TEST(Ticks, AreNiceNumbersOverTheRange)
{
    const auto near = [](const std::vector<double>& got, const std::vector<double>& want) {
        ASSERT_EQ(got.size(), want.size());
        for (size_t i = 0; i < got.size(); ++i)
            EXPECT_NEAR(got[i], want[i], 1e-12 * (1 + std::fabs(want[i]))) << i;
    };
    near(niceTicks(0, 1), {0, 0.2, 0.4, 0.6, 0.8, 1});
    near(niceTicks(0, 0.87), {0, 0.2, 0.4, 0.6, 0.8});
    near(niceTicks(-1, 1), {-1, -0.5, 0, 0.5, 1});
    near(niceTicks(3, 97), {20, 40, 60, 80});
    near(niceTicks(0.0012, 0.0049), {0.002, 0.003, 0.004});
    near(niceTicks(-250, 1250), {0, 500, 1000});
    // Each tick is the double nearest its decimal value, not a sum of steps.
    EXPECT_EQ(niceTicks(0, 1)[3], 0.6);
    EXPECT_EQ(niceTicks(0, 0.35, 7)[3], 0.15);
}

namespace {

// A label read back as a number: true minus signs become '-'.
double labelValue(std::string label)
{
    for (size_t at; (at = label.find("\u2212")) != std::string::npos;)
        label.replace(at, 3, "-");
    size_t used = 0;
    const double v = std::stod(label, &used);
    EXPECT_EQ(used, label.size()) << label;
    return v;
}

}  // namespace

TEST(Ticks, NarrowRangesFarFromZeroGetAnOffsetAndTinyOnesAFactor)
{
    using gaussbound::axisTicks;
    using gaussbound::axisTitle;
    // The scatter of points 10^15 from zero, 0.75 wide.
    const gaussbound::AxisTicks far = axisTicks(1e15 - 0.3, 1e15 + 0.45);
    EXPECT_EQ(far.offset, 1e15);
    EXPECT_EQ(far.offsetText, "10^{15}");
    EXPECT_EQ(far.exponent, 0);
    EXPECT_EQ(far.labels, (std::vector<std::string>{"\u22120.2", "0", "0.2", "0.4"}));
    EXPECT_EQ(axisTitle("x₁", "", far), "x₁ \u2212 10^{15}");
    // Where every tick used to read 3e+14.
    const gaussbound::AxisTicks negative = axisTicks(-3e14 - 0.25, -3e14 + 0.25);
    EXPECT_EQ(negative.offset, -3e14);
    EXPECT_EQ(axisTitle("x₁", "", negative), "x₁ + 3\u00d710^{14}");
    // A sweep from 1 to 1 + 10^-15: an offset and a common factor.
    const gaussbound::AxisTicks both = axisTicks(1, 1.000000000000001);
    EXPECT_EQ(both.offset, 1);
    EXPECT_EQ(both.exponent, -15);
    EXPECT_EQ(both.labels, (std::vector<std::string>{"0", "0.2", "0.4", "0.6", "0.8", "1"}));
    EXPECT_EQ(axisTitle("t: the prior", "t", both), "t: the prior; ticks: (t \u2212 1) / 10^{\u221215}");
    // Tiny numbers near zero: a factor only; and ordinary ranges: neither.
    const gaussbound::AxisTicks tiny = axisTicks(0, 3e-20);
    EXPECT_EQ(tiny.offsetText, "");
    EXPECT_EQ(tiny.exponent, -20);
    EXPECT_EQ(tiny.labels.back(), "3");
    EXPECT_EQ(axisTitle("β", "", axisTicks(0, 1)), "β");
    EXPECT_EQ(axisTicks(0, 1).labels, (std::vector<std::string>{"0", "0.2", "0.4", "0.6", "0.8", "1"}));
    EXPECT_EQ(axisTicks(-250, 1250).labels, (std::vector<std::string>{"0", "500", "1000"}));
    EXPECT_EQ(axisTicks(99990, 100010).labels.back(), "100010");
    // A range that is not one is refused.
    EXPECT_THROW(axisTicks(1, 1), std::invalid_argument);
    EXPECT_THROW(axisTicks(0, INFINITY), std::invalid_argument);
    EXPECT_THROW(axisTicks(0, 1, 1), std::invalid_argument);
}

TEST(Ticks, AreFewDistinctAndReadBackAsTheirValuesForAnyFiniteRange)
{
    // Ranges of every width at every distance from zero, the extremes included.
    std::vector<std::pair<double, double>> ranges = {
        {-1.7976931348623157e308, 1.7976931348623157e308}, {0, 5e-324}, {-5e-324, 5e-324},
        {1e308, 1.7976931348623157e308}, {1e15, std::nextafter(1e15, 2e15)}, {-1, std::nextafter(-1.0, 0.0)}};
    std::mt19937_64 random(5);
    std::uniform_real_distribution<double> exponent(-300, 300), unit(-1, 1);
    for (int i = 0; i < 3000; ++i) {
        const double centre = unit(random) * std::pow(10.0, exponent(random));
        const double width = std::fabs(centre) * std::pow(10.0, -16 * std::fabs(unit(random)) - 0.01) +
                             std::pow(10.0, exponent(random));
        ranges.push_back({centre - width / 2, centre + width / 2});
    }
    for (const auto& [lo, hi] : ranges) {
        if (!(lo < hi) || !std::isfinite(hi - lo / 2))
            continue;
        for (const bool cover : {false, true}) {
            const gaussbound::AxisTicks t = gaussbound::axisTicks(lo, hi, 6, cover);
            SCOPED_TRACE(testing::Message() << std::setprecision(17) << lo << " to " << hi << (cover ? ", covered" : ""));
            ASSERT_GE(t.at.size(), 2u);
            ASSERT_LE(t.at.size(), 17u);
            ASSERT_EQ(t.labels.size(), t.at.size());
            EXPECT_EQ(std::set<std::string>(t.labels.begin(), t.labels.end()).size(), t.labels.size());
            const double step = t.at[1] - t.at[0];
            for (size_t k = 0; k < t.at.size(); ++k) {
                EXPECT_LE(t.labels[k].size(), 12u) << t.labels[k];
                // Ticks of a range a few subnormals wide are as near as the
                // rounding of its ends goes.
                const double tolerance =
                    1e-6 * step + (step < 1e-290 ? 1e-15 * std::max(std::fabs(lo), std::fabs(hi)) + 1e-322 : 0);
                if (k > 0) {
                    EXPECT_NEAR(t.at[k] - t.at[k - 1], step, tolerance);
                }
                // The label is the tick's value less the offset, over 10^exponent.
                const long double shown = labelValue(t.labels[k]) * std::pow(10.0L, t.exponent);
                EXPECT_NEAR(static_cast<double>(shown), t.at[k], tolerance) << t.labels[k] << " e" << t.exponent;
                if (!cover) {
                    EXPECT_GE(t.at[k], (lo - t.offset) - tolerance);
                    EXPECT_LE(t.at[k], (hi - t.offset) + tolerance);
                }
            }
            if (cover && std::isfinite(t.at.back() + 2 * step)) {
                EXPECT_LE(t.at.front(), (lo - t.offset) + 1e-6 * step + 1e-322);
                EXPECT_GE(t.at.back(), (hi - t.offset) - 1e-6 * step - 1e-322);
            } else if (cover) {  // the next tick would be beyond the largest double
                EXPECT_GT(hi, 1e308);
            }
        }
    }
}

TEST(PlotFormats, FollowTheExtension)
{
    using gaussbound::Format;
    EXPECT_EQ(gaussbound::formatFor("a.png"), Format::Png);
    EXPECT_EQ(gaussbound::formatFor("dir.v2/a.SVG"), Format::Svg);
    EXPECT_EQ(gaussbound::formatFor("a.Pdf"), Format::Pdf);
    EXPECT_FALSE(gaussbound::formatFor("a.jpg"));
    EXPECT_FALSE(gaussbound::formatFor("dir.png/a"));
    EXPECT_FALSE(gaussbound::formatFor("png"));
}
