// An independent high-precision reference for the Bayes error of two normal
// classes, and a corpus of ill-conditioned models to hold the library to it.
//
// For classes N(mu1, Sigma1), N(mu2, Sigma2) with priors P1, P2 the Bayes
// error is
//     E = integral of min(P1 p1(x), P2 p2(x)) dx = P1 e1 + P2 e2,
// e1 = P(the Bayes rule decides class 2 | class 1), e2 the converse. The
// reference computes it from the exact double inputs in multiprecision
// arithmetic, by a route that shares nothing with the library's numerics:
//
//  1. the canonical form by the generalised symmetric eigenproblem, in 120
//     decimal digits (so that condition numbers up to 1e60 of the pencil
//     still leave 50 correct digits): L2 = chol(Sigma2),
//     C = L2^-1 Sigma1 L2^-T = U diag(lambda) U^T, f = U^T L2^-1 (mu2 - mu1);
//     in y = U^T L2^-1 (x - mu1) class 1 is N(0, diag(lambda)), class 2 N(f, I);
//  2. the log-likelihood ratio Q = ln(P1 p1) - ln(P2 p2) under each class as a
//     generalised chi-square Q = sum_i (a_i w_i^2 + b_i w_i) + k, w ~ N(0, I):
//       class 1 (y = sqrt(lambda) w): a_i = (lambda_i - 1)/2,
//         b_i = -sqrt(lambda_i) f_i, k = |f|^2/2 + ln(P1/P2) - sum ln(lambda_i)/2;
//       class 2 (y = f + w):          a_i = (1 - 1/lambda_i)/2,
//         b_i = -f_i/lambda_i,        k = -sum f_i^2/lambda_i/2 + ln(P1/P2) - sum ln(lambda_i)/2;
//     e1 = P(Q1 < 0), e2 = P(Q2 > 0);
//  3. each probability by the Gil-Pelaez / Imhof inversion on the real axis
//     (Imhof, Biometrika 48 (1961) 419-426; Gil-Pelaez, Biometrika 38 (1951)
//     481-482), P(Q > 0) = 1/2 + (1/pi) int_0^inf Im phi(t) / t dt, with
//     Boost.Math Gauss-Kronrod quadrature in 50 digits; an algebraically
//     decaying, oscillating remainder is rotated onto a vertical line in the
//     complex plane, where it decays exponentially (see high_precision.cpp).
//
// For d <= 2 the same figures come also from a direct integral over the
// plane (referencePlaneBayesError): for fixed y1 the decision region in y2 is
// bounded by the roots of a quadratic, and its class-conditional mass is a
// difference of normal distribution functions.
#ifndef GAUSSBOUND_TESTS_HIGH_PRECISION_H
#define GAUSSBOUND_TESTS_HIGH_PRECISION_H

#include <cstddef>
#include <vector>

#include <boost/multiprecision/cpp_bin_float.hpp>

#include <gaussbound/Model.h>

namespace gaussbound::reference {

// 50 decimal digits, without expression templates (Eigen and Boost.Math
// both take it as a plain scalar).
using Real = boost::multiprecision::number<boost::multiprecision::cpp_bin_float<50>,
                                           boost::multiprecision::et_off>;

// A probability with its estimated absolute error.
struct Probability {
    Real value;
    Real absError;
};

// The reference in full precision: E and its two parts, each with its
// estimated absolute error.
struct PreciseBayesError {
    Real value, givenClass1, givenClass2;
    Real absError;  // of value
};

// P(Q > 0) and P(Q < 0) for Q = sum_i (a_i w_i^2 + b_i w_i) + k, w ~ N(0, I),
// by the Imhof inversion. Both share one absolute error.
struct SignProbabilities {
    Probability above, below;
};
SignProbabilities generalizedChiSquareSign(const std::vector<Real>& a, const std::vector<Real>& b,
                                           const Real& k);

// The reference by the canonical form and the Imhof inversion, any d.
PreciseBayesError preciseBayesError(const Model& model);

// The reference by direct integration over the plane, d = 1 or 2 only.
// Closed form for d = 1; for d = 2 some seconds on an ordinary model (the
// default example: about 2 s), but minutes where the decision region is a
// sliver of the class's spread (hard model a), so it stays a cross-check.
PreciseBayesError planeBayesError(const Model& model);

}  // namespace gaussbound::reference

// The reference rounded to double. relError is its own estimated relative
// accuracy; NaN when E is smaller than the method resolves (then value is
// only an upper bound, of the size of the method's absolute error).
struct ReferenceBayesError {
    double value, givenClass1, givenClass2;
    double relError;
};

ReferenceBayesError referenceBayesError(const gaussbound::Model& model);

// 46 fixed, valid, ill-conditioned models, d from 1 to 6 (the reference on
// all of them takes about 20 s on one core at -O3): covariances
// with condition numbers up to 1e30 (rotated and diagonal), means far from
// the origin relative to their difference, nearly equal and nearly singular
// covariances, and three hard models written out by hand.
std::vector<gaussbound::Model> illConditionedCorpus();

// Which models of the corpus the slow tests that loop over it (Reference.*,
// HighPrecision.ReferenceResolvesTheWholeCorpus) hold the library to: the
// indices 0, step, 2 step, ... below count in the normal build; in the
// sanitizer build, where the 50-digit arithmetic is many times slower, only
// every k-th of them (k = referenceStride()), the first always among them.
// It prints on the test's output which it takes when it thins.
std::vector<std::size_t> referenceCases(std::size_t count, std::size_t step = 1);

// k above: GAUSSBOUND_REFERENCE_STRIDE, a CMake setting (tests/CMakeLists.txt),
// 1 except in the sanitizer build.
std::size_t referenceStride();

#endif
