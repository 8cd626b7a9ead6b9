#include "gaussbound/Estimate.h"

#include <cmath>
#include <cstdio>

#include <Eigen/Eigenvalues>

#include "gaussbound/Error.h"

namespace gaussbound {

namespace {

Eigen::Index checkedDimension(Eigen::Index dimension)
{
    requireArgument(dimension >= 1, "MomentAccumulator: the dimension must be at least 1");
    return dimension;
}

}  // namespace

MomentAccumulator::MomentAccumulator(Eigen::Index dimension)
    : mean_(Eigen::VectorXd::Zero(checkedDimension(dimension))),
      delta_(dimension),
      scatter_(Eigen::MatrixXd::Zero(dimension, dimension))
{
}

void MomentAccumulator::add(const Eigen::Ref<const Eigen::RowVectorXd>& point)
{
    requireArgument(point.size() == mean_.size(), "MomentAccumulator::add: the point is not of the dimension");
    ++n_;
    delta_ = point.transpose() - mean_;
    mean_ += delta_ / static_cast<double>(n_);
    const double weight = static_cast<double>(n_ - 1) / static_cast<double>(n_);
    scatter_.triangularView<Eigen::Lower>() += weight * delta_ * delta_.transpose();
}

Eigen::MatrixXd MomentAccumulator::scatter() const
{
    return scatter_.selfadjointView<Eigen::Lower>();
}

Eigen::MatrixXd MomentAccumulator::covariance(double ridge) const
{
    requireArgument(n_ >= 2, "MomentAccumulator::covariance: needs 2 or more points");
    requireArgument(std::isfinite(ridge) && ridge >= 0.0, "MomentAccumulator::covariance: the ridge must be finite and >= 0");
    Eigen::MatrixXd c = scatter() / static_cast<double>(n_ - 1);
    c.diagonal().array() += ridge;
    return c;
}

bool validSettings(const EstimateSettings& settings)
{
    return std::isfinite(settings.ridge) && settings.ridge >= 0.0 &&
           (!settings.priors || !validatePriors(settings.priors->first, settings.priors->second));
}

std::pair<double, double> priorsFor(Eigen::Index n1, Eigen::Index n2, const EstimateSettings& settings)
{
    requireArgument(validSettings(settings), "priorsFor: the ridge must be finite and >= 0 and fixed priors valid");
    requireArgument(n1 >= 0 && n2 >= 0 && (settings.priors || n1 + n2 >= 1),
                    "priorsFor: the counts must be >= 0 and not both 0");
    if (settings.priors)
        return *settings.priors;
    const double total = static_cast<double>(n1 + n2);
    return {static_cast<double>(n1) / total, static_cast<double>(n2) / total};
}

Model modelFrom(const MomentAccumulator& class1, const MomentAccumulator& class2, const EstimateSettings& settings)
{
    requireArgument(class1.mean().size() == class2.mean().size(), "modelFrom: the classes' dimensions differ");
    requireArgument(class1.count() >= 2 && class2.count() >= 2, "modelFrom: each class needs 2 or more points");
    Model m;
    m.mu1 = class1.mean();
    m.mu2 = class2.mean();
    m.sigma1 = class1.covariance(settings.ridge);
    m.sigma2 = class2.covariance(settings.ridge);
    std::tie(m.prior1, m.prior2) = priorsFor(class1.count(), class2.count(), settings);
    return m;
}

std::optional<std::string> nearlySingular(const Eigen::MatrixXd& covariance)
{
    requireArgument(covariance.rows() >= 1 && covariance.rows() == covariance.cols(),
                    "nearlySingular: the matrix must be square, of size >= 1");
    const Eigen::VectorXd lambda =
        Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd>(covariance, Eigen::EigenvaluesOnly).eigenvalues();
    const double largest = lambda(lambda.size() - 1), smallest = lambda(0);
    if (smallest > static_cast<double>(lambda.size()) * 0x1p-45 * largest)
        return std::nullopt;
    char text[160];
    std::snprintf(text, sizeof text,
                  "its covariance is singular (eigenvalues from %.6g to %.6g): the points lie in a "
                  "lower-dimensional subspace",
                  smallest, largest);
    return std::string(text);
}

namespace {

MomentAccumulator accumulate(const Points& points)
{
    MomentAccumulator acc(points.cols());
    for (Eigen::Index k = 0; k < points.rows(); ++k)
        acc.add(points.row(k));
    return acc;
}

}  // namespace

std::variant<Model, SampleProblem> estimateModel(const Points& class1, const Points& class2,
                                                 const EstimateSettings& settings)
{
    requireArgument(class1.cols() >= 1 && class1.cols() == class2.cols(),
                    "estimateModel: the sets need one dimension, at least 1");
    requireArgument(validSettings(settings), "estimateModel: the ridge must be finite and >= 0 and fixed priors valid");
    const Eigen::Index d = class1.cols();
    const bool ridged = settings.ridge > 0.0;
    for (const auto& [index, points] : {std::pair<int, const Points*>{1, &class1}, {2, &class2}})
        if (points->rows() < (ridged ? 2 : d + 1))
            return SampleProblem{index, "class " + std::to_string(index) + " has " + std::to_string(points->rows()) + " point" +
                                            (points->rows() == 1 ? "" : "s") + "; at least " +
                                            (ridged ? std::string("2") : "d + 1 = " + std::to_string(d + 1)) +
                                            " are needed" + (ridged ? "" : " for a nonsingular covariance"),
                                 SampleProblem::Kind::TooFewPoints};
    const MomentAccumulator a1 = accumulate(class1), a2 = accumulate(class2);
    const Model m = modelFrom(a1, a2, settings);
    if (const auto error = validate(m)) {
        // The priors were checked above: the problem is a mean's or a covariance's.
        const int index = error->which == ModelField::Mu2 || error->which == ModelField::Sigma2 ? 2 : 1;
        const bool covariance = (error->which == ModelField::Sigma1 || error->which == ModelField::Sigma2) &&
                                error->problem != ModelProblem::NotFinite;
        return SampleProblem{index,
                             "class " + std::to_string(index) +
                                 (covariance ? "'s covariance is singular: " : "'s estimate cannot be used: ") +
                                 error->message,
                             covariance ? SampleProblem::Kind::Singular : SampleProblem::Kind::NotFinite};
    }
    for (const auto& [index, sigma] : {std::pair<int, const Eigen::MatrixXd*>{1, &m.sigma1}, {2, &m.sigma2}})
        if (const auto singular = nearlySingular(*sigma))
            return SampleProblem{index, "class " + std::to_string(index) + ": " + *singular,
                                 SampleProblem::Kind::Singular};
    return m;
}

}  // namespace gaussbound
