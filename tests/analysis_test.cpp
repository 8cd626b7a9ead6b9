// Tests of the any-dimension analysis library against independent values:
// closed forms, Boost's (non-central) chi-square distributions, quadrature,
// an independent plane method, Monte Carlo, and the relations the figures
// must keep with each other.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <random>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <boost/math/special_functions/erf.hpp>

#include <Eigen/Cholesky>
#include <boost/math/distributions/non_central_chi_squared.hpp>
#include <boost/math/quadrature/sinh_sinh.hpp>
#include <boost/math/special_functions/gamma.hpp>

#include <gaussbound/Analysis.h>
#include <gaussbound/Canonical.h>
#include <gaussbound/QuadraticForm.h>

#include "figures.h"
#include "plane_bayes_error.h"
#include "random_models.h"

using namespace gaussbound;

namespace {

// Standard normal distribution function, accurate in both tails.
double Phi(double z)
{
    return 0.5 * std::erfc(-z / std::sqrt(2.0));
}

// P(Q < 0) for Q = sum (a_i w_i^2 + c_i w_i) + k.
TailProbability tail(const Eigen::VectorXd& a, const Eigen::VectorXd& c, double k)
{
    return belowZero(QuadraticForm{a, Eigen::VectorXd::Zero(a.size()), c, k});
}

BayesError bayes(const Model& m)
{
    return bayesError(m, CanonicalForm(m));
}

// The accuracy the library promises, for E of a given size.
double promisedRelative(double exact)
{
    return exact >= 1e-4 ? 1e-8 : 1e-5;
}

// The computed Bayes error against an exact value: within the promised
// accuracy, and within its own error bound (plus the exact value's rounding).
void expectAccurate(const BayesError& b, double exact, const std::string& what)
{
    EXPECT_LE(std::fabs(b.value - exact), promisedRelative(exact) * exact)
        << what << ": " << b.value << " vs " << exact;
    EXPECT_LE(std::fabs(b.value - exact), b.absError + 8 * DBL_EPSILON * exact)
        << what << ": error " << b.value - exact << " beyond the bound " << b.absError;
}

// Bayes error of two classes with one covariance: P1 Phi(-D/2 + t) + P2 Phi(-D/2 - t),
// t = ln(P2 / P1) / D, for the Mahalanobis distance D.
double equalCovarianceError(const Model& m)
{
    const Eigen::VectorXd d = m.mu2 - m.mu1;
    const double D = std::sqrt(d.dot(m.sigma1.llt().solve(d)));
    const double t = std::log(m.prior2 / m.prior1) / D;
    return m.prior1 * Phi(-D / 2 + t) + m.prior2 * Phi(-D / 2 - t);
}

// e1 and e2 for Sigma2 = gamma Sigma1 (gamma > 1). With delta = L1^-1 (mu2 - mu1)
// and z class 1's whitened point, the rule errs on class 1 when
// |z + delta / (gamma - 1)|^2 > tau, a non-central chi-square with d degrees
// of freedom, and on class 2 when the same quantity, which is then gamma
// times a non-central chi-square, is below tau.
std::pair<double, double> proportionalErrors(const Model& m, double gamma)
{
    const double d = static_cast<double>(m.dimension());
    const Eigen::VectorXd diff = m.mu2 - m.mu1;
    const double delta2 = diff.dot(m.sigma1.llt().solve(diff));
    const double c0 = std::log(m.prior1 / m.prior2) + 0.5 * d * std::log(gamma);
    const double tau = (2 * c0 + delta2 / (gamma - 1)) * gamma / (gamma - 1);
    if (tau <= 0)
        return {1.0, 0.0};
    if (delta2 == 0)  // central: chi-square tails as regularised gamma functions
        return {boost::math::gamma_q(d / 2, tau / 2), boost::math::gamma_p(d / 2, tau / gamma / 2)};
    const boost::math::non_central_chi_squared class1(d, delta2 / ((gamma - 1) * (gamma - 1)));
    const boost::math::non_central_chi_squared class2(d, delta2 * gamma / ((gamma - 1) * (gamma - 1)));
    return {cdf(complement(class1, tau)), cdf(class2, tau / gamma)};
}

// Draws from each class by its prior and counts the Bayes rule's mistakes,
// with densities written out directly: within 5 standard errors of E.
void expectMonteCarloAgreement(const Model& m, std::mt19937_64& rng)
{
    const Eigen::Index dim = m.dimension();
    const BayesError exact = bayes(m);
    ASSERT_GT(exact.value, 0.01);
    const Eigen::LLT<Eigen::MatrixXd> l1(m.sigma1), l2(m.sigma2);
    const double logDet1 = 2 * l1.matrixL().toDenseMatrix().diagonal().array().log().sum();
    const double logDet2 = 2 * l2.matrixL().toDenseMatrix().diagonal().array().log().sum();
    const auto logWeighted = [&](const Eigen::VectorXd& x, int c) {
        const auto& llt = c == 1 ? l1 : l2;
        const Eigen::VectorXd w = llt.matrixL().solve(x - (c == 1 ? m.mu1 : m.mu2));
        return std::log(c == 1 ? m.prior1 : m.prior2) - 0.5 * w.squaredNorm() -
               0.5 * (c == 1 ? logDet1 : logDet2);
    };
    std::normal_distribution<double> z;
    std::uniform_real_distribution<double> u;
    const int n = 400000;
    int wrong = 0;
    Eigen::VectorXd w(dim);
    for (int i = 0; i < n; ++i) {
        const int c = u(rng) < m.prior1 ? 1 : 2;
        for (Eigen::Index j = 0; j < dim; ++j)
            w(j) = z(rng);
        const Eigen::VectorXd x = c == 1 ? Eigen::VectorXd(m.mu1 + l1.matrixL() * w)
                                         : Eigen::VectorXd(m.mu2 + l2.matrixL() * w);
        wrong += (logWeighted(x, 1) > logWeighted(x, 2)) != (c == 1);
    }
    const double estimate = static_cast<double>(wrong) / n;
    EXPECT_NEAR(exact.value, estimate, 5 * std::sqrt(estimate * (1 - estimate) / n));
}

}  // namespace

