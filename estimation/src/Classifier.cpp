#include "gaussbound/Classifier.h"

#include <cmath>

#include "gaussbound/Error.h"

namespace gaussbound {

namespace {

// ln |C| from its Cholesky factor.
double logDeterminant(const Eigen::LLT<Eigen::MatrixXd>& factor)
{
    return 2.0 * factor.matrixLLT().diagonal().array().log().sum();
}

// |L^-1 v|^2.
double mahalanobis(const Eigen::LLT<Eigen::MatrixXd>& factor, const Eigen::Ref<const Eigen::VectorXd>& v)
{
    return factor.matrixL().solve(v).squaredNorm();
}

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
    constant_ = std::log(m.prior1 / m.prior2) - 0.5 * (logDeterminant(factor1_) - logDeterminant(factor2_));
}

double QuadraticRule::discriminant(const Eigen::Ref<const Eigen::VectorXd>& x) const
{
    requireArgument(x.size() == mu1_.size(), "QuadraticRule::discriminant: the point is not of the model's dimension");
    return constant_ - 0.5 * mahalanobis(factor1_, x - mu1_) + 0.5 * mahalanobis(factor2_, x - mu2_);
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

namespace {

// One class's fit, ready for each of its points to be left out.
struct HeldOutClass {
    const Points& points;
    MomentAccumulator moments;
    Eigen::LLT<Eigen::MatrixXd> full;  // of the covariance with every point
    Eigen::LLT<Eigen::MatrixXd> base;  // of B = M/(n - 2) + ridge I

    HeldOutClass(const Points& p, double ridge) : points(p), moments(p.cols())
    {
        for (Eigen::Index k = 0; k < p.rows(); ++k)
            moments.add(p.row(k));
        const double n = static_cast<double>(p.rows());
        full.compute(moments.covariance(ridge));
        Eigen::MatrixXd b = moments.scatter() / (n - 2.0);
        b.diagonal().array() += ridge;
        base.compute(b);
    }

    // -1/2 ln |C| - 1/2 |L^-1 (x - m)|^2 for the class fitted without row k,
    // or nothing when that covariance is not positive definite.
    std::optional<double> heldOutLogDensity(Eigen::Index k) const
    {
        const double n = static_cast<double>(points.rows());
        const Eigen::VectorXd delta = points.row(k).transpose() - moments.mean();
        Eigen::LLT<Eigen::MatrixXd> refit = base;
        refit.rankUpdate(delta, -n / ((n - 1.0) * (n - 2.0)));
        if (refit.info() != Eigen::Success || !(refit.matrixLLT().diagonal().array() > 0.0).all())
            return std::nullopt;
        return -0.5 * logDeterminant(refit) - 0.5 * mahalanobis(refit, n / (n - 1.0) * delta);
    }

    // The same for x under the fit with every point.
    double logDensity(const Eigen::Ref<const Eigen::VectorXd>& x) const
    {
        return -0.5 * logDeterminant(full) - 0.5 * mahalanobis(full, x - moments.mean());
    }
};

}  // namespace

std::optional<Eigen::Index> leaveOneOutErrors(const Points& class1, const Points& class2,
                                              const EstimateSettings& settings)
{
    requireArgument(class1.cols() >= 1 && class1.cols() == class2.cols(),
                    "leaveOneOutErrors: the sets need one dimension, at least 1");
    requireArgument(validSettings(settings), "leaveOneOutErrors: the ridge must be finite and >= 0 and fixed priors valid");
    const Eigen::Index d = class1.cols(), minimum = settings.ridge > 0.0 ? 3 : d + 2;
    if (class1.rows() < minimum || class2.rows() < minimum)
        return std::nullopt;
    const HeldOutClass fits[2] = {{class1, settings.ridge}, {class2, settings.ridge}};
    const Eigen::Index n1 = class1.rows(), n2 = class2.rows();
    Eigen::Index errors = 0;
    for (int c = 0; c < 2; ++c) {
        const HeldOutClass& own = fits[c];
        const HeldOutClass& other = fits[1 - c];
        const auto [p1, p2] = priorsFor(n1 - (c == 0), n2 - (c == 1), settings);
        const double ownPrior = std::log(c == 0 ? p1 : p2), otherPrior = std::log(c == 0 ? p2 : p1);
        for (Eigen::Index k = 0; k < own.points.rows(); ++k) {
            const auto ownDensity = own.heldOutLogDensity(k);
            if (!ownDensity)
                return std::nullopt;
            // g(x) from the held-out point's side: class 1 keeps ties.
            const double g = ownPrior + *ownDensity - otherPrior - other.logDensity(own.points.row(k).transpose());
            errors += c == 0 ? g < 0.0 : g <= 0.0;
        }
    }
    return errors;
}

}  // namespace gaussbound
