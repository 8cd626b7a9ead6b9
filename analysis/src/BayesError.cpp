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
#include <utility>
#include <cfloat>
#include <cmath>
#include <limits>

#include "gaussbound/BayesError.h"
#include "gaussbound/Error.h"
#include "gaussbound/QuadraticForm.h"

#include "RuleForm.h"

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

// P(sum a_i (w_i + b_i)^2 < |k| 4^-m) for a_i > 0, where |k| 4^-m is too
// small to be a double but the probability is not: the ellipsoid is so small
// that the density is constant across it, and the probability is its volume
// times the density at its centre,
//   |k|^(n/2) prod a_i^-1/2 / (2^(n/2) Gamma(n/2 + 1)) . e^(-|b|^2 / 2),
// with a relative error of order |k| / min a_i, itself below 1e-290. Taken
// in logarithms, with ln |k| 4^-m = ln |k| - 2 m ln 2.
TailProbability tinyEllipsoid(const QuadraticForm& q, double k, int m)
{
    if (k >= 0.0)
        return {0.0, 0.0, 0.0, -INFINITY, 0.0};
    const double n = static_cast<double>(q.a.size());
    const double logK = std::log(-k) - 2.0 * m * std::log(2.0);
    const double logP = 0.5 * n * logK - 0.5 * q.a.array().log().sum() - 0.5 * n * std::log(2.0) -
                        std::lgamma(0.5 * n + 1.0) - 0.5 * q.b.squaredNorm();
    const double value = std::exp(logP);
    return {value, 1e-12 * value, 0.0, logP, 1e-12};
}

