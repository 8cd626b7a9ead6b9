// C normal classes estimated from their samples, and the plug-in rule's
// decisions counted on them.
//
//   ClassesEstimateSettings  the ridge and, optionally, C fixed priors
//   settingsFor         two-class settings (Estimate.h) as C-class ones
//   validSettings       whether settings can be used for C classes
//   classPriorsFor      the priors for classes of given counts
//   estimateClasses     the classes' model (ClassesModel), or the problem
//   ClassesCounts       N_ij, the points of class i a rule decides j, and rates
//   classifyClasses     a rule's counts on samples (resubstitution when the
//                       rule was fitted to them)
//   leaveOneOutClasses  the counts of the plug-in rule refitted without each
//                       point in turn
//
// Each class is estimated as estimateModel (Estimate.h) estimates one: the
// sample mean, the unbiased covariance (+ ridge I), by MomentAccumulator.
// The priors are n_i / (n_1 + ... + n_C) unless fixed. The plug-in rule is
// the Bayes rule (ClassesRule, Classes.h) of the estimated classes.
//
// Leave-one-out refits only the held-out point's class, by the rank-one
// downdate of its covariance's factor that leaveOneOutErrors uses
// (Classifier.h): O(n d^2) for each class's points, and C triangular solves
// a point. With priors from the counts the held-out class's count drops by
// one, and so every prior changes: P_j = n_j / (N - 1) for j != i, and
// (n_i - 1) / (N - 1) for the held-out point's class i.
#ifndef GAUSSBOUND_CLASSESFIT_H
#define GAUSSBOUND_CLASSESFIT_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include <Eigen/Core>

#include "gaussbound/Classes.h"
#include "gaussbound/Estimate.h"

namespace gaussbound {

// Every function here throws std::invalid_argument (see Error.h) for the
// arguments its comment says it does not read.
struct ClassesEstimateSettings {
    double ridge = 0.0;  // added to each covariance's diagonal, finite, >= 0
    // P_1 .. P_C, each in (0, 1), summing to 1 within kClassPriorSumTolerance;
    // empty: from the counts.
    std::optional<std::vector<double>> priors;
};

// The same ridge and, when fixed, the priors P1, P2 as a vector.
ClassesEstimateSettings settingsFor(const EstimateSettings& settings);

// Whether the ridge is finite and >= 0 and fixed priors are `classes` numbers
// in (0, 1) summing to 1 within kClassPriorSumTolerance.
bool validSettings(const ClassesEstimateSettings& settings, std::size_t classes);

// The priors for classes of counts n_i >= 0 (n_1 + ... + n_C >= 1 unless
// the priors are fixed) under settings valid for counts.size() classes:
// n_i / (n_1 + ... + n_C), or the fixed ones.
std::vector<double> classPriorsFor(const std::vector<Eigen::Index>& counts, const ClassesEstimateSettings& settings);

// Reads kMinClasses to kMaxClasses sets of one dimension d >= 1; names empty
// (the classes are then named "1", "2", ...) or one for each set, not empty
// and unique; and settings valid for that many classes. Others throw: they
// are the caller's mistakes, not the samples'. The estimated classes, or the
// first problem, with sampleClass the class at fault (1 to C), and named in
// the message as `class 3 ("c")` when its name is not its number:
//   - a class with fewer than d + 1 points (2 with a ridge), the classes in
//     order;
//   - a mean or covariance that is not finite or a covariance that is not
//     positive definite, the means first and then the covariances (as
//     validate in Model.h orders them);
//   - a covariance that is nearlySingular.
// For two classes with names empty the problem is estimateModel's, word for
// word.
std::variant<ClassesModel, SampleProblem> estimateClasses(const std::vector<Points>& samples,
                                                          const std::vector<std::string>& names,
                                                          const ClassesEstimateSettings& settings);

struct ClassesCounts {
    using Matrix = Eigen::Matrix<std::int64_t, Eigen::Dynamic, Eigen::Dynamic>;
    Matrix counts;  // C x C: N_ij, the points of class i the rule decides j

    std::size_t size() const { return static_cast<std::size_t>(counts.rows()); }
    // All the points, sum N_ij, and those of class i, n_i = sum_j N_ij.
    std::int64_t points() const { return counts.sum(); }
    std::int64_t points(std::size_t i) const;
    // The points decided wrongly, sum_{i != j} N_ij, and those of class i,
    // n_i - N_ii.
    std::int64_t errors() const { return points() - counts.trace(); }
    std::int64_t errors(std::size_t i) const;
    // N_ij / n_i: the share of class i's points decided j. Reads n_i >= 1.
    double rate(std::size_t i, std::size_t j) const;
    // Every rate(i, j), C x C, each row summing to 1. Reads n_i >= 1 for all i.
    Eigen::MatrixXd rates() const;
    // errors() / points(): the error rate over the pooled points, which with
    // priors from the counts is the prior-weighted one. Reads points() >= 1.
    double errorRate() const;
    // sum_i P_i errors(i) / n_i: the error rate under priors P, one a class,
    // each >= 0 (another size or a negative or not finite prior throws).
    // Reads n_i >= 1 where P_i > 0.
    double errorRate(const std::vector<double>& priors) const;
};

// The counts of rule's decisions on samples, set i of class i: one set for
// each of the rule's classes, each of its dimension or without points.
ClassesCounts classifyClasses(const ClassesRule& rule, const std::vector<Points>& samples);

// The counts of the plug-in rule refitted (estimateClasses with settings)
// without each point in turn, deciding that point, the rule having the
// losses when given (lossesProblem must accept them for C classes). Reads
// what estimateClasses reads, with no names. Nothing when a refit has no
// positive definite covariance: a class of fewer than 3 points, or without a
// ridge fewer than d + 2, or one whose covariance is singular. Where the
// refits are possible the decisions are those of ClassesRule built from
// estimateClasses on the samples without the point, up to rounding (the
// refitted class's factor comes from a downdate, not a new factorisation).
// The refits are not checked for nearlySingular covariances: refit from
// scratch, estimateClasses may refuse what a downdate accepts.
std::optional<ClassesCounts> leaveOneOutClasses(const std::vector<Points>& samples,
                                                const ClassesEstimateSettings& settings,
                                                const std::optional<Eigen::MatrixXd>& losses = std::nullopt);

}  // namespace gaussbound

#endif