// ---------------------------------------------------------------------------
// The Bayes error against closed forms.

TEST(BayesErrorClosedForm, EqualCovariancesInAnyDimension)
{
    std::mt19937_64 rng(11);
    for (Eigen::Index d : {1, 2, 3, 5, 8, 20})
        for (double separation : {0.3, 2.0, 6.0, 12.0})
            for (double prior1 : {0.5, 0.2, 0.97}) {
                const Eigen::MatrixXd s = randomCovariance(rng, d, 1.0);
                const Eigen::VectorXd mu1 = randomVector(rng, d, 1.0);
                Eigen::VectorXd dir = randomVector(rng, d, 1.0);
                dir *= separation / std::sqrt(dir.dot(s.llt().solve(dir)));  // Mahalanobis length
                const Model m = makeModel(mu1, mu1 + dir, s, s, prior1);
                const double exact = equalCovarianceError(m);
                if (exact < 1e-10)
                    continue;
                expectAccurate(bayes(m), exact,
                               "d=" + std::to_string(d) + " D=" + std::to_string(separation));
            }
}

TEST(BayesErrorClosedForm, ProportionalCovariancesFollowChiSquareTails)
{
    std::mt19937_64 rng(12);
    int smallest = 0;  // cases with E below 1e-8, to show the far tail is covered
    for (Eigen::Index d : {1, 2, 4, 9, 20})
        for (double gamma : {1.5, 4.0, 30.0, 1e4})
            for (double shift : {0.0, 1.0, 5.0})
                for (double prior1 : {0.5, 0.1}) {
                    const Eigen::MatrixXd s = randomCovariance(rng, d, 1.0);
                    const Eigen::VectorXd mu1 = randomVector(rng, d, 1.0);
                    const Model m = makeModel(mu1, mu1 + randomVector(rng, d, shift), s, gamma * s,
                                              prior1);
                    const auto [e1, e2] = proportionalErrors(m, gamma);
                    const double exact = m.prior1 * e1 + m.prior2 * e2;
                    if (exact < 1e-10)
                        continue;
                    smallest += exact < 1e-8;
                    const BayesError b = bayes(m);
                    const std::string what = "d=" + std::to_string(d) + " gamma=" + std::to_string(gamma) +
                                             " shift=" + std::to_string(shift);
                    expectAccurate(b, exact, what);
                    EXPECT_NEAR(b.givenClass1, e1, 1e-8 * e1 + 1e-15) << what;
                    EXPECT_NEAR(b.givenClass2, e2, 1e-8 * e2 + 1e-15) << what;
                }
    EXPECT_GE(smallest, 3);
}

TEST(BayesErrorClosedForm, OneDimensionSolvedByHand)
{
    // Class 1 N(0, 1), prior 0.4; class 2 N(2, 9), prior 0.6. The rule takes
    // class 1 between the roots of ln(0.4 N(x; 0, 1)) = ln(0.6 N(x; 2, 9)):
    //   -x^2/2 + ln 0.4 = -(x - 2)^2/18 + ln 0.6 - ln 3
    //   <=> 8 x^2 + 4 x - 4 + 18 ln(1.5 / 3) = 0.
    const double a = 8, b = 4, c = -4 + 18 * std::log(0.5);
    const double root = std::sqrt(b * b - 4 * a * c);
    const double lo = (-b - root) / (2 * a), hi = (-b + root) / (2 * a);
    const double e1 = Phi(lo) + Phi(-hi);
    const double e2 = Phi((hi - 2) / 3) - Phi((lo - 2) / 3);
    Eigen::VectorXd mu1(1), mu2(1);
    mu1 << 0;
    mu2 << 2;
    const Model m = makeModel(mu1, mu2, Eigen::MatrixXd::Constant(1, 1, 1.0),
                              Eigen::MatrixXd::Constant(1, 1, 9.0), 0.4);
    const BayesError r = bayes(m);
    EXPECT_NEAR(r.givenClass1, e1, 1e-13);
    EXPECT_NEAR(r.givenClass2, e2, 1e-13);
    expectAccurate(r, 0.4 * e1 + 0.6 * e2, "d=1");
}

// ---------------------------------------------------------------------------
// The Bayes error against independent methods.

TEST(BayesErrorIndependent, AgreesWithThePlaneMethodOnRandomCases)
{
    std::mt19937_64 rng(13);
    for (int i = 0; i < 60; ++i) {
        const Model m = randomModel(rng, 2, 1.0 + i % 4);
        const BayesError q = bayes(m), p = planeBayesError(m);
        const double tolerance = 1e-9 * p.value + q.absError + p.absError;
        EXPECT_NEAR(q.value, p.value, tolerance) << "case " << i;
        EXPECT_NEAR(m.prior1 * q.givenClass1, m.prior1 * p.givenClass1, tolerance) << "case " << i;
        EXPECT_NEAR(m.prior2 * q.givenClass2, m.prior2 * p.givenClass2, tolerance) << "case " << i;
    }
}

