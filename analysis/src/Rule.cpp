#include "gaussbound/Rule.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include <Eigen/Cholesky>
#include <Eigen/Eigenvalues>
#include <boost/math/tools/minima.hpp>

#include "gaussbound/Error.h"
#include "gaussbound/GeneralizedChiSquare.h"
#include "gaussbound/QuadraticForm.h"

#include "RuleForm.h"

namespace gaussbound {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

void requireModel(const Model& model, const char* what)
{
    requireArgument(!validate(model), what);
}

}  // namespace

double logSum(double x, double y)
{
    const double top = std::max(x, y);
    return top == -kInf ? -kInf : top + std::log1p(std::exp(std::min(x, y) - top));
}

// g under a class of mean mu and covariance factor L, or -g (negate): the
// form of a standard normal vector in the eigenvectors of L^T A L. A term
// whose square is large against its linear part is written centred, the
// others open (see QuadraticForm.h); eigenvalues at the rounding level of the
// largest are 0. Error bounds: 32 d eps of the scale of each coefficient,
// for the factorisation and the eigensolver.
QuadraticForm classForm(const Eigen::VectorXd& mu, const Eigen::MatrixXd& L, const Discriminant& rule, bool negate)
{
    const Eigen::Index d = mu.size();
    const double sign = negate ? -1.0 : 1.0;
    Eigen::MatrixXd m = L.transpose() * rule.quadratic * L;
    m = 0.5 * (m + m.transpose()).eval();
    const Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> eigen(m);
    const Eigen::VectorXd lambda = eigen.eigenvalues();
    const Eigen::VectorXd beta =
        eigen.eigenvectors().transpose() * (L.transpose() * (2.0 * (rule.quadratic * mu) + rule.linear));
    const double largest = lambda.cwiseAbs().maxCoeff();
    const double eps = 32.0 * static_cast<double>(d) * DBL_EPSILON;
    QuadraticForm q;
    q.a = q.b = q.c = Eigen::VectorXd::Zero(d);
    q.aError = Eigen::VectorXd::Constant(d, eps * largest);
    q.bError = q.cError = Eigen::VectorXd::Zero(d);
    const double aMu = mu.dot(rule.quadratic * mu), bMu = rule.linear.dot(mu);
    q.k = aMu + bMu + rule.constant;
    q.kError = 8.0 * DBL_EPSILON * (std::fabs(aMu) + std::fabs(bMu) + std::fabs(rule.constant));
    const double betaScale = eps * beta.norm();
    for (Eigen::Index j = 0; j < d; ++j) {
        const double l = std::fabs(lambda(j)) <= eps * largest ? 0.0 : lambda(j);
        q.a(j) = sign * l;
        if (l != 0.0 && std::fabs(beta(j)) <= 64.0 * std::fabs(l)) {
            // l (w + h)^2 - l h^2 with h = beta / (2 l).
            const double h = beta(j) / (2.0 * l);
            q.b(j) = h;
            q.bError(j) = (betaScale + std::fabs(beta(j)) * eps * largest / std::fabs(l)) / (2.0 * std::fabs(l));
            q.k -= l * h * h;
            q.kError += 2.0 * std::fabs(l * h) * q.bError(j) + h * h * q.aError(j) + DBL_EPSILON * std::fabs(l * h * h);
        } else {
            q.c(j) = sign * beta(j);
            q.cError(j) = betaScale;
        }
    }
    q.k *= sign;
    const bool finite = q.a.allFinite() && q.b.allFinite() && q.c.allFinite() && std::isfinite(q.k) &&
                        q.aError.allFinite() && q.bError.allFinite() && q.cError.allFinite() &&
                        std::isfinite(q.kError);
    if (!finite)
        throw std::overflow_error("the rule's form under a class overflows the double range");
    return q;
}

void checkRule(const Model& model, const Discriminant& rule, const char* function)
{
    if (validate(model))
        throw std::invalid_argument(std::string(function) + ": the model is not valid");
    if (const auto problem = ruleProblem(rule, model.dimension()))
        throw std::invalid_argument(std::string(function) + ": the rule's " + problem->part + " part: " +
                                    problem->message);
}

std::optional<RuleProblem> ruleProblem(const Discriminant& rule, Eigen::Index d)
{
    const std::string n = std::to_string(d);
    if (rule.quadratic.rows() != d || rule.quadratic.cols() != d)
        return RuleProblem{"quadratic", "expected " + n + " by " + n + " (the model's dimension), got " +
                                            std::to_string(rule.quadratic.rows()) + " by " +
                                            std::to_string(rule.quadratic.cols())};
    if (rule.linear.size() != d)
        return RuleProblem{"linear", "expected " + n + " numbers (the model's dimension), got " +
                                         std::to_string(rule.linear.size())};
    if (!rule.quadratic.allFinite())
        return RuleProblem{"quadratic", "holds a number that is not finite"};
    if (!rule.linear.allFinite())
        return RuleProblem{"linear", "holds a number that is not finite"};
    if (!std::isfinite(rule.constant))
        return RuleProblem{"constant", "not finite"};
    const double scale = d > 0 ? rule.quadratic.cwiseAbs().maxCoeff() : 0.0;
    if (d > 0 && (rule.quadratic - rule.quadratic.transpose()).cwiseAbs().maxCoeff() > 1e-9 * scale)
        return RuleProblem{"quadratic", "not symmetric"};
    return std::nullopt;
}

