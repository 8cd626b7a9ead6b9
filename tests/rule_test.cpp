// The error of any rule against independent values: a linear rule's error
// as the normal tail of its projection, a quadratic rule's against Monte
// Carlo, the Bayes rule's against the Bayes error (with costs as priors),
// the order Bayes <= best linear <= Fisher, and far-tail logarithms against
// the normal tail's closed form. ROC curves and their areas: the
// equal-covariance closed forms, Monte Carlo, the curve's own trapezoids,
// and the Bayes operating point against the Bayes error. The figures
// gathered beside the Bayes error: the Bayes risk against its closed form in
// one dimension, far-tail logarithms against the normal tail's asymptotic
// series, and a given rule's excess over the Bayes error.
#include <cmath>
#include <limits>
#include <random>
#include <tuple>

#include <gtest/gtest.h>

#include <boost/math/distributions/normal.hpp>
#include <boost/math/special_functions/erf.hpp>

#include <gaussbound/BayesError.h>
#include <gaussbound/Analysis.h>
#include <gaussbound/Roc.h>
#include <gaussbound/Rule.h>
#include <gaussbound/RuleFigures.h>
#include <gaussbound/Separability.h>

#include "figures.h"
#include "random_models.h"

namespace {

using gaussbound::Discriminant;
using gaussbound::Model;
using gaussbound::RuleError;

double Phi(double z)
{
    return boost::math::cdf(boost::math::normal(), z);
}

gaussbound::BayesError bayes(const Model& m)
{
    return gaussbound::bayesError(m, gaussbound::CanonicalForm(m));
}

// A random symmetric matrix of entries about scale.
Eigen::MatrixXd randomSymmetric(std::mt19937_64& rng, Eigen::Index d, double scale)
{
    const Eigen::MatrixXd r = Eigen::MatrixXd::NullaryExpr(
        d, d, [&] { return std::normal_distribution<double>(0.0, scale)(rng); });
    return 0.5 * (r + r.transpose());
}

// The rule's errors within their bounds plus rel of each.
void expectErrors(const RuleError& e, double e1, double e2, double rel, const std::string& what)
{
    EXPECT_LE(std::fabs(e.givenClass1 - e1), e.absError1 + rel * e1) << what << " e1 " << e.givenClass1 << " " << e1;
    EXPECT_LE(std::fabs(e.givenClass2 - e2), e.absError2 + rel * e2) << what << " e2 " << e.givenClass2 << " " << e2;
}

}  // namespace

TEST(RuleError, OfALinearRuleIsTheNormalTailOfItsProjection)
{
    std::mt19937_64 rng(41);
    for (Eigen::Index d : {1, 3, 6}) {
        const Model m = randomModel(rng, d, 1.0);
        const Eigen::VectorXd w = randomVector(rng, d, 1.0);
        const double c = std::normal_distribution<double>(0.0, 1.0)(rng);
        const RuleError e = gaussbound::ruleError(m, {Eigen::MatrixXd::Zero(d, d), w, c});
        // g = w^T x + c is normal under each class.
        const double e1 = Phi((w.dot(m.mu1) + c) / std::sqrt(w.dot(m.sigma1 * w)));
        const double e2 = Phi(-(w.dot(m.mu2) + c) / std::sqrt(w.dot(m.sigma2 * w)));
        expectErrors(e, e1, e2, 1e-10, "d " + std::to_string(d));
        EXPECT_NEAR(e.value, m.prior1 * e1 + m.prior2 * e2, 1e-10 * e.value);
        EXPECT_NEAR(e.log10Value, std::log10(e.value), 1e-12);
    }
}

