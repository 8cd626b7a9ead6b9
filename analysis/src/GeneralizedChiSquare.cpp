#include "gaussbound/GeneralizedChiSquare.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

#include <boost/math/tools/roots.hpp>

#include "gaussbound/Error.h"

namespace gaussbound {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

Probability valueOf(const TailProbability& t)
{
    return {t.value, t.absError};
}

Probability logOf(const TailProbability& t)
{
    return {t.logValue, t.logAbsError};
}

// P(Z > z) for a standard normal Z, with its logarithm; see the header for
// the method. Hand-written because neither the standard library nor
// Boost.Math has the logarithm of erfc beyond its underflow. The bounds
// allow a few ulps for erfc and log, and the series' first dropped term.
TailProbability normalUpperTail(double z)
{
    constexpr double kEps = std::numeric_limits<double>::epsilon();
    const double value = 0.5 * std::erfc(z / M_SQRT2);
    double log;
    if (z < 0.0) {
        log = std::log1p(-0.5 * std::erfc(-z / M_SQRT2));  // near 0 where the tail is near 1
    } else if (z < 37.0) {
        log = std::log(value);
    } else {
        const double r = 1.0 / (z * z);
        double term = 1.0, sum = 1.0;
        for (int k = 1; std::fabs(term) > 1e-18; ++k) {
            term *= -(2.0 * k - 1.0) * r;
            sum += term;
        }
        log = -0.5 * z * z - std::log(z) - 0.5 * std::log(2.0 * M_PI) + std::log(sum);
    }
    return {value, 4.0 * kEps * value, 0.0, log, 4.0 * kEps * (1.0 + std::fabs(log))};
}

}  // namespace

GeneralizedChiSquare::GeneralizedChiSquare(Eigen::VectorXd w, Eigen::VectorXd k, Eigen::VectorXd lambda, double s,
                                           double m)
    : w_(std::move(w)), k_(std::move(k)), lambda_(std::move(lambda)), s_(s), m_(m)
{
    requireArgument(k_.size() == w_.size() && lambda_.size() == w_.size(),
                    "GeneralizedChiSquare: w, k and lambda need the same size");
    requireArgument(w_.allFinite() && (w_.array() != 0.0).all(),
                    "GeneralizedChiSquare: every weight must be finite and non-zero");
    requireArgument(k_.allFinite() && (k_.array() >= 1.0).all() && (k_.array() == k_.array().floor()).all(),
                    "GeneralizedChiSquare: every degree of freedom must be a whole number, 1 or more");
    requireArgument(lambda_.allFinite() && (lambda_.array() >= 0.0).all(),
                    "GeneralizedChiSquare: every non-centrality must be finite and 0 or more");
    requireArgument(std::isfinite(s_) && s_ >= 0.0 && std::isfinite(m_),
                    "GeneralizedChiSquare: s must be finite and 0 or more, and m finite");
}

QuadraticForm GeneralizedChiSquare::shifted(double x, double sign) const
{
    const Eigen::Index n = w_.size();
    QuadraticForm q;
    q.a.resize(n + 1);
    q.b.resize(n + 1);
    q.c.resize(n + 1);
    q.dof.resize(n + 1);
    q.a << sign * w_, 0.0;
    q.b << lambda_.cwiseSqrt(), 0.0;
    q.c << Eigen::VectorXd::Zero(n), s_;
    q.dof << k_, 1.0;
    q.k = sign * (m_ - x);
    return q;
}

TailProbability GeneralizedChiSquare::tail(double x, bool upper) const
{
    requireArgument(!std::isnan(x), "GeneralizedChiSquare: x is NaN");
    const bool constant = w_.size() == 0 && s_ == 0.0;
    if (std::isinf(x) || constant) {
        // cdf(+inf) and sf(-inf) are 1; a constant's tie belongs to the cdf.
        const bool all = upper ? m_ > x : m_ <= x;
        return {all ? 1.0 : 0.0, 0.0, 0.0, all ? 0.0 : -kInf, 0.0};
    }
    if (w_.size() == 0)  // N(m, s^2): P(Q > x) = P(Z > (x - m) / s), P(Q <= x) = P(Z > (m - x) / s)
        return normalUpperTail((upper ? x - m_ : m_ - x) / s_);
    // P(Q <= x) = P(Q - x < 0), and P(Q > x) = P(x - Q < 0); the two differ
    // only by the tie Q = x, which has probability 0.
    return belowZero(shifted(x, upper ? -1.0 : 1.0));
}

TailProbability GeneralizedChiSquare::density(double x) const
{
    requireArgument(!std::isnan(x), "GeneralizedChiSquare: x is NaN");
    requireArgument(w_.size() > 0 || s_ > 0.0, "GeneralizedChiSquare: a constant has no density");
    if (std::isinf(x))
        return {0.0, 0.0, 0.0, -kInf, 0.0};
    return densityAtZero(shifted(x, 1.0));
}

Probability GeneralizedChiSquare::pdf(double x) const
{
    return valueOf(density(x));
}

Probability GeneralizedChiSquare::logpdf(double x) const
{
    return logOf(density(x));
}

Probability GeneralizedChiSquare::cdf(double x) const
{
    return valueOf(tail(x, false));
}

Probability GeneralizedChiSquare::sf(double x) const
{
    return valueOf(tail(x, true));
}

