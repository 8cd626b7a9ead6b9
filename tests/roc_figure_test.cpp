// Tests of the ROC figure as data: which series it holds and where their
// points lie, and the zROC held to the closed form of classes of equal
// covariances, z_H = z_F + d', and in one dimension to each threshold's own
// z values, far into the tails where F or H rounds to 0 or 1.
#include <cmath>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include <gaussbound/RocFigure.h>
#include <gaussbound/RocTable.h>
#include <gaussbound/Rule.h>
#include <gaussbound/Text.h>

namespace {

using gaussbound::Figure;
using gaussbound::Marker;
using gaussbound::RocCurve;
using gaussbound::RocPoint;
using gaussbound::Series;

// N(0, 1) against N(d, 1): g(x) = d x - d^2 / 2 > t where x > t / d + d / 2,
// so Phi^-1(F(t)) = -(t / d + d / 2) and Phi^-1(H(t)) = d / 2 - t / d.
gaussbound::Model line(double d)
{
    gaussbound::Model m;
    m.mu1 = Eigen::VectorXd::Constant(1, 0.0);
    m.mu2 = Eigen::VectorXd::Constant(1, d);
    m.sigma1 = m.sigma2 = Eigen::MatrixXd::Identity(1, 1);
    return m;
}

// Two classes of one covariance in the plane, d' = sqrt(delta^T Sigma^-1 delta).
gaussbound::Model plane(const Eigen::Vector2d& delta, const Eigen::Matrix2d& sigma, double prior1)
{
    gaussbound::Model m;
    m.mu1 = Eigen::Vector2d(0.5, -1);
    m.mu2 = m.mu1 + delta;
    m.sigma1 = m.sigma2 = sigma;
    m.prior1 = prior1;
    m.prior2 = 1 - prior1;
    return m;
}

RocCurve likelihoodCurve(const gaussbound::Model& m, double spacing = 0.01)
{
    return gaussbound::rocCurve(m, gaussbound::logLikelihoodRatio(m), gaussbound::bayesThreshold(m), spacing);
}

const Series* labelled(const Figure& f, const std::string& start)
{
    for (const Series& s : f.series)
        if (s.label.rfind(start, 0) == 0)
            return &s;
    return nullptr;
}

}  // namespace

TEST(RocFigure, HoldsTheChanceLineTheCurveWithItsAucAndTheOperatingPoint)
{
    const gaussbound::Model m = plane({1, 0.5}, (Eigen::Matrix2d() << 1, 0.3, 0.3, 2).finished(), 0.3);
    const RocCurve lr = likelihoodCurve(m);
    gaussbound::Discriminant g{Eigen::MatrixXd::Zero(2, 2), Eigen::Vector2d(1, 0), -1.0};  // x1 > 1
    const RocCurve rule = gaussbound::rocCurve(m, g, 0.0, 0.02);
    const Figure f = gaussbound::rocFigure(lr, &rule, false, "the subtitle");
    EXPECT_EQ(f.subtitle, "the subtitle");
    ASSERT_TRUE(f.xRange && f.yRange);
    EXPECT_EQ(*f.xRange, std::make_pair(0.0, 1.0));
    EXPECT_EQ(*f.yRange, std::make_pair(0.0, 1.0));
    ASSERT_EQ(f.series.size(), 5u);

    const Series* chance = labelled(f, "chance");
    ASSERT_TRUE(chance);
    EXPECT_EQ(chance->x, std::vector<double>({0, 1}));
    EXPECT_EQ(chance->y, std::vector<double>({0, 1}));

    // Each curve: every point, F across and H up, in order.
    for (const auto& [name, c] : {std::pair{"likelihood ratio, AUC = ", &lr}, std::pair{"rule, AUC = ", &rule}}) {
        const Series* s = labelled(f, name);
        ASSERT_TRUE(s) << name;
        EXPECT_EQ(s->label, name + gaussbound::sig6(c->auc.value));
        ASSERT_EQ(s->x.size(), c->points.size());
        ASSERT_EQ(s->y.size(), c->points.size());
        for (size_t i = 0; i < c->points.size(); ++i) {
            EXPECT_EQ(s->x[i], c->points[i].falseAlarm) << name << i;
            EXPECT_EQ(s->y[i], c->points[i].hit) << name << i;
        }
        EXPECT_GT(s->lineWidth, 0);
    }
    // The operating points, markers alone at their (F, H).
    const Series* bayes = labelled(f, "Bayes rule's operating point");
    const Series* own = labelled(f, "the rule's own point");
    ASSERT_TRUE(bayes && own);
    for (const auto& [s, p] : {std::pair{bayes, lr.operatingPoint}, std::pair{own, rule.operatingPoint}}) {
        EXPECT_EQ(s->x, std::vector<double>{p.falseAlarm}) << s->label;
        EXPECT_EQ(s->y, std::vector<double>{p.hit}) << s->label;
        EXPECT_NE(s->marker, Marker::None);
        EXPECT_EQ(s->lineWidth, 0);
        EXPECT_NE(s->label.find("F = " + gaussbound::sig6(p.falseAlarm)), std::string::npos) << s->label;
    }
    // The rule's own point is where it decides, g > 0: x1 > 1 under N(mu1, Sigma1).
    EXPECT_NEAR(own->x[0], 0.5 * std::erfc(0.5 / std::sqrt(2.0)), 1e-13);

    // Without a rule: the chance line, the curve and the Bayes point.
    const Figure alone = gaussbound::rocFigure(lr, nullptr, false, "");
    EXPECT_EQ(alone.series.size(), 3u);
    EXPECT_FALSE(labelled(alone, "rule"));
}

