// The generalised chi-square distribution against its special cases in
// Boost.Math (chi-square, non-central chi-square, normal), the Laplace
// distribution (the difference of two chi-squares of 2 degrees), an
// expansion of its terms into unit terms, and the asymptotic series of the
// normal tail far below the double range.
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/non_central_chi_squared.hpp>
#include <boost/math/distributions/normal.hpp>
#include <boost/math/special_functions/erf.hpp>

#include <gaussbound/GeneralizedChiSquare.h>
#include <gaussbound/QuadraticForm.h>

namespace {

using gaussbound::GeneralizedChiSquare;
using Eigen::VectorXd;

VectorXd v(std::initializer_list<double> values)
{
    VectorXd r(static_cast<Eigen::Index>(values.size()));
    Eigen::Index i = 0;
    for (double x : values)
        r(i++) = x;
    return r;
}

// The value within 1e-10 relative of the exact one, and within its own
// bound (with a little room for the reference's rounding).
void expectClose(const gaussbound::Probability& p, double exact, const std::string& what)
{
    EXPECT_NEAR(p.value, exact, 1e-10 * std::fabs(exact)) << what;
    EXPECT_LE(std::fabs(p.value - exact), p.absError + 1e-14 * std::fabs(exact)) << what;
}

// ln Phi(-x) for large x from the asymptotic series
//   Phi(-x) = phi(x) / x (1 - 1/x^2 + 3/x^4 - 15/x^6 + 105/x^8 - ...).
double logNormalTail(double x)
{
    long double series = 1, term = 1;
    for (int j = 1; j <= 8; ++j) {
        term *= -(2.0L * j - 1) / (static_cast<long double>(x) * x);
        series += term;
    }
    return static_cast<double>(-0.5L * x * x - std::log(static_cast<long double>(x)) -
                               0.5L * std::log(2 * 3.14159265358979323846264338327950288L) + std::log(series));
}

}  // namespace

TEST(GeneralizedChiSquare, IsTheChiSquareTheNonCentralChiSquareAndTheNormal)
{
    for (double k : {1.0, 2.0, 7.0, 40.0}) {
        const GeneralizedChiSquare q(v({1.0}), v({k}), v({0.0}));
        const boost::math::chi_squared reference(k);
        for (double x : {0.001, 0.5, k, 3 * k + 20, 400.0}) {
            const std::string what = "chi2(" + std::to_string(k) + ") at " + std::to_string(x);
            expectClose(q.cdf(x), boost::math::cdf(reference, x), what);
            expectClose(q.sf(x), boost::math::cdf(boost::math::complement(reference, x)), what);
        }
        EXPECT_EQ(q.mean(), boost::math::mean(reference));
        EXPECT_EQ(q.variance(), boost::math::variance(reference));
        EXPECT_EQ(q.cdf(-1).value, 0.0);
        EXPECT_EQ(q.logcdf(-1).value, -std::numeric_limits<double>::infinity());
    }
    for (double lambda : {0.5, 4.0, 30.0}) {
        // 2.5 times a non-central chi-square of 3 degrees, shifted by -1.
        const GeneralizedChiSquare q(v({2.5}), v({3.0}), v({lambda}), 0.0, -1.0);
        const boost::math::non_central_chi_squared reference(3.0, lambda);
        for (double y : {0.05, 1.0, 5.0, 40.0, 120.0}) {
            const std::string what = "ncx2(3, " + std::to_string(lambda) + ") at " + std::to_string(y);
            expectClose(q.cdf(2.5 * y - 1.0), boost::math::cdf(reference, y), what);
            expectClose(q.sf(2.5 * y - 1.0), boost::math::cdf(boost::math::complement(reference, y)), what);
        }
        EXPECT_NEAR(q.mean(), 2.5 * boost::math::mean(reference) - 1.0, 1e-13 * q.mean());
        EXPECT_NEAR(q.variance(), 6.25 * boost::math::variance(reference), 1e-13 * q.variance());
    }
    const GeneralizedChiSquare normal(VectorXd(0), VectorXd(0), VectorXd(0), 2.0, 3.0);
    const boost::math::normal reference(3.0, 2.0);
    for (double x : {-60.0, -5.0, 2.9, 3.0, 10.0, 70.0}) {
        expectClose(normal.cdf(x), boost::math::cdf(reference, x), "normal at " + std::to_string(x));
        expectClose(normal.sf(x), boost::math::cdf(boost::math::complement(reference, x)),
                    "normal at " + std::to_string(x));
    }
}

