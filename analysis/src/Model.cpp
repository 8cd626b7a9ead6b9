#include "gaussbound/Model.h"

#include <cmath>

#include <Eigen/Cholesky>
#include <Eigen/Eigenvalues>

namespace gaussbound {

namespace {

std::string number(double v)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6g", v);
    return buf;
}

}  // namespace

std::optional<PartProblem> meanProblem(const Eigen::VectorXd& mu, Eigen::Index d, const std::string& dimensionOf)
{
    if (mu.size() != d)
        return PartProblem{ModelProblem::Size, "expected " + std::to_string(d) + " numbers (the dimension of " +
                                                   dimensionOf + "), got " + std::to_string(mu.size())};
    if (!mu.allFinite())
        return PartProblem{ModelProblem::NotFinite, "holds a number that is not finite"};
    return std::nullopt;
}

std::optional<PartProblem> covarianceProblem(const Eigen::MatrixXd& s, Eigen::Index d)
{
    if (s.rows() != d || s.cols() != d)
        return PartProblem{ModelProblem::Size, "expected a " + std::to_string(d) + "x" + std::to_string(d) +
                                                   " matrix (" + std::to_string(d * d) + " numbers), got " +
                                                   std::to_string(s.rows()) + "x" + std::to_string(s.cols())};
    if (!s.allFinite())
        return PartProblem{ModelProblem::NotFinite, "holds a number that is not finite"};
    const double scale = s.cwiseAbs().maxCoeff();
    if ((s - s.transpose()).cwiseAbs().maxCoeff() > 1e-9 * scale)
        return PartProblem{ModelProblem::NotSymmetric, "the covariance matrix is not symmetric"};
    if (Eigen::LLT<Eigen::MatrixXd>(s).info() != Eigen::Success) {
        const double smallest = Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd>(
                                    s, Eigen::EigenvaluesOnly).eigenvalues()(0);
        return PartProblem{ModelProblem::NotPositiveDefinite,
                           "the covariance matrix is not positive definite (smallest eigenvalue " +
                               number(smallest) + ")"};
    }
    return std::nullopt;
}

std::optional<ModelError> validate(const Model& m)
{
    const Eigen::Index d = m.mu1.size();
    if (d < 1)
        return ModelError{"mu1", "the mean needs at least one number", ModelField::Mu1, ModelProblem::Size};
    const auto part = [](const char* field, ModelField which, const std::optional<PartProblem>& problem) {
        return problem ? std::optional<ModelError>(ModelError{field, problem->message, which, problem->problem})
                       : std::nullopt;
    };
    for (auto error : {part("mu1", ModelField::Mu1, meanProblem(m.mu1, d, "mu1")),
                       part("mu2", ModelField::Mu2, meanProblem(m.mu2, d, "mu1")),
                       part("sigma1", ModelField::Sigma1, covarianceProblem(m.sigma1, d)),
                       part("sigma2", ModelField::Sigma2, covarianceProblem(m.sigma2, d))})
        if (error)
            return error;
    return validatePriors(m.prior1, m.prior2);
}

bool hasShape(const Model& m)
{
    const Eigen::Index d = m.mu1.size();
    return d >= 1 && m.mu2.size() == d && m.sigma1.rows() == d && m.sigma1.cols() == d && m.sigma2.rows() == d &&
           m.sigma2.cols() == d && m.mu1.allFinite() && m.mu2.allFinite() && m.sigma1.allFinite() &&
           m.sigma2.allFinite() && std::isfinite(m.prior1) && std::isfinite(m.prior2);
}

std::optional<ModelError> validatePriors(double prior1, double prior2)
{
    for (double p : {prior1, prior2})
        if (!(p > 0.0 && p < 1.0))
            return ModelError{"priors", "each prior must lie strictly between 0 and 1", ModelField::Priors,
                              ModelProblem::PriorRange};
    if (std::fabs(prior1 + prior2 - 1.0) > 1e-9)
        return ModelError{"priors", "the priors must sum to 1", ModelField::Priors, ModelProblem::PriorSum};
    return std::nullopt;
}

}  // namespace gaussbound
