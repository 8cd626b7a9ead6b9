// The receiver operating characteristic of a statistic g that decides
// class 2 where g(x) > t, and the area under it.
//
//   RocPoint        a threshold t with F(t) = P(g > t | class 1) (false alarm)
//                   and H(t) = P(g > t | class 2) (hit), and the base-10
//                   logarithms of F and of the miss 1 - H
//   AreaUnderCurve  AUC = P(g(X2) > g(X1)) for independent X1 of class 1 and
//                   X2 of class 2, its error bound, and ln(1 - AUC)
//   RocStatistic    g under both classes, set up once: a point at any t, the
//                   whole curve, the AUC
//
// F and the miss are tails of g under each class, generalised chi-squares
// (Rule.h), each computed directly with its logarithm. g(X2) - g(X1) is a
// quadratic form of the 2d standard normal coordinates of X1 and X2 together:
// the form of g under class 2 beside the negated form under class 1. So the
// AUC is one more tail of the same distribution, exact with an error bound
// rather than a sum of trapezoids, and 1 - AUC keeps its digits when the
// AUC is within 1e-300 of 1. For the likelihood ratio of classes of equal
// covariances, H = Phi(Phi^-1(F) + d') and AUC = Phi(d' / sqrt 2).
#ifndef GAUSSBOUND_ROC_H
#define GAUSSBOUND_ROC_H

#include <vector>

#include "gaussbound/Model.h"
#include "gaussbound/QuadraticForm.h"
#include "gaussbound/Rule.h"

namespace gaussbound {

struct RocPoint {
    double threshold;  // t; +infinity at (0, 0), -infinity at (1, 1)
    double falseAlarm, hit;
    double log10FalseAlarm, log10Miss;  // -infinity for a probability of 0
};

struct AreaUnderCurve {
    double value;
    double absError;       // bound on its numerical error
    double logComplement;  // ln(1 - value), from the tail itself
};

class RocStatistic {
public:
    // Reads a valid model and a rule of its dimension, as ruleError does,
    // and throws what it throws.
    RocStatistic(const Model& model, const Discriminant& statistic);

    // Reads t, not NaN (infinite t give the ends).
    RocPoint at(double t) const;

    // Points from (0, 0) to (1, 1) in order of rising F, neighbours at most
    // spacing apart in both F and H (spacing in (0, 0.5]; a jump of g, which
    // only a degenerate statistic has, is left as it is). Throws
    // std::invalid_argument for another spacing.
    std::vector<RocPoint> curve(double spacing = 0.005) const;

    AreaUnderCurve auc() const;

private:
    QuadraticForm falseAlarm_;  // -g under class 1: P(-g + t < 0) = F(t)
    QuadraticForm miss_;        // g under class 2: P(g - t < 0) = 1 - H(t)
    bool constant_;             // g is one number everywhere
    double constantValue_;
};

}  // namespace gaussbound

#endif
