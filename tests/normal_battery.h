// Statistical tests that a set of points is N((1, 1), I) with independent
// coordinates and independent successive points. Each test yields a
// two-sided p-value (or a z-score); a correct sampler passes them all at
// the 1e-4 level, and each catches a different fault.
#ifndef GAUSSBOUND_TESTS_NORMAL_BATTERY_H
#define GAUSSBOUND_TESTS_NORMAL_BATTERY_H

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

using Points = std::vector<std::pair<double, double>>;

namespace battery {

inline double normalTail2(double z)  // P(|Z| > |z|)
{
    return std::erfc(std::fabs(z) / std::sqrt(2.0));
}

// Kolmogorov-Smirnov p-value of the sample against the continuous cdf, with
// Stephens' small-sample correction of the asymptotic distribution.
inline double ks(std::vector<double> v, const std::function<double(double)>& cdf)
{
    std::sort(v.begin(), v.end());
    const double n = v.size();
    double d = 0.0;
    for (size_t i = 0; i < v.size(); ++i) {
        const double f = cdf(v[i]);
        d = std::max({d, (i + 1) / n - f, f - i / n});
    }
    const double lambda = (std::sqrt(n) + 0.12 + 0.11 / std::sqrt(n)) * d;
    double p = 0.0;
    for (int j = 1; j <= 100; ++j)
        p += 2.0 * ((j % 2) ? 1.0 : -1.0) * std::exp(-2.0 * j * j * lambda * lambda);
    return std::clamp(p, 0.0, 1.0);
}

inline double normalCdf(double x)  // N(1, 1)
{
    return 0.5 * std::erfc(-(x - 1.0) / std::sqrt(2.0));
}

// p-value of the sample correlation of a and b being zero (Fisher's z).
inline double correlationP(const std::vector<double>& a, const std::vector<double>& b)
{
    const double n = a.size();
    double ma = 0, mb = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        ma += a[i] / n;
        mb += b[i] / n;
    }
    double saa = 0, sbb = 0, sab = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        saa += (a[i] - ma) * (a[i] - ma);
        sbb += (b[i] - mb) * (b[i] - mb);
        sab += (a[i] - ma) * (b[i] - mb);
    }
    const double r = std::clamp(sab / std::sqrt(saa * sbb), -0.999999, 0.999999);
    return normalTail2(std::atanh(r) * std::sqrt(n - 3.0));
}

// z-score of the sample variance against 1: Var(s^2) = 2 / (n - 1).
inline double varianceZ(const std::vector<double>& v)
{
    const double n = v.size();
    double m = 0, ss = 0;
    for (double x : v)
        m += x / n;
    for (double x : v)
        ss += (x - m) * (x - m);
    return (ss / (n - 1.0) - 1.0) / std::sqrt(2.0 / (n - 1.0));
}

// Every p-value of the battery by name, for one set of points.
inline std::map<std::string, double> pValues(const Points& p)
{
    std::vector<double> x, y, r2;
    for (const auto& [a, b] : p) {
        x.push_back(a);
        y.push_back(b);
        r2.push_back((a - 1) * (a - 1) + (b - 1) * (b - 1));
    }
    const std::vector<double> xHead(x.begin(), x.end() - 1), xTail(x.begin() + 1, x.end());
    const std::vector<double> yHead(y.begin(), y.end() - 1), yTail(y.begin() + 1, y.end());
    return {
        {"KS x ~ N(1,1)", ks(x, normalCdf)},
        {"KS y ~ N(1,1)", ks(y, normalCdf)},
        {"KS r^2 ~ chi2(2)", ks(r2, [](double t) { return 1.0 - std::exp(-t / 2.0); })},
        {"corr(x, y) = 0", correlationP(x, y)},
        {"serial corr x", correlationP(xHead, xTail)},
        {"serial corr y", correlationP(yHead, yTail)},
    };
}

// Names of the tests that the points fail: a p-value at or below 1e-4, and
// with `pooled`, also a variance z-score of 5 or more in magnitude.
inline std::vector<std::string> failures(const Points& p, bool pooled)
{
    std::vector<std::string> failed;
    for (const auto& [name, pv] : pValues(p))
        if (!(pv > 1e-4))
            failed.push_back(name);
    if (pooled) {
        std::vector<double> x, y;
        for (const auto& [a, b] : p) {
            x.push_back(a);
            y.push_back(b);
        }
        if (!(std::fabs(varianceZ(x)) < 5))
            failed.push_back("variance x");
        if (!(std::fabs(varianceZ(y)) < 5))
            failed.push_back("variance y");
    }
    return failed;
}

}  // namespace battery

#endif
