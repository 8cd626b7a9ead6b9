#include "gaussbound/Chernoff.h"

#include "RisingRoot.h"
#include "gaussbound/Error.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>

#include <boost/math/special_functions/log1p.hpp>

namespace gaussbound {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// One canonical coordinate at one beta, for fScaled = f / 2^(m + 1). S =
// (1 - beta) + beta s^2 is kept as s^2 . delta for s >= 1, so that neither
// s^2 nor f^2 / S overflows before the result does.
struct Coordinate {
    double quadratic;  // fScaled^2 / S = 4^-(m + 1) f^2 / S
    double logGap;     // ln S - beta ln s^2  (>= 0: ln is concave)
    double relSlope;   // dS/dbeta / S = (s^2 - 1) / S
};

Coordinate coordinate(double s, double fScaled, double logS, double beta)
{
    const double x = (s - 1.0) * (s + 1.0);  // s^2 - 1 without cancellation
    Coordinate c;
    if (beta == 0.0) {  // S = 1, where s^-2 in delta may underflow
        c.quadratic = fScaled * fScaled;
        c.relSlope = x;
        c.logGap = 0.0;
    } else if (beta == 1.0) {  // S = s^2, which may underflow for tiny s
        const double g = fScaled / s, r = 1.0 / s;
        c.quadratic = g * g;
        c.relSlope = (1.0 - r) * (1.0 + r);
        c.logGap = 0.0;
    } else if (s >= 1.0) {
        const double delta = beta + (1.0 - beta) / (s * s);
        const double g = fScaled / s;
        c.quadratic = g * g / delta;
        c.relSlope = (1.0 - 1.0 / (s * s)) / delta;
        c.logGap = std::fabs(x) <= 0.5 ? std::log1p(beta * x) - beta * std::log1p(x)
                                       : 2.0 * (1.0 - beta) * logS + std::log(delta);
    } else {
        const double S = (1.0 - beta) + beta * s * s;
        c.quadratic = fScaled * fScaled / S;
        c.relSlope = x / S;
        c.logGap = std::fabs(x) <= 0.5 ? std::log1p(beta * x) - beta * std::log1p(x)
                                       : std::log(S) - 2.0 * beta * logS;
    }
    return c;
}

// x - ln(1 + x) for x > -1, accurate for small x as well.
double gapOfLog(double x, double logOnePlusX)
{
    return std::fabs(x) < 0.5 ? -boost::math::log1pmx(x) : x - logOnePlusX;
}

}  // namespace

ChernoffCurve::ChernoffCurve(const CanonicalForm& form)
    : s_(form.s), logS_(form.s.array().log()), beyondRange_(form.beyondRange)
{
    requireArgument(form.s.size() >= 1 && form.fHalf.size() == form.s.size(),
                    "ChernoffCurve: the form's s and fHalf need the same size, at least 1");
    // f / 2 = fHalf divided by 2^m more, a power of two (exact), so that the
    // squares stay in range; the quadratic terms are scaled back by 4^(m + 1)
    // only once summed.
    const double largest = form.fHalf.cwiseAbs().maxCoeff();
    scale_ = largest > 0.0 ? std::max(std::ilogb(largest), 0) : 0;
    fScaled_ = form.fHalf.unaryExpr([this](double v) { return std::ldexp(v, -scale_); });
}

double ChernoffCurve::exponent(double beta) const
{
    requireArgument(beta >= 0.0 && beta <= 1.0, "ChernoffCurve::exponent: beta must lie in [0, 1]");
    const double w = beta * (1.0 - beta);
    if (w == 0.0)
        return 0.0;
    if (beyondRange_)
        return kInf;
    double quadratic = 0.0, logGap = 0.0;
    for (Eigen::Index i = 0; i < s_.size(); ++i) {
        const Coordinate c = coordinate(s_(i), fScaled_(i), logS_(i), beta);
        quadratic += c.quadratic;
        logGap += c.logGap;
    }
    return std::ldexp(0.5 * w * quadratic, 2 * scale_ + 2) + 0.5 * logGap;
}

