#include "gaussbound/Confusion.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <exception>
#include <limits>
#include <mutex>
#include <queue>
#include <random>
#include <stdexcept>

#include <boost/math/constants/constants.hpp>
#include <boost/math/quadrature/gauss.hpp>
#include <boost/math/quadrature/gauss_kronrod.hpp>
#include <boost/math/special_functions/erf.hpp>
#include <boost/math/special_functions/gamma.hpp>
#include <boost/random/sobol.hpp>

#include <Eigen/Cholesky>

#include "gaussbound/Chernoff.h"
#include "gaussbound/Error.h"
#include "gaussbound/Stream.h"

namespace gaussbound {

const char* methodName(ConfusionMethod method)
{
    switch (method) {
    case ConfusionMethod::TwoDirections: return "two directions";
    case ConfusionMethod::AdaptiveAngle: return "adaptive angle";
    case ConfusionMethod::AdaptiveSphere: return "adaptive sphere";
    case ConfusionMethod::QuasiMonteCarlo: return "quasi-Monte Carlo";
    }
    return "";
}

ConfusionMethod methodFor(Eigen::Index d)
{
    requireArgument(d >= 1, "methodFor: d must be at least 1");
    if (d == 1)
        return ConfusionMethod::TwoDirections;
    if (d == 2)
        return ConfusionMethod::AdaptiveAngle;
    if (d == 3)
        return ConfusionMethod::AdaptiveSphere;
    return ConfusionMethod::QuasiMonteCarlo;
}

namespace {

// Boost.Math in double throughout: its default promotes to long double,
// which made the chi tails most of the cost.
using DoublePolicy = boost::math::policies::policy<boost::math::policies::promote_double<false>>;

constexpr double kEps = std::numeric_limits<double>::epsilon();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kPi = boost::math::constants::pi<double>();

// Targets of the quadratures, per entry (absolute).
constexpr double kAngleTolerance = 1e-10;   // d = 2
constexpr double kSphereTolerance = 1e-8;   // d = 3
// A floor for rounding in every quadrature entry: the chi masses and the
// roots carry relative errors of a few units in the last place.
constexpr double kRoundingFloor = 1e-14;
// Caps on the adaptive subdivisions; reaching one leaves the estimate as it
// stands (and reported).
constexpr std::size_t kMaxAngleIntervals = 5000, kMaxInnerIntervals = 500, kMaxOuterIntervals = 300;
// Angles scanned per pair for the changes of sign of its discriminant.
constexpr int kDiscriminantGrid = 64;
// Points of the grid in t on which expected losses are compared (losses only).
constexpr int kLossGrid = 128;

// The chi distribution with d degrees of freedom: tails in x = r^2 / 2 of
// Gamma(d/2), each taken on the side of the median where it is the smaller.
class Chi {
public:
    explicit Chi(Eigen::Index d) : d_(d), k_(0.5 * static_cast<double>(d))
    {
        median_ = boost::math::gamma_p_inv(k_, 0.5);
        // Beyond this |t| the tail is below 1e-300: the losses' grid covers [-reach, reach].
        reach_ = std::sqrt(2.0 * boost::math::gamma_q_inv(k_, 1e-300));
    }

    double reach() const { return reach_; }

    // One end of an interval of R: the tail on the smaller side of the median.
    struct Tail {
        bool upper;
        double value;  // P(R > r) when upper, else P(R <= r)
    };
    Tail tail(double r) const
    {
        const double x = 0.5 * r * r;
        return x >= median_ ? Tail{true, upper(x)} : Tail{false, lower(x)};
    }
    // The mass between two ends, r0 <= r1.
    static double between(const Tail& t0, const Tail& t1)
    {
        double m;
        if (t0.upper)
            m = t0.value - t1.value;  // both above the median
        else if (!t1.upper)
            m = t1.value - t0.value;  // both below
        else
            m = 1.0 - t0.value - t1.value;
        return std::max(m, 0.0);
    }

    // The mass of [r0, r1], 0 <= r0 <= r1 <= infinity.
    double mass(double r0, double r1) const
    {
        if (!(r1 > r0))
            return 0.0;
        const double x0 = 0.5 * r0 * r0, x1 = 0.5 * r1 * r1;
        double m;
        if (x0 >= median_)
            m = upper(x0) - upper(x1);
        else if (x1 <= median_)
            m = lower(x1) - lower(x0);
        else
            m = 1.0 - lower(x0) - upper(x1);
        return std::max(m, 0.0);
    }

private:
    double lower(double x) const
    {
        if (x <= 0.0)
            return 0.0;
        if (!(x < kInf))
            return 1.0;
        if (d_ == 1)
            return std::erf(std::sqrt(x));
        if (d_ == 2)
            return -std::expm1(-x);
        return boost::math::gamma_p(k_, x, DoublePolicy());
    }
    double upper(double x) const
    {
        if (x <= 0.0)
            return 1.0;
        if (!(x < kInf))
            return 0.0;
        if (d_ == 1)
            return std::erfc(std::sqrt(x));
        if (d_ == 2)
            return std::exp(-x);
        return boost::math::gamma_q(k_, x, DoublePolicy());
    }

