// The Chernoff exponent of two normal classes in any dimension, its optimum
// with priors, the Bhattacharyya bounds and two divergences.
//
//   k(beta) = beta (1 - beta) / 2 . d^T S^-1 d + 1/2 ln( |S| / (|Sigma1|^beta |Sigma2|^(1 - beta)) ),
//   S = beta Sigma1 + (1 - beta) Sigma2,  d = mu2 - mu1,
//
// the exponent that Bound's makeBound tabulates in the plane. e^-k(beta) is
// the integral of p1^(1 - beta) p2^beta, so the bound on the Bayes error it
// gives is P1^(1 - beta) P2^beta e^-k(beta). In the canonical coordinates
// (Canonical.h) S is diagonal, S_i = (1 - beta) + beta s_i^2, and
//
//   k(beta) = sum_i [ beta (1 - beta) / 2 . f_i^2 / S_i + 1/2 (ln S_i - beta ln s_i^2) ],
//
// so after one factorisation every beta costs O(d), and so does the slope
// k'(beta), which the optimum's root finder uses.
//
//   ChernoffCurve          k(beta) and k'(beta) for one model
//   ChernoffOptimum        the beta minimising P1^(1-beta) P2^beta e^-k(beta), and that bound
//   Bhattacharyya          k(1/2), its factor and the upper and lower bounds
//   Divergences            KL(1||2), KL(2||1) and the Hellinger distance
#ifndef GAUSSBOUND_CHERNOFF_H
#define GAUSSBOUND_CHERNOFF_H

#include <Eigen/Core>

#include "gaussbound/Canonical.h"

namespace gaussbound {

class ChernoffCurve {
public:
    // Copies what it needs of form. Throws std::invalid_argument when
    // form.s is empty or differs in size from form.fHalf.
    explicit ChernoffCurve(const CanonicalForm& form);

    // k(beta) for beta in [0, 1]: 0 at both ends, +infinity inside when the
    // classes are separated beyond the double range. Throws
    // std::invalid_argument for a beta outside [0, 1] or NaN.
    double exponent(double beta) const;
    // dk/dbeta; k is concave, so the slope falls as beta grows. Throws as
    // exponent does.
    double slope(double beta) const;

private:
    Eigen::VectorXd s_, logS_;
    Eigen::VectorXd fScaled_;  // fHalf / 2^scale_
    int scale_;
    bool beyondRange_;
};

struct ChernoffOptimum {
    double beta;        // in [0, 1], to about 1e-12
    double exponent;    // k(beta)
    double errorBound;  // P1^(1 - beta) P2^beta e^-k(beta)
};

// The minimum over beta in [0, 1] of P1^(1 - beta) P2^beta e^-k(beta). Its
// logarithm is convex, so the minimum is unique; it is found as the root of
// the logarithm's derivative. At beta = 0 and 1 the bound is P1 and P2.
// Throws std::invalid_argument for priors that validatePriors refuses.
ChernoffOptimum chernoffOptimum(const ChernoffCurve& curve, double prior1, double prior2);

struct Bhattacharyya {
    double exponent;    // k(1/2)
    double factor;      // e^-k(1/2)
    double upperBound;  // sqrt(P1 P2) e^-k(1/2)
    double lowerBound;  // 1/2 (1 - sqrt(1 - 4 P1 P2 e^-2k(1/2)))
};

// Reads k(1/2): +infinity gives bounds of 0, NaN (a figure that could not
// be computed) NaN bounds. Throws std::invalid_argument for priors that
// validatePriors refuses.
Bhattacharyya bhattacharyya(double exponent, double prior1, double prior2);

struct Divergences {
    double kl12;       // KL(class 1 || class 2)
    double kl21;       // KL(class 2 || class 1)
    double hellinger;  // sqrt(1 - e^-k(1/2)), in [0, 1]
};

// Reads form and the curve made from it. Throws std::invalid_argument as
// ChernoffCurve's constructor does.
Divergences divergences(const CanonicalForm& form, const ChernoffCurve& curve);

}  // namespace gaussbound

#endif
