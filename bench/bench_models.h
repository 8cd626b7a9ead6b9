// The models the analysis and rule benchmarks time, fixed per dimension d
// (seeded): two classes with random axes, variances within e^+-1, means
// about one standard deviation apart per coordinate, priors 0.4 and 0.6.
#ifndef GAUSSBOUND_BENCH_MODELS_H
#define GAUSSBOUND_BENCH_MODELS_H

#include <cmath>
#include <random>

#include <Eigen/QR>

#include <gaussbound/Model.h>

inline Eigen::MatrixXd benchCovariance(std::mt19937_64& rng, Eigen::Index d)
{
    std::normal_distribution<double> z;
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    Eigen::MatrixXd a(d, d);
    for (Eigen::Index i = 0; i < a.size(); ++i)
        a(i) = z(rng);
    const Eigen::MatrixXd q = Eigen::HouseholderQR<Eigen::MatrixXd>(a).householderQ();
    Eigen::VectorXd v(d);
    for (Eigen::Index i = 0; i < d; ++i)
        v(i) = std::exp(u(rng));
    const Eigen::MatrixXd s = q * v.asDiagonal() * q.transpose();
    return 0.5 * (s + s.transpose());
}

inline gaussbound::Model benchModel(Eigen::Index d)
{
    std::mt19937_64 rng(static_cast<unsigned>(d));
    std::normal_distribution<double> z;
    gaussbound::Model m;
    m.mu1 = Eigen::VectorXd::Zero(d);
    m.mu2 = Eigen::VectorXd::NullaryExpr(d, [&] { return z(rng); });
    m.sigma1 = benchCovariance(rng, d);
    m.sigma2 = benchCovariance(rng, d);
    m.prior1 = 0.4;
    m.prior2 = 0.6;
    return m;
}

#endif
