#include "gaussbound/Draw.h"

#include <cmath>

#include <Eigen/Cholesky>

#include "gaussbound/Error.h"

namespace gaussbound {

double NormalStream::uniform()
{
    return static_cast<double>(engine_() >> 11) * 0x1p-53;
}

double NormalStream::next()
{
    if (hasSpare_) {
        hasSpare_ = false;
        return spare_;
    }
    double v1, v2, s;
    do {
        v1 = 2.0 * uniform() - 1.0;
        v2 = 2.0 * uniform() - 1.0;
        s = v1 * v1 + v2 * v2;
    } while (s >= 1.0 || s == 0.0);
    const double f = std::sqrt(-2.0 * std::log(s) / s);
    spare_ = v2 * f;
    hasSpare_ = true;
    return v1 * f;
}

namespace {

// n points of N(mu, L L^T) from stream.
Points drawClass(const Eigen::VectorXd& mu, const Eigen::MatrixXd& sigma, Eigen::Index n, NormalStream& stream)
{
    const Eigen::Index d = mu.size();
    const Eigen::LLT<Eigen::MatrixXd> factor(sigma);
    requireArgument(factor.info() == Eigen::Success, "drawSamples, drawClasses: a covariance is not positive definite");
    const Eigen::MatrixXd lower = factor.matrixL();
    Points points(n, d);
    Eigen::VectorXd z(d);
    for (Eigen::Index k = 0; k < n; ++k) {
        for (Eigen::Index i = 0; i < d; ++i)
            z(i) = stream.next();
        // By hand, not by Eigen's product, whose order of summation depends
        // on the build's vector instructions: the sum is part of the stream.
        for (Eigen::Index i = 0; i < d; ++i) {
            double sum = 0.0;
            for (Eigen::Index j = 0; j <= i; ++j)
                sum += lower(i, j) * z(j);
            points(k, i) = mu(i) + sum;
        }
    }
    return points;
}

}  // namespace

std::pair<Points, Points> drawSamples(const Model& model, Eigen::Index n1, Eigen::Index n2, std::uint64_t seed)
{
    requireArgument(n1 >= 0 && n2 >= 0, "drawSamples: the counts must be >= 0");
    requireArgument(hasShape(model), "drawSamples: the model's sizes differ or a number is not finite");
    NormalStream stream(seed);
    Points first = drawClass(model.mu1, model.sigma1, n1, stream);
    Points second = drawClass(model.mu2, model.sigma2, n2, stream);
    return {std::move(first), std::move(second)};
}

std::vector<Points> drawClasses(const ClassesModel& model, const std::vector<Eigen::Index>& counts, std::uint64_t seed)
{
    requireArgument(!validate(model), "drawClasses: the model is not valid (see validate in Classes.h)");
    requireArgument(counts.size() == model.size(), "drawClasses: expected one count a class");
    for (Eigen::Index n : counts)
        requireArgument(n >= 0, "drawClasses: the counts must be >= 0");
    NormalStream stream(seed);
    std::vector<Points> samples;
    samples.reserve(model.size());
    for (std::size_t i = 0; i < model.size(); ++i)
        samples.push_back(drawClass(model.classes[i].mean, model.classes[i].covariance, counts[i], stream));
    return samples;
}

}  // namespace gaussbound