TEST(BayesErrorIndependent, AgreesWithMonteCarloIn2DAnd5D)
{
    std::mt19937_64 rng(14);
    for (Eigen::Index d : {2, 5})
        expectMonteCarloAgreement(randomModel(rng, d, 0.7), rng);
}

// ---------------------------------------------------------------------------
// The quadratic-form tail on its own.

TEST(QuadraticFormTail, MatchesNormalAndChiSquareTails)
{
    Eigen::VectorXd a0(1), c1(1);
    a0 << 0;
    c1 << 1;
    for (double k : {0.0, 1.0, 4.0, 10.0, 30.0, -3.0}) {
        const TailProbability t = tail(a0, c1, k);  // w + k < 0
        EXPECT_NEAR(t.value, Phi(-k), 1e-12 * Phi(-k)) << k;
    }
    for (int n : {1, 3, 10})
        for (double x : {0.01, 1.0, 8.0, 200.0}) {
            const Eigen::VectorXd ones = Eigen::VectorXd::Ones(n), zeros = Eigen::VectorXd::Zero(n);
            const double below = boost::math::gamma_p(n / 2.0, x / 2), above = boost::math::gamma_q(n / 2.0, x / 2);
            const TailProbability lower = tail(ones, zeros, -x);
            const TailProbability upper = tail(-ones, zeros, x);
            EXPECT_NEAR(lower.value, below, 1e-12 * below) << n << " " << x;
            EXPECT_NEAR(upper.value, above, 1e-12 * above) << n << " " << x;  // down to 1e-42
            EXPECT_LE(std::fabs(upper.value - above), upper.absError + 8 * DBL_EPSILON * above);
        }
}

TEST(QuadraticFormTail, CentredTermsKeepATinyConstant)
{
    // Q = sum (w_i - 1)^2 - x is a non-central chi-square (2 degrees, lambda
    // 2) below x: near 0 its distribution function is x e^-1 / 2.
    const Eigen::VectorXd ones = Eigen::VectorXd::Ones(2);
    for (double x : {1e-3, 1e-300, 1e-302}) {
        const TailProbability t = belowZero(QuadraticForm{ones, -ones, Eigen::VectorXd::Zero(2), -x});
        EXPECT_NEAR(t.value, 0.5 * x * std::exp(-1.0), 1e-3 * 0.5 * x * std::exp(-1.0)) << x;
    }
    // Centred and open forms of the same Q agree.
    Eigen::VectorXd a(3), b(3);
    a << 0.7, -0.2, 1.5;
    b << 0.3, 2.0, -1.0;
    const double k = 0.4;
    const TailProbability centred = belowZero(QuadraticForm{a, b, Eigen::VectorXd::Zero(3), k});
    const Eigen::ArrayXd ab = a.array() * b.array();
    const TailProbability open = tail(a, 2.0 * ab.matrix(), k + (ab * b.array()).sum());
    EXPECT_NEAR(centred.value, open.value, 1e-13);
}

TEST(QuadraticFormTail, ConstantFormsSplitTiesEvenly)
{
    const Eigen::VectorXd zero = Eigen::VectorXd::Zero(3);
    EXPECT_EQ(tail(zero, zero, -1.0).value, 1.0);
    EXPECT_EQ(tail(zero, zero, 2.0).value, 0.0);
    EXPECT_EQ(tail(zero, zero, 0.0).value, 0.5);
    // Identical classes with equal priors: half of each is misclassified.
    const Eigen::MatrixXd s = Eigen::MatrixXd::Identity(3, 3);
    const BayesError b = bayes(makeModel(Eigen::VectorXd::Zero(3), Eigen::VectorXd::Zero(3), s, s));
    EXPECT_EQ(b.value, 0.5);
}

// ---------------------------------------------------------------------------
// The Chernoff exponent and its optimum.

TEST(Chernoff, ExponentIsMinusTheLogOfTheOverlapIntegral)
{
    // e^-k(beta) = integral of p1^(1 - beta) p2^beta: class 1 carries 1 - beta.
    Eigen::VectorXd mu1(1), mu2(1);
    mu1 << -0.5;
    mu2 << 1.25;
    const Model m = makeModel(mu1, mu2, Eigen::MatrixXd::Constant(1, 1, 0.7),
                              Eigen::MatrixXd::Constant(1, 1, 2.5));
    const ChernoffCurve curve{CanonicalForm(m)};
    const auto density = [](double x, double mu, double var) {
        return std::exp(-0.5 * (x - mu) * (x - mu) / var) / std::sqrt(2 * M_PI * var);
    };
    boost::math::quadrature::sinh_sinh<double> integrator;
    for (double beta : {0.1, 0.3, 0.5, 0.8, 0.95}) {
        const double overlap = integrator.integrate([&](double x) {
            return std::pow(density(x, -0.5, 0.7), 1 - beta) * std::pow(density(x, 1.25, 2.5), beta);
        });
        EXPECT_NEAR(std::exp(-curve.exponent(beta)), overlap, 1e-12) << beta;
    }
    EXPECT_EQ(curve.exponent(0.0), 0.0);
    EXPECT_EQ(curve.exponent(1.0), 0.0);
}

