// C >= 2 normal classes N(mu_i, Sigma_i) in d >= 1 dimensions with priors
// P_i, and the Bayes rule that decides among them:
//
//   decide the j of largest ln P_j p_j(x)                          (0-1 loss)
//   decide the j of least sum_i L_ij P_i p_i(x)                    (losses L)
//
// with ln p_j(x) = -1/2 |L_j^-1 (x - mu_j)|^2 - ln |L_j| - d/2 ln 2 pi,
// Sigma_j = L_j L_j^T. Ties go to the class of the lower index.
//
//   NormalClass, ClassesModel  the classes (names, means, covariances, priors)
//   ClassesError     what is wrong with such a model: the class, the key, why
//   validate         the first problem of a model, or nothing
//   lossesProblem    what is wrong with a C x C loss matrix, or nothing
//   classesOf        two classes of a Model as a ClassesModel
//   pairModel        classes i and j as a two-class Model, priors renormalised
//   ClassesRule      the Bayes rule, point by point
//   bayesDecision    the rule's decision from the log scores ln P_j p_j(x)
#ifndef GAUSSBOUND_CLASSES_H
#define GAUSSBOUND_CLASSES_H

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include <Eigen/Cholesky>
#include <Eigen/Core>

#include "gaussbound/Model.h"

namespace gaussbound {

struct NormalClass {
    std::string name;            // unique among the classes, not empty
    Eigen::VectorXd mean;        // d entries
    Eigen::MatrixXd covariance;  // d x d, symmetric positive definite
    double prior = 0.0;          // in (0, 1)
};

struct ClassesModel {
    std::vector<NormalClass> classes;

    std::size_t size() const { return classes.size(); }
    Eigen::Index dimension() const { return classes.empty() ? 0 : classes.front().mean.size(); }
};

constexpr std::size_t kMinClasses = 2, kMaxClasses = 64;
// How far the priors' sum may be from 1.
constexpr double kClassPriorSumTolerance = 1e-12;

struct ClassesError {
    std::optional<std::size_t> index;  // the class at fault (0-based); nothing for the model as a whole
    std::string key;                   // "mean", "covariance", "prior", "name", or "classes"
    std::string message;               // why, e.g. "the covariance matrix is not symmetric"

    // One line for people: `class 2 ("b"): covariance: the covariance
    // matrix is not symmetric` (the name when the model has one), or
    // `classes: ...` for the model as a whole.
    std::string text(const ClassesModel& model) const;
};

// The first problem of a model, or nothing: kMinClasses to kMaxClasses
// classes, names unique and not empty, every mean of the first's dimension
// d >= 1, each mean and covariance as validate (Model.h) checks them, each
// prior in (0, 1) and their sum 1 within kClassPriorSumTolerance.
std::optional<ClassesError> validate(const ClassesModel& model);

// What is wrong with a loss matrix for `classes` classes, in words fit to
// follow the key: not classes x classes, a loss not finite or negative, or a
// wrong decision costing no more than the right one (L_ii >= L_ij).
std::optional<std::string> lossesProblem(const Eigen::MatrixXd& losses, std::size_t classes);

// The two classes of a model that validate (Model.h) accepts, named "1" and
// "2". Throws std::invalid_argument for another.
ClassesModel classesOf(const Model& model);

// Classes i != j of a valid model as two classes with priors P_i / (P_i + P_j)
// and P_j / (P_i + P_j). Throws std::invalid_argument for an invalid model or
// an index out of range or i == j.
Model pairModel(const ClassesModel& model, std::size_t i, std::size_t j);

class ClassesRule {
public:
    // Reads a valid model and, optionally, losses lossesProblem accepts for
    // it. Throws std::invalid_argument for others.
    explicit ClassesRule(const ClassesModel& model, const std::optional<Eigen::MatrixXd>& losses = std::nullopt);

    std::size_t size() const { return factors_.size(); }
    Eigen::Index dimension() const { return means_.empty() ? 0 : means_.front().size(); }

    // ln P_j p_j(x) for every class j. Throws std::invalid_argument for a
    // point of another dimension.
    Eigen::VectorXd logScores(const Eigen::Ref<const Eigen::VectorXd>& x) const;
    // The class the rule decides at x (0-based). Throws as logScores does.
    std::size_t decide(const Eigen::Ref<const Eigen::VectorXd>& x) const;

private:
    std::vector<Eigen::VectorXd> means_;
    std::vector<Eigen::LLT<Eigen::MatrixXd>> factors_;
    Eigen::VectorXd constants_;  // ln P_j - ln |L_j| - d/2 ln 2 pi
    std::optional<Eigen::MatrixXd> losses_;
};

// The class the Bayes rule decides (0-based) from the scores
// s_j = ln P_j p_j(x) + c, the same constant c for every j: the j of largest
// s_j, or with losses the j of least sum_i L_ij e^(s_i - max s). Ties go to
// the lower index. ClassesRule::decide is this of its logScores; a rule
// refitted point by point (leaveOneOutClasses) computes its scores otherwise.
// Reads C >= 1 scores and, optionally, C x C losses (other sizes throw
// std::invalid_argument).
std::size_t bayesDecision(const Eigen::Ref<const Eigen::VectorXd>& logScores,
                          const std::optional<Eigen::MatrixXd>& losses);

}  // namespace gaussbound

#endif
