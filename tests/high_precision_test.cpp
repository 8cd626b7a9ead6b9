// Tests of the high-precision reference (high_precision.h) against closed
// forms that share nothing with its method, computed here in 50 digits:
//  - equal covariances: the statistic is normal, e1 = Phi(-D/2 + ln(P2/P1)/D),
//    e2 = Phi(-D/2 + ln(P1/P2)/D), D the Mahalanobis distance of the means;
//  - proportional covariances Sigma2 = c Sigma1, equal means: the statistic
//    is alpha chi2_d + k, alpha = (1/c - 1)/2 under class 1 and (1 - c)/2
//    under class 2, k = ln(P1/P2) + (d/2) ln c (Boost's regularised gammas);
//  - d = 1: the decision region is bounded by the two roots of a quadratic
//    in x, and each error a sum of normal tails;
// and identities: E is unchanged by a change of units (each coordinate
// scaled by a power of two, exact in double) and by a permutation of the
// coordinates; swapping the classes swaps e1 and e2 (a different canonical
// form, lambda -> 1/lambda); the inversion and the direct plane integral
// agree.
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include <Eigen/Cholesky>
#include <boost/math/special_functions/erf.hpp>
#include <boost/math/special_functions/gamma.hpp>

#include "high_precision.h"
#include "random_models.h"

using gaussbound::Model;
using gaussbound::reference::PreciseBayesError;
using gaussbound::reference::Real;
using gaussbound::reference::planeBayesError;
using gaussbound::reference::preciseBayesError;

