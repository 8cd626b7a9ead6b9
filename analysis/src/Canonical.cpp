#include "gaussbound/Canonical.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include <Eigen/Cholesky>
#include <Eigen/SVD>

namespace gaussbound {

namespace {

// The power of two h such that the diagonals of Sigma1 / 4^h and Sigma2 / 4^h
// straddle 1: variances of 1e300 and 1e-300 stay as they are, two classes of
// 1e308 are brought near 1 before their Cholesky factors square anything.
int commonScale(const Model& m)
{
    const double largest = std::max(m.sigma1.diagonal().maxCoeff(), m.sigma2.diagonal().maxCoeff());
    const double smallest = std::min(m.sigma1.diagonal().minCoeff(), m.sigma2.diagonal().minCoeff());
    return (std::ilogb(largest) + std::ilogb(smallest)) / 4;
}

Eigen::MatrixXd scaled(const Eigen::MatrixXd& m, int exponent)
{
    return m.unaryExpr([exponent](double v) { return std::ldexp(v, exponent); });
}

}  // namespace

CanonicalForm::CanonicalForm(const Model& model)
{
    const int h = commonScale(model);
    const Eigen::LLT<Eigen::MatrixXd> llt1(scaled(model.sigma1, -2 * h));
    const Eigen::LLT<Eigen::MatrixXd> llt2(scaled(model.sigma2, -2 * h));

    // L2^-1 L1 by a triangular solve: no inverse is formed.
    const Eigen::MatrixXd a = llt2.matrixL().solve(Eigen::MatrixXd(llt1.matrixL()));
    const Eigen::BDCSVD<Eigen::MatrixXd> svd(a, Eigen::ComputeFullU);
    s = svd.singularValues();
    // The decomposition scales by the largest entry: singular values more
    // than the double range below it come out as 0.
    representable = s.allFinite() && s.minCoeff() > 0.0;

    // Halved before subtracting, so that means of opposite sign near the
    // double range still give a finite difference.
    const Eigen::VectorXd dHalf = scaled(model.mu2, -h - 1) - scaled(model.mu1, -h - 1);
    const Eigen::VectorXd e = llt2.matrixL().solve(dHalf);
    beyondRange = !e.allFinite();
    fHalf = beyondRange ? Eigen::VectorXd::Zero(s.size()) : Eigen::VectorXd(svd.matrixU().transpose() * e);
    beyondRange = beyondRange || !fHalf.allFinite();
}

}  // namespace gaussbound