TEST(RuleError, OfAQuadraticRuleAgreesWithMonteCarlo)
{
    std::mt19937_64 rng(42);
    const Eigen::Index d = 5;
    const Model m = randomModel(rng, d, 0.8);
    const Discriminant rule{randomSymmetric(rng, d, 0.3), randomVector(rng, d, 1.0), 0.2};
    const RuleError e = gaussbound::ruleError(m, rule);
    constexpr int kDraws = 200000;
    std::normal_distribution<double> z;
    for (int c : {1, 2}) {
        const Eigen::MatrixXd l = (c == 1 ? m.sigma1 : m.sigma2).llt().matrixL();
        const Eigen::VectorXd& mu = c == 1 ? m.mu1 : m.mu2;
        int wrong = 0;
        for (int k = 0; k < kDraws; ++k) {
            const Eigen::VectorXd x = mu + l * Eigen::VectorXd::NullaryExpr(d, [&] { return z(rng); });
            const double g = x.dot(rule.quadratic * x) + rule.linear.dot(x) + rule.constant;
            wrong += c == 1 ? g > 0 : g <= 0;
        }
        const double p = static_cast<double>(wrong) / kDraws, exact = c == 1 ? e.givenClass1 : e.givenClass2;
        EXPECT_NEAR(p, exact, 5 * std::sqrt(exact * (1 - exact) / kDraws)) << "class " << c;
    }
}

TEST(RuleError, OfTheBayesRuleIsTheBayesErrorAndCostsActAsPriors)
{
    std::mt19937_64 rng(43);
    for (Eigen::Index d : {1, 2, 5}) {
        const Model m = randomModel(rng, d, 0.7);
        const gaussbound::BayesError b = bayes(m);
        const RuleError e = gaussbound::ruleError(m, gaussbound::bayesRule(m));
        expectErrors(e, b.givenClass1, b.givenClass2, 1e-10, "d " + std::to_string(d));
        // Deciding 2 where P2 (L21 - L22) p2 > P1 (L12 - L11) p1 is the Bayes
        // rule of the priors in proportion to those products.
        const gaussbound::Costs costs{0.5, 3.0, 10.0, 1.0};
        Model weighted = m;
        const double w1 = m.prior1 * 2.5, w2 = m.prior2 * 9.0;
        weighted.prior1 = w1 / (w1 + w2);
        weighted.prior2 = w2 / (w1 + w2);
        const gaussbound::BayesError bw = bayes(weighted);
        expectErrors(gaussbound::ruleError(m, gaussbound::bayesRule(m, costs)), bw.givenClass1, bw.givenClass2,
                     1e-9, "costs, d " + std::to_string(d));
    }
}

TEST(RuleError, NoRuleBeatsTheBayesRule)
{
    std::mt19937_64 rng(44);
    for (int trial = 0; trial < 6; ++trial) {
        const Eigen::Index d = 1 + trial % 3;
        const Model m = randomModel(rng, d, 0.8);
        const gaussbound::BayesError b = bayes(m);
        const Discriminant best = gaussbound::bayesRule(m);
        for (double size : {1e-3, 0.1, 1.0}) {
            Discriminant moved = best;
            moved.quadratic += randomSymmetric(rng, d, size * best.quadratic.norm() + 1e-3);
            moved.linear += randomVector(rng, d, size * best.linear.norm() + 1e-3);
            moved.constant += std::normal_distribution<double>(0.0, size)(rng);
            const RuleError e = gaussbound::ruleError(m, moved);
            EXPECT_GE(e.value + e.absError, b.value - b.absError) << trial << " " << size;
        }
        const RuleError random = gaussbound::ruleError(m, {randomSymmetric(rng, d, 1.0), randomVector(rng, d, 1.0), 0.5});
        EXPECT_GE(random.value + random.absError, b.value - b.absError) << trial;
    }
}

TEST(RuleError, BestLinearLiesBetweenBayesAndFisher)
{
    std::mt19937_64 rng(45);
    for (Eigen::Index d : {2, 4}) {
        const Model m = randomModel(rng, d, 0.6);
        const double bayesValue = bayes(m).value;
        const RuleError fisher = gaussbound::ruleError(m, gaussbound::fisherRule(m));
        const gaussbound::BestLinearRule best = gaussbound::bestLinearRule(m);
        const RuleError linear = gaussbound::ruleError(m, best.rule);
        EXPECT_GE(best.t, 0.0);
        EXPECT_LE(best.t, 1.0);
        EXPECT_LE(bayesValue, linear.value + linear.absError) << d;
        EXPECT_LE(linear.value, fisher.value + fisher.absError) << d;
        EXPECT_TRUE(best.rule.quadratic.isZero(0.0));
    }
    // Equal covariances: Fisher's rule is the Bayes rule, and nothing linear is better.
    const Eigen::MatrixXd s = (Eigen::MatrixXd(2, 2) << 2.0, 0.5, 0.5, 1.0).finished();
    const Model equal = makeModel(Eigen::Vector2d(0, 0), Eigen::Vector2d(1, 2), s, s, 0.3);
    const double b = bayes(equal).value;
    EXPECT_NEAR(gaussbound::ruleError(equal, gaussbound::fisherRule(equal)).value, b, 1e-12);
    EXPECT_NEAR(gaussbound::ruleError(equal, gaussbound::bestLinearRule(equal).rule).value, b, 1e-12);
}