// P(Q < 0) for Q = 1/2 sum gap_i w_i^2 - sum sigma_i phi_i w_i + 1/2 |phi|^2 + kappa,
// gap_i = sigma_i^2 - 1 and phi = 2 phiHalf. The gaps come from the caller,
// worked out from s where they are accurate: for sigma = 1 / s near 1,
// 1/sigma^2 - 1 from the rounded sigma would lose the very digits that
// kappa = sum ln s keeps. Q is divided by 4^m (its sign, and so the tail, is
// kept) with m chosen so that no coefficient overflows on the way. A term
// whose gap is large is written centred,
//   a_i (w_i + b_i)^2 - phi_i^2 / (2 gap_i),  b_i = -sigma_i phi_i / gap_i,
// so that its constant is not the difference of two large numbers.
//
// The error bound accounts for the canonical form's own error: sigma_i
// within a relative rho, phiHalf_i within phiHalfError_i, kappa within
// kappaError. They give absolute bounds on the errors of a_i = gap_i / 2
// (sigma^2 rho), of b_i and c_i, and of k, which belowZero carries into its
// bound; and k, a sum of terms that may cancel, adds its own rounding, 4 eps
// times the sum of their sizes.
TailProbability misclassified(const Eigen::VectorXd& sigma, const Eigen::VectorXd& gap,
                              const Eigen::VectorXd& phiHalf, double kappa, double rho,
                              const Eigen::VectorXd& phiHalfError, double kappaError)
{
    if (!sigma.allFinite() || !phiHalf.allFinite())  // a spread or offset beyond the double range:
        return {0.0, 0.0, 0.0, -INFINITY, 0.0};     // Q > 0 almost surely
    int m = std::max(std::ilogb(sigma.maxCoeff()) + 1, 0);
    if (phiHalf.cwiseAbs().maxCoeff() > 0.0)
        m = std::max(m, std::ilogb(phiHalf.cwiseAbs().maxCoeff()) + 2);
    if (kappa != 0.0)
        m = std::max(m, (std::ilogb(std::fabs(kappa)) + 2) / 2);

    const double unit = std::ldexp(1.0, -m);
    const Eigen::Index n = sigma.size();
    const Eigen::VectorXd zero = Eigen::VectorXd::Zero(n);
    QuadraticForm q{zero, zero, zero, std::ldexp(kappa, -2 * m), zero, zero, zero, std::ldexp(kappaError, -2 * m)};
    double constantSize = std::fabs(q.k);
    constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
    for (Eigen::Index i = 0; i < n; ++i) {
        const double sig = sigma(i) * unit, phi = phiHalf(i) * (2.0 * unit);
        const double dPhi = phiHalfError(i) * (2.0 * unit);
        // 1/2 gap 4^-m, as the product of two scaled factors where gap itself overflows.
        q.a(i) = std::isfinite(gap(i)) ? 0.5 * std::ldexp(gap(i), -2 * m) : 0.5 * (sig - unit) * (sig + unit);
        // A coefficient more than the double range below the largest only
        // matters where |w_i| is beyond 1e150, which a normal variate never
        // reaches: it is dropped rather than carried as a subnormal.
        if (std::fabs(q.a(i)) < DBL_MIN)
            q.a(i) = 0.0;
        q.aError(i) = rho * sig * sig;
        const double centre = std::fabs(gap(i)) >= 0.5 ? -offsetRatio(sigma(i)) * (2.0 * phiHalf(i)) : 0.0;
        double term;
        if (std::fabs(gap(i)) >= 0.5 && q.a(i) != 0.0 && std::isfinite(centre)) {
            // b = -phi sigma / gap: sigma / gap's relative error is at most
            // rho (1 + 2 sigma^2 / |gap|) <= 7 rho.
            q.b(i) = centre;
            q.bError(i) = 7.0 * rho * std::fabs(centre) + std::fabs(offsetRatio(sigma(i))) * dPhi;
            term = -0.5 * phi * phi / gap(i);
            q.kError += std::fabs(phi / gap(i)) * dPhi + 6.0 * rho * std::fabs(term);
        } else {
            q.c(i) = std::fabs(sig * phi) < DBL_MIN ? 0.0 : -(sig * phi);
            q.cError(i) = rho * std::fabs(q.c(i)) + sig * dPhi;
            term = 0.5 * phi * phi;
            q.kError += std::fabs(phi) * dPhi;
        }
        q.k += term;
        constantSize += std::fabs(term);
    }
    q.kError += 4.0 * DBL_EPSILON * constantSize;
    // An error of infinite size times a coefficient of 0 says nothing is known.
    for (Eigen::VectorXd* e : {&q.aError, &q.bError, &q.cError})
        *e = e->unaryExpr([](double v) { return std::isnan(v) ? INFINITY : v; });
    if (std::isnan(q.kError))
        q.kError = INFINITY;
    if (kappa != 0.0 && std::fabs(q.k) < 0x1p-960) {
        // Q's constant underflowed: near Q's minimum it decides the sign.
        // With every term a centred square opening upwards the small ball
        // around the centre is in reach, from the constant unscaled:
        //   k = kappa - 1/2 sum phi_i^2 / gap_i = kappa - 1/2 sum b_i^2 gap_i / sigma_i^2.
        if ((q.a.array() > 0.0).all() && q.c.isZero()) {
            double k = kappa;
            for (Eigen::Index i = 0; i < n; ++i) {
                const double r = 1.0 / sigma(i);
                k -= 0.5 * q.b(i) * q.b(i) * (sigma(i) > 1.0 ? (1.0 - r) * (1.0 + r) : gap(i) * r * r);
            }
            return tinyEllipsoid(q, k, m);
        }
        return {kNan, kNan, kNan, kNan, kNan};
    }
    // Coefficients that overflowed on the way (a moved form at the edge of
    // the range): nothing can be said.
    if (!q.a.allFinite() || !q.b.allFinite() || !q.c.allFinite() || !std::isfinite(q.k))
        return {kNan, kNan, kNan, kNan, kNan};
    return belowZero(q);
}

// e1 and e2 from a representable canonical form, within its relError.
std::pair<TailProbability, TailProbability> classTails(const Model& model, const CanonicalForm& form)
{
    const double logRatio = std::log(model.prior1) - std::log(model.prior2);
    const double logDetRatio = form.logDetHalf;  // ln sqrt(|Sigma1| / |Sigma2|)
    // kappa's error: its rounding, and each ln s_i off by up to relError.
    const double rho = form.relError;
    const double kappaError = 4.0 * DBL_EPSILON * (std::fabs(logRatio) + std::fabs(logDetRatio)) +
                              rho * (static_cast<double>(form.s.size()) + std::fabs(logDetRatio));
    const Eigen::ArrayXd s = form.s.array(), r = s.inverse();
    const Eigen::VectorXd gap1 = (s - 1.0) * (s + 1.0);  // s^2 - 1
    // 1/s^2 - 1: from s itself near 1, where 1/s rounded would lose digits;
    // from 1/s where s^2 would underflow.
    const Eigen::VectorXd gap2 = (s > 1e-150).select(((1.0 - s) * (1.0 + s)) / (s * s), (r - 1.0) * (r + 1.0));
    // f's error: rho |f| in norm, so rho |f| in each coordinate; f_i / s_i's
    // adds s_i's own.
    const Eigen::VectorXd fError = Eigen::VectorXd::Constant(s.size(), (rho * form.fHalf).stableNorm());
    const Eigen::VectorXd ratio = -form.fHalf.cwiseQuotient(form.s);
    const Eigen::VectorXd ratioError = (fError.array() * r + rho * ratio.array().abs()).matrix();
    return {misclassified(form.s, gap1, form.fHalf, logRatio - logDetRatio, rho, fError, kappaError),
            misclassified(form.s.cwiseInverse(), gap2, ratio, logDetRatio - logRatio, rho, ratioError, kappaError)};
}

