#include "gaussbound/Text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace gaussbound {

std::string exact(double v)
{
    char buf[32];
    const auto result = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, result.ptr);
}

// snprintf rather than std::to_chars: %.6g's exponent form ("1e-05") is the
// one every earlier release printed, and to_chars writes "1e-5".
std::string sig6(double v)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6g", v);
    return buf;
}

std::string line(const std::string& label, double value, const std::string& tail, size_t column)
{
    return label + std::string(label.size() < column ? column - label.size() : 1, ' ') +
           (std::isnan(value) ? "not computed" : sig6(value)) + tail + "\n";
}

std::string classSummary(const Eigen::VectorXd& mu, const Eigen::MatrixXd& sigma, double prior)
{
    if (sigma.rows() != mu.size() || sigma.cols() != mu.size())
        throw std::invalid_argument("classSummary: the covariance must be square of the mean's size");
    std::string s = "mean (";
    for (Eigen::Index i = 0; i < mu.size(); ++i)
        s += (i > 0 ? ", " : "") + sig6(mu(i));
    s += "), covariance [";
    for (Eigen::Index i = 0; i < sigma.rows(); ++i)
        for (Eigen::Index j = 0; j < sigma.cols(); ++j)
            s += (j > 0 ? " " : i > 0 ? "; " : "") + sig6(sigma(i, j));
    return s + "], prior " + sig6(prior);
}

std::string modelSummary(const Model& m)
{
    if (m.dimension() > 3)
        return std::to_string(m.dimension()) + " dimensions, priors " + sig6(m.prior1) + ", " + sig6(m.prior2);
    return "class 1: " + classSummary(m.mu1, m.sigma1, m.prior1) +
           "    class 2: " + classSummary(m.mu2, m.sigma2, m.prior2);
}

}  // namespace gaussbound