TEST(RuleError, LogarithmsReachFarBelowTheDoubles)
{
    // Unit variances 200 apart with equal priors: every error is Phi(-100).
    const Eigen::MatrixXd one = Eigen::MatrixXd::Identity(1, 1);
    const Model far = makeModel(Eigen::VectorXd::Zero(1), Eigen::VectorXd::Constant(1, 200.0), one, one);
    const double log10Tail = -2173.8715;  // log10 Phi(-100), from the normal tail's series
    for (const Discriminant& rule : {gaussbound::bayesRule(far), gaussbound::fisherRule(far)}) {
        const RuleError e = gaussbound::ruleError(far, rule);
        EXPECT_EQ(e.value, 0.0);
        EXPECT_NEAR(e.log10GivenClass1, log10Tail, 1e-4);
        EXPECT_NEAR(e.log10GivenClass2, log10Tail, 1e-4);
        EXPECT_NEAR(e.log10Value, log10Tail, 1e-4);
    }
}

TEST(RuleError, RulesOfOneClassAndRefusals)
{
    const Eigen::MatrixXd one = Eigen::MatrixXd::Identity(2, 2);
    const Model m = makeModel(Eigen::Vector2d(0, 0), Eigen::Vector2d(1, 0), one, one, 0.25);
    const RuleError always = gaussbound::ruleError(m, {Eigen::MatrixXd::Zero(2, 2), Eigen::Vector2d(0, 0), 1.0});
    EXPECT_EQ(always.givenClass1, 1.0);
    EXPECT_EQ(always.givenClass2, 0.0);
    EXPECT_EQ(always.value, 0.25);
    EXPECT_EQ(always.log10GivenClass2, -std::numeric_limits<double>::infinity());
    const RuleError never = gaussbound::ruleError(m, {Eigen::MatrixXd::Zero(2, 2), Eigen::Vector2d(0, 0), 0.0});
    EXPECT_EQ(never.givenClass1, 0.0);
    EXPECT_EQ(never.value, 0.75);

    Eigen::MatrixXd skew = one;
    skew(0, 1) = 0.5;
    EXPECT_THROW(gaussbound::ruleError(m, {skew, Eigen::Vector2d(0, 0), 0.0}), std::invalid_argument);
    EXPECT_THROW(gaussbound::ruleError(m, {one, Eigen::Vector3d(0, 0, 0), 0.0}), std::invalid_argument);
    EXPECT_THROW(gaussbound::ruleError(m, {one, Eigen::Vector2d(NAN, 0), 0.0}), std::invalid_argument);
    Model bad = m;
    bad.prior1 = 0.9;
    EXPECT_THROW(gaussbound::ruleError(bad, {one, Eigen::Vector2d(0, 0), 0.0}), std::invalid_argument);
    EXPECT_THROW(gaussbound::bayesRule(m, {1.0, 1.0, 1.0, 0.0}), std::invalid_argument);  // L11 = L12
    EXPECT_THROW(gaussbound::bayesRule(m, {0.0, 1.0, -1.0, -2.0}), std::invalid_argument);
    EXPECT_THROW(gaussbound::fisherRule(bad), std::invalid_argument);
    EXPECT_THROW(gaussbound::bestLinearRule(bad), std::invalid_argument);
}

