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

std::optional<ModelError> checkMean(const char* field, const Eigen::VectorXd& mu, Eigen::Index d)
{
    if (mu.size() != d)
        return ModelError{field, "expected " + std::to_string(d) + " numbers (the dimension of mu1), got " +
                                     std::to_string(mu.size())};
    if (!mu.allFinite())
        return ModelError{field, "holds a number that is not finite"};
    return std::nullopt;
}

std::optional<ModelError> checkCovariance(const char* field, const Eigen::MatrixXd& s, Eigen::Index d)
{
    if (s.rows() != d || s.cols() != d)
        return ModelError{field, "expected a " + std::to_string(d) + "x" + std::to_string(d) +
                                     " matrix (" + std::to_string(d * d) + " numbers), got " +
                                     std::to_string(s.rows()) + "x" + std::to_string(s.cols())};
    if (!s.allFinite())
        return ModelError{field, "holds a number that is not finite"};
    const double scale = s.cwiseAbs().maxCoeff();
    if ((s - s.transpose()).cwiseAbs().maxCoeff() > 1e-9 * scale)
        return ModelError{field, "the covariance matrix is not symmetric"};
    if (Eigen::LLT<Eigen::MatrixXd>(s).info() != Eigen::Success) {
        const double smallest = Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd>(
                                    s, Eigen::EigenvaluesOnly).eigenvalues()(0);
        return ModelError{field, "the covariance matrix is not positive definite (smallest eigenvalue " +
                                     number(smallest) + ")"};
    }
    return std::nullopt;
}

}  // namespace

std::optional<ModelError> validate(const Model& m)
{
    const Eigen::Index d = m.mu1.size();
    if (d < 1)
        return ModelError{"mu1", "the mean needs at least one number"};
    for (auto error : {checkMean("mu1", m.mu1, d), checkMean("mu2", m.mu2, d),
                       checkCovariance("sigma1", m.sigma1, d), checkCovariance("sigma2", m.sigma2, d)})
        if (error)
            return error;
    return validatePriors(m.prior1, m.prior2);
}

std::optional<ModelError> validatePriors(double prior1, double prior2)
{
    for (double p : {prior1, prior2})
        if (!(p > 0.0 && p < 1.0))
            return ModelError{"priors", "each prior must lie strictly between 0 and 1"};
    if (std::fabs(prior1 + prior2 - 1.0) > 1e-9)
        return ModelError{"priors", "the priors must sum to 1"};
    return std::nullopt;
}

}  // namespace gaussbound
