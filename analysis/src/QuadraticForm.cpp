#include "gaussbound/QuadraticForm.h"

#include "RisingRoot.h"

#include "gaussbound/Error.h"

#include <cfloat>
#include <cmath>
#include <complex>
#include <limits>
#include <stdexcept>
#include <string>

#include <boost/math/quadrature/exp_sinh.hpp>

namespace gaussbound {

namespace {

using Complex = std::complex<double>;
constexpr double kInf = std::numeric_limits<double>::infinity();

// Q with its cumulant generating function K(s) = ln E e^(sQ) and the
// function H(s) = K(s) - ln(side . s) whose exponential is |M(s) / s| on the
// real axis; side = -1 for the lower tail (s < 0), +1 for the upper (s > 0).
// For the density, H = K: the integrand is M(s) itself, and side is where
// the saddle point lies (opposite to the mean's sign).
struct Form {
    const Eigen::VectorXd& a;
    Eigen::VectorXd ab2;  // a_i b_i^2, formed as (a_i b_i) b_i: finite where it matters
    Eigen::VectorXd c2;   // c_i^2
    Eigen::VectorXd n;    // multiplicities
    double k;
    double side;
    const QuadraticForm& source;
    bool density = false;  // its b and c, and the caller's bounds on the coefficients' errors

    // H(s) for real s in the domain.
    double h(double s) const
    {
        double sum = s * k - (density ? 0.0 : std::log(side * s));
        for (Eigen::Index i = 0; i < a.size(); ++i) {
            const double t = 1.0 - 2.0 * a(i) * s;
            sum += -0.5 * n(i) * std::log(t) + ab2(i) * (s / t) + 0.5 * c2(i) * s * (s / t);
        }
        return sum;
    }

    // H'(s) = K'(s) - 1/s; rises through zero at the saddle point.
    double slope(double s) const
    {
        double sum = k - (density ? 0.0 : 1.0 / s);
        for (Eigen::Index i = 0; i < a.size(); ++i) {
            const double t = 1.0 - 2.0 * a(i) * s;
            // Written as ratios that stay bounded as |s| grows.
            sum += n(i) * a(i) / t + ab2(i) / t / t + c2(i) * (s / t) * ((1.0 - a(i) * s) / t);
        }
        return sum;
    }
    // s^2 H''(s) = s^2 K''(s) + 1 > 0: multiplied by s^2 so that neither a
    // saddle point near 0 nor one far out overflows.
    double scaledCurvature(double s) const
    {
        double sum = 1.0;
        for (Eigen::Index i = 0; i < a.size(); ++i) {
            const double t = 1.0 - 2.0 * a(i) * s, as = a(i) * s / t;
            sum += 2.0 * n(i) * as * as + (4.0 * as * ab2(i) * s / t + c2(i) * s * (s / t)) / t;
        }
        return sum;
    }
    // The width of the integrand's peak at the saddle point c: 1 / sqrt(H''(c)).
    double width(double c) const
    {
        if (!density)
            return std::fabs(c) / std::sqrt(scaledCurvature(c));
        double curvature = 0.0;  // K''(c)
        for (Eigen::Index i = 0; i < a.size(); ++i) {
            const double t = 1.0 - 2.0 * a(i) * c;
            curvature += 2.0 * n(i) * (a(i) / t) * (a(i) / t) + (4.0 * a(i) * ab2(i) + c2(i)) / (t * t * t);
        }
        return 1.0 / std::sqrt(curvature);
    }

    // |k| + sum |K_i'(s)|: how far each term moves the tilted mean, the
    // scale against which rounding of the coefficients is judged.
    double termSlopes(double s) const
    {
        double sum = std::fabs(k);
        for (Eigen::Index i = 0; i < a.size(); ++i) {
            const double t = 1.0 - 2.0 * a(i) * s;
            sum += n(i) * std::fabs(a(i) / t) + std::fabs(ab2(i) / t / t) +
                   std::fabs(c2(i) * (s / t) * ((1.0 - a(i) * s) / t));
        }
        return sum;
    }

