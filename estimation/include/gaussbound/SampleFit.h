// Two classes' samples judged by a Bayes rule: the whole of fitting classes
// to samples, and of classifying samples drawn from known classes.
//
//   ErrorCount   errors of a classifier on n points, its rate and Wilson interval
//   Classified   two samples and the rows a rule gives the other class
//   classify     applies a model's Bayes rule (QuadraticRule) to two samples
//   drawClassified  samples drawn from a model (drawSamples), classified by
//                its Bayes rule
//   SampleFit    the estimated model, its figures, and the plug-in rule's errors
//   fitSamples   estimates, analyses, classifies, refits leaving each point out,
//                and bootstraps
//   TrueClasses  the plug-in rule judged under the classes the samples came
//                from, beside their Bayes error
//   underTrueClasses  computes it
//
// The plug-in rule is the Bayes rule of the estimated model. Its error on the
// very samples it was fitted to (resubstitution) is optimistic; refitting
// without each point in turn (leave-one-out) is nearly unbiased (Lachenbruch
// and Mickey, Technometrics 10 (1968)). The bootstrap gives percentile
// intervals for the model's figures (see Bootstrap.h). Its exact error
// under the estimated classes is their Bayes error; under the true classes,
// when they are known, it is more, by what estimating the classes cost.
#ifndef GAUSSBOUND_SAMPLEFIT_H
#define GAUSSBOUND_SAMPLEFIT_H

#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

#include "gaussbound/Analysis.h"
#include "gaussbound/Bootstrap.h"
#include "gaussbound/Classifier.h"
#include "gaussbound/Draw.h"
#include "gaussbound/Estimate.h"
#include "gaussbound/Interval.h"
#include "gaussbound/RuleFigures.h"

namespace gaussbound {

struct ErrorCount {
    std::int64_t errors, points;  // 0 <= errors <= points, points >= 1

    double rate() const { return static_cast<double>(errors) / static_cast<double>(points); }
    // The 95 % Wilson interval of the rate (throws as wilsonInterval does).
    Interval wilson() const { return wilsonInterval(errors, points); }
};

struct Classified {
    Points class1, class2;
    std::vector<Eigen::Index> wrong1, wrong2;  // rows given the other class, ascending

    ErrorCount count() const;
};

// Reads a rule and two sets of its dimension, of one point or more each;
// throws std::invalid_argument for others (see Error.h).
Classified classify(const QuadraticRule& rule, Points class1, Points class2);

// Reads what drawSamples reads, and throws as it does.
Classified drawClassified(const Model& model, Eigen::Index n1, Eigen::Index n2, std::uint64_t seed);

struct SampleFit {
    Model model;
    Figures figures;
    Classified samples;  // the plug-in rule's resubstitution errors
    // Errors of the rule refitted without each point; nothing where a refit
    // would be singular, or when a figure is missing.
    std::optional<Eigen::Index> leaveOneOut;
    // Nothing when settings asked for no replicates, or a figure is missing.
    std::optional<BootstrapResult> bootstrap;
    // How the fit was made: the estimate's ridge and priors, the bootstrap's
    // replicates, seed and threads (its progress callback is not kept).
    BootstrapSettings settings;
    JudgedRule plugIn;  // the plug-in rule and its exact error under the estimated classes

    ErrorCount resubstitution() const { return samples.count(); }
    std::optional<ErrorCount> leaveOneOutCount() const;
};

// Reads two sets of one dimension d >= 1, settings.replicates >= 0 and
// otherwise settings that bootstrap accepts (others throw
// std::invalid_argument: the caller's mistakes, not the samples'). Estimates
// the model (estimateModel: the problem when it gives none), computes its
// figures and the plug-in rule's errors, and, when every figure is there,
// the leave-one-out count and (replicates > 0) the bootstrap, which reports
// progress as settings.progress asks.
std::variant<SampleFit, SampleProblem> fitSamples(Points class1, Points class2, const BootstrapSettings& settings);

struct TrueClasses {
    Model model;
    BayesError bayes;    // of the true classes
    RuleError plugIn;    // the fit's plug-in rule under them
    double excessError;  // plugIn.value - bayes.value
};

// Reads a valid model of the fit's dimension; throws std::invalid_argument
// otherwise.
TrueClasses underTrueClasses(const SampleFit& fit, const Model& truth);

}  // namespace gaussbound

#endif
