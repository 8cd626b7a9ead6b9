// The Bayes rule's confusion matrix for C classes (Confusion.h) against the
// exact two-class engine, closed forms (slabs), symmetry, a brute-force grid
// in the plane, Monte Carlo, the pairwise bounds, and its own invariants.

#include <cmath>
#include <random>
#include <stdexcept>

#include <gtest/gtest.h>

#include <boost/math/distributions/normal.hpp>

#include <gaussbound/BayesError.h>
#include <gaussbound/Canonical.h>
#include <gaussbound/Classes.h>
#include <gaussbound/Confusion.h>
#include <gaussbound/Rule.h>

#include "random_models.h"

using namespace gaussbound;

namespace {

// C random classes in d dimensions, priors drawn and normalised.
ClassesModel randomClasses(std::mt19937_64& rng, std::size_t classes, Eigen::Index d, double separation = 1.5)
{
    ClassesModel model;
    std::uniform_real_distribution<double> p(0.5, 1.5);
    double sum = 0.0;
    for (std::size_t i = 0; i < classes; ++i) {
        NormalClass c{"c" + std::to_string(i), randomVector(rng, d, separation), randomCovariance(rng, d, 0.7), p(rng)};
        sum += c.prior;
        model.classes.push_back(c);
    }
    for (auto& c : model.classes)
        c.prior /= sum;
    return model;
}

// How far the randomised method may be: 5 standard errors; a bound as it stands.
double allowance(const Confusion& c, Eigen::Index i, Eigen::Index j)
{
    return (c.randomised() ? 5.0 : 1.0) * c.error(i, j) + 1e-13;
}

double normalCdf(double x) { return 0.5 * std::erfc(-x / std::sqrt(2.0)); }

}  // namespace

TEST(Confusion, MethodsByDimension)
{
    EXPECT_EQ(methodFor(1), ConfusionMethod::TwoDirections);
    EXPECT_EQ(methodFor(2), ConfusionMethod::AdaptiveAngle);
    EXPECT_EQ(methodFor(3), ConfusionMethod::AdaptiveSphere);
    EXPECT_EQ(methodFor(4), ConfusionMethod::QuasiMonteCarlo);
    EXPECT_STREQ(methodName(ConfusionMethod::QuasiMonteCarlo), "quasi-Monte Carlo");
    EXPECT_THROW(methodFor(0), std::invalid_argument);
}

// C = 2: e1 = M_12 and e2 = M_21 of the exact two-class engine.
TEST(Confusion, TwoClassesAgreeWithTheExactEngine)
{
    std::mt19937_64 rng(7);
    for (const Eigen::Index d : {1, 2, 3, 6}) {
        for (int rep = 0; rep < 2; ++rep) {
            const Model m = randomModel(rng, d, 1.0);
            const ClassesModel classes = classesOf(m);
            const Confusion c = confusionMatrix(classes, {});
            const BayesError exact = bayesError(m, CanonicalForm(m));
            const double tol1 = exact.partsAbsError / m.prior1, tol2 = exact.partsAbsError / m.prior2;
            SCOPED_TRACE("d = " + std::to_string(d));
            EXPECT_NEAR(c.matrix(0, 1), exact.givenClass1, allowance(c, 0, 1) + tol1);
            EXPECT_NEAR(c.matrix(1, 0), exact.givenClass2, allowance(c, 1, 0) + tol2);
            EXPECT_NEAR(c.value, exact.value, (c.randomised() ? 5.0 : 1.0) * c.valueError + exact.absError + 1e-13);
            if (d <= 3) {
                EXPECT_LE(c.error.maxCoeff(), d == 3 ? 1.1e-8 : 1.1e-10);
            }
        }
    }
}

