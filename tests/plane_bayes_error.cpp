// The tests' independent Bayes error in the plane (see plane_bayes_error.h).
//
// For fixed x each class density factors as
//     P_c p_c(x, y) = w_c(x) . N(y; m_c(x), s_c^2),
// with w_c(x) = P_c N(x; mu_cx, Sigma_c,xx) and the conditional mean and
// variance of y given x. ln(g1 / g2) is a quadratic in y, so the set where
// class 1 is the smaller term is bounded by at most two roots, and the inner
// integral over y is an exact sum of normal probabilities (erfc, accurate in
// the tails). Where class 1 is the smaller term the rule picks class 2, so
// that part of the sum is P1 e1 and the rest P2 e2. The outer integral over x
// is integrated by globally adaptive 15-point Gauss-Kronrod quadrature (the
// nodes and weights of Boost.Math's gauss_kronrod<double, 15> and
// gauss<double, 7>), bisecting the panel with the largest error estimate
// until the estimated error is below 1e-10 of the total. Panels start at
// breakpoints scaled to each class (mean +- up to 40 standard deviations) and
// at the kinks where the count of roots changes.
#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <queue>
#include <vector>

#include <boost/math/quadrature/gauss.hpp>
#include <boost/math/quadrature/gauss_kronrod.hpp>

#include "plane_bayes_error.h"

namespace {

using gaussbound::Model;

const double kSqrt2 = std::sqrt(2.0);
const double kSqrt2Pi = std::sqrt(2.0 * M_PI);

// P(lo < Z < hi) for a standard normal Z, without cancellation in the tails.
double normalMass(double lo, double hi)
{
    if (!(hi > lo))
        return 0.0;
    if (lo >= 0.0)
        return 0.5 * (std::erfc(lo / kSqrt2) - std::erfc(hi / kSqrt2));
    if (hi <= 0.0)
        return 0.5 * (std::erfc(-hi / kSqrt2) - std::erfc(-lo / kSqrt2));
    return 1.0 - 0.5 * std::erfc(hi / kSqrt2) - 0.5 * std::erfc(-lo / kSqrt2);
}

// One class seen along the line of fixed x: weight * N(y; mean, sd^2).
struct Slice {
    double logWeight;
    double mean;
    double sd;
};

Slice sliceAt(double x, const Eigen::VectorXd& mu, const Eigen::MatrixXd& sigma, double prior)
{
    const double vx = sigma(0, 0);
    const double dx = x - mu(0);
    Slice s;
    s.logWeight = std::log(prior) - 0.5 * dx * dx / vx - std::log(std::sqrt(vx) * kSqrt2Pi);
    s.mean = mu(1) + sigma(0, 1) / vx * dx;
    // Conditional variance |Sigma| / Sigma_xx: positive for a positive definite Sigma.
    s.sd = std::sqrt((sigma(0, 0) * sigma(1, 1) - sigma(0, 1) * sigma(1, 0)) / vx);
    return s;
}

double sliceMass(const Slice& s, double lo, double hi)
{
    return std::exp(s.logWeight) * normalMass((lo - s.mean) / s.sd, (hi - s.mean) / s.sd);
}

// The integrand's three components: the total, and its parts P1 e1 (where
// class 1 is the smaller term) and P2 e2.
using Parts = std::array<double, 3>;

// ln g1 - ln g2 = a y^2 + b y + k on the line of fixed x, with both slices.
struct LineQuadratic {
    Slice s1, s2;
    double a, b, k;
};

LineQuadratic lineQuadratic(double x, const Model& m)
{
    LineQuadratic q;
    q.s1 = sliceAt(x, m.mu1, m.sigma1, m.prior1);
    q.s2 = sliceAt(x, m.mu2, m.sigma2, m.prior2);
    const double h1 = 1.0 / (q.s1.sd * q.s1.sd), h2 = 1.0 / (q.s2.sd * q.s2.sd);
    q.a = 0.5 * (h2 - h1);
    q.b = q.s1.mean * h1 - q.s2.mean * h2;
    q.k = q.s1.logWeight - q.s2.logWeight - std::log(q.s1.sd / q.s2.sd) -
          0.5 * q.s1.mean * q.s1.mean * h1 + 0.5 * q.s2.mean * q.s2.mean * h2;
    return q;
}

double discriminant(double x, const Model& m)
{
    const LineQuadratic q = lineQuadratic(x, m);
    return q.b * q.b - 4.0 * q.a * q.k;
}

// Integral over y of min(g1, g2) on the line of fixed x.
Parts innerIntegral(double x, const Model& m)
{
    const LineQuadratic q = lineQuadratic(x, m);
    const Slice &s1 = q.s1, &s2 = q.s2;
    const double a = q.a, b = q.b, k = q.k;

    // Intervals between roots alternate in sign; signAtTop is the sign of
    // the quadratic above the largest root (or everywhere, without roots).
    std::vector<double> cuts;
    double signAtTop;
    if (a == 0.0) {
        if (b != 0.0)
            cuts.push_back(-k / b);
        signAtTop = b != 0.0 ? b : k;
    } else {
        const double disc = b * b - 4.0 * a * k;
        if (disc > 0.0) {
            const double q = -0.5 * (b + std::copysign(std::sqrt(disc), b));
            cuts = {std::min(q / a, k / q), std::max(q / a, k / q)};
        }
        signAtTop = a;
    }

    // Walk the intervals from the top down, taking the smaller class on each.
    Parts sum = {0.0, 0.0, 0.0};
    double hi = INFINITY;
    bool class1Smaller = signAtTop < 0.0;
    const auto take = [&](double lo) {
        const double mass = sliceMass(class1Smaller ? s1 : s2, lo, hi);
        sum[0] += mass;
        sum[class1Smaller ? 1 : 2] += mass;
    };
    for (auto it = cuts.rbegin(); it != cuts.rend(); ++it) {
        take(*it);
        hi = *it;
        class1Smaller = !class1Smaller;
    }
    take(-INFINITY);
    return sum;
}

struct Panel {
    double lo, hi;
    Parts value;
    double error;  // of the total
    bool operator<(const Panel& other) const { return error < other.error; }
};

// 15-point Kronrod rule on [lo, hi] with the error estimate |K15 - G7| of
// the total.
template <class F>
Panel gaussKronrod(const F& f, double lo, double hi)
{
    using boost::math::quadrature::gauss;
    using boost::math::quadrature::gauss_kronrod;
    const auto& x = gauss_kronrod<double, 15>::abscissa();  // x[0] = 0 ascending
    const auto& wk = gauss_kronrod<double, 15>::weights();
    const auto& wg = gauss<double, 7>::weights();  // at x[0], x[2], x[4], x[6]
    const double mid = 0.5 * (lo + hi), half = 0.5 * (hi - lo);
    const Parts fc = f(mid);
    Parts kronrod;
    for (int c = 0; c < 3; ++c)
        kronrod[c] = wk[0] * fc[c];
    Parts gauss7;
    for (int c = 0; c < 3; ++c)
        gauss7[c] = wg[0] * fc[c];
    for (int i = 7; i >= 1; --i) {
        const Parts left = f(mid - half * x[i]), right = f(mid + half * x[i]);
        for (int c = 0; c < 3; ++c) {
            kronrod[c] += wk[i] * (left[c] + right[c]);
            if (i % 2 == 0)
                gauss7[c] += wg[i / 2] * (left[c] + right[c]);
        }
    }
    // The parts have square-root kinks where the number of roots changes,
    // which the total smooths over: the error is judged on the parts.
    return {lo, hi, {kronrod[0] * half, kronrod[1] * half, kronrod[2] * half},
            (std::fabs(kronrod[1] - gauss7[1]) + std::fabs(kronrod[2] - gauss7[2])) * half};
}

// Panel edges: each class's x-mean plus and minus multiples of its x
// standard deviation, and the x where the count of roots changes.
std::vector<double> breakpoints(const Model& m)
{
    static constexpr double kSteps[] = {0, 0.5, 1, 1.5, 2, 3, 4, 5, 6, 8, 10, 14, 20, 28, 40};
    const double means[2] = {m.mu1(0), m.mu2(0)};
    const double sds[2] = {std::sqrt(m.sigma1(0, 0)), std::sqrt(m.sigma2(0, 0))};
    std::vector<double> edges;
    for (int k = 0; k < 2; ++k)
        for (double s : kSteps) {
            edges.push_back(means[k] - s * sds[k]);
            edges.push_back(means[k] + s * sds[k]);
        }
    // The discriminant of innerIntegral's quadratic in y is a quadratic in x:
    // fitted through three points, its roots are where roots appear.
    const double d0 = discriminant(-1.0, m), d1 = discriminant(0.0, m), d2 = discriminant(1.0, m);
    const double qa = 0.5 * (d0 + d2) - d1, qb = 0.5 * (d2 - d0), qc = d1;
    const double disc = qb * qb - 4.0 * qa * qc;
    if (qa != 0.0 && disc > 0.0)
        for (double sign : {-1.0, 1.0})
            edges.push_back((-qb + sign * std::sqrt(disc)) / (2.0 * qa));
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    return edges;
}

}  // namespace

