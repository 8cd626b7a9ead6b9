// Pieces the rule, ROC and AUC code share inside the analysis library.
//
//   logSum     ln(e^x + e^y) without overflow or underflow
//   checkRule  throws std::invalid_argument (naming function) for a model or
//              rule that ruleError does not read
//   classForm  a discriminant under one class, as a quadratic form of a
//              standard normal vector (see Rule.h); throws std::overflow_error
//              when a coefficient overflows the double range
#ifndef GAUSSBOUND_RULE_FORM_H
#define GAUSSBOUND_RULE_FORM_H

#include <Eigen/Core>

#include "gaussbound/QuadraticForm.h"
#include "gaussbound/Rule.h"

namespace gaussbound {

double logSum(double x, double y);

void checkRule(const Model& model, const Discriminant& rule, const char* function);

// g (or -g, negate) for x = mu + L z, z standard normal; reads a rule of
// mu's dimension and a lower triangular L. Classes far out in the double
// range (means near 1e200) can make g's coefficients there infinite: then
// throws std::overflow_error.
QuadraticForm classForm(const Eigen::VectorXd& mu, const Eigen::MatrixXd& L, const Discriminant& rule, bool negate);

}  // namespace gaussbound

#endif