TEST(GeneralizedChiSquare, LogarithmsOfTailsFarBelowTheDoubles)
{
    // The difference of two chi-squares of 2 degrees (exponentials of mean
    // 2) is Laplace: P(Q > x) = e^(-x/2) / 2 for x >= 0.
    const GeneralizedChiSquare laplace(v({1.0, -1.0}), v({2.0, 2.0}), v({0.0, 0.0}));
    for (double x : {0.5, 10.0, 1000.0, 3000.0}) {
        const double exact = -M_LN2 - x / 2;
        const gaussbound::Probability p = laplace.logsf(x);
        EXPECT_NEAR(p.value, exact, 1e-10 * std::fabs(exact)) << x;
        EXPECT_LE(std::fabs(p.value - exact), p.absError + 1e-15 * std::fabs(exact)) << x;
        EXPECT_NEAR(laplace.logcdf(-x).value, exact, 1e-10 * std::fabs(exact)) << x;
        EXPECT_NEAR(laplace.cdf(x).value, 1 - 0.5 * std::exp(-x / 2), 1e-15) << x;
    }
    // ln Phi(-x): Boost's erfc in long double reaches x = 100 (1e-2174);
    // beyond, the asymptotic series.
    const GeneralizedChiSquare z(VectorXd(0), VectorXd(0), VectorXd(0), 1.0);
    const double at100 = static_cast<double>(std::log(0.5L * boost::math::erfc(100.0L / std::sqrt(2.0L))));
    EXPECT_NEAR(at100, -5005.524, 1e-3);
    EXPECT_NEAR(z.logcdf(-100).value, at100, 1e-10 * 5005.5);
    EXPECT_NEAR(z.logsf(100).value, at100, 1e-10 * 5005.5);
    EXPECT_NEAR(logNormalTail(100), at100, 1e-12 * 5005.5);
    EXPECT_NEAR(z.logcdf(-1000).value, logNormalTail(1000), 1e-10 * 500007.82);
    EXPECT_NEAR(logNormalTail(1000), -500007.82, 0.01);
    // And the larger side: ln(1 - Phi(-40)), a tail of 4e-350 below 1.
    EXPECT_EQ(z.logcdf(40).value, -0.0);
    EXPECT_NEAR(z.logcdf(3).value, std::log1p(-boost::math::cdf(boost::math::normal(), -3.0)), 1e-15);
}

TEST(GeneralizedChiSquare, DensitiesAreTheSpecialCasesDensities)
{
    for (double k : {1.0, 2.0, 9.0}) {
        const GeneralizedChiSquare q(v({1.0}), v({k}), v({0.0}));
        const boost::math::chi_squared reference(k);
        for (double x : {0.001, 0.7, k, 5 * k + 30})
            expectClose(q.pdf(x), boost::math::pdf(reference, x), "chi2 " + std::to_string(k) + " at " + std::to_string(x));
        EXPECT_EQ(q.pdf(-0.5).value, 0.0);  // beyond the support
    }
    const GeneralizedChiSquare shifted(v({2.5}), v({3.0}), v({4.0}), 0.0, -1.0);
    const boost::math::non_central_chi_squared reference(3.0, 4.0);
    for (double y : {0.05, 2.0, 7.0, 60.0})
        expectClose(shifted.pdf(2.5 * y - 1.0), boost::math::pdf(reference, y) / 2.5, "ncx2 at " + std::to_string(y));
    // The normal, at its mean too, where the saddle point is 0.
    const GeneralizedChiSquare normal(VectorXd(0), VectorXd(0), VectorXd(0), 2.0, 3.0);
    for (double x : {-20.0, 3.0, 4.5})
        expectClose(normal.pdf(x), boost::math::pdf(boost::math::normal(3.0, 2.0), x), "normal at " + std::to_string(x));
    // Laplace: e^(-|x|/2) / 4, in logarithms far beyond the doubles.
    const GeneralizedChiSquare laplace(v({1.0, -1.0}), v({2.0, 2.0}), v({0.0, 0.0}));
    for (double x : {-3000.0, -1.0, 0.25, 40.0, 3000.0}) {
        const double exact = -2 * M_LN2 - std::fabs(x) / 2;
        EXPECT_NEAR(laplace.logpdf(x).value, exact, 1e-10 * std::fabs(exact)) << x;
        EXPECT_LE(std::fabs(laplace.logpdf(x).value - exact), laplace.logpdf(x).absError + 1e-15 * std::fabs(exact));
    }
}