    Eigen::Index d_;
    double k_, median_, reach_;
};

// What one origin class i needs along its lines x(t) = mu_i + L_i t u:
// ln P_j p_j(x(t)) = K_j - 1/2 (a_j t^2 + 2 b_j t + c_j) with
// a_j = |B_j u|^2, B_j = L_j^-1 L_i, b_j = g_j . u, g_j = L_i^T Sigma_j^-1 (mu_i - mu_j),
// c_j = |L_j^-1 (mu_i - mu_j)|^2, K_j = ln P_j - ln |L_j| (the common
// -d/2 ln 2 pi left out).
struct Origin {
    std::size_t i = 0, classes = 0;
    Eigen::Index d = 0;
    Eigen::MatrixXd b;               // (C d) x d: B_j in rows j d to j d + d - 1
    Eigen::MatrixXd g;               // d x C, column j = g_j
    Eigen::VectorXd c, k;
    Eigen::MatrixXd gamma;           // gamma(j, l) = (c_j - c_l) - 2 (K_j - K_l)
    Eigen::MatrixXd gammaScale;      // |c_j| + |c_l| + 2 |K_j| + 2 |K_l|: for rounding
    // With losses, gamma with K_j + ln(L_jl - L_jj) and K_l + ln(L_lj - L_ll):
    // where the pair alone would change the decision (exact for C = 2, a
    // guide to the grid and the breakpoints for more classes). Else gamma.
    Eigen::MatrixXd pairGamma;
};

std::vector<Origin> makeOrigins(const ClassesModel& model, const std::optional<Eigen::MatrixXd>& losses)
{
    const std::size_t classes = model.size();
    const Eigen::Index d = model.dimension();
    std::vector<Eigen::MatrixXd> factors;
    Eigen::VectorXd k(static_cast<Eigen::Index>(classes));
    for (std::size_t j = 0; j < classes; ++j) {
        factors.push_back(Eigen::LLT<Eigen::MatrixXd>(model.classes[j].covariance).matrixL());
        k(Eigen::Index(j)) = std::log(model.classes[j].prior) - factors.back().diagonal().array().log().sum();
    }
    std::vector<Origin> origins(classes);
    for (std::size_t i = 0; i < classes; ++i) {
        Origin& o = origins[i];
        o.i = i;
        o.classes = classes;
        o.d = d;
        o.k = k;
        o.c.resize(Eigen::Index(classes));
        o.g.resize(d, Eigen::Index(classes));
        o.b.resize(Eigen::Index(classes) * d, d);
        for (std::size_t j = 0; j < classes; ++j) {
            const auto lj = factors[j].triangularView<Eigen::Lower>();
            Eigen::MatrixXd bj = lj.solve(factors[i]);
            const Eigen::VectorXd w = lj.solve(model.classes[i].mean - model.classes[j].mean);
            o.c(Eigen::Index(j)) = j == i ? 0.0 : w.squaredNorm();
            o.g.col(Eigen::Index(j)) = j == i ? Eigen::VectorXd::Zero(d) : Eigen::VectorXd(bj.transpose() * w);
            o.b.middleRows(Eigen::Index(j) * d, d) = bj;
        }
        const Eigen::Index c = Eigen::Index(classes);
        o.gamma.resize(c, c);
        o.gammaScale.resize(c, c);
        for (Eigen::Index j = 0; j < c; ++j)
            for (Eigen::Index l = 0; l < c; ++l) {
                o.gamma(j, l) = (o.c(j) - o.c(l)) - 2.0 * (o.k(j) - o.k(l));
                o.gammaScale(j, l) = std::fabs(o.c(j)) + std::fabs(o.c(l)) + 2.0 * (std::fabs(o.k(j)) + std::fabs(o.k(l)));
            }
        o.pairGamma = o.gamma;
        if (losses)
            for (Eigen::Index j = 0; j < c; ++j)
                for (Eigen::Index l = 0; l < c; ++l)
                    if (j != l)
                        o.pairGamma(j, l) -= 2.0 * (std::log((*losses)(j, l) - (*losses)(j, j)) -
                                                    std::log((*losses)(l, j) - (*losses)(l, l)));
    }
    return origins;
}

// a_j and b_j of one line: every B_j u in one product, images its scratch.
void lineCoefficients(const Origin& o, const Eigen::VectorXd& u, Eigen::VectorXd& images, Eigen::VectorXd& a,
                      Eigen::VectorXd& b)
{
    const Eigen::Index c = Eigen::Index(o.classes), d = o.d;
    images.noalias() = o.b * u;
    a.resize(c);
    for (Eigen::Index j = 0; j < c; ++j)
        a(j) = std::size_t(j) == o.i ? 1.0 : images.segment(j * d, d).squaredNorm();
    b.resize(c);
    b.noalias() = o.g.transpose() * u;
}

// The real roots of alpha t^2 + 2 beta t + gamma, computed stably; none for
// a double root (the sign does not change there).
inline void quadraticRoots(double alpha, double beta, double gamma, std::vector<double>& roots)
{
    if (alpha == 0.0) {
        if (beta != 0.0) {
            const double t = -gamma / (2.0 * beta);
            if (std::isfinite(t))
                roots.push_back(t);
        }
        return;
    }
    const double disc = beta * beta - alpha * gamma;
    if (!(disc > 0.0))
        return;
    const double q = -(beta + std::copysign(std::sqrt(disc), beta));
    const double t1 = q / alpha, t2 = gamma / q;
    if (std::isfinite(t1))
        roots.push_back(t1);
    if (std::isfinite(t2))
        roots.push_back(t2);
}

// Scratch space of one worker.
// The real roots of one pair's difference of scores along a line, found
// once a line.
struct PairRoots {
    double t[2];
    int count = -1;  // -1: not yet found
};

struct Scratch {
    Eigen::VectorXd u, images, a, b, scores, weights, expected;
    std::vector<PairRoots> pairRoots;  // pair (j, l), j < l, at j C + l
    std::vector<double> leftBounds;
    std::vector<std::size_t> leftWinners;
    std::vector<double> roots, bounds, grid;
    std::vector<std::size_t> winners, gridWinners;
};

inline double score(const Origin& o, const Eigen::VectorXd& a, const Eigen::VectorXd& b, Eigen::Index j, double t)
{
    return o.k(j) - 0.5 * ((a(j) * t + 2.0 * b(j)) * t + o.c(j));
}

std::size_t winnerAt(const Origin& o, const Eigen::VectorXd& a, const Eigen::VectorXd& b, double t)
{
    std::size_t best = 0;
    double bestScore = score(o, a, b, 0, t);
    for (Eigen::Index j = 1; j < Eigen::Index(o.classes); ++j) {
        const double s = score(o, a, b, j, t);
        if (s > bestScore) {
            bestScore = s;
            best = std::size_t(j);
        }
    }
    return best;
}

std::size_t lossWinnerAt(const Origin& o, const Eigen::MatrixXd& losses, Scratch& s, double t)
{
    const Eigen::Index c = Eigen::Index(o.classes);
    s.scores.resize(c);
    for (Eigen::Index j = 0; j < c; ++j)
        s.scores(j) = score(o, s.a, s.b, j, t);
    s.weights = (s.scores.array() - s.scores.maxCoeff()).exp().matrix();
    s.expected.noalias() = losses.transpose() * s.weights;
    Eigen::Index best = 0;
    s.expected.minCoeff(&best);
    return std::size_t(best);
}

// Adds half the chi mass of every piece (bounds[k], bounds[k + 1]) to
// row[winners[k]], for the ray +u (t > 0) and the ray -u (t < 0).
// bounds runs from -infinity to +infinity.
void addPieces(const Chi& chi, const std::vector<double>& bounds, const std::vector<std::size_t>& winners, double* row)
{
    // Each boundary's tail is computed once and shared by its two pieces.
    const std::size_t n = winners.size();
    std::size_t zero = 0;  // the piece holding t = 0 (its lower end < 0 <= its upper end)
    while (zero + 1 < n && bounds[zero + 1] < 0.0)
        ++zero;
    // Ray +u: from 0 through the bounds above it.
    Chi::Tail prev = chi.tail(0.0);
    for (std::size_t k = zero; k < n; ++k) {
        const Chi::Tail next = chi.tail(std::max(bounds[k + 1], 0.0));
        row[winners[k]] += 0.5 * Chi::between(prev, next);
        prev = next;
    }
    // Ray -u: from 0 through the bounds below it, as radii.
    prev = chi.tail(0.0);
    for (std::size_t k = zero + 1; k-- > 0;) {
        const Chi::Tail next = chi.tail(std::max(-bounds[k], 0.0));
        row[winners[k]] += 0.5 * Chi::between(prev, next);
        prev = next;
    }
}

// The pieces of the line under the 0-1 loss. The winner at t = 0 is taken
// from all the scores (there the mass is; far out, near a root of 1e16 from
// an alpha of rounding noise, the scores are noise). From there the line is
// swept both ways: the winner w changes at the nearest root of a pair (w, k)
// where k's score rises past w's, the roots of each pair computed once in
// one order so that a crossing is never met twice. Where two such roots
// coincide, the winner just past them is taken from all the scores.
void zeroOnePieces(const Origin& o, Scratch& s)
{
    const Eigen::Index c = Eigen::Index(o.classes);
    s.pairRoots.assign(std::size_t(c * c), PairRoots{});
    auto rootsOf = [&](Eigen::Index j, Eigen::Index l) -> const PairRoots& {
        const Eigen::Index lo = std::min(j, l), hi = std::max(j, l);
        PairRoots& p = s.pairRoots[std::size_t(lo * c + hi)];
        if (p.count < 0) {
            s.roots.clear();
            quadraticRoots(s.a(lo) - s.a(hi), s.b(lo) - s.b(hi), o.gamma(lo, hi), s.roots);
            p.count = int(s.roots.size());
            for (int q = 0; q < p.count; ++q)
                p.t[q] = s.roots[std::size_t(q)];
        }
        return p;
    };
    auto fall = [&](Eigen::Index l, Eigen::Index j, double t) {
        return (s.a(l) - s.a(j)) * t + (s.b(l) - s.b(j));
    };
    const std::size_t w0 = winnerAt(o, s.a, s.b, 0.0);
    const int maxSteps = int(4 * c * c + 8);
    // dir = +1: rightwards from 0; -1: leftwards.
    for (const int dir : {1, -1}) {
        std::vector<double>& bounds = dir > 0 ? s.bounds : s.leftBounds;
        std::vector<std::size_t>& winners = dir > 0 ? s.winners : s.leftWinners;
        bounds.clear();
        winners.clear();
        Eigen::Index w = Eigen::Index(w0);
        double t = 0.0;
        for (int step = 0; step < maxSteps; ++step) {
            double best = dir * kInf;
            Eigen::Index bestK = -1;
            bool tie = false;
            for (Eigen::Index k = 0; k < c; ++k) {
                if (k == w)
                    continue;
                const PairRoots& p = rootsOf(w, k);
                for (int q = 0; q < p.count; ++q) {
                    const double r = p.t[q];
                    if (!(dir > 0 ? r > t : r < t))
                        continue;
                    const double f = fall(k, w, r);
                    if (!(dir > 0 ? f < 0.0 : f > 0.0))
                        continue;
                    if (dir > 0 ? r < best : r > best) {
                        best = r;
                        bestK = k;
                        tie = false;
                    } else if (r == best) {
                        tie = true;
                    }
                }
            }
            if (bestK < 0)
                break;
            Eigen::Index next = bestK;
            if (tie)
                next = Eigen::Index(winnerAt(o, s.a, s.b, best + dir * 1e-9 * std::max(1.0, std::fabs(best))));
            bounds.push_back(best);
            winners.push_back(std::size_t(next));
            t = best;
            w = next;
        }
    }
    // Assemble from -infinity: the left part reversed, w0, then the right.
    std::vector<double>& bounds = s.grid;  // scratch
    std::vector<std::size_t>& winners = s.gridWinners;
    bounds.assign(1, -kInf);
    winners.clear();
    for (std::size_t k = s.leftBounds.size(); k > 0; --k) {
        winners.push_back(s.leftWinners[k - 1]);
        bounds.push_back(s.leftBounds[k - 1]);
    }
    winners.push_back(w0);
    for (std::size_t k = 0; k < s.bounds.size(); ++k) {
        bounds.push_back(s.bounds[k]);
        winners.push_back(s.winners[k]);
    }
    bounds.push_back(kInf);
    s.bounds.swap(bounds);
    s.winners.swap(winners);
}

// Finds every change of decision between t0 (deciding w0) and t1 (w1) by
// bisection to adjacent doubles; appends (boundary, decision after) in order.
void bisectLoss(const Origin& o, const Eigen::MatrixXd& losses, Scratch& s, double t0, std::size_t w0, double t1,
                std::size_t w1, int depth)
{
    if (w0 == w1)
        return;
    const double mid = 0.5 * (t0 + t1);
    if (mid <= t0 || mid >= t1 || depth > 2000) {
        s.bounds.push_back(t1);
        s.winners.push_back(w1);
        return;
    }
    const std::size_t wm = lossWinnerAt(o, losses, s, mid);
    bisectLoss(o, losses, s, t0, w0, mid, wm, depth + 1);
    bisectLoss(o, losses, s, mid, wm, t1, w1, depth + 1);
}

// The pieces of the line with losses: decisions on a grid over
// [-reach, reach] (and at the 0-1 roots inside it), changes bisected.
void lossPieces(const Origin& o, const Eigen::MatrixXd& losses, const Chi& chi, Scratch& s)
{
    const Eigen::Index c = Eigen::Index(o.classes);
    const double reach = chi.reach();
    s.grid.clear();
    for (int k = 0; k <= kLossGrid; ++k)
        s.grid.push_back(-reach + 2.0 * reach * k / kLossGrid);
    s.roots.clear();
    for (Eigen::Index j = 0; j < c; ++j)
        for (Eigen::Index l = j + 1; l < c; ++l)
            quadraticRoots(s.a(j) - s.a(l), s.b(j) - s.b(l), o.pairGamma(j, l), s.roots);
    for (const double r : s.roots)
        if (std::fabs(r) < reach)
            s.grid.push_back(r);
    std::sort(s.grid.begin(), s.grid.end());
    s.gridWinners.clear();
    for (const double t : s.grid)
        s.gridWinners.push_back(lossWinnerAt(o, losses, s, t));
    s.bounds.assign(1, -kInf);
    s.winners.assign(1, s.gridWinners[0]);
    for (std::size_t k = 0; k + 1 < s.grid.size(); ++k)
        bisectLoss(o, losses, s, s.grid[k], s.gridWinners[k], s.grid[k + 1], s.gridWinners[k + 1], 0);
    s.bounds.push_back(kInf);
}

// The bound on the rounding error of the d = 1 entries: at each boundary,
// the density there times the root's error from its coefficients.
void roundingOfLine(const Origin& o, const Scratch& s, double* err)
{
    const double density = std::sqrt(2.0 / kPi);
    for (std::size_t k = 1; k + 1 < s.bounds.size(); ++k) {
        const double t = s.bounds[k];
        const std::size_t w0 = s.winners[k - 1], w1 = s.winners[k];
        const Eigen::Index j = Eigen::Index(w0), l = Eigen::Index(w1);
        const double alpha = s.a(j) - s.a(l), beta = s.b(j) - s.b(l);
        const double scale = std::fabs(s.a(j)) + std::fabs(s.a(l)), bscale = std::fabs(s.b(j)) + std::fabs(s.b(l));
        const double slope = std::fabs(2.0 * (alpha * t + beta));
        const double residual = 16.0 * kEps * (scale * t * t + 2.0 * bscale * std::fabs(t) + o.gammaScale(j, l));
        double dt = slope > 0.0 ? residual / slope : kInf;
        dt = std::max(dt, 4.0 * kEps * std::fabs(t));
        const double e = 0.5 * std::min(1.0, density * std::exp(-0.5 * t * t) * dt);
        err[w0] += e;
        err[w1] += e;
    }
}

// One line: the row of class i's masses (each ray weighted 1/2) added to row.
struct LineEvaluator {
    const Origin& o;
    const Chi& chi;
    const std::optional<Eigen::MatrixXd>& losses;

