// Tests of the ROC figure as data: which series it holds and where their
// points lie, and the zROC held to the closed form of classes of equal
// covariances, z_H = z_F + d', also where H rounds to 1.
#include <cmath>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include <gaussbound/RocFigure.h>
#include <gaussbound/Text.h>

namespace {

using gaussbound::Figure;
using gaussbound::RocCurve;
using gaussbound::Series;

// Two classes of one covariance, d' = sqrt(delta^T Sigma^-1 delta).
gaussbound::Model equalCovariances(const Eigen::VectorXd& delta, const Eigen::MatrixXd& sigma, double prior1)
{
    gaussbound::Model m;
    m.mu1 = Eigen::VectorXd::Constant(delta.size(), 0.5);
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

TEST(RocFigure, HoldsTheChanceLineEachCurveWithItsAucAndEachOperatingPoint)
{
    const Eigen::Matrix2d sigma = (Eigen::Matrix2d() << 1, 0.3, 0.3, 2).finished();
    const auto m = equalCovariances(Eigen::Vector2d(1, 0.5), sigma, 0.3);
    const RocCurve lr = likelihoodCurve(m);
    const RocCurve rule = gaussbound::rocCurve(m, {Eigen::MatrixXd::Zero(2, 2), Eigen::Vector2d(1, 0), -1.0}, 0, 0.02);
    const Figure f = gaussbound::rocFigure(lr, &rule, false, "the subtitle");
    EXPECT_EQ(f.subtitle, "the subtitle");
    EXPECT_EQ(f.xRange, std::make_pair(0.0, 1.0));
    EXPECT_EQ(f.yRange, std::make_pair(0.0, 1.0));
    ASSERT_EQ(f.series.size(), 5u);
    const Series* chance = labelled(f, "chance");
    ASSERT_TRUE(chance);
    EXPECT_EQ(chance->x, std::vector<double>({0, 1}));
    EXPECT_EQ(chance->y, chance->x);
    for (const auto& [name, point, c] : {std::tuple{"likelihood ratio, AUC = ", "Bayes rule's operating point", &lr},
                                         std::tuple{"rule, AUC = ", "the rule's own point", &rule}}) {
        const Series* s = labelled(f, name);
        const Series* p = labelled(f, point);
        ASSERT_TRUE(s && p) << name;
        EXPECT_EQ(s->label, name + gaussbound::sig6(c->auc.value));
        ASSERT_EQ(s->x.size(), c->points.size());
        for (size_t i = 0; i < c->points.size(); ++i) {
            EXPECT_EQ(s->x[i], c->points[i].falseAlarm) << name << i;
            EXPECT_EQ(s->y[i], c->points[i].hit) << name << i;
        }
        EXPECT_EQ(p->x, std::vector<double>{c->operatingPoint.falseAlarm}) << point;
        EXPECT_EQ(p->y, std::vector<double>{c->operatingPoint.hit}) << point;
        EXPECT_TRUE(p->marker != gaussbound::Marker::None && p->lineWidth == 0) << point;
    }
    // The rule decides where x1 > 1, x1 of class 1 being N(0.5, 1).
    EXPECT_NEAR(rule.operatingPoint.falseAlarm, 0.5 * std::erfc(0.5 / std::sqrt(2.0)), 1e-13);
    EXPECT_EQ(gaussbound::rocFigure(lr, nullptr, false, "").series.size(), 3u);
}

TEST(RocFigure, TheZRocOfEqualCovariancesIsTheLineOfSlopeOneAtHeightDPrime)
{
    // Sigma^-1 of [2 0.6; 0.6 1] by its adjugate: [1 -0.6; -0.6 2] / 1.64.
    const Eigen::Vector2d delta(1.5, -0.5);
    const Eigen::Matrix2d sigma = (Eigen::Matrix2d() << 2, 0.6, 0.6, 1).finished();
    const double dPrime = std::sqrt((delta(0) * delta(0) - 1.2 * delta(0) * delta(1) + 2 * delta(1) * delta(1)) / 1.64);
    const RocCurve lr = likelihoodCurve(equalCovariances(delta, sigma, 0.5));
    const Figure f = gaussbound::rocFigure(lr, nullptr, true, "");
    EXPECT_FALSE(f.xRange || f.yRange);
    const Series* s = labelled(f, "likelihood ratio");
    ASSERT_TRUE(s);
    // Only the two ends, at infinity, are left out.
    EXPECT_EQ(s->x.size(), lr.points.size() - 2);
    for (size_t i = 0; i < s->x.size(); ++i)
        EXPECT_NEAR(s->y[i], s->x[i] + dPrime, 1e-9) << "at z_F = " << s->x[i];
    const Series* chance = labelled(f, "chance");
    ASSERT_TRUE(chance);
    EXPECT_EQ(chance->x, chance->y);
    EXPECT_LE(chance->x.front(), s->x.front());
    EXPECT_GE(chance->x.back(), s->y.back());
    // The Bayes point at equal priors, t = 0, is (-d'/2, d'/2).
    const Series* bayes = labelled(f, "Bayes rule's operating point");
    ASSERT_TRUE(bayes);
    EXPECT_NEAR(bayes->x[0], -dPrime / 2, 1e-9);
    EXPECT_NEAR(bayes->y[0], dPrime / 2, 1e-9);

    // d' = 60 in one dimension: at t = 0 F = Phi(-30), about 5e-198, and H
    // is 1 as a double, yet the point keeps its place (-30, 30).
    const Eigen::MatrixXd one = Eigen::MatrixXd::Identity(1, 1);
    const auto far = likelihoodCurve(equalCovariances(Eigen::VectorXd::Constant(1, 60), one, 0.5), 0.5).operatingPoint;
    ASSERT_EQ(far.hit, 1.0);
    const auto [zF, zH] = gaussbound::zCoordinates(far);
    EXPECT_NEAR(zF, -30, 3e-8);
    EXPECT_NEAR(zH, 30, 3e-8);
}

TEST(RocFigure, DoorsRefuseWhatTheyCannotRead)
{
    const RocCurve good = likelihoodCurve(equalCovariances(Eigen::VectorXd::Ones(1), Eigen::MatrixXd::Ones(1, 1), 0.5));
    RocCurve ends = good;
    ends.points = {good.points.front(), good.points.back()};
    ends.operatingPoint = good.points.front();
    EXPECT_THROW(gaussbound::rocFigure(ends, nullptr, true, ""), std::invalid_argument);  // no finite point
    ends.points.clear();
    EXPECT_THROW(gaussbound::rocFigure(good, &ends, false, ""), std::invalid_argument);
    auto nan = good.points[1];
    nan.log10Miss = NAN;
    EXPECT_THROW(gaussbound::zCoordinates(nan), std::invalid_argument);
}