namespace {

Real Phi(const Real& z)
{
    return boost::math::erfc(-z / sqrt(Real(2))) / 2;
}

Real relative(const Real& x, const Real& y)
{
    return abs(x - y) / abs(y);
}

double toDouble(const Real& x) { return static_cast<double>(x); }

// The three figures agree with the closed form to `tol`, relative, and
// the reference's own error estimate covers the difference.
void expectMatches(const PreciseBayesError& r, const Real& e1, const Real& e2, const Model& m,
                   double tol)
{
    const Real e = Real(m.prior1) * e1 + Real(m.prior2) * e2;
    EXPECT_LT(toDouble(relative(r.givenClass1, e1)), tol) << r.givenClass1.str(30) << " vs " << e1.str(30);
    EXPECT_LT(toDouble(relative(r.givenClass2, e2)), tol) << r.givenClass2.str(30) << " vs " << e2.str(30);
    EXPECT_LT(toDouble(relative(r.value, e)), tol) << r.value.str(30) << " vs " << e.str(30);
    EXPECT_LE(toDouble(abs(r.value - e)), toDouble(r.absError) + 1e-300);
}

// Equal covariances: D^2 = delta^T Sigma^-1 delta for a 2 x 2 Sigma with
// its inverse written out, in 50 digits from the doubles.
void checkEqualCovariances(const Model& m)
{
    const Real a = m.sigma1(0, 0), b = m.sigma1(0, 1), d = m.sigma1(1, 1);
    const Real x = Real(m.mu2(0)) - Real(m.mu1(0)), y = Real(m.mu2(1)) - Real(m.mu1(1));
    const Real det = a * d - b * b;
    const Real dist = sqrt((d * x * x - 2 * b * x * y + a * y * y) / det);
    const Real logRatio = log(Real(m.prior1)) - log(Real(m.prior2));  // ln(P1/P2)
    const Real e1 = Phi(-dist / 2 - logRatio / dist);
    const Real e2 = Phi(-dist / 2 + logRatio / dist);
    expectMatches(preciseBayesError(m), e1, e2, m, 1e-28);
}

// Proportional covariances, equal means, Sigma2 = c Sigma1, dimension d.
void checkProportional(const Model& m, double c)
{
    const double d = double(m.dimension());
    const Real k = log(Real(m.prior1)) - log(Real(m.prior2)) + Real(d) / 2 * log(Real(c));
    // P(alpha X + k < 0) and P(alpha X + k > 0) for X ~ chi2_d.
    auto below = [&](const Real& alpha) -> Real {
        const Real x = -k / alpha;  // the threshold on X
        if (alpha > 0)
            return x <= 0 ? Real(0) : boost::math::gamma_p(Real(d) / 2, x / 2);
        return x <= 0 ? Real(1) : boost::math::gamma_q(Real(d) / 2, x / 2);
    };
    auto above = [&](const Real& alpha) -> Real {
        const Real x = -k / alpha;
        if (alpha > 0)
            return x <= 0 ? Real(1) : boost::math::gamma_q(Real(d) / 2, x / 2);
        return x <= 0 ? Real(0) : boost::math::gamma_p(Real(d) / 2, x / 2);
    };
    const Real alpha1 = (1 / Real(c) - 1) / 2, alpha2 = (1 - Real(c)) / 2;
    expectMatches(preciseBayesError(m), below(alpha1), above(alpha2), m, 1e-28);
}

// d = 1 in the original coordinate: Q(x) = ln(P1/P2) - ln(s1/s2)
// - (x - m1)^2/(2 s1^2) + (x - m2)^2/(2 s2^2) = A x^2 + B x + C, in 150
// digits: far means make B^2 and 4AC agree to some 50 digits.
using Big = boost::multiprecision::number<boost::multiprecision::cpp_bin_float<150>,
                                          boost::multiprecision::et_off>;

void checkOneDimension(const Model& m)
{
    const Big m1 = m.mu1(0), m2 = m.mu2(0), v1 = m.sigma1(0, 0), v2 = m.sigma2(0, 0);
    const Big s1 = sqrt(v1), s2 = sqrt(v2);
    const Big A = 1 / (2 * v2) - 1 / (2 * v1);
    const Big B = m1 / v1 - m2 / v2;
    const Big C = log(Big(m.prior1)) - log(Big(m.prior2)) - log(s1 / s2) - m1 * m1 / (2 * v1) +
                  m2 * m2 / (2 * v2);
    ASSERT_NE(A, 0);
    const Big disc = B * B - 4 * A * C;
    ASSERT_GT(disc, 0);
    const Big h = -(B + (B < 0 ? -sqrt(disc) : sqrt(disc))) / 2;
    Big r1 = h / A, r2 = C / h;
    if (r2 < r1)
        std::swap(r1, r2);
    // Mass of N(mu, s^2) outside (r1, r2) and inside it, from tails only.
    auto upper = [](const Big& z) { return boost::math::erfc(z / sqrt(Big(2))) / 2; };
    auto outside = [&](const Big& mu, const Big& s) {
        return upper((mu - r1) / s) + upper((r2 - mu) / s);
    };
    auto inside = [&](const Big& mu, const Big& s) {
        const Big l = (r1 - mu) / s, u = (r2 - mu) / s;
        if (l >= 0)
            return upper(l) - upper(u);
        if (u <= 0)
            return upper(-u) - upper(-l);
        return 1 - upper(u) - upper(-l);
    };
    // Q < 0 between the roots when A > 0, outside them when A < 0.
    const Real e1 = static_cast<Real>(A > 0 ? inside(m1, s1) : outside(m1, s1));
    const Real e2 = static_cast<Real>(A > 0 ? outside(m2, s2) : inside(m2, s2));
    expectMatches(preciseBayesError(m), e1, e2, m, 1e-28);
    expectMatches(planeBayesError(m), e1, e2, m, 1e-30);
}

Model scaledByPowersOfTwo(const Model& m, const std::vector<int>& powers)
{
    Eigen::VectorXd s(m.dimension());
    for (Eigen::Index i = 0; i < s.size(); ++i)
        s(i) = std::ldexp(1.0, powers[std::size_t(i) % powers.size()]);
    Model out = m;
    out.mu1 = s.asDiagonal() * m.mu1;
    out.mu2 = s.asDiagonal() * m.mu2;
    out.sigma1 = s.asDiagonal() * m.sigma1 * s.asDiagonal();
    out.sigma2 = s.asDiagonal() * m.sigma2 * s.asDiagonal();
    return out;
}

Model permuted(const Model& m)
{
    const Eigen::Index d = m.dimension();
    Eigen::VectorXi order(d);
    for (Eigen::Index i = 0; i < d; ++i)
        order(i) = int((i + 1) % d);  // a cyclic shift
    Eigen::PermutationMatrix<Eigen::Dynamic> p(order);
    Model out = m;
    out.mu1 = p * m.mu1;
    out.mu2 = p * m.mu2;
    out.sigma1 = p * m.sigma1 * p.transpose();
    out.sigma2 = p * m.sigma2 * p.transpose();
    return out;
}

Model swapped(const Model& m)
{
    return makeModel(m.mu2, m.mu1, m.sigma2, m.sigma1, m.prior2);
}

void expectSame(const PreciseBayesError& x, const PreciseBayesError& y, double tol)
{
    EXPECT_LT(toDouble(relative(x.value, y.value)), tol) << x.value.str(30) << " vs " << y.value.str(30);
    EXPECT_LT(toDouble(relative(x.givenClass1, y.givenClass1)), tol);
    EXPECT_LT(toDouble(relative(x.givenClass2, y.givenClass2)), tol);
}

Model hardA()
{
    return illConditionedCorpus()[0];
}
Model hardB()
{
    return illConditionedCorpus()[1];
}
Model hardC()
{
    return illConditionedCorpus()[2];
}
Model defaultExample()
{
    return makeModel(Eigen::Vector2d(0, 0), Eigen::Vector2d(1, 0), Eigen::Matrix2d::Identity(),
                     2 * Eigen::Matrix2d::Identity());
}

}  // namespace

