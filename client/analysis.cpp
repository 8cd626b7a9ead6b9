#include "analysis.h"

#include <cmath>

#include "bayes_error.h"

namespace {

// The Chernoff bound on the Bayes error weights each row by the priors:
// P(error) <= P1^beta P2^(1-beta) e^-k(beta) for every beta in [0, 1].
void chernoffErrorBound(const BoundTable& table, double p1, double p2, Analysis& a)
{
    a.chernoffErrorBound = NAN;
    a.chernoffErrorBeta = NAN;
    for (int i = 0; i < kTableRows; ++i) {
        const double beta = table[i][0];
        const double bound = std::pow(p1, beta) * std::pow(p2, 1.0 - beta) * table[i][1];
        if (std::isnan(bound))
            continue;
        if (std::isnan(a.chernoffErrorBound) || bound < a.chernoffErrorBound) {
            a.chernoffErrorBound = bound;
            a.chernoffErrorBeta = beta;
        }
    }
}

}  // namespace

Analysis analyse(const Classes& c, PlotTable& plot)
{
    static BoundTable table;  // 160 KB: kept off the stack
    Analysis a;

    makeBound(table, c.mu1, c.mu2, c.sigma1, c.sigma2);
    findMinB(table, a.chernoffBeta, a.chernoffFactor);
    chernoffErrorBound(table, c.prior1, c.prior2, a);

    a.bhattExponent = getBattacharayyaBound(c.mu1, c.mu2, c.sigma1, c.sigma2);
    a.bhattFactor = std::exp(-a.bhattExponent);
    a.bhattErrorBound = getProb(c.prior1, c.prior2, 1.0) * a.bhattFactor;
    // 1 - sqrt(1 - u) written as u / (1 + sqrt(1 - u)): no cancellation for small u.
    const double u = 4.0 * c.prior1 * c.prior2 * a.bhattFactor * a.bhattFactor;
    a.bhattLowerBound = 0.5 * u / (1.0 + std::sqrt(1.0 - u));

    a.bayesError = bayesError(c);
    makePlot(plot, table, a.chernoffBeta, a.chernoffFactor, a.bhattFactor);
    return a;
}
