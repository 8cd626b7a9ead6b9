// Model: two normal classes N(mu1, Sigma1), N(mu2, Sigma2) in d >= 1
// dimensions with prior probabilities P1 and P2, and the one check of them
// that every front end uses.
//
//   Model      the two classes; Eigen vectors and matrices, owned by the value
//   ModelError what is wrong with a model: the field and a sentence
//   validate   the first problem of a model, or nothing
//   validatePriors  the problem of a pair of priors, or nothing
#ifndef GAUSSBOUND_MODEL_H
#define GAUSSBOUND_MODEL_H

#include <optional>
#include <string>

#include <Eigen/Core>

namespace gaussbound {

struct Model {
    Eigen::VectorXd mu1, mu2;        // means, d entries each
    Eigen::MatrixXd sigma1, sigma2;  // covariances, d x d, symmetric positive definite
    double prior1 = 0.5, prior2 = 0.5;

    Eigen::Index dimension() const { return mu1.size(); }
};

struct ModelError {
    std::string field;    // "mu1", "mu2", "sigma1", "sigma2" or "priors"
    std::string message;  // e.g. "the covariance is not positive definite (smallest eigenvalue -1)"
};

// Reads model; returns its first problem, or nothing when it is acceptable:
// d >= 1 and every size agrees; every number finite; each covariance
// symmetric within a relative 1e-9 of its largest entry and positive definite
// (a Cholesky factorisation succeeds); each prior strictly inside (0, 1) and
// their sum 1 within 1e-9.
std::optional<ModelError> validate(const Model& model);

// The check of the priors alone, as validate makes it.
std::optional<ModelError> validatePriors(double prior1, double prior2);

}  // namespace gaussbound

#endif