// Classes on a line with equal covariances: the regions are slabs, each
// entry a difference of two normal distribution functions.
TEST(Confusion, SlabsOfClassesOnALine)
{
    for (const Eigen::Index d : {1, 2, 3, 5}) {
        const std::size_t classes = 4;
        const double sigma = 1.3;
        const double means[] = {0.0, 1.5, 3.5, 4.5};
        const double priors[] = {0.25, 0.3, 0.2, 0.25};
        ClassesModel model;
        for (std::size_t i = 0; i < classes; ++i) {
            Eigen::VectorXd mu = Eigen::VectorXd::Zero(d);
            mu(0) = means[i];
            model.classes.push_back(NormalClass{"c" + std::to_string(i), mu,
                                                sigma * sigma * Eigen::MatrixXd::Identity(d, d), priors[i]});
        }
        // Boundaries between neighbours, in the first coordinate.
        std::vector<double> b{-INFINITY};
        for (std::size_t k = 0; k + 1 < classes; ++k)
            b.push_back(0.5 * (means[k] + means[k + 1]) -
                        sigma * sigma * std::log(priors[k + 1] / priors[k]) / (means[k + 1] - means[k]));
        b.push_back(INFINITY);
        for (std::size_t k = 0; k + 1 < b.size(); ++k)
            ASSERT_LT(b[k], b[k + 1]);
        const Confusion c = confusionMatrix(model, {});
        SCOPED_TRACE("d = " + std::to_string(d));
        for (std::size_t i = 0; i < classes; ++i)
            for (std::size_t j = 0; j < classes; ++j) {
                const double expected =
                    normalCdf((b[j + 1] - means[i]) / sigma) - normalCdf((b[j] - means[i]) / sigma);
                EXPECT_NEAR(c.matrix(Eigen::Index(i), Eigen::Index(j)), expected,
                            allowance(c, Eigen::Index(i), Eigen::Index(j)))
                    << i << " " << j;
            }
    }
}

// C symmetric classes on a circle: every diagonal entry the same.
TEST(Confusion, SymmetricClassesOnACircle)
{
    for (const Eigen::Index d : {2, 3}) {
        const std::size_t classes = 5;
        ClassesModel model;
        for (std::size_t i = 0; i < classes; ++i) {
            const double angle = 2.0 * M_PI * double(i) / double(classes);
            Eigen::VectorXd mu = Eigen::VectorXd::Zero(d);
            mu(0) = 2.0 * std::cos(angle);
            mu(1) = 2.0 * std::sin(angle);
            model.classes.push_back(
                NormalClass{"c" + std::to_string(i), mu, Eigen::MatrixXd::Identity(d, d), 1.0 / double(classes)});
        }
        const Confusion c = confusionMatrix(model, {});
        for (Eigen::Index i = 1; i < Eigen::Index(classes); ++i)
            EXPECT_NEAR(c.matrix(i, i), c.matrix(0, 0), c.error(i, i) + c.error(0, 0));
        // Neighbours on either side alike.
        EXPECT_NEAR(c.matrix(0, 1), c.matrix(0, 4), c.error(0, 1) + c.error(0, 4));
    }
}

// An unequal-covariance C = 3 case in the plane against a brute-force grid.
TEST(Confusion, PlaneAgainstABruteForceGrid)
{
    ClassesModel model;
    Eigen::MatrixXd s0(2, 2), s1(2, 2), s2(2, 2);
    s0 << 1.0, 0.3, 0.3, 0.5;
    s1 << 0.4, -0.2, -0.2, 1.5;
    s2 << 2.0, 0.0, 0.0, 0.3;
    model.classes = {NormalClass{"a", Eigen::Vector2d(0.0, 0.0), s0, 0.3},
                     NormalClass{"b", Eigen::Vector2d(1.0, 1.0), s1, 0.5},
                     NormalClass{"c", Eigen::Vector2d(-0.5, 1.5), s2, 0.2}};
    const Confusion c = confusionMatrix(model, {});
    EXPECT_LE(c.error.maxCoeff(), 1.1e-10);

    const ClassesRule rule(model);
    std::vector<Eigen::LLT<Eigen::MatrixXd>> f;
    std::vector<double> logNorm;
    for (const auto& k : model.classes) {
        f.emplace_back(k.covariance);
        logNorm.push_back(-std::log(2.0 * M_PI) - std::log(f.back().matrixL().determinant()));
    }
    Eigen::MatrixXd grid = Eigen::MatrixXd::Zero(3, 3);
    const double lo = -9.0, hi = 9.0;
    const int n = 1500;
    const double h = (hi - lo) / n;
    Eigen::Vector2d x;
    for (int a = 0; a < n; ++a)
        for (int b = 0; b < n; ++b) {
            x << lo + (a + 0.5) * h, lo + (b + 0.5) * h;
            const Eigen::VectorXd s = rule.logScores(x);
            Eigen::Index j;
            s.maxCoeff(&j);
            for (Eigen::Index i = 0; i < 3; ++i)
                grid(i, j) += std::exp(s(i) - std::log(model.classes[std::size_t(i)].prior)) * h * h;
        }
    for (Eigen::Index i = 0; i < 3; ++i)
        for (Eigen::Index j = 0; j < 3; ++j)
            EXPECT_NEAR(c.matrix(i, j), grid(i, j), 5e-4) << i << " " << j;
}

