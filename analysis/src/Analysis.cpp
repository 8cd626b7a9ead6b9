#include "gaussbound/Analysis.h"

#include <cfloat>
#include <cmath>
#include <stdexcept>
#include <limits>
#include <vector>

#include <gaussbound/Bound.h>
#include "gaussbound/Canonical.h"

namespace gaussbound {

namespace {

// The class parameters in Bound's fixed 2-D array shapes.
struct PlaneArrays {
    double mu1[2][1], mu2[2][1], sigma1[2][2], sigma2[2][2];

    explicit PlaneArrays(const Model& m)
    {
        for (int i = 0; i < 2; ++i) {
            mu1[i][0] = m.mu1(i);
            mu2[i][0] = m.mu2(i);
            for (int j = 0; j < 2; ++j) {
                sigma1[i][j] = m.sigma1(i, j);
                sigma2[i][j] = m.sigma2(i, j);
            }
        }
    }
};

// The beta of row i, as makeBound forms it: i / 10000 in single precision.
double rowBeta(int i)
{
    return static_cast<float>(i) / static_cast<float>(kTableRows);
}

// makeBound's rows from the any-dimension curve: the same betas.
void tabulate(const ChernoffCurve& curve, double table[][2])
{
    for (int i = 0; i < kTableRows; ++i) {
        table[i][0] = rowBeta(i);
        table[i][1] = std::exp(-curve.exponent(table[i][0]));
    }
}

// Bound works in plain doubles with a single-precision reciprocal, so its
// factors are good to about 1e-7 relative where its arithmetic holds, and
// overflow or lose every digit where it does not (covariances beyond about
// 1e19 or below 1e-19, say, as after a change of units). Its table is kept
// when its factors agree with the curve's within kPlaneTolerance at rows
// spread over the table (both ends row by row, where S nears a covariance,
// and every 100th between), and so does its Bhattacharyya exponent at 1/2.
constexpr double kPlaneTolerance = 1e-6;

bool agrees(double planeFactor, double curveFactor)
{
    return std::fabs(planeFactor - curveFactor) <= kPlaneTolerance * curveFactor;
}

bool planeAgrees(const ChernoffCurve& curve, const double table[][2], double bhattExponent)
{
    if (!agrees(std::exp(-bhattExponent), std::exp(-curve.exponent(0.5))))
        return false;
    for (int i = 0; i < kTableRows; i += (i < 10 || i >= kTableRows - 10) ? 1 : 100)
        if (!agrees(table[i][1], std::exp(-curve.exponent(table[i][0]))))
            return false;
    return true;
}

// P1^(1 - beta) P2^beta e^-k(beta) for one row, as the figure is defined.
double rowBound(const double row[2], double p1, double p2)
{
    return std::pow(p1, 1.0 - row[0]) * std::pow(p2, row[0]) * row[1];
}

// The smallest P1^(1 - beta) P2^beta e^-k(beta) over the table's rows (the
// earliest on ties, NaN rows skipped): class 1's prior carries 1 - beta,
// since e^-k(beta) is the integral of p1^(1 - beta) p2^beta. The weights are
// screened with one exp a row, P1 (P2 / P1)^beta, which is within a few ulps
// of the two pows; only rows within 1e-12 of the screened minimum are then
// computed exactly, so the row and value are those of a full scan of pows.
void tableErrorBound(const double table[][2], double p1, double p2, Figures& f)
{
    const double logRatio = std::log(p2 / p1);
    std::vector<double> cheap(kTableRows);
    double screened = INFINITY;
    for (int i = 0; i < kTableRows; ++i) {
        cheap[i] = p1 * std::exp(table[i][0] * logRatio) * table[i][1];
        screened = std::fmin(screened, cheap[i]);
    }
    f.tableErrorBound = NAN;
    f.tableErrorBeta = NAN;
    for (int i = 0; i < kTableRows; ++i) {
        if (!(cheap[i] <= screened * (1.0 + 1e-12)) && !std::isinf(screened))
            continue;
        const double bound = rowBound(table[i], p1, p2);
        if (std::isnan(bound))
            continue;
        if (std::isnan(f.tableErrorBound) || bound < f.tableErrorBound) {
            f.tableErrorBound = bound;
            f.tableErrorBeta = table[i][0];
        }
    }
}

// Rounded away from the value they bound by a few units in the last place,
// more than their own rounding: an upper bound computed a hair below the
// exact figure (two equal classes give 0.49999999999999994 for 1/2) would no
// longer be a bound.
double roundedUp(double bound)
{
    return bound + 4.0 * DBL_EPSILON * bound;
}

// The figures must keep the order every model has, within their error
// bounds: lower <= E <= Chernoff optimum <= table minimum, E <= Bhattacharyya
// upper bound, the table's figures within their own tolerance. A figure
// that breaks it is a numerical failure and is
// withdrawn (NaN), never printed: the Bayes error when it leaves its bounds,
// the Chernoff optimum when it lies above the table's rows.
void withdrawContradictions(Figures& f, double tableTolerance)
{
    constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
    if (f.optimum.errorBound > f.tableErrorBound * (1.0 + tableTolerance))
        f.optimum = {kNan, kNan, kNan};
    const double low = f.bayes.value - f.bayes.absError, high = f.bayes.value + f.bayes.absError;
    const bool ordered = high >= f.bhattacharyya.lowerBound && low <= f.optimum.errorBound &&
                         low <= f.tableErrorBound * (1.0 + tableTolerance) &&
                         low <= f.bhattacharyya.upperBound;
    // A bound on the numerical error larger than the value says nothing of it.
    if (!ordered || f.bayes.absError > f.bayes.value)
        f.bayes = {kNan, kNan, kNan, kNan, kNan};
}

}  // namespace

Figures analyse(const Model& model, double table[][2])
{
    if (auto problem = validate(model))
        throw std::invalid_argument("analyse: " + problem->field + ": " + problem->message);
    if (table == nullptr)
        throw std::invalid_argument("analyse: no table to fill");
    constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
    const CanonicalForm form(model);
    const ChernoffCurve curve(form);
    Figures f;
    f.dimension = model.dimension();

    // In the plane, Bound's table and exponent where they agree with the
    // curve; everywhere else, and where they do not, the curve's.
    double bhattExponent = kNan, tableTolerance = 1e-12;
    bool fromCurve = form.representable;
    if (f.dimension == 2) {
        const PlaneArrays p(model);
        makeBound(table, p.mu1, p.mu2, p.sigma1, p.sigma2);
        bhattExponent = getBattacharayyaBound(p.mu1, p.mu2, p.sigma1, p.sigma2);
        fromCurve = form.representable && !planeAgrees(curve, table, bhattExponent);
        if (!fromCurve)
            tableTolerance = 4.0 * kPlaneTolerance;
    } else if (!form.representable) {
        for (int i = 0; i < kTableRows; ++i)
            table[i][0] = table[i][1] = kNan;
    }
    if (fromCurve) {
        tabulate(curve, table);
        bhattExponent = curve.exponent(0.5);
    }
    findMinB(table, f.tableBeta, f.tableFactor);
    tableErrorBound(table, model.prior1, model.prior2, f);
    f.tableErrorBound = roundedUp(f.tableErrorBound);
    f.bhattacharyya = bhattacharyya(bhattExponent, model.prior1, model.prior2);

    // Where the canonical form cannot be represented (see CanonicalForm), no
    // figure of this library can be trusted.
    if (!form.representable) {
        f.optimum = {kNan, kNan, kNan};
        f.divergences = {kNan, kNan, kNan};
        f.bayes = {kNan, kNan, kNan, kNan, kNan};
        return f;
    }
    f.optimum = chernoffOptimum(curve, model.prior1, model.prior2);
    f.optimum.errorBound = roundedUp(f.optimum.errorBound);
    f.divergences = divergences(form, curve);
    f.bayes = bayesError(model, form);
    withdrawContradictions(f, tableTolerance);
    return f;
}

std::optional<std::string> missingFigure(const Figures& f)
{
    const std::pair<const char*, double> figures[] = {
        {"Chernoff optimum", f.optimum.errorBound},
        {"Chernoff optimum's beta", f.optimum.beta},
        {"Chernoff optimum's exponent", f.optimum.exponent},
        {"Bayes error", f.bayes.value},
        {"Bayes error given class 1", f.bayes.givenClass1},
        {"Bayes error given class 2", f.bayes.givenClass2},
        {"Bayes error's numerical error", f.bayes.absError},
        {"Kullback-Leibler divergence KL(1||2)", f.divergences.kl12},
        {"Kullback-Leibler divergence KL(2||1)", f.divergences.kl21},
        {"Hellinger distance", f.divergences.hellinger},
    };
    for (const auto& [name, value] : figures)
        if (std::isnan(value))
            return name;
    for (double v : {f.tableBeta, f.tableFactor, f.tableErrorBound, f.bhattacharyya.exponent})
        if (std::isnan(v))
            return "Chernoff table";
    return std::nullopt;
}

}  // namespace gaussbound
