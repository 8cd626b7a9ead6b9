#include "gaussbound/Classes.h"

#include <cmath>
#include <set>

#include <boost/math/constants/constants.hpp>

#include "gaussbound/Error.h"

namespace gaussbound {

std::string ClassesError::text(const ClassesModel& model) const
{
    if (!index)
        return key + ": " + message;
    std::string who = "class " + std::to_string(*index + 1);
    if (*index < model.size() && !model.classes[*index].name.empty())
        who += " (\"" + model.classes[*index].name + "\")";
    return who + ": " + key + ": " + message;
}

namespace {

std::optional<ClassesError> classProblem(const ClassesModel& model, std::size_t i)
{
    const NormalClass& c = model.classes[i];
    const Eigen::Index d = model.dimension();
    if (c.name.empty())
        return ClassesError{i, "name", "a name must not be empty"};
    if (const auto p = meanProblem(c.mean, d, "class 1's mean"))
        return ClassesError{i, "mean", p->message};
    if (const auto p = covarianceProblem(c.covariance, d))
        return ClassesError{i, "covariance", p->message};
    if (!(c.prior > 0.0 && c.prior < 1.0))
        return ClassesError{i, "prior", "each prior must lie strictly between 0 and 1"};
    return std::nullopt;
}

}  // namespace

std::optional<ClassesError> validate(const ClassesModel& model)
{
    if (model.size() < kMinClasses || model.size() > kMaxClasses)
        return ClassesError{std::nullopt, "classes",
                            "expected " + std::to_string(kMinClasses) + " to " + std::to_string(kMaxClasses) +
                                " classes, got " + std::to_string(model.size())};
    if (model.dimension() < 1)
        return ClassesError{0, "mean", "the mean needs at least one number"};
    std::set<std::string> names;
    double sum = 0.0;
    for (std::size_t i = 0; i < model.size(); ++i) {
        if (auto problem = classProblem(model, i))
            return problem;
        if (!names.insert(model.classes[i].name).second)
            return ClassesError{i, "name", "the name \"" + model.classes[i].name + "\" is taken by another class"};
        sum += model.classes[i].prior;
    }
    if (std::fabs(sum - 1.0) > kClassPriorSumTolerance)
        return ClassesError{std::nullopt, "classes", "the priors must sum to 1"};
    return std::nullopt;
}

std::optional<std::string> lossesProblem(const Eigen::MatrixXd& losses, std::size_t classes)
{
    const auto c = static_cast<Eigen::Index>(classes);
    if (losses.rows() != c || losses.cols() != c)
        return "expected a " + std::to_string(c) + "x" + std::to_string(c) + " matrix (one row and column a class), got " +
               std::to_string(losses.rows()) + "x" + std::to_string(losses.cols());
    if (!losses.allFinite() || (losses.array() < 0.0).any())
        return std::string("every loss must be a finite number >= 0");
    for (Eigen::Index i = 0; i < c; ++i)
        for (Eigen::Index j = 0; j < c; ++j)
            if (i != j && !(losses(i, i) < losses(i, j)))
                return "a wrong decision must cost more than the right one (L" + std::to_string(i + 1) +
                       std::to_string(i + 1) + " >= L" + std::to_string(i + 1) + std::to_string(j + 1) + ")";
    return std::nullopt;
}

ClassesModel classesOf(const Model& model)
{
    requireArgument(!validate(model), "classesOf: the model is not valid (see validate)");
    return ClassesModel{{NormalClass{"1", model.mu1, model.sigma1, model.prior1},
                         NormalClass{"2", model.mu2, model.sigma2, model.prior2}}};
}

Model pairModel(const ClassesModel& model, std::size_t i, std::size_t j)
{
    requireArgument(!validate(model), "pairModel: the model is not valid (see validate)");
    requireArgument(i < model.size() && j < model.size() && i != j, "pairModel: i and j must be two classes");
    const NormalClass &a = model.classes[i], &b = model.classes[j];
    const double sum = a.prior + b.prior;
    return Model{a.mean, b.mean, a.covariance, b.covariance, a.prior / sum, b.prior / sum};
}

ClassesRule::ClassesRule(const ClassesModel& model, const std::optional<Eigen::MatrixXd>& losses)
    : losses_(losses)
{
    requireArgument(!validate(model), "ClassesRule: the model is not valid (see validate)");
    requireArgument(!losses || !lossesProblem(*losses, model.size()),
                    "ClassesRule: the losses are not valid (see lossesProblem)");
    const double halfLog2Pi = 0.5 * std::log(boost::math::constants::two_pi<double>());
    constants_.resize(static_cast<Eigen::Index>(model.size()));
    for (std::size_t j = 0; j < model.size(); ++j) {
        const NormalClass& c = model.classes[j];
        means_.push_back(c.mean);
        factors_.emplace_back(c.covariance);
        const Eigen::MatrixXd& l = factors_.back().matrixLLT();
        constants_(static_cast<Eigen::Index>(j)) = std::log(c.prior) - l.diagonal().array().log().sum() -
                                                   static_cast<double>(c.mean.size()) * halfLog2Pi;
    }
}

Eigen::VectorXd ClassesRule::logScores(const Eigen::Ref<const Eigen::VectorXd>& x) const
{
    requireArgument(x.size() == dimension(), "ClassesRule::logScores: x has another dimension than the model");
    Eigen::VectorXd scores = constants_;
    for (std::size_t j = 0; j < factors_.size(); ++j) {
        const Eigen::VectorXd z = factors_[j].matrixL().solve(x - means_[j]);
        scores(static_cast<Eigen::Index>(j)) -= 0.5 * z.squaredNorm();
    }
    return scores;
}

std::size_t ClassesRule::decide(const Eigen::Ref<const Eigen::VectorXd>& x) const
{
    return bayesDecision(logScores(x), losses_);
}

std::size_t bayesDecision(const Eigen::Ref<const Eigen::VectorXd>& scores, const std::optional<Eigen::MatrixXd>& losses)
{
    const Eigen::Index c = scores.size();
    requireArgument(c >= 1 && (!losses || (losses->rows() == c && losses->cols() == c)),
                    "bayesDecision: the scores must be C >= 1 and the losses C x C");
    Eigen::Index best = 0;
    if (!losses) {
        scores.maxCoeff(&best);
        return static_cast<std::size_t>(best);
    }
    // Expected losses scaled by e^-max so that the largest density is 1.
    const Eigen::VectorXd weights = (scores.array() - scores.maxCoeff()).exp().matrix();
    (losses->transpose() * weights).minCoeff(&best);
    return static_cast<std::size_t>(best);
}

}  // namespace gaussbound
