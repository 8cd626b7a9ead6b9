// The canonical form, in double precision where that is accurate and in
// 50-digit arithmetic where the condition demands it.
//
// Accuracy. Coordinate i is first divided by 2^e_i, e_i = ilogb of its
// larger standard deviation, which is exact and leaves every figure as it
// is. Cholesky factorisation and triangular solves are then backward stable
// with relative perturbations of the entries of the scaled covariances,
// whose effect on the s_i is bounded by eps times the condition numbers of
// their correlation matrices (Demmel and Veselic, "Jacobi's method is more
// accurate than QR", SIAM J. Matrix Anal. Appl. 13 (1992)); the singular
// value decomposition adds an absolute error of eps times the largest s_i,
// eps times the spread s_1 / s_d relative to the smallest. The condition
// numbers are estimated from the factors, as max_i C_ii / L_ii^2 (the last
// pivot's ratio is (C^-1)_dd C_dd, a lower estimate of the condition). With
//   relError = 2 d eps (kappa1 + kappa2 + s_1 / s_d),
// double precision is used when relError <= 1e-12; otherwise the same
// factorisations run in long double (eps = 2^-63, as fast, for condition
// numbers up to about 1e5), and where that is not enough in
// cpp_bin_float_50 (eps = 2^-166, some hundred times slower), where relError
// stays below 1e-13 for condition numbers up to about 1e35.
#include "gaussbound/Canonical.h"

#include "gaussbound/Error.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include <Eigen/Cholesky>
#include <Eigen/SVD>
#include <boost/multiprecision/cpp_bin_float.hpp>
#include <boost/multiprecision/eigen.hpp>

namespace gaussbound {

namespace {

using Wide = boost::multiprecision::number<boost::multiprecision::cpp_bin_float<50>,
                                           boost::multiprecision::et_off>;

constexpr double kEnough = 1e-12;

// e_i: coordinate i is measured in units of 2^e_i, near the geometric mean
// of its two standard deviations, so that the two variances straddle 1 and
// stay in range even where they are 1e300 and 1e-300. A change of units by
// 2^k changes each ilogb by 2k and so e_i by exactly k.
Eigen::VectorXi unitExponents(const Model& m)
{
    Eigen::VectorXi e(m.dimension());
    for (Eigen::Index i = 0; i < e.size(); ++i) {
        const int sum = std::ilogb(m.sigma1(i, i)) + std::ilogb(m.sigma2(i, i));
        e(i) = sum >= 0 ? sum / 4 : -((3 - sum) / 4);  // floor(sum / 4)
    }
    return e;
}

// The model in those units: covariances, and half the mean difference
// (halved before subtracting, so that means of opposite sign near the double
// range give a finite difference).
template <class Real>
struct Scaled {
    Eigen::Matrix<Real, Eigen::Dynamic, Eigen::Dynamic> sigma1, sigma2;
    Eigen::Matrix<Real, Eigen::Dynamic, 1> dHalf;

    Scaled(const Model& m, const Eigen::VectorXi& e)
    {
        using std::ldexp;
        using boost::multiprecision::ldexp;
        const Eigen::Index d = m.dimension();
        sigma1.resize(d, d);
        sigma2.resize(d, d);
        dHalf.resize(d);
        for (Eigen::Index i = 0; i < d; ++i) {
            for (Eigen::Index j = 0; j < d; ++j) {
                sigma1(i, j) = ldexp(Real(m.sigma1(i, j)), -e(i) - e(j));
                sigma2(i, j) = ldexp(Real(m.sigma2(i, j)), -e(i) - e(j));
            }
            dHalf(i) = ldexp(ldexp(Real(m.mu2(i)), -1) - ldexp(Real(m.mu1(i)), -1), -e(i));
        }
    }
};

// Eigen's divide-and-conquer decomposition for doubles (it hands small
// matrices to Jacobi's method itself); Jacobi's method for the wide type,
// whose arithmetic the divide-and-conquer code does not take.
template <class Real>
struct Decomposition {
    using Svd = Eigen::JacobiSVD<Eigen::Matrix<Real, Eigen::Dynamic, Eigen::Dynamic>>;
};
template <>
struct Decomposition<double> {
    using Svd = Eigen::BDCSVD<Eigen::MatrixXd>;
};
template <>
struct Decomposition<long double> {
    using Svd = Eigen::BDCSVD<Eigen::Matrix<long double, Eigen::Dynamic, Eigen::Dynamic>>;
};

// max_i C_ii / L_ii^2 for C = L L^T: an estimate of the condition number of
// C's correlation matrix.
template <class Matrix>
double conditionEstimate(const Matrix& c, const Matrix& l)
{
    double kappa = 1.0;
    for (Eigen::Index i = 0; i < c.rows(); ++i) {
        const auto pivot = l(i, i) * l(i, i);
        if (!(pivot > 0))
            return INFINITY;  // a pivot below this precision's range
        kappa = std::max(kappa, static_cast<double>(c(i, i) / pivot));
    }
    return kappa;
}

// The factorisations in Real; fills s, fHalf, logDetHalf and relError.
template <class Real>
void factorise(const Scaled<Real>& m, double eps, CanonicalForm& form)
{
    using Matrix = Eigen::Matrix<Real, Eigen::Dynamic, Eigen::Dynamic>;
    using std::log;
    using boost::multiprecision::log;
    const Eigen::LLT<Matrix> llt1(m.sigma1), llt2(m.sigma2);
    if (llt1.info() != Eigen::Success || llt2.info() != Eigen::Success) {
        // Valid covariances whose scaled factors this precision cannot
        // carry: only a wider one can.
        form.representable = false;
        form.relError = INFINITY;
        return;
    }
    const Matrix l1 = llt1.matrixL(), l2 = llt2.matrixL();
    // L2^-1 L1 by a triangular solve: no inverse is formed.
    const Matrix a = llt2.matrixL().solve(l1);
    const typename Decomposition<Real>::Svd svd(a, Eigen::ComputeFullU);
    const auto& sv = svd.singularValues();
    const Eigen::Index d = sv.size();

    form.s = sv.template cast<double>();
    form.fHalf = (svd.matrixU().transpose() * llt2.matrixL().solve(m.dHalf)).template cast<double>();
    Real logDet = 0;
    for (Eigen::Index i = 0; i < d; ++i)
        logDet += sv(i) > 0 ? Real(log(sv(i))) : Real(0);
    form.logDetHalf = static_cast<double>(logDet);
    // The decomposition scales by the largest entry: singular values more
    // than the double range below it come out as 0.
    form.representable = form.s.allFinite() && form.s.minCoeff() > 0.0;
    const double spread = form.representable ? static_cast<double>(sv(0) / sv(d - 1)) : INFINITY;
    form.relError = 2.0 * static_cast<double>(d) * eps *
                    (conditionEstimate(m.sigma1, l1) + conditionEstimate(m.sigma2, l2) + spread);
}

}  // namespace

CanonicalForm::CanonicalForm(const Model& model)
{
    requireArgument(hasShape(model), "CanonicalForm: the model's sizes differ or a number is not finite");
    const Eigen::VectorXi e = unitExponents(model);
    wide = false;
    factorise(Scaled<double>(model, e), DBL_EPSILON, *this);
    if (!(relError <= kEnough)) {
        wide = true;
        factorise(Scaled<long double>(model, e), LDBL_EPSILON, *this);
    }
    if (!(relError <= kEnough))
        factorise(Scaled<Wide>(model, e), std::ldexp(1.0, -165), *this);
    beyondRange = !fHalf.allFinite();
    if (beyondRange)
        fHalf.setZero();
}

}  // namespace gaussbound