std::optional<std::string> costsProblem(const Costs& c)
{
    for (const double l : {c.l11, c.l12, c.l21, c.l22})
        if (!std::isfinite(l) || l < 0.0)
            return std::string("every loss must be a finite number >= 0");
    if (!(c.l11 < c.l12 && c.l22 < c.l21))
        return std::string("a wrong decision must cost more than a right one (L11 < L12 and L22 < L21)");
    return std::nullopt;
}

RuleError ruleError(const Model& model, const Discriminant& rule)
{
    checkRule(model, rule, "ruleError");
    TailProbability e1, e2;
    if (rule.quadratic.isZero(0.0) && rule.linear.isZero(0.0)) {
        // g = c everywhere: class 2 always (c > 0) or never.
        const bool two = rule.constant > 0.0;
        e1 = {two ? 1.0 : 0.0, 0.0, 0.0, two ? 0.0 : -kInf, 0.0};
        e2 = {two ? 0.0 : 1.0, 0.0, 0.0, two ? -kInf : 0.0, 0.0};
    } else {
        const Eigen::MatrixXd l1 = model.sigma1.llt().matrixL(), l2 = model.sigma2.llt().matrixL();
        e1 = belowZero(classForm(model.mu1, l1, rule, true));   // P(-g < 0 | class 1)
        e2 = belowZero(classForm(model.mu2, l2, rule, false));  // P(g < 0 | class 2)
    }
    const double p1 = model.prior1, p2 = model.prior2;
    const double logTotal = logSum(std::log(p1) + e1.logValue, std::log(p2) + e2.logValue);
    return {e1.value,
            e2.value,
            p1 * e1.value + p2 * e2.value,
            e1.absError,
            e2.absError,
            p1 * e1.absError + p2 * e2.absError,
            e1.logValue / M_LN10,
            e2.logValue / M_LN10,
            logTotal / M_LN10};
}

Discriminant logLikelihoodRatio(const Model& model)
{
    requireModel(model, "logLikelihoodRatio: the model is not valid");
    const Eigen::LLT<Eigen::MatrixXd> f1(model.sigma1), f2(model.sigma2);
    const Eigen::Index d = model.dimension();
    const Eigen::MatrixXd i1 = f1.solve(Eigen::MatrixXd::Identity(d, d)), i2 = f2.solve(Eigen::MatrixXd::Identity(d, d));
    const Eigen::VectorXd j1 = f1.solve(model.mu1), j2 = f2.solve(model.mu2);
    const double logDet1 = 2.0 * f1.matrixLLT().diagonal().array().log().sum();
    const double logDet2 = 2.0 * f2.matrixLLT().diagonal().array().log().sum();
    Discriminant rule;
    rule.quadratic = 0.25 * ((i1 - i2) + (i1 - i2).transpose());
    rule.linear = j2 - j1;
    rule.constant = 0.5 * (model.mu1.dot(j1) - model.mu2.dot(j2)) + 0.5 * (logDet1 - logDet2);
    return rule;
}

double bayesThreshold(const Model& model, const Costs& costs)
{
    requireModel(model, "bayesThreshold: the model is not valid");
    requireArgument(!costsProblem(costs), "bayesThreshold: the costs are not valid (see costsProblem)");
    return std::log(model.prior1 * (costs.l12 - costs.l11)) - std::log(model.prior2 * (costs.l21 - costs.l22));
}

Discriminant bayesRule(const Model& model, const Costs& costs)
{
    const double threshold = bayesThreshold(model, costs);
    Discriminant rule = logLikelihoodRatio(model);
    rule.constant -= threshold;
    return rule;
}

Discriminant fisherRule(const Model& model)
{
    requireModel(model, "fisherRule: the model is not valid");
    const Eigen::Index d = model.dimension();
    const Eigen::VectorXd w = (0.5 * (model.sigma1 + model.sigma2)).llt().solve(model.mu2 - model.mu1);
    return {Eigen::MatrixXd::Zero(d, d), w,
            -0.5 * w.dot(model.mu1 + model.mu2) + std::log(model.prior2) - std::log(model.prior1)};
}

