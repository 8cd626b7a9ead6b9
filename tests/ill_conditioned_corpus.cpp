// A fixed corpus of ill-conditioned two-class models (see high_precision.h),
// drawn from a seeded std::mt19937_64 and from explicit constructions. Each
// family is built so that the double matrices stay exactly symmetric and
// positive definite however wide their scales:
//  - rotated:  R diag(10^a_i) R^T, R a random rotation, condition up to 1e12
//              (beyond that, rounding the product to double would drown the
//              small eigenvalues);
//  - scaled:   D M D, M a random correlation-like matrix and
//              D = diag(10^a_i), condition up to 1e30 (Cholesky, and the
//              Bayes error, are blind to the scaling; its numerics are not);
//  - diagonal: exact variances 10^a_i, |a_i| <= 15;
//  - nearly singular: L L^T with L lower triangular whose last row is
//              (1e-5 r, 1e-10), so one eigenvalue is about 1e-20 of the rest
//              and survives rounding (its entry is 1e-10 of its diagonal);
//  - nearly equal: Sigma2 = R diag(v_i (1 + eps_i)) R^T beside
//              Sigma1 = R diag(v_i) R^T, eps_i of size 1e-8 .. 1e-12;
//  - far means: both means offset by 1e6 .. 1e15 times the classes' spread;
// and the three hard models, a to c, written out.
#include <cmath>
#include <iostream>
#include <random>
#include <stdexcept>

#include <Eigen/Cholesky>
#include <Eigen/QR>

#include "high_precision.h"
#include "random_models.h"

namespace {

using gaussbound::Model;
using Eigen::MatrixXd;
using Eigen::VectorXd;

MatrixXd rotation(std::mt19937_64& rng, Eigen::Index d)
{
    std::normal_distribution<double> z;
    MatrixXd a(d, d);
    for (Eigen::Index i = 0; i < a.size(); ++i)
        a(i) = z(rng);
    return Eigen::HouseholderQR<MatrixXd>(a).householderQ();
}

MatrixXd symmetric(const MatrixXd& s) { return 0.5 * (s + s.transpose()); }

// Exponents in [-half, half] for the variances, the two extremes included.
VectorXd exponents(std::mt19937_64& rng, Eigen::Index d, double half)
{
    std::uniform_real_distribution<double> u(-half, half);
    VectorXd a(d);
    for (Eigen::Index i = 0; i < d; ++i)
        a(i) = u(rng);
    if (d >= 2) {
        a(0) = -half;
        a(d - 1) = half;
    }
    return a;
}

VectorXd powersOfTen(const VectorXd& a)
{
    VectorXd v(a.size());
    for (Eigen::Index i = 0; i < a.size(); ++i)
        v(i) = std::pow(10.0, a(i));
    return v;
}

MatrixXd rotated(std::mt19937_64& rng, Eigen::Index d, double logCondition)
{
    const MatrixXd r = rotation(rng, d);
    return symmetric(r * powersOfTen(exponents(rng, d, logCondition / 2)).asDiagonal() *
                     r.transpose());
}

// D M D with M = (I + G G^T / d) normalised to unit diagonal, D = 10^a_i.
MatrixXd scaled(std::mt19937_64& rng, Eigen::Index d, double logCondition)
{
    std::normal_distribution<double> z;
    MatrixXd g(d, d);
    for (Eigen::Index i = 0; i < g.size(); ++i)
        g(i) = z(rng);
    MatrixXd m = MatrixXd::Identity(d, d) + g * g.transpose() / double(d);
    const VectorXd inv = m.diagonal().cwiseSqrt().cwiseInverse();
    m = inv.asDiagonal() * m * inv.asDiagonal();
    const VectorXd dd = powersOfTen(exponents(rng, d, logCondition / 4));
    return symmetric(dd.asDiagonal() * m * dd.asDiagonal());
}

MatrixXd nearlySingular(std::mt19937_64& rng, Eigen::Index d)
{
    std::normal_distribution<double> z;
    MatrixXd l = MatrixXd::Zero(d, d);
    for (Eigen::Index i = 0; i + 1 < d; ++i) {
        for (Eigen::Index j = 0; j < i; ++j)
            l(i, j) = 0.3 * z(rng);
        l(i, i) = 1.0 + 0.2 * std::abs(z(rng));
    }
    for (Eigen::Index j = 0; j + 1 < d; ++j)
        l(d - 1, j) = 1e-5 * z(rng);
    l(d - 1, d - 1) = 1e-10;
    return symmetric(l * l.transpose());
}

VectorXd gaussianVector(std::mt19937_64& rng, Eigen::Index d, double scale)
{
    std::normal_distribution<double> z(0.0, scale);
    VectorXd v(d);
    for (Eigen::Index i = 0; i < d; ++i)
        v(i) = z(rng);
    return v;
}

// A difference of means of about `separation` spreads of class 2, along
// random directions: L2 z with z of length `separation`.
VectorXd meanDifference(std::mt19937_64& rng, const MatrixXd& sigma2, double separation)
{
    const Eigen::Index d = sigma2.rows();
    const MatrixXd l = Eigen::LLT<MatrixXd>(sigma2).matrixL();
    VectorXd z = gaussianVector(rng, d, 1.0);
    z *= separation / z.norm();
    return l * z;
}

void requireValid(const Model& m)
{
    for (const MatrixXd* s : {&m.sigma1, &m.sigma2}) {
        if (!s->allFinite() || Eigen::LLT<MatrixXd>(*s).info() != Eigen::Success)
            throw std::logic_error("a corpus covariance is not positive definite");
        const double largest = s->cwiseAbs().maxCoeff();
        if ((*s - s->transpose()).cwiseAbs().maxCoeff() > 1e-9 * largest)
            throw std::logic_error("a corpus covariance is not symmetric");
    }
    if (!m.mu1.allFinite() || !m.mu2.allFinite())
        throw std::logic_error("a corpus mean is not finite");
}

}  // namespace

