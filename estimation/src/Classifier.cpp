#include "gaussbound/Classifier.h"

#include <cmath>

#include "gaussbound/Error.h"
#include "HeldOut.h"

namespace gaussbound {

namespace {

using detail::logRootDeterminant;
using detail::squaredDistance;

}  // namespace

QuadraticRule::QuadraticRule(const Model& m)
    : mu1_(m.mu1), mu2_(m.mu2)
{
    requireArgument(hasShape(m) && !validatePriors(m.prior1, m.prior2),
                    "QuadraticRule: the model's sizes differ, a number is not finite or the priors are not valid");
    factor1_.compute(m.sigma1);
    factor2_.compute(m.sigma2);
    requireArgument(factor1_.info() == Eigen::Success && factor2_.info() == Eigen::Success,
                    "QuadraticRule: a covariance is not positive definite");
    constant_ = std::log(m.prior1 / m.prior2) - (logRootDeterminant(factor1_) - logRootDeterminant(factor2_));
}

double QuadraticRule::discriminant(const Eigen::Ref<const Eigen::VectorXd>& x) const
{
    requireArgument(x.size() == mu1_.size(), "QuadraticRule::discriminant: the point is not of the model's dimension");
    return constant_ - 0.5 * squaredDistance(factor1_, x - mu1_) + 0.5 * squaredDistance(factor2_, x - mu2_);
}

std::vector<Eigen::Index> misclassified(const QuadraticRule& rule, const Points& points, int sampleClass)
{
    requireArgument(sampleClass == 1 || sampleClass == 2, "misclassified: the class must be 1 or 2");
    requireArgument(points.rows() == 0 || points.cols() == rule.dimension(), "misclassified: the points are not of the rule's dimension");
    std::vector<Eigen::Index> wrong;
    for (Eigen::Index k = 0; k < points.rows(); ++k)
        if (rule.decide(points.row(k).transpose()) != sampleClass)
            wrong.push_back(k);
    return wrong;
}

std::optional<Eigen::Index> leaveOneOutErrors(const Points& class1, const Points& class2,
                                              const EstimateSettings& settings)
{
    requireArgument(class1.cols() >= 1 && class1.cols() == class2.cols(),
                    "leaveOneOutErrors: the sets need one dimension, at least 1");
    requireArgument(validSettings(settings), "leaveOneOutErrors: the ridge must be finite and >= 0 and fixed priors valid");
    const Eigen::Index d = class1.cols(), minimum = settings.ridge > 0.0 ? 3 : d + 2;
    if (class1.rows() < minimum || class2.rows() < minimum)
        return std::nullopt;
    const detail::HeldOutClass fits[2] = {{class1, settings.ridge}, {class2, settings.ridge}};
    if (!fits[0].usable() || !fits[1].usable())
        return std::nullopt;
    const Eigen::Index n1 = class1.rows(), n2 = class2.rows();
    Eigen::Index errors = 0;
    for (int c = 0; c < 2; ++c) {
        const detail::HeldOutClass& own = fits[c];
        const detail::HeldOutClass& other = fits[1 - c];
        const auto [p1, p2] = priorsFor(n1 - (c == 0), n2 - (c == 1), settings);
        const double ownPrior = std::log(c == 0 ? p1 : p2), otherPrior = std::log(c == 0 ? p2 : p1);
        for (Eigen::Index k = 0; k < own.points().rows(); ++k) {
            const auto ownFit = own.heldOut(k);
            if (!ownFit)
                return std::nullopt;
            // g(x) from the held-out point's side: class 1 keeps ties.
            const double g = ownPrior + ownFit->logDensity() - otherPrior -
                             other.at(own.points().row(k).transpose()).logDensity();
            errors += c == 0 ? g < 0.0 : g <= 0.0;
        }
    }
    return errors;
}

}  // namespace gaussbound
