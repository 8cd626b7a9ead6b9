#include "gaussbound/Analysis.h"

#include <cmath>
#include <limits>
#include <vector>

#include "Bound.h"
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

// makeBound's rows from the any-dimension curve: the same betas.
void tabulate(const ChernoffCurve& curve, double table[][2])
{
    for (int i = 0; i < kTableRows; ++i) {
        const double beta = static_cast<float>(i) / 10000.0f;
        table[i][0] = beta;
        table[i][1] = std::exp(-curve.exponent(beta));
    }
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

}  // namespace

Figures analyse(const Model& model, double table[][2])
{
    constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
    const CanonicalForm form(model);
    const ChernoffCurve curve(form);
    Figures f;
    f.dimension = model.dimension();

    double bhattExponent;
    if (f.dimension == 2) {
        const PlaneArrays p(model);
        makeBound(table, p.mu1, p.mu2, p.sigma1, p.sigma2);
        bhattExponent = getBattacharayyaBound(p.mu1, p.mu2, p.sigma1, p.sigma2);
    } else if (form.representable) {
        tabulate(curve, table);
        bhattExponent = curve.exponent(0.5);
    } else {
        for (int i = 0; i < kTableRows; ++i)
            table[i][0] = table[i][1] = kNan;
        bhattExponent = kNan;
    }
    findMinB(table, f.tableBeta, f.tableFactor);
    tableErrorBound(table, model.prior1, model.prior2, f);
    f.bhattacharyya = bhattacharyya(bhattExponent, model.prior1, model.prior2);

    // Where the canonical form cannot be represented (see CanonicalForm), no
    // figure of this library can be trusted.
    if (!form.representable) {
        f.optimum = {kNan, kNan, kNan};
        f.divergences = {kNan, kNan, kNan};
        f.bayes = {kNan, kNan, kNan, kNan};
        return f;
    }
    f.optimum = chernoffOptimum(curve, model.prior1, model.prior2);
    f.divergences = divergences(form, curve);
    f.bayes = bayesError(model, form);

    // The Chernoff optimum and the Bhattacharyya lower bound are rigorous:
    // a Bayes error outside them, beyond its error bound, is a numerical
    // failure at the edge of the double range, and is reported as such.
    const double lower = bhattacharyya(curve.exponent(0.5), model.prior1, model.prior2).lowerBound;
    const double slack = f.bayes.absError + 1e-9 * f.bayes.value + 1e-300;
    if (f.bayes.value > f.optimum.errorBound * (1.0 + 1e-9) + slack || f.bayes.value + slack < lower * (1.0 - 1e-9))
        f.bayes = {kNan, kNan, kNan, kNan};
    return f;
}

}  // namespace gaussbound