double ChernoffCurve::slope(double beta) const
{
    requireArgument(beta >= 0.0 && beta <= 1.0, "ChernoffCurve::slope: beta must lie in [0, 1]");
    if (beyondRange_)
        return beta < 0.5 ? kInf : beta > 0.5 ? -kInf : 0.0;
    double quadratic = 0.0, curvature = 0.0, logSlope = 0.0;
    for (Eigen::Index i = 0; i < s_.size(); ++i) {
        const Coordinate c = coordinate(s_(i), fScaled_(i), logS_(i), beta);
        quadratic += c.quadratic;
        curvature += c.quadratic * c.relSlope;
        logSlope += c.relSlope - 2.0 * logS_(i);
    }
    // At the ends the curvature term carries weight 0 (S may overflow there).
    const double w = beta * (1.0 - beta);
    const double scaled = 0.5 * (1.0 - 2.0 * beta) * quadratic - (w == 0.0 ? 0.0 : 0.5 * w * curvature);
    return std::ldexp(scaled, 2 * scale_ + 2) + 0.5 * logSlope;
}

ChernoffOptimum chernoffOptimum(const ChernoffCurve& curve, double prior1, double prior2)
{
    requireArgument(!validatePriors(prior1, prior2), "chernoffOptimum: the priors are not valid (see validatePriors)");
    const double logRatio = std::log(prior2) - std::log(prior1);
    // d/dbeta of ln(P1^(1-beta) P2^beta e^-k(beta)); rises with beta. Kept
    // within +-1e100 so that the root finder's interpolations stay finite; a
    // NaN (infinities cancelling where the classes are beyond the double
    // range) counts as the root.
    const auto derivative = [&](double beta) {
        const double d = logRatio - curve.slope(beta);
        return std::isnan(d) ? 0.0 : std::clamp(d, -1e100, 1e100);
    };
    double beta;
    if (derivative(0.0) >= 0.0) {
        beta = 0.0;
    } else if (derivative(1.0) <= 0.0) {
        beta = 1.0;
    } else {
        beta = risingRoot(derivative, 0.0, 1.0, 42);
    }
    const double k = curve.exponent(beta);
    return {beta, k, std::pow(prior1, 1.0 - beta) * std::pow(prior2, beta) * std::exp(-k)};
}

Bhattacharyya bhattacharyya(double exponent, double prior1, double prior2)
{
    requireArgument(!validatePriors(prior1, prior2), "bhattacharyya: the priors are not valid (see validatePriors)");
    Bhattacharyya b;
    b.exponent = exponent;
    b.factor = std::exp(-exponent);
    // Both bounds rounded outward by a few units in the last place.
    b.upperBound = std::sqrt(prior1 * prior2) * b.factor * (1.0 + 4.0 * DBL_EPSILON);
    // 1 - sqrt(1 - u) written as u / (1 + sqrt(1 - u)): no cancellation for
    // small u. u <= 1 in exact arithmetic; a rounded k(1/2) a few ulps below
    // 0 (Bound's, for two equal classes) must not make it a NaN.
    const double u = std::fmin(4.0 * prior1 * prior2 * b.factor * b.factor, 1.0);
    b.lowerBound = 0.5 * u / (1.0 + std::sqrt(1.0 - u)) * (1.0 - 4.0 * DBL_EPSILON);
    return b;
}

// With x_i = s_i^2 - 1:
//   KL(1||2) = 1/2 sum_i [ x_i - ln(1 + x_i) + f_i^2 ],
//   KL(2||1) = 1/2 sum_i [ y_i - ln(1 + y_i) + f_i^2 / s_i^2 ],  y_i = 1 / s_i^2 - 1.
Divergences divergences(const CanonicalForm& form, const ChernoffCurve& curve)
{
    requireArgument(form.s.size() >= 1 && form.fHalf.size() == form.s.size(),
                    "divergences: the form's s and fHalf need the same size, at least 1");
    Divergences d{kInf, kInf, 1.0};
    if (form.beyondRange)
        return d;
    double kl12 = 0.0, kl21 = 0.0;
    for (Eigen::Index i = 0; i < form.s.size(); ++i) {
        const double s = form.s(i), logS = std::log(s), f = form.fHalf(i);
        const double r = 1.0 / s;
        const double x = (s - 1.0) * (s + 1.0), y = (r - 1.0) * (r + 1.0);
        kl12 += gapOfLog(x, 2.0 * logS) + 4.0 * f * f;
        kl21 += gapOfLog(y, -2.0 * logS) + 4.0 * (f / s) * (f / s);
    }
    d.kl12 = 0.5 * kl12;
    d.kl21 = 0.5 * kl21;
    d.hellinger = std::sqrt(-std::expm1(-curve.exponent(0.5)));
    return d;
}

}  // namespace gaussbound