TEST(Roc, EqualCovariancesFollowTheirClosedForms)
{
    // H = Phi(Phi^-1(F) + d') and AUC = Phi(d' / sqrt 2), d' the Mahalanobis distance.
    const Eigen::MatrixXd s = (Eigen::MatrixXd(2, 2) << 2.0, 0.6, 0.6, 1.0).finished();
    for (double scale : {0.5, 1.5}) {
        const Eigen::Vector2d mu2 = scale * Eigen::Vector2d(1, 2);
        const Model m = makeModel(Eigen::Vector2d(0, 0), mu2, s, s, 0.3);
        const double dPrime = std::sqrt(mu2.dot(s.llt().solve(mu2)));
        const gaussbound::RocStatistic roc(m, gaussbound::logLikelihoodRatio(m));
        const std::vector<gaussbound::RocPoint> curve = roc.curve();
        for (const gaussbound::RocPoint& p : curve) {
            if (p.falseAlarm <= 0 || p.falseAlarm >= 1)
                continue;
            const double z = boost::math::quantile(boost::math::normal(), p.falseAlarm);
            EXPECT_NEAR(p.hit, Phi(z + dPrime), 1e-9) << p.threshold;
        }
        const gaussbound::AreaUnderCurve auc = roc.auc();
        EXPECT_NEAR(auc.value, Phi(dPrime / std::sqrt(2.0)), 1e-12);
        EXPECT_LE(std::fabs(auc.value - Phi(dPrime / std::sqrt(2.0))), auc.absError + 1e-15);
        EXPECT_NEAR(auc.logComplement, std::log(Phi(-dPrime / std::sqrt(2.0))), 1e-10);
    }
    // Far apart: 1 - AUC = Phi(-60) (1e-786) in logarithms.
    const Eigen::MatrixXd one = Eigen::MatrixXd::Identity(1, 1);
    const Model far = makeModel(Eigen::VectorXd::Zero(1), Eigen::VectorXd::Constant(1, 60 * std::sqrt(2.0)), one, one);
    const double exact = static_cast<double>(std::log(0.5L * boost::math::erfc(60.0L / std::sqrt(2.0L))));
    const gaussbound::AreaUnderCurve auc = gaussbound::RocStatistic(far, gaussbound::logLikelihoodRatio(far)).auc();
    EXPECT_EQ(auc.value, 1.0);
    EXPECT_NEAR(auc.logComplement, exact, 1e-10 * std::fabs(exact));
}

TEST(Roc, CurvesRunFromCornerToCornerInSmallStepsAndAgreeWithTheirArea)
{
    std::mt19937_64 rng(46);
    const Model m = randomModel(rng, 3, 0.8);
    const gaussbound::RocStatistic roc(m, gaussbound::logLikelihoodRatio(m));
    for (double spacing : {0.005, 0.0005}) {
        const std::vector<gaussbound::RocPoint> curve = roc.curve(spacing);
        ASSERT_GE(curve.size(), 3u);
        EXPECT_EQ(curve.front().falseAlarm, 0.0);
        EXPECT_EQ(curve.front().hit, 0.0);
        EXPECT_EQ(curve.back().falseAlarm, 1.0);
        EXPECT_EQ(curve.back().hit, 1.0);
        double area = 0;
        for (size_t i = 1; i < curve.size(); ++i) {
            const gaussbound::RocPoint &a = curve[i - 1], &b = curve[i];
            EXPECT_LE(b.falseAlarm - a.falseAlarm, spacing) << i;
            EXPECT_LE(b.hit - a.hit, spacing) << i;
            EXPECT_GE(b.falseAlarm, a.falseAlarm) << i;
            EXPECT_GE(b.hit, a.hit) << i;
            EXPECT_LT(b.threshold, a.threshold) << i;
            area += 0.5 * (b.falseAlarm - a.falseAlarm) * (a.hit + b.hit);
        }
        // The trapezoids of a concave curve fall short of it by at most the
        // area of the triangles left out, of order spacing^2 per step.
        EXPECT_NEAR(area, roc.auc().value, 4 * spacing * spacing * curve.size()) << spacing;
    }
    const gaussbound::RocPoint p = roc.at(0.3);
    const RuleError e = gaussbound::ruleError(m, [&] {
        Discriminant g = gaussbound::logLikelihoodRatio(m);
        g.constant -= 0.3;
        return g;
    }());
    EXPECT_NEAR(p.falseAlarm, e.givenClass1, 1e-15);
    EXPECT_NEAR(1 - p.hit, e.givenClass2, 1e-15);
    EXPECT_NEAR(p.log10Miss, e.log10GivenClass2, 1e-15);
}