namespace {

// A linear rule w^T x > theta on one direction, and ln of its total error.
struct Threshold {
    double theta;     // +infinity: class 1 everywhere; -infinity: class 2 everywhere
    double logError;  // ln(P1 e1 + P2 e2)
};

// The best threshold on direction w: a root of P1 phi1 = P2 phi2 for the
// projected classes N(m_i, s_i^2), or an end.
Threshold bestThreshold(const Model& model, const Eigen::VectorXd& w, const GeneralizedChiSquare& normal)
{
    const double m1 = w.dot(model.mu1), m2 = w.dot(model.mu2);
    const double s1 = std::sqrt(w.dot(model.sigma1 * w)), s2 = std::sqrt(w.dot(model.sigma2 * w));
    const double lp1 = std::log(model.prior1), lp2 = std::log(model.prior2);
    const auto logError = [&](double theta) {
        return logSum(lp1 + normal.logsf((theta - m1) / s1).value, lp2 + normal.logcdf((theta - m2) / s2).value);
    };
    // (theta - m2)^2 / (2 s2^2) - (theta - m1)^2 / (2 s1^2) = lp2 - ln s2 - lp1 + ln s1,
    // as qa theta^2 + qb theta + qc = 0.
    const double qa = 0.5 / (s2 * s2) - 0.5 / (s1 * s1);
    const double qb = m1 / (s1 * s1) - m2 / (s2 * s2);
    const double qc = 0.5 * m2 * m2 / (s2 * s2) - 0.5 * m1 * m1 / (s1 * s1) - (lp2 - std::log(s2) - lp1 + std::log(s1));
    std::vector<double> candidates = {kInf, -kInf};
    if (!std::isfinite(qa) || !std::isfinite(qb) || !std::isfinite(qc)) {
        // Squares of means beyond 1e154 overflow; the classes are then so
        // far apart that the point as many deviations from either mean is
        // as good as the root.
        candidates.push_back(m1 * (s2 / (s1 + s2)) + m2 * (s1 / (s1 + s2)));
    } else if (qa == 0.0) {
        if (qb != 0.0)
            candidates.push_back(-qc / qb);
    } else if (const double disc = qb * qb - 4.0 * qa * qc; disc >= 0.0) {
        // The two roots without cancellation.
        const double q = -0.5 * (qb + std::copysign(std::sqrt(disc), qb));
        candidates.push_back(q / qa);
        if (q != 0.0)
            candidates.push_back(qc / q);
    }
    Threshold best{kInf, lp2};  // class 1 everywhere errs on all of class 2
    for (double theta : candidates) {
        const double e = std::isinf(theta) ? (theta > 0 ? lp2 : lp1) : logError(theta);
        if (e < best.logError)
            best = {theta, e};
    }
    return best;
}

}  // namespace

BestLinearRule bestLinearRule(const Model& model)
{
    requireModel(model, "bestLinearRule: the model is not valid");
    const GeneralizedChiSquare normal(Eigen::VectorXd(0), Eigen::VectorXd(0), Eigen::VectorXd(0), 1.0);
    // Directions only: half the difference and unit length keep the
    // projected means in range for classes far out in the double range.
    const Eigen::VectorXd delta = 0.5 * model.mu2 - 0.5 * model.mu1;
    const auto direction = [&](double t) {
        return Eigen::VectorXd((t * model.sigma1 + (1.0 - t) * model.sigma2).llt().solve(delta)).stableNormalized();
    };
    const auto logError = [&](double t) { return bestThreshold(model, direction(t), normal).logError; };
    constexpr int kGrid = 64;
    int best = 0;
    double bestError = kInf;
    for (int i = 0; i <= kGrid; ++i)
        if (const double e = logError(static_cast<double>(i) / kGrid); e < bestError)
            best = i, bestError = e;
    double chosen = static_cast<double>(best) / kGrid;
    // An error beyond even the logarithms' range (classes near 1e300
    // apart) leaves nothing to refine.
    if (std::isfinite(bestError)) {
        const double lo = std::max(0, best - 1) / static_cast<double>(kGrid);
        const double hi = std::min(kGrid, best + 1) / static_cast<double>(kGrid);
        const auto [t, e] = boost::math::tools::brent_find_minima(logError, lo, hi, 40);
        if (e < bestError)
            chosen = t;
    }
    const Eigen::VectorXd w = direction(chosen);
    const Threshold threshold = bestThreshold(model, w, normal);
    const Eigen::Index d = model.dimension();
    if (std::isinf(threshold.theta))  // one class everywhere: g = -1 or +1
        return {{Eigen::MatrixXd::Zero(d, d), Eigen::VectorXd::Zero(d), threshold.theta > 0 ? -1.0 : 1.0}, chosen};
    return {{Eigen::MatrixXd::Zero(d, d), w, -threshold.theta}, chosen};
}

}  // namespace gaussbound
