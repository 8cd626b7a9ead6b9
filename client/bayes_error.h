// The Bayes error of two normal classes in the plane.
#ifndef GAUSSBOUND_CLIENT_BAYES_ERROR_H
#define GAUSSBOUND_CLIENT_BAYES_ERROR_H

#include "options.h"

// Returns the integral over the plane of min(P1 p1(x), P2 p2(x)) for
// symmetric positive definite covariances, to a relative accuracy of about
// 1e-9 (see bayes_error.cpp).
double bayesError(const Classes& classes);

#endif
