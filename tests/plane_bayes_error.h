// An independent Bayes error for two normal classes in the plane, by a
// method that shares nothing with the library's (exact integrals over y, then
// adaptive Gauss-Kronrod over x), to test the library against.
#ifndef GAUSSBOUND_TESTS_PLANE_BAYES_ERROR_H
#define GAUSSBOUND_TESTS_PLANE_BAYES_ERROR_H

#include <gaussbound/BayesError.h>

// Reads a valid 2-D model; value, e1 and e2 to about 1e-10, absError the sum
// of the panels' error estimates.
gaussbound::BayesError planeBayesError(const gaussbound::Model& model);

#endif
