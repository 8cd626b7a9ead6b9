// The high-precision reference for the Bayes error (see high_precision.h).
//
// Canonical form (120 digits). With L2 L2^T = Sigma2 and
// C = L2^-1 Sigma1 L2^-T = U diag(lambda) U^T, the map y = U^T L2^-1 (x - mu1)
// takes class 1 to N(0, diag(lambda)) and class 2 to N(f, I),
// f = U^T L2^-1 (mu2 - mu1); its Jacobian is common to both densities, so the
// Bayes rule and E are unchanged. In y,
//     Q(y) = ln(P1 p1) - ln(P2 p2)
//          = ln(P1/P2) - sum ln(lambda_i)/2 - sum y_i^2/(2 lambda_i) + |y - f|^2/2.
// Class 1, y = sqrt(lambda) w:
//     Q1 = sum [(lambda_i - 1)/2 w_i^2 - sqrt(lambda_i) f_i w_i] + |f|^2/2 + c0,
// class 2, y = f + w:
//     Q2 = sum [(1 - 1/lambda_i)/2 w_i^2 - f_i/lambda_i w_i] - sum f_i^2/lambda_i/2 + c0,
// c0 = ln(P1/P2) - sum ln(lambda_i)/2; e1 = P(Q1 < 0), e2 = P(Q2 > 0).
//
// Inversion (50 digits). For Q = sum (a_i w_i^2 + b_i w_i) + k the
// characteristic function is, term by term (complete the square, or
// integrate the Gaussian directly),
//     ln phi(t) = sum [ -ln(1 - 2 i a_i t)/2 - b_i^2 t^2 / (2 (1 - 2 i a_i t)) ] + i k t,
// a form that stays exact as a_i -> 0 (a normal term) where completing the
// square would subtract two huge numbers. Gil-Pelaez (1951), in Imhof's
// (1961) real form:
//     P(Q > 0) = 1/2 + (1/pi) int_0^inf Im phi(t) / t dt.
// Q is first divided by its standard deviation sqrt(sum 2 a_i^2 + b_i^2).
//  - When the normal parts make |phi| fall like a Gaussian
//    (sum b_i^2/(8 a_i^2) large), the integral is taken along the real axis
//    up to where |phi(t)|/t < 1e-60.
//  - Otherwise |phi| falls only like t^(-d/2) and phi oscillates like
//    e^(i s t), s = k - sum b_i^2/(4 a_i). Then [0, T] is taken along the
//    real axis and [T, inf) along the vertical line T + i sign(s) y, y >= 0,
//    where e^(i s t) decays like e^(-|s| y): Cauchy's theorem allows it,
//    since phi(t)/t is analytic for Re t > 0 (the branch points
//    t = -i/(2 a_i) lie on the imaginary axis) and vanishes at infinity in
//    that quadrant. This is only a way to sum the oscillating tail (a
//    numerical steepest-descent step for a Fourier tail), not a saddle-point
//    contour. The whole is computed for T and for 2T and the difference of
//    the two is added to the error.
// Each piece is integrated by adaptive Gauss-Kronrod (61 points); the error
// is the sum of the quadrature estimates, the rounding of 50 digits in the
// integrand (its L1 norm times 1e-48 times the largest phase) and the two-T
// difference. P(Q > 0) - 1/2 is formed in 50 digits, so tails down to about
// 1e-40 keep many correct digits; below, the error says so.
//
// Plane (d <= 2, 50 digits). For fixed y1, Q is a quadratic in y2 whose
// roots bound the decision region; its mass under N(m, s^2) is a difference
// of normal tails (Boost erfc). The remaining integral over y1 (in standard
// units of the class) is cut at every y1 where the discriminant vanishes and
// where a root crosses m + c s for c in a fixed grid, and each piece is
// integrated by tanh-sinh quadrature (Takahasi & Mori, 1974), which takes the
// square-root ends of the pieces in its stride.
#include "high_precision.h"

// GCC 12 at -O2 and above sees, through Boost.Multiprecision's fixed-size
// integer limbs inlined into these functions, array bounds it cannot prove
// (-Warray-bounds in Boost's cpp_int headers): third-party noise.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Warray-bounds"
#endif

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include <boost/multiprecision/eigen.hpp>

