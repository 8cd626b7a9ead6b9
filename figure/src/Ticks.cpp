#include "gaussbound/Ticks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace gaussbound {

std::vector<double> niceTicks(double lo, double hi, int target)
{
    const AxisTicks ticks = axisTicks(lo, hi, std::clamp(target, 2, 50));
    std::vector<double> values;
    for (double v : ticks.at)
        values.push_back(ticks.offset + v);
    return values;
}

namespace {

const char* const kMinus = "\u2212";

// The decimal digits of n's magnitude.
std::string digitsOf(long long n)
{
    return std::to_string(n < 0 ? -static_cast<unsigned long long>(n) : static_cast<unsigned long long>(n));
}

// n . 10^p written exactly in decimals, with a true minus sign: (25, -2) is
// "0.25", (-3, 2) is "−300".
std::string decimal(long long n, int p)
{
    if (n == 0)
        return "0";
    std::string digits = digitsOf(n);
    if (p >= 0) {
        digits.append(static_cast<size_t>(p), '0');
    } else {
        const size_t point = static_cast<size_t>(-p);
        if (digits.size() <= point)
            digits.insert(0, point - digits.size() + 1, '0');
        digits.insert(digits.size() - point, ".");
        while (digits.back() == '0')
            digits.pop_back();
        if (digits.back() == '.')
            digits.pop_back();
    }
    return (n < 0 ? kMinus : "") + digits;
}

// "10^{k}" with a true minus sign.
std::string powerOfTen(int k)
{
    return "10^{" + (k < 0 ? kMinus + std::to_string(-k) : std::to_string(k)) + "}";
}

// n . 10^p (n > 0) as a title writes it: decimals from 10^-4 to below 10^6,
// else "10^{15}" or "1.5×10^{15}".
std::string scientific(long long n, int p)
{
    const int leading = p + static_cast<int>(digitsOf(n).size()) - 1;
    if (leading >= -4 && leading < 6)
        return decimal(n, p);
    const std::string mantissa = decimal(n, p - leading);
    return (mantissa == "1" ? "" : mantissa + "\u00d7") + powerOfTen(leading);
}

}  // namespace

AxisTicks axisTicks(double lo, double hi, int target, bool cover)
{
    if (!(std::isfinite(lo) && std::isfinite(hi) && lo < hi))
        throw std::invalid_argument("axisTicks: the range must be finite numbers lo < hi");
    if (target < 2 || target > 50)
        throw std::invalid_argument("axisTicks: target must be from 2 to 50");
    // A range so narrow that powers of ten near its step would leave the
    // normal doubles (below 10^-290 wide: a few subnormals) is worked out
    // 10^200 times larger, its ends rounded, and the labels' exponent says so.
    // The width over target, even where hi - lo overflows.
    const auto widthOver = [target](double a, double b) {
        return std::isfinite(b - a) ? (b - a) / target : b / target - a / target;
    };
    const int shift = widthOver(lo, hi) < 1e-290 ? 200 : 0;
    const double up = shift > 0 ? 1e200 : 1.0;
    lo *= up;
    hi *= up;
    const double raw = widthOver(lo, hi);
    const int exponent = static_cast<int>(std::floor(std::log10(raw)));
    const double magnitude = std::pow(10.0, exponent);
    int mantissa = 10;
    for (int m : {1, 2, 5})
        if (m * magnitude >= raw) {
            mantissa = m;
            break;
        }
    const double step = mantissa * magnitude;

    AxisTicks t;
    // Far from zero for its width (labels of more than six digits, or all
    // alike), the range is measured from a round number near its middle: a
    // multiple of the power of ten just above its width.
    if (std::max(std::fabs(lo), std::fabs(hi)) / step >= 1e5) {
        int p = static_cast<int>(std::ceil(std::log10(hi - lo)));
        const double unit = std::pow(10.0, p);
        long long n = std::llround(std::clamp(lo / 2 + hi / 2, -1e18 * unit, 1e18 * unit) / unit);
        const auto offsetOf = [&](long long k) {
            return p < 0 ? static_cast<double>(k) / std::pow(10.0, -p) : static_cast<double>(k) * unit;
        };
        // Near the end of the doubles the nearest multiple may lie beyond
        // it: the next one towards zero is inside the range.
        if (!std::isfinite(offsetOf(n)))
            n += n < 0 ? 1 : -1;
        t.offset = offsetOf(n);
        while (n % 10 == 0)
            n /= 10, ++p;
        t.offsetText = scientific(std::llabs(n), p - shift);
    }
    // Each tick is k . mantissa . 10^exponent, divided by an exact power of
    // ten for negative exponents, so that 3 x 0.2 is 0.6 and not
    // 0.6000000000000001.
    const double scale = std::pow(10.0, std::abs(exponent));
    const auto tick = [&](long long k) {
        const double km = static_cast<double>(k) * mantissa;
        return exponent < 0 ? km / scale : km * scale;
    };
    const double from = lo - t.offset, to = hi - t.offset;
    auto first = static_cast<long long>(std::ceil(from / step - 1e-9));
    auto last = static_cast<long long>(std::floor(to / step + 1e-9));
    if (cover && tick(first) > from + 1e-9 * step && std::isfinite(tick(first - 1)))
        --first;
    if (cover && tick(last) < to - 1e-9 * step && std::isfinite(tick(last + 1)))
        ++last;
    long long largest = 0;
    for (long long k = first; k <= last; ++k) {
        t.at.push_back(tick(k) / up);
        largest = std::max(largest, std::llabs(k * mantissa));
    }
    // The labels are k . mantissa . 10^(exponent - shift), or over 10^leading
    // when they would be below 10^-4 or reach 10^6.
    int power = exponent - shift;
    const int leading = power + static_cast<int>(digitsOf(largest).size()) - 1;
    if (largest > 0 && (leading < -4 || leading >= 6)) {
        t.exponent = leading;
        power -= leading;
    }
    for (long long k = first; k <= last; ++k)
        t.labels.push_back(decimal(k * mantissa, power));
    t.offset /= up;
    return t;
}

std::string axisTitle(const std::string& label, const std::string& symbol, const AxisTicks& ticks)
{
    if (ticks.offsetText.empty() && ticks.exponent == 0)
        return label;
    const std::string name = symbol.empty() ? label : symbol;
    std::string shown = name;
    if (!ticks.offsetText.empty())
        shown += (ticks.offset > 0 ? " \u2212 " : " + ") + ticks.offsetText;
    if (ticks.exponent != 0)
        shown = (ticks.offsetText.empty() ? shown : "(" + shown + ")") + " / " + powerOfTen(ticks.exponent);
    return name == label ? shown : label + "; ticks: " + shown;
}

}  // namespace gaussbound