TEST(Chernoff, AgreesWithBoundsTableInThePlane)
{
    std::mt19937_64 rng(15);
    static BoundTable table;
    for (int i = 0; i < 20; ++i) {
        const Model m = randomModel(rng, 2);
        double mu1[2][1] = {{m.mu1(0)}, {m.mu1(1)}}, mu2[2][1] = {{m.mu2(0)}, {m.mu2(1)}};
        double s1[2][2] = {{m.sigma1(0, 0), m.sigma1(0, 1)}, {m.sigma1(1, 0), m.sigma1(1, 1)}};
        double s2[2][2] = {{m.sigma2(0, 0), m.sigma2(0, 1)}, {m.sigma2(1, 0), m.sigma2(1, 1)}};
        makeBound(table, mu1, mu2, s1, s2);
        const ChernoffCurve curve{CanonicalForm(m)};
        // Bound inverts through a float reciprocal: agreement to about 1e-7.
        for (int row : {1, 1234, 5000, 7777, 9999})
            EXPECT_NEAR(std::exp(-curve.exponent(table[row][0])), table[row][1], 1e-6 * table[row][1]);
        EXPECT_NEAR(curve.exponent(0.5), getBattacharayyaBound(mu1, mu2, s1, s2),
                    1e-6 * (1 + curve.exponent(0.5)));
    }
}

TEST(Chernoff, OptimumMatchesClosedForms)
{
    // Equal covariances: k(beta) = beta (1 - beta) D^2 / 2, so the bound
    // P1^(1-beta) P2^beta e^-k(beta) is least at beta = 1/2 - ln(P2/P1) / D^2.
    std::mt19937_64 rng(16);
    for (double prior1 : {0.5, 0.3, 0.8}) {
        const Eigen::MatrixXd s = randomCovariance(rng, 4, 1.0);
        const Eigen::VectorXd mu1 = randomVector(rng, 4, 1.0), mu2 = mu1 + randomVector(rng, 4, 2.0);
        const Model m = makeModel(mu1, mu2, s, s, prior1);
        const Eigen::VectorXd d = mu2 - mu1;
        const double D2 = d.dot(s.llt().solve(d));
        const double beta = std::clamp(0.5 - std::log(m.prior2 / m.prior1) / D2, 0.0, 1.0);
        const ChernoffOptimum o = chernoffOptimum(ChernoffCurve(CanonicalForm(m)), m.prior1, m.prior2);
        EXPECT_NEAR(o.beta, beta, 1e-10) << prior1;
        EXPECT_NEAR(o.exponent, beta * (1 - beta) * D2 / 2, 1e-10 * D2);
        EXPECT_NEAR(o.errorBound,
                    std::pow(m.prior1, 1 - beta) * std::pow(m.prior2, beta) * std::exp(-beta * (1 - beta) * D2 / 2),
                    1e-12);
    }
    // Equal means in 1-D, equal priors: k'(beta) = 0 where
    // beta s1 + (1 - beta) s2 = (s1 - s2) / ln(s1 / s2).
    for (auto [s1, s2] : {std::pair{1.0, 4.0}, {3.0, 0.2}, {1.0, 1.001}}) {
        const Model m = makeModel(Eigen::VectorXd::Zero(1), Eigen::VectorXd::Zero(1),
                                  Eigen::MatrixXd::Constant(1, 1, s1), Eigen::MatrixXd::Constant(1, 1, s2));
        const double beta = ((s1 - s2) / std::log(s1 / s2) - s2) / (s1 - s2);
        EXPECT_NEAR(chernoffOptimum(ChernoffCurve(CanonicalForm(m)), 0.5, 0.5).beta, beta, 1e-9)
            << s1 << " " << s2;
    }
}

// ---------------------------------------------------------------------------
// Divergences.

TEST(Divergences, MatchOneDimensionalClosedForms)
{
    for (auto [mu, v1, v2] : {std::tuple{1.0, 1.0, 2.0}, {-3.0, 0.5, 0.5}, {0.0, 4.0, 1.0}, {1e-3, 1.0, 1.0 + 1e-9}}) {
        Eigen::VectorXd mu1(1), mu2(1);
        mu1 << 0;
        mu2 << mu;
        const Model m = makeModel(mu1, mu2, Eigen::MatrixXd::Constant(1, 1, v1),
                                  Eigen::MatrixXd::Constant(1, 1, v2));
        const CanonicalForm form(m);
        const Divergences d = divergences(form, ChernoffCurve(form));
        const auto kl = [&](double va, double vb) {
            return 0.5 * std::log(vb / va) + (va + mu * mu) / (2 * vb) - 0.5;
        };
        EXPECT_NEAR(d.kl12, kl(v1, v2), 1e-13 + 1e-12 * kl(v1, v2));
        EXPECT_NEAR(d.kl21, kl(v2, v1), 1e-13 + 1e-12 * kl(v2, v1));
        const double bc = std::sqrt(2 * std::sqrt(v1 * v2) / (v1 + v2)) * std::exp(-mu * mu / (4 * (v1 + v2)));
        EXPECT_NEAR(d.hellinger, std::sqrt(1 - bc), 1e-8);
    }
}

// ---------------------------------------------------------------------------
// Relations between the figures.

TEST(Figures, BoundsEncloseTheBayesError)
{
    std::mt19937_64 rng(17);
    for (Eigen::Index d : {1, 2, 3, 5, 8})
        for (int i = 0; i < 12; ++i) {
            const Model m = randomModel(rng, d, 0.5 + i % 3);
            const Figures f = figuresOf(m);
            const double e = f.bayes.value, slack = f.bayes.absError;
            const std::string what = "d=" + std::to_string(d) + " case " + std::to_string(i);
            EXPECT_LE(f.bhattacharyya.lowerBound, e + slack) << what;
            EXPECT_LE(e, f.optimum.errorBound + slack) << what;
            EXPECT_LE(f.optimum.errorBound, f.bhattacharyya.upperBound * (1 + 1e-12)) << what;
            // In the plane the table is Bound's, whose float reciprocal is good to 1e-7.
            EXPECT_LE(f.optimum.errorBound, f.tableErrorBound * (1 + (d == 2 ? 1e-6 : 1e-12))) << what;
            EXPECT_LE(e, f.tableErrorBound + slack) << what;
            EXPECT_LE(e, std::min(m.prior1, m.prior2)) << what;
            EXPECT_NEAR(e, m.prior1 * f.bayes.givenClass1 + m.prior2 * f.bayes.givenClass2, 1e-15) << what;
        }
}