// The canonical form moved within its relError: each s_i by a relative rho
// with sign signs_i, f by a relative fSign rho; exact in itself (relError 0).
CanonicalForm moved(const CanonicalForm& form, const Eigen::ArrayXd& signs, double fSign)
{
    CanonicalForm m = form;
    const Eigen::ArrayXd factor = 1.0 + form.relError * signs;
    m.s = (form.s.array() * factor).matrix();
    m.fHalf = form.fHalf * (1.0 + fSign * form.relError);
    m.logDetHalf = form.logDetHalf + factor.log().sum();
    m.relError = 0.0;
    return m;
}

}  // namespace

BayesError bayesError(const Model& model, const CanonicalForm& form)
{
    requireArgument(hasShape(model) && !validatePriors(model.prior1, model.prior2),
                    "bayesError: the model's sizes differ, a number is not finite or the priors are not valid");
    requireArgument(form.s.size() == model.dimension() && form.fHalf.size() == model.dimension(),
                    "bayesError: the form is not of the model's dimension");
    if (!form.representable) {
        constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
        return {kNan, kNan, kNan, kNan, kNan};
    }
    if (form.beyondRange)
        return {0.0, 0.0, 0.0, 0.0, 0.0, -INFINITY, -INFINITY, -INFINITY};
    const double p1 = model.prior1, p2 = model.prior2;
    const auto [e1, e2] = classTails(model, form);
    const double value = p1 * e1.value + p2 * e2.value;
    const double own = p1 * (e1.absError - e1.fromInputs) + p2 * (e2.absError - e2.fromInputs);
    double inputs = p1 * e1.fromInputs + p2 * e2.fromInputs, partInputs = inputs;
    if (inputs > 1e-12 * value && !(form.relError < 1e-3)) {
        inputs = partInputs = INFINITY;  // a form known to less than three digits: nothing to move
    } else if (inputs > 1e-12 * value) {
        // The first-order estimate takes each coefficient's error apart from
        // the others; where it matters, move the canonical form itself by
        // relError, all s_i one way and then alternately, and compute again:
        // that keeps the errors of coefficients that come from the same s_i
        // together (a gap near 0 and kappa's ln s_i, say). Four times the
        // larger change of E is taken for E, and of E, P1 e1 and P2 e2 for
        // the parts, which can move apart where E does not (two classes
        // equal to within the precision: which one is wider is open).
        const Eigen::Index d = form.s.size();
        const Eigen::ArrayXd up = Eigen::ArrayXd::Ones(d);
        const Eigen::ArrayXd alternate = Eigen::ArrayXd::LinSpaced(d, 0, static_cast<double>(d - 1))
                                             .unaryExpr([](double i) { return std::fmod(i, 2.0) == 0.0 ? 1.0 : -1.0; });
        double change = 0.0, partChange = 0.0;
        // A moved form out of reach (NaN) leaves the change unknown.
        const auto widen = [](double& to, double c) { to = std::isnan(c) ? INFINITY : std::fmax(to, c); };
        for (const auto& [signs, fSign] : {std::pair{up, 1.0}, std::pair{alternate, -1.0}}) {
            const auto [m1, m2] = classTails(model, moved(form, signs, fSign));
            widen(change, std::fabs(p1 * m1.value + p2 * m2.value - value));
            widen(partChange, p1 * std::fabs(m1.value - e1.value));
            widen(partChange, p2 * std::fabs(m2.value - e2.value));
        }
        inputs = std::fmin(inputs, 4.0 * change);
        partInputs = std::fmin(partInputs, 4.0 * std::fmax(change, partChange));
    }
    // ln(P1 e1 + P2 e2), never above ln min(P1, P2) as value is not.
    const double logValue = logSum(std::log(p1) + e1.logValue, std::log(p2) + e2.logValue);
    return {std::min(value, std::min(p1, p2)),
            e1.value,
            e2.value,
            own + inputs,
            own + std::fmax(inputs, partInputs),
            std::fmin(logValue, std::log(std::min(p1, p2))) / M_LN10,
            e1.logValue / M_LN10,
            e2.logValue / M_LN10};
}

}  // namespace gaussbound
