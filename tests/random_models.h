// Two-class models for the tests: one from its parts, and random ones for
// property tests (covariances with random axes and log-uniform variances,
// means and priors from a seeded generator).
#ifndef GAUSSBOUND_TESTS_RANDOM_MODELS_H
#define GAUSSBOUND_TESTS_RANDOM_MODELS_H

#include <cmath>
#include <random>
#include <utility>

#include <Eigen/QR>

#include <gaussbound/Model.h>

// A model from its parts, the priors P1 and 1 - P1.
inline gaussbound::Model makeModel(Eigen::VectorXd mu1, Eigen::VectorXd mu2, Eigen::MatrixXd sigma1,
                                   Eigen::MatrixXd sigma2, double prior1 = 0.5)
{
    gaussbound::Model m;
    m.mu1 = std::move(mu1);
    m.mu2 = std::move(mu2);
    m.sigma1 = std::move(sigma1);
    m.sigma2 = std::move(sigma2);
    m.prior1 = prior1;
    m.prior2 = 1.0 - prior1;
    return m;
}

// A random orthogonal d x d matrix (Q of a Gaussian matrix's QR).
inline Eigen::MatrixXd randomRotation(std::mt19937_64& rng, Eigen::Index d)
{
    std::normal_distribution<double> z;
    Eigen::MatrixXd a(d, d);
    for (Eigen::Index i = 0; i < a.size(); ++i)
        a(i) = z(rng);
    return Eigen::HouseholderQR<Eigen::MatrixXd>(a).householderQ();
}

// Variances e^u with u uniform in [-spread, spread], along random axes.
inline Eigen::MatrixXd randomCovariance(std::mt19937_64& rng, Eigen::Index d, double spread)
{
    std::uniform_real_distribution<double> u(-spread, spread);
    Eigen::VectorXd variances(d);
    for (Eigen::Index i = 0; i < d; ++i)
        variances(i) = std::exp(u(rng));
    const Eigen::MatrixXd r = randomRotation(rng, d);
    const Eigen::MatrixXd s = r * variances.asDiagonal() * r.transpose();
    return 0.5 * (s + s.transpose());  // exactly symmetric
}

inline Eigen::VectorXd randomVector(std::mt19937_64& rng, Eigen::Index d, double scale)
{
    std::normal_distribution<double> z(0.0, scale);
    Eigen::VectorXd v(d);
    for (Eigen::Index i = 0; i < d; ++i)
        v(i) = z(rng);
    return v;
}

// Means about `separation` apart per coordinate, variances within e^+-1.5,
// a prior for class 1 in [0.05, 0.95].
inline gaussbound::Model randomModel(std::mt19937_64& rng, Eigen::Index d, double separation = 1.0)
{
    gaussbound::Model m;
    m.mu1 = randomVector(rng, d, 1.0);
    m.mu2 = m.mu1 + randomVector(rng, d, separation);
    m.sigma1 = randomCovariance(rng, d, 1.5);
    m.sigma2 = randomCovariance(rng, d, 1.5);
    m.prior1 = std::uniform_real_distribution<double>(0.05, 0.95)(rng);
    m.prior2 = 1.0 - m.prior1;
    return m;
}

// The model whose first drawn points (seed 42) the tests hold: mu1 = (0, 0),
// mu2 = (1, 2), correlated covariances, so that the Cholesky factor matters.
inline gaussbound::Model streamModel()
{
    gaussbound::Model m;
    m.mu1 = Eigen::Vector2d(0, 0);
    m.mu2 = Eigen::Vector2d(1, 2);
    m.sigma1 = (Eigen::Matrix2d() << 2, 0.6, 0.6, 1).finished();
    m.sigma2 = (Eigen::Matrix2d() << 1, -0.3, -0.3, 0.5).finished();
    return m;
}

#endif
