// Pieces the rule, ROC and AUC code share inside the analysis library.
//
//   logSum     ln(e^x + e^y) without overflow or underflow
//   checkRule  throws std::invalid_argument (naming function) for a model or
//              rule that ruleError does not read
//   classForm  a discriminant under one class, as a quadratic form of a
//              standard normal vector (see Rule.h)
#ifndef GAUSSBOUND_RULE_FORM_H
#define GAUSSBOUND_RULE_FORM_H

#include <Eigen/Core>

#include "gaussbound/QuadraticForm.h"
#include "gaussbound/Rule.h"

namespace gaussbound {

double logSum(double x, double y);

void checkRule(const Model& model, const Discriminant& rule, const char* function);

// g (or -g, negate) for x = mu + L z, z standard normal; reads a rule of
// mu's dimension and a lower triangular L.
QuadraticForm classForm(const Eigen::VectorXd& mu, const Eigen::MatrixXd& L, const Discriminant& rule, bool negate);

}  // namespace gaussbound

#endif
