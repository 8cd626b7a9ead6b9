// The exact error of any quadratic or linear classifier of two normal
// classes, the losses of decisions, and the rules worth comparing with the
// Bayes rule.
//
//   Discriminant   decide class 2 where g(x) = x^T A x + b^T x + c > 0
//   Costs          L_ij, the loss of deciding class j for a point of class i
//   RuleError      e1 = P(g > 0 | class 1), e2 = P(g <= 0 | class 2), the total
//                  P1 e1 + P2 e2, their error bounds and base-10 logarithms
//   ruleError      computes them
//   logLikelihoodRatio  the statistic ln p2(x) - ln p1(x) as a discriminant
//   bayesRule      the Bayes rule with costs: class 2 where
//                  P2 (L21 - L22) p2(x) > P1 (L12 - L11) p1(x)
//   fisherRule     Fisher's linear discriminant, w = ((Sigma1 + Sigma2)/2)^-1 (mu2 - mu1),
//                  with the Bayes rule's threshold for equal covariances
//   bestLinearRule the linear rule of least total error (Anderson and Bahadur,
//                  Ann. Math. Statist. 33 (1962))
//
// Under class i, x = mu_i + L_i z with Sigma_i = L_i L_i^T and z standard
// normal, so g is a quadratic form of z; in the eigenvectors U of
// L_i^T A L_i (eigenvalues lambda), w = U^T z is standard normal too and
//
//   g = sum lambda_j w_j^2 + beta^T w + gamma,  beta = U^T L_i^T (2 A mu_i + b),
//   gamma = mu_i^T A mu_i + b^T mu_i + c,
//
// a generalised chi-square whose tails belowZero gives (QuadraticForm.h),
// with their logarithms, so that errors far below the double range keep
// their digits. The rounding of the factorisation and the eigenvectors is
// carried into the error bound as errors of the form's coefficients.
//
// Anderson and Bahadur show that the admissible linear rules have the
// directions w(t) = (t Sigma1 + (1 - t) Sigma2)^-1 (mu2 - mu1), t in [0, 1].
// On each direction the classes project to one-dimensional normals, whose
// best single threshold is a root of P1 phi1 = P2 phi2 (or an end, deciding
// one class everywhere); t is searched on a grid of 65 points and refined by
// Brent's method around the best, the errors taken from the normal tails.
#ifndef GAUSSBOUND_RULE_H
#define GAUSSBOUND_RULE_H

#include <optional>
#include <string>

#include <Eigen/Core>

#include "gaussbound/Model.h"

namespace gaussbound {

struct Discriminant {
    Eigen::MatrixXd quadratic;  // A, d x d and symmetric; zero for a linear rule
    Eigen::VectorXd linear;     // b, d entries
    double constant = 0.0;      // c
};

struct Costs {
    double l11 = 0.0, l12 = 1.0, l21 = 1.0, l22 = 0.0;  // the 0-1 loss by default
};

struct RuleError {
    double givenClass1, givenClass2;  // e1, e2
    double value;                     // P1 e1 + P2 e2
    double absError1, absError2;      // bounds on the numerical errors of e1 and e2
    double absError;                  // of value
    double log10GivenClass1, log10GivenClass2, log10Value;  // -infinity for an error of 0
};

// Why costs cannot be used, in words fit to follow a key or an option:
// a loss not finite or negative, or a wrong decision costing no more than a
// right one (L11 >= L12 or L22 >= L21). Nothing for valid costs.
std::optional<std::string> costsProblem(const Costs& costs);

// A rule that cannot be used with a model of dimension d: the part at fault
// ("quadratic", "linear" or "constant") and why, in words fit to follow it
// ("not symmetric").
struct RuleProblem {
    std::string part, message;
};

// The rule's sizes against d, its numbers finite, A symmetric within a
// relative 1e-9 of its largest entry. Nothing for a valid rule.
std::optional<RuleProblem> ruleProblem(const Discriminant& rule, Eigen::Index d);

// Reads a valid model and a rule ruleProblem accepts for its dimension.
// Throws std::overflow_error when g under a class has coefficients beyond
// the double range (classes near 1e200), std::invalid_argument for another
// model or rule (see Error.h). A rule that never or
// always decides class 2 is valid: its errors are 0 and 1.
RuleError ruleError(const Model& model, const Discriminant& rule);

// Read a valid model (and valid costs); throw std::invalid_argument
// otherwise. The Bayes rule is the likelihood ratio's with the threshold
// bayesThreshold: ln P1 (L12 - L11) - ln P2 (L21 - L22).
Discriminant logLikelihoodRatio(const Model& model);
double bayesThreshold(const Model& model, const Costs& costs = {});
Discriminant bayesRule(const Model& model, const Costs& costs = {});
Discriminant fisherRule(const Model& model);

// The best linear rule and the t of its direction.
struct BestLinearRule {
    Discriminant rule;
    double t;
};
BestLinearRule bestLinearRule(const Model& model);

}  // namespace gaussbound

#endif
