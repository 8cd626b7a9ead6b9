// The lower tail of a quadratic form in standard normal variables (a
// generalised chi-square):
//
//   Q = sum_i [ a_i (w_i + b_i)^2 + c_i w_i ] + k,   w ~ N(0, I),   P(Q < 0) = ?
//
// A term may stand for several (its multiplicity n_i): n_i - 1 further
// squares a_i w^2 of independent w, so that a_i times a non-central
// chi-square of n_i degrees of freedom and non-centrality b_i^2 is one term
// (b_i with n_i = 1 is the usual term).
//
// Each term is written either centred (b_i, c_i = 0) or not (b_i = 0, c_i):
// the same term, but completing the square of a_i w_i^2 + c_i w_i subtracts
// c_i^2 / (4 a_i) from k, which cancels when a_i is small, and leaving it
// open loses the sign of a tiny k when a_i is large; the caller picks.
//
// Method: the moment generating function of Q is known in closed form,
//   M(s) = exp(K(s)),  K(s) = s k + sum_i [ -n_i/2 ln(1 - 2 a_i s) + s a_i b_i^2 / (1 - 2 a_i s)
//                                           + s^2 c_i^2 / (2 (1 - 2 a_i s)) ],
// and inverting it along a contour Re s = const < 0 gives the tail directly,
//   P(Q < 0) = -1/(2 pi i) integral M(s) / s ds,
// with no subtraction from 1/2 (as Gil-Pelaez's formula has), so that tails
// of 1e-300 keep their relative accuracy, and the integral's scale e^H(c)
// (below) is kept as a logarithm, so that the natural logarithm of a tail
// far below the double range (ln P = -5e5, say) is as accurate as the tail. The contour passes through the
// saddle point of M(s) / |s| on the real axis, where the integrand is
// largest and flattest, and leaves it as a ray into the upper half plane,
// tilted towards the side where M decays so that it does not oscillate (the
// tilt is checked along the ray and dropped to the vertical line, along which
// |M(s) / s| provably falls, when it would let the integrand grow). The
// integral over the ray is done by Boost.Math's exp_sinh quadrature.
// See C. W. Helstrom, "Distribution of quadratic forms in normal random
// variables: evaluation by numerical integration", SIAM J. Sci. Stat.
// Comput. 4 (1983), for the saddle-point contour.
//
//   QuadraticForm     the coefficients of Q
//   TailProbability   a probability and a bound on its numerical error
//   belowZero         P(Q < 0)
//   densityAtZero     Q's density at 0
//
// The density is the same integral without the pole, 1/(2 pi i) integral
// M(s) ds, through the saddle point of M itself, K'(c) = 0, which may lie
// on either side of 0.
#ifndef GAUSSBOUND_QUADRATIC_FORM_H
#define GAUSSBOUND_QUADRATIC_FORM_H

#include <Eigen/Core>

namespace gaussbound {

struct TailProbability {
    double value;     // in [0, 1]
    double absError;  // bound on |value - exact|, from the quadrature and the rounding
    double fromInputs = 0.0;  // the part of absError that the caller's coefficient errors make
    // ln of the tail, finite where value underflows to 0 (-infinity only
    // where the tail is 0: Q never lies below zero), and a bound on its
    // absolute error, from the same sources as absError.
    double logValue = 0.0;
    double logAbsError = 0.0;
};

struct QuadraticForm {
    Eigen::VectorXd a, b, c;  // n >= 1 each, finite, with b_i c_i = 0
    double k;
    // How far each coefficient may be from that of the intended form,
    // because of the way the caller computed it (its last rounding aside):
    // absolute bounds, each vector empty (none) or of size n. They are
    // carried into the error bound to first order, through the derivatives
    // of K at the saddle point (see contourTail).
    Eigen::VectorXd aError{}, bError{}, cError{};
    double kError = 0.0;
    // The multiplicity of each term: empty (every n_i = 1) or of size n,
    // each finite and >= 1.
    Eigen::VectorXd dof{};
};

// Reads q; throws std::invalid_argument for sizes that differ, a
// non-finite coefficient, a term with both b_i and c_i non-zero, a
// multiplicity below 1, or an error bound that is negative or NaN
// (+infinity is allowed: unknown). A form with no random part (every a_i
// and c_i zero) is the constant k: 1 below zero, 0 above, and 1/2 at zero,
// splitting the tie.
TailProbability belowZero(const QuadraticForm& q);

// Reads q as belowZero does, and throws std::invalid_argument too for a form
// with no random part (no density). The value is a density, not a
// probability, and may exceed 1; fromInputs is 0 unless q carries error
// bounds.
TailProbability densityAtZero(const QuadraticForm& q);

}  // namespace gaussbound

#endif