// Eigen 3.4 asks its scalars for infinity() and quiet_NaN(), which the
// traits of Boost 1.74's eigen.hpp lack: the 120-digit type gets its own.
namespace gaussbound::reference {
using Wide = boost::multiprecision::number<boost::multiprecision::cpp_bin_float<120>,
                                           boost::multiprecision::et_off>;
}
namespace Eigen {
template <>
struct NumTraits<gaussbound::reference::Wide> : GenericNumTraits<gaussbound::reference::Wide> {
    using W = gaussbound::reference::Wide;
    using Real = W;
    using NonInteger = W;
    using Literal = double;
    using Nested = W;
    enum { IsComplex = 0, IsInteger = 0, IsSigned = 1, RequireInitialization = 1,
           ReadCost = 1, AddCost = 4, MulCost = 8 };
    static W epsilon() { return std::numeric_limits<W>::epsilon(); }
    static W dummy_precision() { return 1000 * epsilon(); }
    static W highest() { return (std::numeric_limits<W>::max)(); }
    static W lowest() { return -(std::numeric_limits<W>::max)(); }
    static W infinity() { return std::numeric_limits<W>::infinity(); }
    static W quiet_NaN() { return std::numeric_limits<W>::quiet_NaN(); }
    static int digits10() { return std::numeric_limits<W>::digits10; }
};
}  // namespace Eigen

#include <Eigen/Cholesky>
#include <Eigen/Eigenvalues>
#include <boost/math/constants/constants.hpp>
#include <boost/math/quadrature/gauss_kronrod.hpp>
#include <boost/math/quadrature/tanh_sinh.hpp>
#include <boost/math/special_functions/erf.hpp>

