// One class's plug-in fit, with each of its points left out in turn by a
// rank-one downdate (see Classifier.h for the algebra): the piece that the
// two-class and the C-class leave-one-out share. Internal to the library.
#ifndef GAUSSBOUND_HELD_OUT_H
#define GAUSSBOUND_HELD_OUT_H

#include <optional>

#include <Eigen/Cholesky>
#include <Eigen/Core>

#include "gaussbound/Estimate.h"

namespace gaussbound::detail {

// ln |L| = 1/2 ln |C| from the Cholesky factor of C = L L^T.
inline double logRootDeterminant(const Eigen::LLT<Eigen::MatrixXd>& factor)
{
    return factor.matrixLLT().diagonal().array().log().sum();
}

// |L^-1 v|^2.
inline double squaredDistance(const Eigen::LLT<Eigen::MatrixXd>& factor, const Eigen::Ref<const Eigen::VectorXd>& v)
{
    return factor.matrixL().solve(v).squaredNorm();
}

// A class's covariance factor at a point: ln |L| and |L^-1 (x - m)|^2, the
// two terms of its log density that depend on the fit.
struct FitAtPoint {
    double logRootDeterminant;
    double squaredDistance;

    // -ln |L| - 1/2 |L^-1 (x - m)|^2: the log density up to -d/2 ln 2 pi.
    double logDensity() const { return -logRootDeterminant - 0.5 * squaredDistance; }
};

// One class's fit, ready for each of its points to be left out. Reads 3 or
// more points of dimension >= 1 and a finite ridge >= 0 (others throw).
class HeldOutClass {
public:
    HeldOutClass(const Points& points, double ridge) : points_(&points), moments_(points.cols())
    {
        for (Eigen::Index k = 0; k < points.rows(); ++k)
            moments_.add(points.row(k));
        const double n = static_cast<double>(points.rows());
        full_.compute(moments_.covariance(ridge));
        Eigen::MatrixXd b = moments_.scatter() / (n - 2.0);
        b.diagonal().array() += ridge;
        base_.compute(b);
    }

    const Points& points() const { return *points_; }
    // Whether the fit with every point, and B, are positive definite: when
    // not, no point can be left out (a downdate of a failed factor may still
    // report success).
    bool usable() const { return full_.info() == Eigen::Success && base_.info() == Eigen::Success; }
    // The class fitted without row k, at row k; nothing when that covariance
    // is not positive definite. Reads a usable() fit.
    std::optional<FitAtPoint> heldOut(Eigen::Index k) const
    {
        const double n = static_cast<double>(points_->rows());
        const Eigen::VectorXd delta = points_->row(k).transpose() - moments_.mean();
        Eigen::LLT<Eigen::MatrixXd> refit = base_;
        refit.rankUpdate(delta, -n / ((n - 1.0) * (n - 2.0)));
        if (refit.info() != Eigen::Success || !(refit.matrixLLT().diagonal().array() > 0.0).all())
            return std::nullopt;
        return FitAtPoint{detail::logRootDeterminant(refit), detail::squaredDistance(refit, n / (n - 1.0) * delta)};
    }

    // The fit with every point: ln |L|, |L^-1 (x - m)|^2 and both at x.
    // Read a usable() fit.
    double logRootDeterminant() const { return detail::logRootDeterminant(full_); }
    double squaredDistance(const Eigen::Ref<const Eigen::VectorXd>& x) const
    {
        return detail::squaredDistance(full_, x - moments_.mean());
    }
    FitAtPoint at(const Eigen::Ref<const Eigen::VectorXd>& x) const
    {
        return FitAtPoint{logRootDeterminant(), squaredDistance(x)};
    }

private:
    const Points* points_;
    MomentAccumulator moments_;
    Eigen::LLT<Eigen::MatrixXd> full_;  // of the covariance with every point
    Eigen::LLT<Eigen::MatrixXd> base_;  // of B = M/(n - 2) + ridge I
};

}  // namespace gaussbound::detail

#endif