    // |dK/dtheta| delta theta summed over the coefficients theta at real s:
    // to first order, how far ln P moves when each coefficient moves by
    // its error (at the saddle point, where the other factors of the tail
    // are stationary). With t = 1 - 2 a s,
    //   dK/dk = s, dK/db = 2 s a b / t, dK/dc = s^2 c / t,
    //   dK/da = n s / t + s b^2 / t^2 + s^3 c^2 / t^2.
    double perturbation(double s) const
    {
        double sum = std::fabs(s) * source.kError;
        const auto at = [](const Eigen::VectorXd& v, Eigen::Index i) { return v.size() ? v(i) : 0.0; };
        for (Eigen::Index i = 0; i < a.size(); ++i) {
            const double t = 1.0 - 2.0 * a(i) * s, b = source.b(i), c = source.c(i);
            const double dA = n(i) * s / t + s * (b / t) * (b / t) + s * (s / t) * (s / t) * c * c;
            sum += std::fabs(dA) * at(source.aError, i) + std::fabs(2.0 * s * a(i) * b / t) * at(source.bError, i) +
                   std::fabs(s * (s / t) * c) * at(source.cError, i);
        }
        return sum;
    }
};

// The end of the real interval on which M(s) exists, on the form's side:
// the nearest 1 / (2 a_i) of that sign, or infinity.
double branchPoint(const Form& q)
{
    double end = q.side * kInf;
    for (Eigen::Index i = 0; i < q.a.size(); ++i) {
        if (q.a(i) == 0.0)
            continue;
        const double b = 0.5 / q.a(i);
        if (q.side * b > 0.0 && std::fabs(b) < std::fabs(end))
            end = b;
    }
    return end;
}

// The saddle point c on the form's side, or 0 when H falls without end (Q
// never lies on that side of zero). Any c in the domain gives the same
// integral, so a few digits are plenty.
double saddlePoint(const Form& q, double scale)
{
    const double branch = branchPoint(q);
    const double limit = std::isinf(branch) ? q.side * 0x1p1000 : branch * (1.0 - 0x1p-50);
    // Walk in factors of two from 1/sd(Q) until H' changes sign.
    double s = q.side * scale, previous = s;
    if (std::fabs(s) > std::fabs(limit))
        s = limit;
    const bool outward = q.slope(s) * q.side < 0.0;  // the root lies farther out
    for (int step = 0; step < 2200; ++step) {
        previous = s;
        s = outward ? s * 2.0 : s * 0.5;
        if (outward && std::fabs(s) >= std::fabs(limit))
            s = limit;
        if ((q.slope(s) * q.side < 0.0) != outward || s == limit)
            break;
    }
    double lo = std::fmin(s, previous), hi = std::fmax(s, previous);
    if ((q.slope(lo) < 0.0) == (q.slope(hi) < 0.0))
        return s;
    return risingRoot([&](double x) { return q.slope(x); }, lo, hi, 20);
}

// The rate at which Re K(s) grows with Re s far from the origin:
// k - sum c_i^2 / (4 a_i) over a_i != 0. The ray leans against it.
double farRate(const Form& q)
{
    double rate = q.k;
    for (Eigen::Index i = 0; i < q.a.size(); ++i)
        if (q.a(i) != 0.0)
            rate -= q.c2(i) / (4.0 * q.a(i));
    return rate;
}

// sqrt(z) on the principal branch from real square roots alone (no hypot
// or atan2, which cost more than the rest of the integrand).
Complex principalRoot(Complex z)
{
    const double r = std::sqrt(std::norm(z)), x = std::real(z), y = std::imag(z);
    if (x >= 0.0) {
        const double u = std::sqrt(0.5 * (r + x));
        return {u, u > 0.0 ? 0.5 * y / u : 0.0};
    }
    const double v = std::copysign(std::sqrt(0.5 * (r - x)), y);
    return {0.5 * y / v, v};
}

// e^(H(s) - H(c)) for complex s, relative to the saddle point c: the
// exponential part of M(s) divided by (side s) prod sqrt(1 - 2 a_i s), each
// factor taken relative to its value at c so that no product overflows.
// Only e^H is needed, so the logarithm's branches never arise.
struct Contour {
    const Form& q;
    double c;
    double exponentAtC;  // sum of the terms of K(c) other than the logarithms
    Eigen::VectorXd tAtC;  // 1 - 2 a_i c > 0

    Contour(const Form& form, double saddle) : q(form), c(saddle), exponentAtC(saddle * form.k)
    {
        tAtC.resize(q.a.size());
        for (Eigen::Index i = 0; i < q.a.size(); ++i) {
            const double t = 1.0 - 2.0 * q.a(i) * c;
            exponentAtC += q.ab2(i) * (c / t) + 0.5 * q.c2(i) * c * (c / t);
            tAtC(i) = t;
        }
    }