TEST(Figures, TableBoundIsTheSmallestRowOfAFullScan)
{
    std::mt19937_64 rng(21);
    for (Eigen::Index d : {2, 3}) {
        for (double prior1 : {0.5, 0.2, 0.9}) {
            Model m = randomModel(rng, d);
            m.prior1 = prior1;
            m.prior2 = 1 - prior1;
            Table t;
            const Figures f = analyse(m, t.get());
            double best = INFINITY, beta = NAN;
            for (const auto& row : t.rows) {
                const double bound = std::pow(m.prior1, 1 - row[0]) * std::pow(m.prior2, row[0]) * row[1];
                if (bound < best) {
                    best = bound;
                    beta = row[0];
                }
            }
            // Rounded up by a few ulps, so that it stays a bound.
            EXPECT_GE(f.tableErrorBound, best) << d << " " << prior1;
            EXPECT_LE(f.tableErrorBound, best * (1 + 8 * DBL_EPSILON)) << d << " " << prior1;
            EXPECT_EQ(f.tableErrorBeta, beta) << d << " " << prior1;
        }
    }
}

TEST(Figures, TableBoundPairsThePriorsTheRightWay)
{
    // Class 2 nine times as spread, class 1 rare: pairing P1 with beta put
    // the "bound" below the Bayes error.
    Eigen::VectorXd mu1(2), mu2(2);
    mu1 << 0, 0;
    mu2 << 1, 0;
    const Model m = makeModel(mu1, mu2, Eigen::MatrixXd::Identity(2, 2), 9 * Eigen::MatrixXd::Identity(2, 2), 0.1);
    const Figures f = figuresOf(m);
    EXPECT_GT(f.tableErrorBound, f.bayes.value);
    EXPECT_GT(f.optimum.errorBound, f.bayes.value);
}

TEST(Figures, InvariantUnderACommonRotationAndShift)
{
    std::mt19937_64 rng(18);
    for (Eigen::Index d : {2, 3, 6}) {
        const Model m = randomModel(rng, d, 1.5);
        const Eigen::MatrixXd r = randomRotation(rng, d);
        const Eigen::VectorXd shift = randomVector(rng, d, 5.0);
        Model moved = m;
        moved.mu1 = r * m.mu1 + shift;
        moved.mu2 = r * m.mu2 + shift;
        moved.sigma1 = r * m.sigma1 * r.transpose();
        moved.sigma2 = r * m.sigma2 * r.transpose();
        moved.sigma1 = 0.5 * (moved.sigma1 + moved.sigma1.transpose()).eval();
        moved.sigma2 = 0.5 * (moved.sigma2 + moved.sigma2.transpose()).eval();
        const Figures a = figuresOf(m), b = figuresOf(moved);
        const auto same = [&](double x, double y, const char* name) {
            EXPECT_NEAR(x, y, 1e-9 * std::fabs(x) + 1e-14) << name << " d=" << d;
        };
        same(a.optimum.beta, b.optimum.beta, "optimum beta");
        same(a.optimum.errorBound, b.optimum.errorBound, "optimum bound");
        same(a.divergences.kl12, b.divergences.kl12, "kl12");
        same(a.divergences.kl21, b.divergences.kl21, "kl21");
        same(a.divergences.hellinger, b.divergences.hellinger, "hellinger");
        same(a.bayes.value, b.bayes.value, "bayes");
        same(a.bayes.givenClass1, b.bayes.givenClass1, "e1");
        same(a.bayes.givenClass2, b.bayes.givenClass2, "e2");
        if (d != 2) {  // in the plane Bound's float reciprocal rounds differently
            same(a.tableFactor, b.tableFactor, "table factor");
            same(a.bhattacharyya.exponent, b.bhattacharyya.exponent, "bhattacharyya");
        }
    }
}

// ---------------------------------------------------------------------------
// Extreme but valid models.

TEST(Extremes, ClassesSeparatedBeyondTheDoubleRangeNeverOverlap)
{
    for (Eigen::Index d : {1, 2, 5}) {
        const Eigen::VectorXd far = Eigen::VectorXd::Constant(d, 1e308);
        const Eigen::MatrixXd s = Eigen::MatrixXd::Identity(d, d);
        const Figures f = figuresOf(makeModel(far, -far, s, s, 0.3));
        EXPECT_EQ(f.bayes.value, 0.0) << d;
        EXPECT_EQ(f.bayes.givenClass1, 0.0);
        EXPECT_EQ(f.bayes.givenClass2, 0.0);
        EXPECT_EQ(f.optimum.errorBound, 0.0);
        EXPECT_EQ(f.optimum.exponent, INFINITY);
        EXPECT_EQ(f.divergences.kl12, INFINITY);
        EXPECT_EQ(f.divergences.hellinger, 1.0);
        EXPECT_EQ(f.bayes.log10Value, -INFINITY);
        if (d != 2) {
            EXPECT_EQ(f.bhattacharyya.upperBound, 0.0);
            EXPECT_EQ(f.tableErrorBound, 0.0);
        }
    }
}