TEST(Roc, TheAreaOfUnequalCovariancesAgreesWithMonteCarlo)
{
    std::mt19937_64 rng(47);
    const Eigen::Index d = 3;
    const Model m = randomModel(rng, d, 0.5);
    const Discriminant g = gaussbound::logLikelihoodRatio(m);
    const double exact = gaussbound::RocStatistic(m, g).auc().value;
    const Eigen::MatrixXd l1 = m.sigma1.llt().matrixL(), l2 = m.sigma2.llt().matrixL();
    std::normal_distribution<double> z;
    const auto draw = [&](const Eigen::VectorXd& mu, const Eigen::MatrixXd& l) {
        const Eigen::VectorXd x = mu + l * Eigen::VectorXd::NullaryExpr(d, [&] { return z(rng); });
        return x.dot(g.quadratic * x) + g.linear.dot(x) + g.constant;
    };
    constexpr int kPairs = 200000;
    int above = 0;
    for (int k = 0; k < kPairs; ++k)
        above += draw(m.mu2, l2) > draw(m.mu1, l1);
    EXPECT_NEAR(static_cast<double>(above) / kPairs, exact, 5 * std::sqrt(exact * (1 - exact) / kPairs));
}

TEST(Roc, RefusesWhatItCannotRead)
{
    const Eigen::MatrixXd one = Eigen::MatrixXd::Identity(2, 2);
    const Model m = makeModel(Eigen::Vector2d(0, 0), Eigen::Vector2d(1, 0), one, one);
    const gaussbound::RocStatistic roc(m, gaussbound::logLikelihoodRatio(m));
    EXPECT_THROW(roc.curve(0.0), std::invalid_argument);
    EXPECT_THROW(roc.curve(0.6), std::invalid_argument);
    EXPECT_THROW(roc.at(NAN), std::invalid_argument);
    EXPECT_THROW(gaussbound::RocStatistic(m, {one, Eigen::Vector3d(0, 0, 0), 0.0}), std::invalid_argument);
    // A statistic of one value: the chance corners only, and an area of 1/2.
    const gaussbound::RocStatistic flat(m, {Eigen::MatrixXd::Zero(2, 2), Eigen::Vector2d(0, 0), 1.0});
    EXPECT_EQ(flat.curve().size(), 2u);
    EXPECT_EQ(flat.auc().value, 0.5);
}

TEST(Separability, EveryDPrimeIsTheOneDimensionalDPrimeWhereCovariancesAreEqual)
{
    const Eigen::MatrixXd s = (Eigen::MatrixXd(3, 3) << 2.0, 0.3, 0.0, 0.3, 1.0, 0.2, 0.0, 0.2, 1.5).finished();
    for (double scale : {0.0, 0.7, 3.0, 400.0}) {
        const Eigen::Vector3d mu2 = scale * Eigen::Vector3d(1, -1, 0.5);
        const Model m = makeModel(Eigen::Vector3d(0, 0, 0), mu2, s, s, 0.2);
        const double dPrime = std::sqrt(mu2.dot(s.llt().solve(mu2)));
        const auto auc = gaussbound::RocStatistic(m, gaussbound::logLikelihoodRatio(m)).auc();
        const gaussbound::Discriminability d = gaussbound::discriminability(m, auc);
        EXPECT_NEAR(d.bayes, dPrime, 1e-9 * dPrime + 1e-12) << scale;  // E_half = Phi(-d'/2), to 1e-8700
        EXPECT_NEAR(d.auc, dPrime, 1e-9 * dPrime + 1e-12) << scale;
        EXPECT_NEAR(d.averageCovariance, dPrime, 1e-12 * dPrime) << scale;
    }
}

