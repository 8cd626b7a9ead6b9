// Two normal classes estimated from their samples.
//
//   Points            n points of d coordinates, one a row
//   MomentAccumulator a class's mean and scatter, one point at a time
//   EstimateSettings  the ridge and, optionally, fixed priors
//   validSettings     whether settings can be used
//   SampleProblem     why sample sets give no model (here two; C in ClassesFit.h)
//   modelFrom         the model of two accumulated classes, unchecked
//   nearlySingular    whether a covariance is singular up to rounding
//   estimateModel     the two classes' model, or the problem
//
// Each class's mean is the sample mean and its covariance the unbiased one,
//
//   m = (1/n) sum x_k,   C = 1/(n - 1) sum (x_k - m)(x_k - m)^T  (+ ridge I),
//
// accumulated in one pass by Welford's update: adding the n-th point x with
// delta = x - m_(n-1) makes m_n = m_(n-1) + delta / n and adds
// (n - 1)/n delta delta^T to the scatter sum. It is as accurate as the
// two-pass formula (no cancellation between large sums) and lets a bootstrap
// replicate feed its points by index without copying them. The priors are
// n1 / (n1 + n2) and n2 / (n1 + n2) unless fixed.
#ifndef GAUSSBOUND_ESTIMATE_H
#define GAUSSBOUND_ESTIMATE_H

#include <optional>
#include <string>
#include <utility>
#include <variant>

#include <Eigen/Core>

#include "gaussbound/Model.h"

namespace gaussbound {

using Points = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>;

// Every function here throws std::invalid_argument (see Error.h) for the
// arguments its comment says it does not read.
class MomentAccumulator {
public:
    // Reads dimension >= 1.
    explicit MomentAccumulator(Eigen::Index dimension);

    // Adds one point of the accumulator's dimension (another size throws).
    void add(const Eigen::Ref<const Eigen::RowVectorXd>& point);

    Eigen::Index count() const { return n_; }
    const Eigen::VectorXd& mean() const { return mean_; }
    // The scatter sum over the points so far (n - 1 times the covariance).
    Eigen::MatrixXd scatter() const;
    // scatter / (n - 1) + ridge I; reads count() >= 2 and a finite ridge >= 0.
    Eigen::MatrixXd covariance(double ridge) const;

private:
    Eigen::Index n_ = 0;
    Eigen::VectorXd mean_, delta_;
    Eigen::MatrixXd scatter_;  // lower triangle only
};

struct EstimateSettings {
    double ridge = 0.0;                               // added to each covariance's diagonal, finite, >= 0
    std::optional<std::pair<double, double>> priors;  // P1, P2 (validatePriors accepts them); empty: from the counts
};

struct SampleProblem {
    enum class Kind {
        TooFewPoints,  // fewer points than a covariance needs
        NotFinite,     // the estimate holds a number that is not finite
        Singular       // the covariance is not positive definite, or nearlySingular
    };
    int sampleClass;      // the class at fault, 1 to C (1 or 2 for estimateModel)
    std::string message;  // e.g. "class 1 has 2 points; at least d + 1 = 3 are needed ..."
    Kind kind = Kind::TooFewPoints;
};

// Whether the ridge is finite and >= 0 and fixed priors pass validatePriors.
bool validSettings(const EstimateSettings& settings);

// The priors for classes of n1, n2 >= 0 points (n1 + n2 >= 1 unless the
// priors are fixed) under valid settings.
std::pair<double, double> priorsFor(Eigen::Index n1, Eigen::Index n2, const EstimateSettings& settings);

// Reads two accumulators of one dimension and 2 or more points each, and
// valid settings; returns their means, covariances (with settings' ridge) and
// priors, not validated.
Model modelFrom(const MomentAccumulator& class1, const MomentAccumulator& class2, const EstimateSettings& settings);

// Reads a square matrix of size >= 1 (another throws). Why a symmetric
// covariance is singular up to rounding, or nothing: its
// smallest eigenvalue is at most d 2^-45 times its largest. Points on a line
// or plane give such a matrix, and its Cholesky factorisation may still
// succeed on rounding errors.
std::optional<std::string> nearlySingular(const Eigen::MatrixXd& covariance);

// Reads two sets of the same dimension d >= 1 and valid settings (others
// throw: they are the caller's mistakes, not the samples'). The estimated
// model, or the first
// problem: a class with fewer than d + 1 points (2 with a ridge), or one
// whose covariance (ridge included) is not positive definite or is
// nearlySingular.
std::variant<Model, SampleProblem> estimateModel(const Points& class1, const Points& class2,
                                                 const EstimateSettings& settings);

}  // namespace gaussbound

#endif