namespace gaussbound::reference {

namespace {

using WideMatrix = Eigen::Matrix<Wide, Eigen::Dynamic, Eigen::Dynamic>;
using WideVector = Eigen::Matrix<Wide, Eigen::Dynamic, 1>;

// ---------------------------------------------------------------- canonical

struct Canonical {
    std::vector<Wide> lambda, f;
    Wide logPriorRatio;  // ln(P1/P2)
};

WideMatrix widen(const Eigen::MatrixXd& m)
{
    WideMatrix w(m.rows(), m.cols());
    for (Eigen::Index i = 0; i < m.rows(); ++i)
        for (Eigen::Index j = 0; j < m.cols(); ++j)
            w(i, j) = Wide(m(i, j));
    return w;
}

Canonical canonicalForm(const Model& model)
{
    const Eigen::Index d = model.dimension();
    WideMatrix s1 = widen(model.sigma1), s2 = widen(model.sigma2);
    s1 = ((s1 + s1.transpose()) / Wide(2)).eval();
    s2 = ((s2 + s2.transpose()) / Wide(2)).eval();
    WideVector delta(d);
    for (Eigen::Index i = 0; i < d; ++i)
        delta(i) = Wide(model.mu2(i)) - Wide(model.mu1(i));  // exact in 120 digits

    const Eigen::LLT<WideMatrix> llt(s2);
    if (llt.info() != Eigen::Success)
        throw std::invalid_argument("sigma2 is not positive definite");
    const WideMatrix l = llt.matrixL();
    const auto lower = l.triangularView<Eigen::Lower>();
    const WideMatrix x = lower.solve(s1);                    // L2^-1 Sigma1
    WideMatrix c = lower.solve(WideMatrix(x.transpose()));  // L2^-1 Sigma1 L2^-T
    c = ((c + c.transpose()) / Wide(2)).eval();
    const Eigen::SelfAdjointEigenSolver<WideMatrix> eig(c);
    if (eig.info() != Eigen::Success)
        throw std::runtime_error("the eigen-decomposition did not converge");
    const WideVector g = lower.solve(delta);
    const WideVector f = eig.eigenvectors().transpose() * g;

    Canonical out;
    for (Eigen::Index i = 0; i < d; ++i) {
        if (!(eig.eigenvalues()(i) > 0))
            throw std::invalid_argument("sigma1 is not positive definite");
        out.lambda.push_back(eig.eigenvalues()(i));
        out.f.push_back(f(i));
    }
    out.logPriorRatio = log(Wide(model.prior1)) - log(Wide(model.prior2));
    return out;
}

// A generalised chi-square sum_i (a_i w_i^2 + b_i w_i) + k, in 120 digits.
struct WideForm {
    std::vector<Wide> a, b;
    Wide k;
};

Real narrow(const Wide& w) { return static_cast<Real>(w); }

// The Bayes rule's statistic under class 1 and under class 2.
WideForm classOneForm(const Canonical& c)
{
    WideForm q;
    q.k = c.logPriorRatio;
    for (std::size_t i = 0; i < c.lambda.size(); ++i) {
        q.a.push_back((c.lambda[i] - 1) / 2);
        q.b.push_back(-sqrt(c.lambda[i]) * c.f[i]);
        q.k += c.f[i] * c.f[i] / 2 - log(c.lambda[i]) / 2;
    }
    return q;
}

WideForm classTwoForm(const Canonical& c)
{
    WideForm q;
    q.k = c.logPriorRatio;
    for (std::size_t i = 0; i < c.lambda.size(); ++i) {
        q.a.push_back((1 - 1 / c.lambda[i]) / 2);
        q.b.push_back(-c.f[i] / c.lambda[i]);
        q.k += -c.f[i] * c.f[i] / c.lambda[i] / 2 - log(c.lambda[i]) / 2;
    }
    return q;
}

// The standardised form the inversion works on, in 50 digits. A term whose
// square dominates (a != 0, b^2/(8 a^2) <= 250) is written
//     a (w + b/(2a))^2 - b^2/(4a),
// and its constant joins k in s = k - sum b^2/(4a), formed here in 120
// digits: the two may agree to many digits (the vertex of the quadric near
// the decision boundary), and s is what the phase grows with at infinity.
// A term whose linear part dominates stays as a w^2 + b w, nearly a normal.
struct Form {
    std::vector<Real> a, b;
    std::vector<bool> square;
    Real s;
};

// ---------------------------------------------------------------- inversion

const Real pi = boost::math::constants::pi<Real>();

struct LogPhi {
    Real re, im;
};

// ln phi(x + i y), on the principal branch of each ln(1 - 2 i a t): for
// x > 0 its argument never crosses the negative real axis. Term by term,
// with z = 1 - 2 i a t,
//     linear part dominating: -ln(z)/2 - b^2 t^2 / (2 z),
//     square dominating:      -ln(z)/2 + (b^2/(4a)) i t / z   (+ its share of i s t),
// the same function, since -b^2 t^2/(2z) = -i t b^2/(4a) + (b^2/(4a)) i t / z;
// each stays bounded where it is used, so that no two large numbers cancel.
LogPhi logPhi(const Form& q, const Real& x, const Real& y)
{
    LogPhi l{Real(0), Real(0)};
    const Real t2re = x * x - y * y, t2im = 2 * x * y;
    for (std::size_t i = 0; i < q.a.size(); ++i) {
        const Real& a = q.a[i];
        const Real u = 2 * a * y;
        const Real zr = 1 + u, zi = -2 * a * x;  // z = 1 - 2 i a t
        l.re -= log1p(u * (2 + u) + zi * zi) / 4;
        l.im -= atan2(zi, zr) / 2;
        if (q.b[i] == 0)
            continue;
        const Real b2 = q.b[i] * q.b[i];
        const Real zz = zr * zr + zi * zi;
        if (q.square[i]) {
            // (b^2/(4a)) (i t) conj(z) / |z|^2, i t = -y + i x
            const Real c = b2 / (4 * a * zz);
            l.re += c * (-y * zr + x * zi);
            l.im += c * (x * zr + y * zi);
        } else {
            l.re -= b2 * (t2re * zr + t2im * zi) / (2 * zz);
            l.im -= b2 * (t2im * zr - t2re * zi) / (2 * zz);
        }
    }
    l.re -= q.s * y;
    l.im += q.s * x;
    return l;
}

// A sum of quadratures with its error terms. Each piece is bisected until
// the Kronrod-Gauss difference on it is below the absolute tolerance, at
// most 12 times.
struct Accumulator {
    Real tolerance;
    Real value = 0, quadError = 0, l1 = 0, maxPhase = 1;

    explicit Accumulator(const Real& tol) : tolerance(tol) {}