gaussbound::BayesError planeBayesError(const Model& model)
{
    const auto f = [&](double x) { return innerIntegral(x, model); };
    const std::vector<double> edges = breakpoints(model);

    std::priority_queue<Panel> panels;
    double total = 0.0, error = 0.0;
    for (size_t i = 0; i + 1 < edges.size(); ++i) {
        const Panel p = gaussKronrod(f, edges[i], edges[i + 1]);
        total += p.value[0];
        error += p.error;
        panels.push(p);
    }

    // Bisect the worst panel until the estimated error is small enough; the
    // bisection budget only matters for pathological inputs.
    for (int budget = 4000; budget > 0 && error > 1e-10 * total && error > 1e-300; --budget) {
        const Panel worst = panels.top();
        panels.pop();
        const double mid = 0.5 * (worst.lo + worst.hi);
        const Panel left = gaussKronrod(f, worst.lo, mid);
        const Panel right = gaussKronrod(f, mid, worst.hi);
        total += left.value[0] + right.value[0] - worst.value[0];
        error += left.error + right.error - worst.error;
        panels.push(left);
        panels.push(right);
    }

    // Sum afresh: the running totals carry the rounding of every update.
    Parts sum = {0.0, 0.0, 0.0};
    double errorSum = 0.0;
    const size_t count = panels.size();
    for (; !panels.empty(); panels.pop()) {
        for (int c = 0; c < 3; ++c)
            sum[c] += panels.top().value[c];
        errorSum += panels.top().error;
    }
    // Each panel's sum rounds at a relative eps or so, and so does the total.
    const double rounding = 4.0 * (count + 16) * DBL_EPSILON * sum[0];
    return {std::min(sum[0], std::min(model.prior1, model.prior2)), sum[1] / model.prior1,
            sum[2] / model.prior2, errorSum + rounding, errorSum + rounding};
}
