// Two normal classes estimated from their samples.
//
//   Points            n points of d coordinates, one a row
//   MomentAccumulator a class's mean and scatter, one point at a time
//   EstimateSettings  the ridge and, optionally, fixed priors
//   SampleProblem     why two sample sets give no model
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

class MomentAccumulator {
public:
    explicit MomentAccumulator(Eigen::Index dimension);

    // Adds one point of the accumulator's dimension.
    void add(const Eigen::Ref<const Eigen::RowVectorXd>& point);

    Eigen::Index count() const { return n_; }
    const Eigen::VectorXd& mean() const { return mean_; }
    // The scatter sum over the points so far (n - 1 times the covariance).
    Eigen::MatrixXd scatter() const;
    // scatter / (n - 1) + ridge I; reads count() >= 2.
    Eigen::MatrixXd covariance(double ridge) const;

private:
    Eigen::Index n_ = 0;
    Eigen::VectorXd mean_, delta_;
    Eigen::MatrixXd scatter_;  // lower triangle only
};

struct EstimateSettings {
    double ridge = 0.0;                               // added to each covariance's diagonal, >= 0
    std::optional<std::pair<double, double>> priors;  // P1, P2; empty: from the counts
};

struct SampleProblem {
    int sampleClass;      // 1 or 2
    std::string message;  // e.g. "class 1 has 2 points; at least d + 1 = 3 are needed ..."
};

// The priors for classes of n1 and n2 points under settings.
std::pair<double, double> priorsFor(Eigen::Index n1, Eigen::Index n2, const EstimateSettings& settings);

// Reads two accumulators of 2 or more points each; returns their means,
// covariances (with settings' ridge) and priors, not validated.
Model modelFrom(const MomentAccumulator& class1, const MomentAccumulator& class2, const EstimateSettings& settings);

// Why a symmetric covariance is singular up to rounding, or nothing: its
// smallest eigenvalue is at most d 2^-45 times its largest. Points on a line
// or plane give such a matrix, and its Cholesky factorisation may still
// succeed on rounding errors.
std::optional<std::string> nearlySingular(const Eigen::MatrixXd& covariance);

// Reads two sets of the same dimension d. The estimated model, or the first
// problem: a class with fewer than d + 1 points (2 with a ridge), or one
// whose covariance (ridge included) is not positive definite or is
// nearlySingular.
std::variant<Model, SampleProblem> estimateModel(const Points& class1, const Points& class2,
                                                 const EstimateSettings& settings);

}  // namespace gaussbound

#endif