    template <class F>
    void add(F& f, const Real& lo, const Real& hi, int depth = 12)
    {
        Real error = 0, l1norm = 0;
        const Real v = boost::math::quadrature::gauss_kronrod<Real, 61>::integrate(
            f, lo, hi, 0, Real(0), &error, &l1norm);
        // Boost 1.74 returns the Kronrod-Gauss difference of the rule mapped
        // onto [-1, 1]: scaled back to [lo, hi] here.
        error *= (hi - lo) / 2;
        if (error > tolerance && depth > 0) {
            const Real mid = (lo + hi) / 2;
            add(f, lo, mid, depth - 1);
            add(f, mid, hi, depth - 1);
            return;
        }
        value += v;
        quadError += error;
        l1 += l1norm;
    }
    Real error() const { return quadError + l1 * maxPhase * Real(1e-48); }
};

// int_lo^hi Im phi(t)/t dt along the real axis, cut at lo * 2^j.
void realAxis(const Form& q, Real lo, const Real& hi, Accumulator& acc)
{
    auto f = [&](const Real& t) {
        const LogPhi l = logPhi(q, t, Real(0));
        acc.maxPhase = std::max(acc.maxPhase, Real(abs(l.im)));
        return exp(l.re) * sin(l.im) / t;
    };
    const Real first = Real(1) / 16;
    if (lo == 0) {
        acc.add(f, Real(0), std::min(first, hi));
        lo = first;
    }
    while (lo < hi) {
        const Real next = 3 * lo < hi ? 2 * lo : hi;  // no sliver at the end
        acc.add(f, lo, next);
        lo = next;
    }
}

// Im int_T^inf phi(t)/t dt along T + i sigma y, sigma = sign(s): the
// integrand is sigma Re(phi(t)/t).
void verticalLine(const Form& q, const Real& T, const Real& s, Accumulator& acc)
{
    const Real sigma = s > 0 ? 1 : -1;
    auto g = [&](const Real& y) {
        const LogPhi l = logPhi(q, T, sigma * y);
        acc.maxPhase = std::max(acc.maxPhase, Real(abs(l.im)));
        return sigma * exp(l.re) * (T * cos(l.im) + sigma * y * sin(l.im)) / (T * T + y * y);
    };
    const Real end = 170 / abs(s);  // e^-170 ~ 1e-74
    Real lo = 0, hi = std::min(T, Real(1) / abs(s));
    while (lo < end) {
        acc.add(g, lo, hi);
        lo = hi;
        hi = 2 * hi;
    }
}

// |phi(t)| on the real axis, decreasing in t.
Real envelope(const Form& q, const Real& t)
{
    return exp(logPhi(q, t, Real(0)).re);
}

// Chernoff's bound on P(side Q > 0), side = +-1: the least of
// E exp(u Q) = exp(ln M(u)) over a grid of u = side theta, theta > 0, where
//     ln M(u) = sum [ -ln(1 - 2 a_i u)/2 + b_i^2 u^2 / (2 (1 - 2 a_i u)) ] + k u
// for 1 - 2 a_i u > 0 (a dominating square's term written, as in logPhi,
// b_i^2 u / (4 a_i (1 - 2 a_i u)) beside s u). Only a bound, used to skip tails far below what the
// inversion resolves.
Real chernoffBound(const Form& q, int side)
{
    Real limit = std::numeric_limits<Real>::infinity();  // theta < limit
    for (const Real& a : q.a)
        if (a * side > 0)
            limit = std::min(limit, 1 / (2 * abs(a)));
    auto bound = [&](const Real& theta) {
        const Real u = side * theta;
        Real logM = q.s * u;
        for (std::size_t i = 0; i < q.a.size(); ++i) {
            const Real z = 1 - 2 * q.a[i] * u;
            const Real b2 = q.b[i] * q.b[i];
            logM += -log(z) / 2 + (q.square[i] ? b2 * u / (4 * q.a[i] * z) : b2 * u * u / (2 * z));
        }
        return std::min(Real(1), Real(exp(logM)));
    };
    // theta = 2^j, j = -140, -136, ..., 140 (the scales of a standardised
    // form reach 1e-40), then the neighbours of the best; and theta near
    // the limit.
    Real best = 1;
    int bestJ = 0;
    for (int j = -140; j <= 140; j += 4)
        if (ldexp(Real(1), j) < limit) {
            const Real b = bound(ldexp(Real(1), j));
            if (b < best) {
                best = b;
                bestJ = j;
            }
        }
    for (int j = bestJ - 3; j <= bestJ + 3; ++j)
        if (ldexp(Real(1), j) < limit)
            best = std::min(best, bound(ldexp(Real(1), j)));
    if (!isinf(limit))
        for (int j = 1; j <= 40; j += 3)
            best = std::min(best, bound(limit * (1 - ldexp(Real(1), -j))));
    return best;
}

}  // namespace

namespace {

SignProbabilities signProbabilities(const WideForm& w)
{
    // Standardise: divide by the standard deviation; drop empty terms.
    Wide variance = 0;
    for (std::size_t i = 0; i < w.a.size(); ++i)
        variance += 2 * w.a[i] * w.a[i] + w.b[i] * w.b[i];
    if (variance == 0) {
        const Real above = w.k > 0 ? 1 : 0, below = w.k < 0 ? 1 : 0;
        return {{above, Real(0)}, {below, Real(0)}};
    }
    const Wide sd = sqrt(variance);
    Form q;
    Wide s = w.k / sd;
    bool gaussian = false;  // some term's linear part dominates
    for (std::size_t i = 0; i < w.a.size(); ++i) {
        if (w.a[i] == 0 && w.b[i] == 0)
            continue;
        const Wide a = w.a[i] / sd, b = w.b[i] / sd;
        const bool square = a != 0 && b * b / (8 * a * a) <= 250;
        if (square)
            s -= b * b / (4 * a);
        gaussian = gaussian || !square;
        q.a.push_back(narrow(a));
        q.b.push_back(narrow(b));
        q.square.push_back(square);
    }
    q.s = narrow(s);

    // A side whose probability is provably negligible; else the smaller
    // side's bound sets the quadrature's tolerance: 1e-32 of it, and no
    // finer than the 1e-45 that 50 digits leave after the subtraction
    // from 1/2.
    Real smallest = 1;
    for (int side : {1, -1}) {
        const Real bound = chernoffBound(q, side);
        if (bound < Real(1e-60)) {
            const Probability small{bound / 2, bound / 2}, large{1 - bound / 2, bound / 2};
            return side > 0 ? SignProbabilities{small, large} : SignProbabilities{large, small};
        }
        smallest = std::min(smallest, bound);
    }
    const Real tolerance = std::max(Real(1e-45), smallest * Real(1e-32));

    Real integral = 0, error = 0;
    if (gaussian || abs(q.s) < Real(1e-40)) {
        // Real axis up to where |phi(t)| < 1e-70 (or t = 1e45 when the
        // decay is only algebraic).
        Real T = 1;
        while (envelope(q, T) > Real(1e-70) && T < Real(1e45))
            T *= 2;
        if (abs(logPhi(q, T, Real(0)).im) > 1e5) {
            // Too many oscillations to sum: unresolved.
            const Real nan = std::numeric_limits<Real>::quiet_NaN();
            return {{Real(0.5), nan}, {Real(0.5), nan}};
        }
        Accumulator acc(tolerance);
        realAxis(q, Real(0), T, acc);
        integral = acc.value;
        // The rest beyond T, as if |phi| went on falling geometrically from
        // one doubling to the next: sum_j |phi(2^j T)| ln 2.
        const Real ratio = envelope(q, 2 * T) / envelope(q, T);
        const Real rest = envelope(q, T) * log(Real(2)) / (1 - std::min(ratio, Real(0.999)));
        error = acc.error() + rest;
    } else {
        Real T = 2 * pi / abs(q.s);
        for (std::size_t i = 0; i < q.a.size(); ++i)
            if (abs(q.a[i]) >= abs(q.s) / 2000)
                T = std::max(T, 4 / abs(q.a[i]));
        Accumulator near(tolerance), farLine(tolerance), middle(tolerance), nearLine(tolerance);
        realAxis(q, Real(0), T, near);
        verticalLine(q, T, q.s, nearLine);
        realAxis(q, T, 2 * T, middle);
        verticalLine(q, 2 * T, q.s, farLine);
        const Real first = near.value + nearLine.value;
        const Real second = near.value + middle.value + farLine.value;
        integral = second;
        error = near.error() + nearLine.error() + middle.error() + farLine.error() +
                abs(first - second);
    }
    const Real shift = integral / pi;
    const Real absError = error / pi;
    return {{Real(0.5) + shift, absError}, {Real(0.5) - shift, absError}};
}

PreciseBayesError combine(const Model& model, const Probability& e1, const Probability& e2)
{
    PreciseBayesError out;
    const Real p1 = model.prior1, p2 = model.prior2;
    out.givenClass1 = e1.value;
    out.givenClass2 = e2.value;
    out.value = p1 * e1.value + p2 * e2.value;
    out.absError = p1 * e1.absError + p2 * e2.absError;
    return out;
}

// ---------------------------------------------------------------- plane

// Upper normal tail 1 - Phi(z), accurate far out.
Real upperTail(const Real& z)
{
    if (isinf(z))
        return z > 0 ? Real(0) : Real(1);
    return boost::math::erfc(z / boost::math::constants::root_two<Real>()) / 2;
}

// P(l < Z < u) for a standard normal Z, l <= u (either may be infinite).
Real normalMass(const Real& l, const Real& u)
{
    if (l >= 0)
        return upperTail(l) - upperTail(u);
    if (u <= 0)
        return upperTail(-u) - upperTail(-l);
    return 1 - upperTail(u) - upperTail(-l);
}

// The roots of alpha x^2 + beta x + gamma = 0 in increasing order, by the
// stable formula; none when there are none (or alpha = beta = 0).
std::vector<Real> quadraticRoots(const Real& alpha, const Real& beta, const Real& gamma)
{
    if (alpha == 0) {
        if (beta == 0)
            return {};
        return {-gamma / beta};
    }
    const Real disc = beta * beta - 4 * alpha * gamma;
    if (disc < 0)
        return {};
    const Real h = -(beta + (beta < 0 ? -sqrt(disc) : sqrt(disc))) / 2;
    std::vector<Real> r;
    if (h != 0)
        r = {h / alpha, gamma / h};
    else
        r = {Real(0), Real(0)};
    std::sort(r.begin(), r.end());
    return r;
}

// For y ~ N(m, s^2): P(q(y) < 0) (below) or P(q(y) > 0) (above),
// q(y) = alpha y^2 + beta y + gamma, from the normal tails of the pieces the
// set is made of.
Real quadraticProbability(const Real& alpha, const Real& beta, const Real& gamma, const Real& m,
                          const Real& s, bool below)
{
    if (alpha == 0 && beta == 0)
        return (below ? gamma < 0 : gamma > 0) ? Real(1) : Real(0);
    const std::vector<Real> r = quadraticRoots(alpha, beta, gamma);
    auto z = [&](const Real& y) { return (y - m) / s; };
    if (alpha == 0) {  // one root; q < 0 to its left when beta > 0
        const bool left = (beta > 0) == below;
        return left ? upperTail(-z(r[0])) : upperTail(z(r[0]));
    }
    if (r.size() < 2)  // one sign throughout: alpha's
        return ((alpha > 0) != below) ? Real(1) : Real(0);
    const bool inside = (alpha > 0) == below;
    return inside ? normalMass(z(r[0]), z(r[1])) : upperTail(-z(r[0])) + upperTail(z(r[1]));
}

boost::math::quadrature::tanh_sinh<Real>& tanhSinh()
{
    static boost::math::quadrature::tanh_sinh<Real> integrator(15);
    return integrator;
}

// For one class: w ~ N(0, 1) is the standardised first coordinate,
// y1 = m1 + s1 w, and y2 ~ N(m2, s2^2). Q = A1 y1^2 + B1 y1 + A2 y2^2 + B2 y2 + C.
// Returns P(Q < 0) (below) or P(Q > 0) with its absolute error.
struct PlaneClass {
    Real m1, s1, m2, s2;
};

Probability planeClass(const PlaneClass& cls, const Real& A1, const Real& B1, const Real& A2,
                       const Real& B2, const Real& C, bool below)
{
    // Breakpoints in w: R(y1) = A1 y1^2 + B1 y1 + C equal to each target.
    std::vector<Real> targets;
    if (A2 != 0)
        targets.push_back(B2 * B2 / (4 * A2));  // the discriminant in y2 vanishes
    for (double c : {0.0, 1.0, 2.0, 3.0, 5.0, 8.0}) {
        for (double sign : {1.0, -1.0}) {
            const Real y2 = cls.m2 + sign * c * cls.s2;  // a root crosses y2
            targets.push_back(-(A2 * y2 * y2 + B2 * y2));
        }
    }
    const Real wMax = 40;  // phi(40) ~ 1e-349
    std::vector<Real> cuts{-wMax, wMax};
    for (double w : {0.0, 0.5, 1.0, 2.0, 4.0, 8.0, 16.0})
        cuts.insert(cuts.end(), {Real(w), Real(-w)});
    for (const Real& target : targets)
        for (const Real& y1 : quadraticRoots(A1, B1, C - target)) {
            const Real w = (y1 - cls.m1) / cls.s1;
            if (abs(w) < wMax)
                cuts.push_back(w);
        }
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());