TEST(Extremes, LogarithmsOfTheBayesErrorReachFarBelowTheDoubles)
{
    // Equal covariances: E = e1 = e2 = Phi(-D/2) at equal priors, D the
    // Mahalanobis distance; Boost's erfc in long double reaches 1e-4900.
    const auto log10Tail = [](long double z) {
        return static_cast<double>(std::log10(0.5L * boost::math::erfc(z / std::sqrt(2.0L))));
    };
    EXPECT_NEAR(log10Tail(100), -2173.8715, 1e-4);
    for (auto [d, separation] : {std::pair{1, 200.0}, {3, 300.0}, {2, 6.0}}) {
        const Eigen::MatrixXd s = Eigen::MatrixXd::Identity(d, d) * 4.0;
        const Eigen::VectorXd mu2 = Eigen::VectorXd::Constant(d, 2.0 * separation / std::sqrt(double(d)));
        const BayesError b = bayes(makeModel(Eigen::VectorXd::Zero(d), mu2, s, s));
        const double exact = log10Tail(separation / 2);
        EXPECT_NEAR(b.log10Value, exact, 1e-10 * std::fabs(exact)) << d;
        EXPECT_NEAR(b.log10GivenClass1, exact, 1e-10 * std::fabs(exact)) << d;
        EXPECT_NEAR(b.log10GivenClass2, exact, 1e-10 * std::fabs(exact)) << d;
        if (b.value > 0) {
            EXPECT_NEAR(b.log10Value, std::log10(b.value), 1e-12 * std::fabs(exact));
        }
    }
}

TEST(Extremes, OneDimensionAtTheEdgeMatchesItsClosedFormInBothOrders)
{
    // Equal means, equal priors: the narrower class wins inside |x| < r,
    //   r^2 (1/vn - 1/vw) = ln(vw / vn),
    // so its own error is P(|x| > r) and the wider one's P(|x| < r).
    for (auto [v1, v2] : {std::pair{1e-300, 1e300}, {1e300, 1e-300}, {1e303, 1.0}, {1.0, 1e303},
                          {1e-170, 1e170}, {0.3, 0.3 * (1 + 2e-10)}}) {
        const double vn = std::min(v1, v2), vw = std::max(v1, v2);
        const double r = std::sqrt(vn) * std::sqrt((std::log(vw) - std::log(vn)) / (1 - vn / vw));
        const double narrowError = std::erfc(r / std::sqrt(2 * vn)), wideError = std::erf(r / std::sqrt(2 * vw));
        const Model m = makeModel(Eigen::VectorXd::Zero(1), Eigen::VectorXd::Zero(1),
                                  Eigen::MatrixXd::Constant(1, 1, v1), Eigen::MatrixXd::Constant(1, 1, v2));
        const BayesError b = bayes(m);
        const double exact = 0.5 * (narrowError + wideError);
        EXPECT_NEAR(b.value, exact, 1e-6 * exact) << v1 << " " << v2;
        EXPECT_NEAR(v1 < v2 ? b.givenClass1 : b.givenClass2, narrowError, 1e-6 * narrowError) << v1 << " " << v2;
    }
}

TEST(Extremes, CovariancesAnUlpApartSplitTheErrorEvenly)
{
    // Equal means and covariances one ulp apart: the classes are the same to
    // double precision, and E = 1/2 (it once came out 0.4189).
    for (Eigen::Index d : {1, 2}) {
        Eigen::MatrixXd s1 = Eigen::MatrixXd::Identity(d, d) * 0.3, s2 = s1;
        s2(d - 1, d - 1) = std::nextafter(s2(d - 1, d - 1), 1.0);
        const Figures f = figuresOf(makeModel(Eigen::VectorXd::Zero(d), Eigen::VectorXd::Zero(d), s1, s2));
        EXPECT_NEAR(f.bayes.value, 0.5, 1e-12) << d;
        EXPECT_FALSE(std::isnan(f.bhattacharyya.lowerBound)) << d;  // Bound's k(1/2) may round below 0
        EXPECT_LE(f.bhattacharyya.lowerBound, 0.5) << d;
    }
}

TEST(Extremes, WidelyDifferentScalesStayFinite)
{
    // Variances of 1e300 against 1e-300, means 1e150 apart, in 2 and 200 dimensions.
    for (Eigen::Index d : {2, 200}) {
        const Eigen::MatrixXd wide = 1e300 * Eigen::MatrixXd::Identity(d, d);
        const Eigen::MatrixXd narrow = 1e-300 * Eigen::MatrixXd::Identity(d, d);
        for (bool swap : {false, true}) {
        const Figures f = figuresOf(makeModel(Eigen::VectorXd::Zero(d), Eigen::VectorXd::Constant(d, 1e150),
                                              swap ? narrow : wide, swap ? wide : narrow, 0.5));
        EXPECT_GE(f.bayes.value, 0.0);
        EXPECT_LE(f.bayes.value, 1e-100);
        EXPECT_FALSE(std::isnan(f.optimum.errorBound));
        EXPECT_LE(f.optimum.errorBound, 1e-100);
        EXPECT_FALSE(std::isnan(f.divergences.kl12));
        EXPECT_FALSE(std::isnan(f.divergences.kl21));
        }
    }
}