// Monte Carlo with ClassesRule in 5-D, within 5 combined standard errors.
TEST(Confusion, MonteCarloIn5D)
{
    std::mt19937_64 rng(11);
    const ClassesModel model = randomClasses(rng, 3, 5);
    const Confusion c = confusionMatrix(model, {});
    EXPECT_TRUE(c.randomised());
    const ClassesRule rule(model);
    const int n = 100000;
    std::normal_distribution<double> z;
    for (std::size_t i = 0; i < 3; ++i) {
        const Eigen::MatrixXd l = Eigen::LLT<Eigen::MatrixXd>(model.classes[i].covariance).matrixL();
        Eigen::VectorXd counts = Eigen::VectorXd::Zero(3), v(5);
        for (int k = 0; k < n; ++k) {
            for (Eigen::Index q = 0; q < 5; ++q)
                v(q) = z(rng);
            counts(Eigen::Index(rule.decide(model.classes[i].mean + l * v))) += 1.0;
        }
        for (Eigen::Index j = 0; j < 3; ++j) {
            const double p = counts(j) / n, se = std::sqrt(p * (1.0 - p) / n);
            const double e = c.error(Eigen::Index(i), j);
            EXPECT_NEAR(c.matrix(Eigen::Index(i), j), p, 5.0 * std::sqrt(se * se + e * e) + 1e-12) << i << " " << j;
        }
    }
}

// max E_ij <= E <= sum E_ij and E <= the Bhattacharyya union, on random
// models; rows summing to 1.
TEST(Confusion, PairwiseBoundsAndRows)
{
    std::mt19937_64 rng(3);
    for (const Eigen::Index d : {1, 2, 3, 5}) {
        for (const std::size_t classes : {3u, 4u}) {
            const ClassesModel model = randomClasses(rng, classes, d);
            ConfusionSettings settings;
            settings.directions = 1 << 13;
            const ClassesFigures f = analyseClasses(model, settings);
            const Confusion& c = f.confusion;
            ASSERT_EQ(f.pairs.size(), classes * (classes - 1) / 2);
            double pairErrors = 0.0;
            for (const auto& p : f.pairs)
                pairErrors += p.bayesAbsError;
            const double slack = (c.randomised() ? 5.0 : 1.0) * c.valueError + pairErrors + 1e-12;
            SCOPED_TRACE("d = " + std::to_string(d) + ", C = " + std::to_string(classes));
            EXPECT_LE(f.lower, c.value + slack);
            EXPECT_LE(c.value, f.upperPairwise + slack);
            EXPECT_LE(c.value, f.upperBhattacharyya + slack);
            for (Eigen::Index i = 0; i < c.matrix.rows(); ++i)
                EXPECT_NEAR(c.matrix.row(i).sum(), 1.0, c.randomised() ? 1e-12 : c.error.row(i).sum() + 1e-13);
            EXPECT_EQ(c.log10Value, std::log10(c.value));
        }
    }
}

TEST(Confusion, SameForAnyNumberOfThreads)
{
    std::mt19937_64 rng(5);
    for (const Eigen::Index d : {2, 5}) {
        const ClassesModel model = randomClasses(rng, 3, d);
        ConfusionSettings one, two;
        one.directions = two.directions = 1 << 12;
        two.threads = 2;
        int calls = 0;
        two.progress = [&](double share) {
            EXPECT_GE(share, 0.0);
            EXPECT_LE(share, 1.0);
            ++calls;
        };
        const Confusion a = confusionMatrix(model, one), b = confusionMatrix(model, two);
        EXPECT_GT(calls, 0);
        EXPECT_TRUE(a.matrix == b.matrix);
        EXPECT_TRUE(a.error == b.error);
        EXPECT_EQ(a.value, b.value);
        EXPECT_EQ(a.valueError, b.valueError);
    }
}

