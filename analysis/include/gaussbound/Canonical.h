// CanonicalForm: two normal classes in the coordinates where class 2 is
// standard normal and class 1's covariance is diagonal.
//
// With Cholesky factors Sigma1 = L1 L1^T, Sigma2 = L2 L2^T and the singular
// value decomposition L2^-1 L1 = U S V^T, the map x -> U^T L2^-1 (x - mu1)
// takes class 2 to N(f, I) and class 1 to N(0, S^2), where
//     f = U^T L2^-1 (mu2 - mu1).
// Every figure of the pair (the Chernoff exponent, the divergences, the
// Bayes error) is a sum over these d coordinates. The singular values s_i are
// the square roots of the generalised eigenvalues of Sigma1 against Sigma2.
//
// Units do not matter: each coordinate is first divided by a power of two
// near its larger standard deviation (exact), so that a change of units by
// powers of two gives the same canonical form bit for bit, and neither
// variances of 1e300 nor of 1e-300 overflow on the way. The factorisations
// are then made in double precision where the scaled covariances and the
// spread of the s_i show that double precision keeps them accurate, and
// otherwise (condition numbers beyond about 1e3) in long double or, beyond
// about 1e5, in 50-digit arithmetic, and rounded once; relError says how
// accurate s, f and logDetHalf are. f is kept halved, f = 2 fHalf, because mu2 - mu1 itself
// can exceed the double range; a separation too large for a double (an
// fHalf that overflows) is flagged instead.
#ifndef GAUSSBOUND_CANONICAL_H
#define GAUSSBOUND_CANONICAL_H

#include <Eigen/Core>

#include "gaussbound/Model.h"

namespace gaussbound {

struct CanonicalForm {
    Eigen::VectorXd s;      // class 1's standard deviations, descending, all > 0
    Eigen::VectorXd fHalf;  // half the mean difference in these coordinates
    double logDetHalf;      // sum of ln s_i = 1/2 ln(|Sigma1| / |Sigma2|), summed before rounding
    double relError;        // bound on the relative error of each s_i and of |fHalf| and
                            // |logDetHalf| (beyond the last rounding)
    bool wide;              // whether the factorisations needed more than double precision
    bool beyondRange;       // |f| exceeds the double range: the classes never overlap
    bool representable;     // false where the s_i span more than the double range
                            // (a ratio of standard deviations beyond about 1e300
                            // between coordinates): the figures cannot be computed

    // Reads a valid model (see validate). Throws std::invalid_argument for
    // one without hasShape; covariances that are not positive definite give
    // a form that is not representable.
    explicit CanonicalForm(const Model& model);
};

}  // namespace gaussbound

#endif