TEST(Extremes, RandomModelsAtTheEdgeAreOrderedOrRefused)
{
    // Variances and squared means anywhere in 1e-300 ... 1e300: every figure
    // is either NaN (cannot be computed, and bounds says so) or ordered
    // lower bound <= E <= optimum bound, within E's error bound.
    std::mt19937_64 rng(22);
    std::uniform_real_distribution<double> exponent(-300, 300), prior(0.05, 0.95);
    std::normal_distribution<double> z;
    int computed = 0;
    for (int t = 0; t < 600; ++t) {
        const Eigen::Index d = 1 + t % 3;
        Model m = makeModel(Eigen::VectorXd(d), Eigen::VectorXd(d), Eigen::MatrixXd::Zero(d, d),
                            Eigen::MatrixXd::Zero(d, d), prior(rng));
        for (Eigen::Index i = 0; i < d; ++i) {
            m.mu1(i) = z(rng) * std::pow(10.0, exponent(rng) / 2);
            m.mu2(i) = z(rng) * std::pow(10.0, exponent(rng) / 2);
            m.sigma1(i, i) = std::pow(10.0, exponent(rng));
            m.sigma2(i, i) = std::pow(10.0, exponent(rng));
        }
        const CanonicalForm form(m);
        if (!form.representable)
            continue;  // every figure is NaN: checked by figuresOf's callers
        const ChernoffCurve curve(form);
        const BayesError b = figuresOf(m).bayes;  // checked against the bounds there
        const ChernoffOptimum o = chernoffOptimum(curve, m.prior1, m.prior2);
        const double lower = bhattacharyya(curve.exponent(0.5), m.prior1, m.prior2).lowerBound;
        if (std::isnan(b.value) || std::isnan(o.errorBound) || std::isnan(lower))
            continue;
        ++computed;
        EXPECT_LE(lower, b.value + b.absError + 1e-300) << "case " << t;
        EXPECT_LE(b.value, o.errorBound * (1 + 1e-9) + b.absError + 1e-300) << "case " << t;
    }
    EXPECT_GT(computed, 200);
}

TEST(Extremes, BadlyScaledFiftyDimensionsGiveOrderedFiniteFigures)
{
    std::mt19937_64 rng(19);
    Model m;
    m.mu1 = randomVector(rng, 50, 1.0);
    m.mu2 = m.mu1 + randomVector(rng, 50, 0.1);
    m.sigma1 = randomCovariance(rng, 50, std::log(1e8));
    m.sigma2 = randomCovariance(rng, 50, std::log(1e8));
    ASSERT_FALSE(validate(m));
    const Figures f = figuresOf(m);
    for (double v : {f.bayes.value, f.bayes.absError, f.optimum.beta, f.optimum.errorBound, f.divergences.kl12,
                     f.divergences.kl21, f.divergences.hellinger, f.tableFactor, f.bhattacharyya.exponent})
        EXPECT_TRUE(std::isfinite(v)) << v;
    EXPECT_LE(f.bayes.value, f.optimum.errorBound + f.bayes.absError);
}

// ---------------------------------------------------------------------------
// Validation, and use from several threads.

TEST(Model, ValidationNamesTheFieldAndWhy)
{
    Eigen::VectorXd two(2), three(3);
    two << 0, 0;
    three << 1, 2, 3;
    const Eigen::MatrixXd id = Eigen::MatrixXd::Identity(2, 2);
    EXPECT_EQ(validate(makeModel(two, three, id, id))->field, "mu2");
    EXPECT_EQ(validate(makeModel(two, two, Eigen::MatrixXd::Identity(3, 3), id))->field, "sigma1");
    Eigen::MatrixXd bad(2, 2);
    bad << 1, 2, 2, 1;  // eigenvalues 3 and -1
    const auto error = validate(makeModel(two, two, id, bad));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->field, "sigma2");
    EXPECT_NE(error->message.find("smallest eigenvalue -1"), std::string::npos) << error->message;
    bad << 1, 0.5, 0.4, 1;
    EXPECT_NE(validate(makeModel(two, two, bad, id))->message.find("symmetric"), std::string::npos);
    Eigen::VectorXd nan(2);
    nan << 0, NAN;
    EXPECT_EQ(validate(makeModel(nan, two, id, id))->field, "mu1");
    EXPECT_EQ(validate(makeModel(two, two, id, id, 1.0))->field, "priors");
    Model m = makeModel(two, two, id, id);
    m.prior2 = 0.6;
    EXPECT_EQ(validate(m)->field, "priors");
    EXPECT_FALSE(validate(makeModel(two, two, id, id, 0.25)));
}

TEST(Model, EveryProblemCarriesItsFieldAndKind)
{
    const Eigen::Vector2d zero(0, 0);
    const Eigen::MatrixXd id = Eigen::MatrixXd::Identity(2, 2);
    Eigen::MatrixXd indefinite(2, 2), skew(2, 2), infinite = id;
    indefinite << 1, 2, 2, 1;
    skew << 1, 0.5, 0.4, 1;
    infinite(1, 1) = INFINITY;
    struct Case {
        Model model;
        ModelField which;
        ModelProblem problem;
        const char* field;
    };
    Model uneven = makeModel(zero, zero, id, id);
    uneven.prior2 = 0.6;
    const Case cases[] = {
        {makeModel(Eigen::VectorXd(), zero, id, id), ModelField::Mu1, ModelProblem::Size, "mu1"},
        {makeModel(zero, Eigen::Vector3d(0, 0, 0), id, id), ModelField::Mu2, ModelProblem::Size, "mu2"},
        {makeModel(zero, Eigen::Vector2d(0, NAN), id, id), ModelField::Mu2, ModelProblem::NotFinite, "mu2"},
        {makeModel(zero, zero, Eigen::MatrixXd::Identity(3, 3), id), ModelField::Sigma1, ModelProblem::Size, "sigma1"},
        {makeModel(zero, zero, infinite, id), ModelField::Sigma1, ModelProblem::NotFinite, "sigma1"},
        {makeModel(zero, zero, id, skew), ModelField::Sigma2, ModelProblem::NotSymmetric, "sigma2"},
        {makeModel(zero, zero, id, indefinite), ModelField::Sigma2, ModelProblem::NotPositiveDefinite, "sigma2"},
        {makeModel(zero, zero, id, id, 0.0), ModelField::Priors, ModelProblem::PriorRange, "priors"},
        {makeModel(zero, zero, id, id, NAN), ModelField::Priors, ModelProblem::PriorRange, "priors"},
        {uneven, ModelField::Priors, ModelProblem::PriorSum, "priors"},
    };
    for (const Case& c : cases) {
        const auto error = validate(c.model);
        ASSERT_TRUE(error) << c.field;
        EXPECT_EQ(error->which, c.which) << error->field << ": " << error->message;
        EXPECT_EQ(error->problem, c.problem) << error->field << ": " << error->message;
        EXPECT_EQ(error->field, c.field);
        // The cheap check agrees with validate on sizes and finite numbers.
        const bool shapeProblem = c.problem == ModelProblem::Size || c.problem == ModelProblem::NotFinite ||
                                  std::isnan(c.model.prior1);
        EXPECT_EQ(hasShape(c.model), !shapeProblem) << error->field << ": " << error->message;
    }
}

