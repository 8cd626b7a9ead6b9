#include "gaussbound/ClassesFit.h"

#include <cmath>
#include <set>
#include <utility>

#include <boost/math/constants/constants.hpp>

#include "gaussbound/Error.h"
#include "HeldOut.h"

namespace gaussbound {

ClassesEstimateSettings settingsFor(const EstimateSettings& settings)
{
    ClassesEstimateSettings s;
    s.ridge = settings.ridge;
    if (settings.priors)
        s.priors = std::vector<double>{settings.priors->first, settings.priors->second};
    return s;
}

bool validSettings(const ClassesEstimateSettings& settings, std::size_t classes)
{
    if (!(std::isfinite(settings.ridge) && settings.ridge >= 0.0))
        return false;
    if (!settings.priors)
        return true;
    if (settings.priors->size() != classes)
        return false;
    double sum = 0.0;
    for (double p : *settings.priors) {
        if (!(p > 0.0 && p < 1.0))
            return false;
        sum += p;
    }
    return std::fabs(sum - 1.0) <= kClassPriorSumTolerance;
}

std::vector<double> classPriorsFor(const std::vector<Eigen::Index>& counts, const ClassesEstimateSettings& settings)
{
    requireArgument(validSettings(settings, counts.size()),
                    "classPriorsFor: the ridge must be finite and >= 0 and fixed priors valid for the classes");
    Eigen::Index total = 0;
    for (Eigen::Index n : counts) {
        requireArgument(n >= 0, "classPriorsFor: the counts must be >= 0");
        total += n;
    }
    if (settings.priors)
        return *settings.priors;
    requireArgument(total >= 1, "classPriorsFor: the counts must not all be 0");
    std::vector<double> priors;
    priors.reserve(counts.size());
    for (Eigen::Index n : counts)
        priors.push_back(static_cast<double>(n) / static_cast<double>(total));
    return priors;
}

namespace {

// The samples' dimension, after checking what estimateClasses and
// leaveOneOutClasses read of the samples and settings.
Eigen::Index checkedDimension(const std::vector<Points>& samples, const ClassesEstimateSettings& settings,
                              const char* what)
{
    requireArgument(samples.size() >= kMinClasses && samples.size() <= kMaxClasses, what);
    const Eigen::Index d = samples.front().cols();
    requireArgument(d >= 1, what);
    for (const Points& p : samples)
        requireArgument(p.cols() == d, what);
    requireArgument(validSettings(settings, samples.size()), what);
    return d;
}

std::vector<Eigen::Index> countsOf(const std::vector<Points>& samples)
{
    std::vector<Eigen::Index> counts;
    counts.reserve(samples.size());
    for (const Points& p : samples)
        counts.push_back(p.rows());
    return counts;
}

}  // namespace

std::variant<ClassesModel, SampleProblem> estimateClasses(const std::vector<Points>& samples,
                                                          const std::vector<std::string>& names,
                                                          const ClassesEstimateSettings& settings)
{
    const Eigen::Index d = checkedDimension(
        samples, settings,
        "estimateClasses: expected 2 to 64 sets of one dimension, at least 1, and settings valid for them");
    const std::size_t c = samples.size();
    requireArgument(names.empty() || names.size() == c, "estimateClasses: expected no names or one for each set");
    std::set<std::string> unique;
    for (const std::string& name : names)
        requireArgument(!name.empty() && unique.insert(name).second,
                        "estimateClasses: the names must be unique and not empty");

    ClassesModel model;
    model.classes.resize(c);
    for (std::size_t i = 0; i < c; ++i)
        model.classes[i].name = names.empty() ? std::to_string(i + 1) : names[i];
    // "class 3", or `class 3 ("c")` when the name is not the number.
    const auto who = [&](std::size_t i) {
        const std::string number = std::to_string(i + 1);
        return "class " + number + (model.classes[i].name == number ? "" : " (\"" + model.classes[i].name + "\")");
    };
    const auto problem = [](std::size_t i, std::string message, SampleProblem::Kind kind) {
        return SampleProblem{static_cast<int>(i + 1), std::move(message), kind};
    };

    const bool ridged = settings.ridge > 0.0;
    for (std::size_t i = 0; i < c; ++i) {
        const Eigen::Index n = samples[i].rows();
        if (n < (ridged ? 2 : d + 1))
            return problem(i,
                           who(i) + " has " + std::to_string(n) + " point" + (n == 1 ? "" : "s") + "; at least " +
                               (ridged ? std::string("2") : "d + 1 = " + std::to_string(d + 1)) + " are needed" +
                               (ridged ? "" : " for a nonsingular covariance"),
                           SampleProblem::Kind::TooFewPoints);
    }
    const std::vector<double> priors = classPriorsFor(countsOf(samples), settings);
    for (std::size_t i = 0; i < c; ++i) {
        MomentAccumulator moments(d);
        for (Eigen::Index k = 0; k < samples[i].rows(); ++k)
            moments.add(samples[i].row(k));
        model.classes[i].mean = moments.mean();
        model.classes[i].covariance = moments.covariance(settings.ridge);
        model.classes[i].prior = priors[i];
    }
    // As estimateModel: every mean, then every covariance, then the nearly singular.
    for (std::size_t i = 0; i < c; ++i)
        if (const auto p = meanProblem(model.classes[i].mean, d, "class 1's mean"))
            return problem(i, who(i) + "'s estimate cannot be used: " + p->message, SampleProblem::Kind::NotFinite);
    for (std::size_t i = 0; i < c; ++i)
        if (const auto p = covarianceProblem(model.classes[i].covariance, d)) {
            const bool singular = p->problem != ModelProblem::NotFinite;
            return problem(i,
                           who(i) + (singular ? "'s covariance is singular: " : "'s estimate cannot be used: ") +
                               p->message,
                           singular ? SampleProblem::Kind::Singular : SampleProblem::Kind::NotFinite);
        }
    for (std::size_t i = 0; i < c; ++i)
        if (const auto singular = nearlySingular(model.classes[i].covariance))
            return problem(i, who(i) + ": " + *singular, SampleProblem::Kind::Singular);
    return model;
}

std::int64_t ClassesCounts::points(std::size_t i) const
{
    requireArgument(i < size(), "ClassesCounts::points: no such class");
    return counts.row(static_cast<Eigen::Index>(i)).sum();
}

std::int64_t ClassesCounts::errors(std::size_t i) const
{
    return points(i) - counts(static_cast<Eigen::Index>(i), static_cast<Eigen::Index>(i));
}

double ClassesCounts::rate(std::size_t i, std::size_t j) const
{
    requireArgument(j < size(), "ClassesCounts::rate: no such class");
    const std::int64_t n = points(i);
    requireArgument(n >= 1, "ClassesCounts::rate: the class has no points");
    return static_cast<double>(counts(static_cast<Eigen::Index>(i), static_cast<Eigen::Index>(j))) /
           static_cast<double>(n);
}

Eigen::MatrixXd ClassesCounts::rates() const
{
    Eigen::MatrixXd r(counts.rows(), counts.cols());
    for (std::size_t i = 0; i < size(); ++i)
        for (std::size_t j = 0; j < size(); ++j)
            r(static_cast<Eigen::Index>(i), static_cast<Eigen::Index>(j)) = rate(i, j);
    return r;
}

double ClassesCounts::errorRate() const
{
    const std::int64_t n = points();
    requireArgument(n >= 1, "ClassesCounts::errorRate: there are no points");
    return static_cast<double>(errors()) / static_cast<double>(n);
}

double ClassesCounts::errorRate(const std::vector<double>& priors) const
{
    requireArgument(priors.size() == size(), "ClassesCounts::errorRate: expected one prior a class");
    double sum = 0.0;
    for (std::size_t i = 0; i < size(); ++i) {
        requireArgument(std::isfinite(priors[i]) && priors[i] >= 0.0,
                        "ClassesCounts::errorRate: each prior must be finite and >= 0");
        if (priors[i] > 0.0) {
            const std::int64_t n = points(i);
            requireArgument(n >= 1, "ClassesCounts::errorRate: a class of positive prior has no points");
            sum += priors[i] * static_cast<double>(errors(i)) / static_cast<double>(n);
        }
    }
    return sum;
}

ClassesCounts classifyClasses(const ClassesRule& rule, const std::vector<Points>& samples)
{
    requireArgument(samples.size() == rule.size(), "classifyClasses: expected one set for each of the rule's classes");
    for (const Points& p : samples)
        requireArgument(p.rows() == 0 || p.cols() == rule.dimension(),
                        "classifyClasses: the points are not of the rule's dimension");
    const auto c = static_cast<Eigen::Index>(samples.size());
    ClassesCounts result{ClassesCounts::Matrix::Zero(c, c)};
    for (Eigen::Index i = 0; i < c; ++i) {
        const Points& p = samples[static_cast<std::size_t>(i)];
        for (Eigen::Index k = 0; k < p.rows(); ++k)
            ++result.counts(i, static_cast<Eigen::Index>(rule.decide(p.row(k).transpose())));
    }
    return result;
}

std::optional<ClassesCounts> leaveOneOutClasses(const std::vector<Points>& samples,
                                                const ClassesEstimateSettings& settings,
                                                const std::optional<Eigen::MatrixXd>& losses)
{
    const Eigen::Index d = checkedDimension(
        samples, settings,
        "leaveOneOutClasses: expected 2 to 64 sets of one dimension, at least 1, and settings valid for them");
    requireArgument(!losses || !lossesProblem(*losses, samples.size()),
                    "leaveOneOutClasses: the losses are not valid (see lossesProblem)");
    const std::size_t c = samples.size();
    const Eigen::Index minimum = settings.ridge > 0.0 ? 3 : d + 2;
    for (const Points& p : samples)
        if (p.rows() < minimum)
            return std::nullopt;
    std::vector<detail::HeldOutClass> fits;
    fits.reserve(c);
    for (const Points& p : samples) {
        fits.emplace_back(p, settings.ridge);
        if (!fits.back().usable())
            return std::nullopt;
    }
    // Scores as ClassesRule::logScores makes them, term for term: for the
    // classes not refitted they are the very numbers of the refitted rule.
    const double halfLog2Pi = 0.5 * std::log(boost::math::constants::two_pi<double>());
    const double normalising = static_cast<double>(d) * halfLog2Pi;
    const std::vector<Eigen::Index> counts = countsOf(samples);
    const auto cc = static_cast<Eigen::Index>(c);
    ClassesCounts result{ClassesCounts::Matrix::Zero(cc, cc)};
    Eigen::VectorXd constants(cc), scores(cc);
    for (std::size_t i = 0; i < c; ++i) {
        std::vector<Eigen::Index> refitCounts = counts;
        --refitCounts[i];
        const std::vector<double> priors = classPriorsFor(refitCounts, settings);
        for (std::size_t j = 0; j < c; ++j)
            constants(static_cast<Eigen::Index>(j)) =
                std::log(priors[j]) - fits[j].logRootDeterminant() - normalising;
        const double ownPrior = std::log(priors[i]);
        const Points& own = samples[i];
        for (Eigen::Index k = 0; k < own.rows(); ++k) {
            const auto refit = fits[i].heldOut(k);
            if (!refit)
                return std::nullopt;
            for (std::size_t j = 0; j < c; ++j) {
                const auto jj = static_cast<Eigen::Index>(j);
                scores(jj) = j == i ? ownPrior - refit->logRootDeterminant - normalising - 0.5 * refit->squaredDistance
                                    : constants(jj) - 0.5 * fits[j].squaredDistance(own.row(k).transpose());
            }
            ++result.counts(static_cast<Eigen::Index>(i), static_cast<Eigen::Index>(bayesDecision(scores, losses)));
        }
    }
    return result;
}

}  // namespace gaussbound