    void operator()(const Eigen::VectorXd& u, Scratch& s, double* row) const
    {
        lineCoefficients(o, u, s.images, s.a, s.b);
        if (losses)
            lossPieces(o, *losses, chi, s);
        else
            zeroOnePieces(o, s);
        addPieces(chi, s.bounds, s.winners, row);
    }
};

// ---------------------------------------------------------------------------
// Adaptive Gauss-Kronrod (15 points, embedded Gauss 7) of a vector-valued
// integrand: one line gives a whole row at once, so the loop is written here
// rather than calling Boost's scalar integrator; the nodes and weights are
// Boost's. The error of an interval is |K15 - G7| entry by entry (without
// QUADPACK's rescaling, which can shrink it), summed over the intervals.

struct GkRule {
    std::array<double, 8> x, wk;
    std::array<double, 4> wg;
    GkRule()
    {
        const auto& ax = boost::math::quadrature::gauss_kronrod<double, 15>::abscissa();
        const auto& aw = boost::math::quadrature::gauss_kronrod<double, 15>::weights();
        const auto& gw = boost::math::quadrature::gauss<double, 7>::weights();
        std::copy(ax.begin(), ax.end(), x.begin());
        std::copy(aw.begin(), aw.end(), wk.begin());
        std::copy(gw.begin(), gw.end(), wg.begin());
    }
};

const GkRule& gkRule()
{
    static const GkRule rule;
    return rule;
}

struct GkInterval {
    double lo, hi;
    Eigen::VectorXd value, err;  // value: `controlled + carried` entries; err: `controlled`
    double key;                  // the largest entry of err
};

struct GkResult {
    Eigen::VectorXd value, err;
};

// f(x, out) writes n = controlled + carried values at x (out zeroed first).
// The first `controlled` entries are refined until each summed error is
// <= tol; the others are integrated along (their K15 value).
template <class F>
GkInterval gkInterval(const F& f, double lo, double hi, Eigen::Index controlled, Eigen::Index n, Eigen::VectorXd& fx)
{
    const GkRule& r = gkRule();
    const double half = 0.5 * (hi - lo), centre = 0.5 * (hi + lo);
    GkInterval iv{lo, hi, Eigen::VectorXd::Zero(n), Eigen::VectorXd::Zero(controlled), 0.0};
    Eigen::VectorXd gauss = Eigen::VectorXd::Zero(controlled);
    for (int k = 0; k < 15; ++k) {
        const int idx = k < 7 ? 7 - k : k - 7;  // 7..1, 0, 1..7
        const double x = k < 7 ? centre - half * r.x[std::size_t(idx)] : centre + half * r.x[std::size_t(idx)];
        fx.setZero(n);
        f(x, fx.data());
        iv.value += r.wk[std::size_t(idx)] * fx;
        if (idx % 2 == 0)
            gauss += r.wg[std::size_t(idx / 2)] * fx.head(controlled);
    }
    iv.value *= half;
    gauss *= half;
    iv.err = (iv.value.head(controlled) - gauss).cwiseAbs();
    iv.key = iv.err.size() ? iv.err.maxCoeff() : 0.0;
    return iv;
}

template <class F>
GkResult adaptiveGk(const F& f, const std::vector<double>& breaks, Eigen::Index controlled, Eigen::Index n, double tol,
                    std::size_t maxIntervals)
{
    Eigen::VectorXd fx(n);
    auto cmp = [](const GkInterval& a, const GkInterval& b) { return a.key < b.key; };
    std::priority_queue<GkInterval, std::vector<GkInterval>, decltype(cmp)> queue(cmp);
    std::vector<GkInterval> done;
    Eigen::VectorXd total = Eigen::VectorXd::Zero(controlled);
    for (std::size_t k = 0; k + 1 < breaks.size(); ++k) {
        if (!(breaks[k + 1] > breaks[k]))
            continue;
        GkInterval iv = gkInterval(f, breaks[k], breaks[k + 1], controlled, n, fx);
        total += iv.err;
        queue.push(std::move(iv));
    }
    while (!queue.empty() && (total.array() > tol).any() && queue.size() + done.size() < maxIntervals) {
        GkInterval iv = queue.top();
        queue.pop();
        const double mid = 0.5 * (iv.lo + iv.hi);
        if (!(mid > iv.lo && mid < iv.hi) || iv.hi - iv.lo < 1e-13) {
            done.push_back(std::move(iv));
            continue;
        }
        GkInterval left = gkInterval(f, iv.lo, mid, controlled, n, fx);
        GkInterval right = gkInterval(f, mid, iv.hi, controlled, n, fx);
        total += left.err + right.err - iv.err;
        total = total.cwiseMax(0.0);
        queue.push(std::move(left));
        queue.push(std::move(right));
    }
    while (!queue.empty()) {
        done.push_back(queue.top());
        queue.pop();
    }
    std::sort(done.begin(), done.end(), [](const GkInterval& a, const GkInterval& b) { return a.lo < b.lo; });
    GkResult result{Eigen::VectorXd::Zero(n), Eigen::VectorXd::Zero(controlled)};
    for (const GkInterval& iv : done) {
        result.value += iv.value;
        result.err += iv.err;
    }
    return result;
}

// The unit vector of the angle theta (d = 2) or of (z, theta) (d = 3).
inline void direction(Eigen::Index d, double z, double theta, Eigen::VectorXd& u)
{
    u.resize(d);
    if (d == 2) {
        u(0) = std::cos(theta);
        u(1) = std::sin(theta);
    } else {
        const double s = std::sqrt(std::max(0.0, (1.0 - z) * (1.0 + z)));
        u(0) = s * std::cos(theta);
        u(1) = s * std::sin(theta);
        u(2) = z;
    }
}

// The angles in (0, pi) where a pair's discriminant beta^2 - alpha gamma
// changes sign (its two roots appear or vanish), found on a grid and bisected.
std::vector<double> angleBreaks(const Origin& o, double z, Scratch& s)
{
    const Eigen::Index c = Eigen::Index(o.classes), d = o.d;
    std::vector<Eigen::VectorXd> as, bs;
    for (int g = 0; g <= kDiscriminantGrid; ++g) {
        direction(d, z, kPi * g / kDiscriminantGrid, s.u);
        lineCoefficients(o, s.u, s.images, s.a, s.b);
        as.push_back(s.a);
        bs.push_back(s.b);
    }
    std::vector<double> breaks{0.0, kPi};
    // Both functions of a pair: 0 its discriminant, 1 its alpha (where a
    // root passes through infinity, e^(-1/alpha^2) is smooth but not
    // analytic, and Gauss-Kronrod's error estimate can miss it).
    auto valueAt = [&](int kind, Eigen::Index j, Eigen::Index l, double aj, double al, double beta) {
        return kind == 0 ? beta * beta - (aj - al) * o.pairGamma(j, l) : aj - al;
    };
    auto at = [&](int kind, Eigen::Index j, Eigen::Index l, double theta) {
        direction(d, z, theta, s.u);
        lineCoefficients(o, s.u, s.images, s.a, s.b);
        return valueAt(kind, j, l, s.a(j), s.a(l), s.b(j) - s.b(l));
    };
    for (int kind = 0; kind < 2; ++kind)
        for (Eigen::Index j = 0; j < c; ++j)
            for (Eigen::Index l = j + 1; l < c; ++l) {
                if (kind == 1) {
                    // Equal covariances along every line: alpha is rounding noise.
                    double most = 0.0;
                    for (const auto& a : as)
                        most = std::max(most, std::fabs(a(j) - a(l)) / (a(j) + a(l)));
                    if (most < 1e-12)
                        continue;
                }
                auto gridAt = [&](int g) {
                    const Eigen::VectorXd &a = as[std::size_t(g)], &b = bs[std::size_t(g)];
                    return valueAt(kind, j, l, a(j), a(l), b(j) - b(l));
                };
                double prev = gridAt(0);
                for (int g = 1; g <= kDiscriminantGrid; ++g) {
                    const double cur = gridAt(g);
                    if ((prev > 0.0) != (cur > 0.0)) {
                        double lo = kPi * (g - 1) / kDiscriminantGrid, hi = kPi * g / kDiscriminantGrid;
                        const bool loPositive = prev > 0.0;
                        for (int it = 0; it < 100; ++it) {
                            const double mid = 0.5 * (lo + hi);
                            if (!(mid > lo && mid < hi))
                                break;
                            if ((at(kind, j, l, mid) > 0.0) == loPositive)
                                lo = mid;
                            else
                                hi = mid;
                        }
                        breaks.push_back(0.5 * (lo + hi));
                    }
                    prev = cur;
                }
            }
    std::sort(breaks.begin(), breaks.end());
    breaks.erase(std::unique(breaks.begin(), breaks.end()), breaks.end());
    return breaks;
}

struct RowResult {
    Eigen::VectorXd value, err;
};

// The mean over the angle theta in [0, pi) of the line's row at height z
// (d = 3) or in the plane (d = 2), to `tol` per entry.
RowResult angleRow(const LineEvaluator& line, double z, double tol, std::size_t maxIntervals, Scratch& s)
{
    const Origin& o = line.o;
    const Eigen::Index c = Eigen::Index(o.classes);
    const std::vector<double> breaks = angleBreaks(o, z, s);
    auto f = [&](double theta, double* out) {
        direction(o.d, z, theta, s.u);
        line(s.u, s, out);
    };
    const GkResult r = adaptiveGk(f, breaks, c, c, tol * kPi, maxIntervals);
    return RowResult{r.value / kPi, r.err / kPi};
}

RowResult planeRow(const LineEvaluator& line, Scratch& s)
{
    RowResult r = angleRow(line, 0.0, kAngleTolerance, kMaxAngleIntervals, s);
    r.err.array() += kRoundingFloor;
    return r;
}

// The sphere's polar cosine z in [-1, 1] is cut into this many equal
// segments, integrated apart (each to its share of the tolerance) so that
// threads can share a row.
constexpr std::size_t kSphereSegments = 4;

// Segment `segment` of M_i. = 1/2 integral over z in [-1, 1] of the angle's
// mean at z.
RowResult sphereRow(const LineEvaluator& line, std::size_t segment, Scratch& s)
{
    const Eigen::Index c = Eigen::Index(line.o.classes);
    const double innerTol = 0.25 * kSphereTolerance;
    auto f = [&](double z, double* out) {
        const RowResult inner = angleRow(line, z, innerTol, kMaxInnerIntervals, s);
        for (Eigen::Index j = 0; j < c; ++j) {
            out[j] = inner.value(j);
            out[c + j] = inner.err(j);
        }
    };
    const double width = 2.0 / kSphereSegments, lo = -1.0 + width * static_cast<double>(segment);
    const std::vector<double> breaks{lo, segment + 1 == kSphereSegments ? 1.0 : lo + width};
    // raw = 2 M: the outer tolerance in raw units is 2 x (half the target), shared by the segments.
    const GkResult r = adaptiveGk(f, breaks, c, 2 * c, kSphereTolerance / kSphereSegments,
                                  kMaxOuterIntervals / kSphereSegments);
    RowResult row{0.5 * r.value.head(c), 0.5 * (r.err + r.value.tail(c).cwiseAbs())};
    row.err.array() += kRoundingFloor / kSphereSegments;
    return row;
}

RowResult lineRow1(const LineEvaluator& line, Scratch& s)
{
    const Eigen::Index c = Eigen::Index(line.o.classes);
    RowResult r{Eigen::VectorXd::Zero(c), Eigen::VectorXd::Zero(c)};
    s.u = Eigen::VectorXd::Ones(1);
    line(s.u, s, r.value.data());
    if (!line.losses)
        roundingOfLine(line.o, s, r.err.data());
    r.err += 8.0 * kEps * r.value;
    r.err.array() += std::numeric_limits<double>::denorm_min();
    return r;
}

// One copy of the randomised quasi-Monte Carlo rule for one class: the
// mean row over `lines` Sobol' directions with copy r's digital shift.
Eigen::VectorXd qmcRow(const LineEvaluator& line, std::int64_t lines, std::uint64_t seed, Scratch& s)
{
    const Eigen::Index d = line.o.d, c = Eigen::Index(line.o.classes);
    const Eigen::Index sobolDims = std::min<Eigen::Index>(d, BOOST_RANDOM_SOBOL_MAX_DIMENSION);
    std::mt19937_64 rng(seed);
    std::vector<std::uint64_t> shift(static_cast<std::size_t>(d));
    for (auto& w : shift)
        w = rng();
    boost::random::sobol sobol(static_cast<std::size_t>(sobolDims));
    Eigen::VectorXd row = Eigen::VectorXd::Zero(c);
    s.u.resize(d);
    for (std::int64_t n = 0; n < lines; ++n) {
        for (Eigen::Index k = 0; k < d; ++k) {
            // Coordinates beyond Boost's table of directions are plain
            // pseudo-random words from the copy's generator.
            const std::uint64_t x = (k < sobolDims ? std::uint64_t(sobol()) : rng()) ^ shift[std::size_t(k)];
            const double p = (static_cast<double>(x >> 11) + 0.5) * 0x1p-53;
            s.u(k) = -boost::math::constants::root_two<double>() * boost::math::erfc_inv(2.0 * p, DoublePolicy());
        }
        s.u /= s.u.norm();
        line(s.u, s, row.data());
    }
    return row / static_cast<double>(lines);
}

void checkArguments(const ClassesModel& model, const ConfusionSettings& settings)
{
    requireArgument(!validate(model), "confusionMatrix: the model is not valid (see validate in Classes.h)");
    requireArgument(!settings.losses || !lossesProblem(*settings.losses, model.size()),
                    "confusionMatrix: the losses are not valid (see lossesProblem)");
    requireArgument(settings.directions >= kMinDirections && settings.directions <= kMaxDirections,
                    "confusionMatrix: directions must lie in [kMinDirections, kMaxDirections]");
    requireArgument(settings.threads >= 1, "confusionMatrix: threads must be at least 1");
}

}  // namespace

Confusion confusionMatrix(const ClassesModel& model, const ConfusionSettings& settings)
{
    checkArguments(model, settings);
    const std::size_t classes = model.size();
    const Eigen::Index c = Eigen::Index(classes), d = model.dimension();
    const ConfusionMethod method = methodFor(d);
    const std::vector<Origin> origins = makeOrigins(model, settings.losses);
    const Chi chi(d);

    Confusion out{method, Eigen::MatrixXd::Zero(c, c), Eigen::MatrixXd::Zero(c, c), 0.0, 0.0, 0.0};
    const bool randomised = method == ConfusionMethod::QuasiMonteCarlo;
    // The pieces of a row computed apart: copies of the randomised rule, or
    // segments of the sphere.
    const std::size_t copies =
        randomised ? kRandomisations : method == ConfusionMethod::AdaptiveSphere ? kSphereSegments : 1;
    const std::size_t items = classes * copies;
    // Results by item (class-major), summed afterwards in a fixed order.
    std::vector<RowResult> results(items);

    // Every item may be in flight: a slow one must not hold the others back.
    const std::size_t window = std::max(items, std::size_t(settings.threads));
    std::vector<std::size_t> slotItem(window);
    std::vector<Scratch> scratch(settings.threads);
    std::exception_ptr failure;
    std::mutex failureMutex;
    std::size_t next = 0, written = 0;
    auto read = [&](std::size_t slot) {
        if (next == items)
            return false;
        slotItem[slot] = next++;
        return true;
    };
    auto work = [&](std::size_t slot, unsigned worker) {
        const std::size_t item = slotItem[slot];
        const std::size_t i = item / copies, r = item % copies;
        try {
            const LineEvaluator line{origins[i], chi, settings.losses};
            Scratch& s = scratch[worker];
            if (method == ConfusionMethod::TwoDirections)
                results[item] = lineRow1(line, s);
            else if (method == ConfusionMethod::AdaptiveAngle)
                results[item] = planeRow(line, s);
            else if (method == ConfusionMethod::AdaptiveSphere)
                results[item] = sphereRow(line, r, s);
            else {
                const std::int64_t base = settings.directions / std::int64_t(copies);
                const std::int64_t lines = base + (std::int64_t(r) < settings.directions % std::int64_t(copies) ? 1 : 0);
                results[item] = RowResult{qmcRow(line, lines, settings.seed + r, s), Eigen::VectorXd()};
            }
        } catch (...) {
            std::lock_guard<std::mutex> lock(failureMutex);
            if (!failure)
                failure = std::current_exception();
        }
    };
    auto write = [&](std::size_t) {
        ++written;
        if (settings.progress)
            settings.progress(static_cast<double>(written) / static_cast<double>(items));
        return true;
    };
    streamInOrder(settings.threads, window, read, work, write);
    if (failure)
        std::rethrow_exception(failure);

    auto rowValue = [&](std::size_t i, const Eigen::VectorXd& row) {
        double v = 0.0;
        for (Eigen::Index j = 0; j < c; ++j) {
            if (settings.losses)
                v += model.classes[i].prior * (*settings.losses)(Eigen::Index(i), j) * row(j);
            else if (j != Eigen::Index(i))
                v += model.classes[i].prior * row(j);
        }
        return v;
    };
    if (!randomised) {
        for (std::size_t i = 0; i < classes; ++i) {
            RowResult row{Eigen::VectorXd::Zero(c), Eigen::VectorXd::Zero(c)};
            for (std::size_t r = 0; r < copies; ++r) {
                row.value += results[i * copies + r].value;
                row.err += results[i * copies + r].err;
            }
            out.matrix.row(Eigen::Index(i)) = row.value.transpose();
            out.error.row(Eigen::Index(i)) = row.err.transpose();
            out.value += rowValue(i, row.value);
            out.valueError += rowValue(i, row.err);
        }
    } else {
        const double n = static_cast<double>(copies);
        std::vector<double> copyValues(copies, 0.0);
        for (std::size_t i = 0; i < classes; ++i) {
            Eigen::VectorXd mean = Eigen::VectorXd::Zero(c);
            for (std::size_t r = 0; r < copies; ++r)
                mean += results[i * copies + r].value;
            mean /= n;
            Eigen::VectorXd var = Eigen::VectorXd::Zero(c);
            for (std::size_t r = 0; r < copies; ++r) {
                var += (results[i * copies + r].value - mean).cwiseAbs2();
                copyValues[r] += rowValue(i, results[i * copies + r].value);
            }
            out.matrix.row(Eigen::Index(i)) = mean.transpose();
            out.error.row(Eigen::Index(i)) = (var / (n - 1.0) / n).cwiseSqrt().transpose();
        }
        double mean = 0.0;
        for (const double v : copyValues)
            mean += v;
        mean /= n;
        double var = 0.0;
        for (const double v : copyValues)
            var += (v - mean) * (v - mean);
        out.value = mean;
        out.valueError = std::sqrt(var / (n - 1.0) / n);
    }
    out.value = std::max(out.value, 0.0);
    out.log10Value = out.value > 0.0 ? std::log10(out.value) : -kInf;
    return out;
}

ClassesFigures analyseClasses(const ClassesModel& model, const ConfusionSettings& settings)
{
    checkArguments(model, settings);
    ClassesFigures figures{confusionMatrix(model, settings), {}, 0.0, 0.0, 0.0};
    for (std::size_t i = 0; i < model.size(); ++i)
        for (std::size_t j = i + 1; j < model.size(); ++j) {
            const Model pair = pairModel(model, i, j);
            const CanonicalForm form(pair);
            const BayesError bayes = bayesError(pair, form);
            const double pi = model.classes[i].prior, pj = model.classes[j].prior;
            const double exponent = ChernoffCurve(form).exponent(0.5);
            PairFigures p{i, j, bayes, (pi + pj) * bayes.value, (pi + pj) * bayes.absError,
                          std::sqrt(pi * pj) * std::exp(-exponent)};
            figures.lower = std::max(figures.lower, p.bayesError);
            figures.upperPairwise += p.bayesError;
            figures.upperBhattacharyya += p.bhattacharyyaBound;
            figures.pairs.push_back(p);
        }
    return figures;
}

}  // namespace gaussbound
