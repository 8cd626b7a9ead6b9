// Model: two normal classes N(mu1, Sigma1), N(mu2, Sigma2) in d >= 1
// dimensions with prior probabilities P1 and P2, and the one check of them
// that every front end uses.
//
//   Model      the two classes; Eigen vectors and matrices, owned by the value
//   ModelError what is wrong with a model: which field, what kind of problem,
//              and the same as text for people
//   validate   the first problem of a model, or nothing
//   validatePriors  the problem of a pair of priors, or nothing
//   hasShape   validate's cheap part: sizes and finite numbers
//   meanProblem, covarianceProblem  validate's checks of one mean or covariance,
//              which models of more classes share
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

// The part of a model that a ModelError is about; a caller decides by it,
// not by the text.
enum class ModelField { Mu1, Mu2, Sigma1, Sigma2, Priors };

// What is wrong with that part.
enum class ModelProblem {
    Size,                 // a size differs from the dimension, or the dimension is 0
    NotFinite,            // an entry is infinite or NaN
    NotSymmetric,         // a covariance is not symmetric
    NotPositiveDefinite,  // a covariance's Cholesky factorisation fails
    PriorRange,           // a prior is not strictly inside (0, 1)
    PriorSum              // the priors do not sum to 1
};

struct ModelError {
    std::string field;    // "mu1", "mu2", "sigma1", "sigma2" or "priors", as people read it
    std::string message;  // e.g. "the covariance is not positive definite (smallest eigenvalue -1)"
    ModelField which;     // field, for callers
    ModelProblem problem;
};

// Reads model; returns its first problem, or nothing when it is acceptable:
// d >= 1 and every size agrees; every number finite; each covariance
// symmetric within a relative 1e-9 of its largest entry and positive definite
// (a Cholesky factorisation succeeds); each prior strictly inside (0, 1) and
// their sum 1 within 1e-9.
std::optional<ModelError> validate(const Model& model);

// The check of the priors alone, as validate makes it.
std::optional<ModelError> validatePriors(double prior1, double prior2);

// Whether d >= 1, every size agrees and every number is finite: the part of
// validate that costs O(d^2), which the functions that read a valid model
// check at their door (a model that passes it cannot make them read out of
// bounds).
bool hasShape(const Model& model);

// What is wrong with one mean or covariance of a model of dimension d, as
// validate words it; `dimensionOf` names what fixed d ("mu1"), for the
// message of a wrong size. Nothing when it is acceptable.
struct PartProblem {
    ModelProblem problem;
    std::string message;
};
std::optional<PartProblem> meanProblem(const Eigen::VectorXd& mean, Eigen::Index d, const std::string& dimensionOf);
std::optional<PartProblem> covarianceProblem(const Eigen::MatrixXd& covariance, Eigen::Index d);

}  // namespace gaussbound

#endif