TEST(Separability, JeffriesMatusitaAndTransformedDivergenceFollowTheirDistances)
{
    // One dimension, variances v1 and v2, means m apart:
    //   B = m^2 / (4 (v1 + v2)) + 1/2 ln((v1 + v2) / (2 sqrt(v1 v2))),
    //   KL(1||2) + KL(2||1) = 1/2 (v1/v2 + v2/v1) - 1 + 1/2 m^2 (1/v1 + 1/v2).
    for (auto [v1, v2, gap] : {std::tuple{1.0, 1.0, 2.0}, {0.5, 3.0, 1.0}, {2.0, 0.25, 0.0}}) {
        const Model m = makeModel(Eigen::VectorXd::Zero(1), Eigen::VectorXd::Constant(1, gap),
                                  Eigen::MatrixXd::Constant(1, 1, v1), Eigen::MatrixXd::Constant(1, 1, v2));
        Table table;
        const gaussbound::Separability s = gaussbound::separability(gaussbound::analyse(m, table.get()));
        const double b = gap * gap / (4 * (v1 + v2)) + 0.5 * std::log((v1 + v2) / (2 * std::sqrt(v1 * v2)));
        const double divergence = 0.5 * (v1 / v2 + v2 / v1) - 1 + 0.5 * gap * gap * (1 / v1 + 1 / v2);
        EXPECT_NEAR(s.jeffriesMatusita, 2 * (1 - std::exp(-b)), 1e-13) << v1 << " " << v2;
        EXPECT_NEAR(s.transformedDivergence, 2 * (1 - std::exp(-divergence / 8)), 1e-13) << v1 << " " << v2;
    }
}

// ---------------------------------------------------------------------------
// The figures beside the Bayes error

namespace {

gaussbound::RuleFigures rulesOf(const Model& m, const std::optional<gaussbound::Costs>& costs = {},
                                const std::optional<Discriminant>& rule = {})
{
    return gaussbound::analyseRules(m, figuresOf(m), costs, rule);
}

Model line(double mu2, double prior1)
{
    Model m;
    m.mu1 = Eigen::VectorXd::Zero(1);
    m.mu2 = Eigen::VectorXd::Constant(1, mu2);
    m.sigma1 = m.sigma2 = Eigen::MatrixXd::Identity(1, 1);
    m.prior1 = prior1;
    m.prior2 = 1.0 - prior1;
    return m;
}

}  // namespace

TEST(RuleFigures, TheBayesRiskFollowsItsClosedFormAndIsTheBayesErrorUnderTheZeroOneLoss)
{
    // Unit variances, means 0 and 2: class 2 where x > t, t = 1 + ln(P1 (L12 - L11) / (P2 (L21 - L22))) / 2.
    const Model m = line(2.0, 0.3);
    const gaussbound::Costs c{0.2, 1.0, 5.0, 0.5};
    const double t = 1.0 + 0.5 * std::log(0.3 * 0.8 / (0.7 * 4.5));
    const double e1 = Phi(-t), e2 = Phi(t - 2.0);
    const double risk = 0.3 * (0.2 * (1 - e1) + 1.0 * e1) + 0.7 * (5.0 * e2 + 0.5 * (1 - e2));
    const gaussbound::BayesRisk r = *rulesOf(m, c).bayesRisk;
    EXPECT_NEAR(r.givenClass1, e1, 1e-13);
    EXPECT_NEAR(r.givenClass2, e2, 1e-13);
    EXPECT_NEAR(r.value, risk, r.absError + 1e-14);
    EXPECT_NEAR(r.log10Value, std::log10(risk), 1e-13);
    EXPECT_LT(r.absError, 1e-11);

    std::mt19937_64 rng(47);
    for (Eigen::Index d : {2, 3}) {
        const Model random = randomModel(rng, d, 0.8);
        const gaussbound::Figures f = figuresOf(random);
        const gaussbound::BayesRisk zeroOne = *gaussbound::analyseRules(random, f, gaussbound::Costs{}).bayesRisk;
        EXPECT_NEAR(zeroOne.value, f.bayes.value, zeroOne.absError + f.bayes.absError);
        EXPECT_NEAR(zeroOne.log10Value, f.bayes.log10Value, 1e-10);
    }
}

