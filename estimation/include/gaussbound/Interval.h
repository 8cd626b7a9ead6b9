// Confidence intervals for the toolkit's estimates.
//
//   Interval         [low, high]
//   wilsonInterval   for a proportion k / n, Wilson's score interval
//   percentile       a quantile of sorted values, by linear interpolation
//
// Wilson's interval at confidence 1 - alpha, z the normal quantile 1 - alpha/2:
//
//   (k + z^2/2) / (n + z^2)  -/+  z / (n + z^2) sqrt(k (n - k) / n + z^2 / 4),
//
// the proportions p whose score test |k/n - p| / sqrt(p (1 - p) / n) <= z.
// Unlike the textbook normal interval it stays inside [0, 1] and does not
// collapse to a point at k = 0 or k = n. The percentile is the sample
// quantile that interpolates between order statistics at (count - 1) p
// (Hyndman and Fan's type 7, the default of R and NumPy).
#ifndef GAUSSBOUND_INTERVAL_H
#define GAUSSBOUND_INTERVAL_H

#include <cstdint>
#include <vector>

namespace gaussbound {

struct Interval {
    double low, high;
};

// Reads 0 <= k <= n, n >= 1, 0 < confidence < 1; throws std::invalid_argument
// otherwise.
Interval wilsonInterval(std::int64_t k, std::int64_t n, double confidence = 0.95);

// Reads values sorted ascending (at least one) and p in [0, 1]; throws
// std::invalid_argument otherwise (an unsorted set, or one holding a NaN,
// included: O(n), as reading them is).
double percentile(const std::vector<double>& sorted, double p);

}  // namespace gaussbound

#endif
