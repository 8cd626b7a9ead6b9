// The Bayes error through the distribution of the log-likelihood ratio.
//
// In canonical coordinates (Canonical.h) class 1 is N(0, S^2) and class 2 is
// N(f, I). For a point of class 1, x = S w with w ~ N(0, I), the rule's
// statistic ln(P1 p1(x)) - ln(P2 p2(x)) is
//
//   Q1 = 1/2 sum (s_i^2 - 1) w_i^2 - sum s_i f_i w_i + 1/2 |f|^2 + ln(P1 / P2) - sum ln s_i,
//
// and e1 = P(Q1 < 0). Class 2 is the same with the roles swapped: sigma_i =
// 1 / s_i in place of s_i, -f_i / s_i in place of f_i, P2 / P1 for P1 / P2.
#include <algorithm>
#include <cmath>

#include "gaussbound/BayesError.h"
#include "gaussbound/QuadraticForm.h"

namespace gaussbound {

namespace {

// sigma / (sigma^2 - 1) without overflow, for sigma^2 - 1 away from 0.
double offsetRatio(double sigma)
{
    if (sigma > 1.0) {
        const double r = 1.0 / sigma;
        return r / ((1.0 - r) * (1.0 + r));
    }
    return sigma / ((sigma - 1.0) * (sigma + 1.0));
}

// P(Q < 0) for Q = 1/2 sum (sigma_i^2 - 1) w_i^2 - sum sigma_i phi_i w_i + 1/2 |phi|^2 + kappa,
// phi = 2 phiHalf. Q is divided by 4^m (its sign, and so the tail, is kept)
// with m chosen so that no coefficient overflows on the way. A term whose
// sigma_i is far from 1 is written centred,
//   a_i (w_i + b_i)^2 - phi_i^2 / (2 (sigma_i^2 - 1)),  b_i = -sigma_i phi_i / (sigma_i^2 - 1),
// so that its constant is not the difference of two large numbers.
TailProbability misclassified(const Eigen::VectorXd& sigma, const Eigen::VectorXd& phiHalf, double kappa)
{
    if (!sigma.allFinite() || !phiHalf.allFinite())
        return {0.0, 0.0};  // a spread or offset beyond the double range: Q > 0 almost surely
    int m = std::max(std::ilogb(sigma.maxCoeff()) + 1, 0);
    if (phiHalf.cwiseAbs().maxCoeff() > 0.0)
        m = std::max(m, std::ilogb(phiHalf.cwiseAbs().maxCoeff()) + 2);
    if (kappa != 0.0)
        m = std::max(m, (std::ilogb(std::fabs(kappa)) + 2) / 2);

    const double unit = std::ldexp(1.0, -m);
    const Eigen::Index n = sigma.size();
    QuadraticForm q{Eigen::VectorXd::Zero(n), Eigen::VectorXd::Zero(n), Eigen::VectorXd::Zero(n),
                    std::ldexp(kappa, -2 * m)};
    for (Eigen::Index i = 0; i < n; ++i) {
        const double sig = sigma(i) * unit, phi = phiHalf(i) * (2.0 * unit);
        q.a(i) = 0.5 * (sig - unit) * (sig + unit);
        const double gap = (sigma(i) - 1.0) * (sigma(i) + 1.0);  // sigma^2 - 1
        const double centre =
            std::fabs(gap) >= 0.5 ? -offsetRatio(sigma(i)) * (2.0 * phiHalf(i)) : 0.0;
        if (std::fabs(gap) >= 0.5 && q.a(i) != 0.0 && std::isfinite(centre)) {
            q.b(i) = centre;
            q.k -= 0.5 * phi * phi / gap;
        } else {
            q.c(i) = -(sig * phi);
            q.k += 0.5 * phi * phi;
        }
    }
    return belowZero(q);
}

}  // namespace

BayesError bayesError(const Model& model, const CanonicalForm& form)
{
    if (form.beyondRange)
        return {0.0, 0.0, 0.0, 0.0};
    const double logRatio = std::log(model.prior1) - std::log(model.prior2);
    const double logDetRatio = form.s.array().log().sum();  // ln sqrt(|Sigma1| / |Sigma2|)
    const TailProbability e1 = misclassified(form.s, form.fHalf, logRatio - logDetRatio);
    const TailProbability e2 = misclassified(form.s.cwiseInverse(), -form.fHalf.cwiseQuotient(form.s),
                                             logDetRatio - logRatio);
    const double value = model.prior1 * e1.value + model.prior2 * e2.value;
    return {std::min(value, std::min(model.prior1, model.prior2)), e1.value, e2.value,
            model.prior1 * e1.absError + model.prior2 * e2.absError};
}

}  // namespace gaussbound