    Complex relative(Complex s) const
    {
        Complex exponent = s * q.k, root = q.density ? Complex(1.0) : s / c;
        for (Eigen::Index i = 0; i < q.a.size(); ++i) {
            // t = 1 - 2 a s as tAtC . ratio: |ratio| is near 1 where the
            // integrand matters, however large t itself is.
            const Complex ratio = (1.0 - 2.0 * q.a(i) * s) / tAtC(i);
            const Complex sOverT = s * std::conj(ratio) / std::norm(ratio) / tAtC(i);
            exponent += q.ab2(i) * sOverT + 0.5 * q.c2(i) * s * sOverT;
            const Complex r = principalRoot(ratio);
            root *= q.n(i) == 1.0 ? r : std::pow(r, q.n(i));  // r^n = e^(n Log r): principal, as r is
        }
        const double size = std::norm(root);
        if (!(size > 0.0) || std::isinf(size))
            return 0.0;
        return std::exp(exponent - exponentAtC) * std::conj(root) / size;
    }
};

// Whether |M(s) / s| stays below its value at the saddle along the ray
// s = c + (tilt + i) u width, sampled from u = 2^-10 to 2^30.
bool rayStaysLow(const Contour& contour, double width, double tilt)
{
    for (int j = 0; j <= 80; ++j) {
        const double u = std::ldexp(1.0, -10) * std::exp2(j / 2.0);
        const Complex s = contour.c + Complex(tilt, 1.0) * (u * width);
        if (std::abs(contour.relative(s)) > std::exp(0.5))
            return false;
    }
    return true;
}

// Whether Q never lies on the form's side of zero: every square term opens
// away from it, no term is linear alone, and Q's extreme value, the far rate,
// is on the other side.
bool sideEmpty(const Form& q)
{
    for (Eigen::Index i = 0; i < q.a.size(); ++i)
        if (q.side * q.a(i) > 0.0 || (q.a(i) == 0.0 && q.c2(i) > 0.0))
            return false;
    return q.side * farRate(q) <= 0.0;
}

// P(Q < 0) (side -1) or P(Q > 0) (side +1) from the contour integral, or
// Q's density at 0. The density is 0 where 0 lies beyond Q's support, which
// then ends on the saddle point's side.
TailProbability contourTail(const Form& q, double variance, double mean)
{
    if (sideEmpty(q))
        return {0.0, 0.0, 0.0, -kInf, 0.0};
    const double c = q.density && mean == 0.0 ? 0.0 : saddlePoint(q, 1.0 / std::sqrt(variance));
    const double width = q.width(c);
    const Contour contour(q, c);
    const double rate = farRate(q);
    double tilt = 0.0;
    for (double lean : {0.5, 0.25, 0.125})
        if (const double t = rate > 0.0 ? -lean : rate < 0.0 ? lean : 0.0;
            t != 0.0 && rayStaysLow(contour, width, t)) {
            tilt = t;
            break;
        }

    const double top = q.h(c);
    const Complex direction(tilt, 1.0);
    const auto integrand = [&](double u) {
        const double v = std::imag(contour.relative(c + direction * (u * width)) * direction);
        return std::isfinite(v) ? v : 0.0;
    };
    boost::math::quadrature::exp_sinh<double> integrator;  // its integrate() is not const in Boost 1.74
    double error = 0.0, l1 = 0.0;
    const double integral = integrator.integrate(integrand, 1e-12, &error, &l1);

    // value = width / pi . e^H(c) . integral, in logarithms: e^H(c) alone can
    // underflow or overflow where the product does not.
    const double logFactor = top + std::log(width / M_PI);
    double logValue = integral > 0.0 ? logFactor + std::log(integral) : -kInf;
    if (!q.density && logValue > 0.0)  // a probability of 1 from a tail
        logValue = 0.0;
    const double value = std::exp(logValue);
    // Rounding: the coefficients carry a relative error of a few ulps each,
    // which moves the tilted mean of each term by as much relative to its
    // size; the log of the tail moves by |c| per unit of Q. The caller's
    // own errors move it by about the perturbation: a first-order estimate
    // at the saddle point, which tests against moved forms find within a
    // factor of two near the middle of the distribution, so four times it
    // is taken, outward (e^x - 1 >= x).
    const double rounding = 64.0 * (q.a.size() + 1) * DBL_EPSILON * (1.0 + std::fabs(c) * q.termSlopes(c));
    const double inputs = value > 0.0 ? std::expm1(4.0 * q.perturbation(c)) * value : 0.0;
    const double spread = error + 1e-14 * l1;
    const double quadrature = spread > 0.0 ? std::exp(logFactor + std::log(spread)) : 0.0;
    // The same bounds relative to the tail, for its logarithm: |ln v' - ln v|
    // <= -ln(1 - r) for a relative error r < 1.
    const double relative = (integral > 0.0 ? spread / integral : kInf) + rounding + std::expm1(4.0 * q.perturbation(c));
    const double logError = relative < 0.5 ? -std::log1p(-relative) : kInf;
    return {value, quadrature + (value > 0.0 ? rounding * value : 0.0) + inputs, inputs, logValue, logError};
}

// The tail of the other side, 1 - t, with its logarithm.
TailProbability complement(const TailProbability& t)
{
    const double value = 1.0 - t.value;
    return {value, t.absError, t.fromInputs, std::log1p(-t.value),
            value > t.absError ? -std::log1p(-t.absError / value) : kInf};
}

// Throws std::invalid_argument, naming the function, for a form that
// belowZero does not read.
void checkForm(const QuadraticForm& form, const std::string& function)
{
    const auto require = [&](bool ok, const char* what) {
        if (!ok)
            throw std::invalid_argument(function + ": " + what);
    };
    const Eigen::Index n = form.a.size();
    require(n >= 1 && form.b.size() == n && form.c.size() == n, "a, b and c need the same size, at least 1");
    require(form.a.allFinite() && form.b.allFinite() && form.c.allFinite() && std::isfinite(form.k),
            "a coefficient is not finite");
    require(!((form.b.array() != 0.0) && (form.c.array() != 0.0)).any(), "a term has both b_i and c_i non-zero");
    // An error bound may be +infinity (nothing is known), never negative or NaN.
    for (const Eigen::VectorXd* e : {&form.aError, &form.bError, &form.cError})
        require((e->size() == 0 || e->size() == n) && (e->array() >= 0.0).all(),
                "an error bound has the wrong size, or is negative or NaN");
    require(form.kError >= 0.0, "kError is negative or NaN");
    require(form.dof.size() == 0 || (form.dof.size() == n && (form.dof.array() >= 1.0).all() && form.dof.allFinite()),
            "a multiplicity is below 1 or not finite, or dof has the wrong size");
}

}  // namespace

TailProbability belowZero(const QuadraticForm& form)
{
    checkForm(form, "belowZero");
    const Eigen::Index n = form.a.size();
    const Eigen::ArrayXd a = form.a.array(), b = form.b.array(), c = form.c.array();
    const Eigen::VectorXd ab2 = (a * b) * b, c2 = c.square();
    const Eigen::VectorXd dof = form.dof.size() ? form.dof : Eigen::VectorXd::Ones(n);
    const Eigen::ArrayXd m = dof.array();
    const double variance = (2.0 * m * a.square() + c.square() + 4.0 * (a * b).square()).sum();
    if (variance == 0.0) {
        // A constant within its own error of zero could lie on either side.
        const double k = form.k + ab2.sum();
        const double unsure = std::fabs(k) < form.kError ? 1.0 : 0.0;
        const double value = k < 0.0 ? 1.0 : k > 0.0 ? 0.0 : 0.5;
        return {value, unsure, unsure, std::log(value), unsure > 0.0 ? kInf : 0.0};
    }
    // Integrate for the side of zero that holds less than about half the
    // mass: its saddle point lies well away from the pole at s = 0.
    const double mean = form.k + (m * a).sum() + ab2.sum();
    const double side = mean >= 0.0 ? -1.0 : 1.0;
    const TailProbability tail = contourTail(Form{form.a, ab2, c2, dof, form.k, side, form}, variance, mean);
    return side < 0.0 ? tail : complement(tail);
}

TailProbability densityAtZero(const QuadraticForm& form)
{
    checkForm(form, "densityAtZero");
    const Eigen::ArrayXd a = form.a.array(), b = form.b.array(), c = form.c.array();
    const Eigen::VectorXd ab2 = (a * b) * b, c2 = c.square();
    const Eigen::VectorXd dof = form.dof.size() ? form.dof : Eigen::VectorXd::Ones(form.a.size());
    const double variance = (2.0 * dof.array() * a.square() + c.square() + 4.0 * (a * b).square()).sum();
    requireArgument(variance > 0.0, "densityAtZero: the form has no random part");
    const double mean = form.k + (dof.array() * a).sum() + ab2.sum();
    const Form q{form.a, ab2, c2, dof, form.k, mean > 0.0 ? -1.0 : 1.0, form, true};
    return contourTail(q, variance, mean);
}

}  // namespace gaussbound