TEST(GeneralizedChiSquare, TermsOfSeveralDegreesAreTheirUnitTermsTogether)
{
    // 0.7 ncx2(3, 1.5) - 1.2 ncx2(2, 0.3) + 0.4 Z + 0.1, and the same as six
    // unit terms: one square holds each non-centrality, the rest are central.
    const GeneralizedChiSquare q(v({0.7, -1.2}), v({3.0, 2.0}), v({1.5, 0.3}), 0.4, 0.1);
    const double r1 = std::sqrt(1.5), r2 = std::sqrt(0.3);
    for (double x : {-8.0, -1.0, 0.3, 2.0, 12.0}) {
        const gaussbound::QuadraticForm units{v({0.7, 0.7, 0.7, -1.2, -1.2, 0.0}), v({r1, 0, 0, r2, 0, 0}),
                                              v({0, 0, 0, 0, 0, 0.4}), 0.1 - x};
        const double exact = gaussbound::belowZero(units).value;
        EXPECT_NEAR(q.cdf(x).value, exact, 1e-12 * std::fmin(exact, 1 - exact)) << x;
        EXPECT_NEAR(q.sf(x).value, 1 - exact, 1e-12 * std::fmin(exact, 1 - exact)) << x;
    }
    EXPECT_NEAR(q.mean(), 0.7 * 4.5 - 1.2 * 2.3 + 0.1, 1e-15);
    EXPECT_NEAR(q.variance(), 2 * 0.49 * 6 + 2 * 1.44 * 2.6 + 0.16, 1e-14);
}

TEST(GeneralizedChiSquare, QuantilesInvertTheTails)
{
    for (double k : {1.0, 5.0}) {
        const GeneralizedChiSquare q(v({1.0}), v({k}), v({0.0}));
        const boost::math::chi_squared reference(k);
        for (double p : {k == 1 ? 1e-140 : 1e-300, 1e-12, 0.01, 0.5, 0.9, 1 - 1e-12}) {
            const double exact = boost::math::quantile(reference, p);
            const gaussbound::Probability x = q.quantile(p);
            EXPECT_NEAR(x.value, exact, 1e-9 * exact) << k << " " << p;
            EXPECT_LE(std::fabs(x.value - exact), x.absError + 1e-14 * exact) << k << " " << p;
            const double upper = boost::math::quantile(boost::math::complement(reference, p));
            EXPECT_NEAR(q.quantileSf(p).value, upper, 1e-9 * upper) << k << " " << p;
        }
        EXPECT_EQ(q.quantile(0).value, 0.0);  // the support's ends
        EXPECT_EQ(q.quantile(1).value, std::numeric_limits<double>::infinity());
    }
    // From logarithms far below the doubles: the Laplace tail at 3000.
    const GeneralizedChiSquare laplace(v({1.0, -1.0}), v({2.0, 2.0}), v({0.0, 0.0}));
    EXPECT_NEAR(laplace.logQuantileSf(-M_LN2 - 1500).value, 3000, 1e-8 * 3000);
    EXPECT_NEAR(laplace.logQuantile(-M_LN2 - 1500).value, -3000, 1e-8 * 3000);
    EXPECT_NEAR(laplace.logQuantile(std::log(0.75)).value, 2 * M_LN2, 1e-12);
    EXPECT_EQ(laplace.quantile(0).value, -std::numeric_limits<double>::infinity());
}

TEST(GeneralizedChiSquare, RefusesWhatItCannotRead)
{
    const VectorXd one = v({1.0});
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    EXPECT_THROW(GeneralizedChiSquare(one, v({1, 2}), one), std::invalid_argument);
    EXPECT_THROW(GeneralizedChiSquare(v({0.0}), one, one), std::invalid_argument);
    EXPECT_THROW(GeneralizedChiSquare(v({inf}), one, one), std::invalid_argument);
    EXPECT_THROW(GeneralizedChiSquare(one, v({0.0}), one), std::invalid_argument);
    EXPECT_THROW(GeneralizedChiSquare(one, v({1.5}), one), std::invalid_argument);
    EXPECT_THROW(GeneralizedChiSquare(one, one, v({-1.0})), std::invalid_argument);
    EXPECT_THROW(GeneralizedChiSquare(one, one, one, -1.0), std::invalid_argument);
    EXPECT_THROW(GeneralizedChiSquare(one, one, one, 0.0, nan), std::invalid_argument);
    const GeneralizedChiSquare q(one, one, one);
    EXPECT_THROW(q.cdf(nan), std::invalid_argument);
    EXPECT_THROW(q.quantile(1.5), std::invalid_argument);
    EXPECT_THROW(q.quantileSf(-0.1), std::invalid_argument);
    EXPECT_THROW(q.logQuantile(0.1), std::invalid_argument);
    EXPECT_THROW(q.logQuantileSf(nan), std::invalid_argument);
    // A constant: its whole mass at m.
    const GeneralizedChiSquare constant(VectorXd(0), VectorXd(0), VectorXd(0), 0.0, 2.0);
    EXPECT_EQ(constant.cdf(2.0).value, 1.0);
    EXPECT_EQ(constant.sf(2.0).value, 0.0);
    EXPECT_EQ(constant.quantile(0.3).value, 2.0);
    EXPECT_THROW(constant.pdf(2.0), std::invalid_argument);
}