TEST(HighPrecision, EqualCovariancesMatchTheNormalDistribution)
{
    // Correlated, moderate separation, unequal priors.
    checkEqualCovariances(makeModel(Eigen::Vector2d(0.3, -1), Eigen::Vector2d(1.9, 0.4),
                                    (Eigen::Matrix2d() << 2, 0.6, 0.6, 1).finished(),
                                    (Eigen::Matrix2d() << 2, 0.6, 0.6, 1).finished(), 0.3));
    // Scales 1e-10 and 1e10, means far from the origin.
    checkEqualCovariances(makeModel(Eigen::Vector2d(1e12, 5e-5), Eigen::Vector2d(1e12 + 3e5, 7e-5),
                                    (Eigen::Matrix2d() << 1e10, 0, 0, 1e-10).finished(),
                                    (Eigen::Matrix2d() << 1e10, 0, 0, 1e-10).finished(), 0.8));
    // A tail: D about 15, E about 1e-14.
    checkEqualCovariances(makeModel(Eigen::Vector2d(0, 0), Eigen::Vector2d(15, 10),
                                    (Eigen::Matrix2d() << 1, 0.5, 0.5, 1).finished(),
                                    (Eigen::Matrix2d() << 1, 0.5, 0.5, 1).finished(), 0.5));
}

TEST(HighPrecision, ProportionalCovariancesMatchTheChiSquare)
{
    const Eigen::Matrix3d s = (Eigen::Matrix3d() << 2, 0.3, -0.1, 0.3, 1, 0.2, -0.1, 0.2, 0.5).finished();
    const Eigen::Vector3d mu(1e6, -3, 0.25);
    // Powers of two, so that Sigma2 is exactly c Sigma1 in double.
    checkProportional(makeModel(mu, mu, s, 4.0 * s, 0.5), 4.0);
    checkProportional(makeModel(mu, mu, s, 0.25 * s, 0.7), 0.25);
    // Far apart scales: one class 2^40 (about 1e12) times wider; tails
    // near 1e-16.
    checkProportional(makeModel(mu, mu, s, std::ldexp(1.0, 40) * s, 0.5), std::ldexp(1.0, 40));
    const Eigen::Matrix2d t = (Eigen::Matrix2d() << 1e-20, 0, 0, 4e20).finished();
    checkProportional(makeModel(Eigen::Vector2d(0, 0), Eigen::Vector2d(0, 0), t, 1.0 / 1024 * t, 0.2),
                      1.0 / 1024);
}

TEST(HighPrecision, OneDimensionMatchesTwoThresholds)
{
    auto one = [](double m1, double m2, double v1, double v2, double p1) {
        return makeModel(Eigen::VectorXd::Constant(1, m1), Eigen::VectorXd::Constant(1, m2),
                         Eigen::MatrixXd::Constant(1, 1, v1), Eigen::MatrixXd::Constant(1, 1, v2), p1);
    };
    checkOneDimension(one(0, 1, 1, 2, 0.5));
    checkOneDimension(one(-3, 2.5, 4, 0.25, 0.35));
    checkOneDimension(one(3e12, 3e12 + 1.5, 1e-30, 1, 0.5));  // tails near 1e-15
    checkOneDimension(one(1e-15, 2e-15, 1e-30, 1e-30 * (1 + 1e-10), 0.5));
}

TEST(HighPrecision, UnchangedByUnitsAndOrderOfCoordinates)
{
    const std::vector<Model> corpus = illConditionedCorpus();
    // Hard model a and a nearly singular d = 5 model.
    for (std::size_t index : {std::size_t(0), std::size_t(38)}) {
        SCOPED_TRACE(index);
        const Model& m = corpus[index];
        const PreciseBayesError base = preciseBayesError(m);
        expectSame(preciseBayesError(scaledByPowersOfTwo(m, {100, -100, 37})), base, 1e-25);
        expectSame(preciseBayesError(permuted(m)), base, 1e-25);
    }
}

TEST(HighPrecision, SwappingTheClassesSwapsTheirErrors)
{
    const std::vector<Model> corpus = illConditionedCorpus();
    for (std::size_t index : {std::size_t(0), std::size_t(1), std::size_t(9), std::size_t(36)}) {
        SCOPED_TRACE(index);
        const PreciseBayesError r = preciseBayesError(corpus[index]);
        const PreciseBayesError s = preciseBayesError(swapped(corpus[index]));
        EXPECT_LT(toDouble(relative(s.givenClass1, r.givenClass2)), 1e-25);
        EXPECT_LT(toDouble(relative(s.givenClass2, r.givenClass1)), 1e-25);
        EXPECT_LT(toDouble(relative(s.value, r.value)), 1e-25);
    }
}