Probability GeneralizedChiSquare::logcdf(double x) const
{
    return logOf(tail(x, false));
}

Probability GeneralizedChiSquare::logsf(double x) const
{
    return logOf(tail(x, true));
}

double GeneralizedChiSquare::mean() const
{
    return w_.dot(k_ + lambda_) + m_;
}

double GeneralizedChiSquare::variance() const
{
    return 2.0 * w_.cwiseAbs2().dot(k_ + 2.0 * lambda_) + s_ * s_;
}

// The end of the support on the side given: m where every term lies on the
// other side of it (no normal part, and every weight of one sign), else
// infinite.
double GeneralizedChiSquare::supportEnd(bool upper) const
{
    const bool bounded = s_ == 0.0 && (upper ? (w_.array() < 0.0).all() : (w_.array() > 0.0).all());
    return bounded ? m_ : upper ? kInf : -kInf;
}

// The quantile by Boost's TOMS 748 on the logarithm of the tail less ln p,
// g, which is monotone and keeps its resolution where the tail is far below
// the double range. Where the support ends on the tail's side the variable
// is t = ln |x - end|, so that a root 1e-280 from the end is found as
// readily as any other; elsewhere it is x, oriented so that g rises. The
// root is bracketed by steps from the mean that double, and an end where
// the tail is 0 (g infinite: beyond the support, or too far to compute) is
// moved in by bisection until g is finite.
Probability GeneralizedChiSquare::solve(double logp, bool upper) const
{
    if (logp == -kInf)
        return {supportEnd(upper), 0.0};
    if (w_.size() == 0 && s_ == 0.0)
        return {m_, 0.0};
    const double end = supportEnd(upper), sd = std::sqrt(variance());
    const bool bounded = std::isfinite(end);
    const double away = upper ? -1.0 : 1.0;  // from the end into the support
    const auto toX = [&](double t) { return bounded ? end + away * std::exp(t) : away * t; };
    const auto g = [&](double t) { return tail(toX(t), upper).logValue - logp; };
    double lo = bounded ? std::log(std::fabs(mean() - end)) : away * mean(), hi = lo;
    double step = bounded ? 1.0 : sd;
    if (g(lo) < 0.0)
        do
            lo = hi, hi += step, step *= 2.0;
        while (g(hi) < 0.0);
    else
        do
            hi = lo, lo -= step, step *= 2.0;
        while (g(lo) > 0.0);
    for (int i = 0; i < 200 && !std::isfinite(g(lo)); ++i) {
        const double mid = 0.5 * (lo + hi), at = g(mid);
        (std::isfinite(at) && at >= 0.0 ? hi : lo) = mid;
    }
    for (int i = 0; i < 200 && !std::isfinite(g(hi)); ++i) {
        const double mid = 0.5 * (lo + hi), at = g(mid);
        (std::isfinite(at) && at <= 0.0 ? lo : hi) = mid;
    }
    if (!std::isfinite(g(lo)) || !std::isfinite(g(hi))) {  // nearer the end than a double resolves
        const double a = toX(lo), b = toX(hi);
        return {0.5 * (a + b), 0.5 * std::fabs(b - a)};
    }
    std::uintmax_t iterations = 200;
    const auto [ta, tb] =
        boost::math::tools::toms748_solve(g, lo, hi, boost::math::tools::eps_tolerance<double>(50), iterations);
    const double a = toX(ta), b = toX(tb), x = 0.5 * (a + b);
    // The probability's error moves the root by about its ratio to the
    // slope of ln P, taken across a small step inside the support.
    const double h = bounded ? 1e-7 * std::fabs(x - end) : std::fmax(1e-6 * sd, 1e-9 * std::fabs(x));
    const double slope =
        std::fabs(tail(x + h, upper).logValue - tail(x - h, upper).logValue) / (2.0 * h);
    const double moved = slope > 0.0 ? tail(x, upper).logAbsError / slope : kInf;
    return {x, 0.5 * std::fabs(b - a) + moved};
}

Probability GeneralizedChiSquare::quantile(double p) const
{
    requireArgument(p >= 0.0 && p <= 1.0, "GeneralizedChiSquare: a probability must be in [0, 1]");
    // The smaller tail is solved for: 1 - p keeps its digits where p > 1/2.
    return p <= 0.5 ? solve(std::log(p), false) : solve(std::log1p(-p), true);
}

Probability GeneralizedChiSquare::quantileSf(double p) const
{
    requireArgument(p >= 0.0 && p <= 1.0, "GeneralizedChiSquare: a probability must be in [0, 1]");
    return p <= 0.5 ? solve(std::log(p), true) : solve(std::log1p(-p), false);
}

Probability GeneralizedChiSquare::logQuantile(double logp) const
{
    requireArgument(logp <= 0.0, "GeneralizedChiSquare: a probability's logarithm must be 0 or less");
    return logp <= -M_LN2 ? solve(logp, false) : solve(std::log(-std::expm1(logp)), true);
}

Probability GeneralizedChiSquare::logQuantileSf(double logp) const
{
    requireArgument(logp <= 0.0, "GeneralizedChiSquare: a probability's logarithm must be 0 or less");
    return logp <= -M_LN2 ? solve(logp, true) : solve(std::log(-std::expm1(logp)), false);
}

}  // namespace gaussbound
