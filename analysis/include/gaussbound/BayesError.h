// The Bayes error of two normal classes,
//
//   E = integral of min(P1 p1(x), P2 p2(x)) dx = P1 e1 + P2 e2,
//
// e1 = P(the Bayes rule takes a point of class 1 for class 2), e2 the
// converse, each exact up to a bound on its numerical error, in any
// dimension. Under each class the rule's statistic ln(P1 p1) - ln(P2 p2) is a
// quadratic form of a standard normal vector (a generalised chi-square),
// whose tail QuadraticForm.h inverts from its moment generating function.
//
//   BayesError   E, e1, e2 and the error bound
//   bayesError   computes them from a model and its canonical form
#ifndef GAUSSBOUND_BAYES_ERROR_H
#define GAUSSBOUND_BAYES_ERROR_H

#include <limits>

#include "gaussbound/Canonical.h"
#include "gaussbound/Model.h"

namespace gaussbound {

struct BayesError {
    double value;        // E, in [0, min(P1, P2)]
    double givenClass1;  // e1
    double givenClass2;  // e2
    double absError;     // bound on |value - E| from the numerical method
    double partsAbsError;  // bound on P1 |givenClass1 - e1| and on P2 |givenClass2 - e2|: the
                           // parts can be less certain than their sum (two classes equal to
                           // within the precision leave open which one is wider)
    // log10 of value, e1 and e2, from the logarithms of the tails: finite
    // where the doubles above underflow to 0 (classes 200 standard
    // deviations apart: -2173.87...), -infinity for classes separated
    // beyond the double range, NaN where the figures are.
    double log10Value = kNoLog, log10GivenClass1 = kNoLog, log10GivenClass2 = kNoLog;

    static constexpr double kNoLog = std::numeric_limits<double>::quiet_NaN();
};

// Reads a valid model (see validate) and its canonical form. Throws
// std::invalid_argument for a model without hasShape or with priors that
// validatePriors refuses, or a form of another dimension.
BayesError bayesError(const Model& model, const CanonicalForm& form);

}  // namespace gaussbound

#endif
