// The Bayes (quadratic) classifier of two normal classes and its error
// counted on samples.
//
//   QuadraticRule      g(x) = ln P1 p1(x) - ln P2 p2(x); class 1 where g >= 0
//   misclassified      the points of one class that a rule gives the other
//   leaveOneOutErrors  errors of the plug-in rule refitted without each point
//
// With C_k = L_k L_k^T,
//
//   g(x) = ln P1/P2 - 1/2 ln |C1|/|C2| - 1/2 |L1^-1 (x - m1)|^2 + 1/2 |L2^-1 (x - m2)|^2.
//
// Leave-one-out refits the held-out point's class without it. For a class of
// n points with mean m and scatter sum M, leaving out x (delta = x - m) gives
//
//   m' = m - delta / (n - 1),   M' = M - n/(n - 1) delta delta^T,
//   x - m' = n/(n - 1) delta,
//
// so the refitted covariance M'/(n - 2) + ridge I is a rank-one downdate of
// B = M/(n - 2) + ridge I by c delta delta^T, c = n / ((n - 1)(n - 2)). B is
// factored once per class; each point costs one downdate of its factor, which
// gives the new log-determinant from the diagonal, and one triangular solve:
// O(n d^2) in all instead of n refits of O(n d^2) each. With priors from the
// counts the held-out class's count drops by one too. (leaveOneOutClasses,
// ClassesFit.h, does the same for C classes.)
#ifndef GAUSSBOUND_CLASSIFIER_H
#define GAUSSBOUND_CLASSIFIER_H

#include <optional>
#include <vector>

#include <Eigen/Cholesky>
#include <Eigen/Core>

#include "gaussbound/Estimate.h"
#include "gaussbound/Model.h"

namespace gaussbound {

class QuadraticRule {
public:
    // Reads a valid model (see validate). Throws std::invalid_argument for a
    // model without hasShape, priors that validatePriors refuses or a
    // covariance whose Cholesky factorisation fails.
    explicit QuadraticRule(const Model& model);

    Eigen::Index dimension() const { return mu1_.size(); }

    // g(x) for a point of the model's dimension (another size throws).
    double discriminant(const Eigen::Ref<const Eigen::VectorXd>& x) const;
    // 1 where g(x) >= 0, else 2.
    int decide(const Eigen::Ref<const Eigen::VectorXd>& x) const { return discriminant(x) >= 0 ? 1 : 2; }

private:
    Eigen::VectorXd mu1_, mu2_;
    Eigen::LLT<Eigen::MatrixXd> factor1_, factor2_;
    double constant_;  // ln P1/P2 - 1/2 ln |C1|/|C2|
};

// The indices of the rows of points, drawn from class sampleClass (1 or 2),
// that rule gives the other class. Throws std::invalid_argument for another
// sampleClass, or points (one or more) of another dimension than the rule's.
std::vector<Eigen::Index> misclassified(const QuadraticRule& rule, const Points& points, int sampleClass);

// The number of points of both sets that the plug-in rule, refitted without
// each in turn (estimateModel with settings), gives the wrong class. Nothing
// when a refit has no positive definite covariance: a class of fewer than 3
// points, or without a ridge fewer than d + 2, or one whose covariance is
// singular. Throws std::invalid_argument
// as estimateModel does for sets of different dimensions or invalid settings.
std::optional<Eigen::Index> leaveOneOutErrors(const Points& class1, const Points& class2,
                                              const EstimateSettings& settings);

}  // namespace gaussbound

#endif