    const Real root2pi = boost::math::constants::root_two_pi<Real>();
    auto f = [&](const Real& w) {
        const Real y1 = cls.m1 + cls.s1 * w;
        return exp(-w * w / 2) / root2pi *
               quadraticProbability(A2, B2, A1 * y1 * y1 + B1 * y1 + C, cls.m2, cls.s2, below);
    };
    Probability p{0, 0};
    for (std::size_t i = 0; i + 1 < cuts.size(); ++i) {
        // Each piece on [-1, 1] itself (the integrand is finite at the ends,
        // where the mapped abscissae may round to).
        const Real mid = (cuts[i] + cuts[i + 1]) / 2, half = (cuts[i + 1] - cuts[i]) / 2;
        auto g = [&](const Real& z) { return f(mid + half * z); };
        Real error = 0, l1 = 0;
        p.value += half * tanhSinh().integrate(g, Real(-1), Real(1), Real(1e-45), &error, &l1);
        p.absError += half * (error + l1 * Real(1e-48));
    }
    return p;
}

}  // namespace

SignProbabilities generalizedChiSquareSign(const std::vector<Real>& a, const std::vector<Real>& b,
                                           const Real& k)
{
    WideForm w;
    for (std::size_t i = 0; i < a.size(); ++i) {
        w.a.push_back(Wide(a[i]));
        w.b.push_back(Wide(b[i]));
    }
    w.k = Wide(k);
    return signProbabilities(w);
}

