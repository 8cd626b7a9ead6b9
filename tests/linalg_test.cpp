// Tests of the matrix routines through identities and exactly known results.
#include <cmath>
#include <random>

#include <gtest/gtest.h>

#include <gaussbound/Linalg.h>

namespace {

// Exact equality that also tells +0 from -0.
void expectSame(double actual, double expected)
{
    EXPECT_EQ(actual, expected);
    EXPECT_EQ(std::signbit(actual), std::signbit(expected)) << actual;
}

void product(const double a[][2], const double b[][2], double out[][2])
{
    ASSERT_EQ(multiply2(2, 2, 2, 2, a, b, out), 1);
}

}  // namespace

TEST(Determinant, KnownValues)
{
    const double identity[2][2] = {{1, 0}, {0, 1}};
    const double m[2][2] = {{1, 2}, {3, 4}};
    EXPECT_EQ(determinant(identity), 1.0);
    EXPECT_EQ(determinant(m), -2.0);
}

TEST(Determinant, IsMultiplicativeForIntegerMatrices)
{
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> entry(-20, 20);
    for (int trial = 0; trial < 200; ++trial) {
        double a[2][2], b[2][2], ab[2][2];
        for (auto* m : {a, b})
            for (int i = 0; i < 4; ++i)
                m[i / 2][i % 2] = entry(rng);
        product(a, b, ab);
        EXPECT_EQ(determinant(ab), determinant(a) * determinant(b));
    }
}

TEST(Inverse, ExactWhereTheReciprocalIsExact)
{
    const double m[2][2] = {{1, 2}, {3, 4}};
    double out[2][2];
    inverse(m, out);
    expectSame(out[0][0], -2.0);
    expectSame(out[0][1], 1.0);
    expectSame(out[1][0], 1.5);
    expectSame(out[1][1], -0.5);

    const double diag[2][2] = {{2, 0}, {0, 4}};
    inverse(diag, out);
    expectSame(out[0][0], 0.5);
    expectSame(out[1][1], 0.25);
    expectSame(out[0][1], -0.0);  // the negated zero times a positive reciprocal
    expectSame(out[1][0], -0.0);
}

TEST(Inverse, UsesASinglePrecisionReciprocal)
{
    const double m[2][2] = {{3, 0}, {0, 3}};
    double out[2][2];
    inverse(m, out);
    EXPECT_EQ(out[0][0], 0.3333333358168602);
    EXPECT_EQ(out[1][1], 0.3333333358168602);
}

TEST(Inverse, TimesTheMatrixGivesIdentityToSinglePrecision)
{
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> entry(-10.0, 10.0);
    for (int trial = 0; trial < 200; ++trial) {
        double m[2][2], inv[2][2], left[2][2], right[2][2];
        for (int i = 0; i < 4; ++i)
            m[i / 2][i % 2] = entry(rng);
        if (std::fabs(determinant(m)) < 1.0)
            continue;  // keep the condition number modest
        inverse(m, inv);
        product(m, inv, left);
        product(inv, m, right);
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 2; ++j) {
                EXPECT_NEAR(left[i][j], i == j, 1e-5);
                EXPECT_NEAR(right[i][j], i == j, 1e-5);
            }
    }
}

TEST(Inverse, OfASingularMatrixIsNotFinite)
{
    const double m[2][2] = {{1, 2}, {2, 4}};
    double out[2][2];
    inverse(m, out);
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(std::isfinite(out[i / 2][i % 2]));
}

TEST(Multiply2, RowVectorTimesMatrix)
{
    const double row[1][2] = {{1, 2}};
    const double m[2][2] = {{3, 4}, {5, 6}};
    double out[1][2];
    EXPECT_EQ(multiply2(1, 2, 2, 2, row, m, out), 1);
    EXPECT_EQ(out[0][0], 13.0);
    EXPECT_EQ(out[0][1], 16.0);
}

TEST(Multiply2, ShapeMismatchLeavesOutputUntouched)
{
    const double a[2][2] = {{1, 2}, {3, 4}};
    double out[2][2] = {{9, 9}, {9, 9}};
    EXPECT_EQ(multiply2(2, 1, 2, 2, a, a, out), 0);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(out[i / 2][i % 2], 9.0);
}

TEST(Multiply2, IsAssociativeAndHasTheIdentityAsUnit)
{
    const double a[2][2] = {{1, -2}, {3, 4}}, b[2][2] = {{0, 5}, {-1, 2}},
                 c[2][2] = {{2, 1}, {1, 3}}, identity[2][2] = {{1, 0}, {0, 1}};
    double ab[2][2], bc[2][2], abc1[2][2], abc2[2][2], ai[2][2];
    product(a, b, ab);
    product(ab, c, abc1);
    product(b, c, bc);
    product(a, bc, abc2);
    product(a, identity, ai);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(abc1[i / 2][i % 2], abc2[i / 2][i % 2]);
        EXPECT_EQ(ai[i / 2][i % 2], a[i / 2][i % 2]);
    }
}

TEST(Multiply1, AccumulatesFromPositiveZero)
{
    const double a[1][2] = {{2, 3}};
    const double b[2][1] = {{4}, {5}};
    double out[1][1] = {{99}};
    multiply1(a, b, out);
    EXPECT_EQ(out[0][0], 23.0);

    // -0 * 1 + (-0 * 1) is -0 in plain arithmetic, but +0 added first makes it +0.
    const double negZero[1][2] = {{-0.0, -0.0}};
    const double ones[2][1] = {{1}, {1}};
    multiply1(negZero, ones, out);
    expectSame(out[0][0], 0.0);
}

TEST(Transpose, ColumnBecomesRow)
{
    const double column[2][1] = {{3}, {4}};
    double row[1][2] = {{0, 0}};
    transpose(2, 1, column, row);
    EXPECT_EQ(row[0][0], 3.0);
    EXPECT_EQ(row[0][1], 4.0);
}

TEST(AddSubtract, WorkOnTheSelectedBlockOnly)
{
    const double a[2][2] = {{1, 2}, {3, 4}}, b[2][2] = {{10, 20}, {30, 40}};
    double sum[2][2] = {{0, 0}, {0, 0}};
    add(2, 1, a, b, sum);
    EXPECT_EQ(sum[0][0], 11.0);
    EXPECT_EQ(sum[1][0], 33.0);
    EXPECT_EQ(sum[0][1], 0.0);  // outside the 2x1 block
    EXPECT_EQ(sum[1][1], 0.0);

    const double u[2][1] = {{1.5}, {-2}}, v[2][1] = {{0.5}, {3}};
    double diff[2][1];
    subtract(2, 1, u, v, diff);
    EXPECT_EQ(diff[0][0], 1.0);
    EXPECT_EQ(diff[1][0], -5.0);
    double back[2][1];
    subtract(2, 1, diff, u, back);  // (u - v) - u = -v
    EXPECT_EQ(back[0][0], -v[0][0]);
    EXPECT_EQ(back[1][0], -v[1][0]);
}