TEST(RuleFigures, LogarithmsOfTheBoundsAndTheRiskReachFarBelowTheDoubles)
{
    // Means 200 apart: k(beta) = 5000 (4 beta (1 - beta)), least at 1/2 for
    // equal priors, so both bounds are e^-5000 / 2; the risk under the 0-1 loss
    // is Phi(-100), whose logarithm the asymptotic series gives:
    // ln Phi(-x) = -x^2/2 - ln x - ln sqrt(2 pi) + ln(1 - 1/x^2 + 3/x^4 - 15/x^6).
    const Model m = line(200.0, 0.5);
    const gaussbound::RuleFigures r = rulesOf(m, gaussbound::Costs{});
    const double bound = std::log10(0.5) - 5000.0 / M_LN10;
    EXPECT_NEAR(r.log10ChernoffBound, bound, 1e-12 * std::fabs(bound));
    EXPECT_NEAR(r.log10BhattacharyyaBound, bound, 1e-12 * std::fabs(bound));
    const double x = 100.0;
    const double lnPhi = -0.5 * x * x - std::log(x) - 0.5 * std::log(2 * M_PI) +
                         std::log1p(-1 / (x * x) + 3 / std::pow(x, 4) - 15 / std::pow(x, 6));
    EXPECT_NEAR(r.bayesRisk->log10Value, lnPhi / M_LN10, 1e-10 * 2174);
    EXPECT_EQ(r.bayesRisk->value, 0.0);
    EXPECT_NEAR(r.fisher.error.log10Value, lnPhi / M_LN10, 1e-10 * 2174);
}

TEST(RuleFigures, AGivenRuleExceedsTheBayesErrorAndClassesFarOutAreNotComputedRatherThanThrown)
{
    std::mt19937_64 rng(53);
    const Model m = randomModel(rng, 3, 0.6);
    const gaussbound::Figures f = figuresOf(m);
    const auto bayesRule = gaussbound::bayesRule(m);
    const gaussbound::RuleFigures own = gaussbound::analyseRules(m, f, {}, bayesRule);
    EXPECT_LE(std::fabs(own.excessError), own.rule->error.absError + f.bayes.absError);
    for (int i = 0; i < 5; ++i) {
        const Discriminant rule{randomSymmetric(rng, 3, 0.3), Eigen::VectorXd::Random(3), 0.2};
        const gaussbound::RuleFigures r = gaussbound::analyseRules(m, f, {}, rule);
        EXPECT_GE(r.excessError, -(r.rule->error.absError + f.bayes.absError));
        EXPECT_EQ(r.excessError, r.rule->error.value - f.bayes.value);
    }
    EXPECT_THROW(gaussbound::analyseRules(m, f, gaussbound::Costs{1, 1, 1, 0}), std::invalid_argument);
    Discriminant plane;  // of dimension 2, not 3
    plane.quadratic = Eigen::MatrixXd::Zero(2, 2);
    plane.linear = Eigen::VectorXd::Zero(2);
    EXPECT_THROW(gaussbound::analyseRules(m, f, {}, plane), std::invalid_argument);

    // Means near 1e200: the likelihood ratio's constant overflows.
    Model far = line(0.0, 0.5);
    far.mu1(0) = 1e200;
    far.mu2(0) = -1e200;
    const gaussbound::RuleFigures r = rulesOf(far, gaussbound::Costs{});
    EXPECT_TRUE(std::isnan(r.auc.value));
    EXPECT_TRUE(std::isnan(r.fisher.error.value));
    EXPECT_TRUE(std::isnan(r.bayesRisk->value));
    EXPECT_EQ(r.bestLinear.error.value, 0.0);
    EXPECT_EQ(r.dprime.bayes, INFINITY);
}

TEST(RuleFigures, TheLikelihoodRatiosAucIsTheRocStatisticsOrNaNWhereItOverflows)
{
    std::mt19937_64 rng(71);
    const Model m = randomModel(rng, 4, 0.3);
    const gaussbound::AreaUnderCurve own = gaussbound::likelihoodRatioAuc(m);
    const gaussbound::AreaUnderCurve direct =
        gaussbound::RocStatistic(m, gaussbound::logLikelihoodRatio(m)).auc();
    EXPECT_EQ(own.value, direct.value);
    EXPECT_EQ(own.absError, direct.absError);
    EXPECT_EQ(own.logComplement, direct.logComplement);
    EXPECT_EQ(own.value, rulesOf(m, gaussbound::Costs{}).auc.value);

    Model far = line(0.0, 0.5);
    far.mu1(0) = 1e200;
    far.mu2(0) = -1e200;
    const gaussbound::AreaUnderCurve none = gaussbound::likelihoodRatioAuc(far);
    EXPECT_TRUE(std::isnan(none.value) && std::isnan(none.absError) && std::isnan(none.logComplement));
    Model invalid = m;
    invalid.prior1 = 0.9;
    EXPECT_THROW(gaussbound::likelihoodRatioAuc(invalid), std::invalid_argument);
}
