// The generalised chi-square distribution,
//
//   Q = sum_i w_i X_i + s Z + m,
//
// X_i independent non-central chi-square variables of k_i degrees of
// freedom and non-centrality lambda_i, Z standard normal, weights w_i != 0
// of either sign, s >= 0: every quadratic form of a normal vector is one
// (Imhof, Biometrika 48 (1961)). Its tails come from belowZero's contour
// inversion (QuadraticForm.h): X_i is one term of multiplicity k_i,
// w_i (z + sqrt(lambda_i))^2, and s Z a linear term.
//
//   Probability        a value and a bound on its numerical error
//   cdf, sf            P(Q <= x) and P(Q > x), each the smaller tail
//                      computed directly, the larger as 1 minus it
//   logcdf, logsf      their natural logarithms, finite far below the double
//                      range (ln P(Z <= -1000) = -500007.82...)
//   pdf, logpdf        the density (densityAtZero of Q - x) and its logarithm
//   quantile, quantileSf        x with cdf(x) = p, or sf(x) = p
//   logQuantile, logQuantileSf  the same from ln p, for p below the doubles
//   mean, variance     sum w_i (k_i + lambda_i) + m and
//                      sum 2 w_i^2 (k_i + 2 lambda_i) + s^2
//
// A distribution with no random part (no weights and s = 0) is the constant
// m, with cdf 1 from m on. One with no chi-square terms is the normal
// N(m, s^2), whose tails have a closed form: P(Z > z) = erfc(z / sqrt 2) / 2,
// and past z = 37, where that nears the least double, the logarithm of
// Laplace's asymptotic series (Abramowitz and Stegun 26.2.12),
// ln P(Z > z) = -z^2/2 - ln(z sqrt(2 pi)) + ln(1 - 1/z^2 + 1*3/z^4 - ...),
// whose terms there fall below 1e-17 of the sum within eight; they are
// taken rather than the contour, which would cost a thousand times more.
#ifndef GAUSSBOUND_GENERALIZED_CHI_SQUARE_H
#define GAUSSBOUND_GENERALIZED_CHI_SQUARE_H

#include <Eigen/Core>

#include "gaussbound/QuadraticForm.h"

namespace gaussbound {

struct Probability {
    double value;     // a probability, a density, or the logarithm of one
    double absError;  // bound on |value - exact| from the numerical method
};

class GeneralizedChiSquare {
public:
    // Reads weights w, degrees of freedom k and non-centralities lambda of
    // one size (0 or more), each w_i finite and non-zero, each k_i a whole
    // number >= 1, each lambda_i finite and >= 0, s finite and >= 0, m
    // finite. Throws std::invalid_argument otherwise (see Error.h).
    GeneralizedChiSquare(Eigen::VectorXd w, Eigen::VectorXd k, Eigen::VectorXd lambda, double s = 0.0,
                         double m = 0.0);

    Probability cdf(double x) const;
    Probability sf(double x) const;
    Probability logcdf(double x) const;
    Probability logsf(double x) const;
    // Throw std::invalid_argument for a constant, which has no density.
    Probability pdf(double x) const;
    Probability logpdf(double x) const;

    // Read p in [0, 1] (logp <= 0); throw std::invalid_argument otherwise.
    // The ends give the support's ends (infinite where it is unbounded).
    // The error bound covers the root's bracket and the probability's own
    // error carried through the slope of the distribution function.
    Probability quantile(double p) const;
    Probability quantileSf(double p) const;
    Probability logQuantile(double logp) const;
    Probability logQuantileSf(double logp) const;

    double mean() const;
    double variance() const;

private:
    // P(Q <= x) (upper false) or P(Q > x) (upper true) with its logarithm.
    TailProbability tail(double x, bool upper) const;
    TailProbability density(double x) const;
    // sign (Q - x) as a QuadraticForm.
    QuadraticForm shifted(double x, double sign) const;
    // x with ln P(Q <= x) = logp (upper false), or ln P(Q > x) = logp.
    Probability solve(double logp, bool upper) const;
    // The support's lower end (upper false) or upper end.
    double supportEnd(bool upper) const;

    Eigen::VectorXd w_, k_, lambda_;
    double s_, m_;
};

}  // namespace gaussbound

#endif