std::vector<Model> illConditionedCorpus()
{
    std::vector<Model> corpus;
    // The hard models, a to c.
    corpus.push_back(makeModel(
        (VectorXd(2) << -28609.002049114453, 4.343820107309549e-08).finished(),
        (VectorXd(2) << 1846886.3578758151, 1.0114089339476189e-05).finished(),
        (MatrixXd(2, 2) << 2030208283077774, -2238662762.8400936, -2238662762.8400936,
         3575.949444598483)
            .finished(),
        (MatrixXd(2, 2) << 1.0201778069133361e-23, 5.189532801872327e-12, 5.189532801872326e-12,
         3.030877102652105)
            .finished()));
    corpus.push_back(makeModel(VectorXd::Zero(2), (VectorXd(2) << 1e17, 1).finished(),
                          (MatrixXd(2, 2) << 1e36, 0, 0, 1).finished(),
                          (MatrixXd(2, 2) << 1, 0.9, 0.9, 1).finished()));
    corpus.push_back(makeModel(VectorXd::Zero(2), (VectorXd(2) << 1e10, 0).finished(),
                          1e20 * MatrixXd::Identity(2, 2), 2e20 * MatrixXd::Identity(2, 2)));
    // The same example unscaled.
    corpus.push_back(makeModel(VectorXd::Zero(2), (VectorXd(2) << 1, 0).finished(),
                          MatrixXd::Identity(2, 2), 2 * MatrixXd::Identity(2, 2)));

    std::mt19937_64 rng(20240611);
    std::uniform_real_distribution<double> prior(0.1, 0.9);
    // d = 1: wildly different variances, far means.
    corpus.push_back(makeModel(VectorXd::Constant(1, 3e12), VectorXd::Constant(1, 3e12 + 1.5),
                          MatrixXd::Constant(1, 1, 1e-30), MatrixXd::Constant(1, 1, 1.0)));
    corpus.push_back(makeModel(VectorXd::Constant(1, -1e20), VectorXd::Constant(1, -1e20 + 2e14),
                          MatrixXd::Constant(1, 1, 1e30), MatrixXd::Constant(1, 1, 4e28), 0.3));
    corpus.push_back(makeModel(VectorXd::Constant(1, 1e-15), VectorXd::Constant(1, 2e-15),
                          MatrixXd::Constant(1, 1, 1e-30), MatrixXd::Constant(1, 1, 1e-30 * (1 + 1e-10))));
    // Rotated covariances, condition up to 1e12.
    for (Eigen::Index d = 2; d <= 6; ++d) {
        const MatrixXd s1 = rotated(rng, d, 12), s2 = rotated(rng, d, 8);
        const VectorXd mu1 = gaussianVector(rng, d, 1.0);
        corpus.push_back(makeModel(mu1, mu1 + meanDifference(rng, s2, 2.0), s1, s2, prior(rng)));
    }
    // Scaled (graded) covariances, condition up to 1e30.
    for (Eigen::Index d = 2; d <= 6; ++d) {
        const MatrixXd s1 = scaled(rng, d, 30), s2 = scaled(rng, d, 20);
        const VectorXd mu1 = gaussianVector(rng, d, 1.0);
        corpus.push_back(makeModel(mu1, mu1 + meanDifference(rng, s2, 1.5), s1, s2, prior(rng)));
    }
    // The same scaling on both classes: the pencil is well conditioned, the
    // matrices are not.
    for (Eigen::Index d = 2; d <= 5; ++d) {
        const VectorXd dd = powersOfTen(exponents(rng, d, 15));
        const MatrixXd s1 = symmetric(dd.asDiagonal() * rotated(rng, d, 1) * dd.asDiagonal());
        const MatrixXd s2 = symmetric(dd.asDiagonal() * rotated(rng, d, 1) * dd.asDiagonal());
        const VectorXd mu1 = dd.asDiagonal() * gaussianVector(rng, d, 1.0);
        corpus.push_back(makeModel(mu1, mu1 + meanDifference(rng, s2, 1.0), s1, s2, prior(rng)));
    }
    // Diagonal, variances 10^-15 .. 10^15.
    for (Eigen::Index d = 2; d <= 6; d += 2) {
        const MatrixXd s1 = powersOfTen(exponents(rng, d, 15)).asDiagonal();
        const MatrixXd s2 = powersOfTen(exponents(rng, d, 15)).asDiagonal();
        const VectorXd mu1 = gaussianVector(rng, d, 1e3);
        corpus.push_back(makeModel(mu1, mu1 + meanDifference(rng, s2, 3.0), s1, s2, prior(rng)));
    }
    // Means far from the origin relative to their difference.
    for (Eigen::Index d = 1; d <= 5; ++d) {
        const double offset = std::pow(10.0, 6.0 + 9.0 * double(d - 1) / 4.0);  // 1e6 .. 1e15
        const MatrixXd s1 = rotated(rng, d, 4), s2 = rotated(rng, d, 4);
        const double spread = std::sqrt(s1.diagonal().maxCoeff());
        const VectorXd mu1 = VectorXd::Constant(d, offset * spread) + gaussianVector(rng, d, spread);
        corpus.push_back(makeModel(mu1, mu1 + meanDifference(rng, s2, 1.0), s1, s2, prior(rng)));
    }
    // Nearly equal covariances.
    for (Eigen::Index d = 1; d <= 6; ++d) {
        const MatrixXd r = rotation(rng, d);
        const VectorXd v = powersOfTen(exponents(rng, d, 3));
        VectorXd w(d);
        std::uniform_real_distribution<double> e(-12.0, -8.0);
        for (Eigen::Index i = 0; i < d; ++i)
            w(i) = v(i) * (1.0 + std::pow(10.0, e(rng)));
        const MatrixXd s1 = symmetric(r * v.asDiagonal() * r.transpose());
        const MatrixXd s2 = symmetric(r * w.asDiagonal() * r.transpose());
        const VectorXd mu1 = gaussianVector(rng, d, 1.0);
        // Odd d: means 1e-3 apart and equal priors, so that E is near 1/2
        // and decided by the tiny differences.
        const double separation = d % 2 == 0 ? 1.0 : 1e-3;
        const double p1 = prior(rng);
        corpus.push_back(makeModel(mu1, mu1 + meanDifference(rng, s2, separation), s1, s2,
                              d % 2 == 0 ? p1 : 0.5));
    }
    // Nearly singular covariances, one class or both.
    for (Eigen::Index d = 2; d <= 6; ++d) {
        const MatrixXd s1 = nearlySingular(rng, d);
        const MatrixXd s2 = d % 2 == 0 ? nearlySingular(rng, d) : rotated(rng, d, 2);
        const VectorXd mu1 = gaussianVector(rng, d, 1.0);
        if (d % 2 == 0)
            corpus.push_back(makeModel(mu1, mu1 + meanDifference(rng, s2, 1.0), s1, s2, prior(rng)));
        else  // the nearly singular one as class 2
            corpus.push_back(makeModel(mu1, mu1 + meanDifference(rng, s1, 1.0), s2, s1, prior(rng)));
    }
    // Equal covariances, ill conditioned, and proportional ones.
    for (Eigen::Index d = 2; d <= 4; ++d) {
        const MatrixXd s = scaled(rng, d, 24);
        const VectorXd mu1 = gaussianVector(rng, d, 1.0);
        corpus.push_back(makeModel(mu1, mu1 + meanDifference(rng, s, 2.0), s, s, prior(rng)));
        corpus.push_back(makeModel(mu1, mu1, s, 3.0 * s, prior(rng)));
    }
    for (const Model& m : corpus)
        requireValid(m);
    return corpus;
}

#ifndef GAUSSBOUND_REFERENCE_STRIDE
#error "GAUSSBOUND_REFERENCE_STRIDE is set by tests/CMakeLists.txt"
#endif
static_assert(GAUSSBOUND_REFERENCE_STRIDE >= 1, "GAUSSBOUND_REFERENCE_STRIDE must be at least 1");

std::size_t referenceStride()
{
    return GAUSSBOUND_REFERENCE_STRIDE;
}

std::vector<std::size_t> referenceCases(std::size_t count, std::size_t step)
{
    if (step < 1)
        throw std::invalid_argument("referenceCases: step must be at least 1");
    std::vector<std::size_t> all, taken;
    for (std::size_t i = 0; i < count; i += step)
        all.push_back(i);
    for (std::size_t j = 0; j < all.size(); j += referenceStride())
        taken.push_back(all[j]);
    if (taken.size() < all.size())
        std::cout << "[ thinned ] " << taken.size() << " of " << all.size()
                  << " models of the corpus (one in " << referenceStride()
                  << ": GAUSSBOUND_REFERENCE_STRIDE of the sanitizer build)" << std::endl;
    return taken;
}