// Copy r of the randomised method is a function of seed + r alone (its
// shift), and no two copies share one. With 2 lines a copy plus m extra
// lines for copies 0 .. m - 1, 16 (M_m(s) - M_(m-1)(s)) is what the extra
// line changes in copy m - 1, whose shift comes from s + m - 1; seed s + 1
// gives that copy as its copy m - 2.
TEST(Confusion, EachCopyHasItsOwnShift)
{
    std::mt19937_64 rng(13);
    const ClassesModel model = randomClasses(rng, 2, 4);
    auto entry = [&](std::int64_t directions, std::uint64_t seed) {
        ConfusionSettings s;
        s.directions = directions;
        s.seed = seed;
        const Confusion c = confusionMatrix(model, s);
        EXPECT_GT(c.error(0, 1), 0.0);
        return double(kRandomisations) * c.matrix(0, 1);
    };
    const std::int64_t base = 2 * kRandomisations;
    for (std::int64_t m = 1; m < 4; ++m) {
        // The change of copy m - 1 (seed s + m - 1) seen from seed s ...
        const double fromS = entry(base + m, 1) - entry(base + m - 1, 1);
        // ... and of the same shift seen from seed s + m - 1 as its copy 0.
        const double fromShift = entry(base + 1, std::uint64_t(m)) - entry(base, std::uint64_t(m));
        EXPECT_NEAR(fromS, fromShift, 1e-13) << m;
        EXPECT_GT(std::fabs(fromS), 1e-11) << m;
    }
}

// Losses with C = 2: the Bayes rule with costs of Rule.h.
TEST(Confusion, LossesAgainstTheTwoClassRule)
{
    // (d = 3 with losses takes seconds: the grid in t on every line.)
    std::mt19937_64 rng(17);
    for (const Eigen::Index d : {1, 2, 4}) {
        const Model m = randomModel(rng, d, 1.0);
        const Costs costs{0.0, 3.0, 1.0, 0.5};
        const RuleError exact = ruleError(m, bayesRule(m, costs));
        ConfusionSettings s;
        Eigen::MatrixXd l(2, 2);
        l << costs.l11, costs.l12, costs.l21, costs.l22;
        s.losses = l;
        s.directions = 1 << 13;  // d = 4: the grid in t makes each line costly
        const Confusion c = confusionMatrix(classesOf(m), s);
        SCOPED_TRACE("d = " + std::to_string(d));
        const double tol = d <= 3 ? 1e-7 : 0.0;
        EXPECT_NEAR(c.matrix(0, 1), exact.givenClass1, allowance(c, 0, 1) + tol + exact.absError1);
        EXPECT_NEAR(c.matrix(1, 0), exact.givenClass2, allowance(c, 1, 0) + tol + exact.absError2);
        const double risk = m.prior1 * (costs.l11 * c.matrix(0, 0) + costs.l12 * c.matrix(0, 1)) +
                            m.prior2 * (costs.l21 * c.matrix(1, 0) + costs.l22 * c.matrix(1, 1));
        EXPECT_NEAR(c.value, risk, 1e-12);
    }
}

TEST(Confusion, RefusesBadArguments)
{
    std::mt19937_64 rng(19);
    const ClassesModel model = randomClasses(rng, 3, 2);
    ClassesModel bad = model;
    bad.classes[0].prior += 0.1;
    EXPECT_THROW(confusionMatrix(bad, {}), std::invalid_argument);
    EXPECT_THROW(analyseClasses(bad, {}), std::invalid_argument);
    ConfusionSettings s;
    s.losses = Eigen::MatrixXd::Ones(2, 2);
    EXPECT_THROW(confusionMatrix(model, s), std::invalid_argument);
    s.losses = Eigen::MatrixXd::Zero(3, 3);
    EXPECT_THROW(confusionMatrix(model, s), std::invalid_argument);
    s = {};
    s.directions = kMinDirections - 1;
    EXPECT_THROW(confusionMatrix(model, s), std::invalid_argument);
    s.directions = kMaxDirections + 1;
    EXPECT_THROW(confusionMatrix(model, s), std::invalid_argument);
    s = {};
    s.threads = 0;
    EXPECT_THROW(confusionMatrix(model, s), std::invalid_argument);
    EXPECT_THROW(analyseClasses(model, s), std::invalid_argument);
}
