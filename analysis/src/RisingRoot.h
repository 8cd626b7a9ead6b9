// risingRoot: the root of a rising function, for the library's sources.
#ifndef GAUSSBOUND_RISING_ROOT_H
#define GAUSSBOUND_RISING_ROOT_H

#include <cstdint>
#include <exception>

#include <boost/math/tools/toms748_solve.hpp>

namespace gaussbound {

// The root of a rising function f on [lo, hi] with f(lo) < 0 < f(hi), to
// about 2^-bits relative: Boost.Math's TOMS 748, or, should it give up on
// values it cannot interpolate (huge or infinite), bisection on the sign,
// written out here because it is the one fallback that needs only signs.
// Boost's bracket_and_solve_root is not used: it searches for a bracket from
// a guess, and here the bracket is known; and Boost's bisect stops and
// rounds differently, which would move the roots (and every figure after
// them) by an ulp or so.
template <class F>
double risingRoot(const F& f, double lo, double hi, int bits)
{
    try {
        std::uintmax_t iterations = 200;
        const auto bracket = boost::math::tools::toms748_solve(
            f, lo, hi, boost::math::tools::eps_tolerance<double>(bits), iterations);
        return 0.5 * (bracket.first + bracket.second);
    } catch (const std::exception&) {
        for (int i = 0; i < 2200; ++i) {
            const double mid = 0.5 * (lo + hi);
            if (mid <= lo || mid >= hi)
                break;
            (f(mid) < 0.0 ? lo : hi) = mid;
        }
        return 0.5 * (lo + hi);
    }
}

}  // namespace gaussbound

#endif