TEST(HighPrecision, InversionAndPlaneIntegralAgree)
{
    const Model m = defaultExample();
    const PreciseBayesError imhof = preciseBayesError(m), plane = planeBayesError(m);
    expectSame(imhof, plane, 1e-35);
    EXPECT_NEAR(toDouble(imhof.value), 0.30436667998169564, 1e-16);
}

TEST(HighPrecision, HardModelA)
{
    const ReferenceBayesError r = referenceBayesError(hardA());
    EXPECT_NEAR(r.value, 3.16e-20, 0.01e-20);  // an independent computation
    EXPECT_LT(r.relError, 1e-20);
    EXPECT_NEAR(r.value, 0.5 * r.givenClass1 + 0.5 * r.givenClass2, 1e-16 * r.value);
}

TEST(HighPrecision, HardModelB)
{
    const ReferenceBayesError r = referenceBayesError(hardB());
    EXPECT_GT(r.value, 0);
    EXPECT_LT(r.relError, 1e-20);
}

TEST(HighPrecision, HardModelCIsTheDefaultExampleInOtherUnits)
{
    const PreciseBayesError scaled = preciseBayesError(hardC());
    const PreciseBayesError plain = preciseBayesError(defaultExample());
    expectSame(scaled, plain, 1e-35);
    EXPECT_NEAR(toDouble(scaled.value), 0.30436667998169564, 1e-16);
}

TEST(HighPrecision, CorpusIsValidAndFixed)
{
    const std::vector<Model> corpus = illConditionedCorpus();
    EXPECT_GE(corpus.size(), 30u);
    EXPECT_LE(corpus.size(), 60u);
    std::vector<bool> dimensions(7, false);
    double largestCondition = 0;
    for (const Model& m : corpus) {
        ASSERT_FALSE(gaussbound::validate(m).has_value()) << gaussbound::validate(m)->message;
        for (const Eigen::MatrixXd* s : {&m.sigma1, &m.sigma2}) {
            ASSERT_EQ(Eigen::LLT<Eigen::MatrixXd>(*s).info(), Eigen::Success);
            const Eigen::VectorXd d = s->diagonal();
            largestCondition = std::max(largestCondition, d.maxCoeff() / d.minCoeff());
        }
        dimensions[std::size_t(m.dimension())] = true;
    }
    for (int d = 1; d <= 6; ++d)
        EXPECT_TRUE(dimensions[std::size_t(d)]) << d;
    EXPECT_GE(largestCondition, 1e29);
    const std::vector<Model> again = illConditionedCorpus();
    ASSERT_EQ(again.size(), corpus.size());
    for (std::size_t i = 0; i < corpus.size(); ++i) {
        EXPECT_EQ(again[i].mu1, corpus[i].mu1);
        EXPECT_EQ(again[i].sigma1, corpus[i].sigma1);
        EXPECT_EQ(again[i].sigma2, corpus[i].sigma2);
        EXPECT_EQ(again[i].prior1, corpus[i].prior1);
    }
}

TEST(HighPrecision, ReferenceResolvesTheWholeCorpus)
{
    const std::vector<Model> corpus = illConditionedCorpus();
    const std::vector<std::size_t> cases = referenceCases(corpus.size());
    ASSERT_FALSE(cases.empty());
    for (std::size_t i : cases) {
        const Model& m = corpus[i];
        const ReferenceBayesError r = referenceBayesError(m);
        EXPECT_LT(r.relError, 1e-20) << r.value;  // NaN fails too
        EXPECT_GT(r.value, 0);
        EXPECT_LE(r.value, std::min(m.prior1, m.prior2) * (1 + 1e-15));
    }
}

TEST(HighPrecision, TheSlowTestsThinTheCorpusOnlyUnderTheSanitizers)
{
    // The normal build holds the library to every model; only the sanitizer
    // build (where the compiler defines __SANITIZE_ADDRESS__) may thin.
#ifndef __SANITIZE_ADDRESS__
    EXPECT_EQ(referenceStride(), 1u) << "GAUSSBOUND_REFERENCE_STRIDE is for the sanitizer build only";
#endif
    const std::size_t k = referenceStride();
    ASSERT_GE(k, 1u);
    EXPECT_TRUE(referenceCases(0).empty());
    for (std::size_t step : {std::size_t(1), std::size_t(3)})
        for (std::size_t count : {std::size_t(1), std::size_t(2), illConditionedCorpus().size()}) {
            const std::vector<std::size_t> cases = referenceCases(count, step);
            const std::size_t all = (count + step - 1) / step;
            ASSERT_EQ(cases.size(), (all + k - 1) / k) << count << " models, step " << step;
            for (std::size_t j = 0; j < cases.size(); ++j)
                EXPECT_EQ(cases[j], j * k * step);
        }
}