TEST(RocFigure, TheZRocOfEqualCovariancesIsTheLineOfSlopeOneAtHeightDPrime)
{
    const Eigen::Vector2d delta(1.5, -0.5);
    const Eigen::Matrix2d sigma = (Eigen::Matrix2d() << 2, 0.6, 0.6, 1).finished();
    // Sigma^-1 of a 2 x 2 matrix by its adjugate.
    const Eigen::Matrix2d inverse = (Eigen::Matrix2d() << 1, -0.6, -0.6, 2).finished() / (2 - 0.36);
    const double dPrime = std::sqrt(delta.dot(inverse * delta));
    const gaussbound::Model m = plane(delta, sigma, 0.5);
    const RocCurve lr = likelihoodCurve(m);
    const Figure f = gaussbound::rocFigure(lr, nullptr, true, "");
    EXPECT_FALSE(f.xRange || f.yRange);
    const Series* s = labelled(f, "likelihood ratio");
    ASSERT_TRUE(s);
    // The two ends lie at infinity and are left out; every other point stays.
    ASSERT_EQ(s->x.size(), lr.points.size() - 2);
    for (size_t i = 0; i < s->x.size(); ++i) {
        ASSERT_TRUE(std::isfinite(s->x[i]) && std::isfinite(s->y[i])) << i;
        EXPECT_NEAR(s->y[i], s->x[i] + dPrime, 1e-9) << "at z_F = " << s->x[i];
    }
    // The chance line z_H = z_F spans the points.
    const Series* chance = labelled(f, "chance");
    ASSERT_TRUE(chance);
    ASSERT_EQ(chance->x.size(), 2u);
    EXPECT_EQ(chance->x, chance->y);
    EXPECT_LE(chance->x[0], s->x.front());
    EXPECT_GE(chance->x[1], s->y.back());
    // The Bayes point at equal priors, t = 0, is (-d'/2, d'/2).
    const Series* bayes = labelled(f, "Bayes rule's operating point");
    ASSERT_TRUE(bayes);
    EXPECT_NEAR(bayes->x[0], -dPrime / 2, 1e-9);
    EXPECT_NEAR(bayes->y[0], dPrime / 2, 1e-9);
}

TEST(RocFigure, TheZRocKeepsEachPointsPlaceWhereFOrHRoundsToZeroOrOne)
{
    // In one dimension each point's z values follow from its threshold
    // alone. With d = 9 the curve's ends reach F and 1 - H far below 1e-16,
    // where H and 1 - F are 1 as doubles.
    const double d = 9;
    const RocCurve lr = likelihoodCurve(line(d), 0.02);
    const Figure f = gaussbound::rocFigure(lr, nullptr, true, "");
    const Series* s = labelled(f, "likelihood ratio");
    ASSERT_TRUE(s);
    ASSERT_EQ(s->x.size(), lr.points.size() - 2);
    size_t rounded = 0;
    for (size_t i = 0; i < s->x.size(); ++i) {
        const RocPoint& p = lr.points[i + 1];
        const double zF = -(p.threshold / d + d / 2), zH = d / 2 - p.threshold / d;
        EXPECT_NEAR(s->x[i], zF, 1e-9 * std::fmax(1, std::fabs(zF))) << "t = " << p.threshold;
        EXPECT_NEAR(s->y[i], zH, 1e-9 * std::fmax(1, std::fabs(zH))) << "t = " << p.threshold;
        rounded += p.hit == 1.0 || p.falseAlarm == 1.0;
    }
    EXPECT_GT(rounded, 0u);

    // The Bayes point of d = 60, t = 0 at equal priors: F = Phi(-30), about 5e-198, and H = 1 as a double.
    const RocPoint far = likelihoodCurve(line(60), 0.5).operatingPoint;
    ASSERT_EQ(far.hit, 1.0);
    const auto [zF, zH] = gaussbound::zCoordinates(far);
    EXPECT_NEAR(zF, -30, 1e-9 * 30);
    EXPECT_NEAR(zH, 30, 1e-9 * 30);
}

TEST(RocFigure, DoorsRefuseWhatTheyCannotRead)
{
    const RocCurve good = likelihoodCurve(line(1));
    RocCurve empty = good;
    empty.points.clear();
    EXPECT_THROW(gaussbound::rocFigure(empty, nullptr, false, ""), std::invalid_argument);
    EXPECT_THROW(gaussbound::rocFigure(good, &empty, true, ""), std::invalid_argument);
    RocPoint nan = good.points[1];
    nan.log10Miss = NAN;
    EXPECT_THROW(gaussbound::zCoordinates(nan), std::invalid_argument);
    // A zROC of the ends alone has no finite point to draw.
    RocCurve ends = good;
    ends.points = {good.points.front(), good.points.back()};
    ends.operatingPoint = good.points.front();
    EXPECT_THROW(gaussbound::rocFigure(ends, nullptr, true, ""), std::invalid_argument);
    EXPECT_NO_THROW(gaussbound::rocFigure(ends, nullptr, false, ""));
}
