// Ticks and titles of a figure's linear axes: what a renderer needs to label
// an axis, computed without drawing anything.
//
//   niceTicks    tick values of 1, 2 or 5 times a power of ten
//   AxisTicks    ticks with their labels, offset and common factor
//   axisTicks    those ticks for any finite range
//   axisTitle    the axis title that says how the labels read
#ifndef GAUSSBOUND_TICKS_H
#define GAUSSBOUND_TICKS_H

#include <string>
#include <vector>

namespace gaussbound {

// The ticks in [lo, hi]: multiples of a step of 1, 2 or 5 times a power of
// ten, about `target` (2 to 50) of them, or offset + such multiples for a
// narrow range far from zero (see axisTicks); a target outside 2 to 50 counts
// as the nearer end. Throws std::invalid_argument unless lo < hi, both finite.
std::vector<double> niceTicks(double lo, double hi, int target = 6);

// The ticks of a linear axis over [lo, hi] with their labels, a few (about
// target) and each label distinct and short for any finite range. The ticks
// are offset + multiples of a step of 1, 2 or 5 times a power of ten, where
// offset is 0 unless the range is narrow for its distance from zero (1e15 to
// 1e15 + 1): then it is a round number near the range, and the labels show
// the value less the offset. Each label reads (value − offset) / 10^exponent,
// written exactly in decimals; exponent is 0 unless those numbers would be
// below 10^-4 or reach 10^6. With cover, one more tick at each end that is not
// on a tick already, so that the ticks enclose the range. Throws
// std::invalid_argument unless lo < hi, both finite, and 2 <= target <= 50.
struct AxisTicks {
    double offset = 0.0;
    std::string offsetText;  // the offset as a title writes it: "10^{15}", "1.5×10^{15}", "0.25"
    int exponent = 0;
    std::vector<double> at;  // each tick's value less the offset, in increasing order
    std::vector<std::string> labels;
};
AxisTicks axisTicks(double lo, double hi, int target = 6, bool cover = false);

// The axis title for those ticks: label itself when they have neither an
// offset nor a factor; otherwise what the labels show, after the label when
// the symbol differs from it: "x₁ − 10^{15}", "(t − 1) / 10^{−16}",
// "the prior of class 1; ticks: t / 10^{−5}".
std::string axisTitle(const std::string& label, const std::string& symbol, const AxisTicks& ticks);


}  // namespace gaussbound

#endif