PreciseBayesError preciseBayesError(const Model& model)
{
    const Canonical c = canonicalForm(model);
    const SignProbabilities s1 = signProbabilities(classOneForm(c));
    const SignProbabilities s2 = signProbabilities(classTwoForm(c));
    return combine(model, s1.below, s2.above);
}

PreciseBayesError planeBayesError(const Model& model)
{
    const Eigen::Index d = model.dimension();
    if (d < 1 || d > 2)
        throw std::invalid_argument("the plane reference takes d = 1 or 2");
    const Canonical c = canonicalForm(model);
    // Q(y) = sum A_i y_i^2 + B_i y_i + C.
    std::vector<Real> A, B, lambda, f;
    Wide C = c.logPriorRatio;
    for (std::size_t i = 0; i < c.lambda.size(); ++i) {
        A.push_back(narrow((1 - 1 / c.lambda[i]) / 2));
        B.push_back(narrow(-c.f[i]));
        C += c.f[i] * c.f[i] / 2 - log(c.lambda[i]) / 2;
        lambda.push_back(narrow(c.lambda[i]));
        f.push_back(narrow(c.f[i]));
    }
    const Real Cn = narrow(C);
    Probability e1, e2;
    if (d == 1) {
        // Closed forms: only the rounding of 50 digits (erfc, the roots, and
        // sums and differences of tails of order one).
        const Real p1 = quadraticProbability(A[0], B[0], Cn, Real(0), sqrt(lambda[0]), true);
        const Real p2 = quadraticProbability(A[0], B[0], Cn, f[0], Real(1), false);
        e1 = {p1, p1 * Real(1e-46) + Real(1e-49)};
        e2 = {p2, p2 * Real(1e-46) + Real(1e-49)};
    } else {
        e1 = planeClass({Real(0), sqrt(lambda[0]), Real(0), sqrt(lambda[1])}, A[0], B[0], A[1],
                        B[1], Cn, true);
        e2 = planeClass({f[0], Real(1), f[1], Real(1)}, A[0], B[0], A[1], B[1], Cn, false);
    }
    return combine(model, e1, e2);
}

}  // namespace gaussbound::reference

ReferenceBayesError referenceBayesError(const gaussbound::Model& model)
{
    const gaussbound::reference::PreciseBayesError p = gaussbound::reference::preciseBayesError(model);
    ReferenceBayesError r;
    r.value = static_cast<double>(p.value);
    r.givenClass1 = static_cast<double>(p.givenClass1);
    r.givenClass2 = static_cast<double>(p.givenClass2);
    const gaussbound::reference::Real rel = p.absError / p.value;
    r.relError = (isnan(rel) || !(rel < 1)) ? std::numeric_limits<double>::quiet_NaN()
                                             : static_cast<double>(rel);
    return r;
}