TEST(Doors, AnalysisRefusesWhatItCannotRead)
{
    const Eigen::MatrixXd id = Eigen::MatrixXd::Identity(2, 2);
    const Model plane = makeModel(Eigen::Vector2d(0, 0), Eigen::Vector2d(1, 1), id, 2 * id, 0.3);
    const Model space = makeModel(Eigen::Vector3d(0, 0, 0), Eigen::Vector3d(1, 0, 0), Eigen::MatrixXd::Identity(3, 3),
                                  Eigen::MatrixXd::Identity(3, 3));
    Model unevenSizes = plane;
    unevenSizes.mu2 = Eigen::Vector3d(1, 1, 1);
    Model notFinite = plane;
    notFinite.sigma1(0, 1) = NAN;
    for (const Model& bad : {unevenSizes, notFinite, Model{}})
        EXPECT_THROW(CanonicalForm{bad}, std::invalid_argument);

    const CanonicalForm form(plane);
    CanonicalForm emptyForm = form, unevenForm = form;
    emptyForm.s.resize(0);
    emptyForm.fHalf.resize(0);
    unevenForm.fHalf.resize(3);
    for (const CanonicalForm& bad : {emptyForm, unevenForm}) {
        EXPECT_THROW(ChernoffCurve{bad}, std::invalid_argument);
        EXPECT_THROW(divergences(bad, ChernoffCurve(form)), std::invalid_argument);
    }

    const ChernoffCurve curve(form);
    for (double beta : {-1e-300, 1.0 + DBL_EPSILON, double(NAN), -double(INFINITY)}) {
        EXPECT_THROW(curve.exponent(beta), std::invalid_argument) << beta;
        EXPECT_THROW(curve.slope(beta), std::invalid_argument) << beta;
    }
    EXPECT_EQ(curve.exponent(0.0), 0.0);  // the ends are inside
    EXPECT_EQ(curve.exponent(1.0), 0.0);

    for (const auto& [p1, p2] : {std::pair{0.0, 1.0}, {0.5, 0.6}, {double(NAN), 0.5}, {1.0, 0.0}}) {
        EXPECT_THROW(chernoffOptimum(curve, p1, p2), std::invalid_argument) << p1 << " " << p2;
        EXPECT_THROW(bhattacharyya(0.5, p1, p2), std::invalid_argument) << p1 << " " << p2;
    }
    // A figure that could not be computed passes through as NaN; classes
    // beyond the double range give bounds of 0.
    EXPECT_TRUE(std::isnan(bhattacharyya(NAN, 0.5, 0.5).upperBound));
    EXPECT_EQ(bhattacharyya(INFINITY, 0.5, 0.5).upperBound, 0.0);

    EXPECT_THROW(bayesError(plane, CanonicalForm(space)), std::invalid_argument);
    EXPECT_THROW(bayesError(space, form), std::invalid_argument);
    Model badPriors = plane;
    badPriors.prior1 = 0.9;
    EXPECT_THROW(bayesError(badPriors, form), std::invalid_argument);
    EXPECT_THROW(bayesError(unevenSizes, form), std::invalid_argument);

    static double table[10000][2];
    EXPECT_THROW(analyse(plane, nullptr), std::invalid_argument);
    EXPECT_THROW(analyse(badPriors, table), std::invalid_argument);
    EXPECT_NO_THROW(analyse(plane, table));
}

TEST(Model, AnalysesOnTwoThreadsEqualTheSequentialOnes)
{
    std::mt19937_64 rng(20);
    std::vector<Model> models;
    for (int i = 0; i < 8; ++i)
        models.push_back(randomModel(rng, 1 + i % 4));
    std::vector<Figures> sequential, parallel(models.size());
    for (const Model& m : models)
        sequential.push_back(figuresOf(m));
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t)
        threads.emplace_back([&, t] {
            for (size_t i = t; i < models.size(); i += 2)
                parallel[i] = figuresOf(models[i]);
        });
    for (auto& th : threads)
        th.join();
    for (size_t i = 0; i < models.size(); ++i) {
        EXPECT_EQ(parallel[i].bayes.value, sequential[i].bayes.value);
        EXPECT_EQ(parallel[i].optimum.beta, sequential[i].optimum.beta);
        EXPECT_EQ(parallel[i].tableFactor, sequential[i].tableFactor);
    }
}
