#include "gaussbound/Interval.h"

#include <algorithm>
#include <cmath>

#include <boost/math/distributions/normal.hpp>

#include "gaussbound/Error.h"

namespace gaussbound {

Interval wilsonInterval(std::int64_t k, std::int64_t n, double confidence)
{
    requireArgument(n >= 1 && k >= 0 && k <= n, "wilsonInterval: needs 0 <= k <= n and n >= 1");
    requireArgument(confidence > 0.0 && confidence < 1.0, "wilsonInterval: the confidence must lie in (0, 1)");
    const double z = boost::math::quantile(boost::math::normal(), 0.5 + confidence / 2);
    const double z2 = z * z, kd = static_cast<double>(k), nd = static_cast<double>(n);
    const double centre = (kd + z2 / 2) / (nd + z2);
    const double half = z / (nd + z2) * std::sqrt(kd * (nd - kd) / nd + z2 / 4);
    // At k = 0 and k = n the end is exactly 0 or 1, not a rounding of it.
    return {k == 0 ? 0.0 : std::max(0.0, centre - half), k == n ? 1.0 : std::min(1.0, centre + half)};
}

double percentile(const std::vector<double>& sorted, double p)
{
    requireArgument(!sorted.empty() && p >= 0.0 && p <= 1.0, "percentile: needs a value and p in [0, 1]");
    bool ascending = !std::isnan(sorted[0]);
    for (size_t i = 1; i < sorted.size(); ++i)
        ascending = ascending && sorted[i - 1] <= sorted[i];  // false from a NaN on
    requireArgument(ascending, "percentile: the values must be sorted ascending, without NaN");
    const double h = static_cast<double>(sorted.size() - 1) * p;
    const auto below = static_cast<size_t>(std::floor(h));
    if (below + 1 >= sorted.size())
        return sorted.back();
    return sorted[below] + (h - static_cast<double>(below)) * (sorted[below + 1] - sorted[below]);
}

}  // namespace gaussbound
