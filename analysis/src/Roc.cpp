#include "gaussbound/Roc.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <Eigen/Cholesky>

#include "gaussbound/Error.h"

#include "RuleForm.h"

namespace gaussbound {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// The form with its constant moved by shift.
QuadraticForm shifted(QuadraticForm q, double shift)
{
    q.k += shift;
    return q;
}

// The mean and standard deviation of a form (every multiplicity 1).
std::pair<double, double> moments(const QuadraticForm& q)
{
    const Eigen::ArrayXd a = q.a.array(), b = q.b.array(), c = q.c.array();
    const double mean = q.k + (a + a * b * b).sum();
    return {mean, std::sqrt((2.0 * a.square() + c.square() + 4.0 * (a * b).square()).sum())};
}

// Two forms of independent vectors as one: their terms side by side.
QuadraticForm joined(const QuadraticForm& x, const QuadraticForm& y)
{
    const auto stack = [](const Eigen::VectorXd& u, const Eigen::VectorXd& v) {
        Eigen::VectorXd w(u.size() + v.size());
        w << u, v;
        return w;
    };
    QuadraticForm q{stack(x.a, y.a), stack(x.b, y.b), stack(x.c, y.c), x.k + y.k,
                    stack(x.aError, y.aError), stack(x.bError, y.bError), stack(x.cError, y.cError),
                    x.kError + y.kError};
    return q;
}

}  // namespace

RocStatistic::RocStatistic(const Model& model, const Discriminant& statistic)
{
    checkRule(model, statistic, "RocStatistic");
    constant_ = statistic.quadratic.isZero(0.0) && statistic.linear.isZero(0.0);
    constantValue_ = statistic.constant;
    const Eigen::MatrixXd l1 = model.sigma1.llt().matrixL(), l2 = model.sigma2.llt().matrixL();
    falseAlarm_ = classForm(model.mu1, l1, statistic, true);
    miss_ = classForm(model.mu2, l2, statistic, false);
}

RocPoint RocStatistic::at(double t) const
{
    requireArgument(!std::isnan(t), "RocStatistic::at: the threshold is NaN");
    if (std::isinf(t) || constant_) {
        const bool two = constant_ ? constantValue_ > t : t < 0;  // g > t everywhere
        return two ? RocPoint{t, 1.0, 1.0, 0.0, -kInf} : RocPoint{t, 0.0, 0.0, -kInf, 0.0};
    }
    const TailProbability f = belowZero(shifted(falseAlarm_, t));
    const TailProbability m = belowZero(shifted(miss_, -t));
    return {t, f.value, 1.0 - m.value, f.logValue / M_LN10, m.logValue / M_LN10};
}

std::vector<RocPoint> RocStatistic::curve(double spacing) const
{
    requireArgument(spacing > 0.0 && spacing <= 0.5, "RocStatistic::curve: the spacing must be in (0, 0.5]");
    std::vector<RocPoint> out{at(kInf)};
    if (!constant_) {
        // Thresholds from where both F and H are below spacing / 2 down to
        // where both are above 1 - spacing / 2: 8 standard deviations of g
        // about either class's mean, widened until it holds.
        const auto [m1, s1] = moments(falseAlarm_);  // of -g under class 1
        const auto [m2, s2] = moments(miss_);
        double hi = std::fmax(-m1 + 8.0 * s1, m2 + 8.0 * s2), lo = std::fmin(-m1 - 8.0 * s1, m2 - 8.0 * s2);
        const double edge = 0.5 * spacing;
        for (int i = 0; i < 60; ++i) {
            const RocPoint top = at(hi), bottom = at(lo);
            const bool topDone = top.falseAlarm <= edge && top.hit <= edge;
            const bool bottomDone = bottom.falseAlarm >= 1.0 - edge && bottom.hit >= 1.0 - edge;
            if (topDone && bottomDone)
                break;
            const double width = hi - lo;
            hi += topDone ? 0.0 : width;
            lo -= bottomDone ? 0.0 : width;
        }
        // Split every step that moves F or H by more than spacing into as
        // many equal steps of t as its larger move needs (a tenth more, as
        // the moves are not even), and those again where they still are.
        const auto refine = [&](const RocPoint& a, const RocPoint& b, int depth, const auto& self) -> void {
            const double move = std::fmax(std::fabs(b.falseAlarm - a.falseAlarm), std::fabs(b.hit - a.hit));
            if (depth > 50 || move <= spacing)
                return;
            const int pieces = std::min(1000, static_cast<int>(std::ceil(1.1 * move / spacing)));
            RocPoint left = a;
            for (int i = 1; i <= pieces; ++i) {
                const RocPoint right = i == pieces ? b : at(a.threshold + (b.threshold - a.threshold) * i / pieces);
                self(left, right, depth + 1, self);
                if (i < pieces)
                    out.push_back(right);
                left = right;
            }
        };
        constexpr int kSteps = 32;
        RocPoint previous = at(hi);
        out.push_back(previous);
        for (int i = 1; i <= kSteps; ++i) {
            const RocPoint next = at(hi - (hi - lo) * i / kSteps);
            refine(previous, next, 0, refine);
            out.push_back(next);
            previous = next;
        }
    }
    out.push_back(at(-kInf));
    return out;
}

AreaUnderCurve RocStatistic::auc() const
{
    if (constant_)
        return {0.5, 0.0, std::log(0.5)};
    // 1 - AUC = P(g(X2) - g(X1) < 0): miss_ is g under class 2 and
    // falseAlarm_ is -g under class 1.
    const TailProbability below = belowZero(joined(miss_, falseAlarm_));
    return {1.0 - below.value, below.absError, below.logValue};
}

}  // namespace gaussbound
