#include "gaussbound/Separability.h"

#include <cmath>

#include <Eigen/Cholesky>

#include "gaussbound/BayesError.h"
#include "gaussbound/Canonical.h"
#include "gaussbound/Error.h"
#include "gaussbound/GeneralizedChiSquare.h"

namespace gaussbound {

Discriminability discriminability(const Model& model, const AreaUnderCurve& auc)
{
    requireArgument(!validate(model), "discriminability: the model is not valid");
    const GeneralizedChiSquare normal(Eigen::VectorXd(0), Eigen::VectorXd(0), Eigen::VectorXd(0), 1.0);
    // Phi^-1 of a probability given by its natural logarithm.
    const auto quantile = [&](double logp) {
        return std::isnan(logp) ? logp : normal.logQuantile(logp).value;
    };
    Model half = model;
    half.prior1 = half.prior2 = 0.5;
    const double logHalf = bayesError(half, CanonicalForm(half)).log10Value * M_LN10;
    const double logMiss = auc.value >= 0.5 ? auc.logComplement : std::log(auc.value);
    const Eigen::VectorXd delta = model.mu2 - model.mu1;
    const double average = delta.dot((0.5 * (model.sigma1 + model.sigma2)).llt().solve(delta));
    return {-2.0 * quantile(logHalf), (auc.value >= 0.5 ? -1.0 : 1.0) * std::sqrt(2.0) * quantile(logMiss),
            std::sqrt(average)};
}

Separability separability(const Figures& figures)
{
    const double divergence = figures.divergences.kl12 + figures.divergences.kl21;
    return {-2.0 * std::expm1(-figures.bhattacharyya.exponent), -2.0 * std::expm1(-divergence / 8.0)};
}

}  // namespace gaussbound
