// Fails if the build ever changes the arithmetic that the stated results rely
// on: contraction into fused multiply-add, -ffast-math, or excess precision.
#include <cfloat>
#include <cmath>

#include <gtest/gtest.h>

#include <gaussbound/Bound.h>
#include <gaussbound/Linalg.h>

namespace {

// Out of line, so the compiler cannot fold the test away; under -ffast-math
// it may assume no NaN and return false.
__attribute__((noinline)) bool isNaN(double x)
{
    return std::isnan(x);
}

}  // namespace

TEST(FloatingPoint, BuildKeepsPlainIeeeArithmetic)
{
    // a*b - a*b is exactly 0 only when both products are rounded; a fused
    // multiply-add leaves the rounding error of 0.1 * 0.3 behind.
    const double twin[2][2] = {{0.1, 0.3}, {0.1, 0.3}};
    EXPECT_EQ(determinant(twin), 0.0);

    // A stated figure that depends on every rounding in the table.
    const double mu1[2][1] = {{0}, {0}}, mu2[2][1] = {{1}, {0}};
    const double sigma1[2][2] = {{1, 0}, {0, 1}}, sigma2[2][2] = {{2, 0}, {0, 2}};
    static BoundTable table;
    makeBound(table, mu1, mu2, sigma1, sigma2);
    EXPECT_EQ(table[5000][1], 0.8674261922310337);

    // NaN is still NaN, in this file and in the library's comparisons.
    volatile double minusOne = -1.0;
    EXPECT_TRUE(isNaN(std::sqrt(minusOne)));
    table[0][1] = std::nan("");
    double beta, value;
    findMinB(table, beta, value);
    EXPECT_TRUE(isNaN(value));

    // float and double operations are evaluated in their own precision.
    EXPECT_EQ(FLT_EVAL_METHOD, 0);
}
