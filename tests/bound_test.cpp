// Tests of the bounds library against exactly known figures and the
// relations between its routines.
#include <cmath>
#include <cstring>
#include <array>
#include <limits>
#include <random>

#include <gtest/gtest.h>

#include <gaussbound/Bound.h>
#include <gaussbound/Linalg.h>
#include "LinalgImpl.h"

namespace {

struct Classes {
    double mu1[2][1], mu2[2][1], sigma1[2][2], sigma2[2][2];
};

// Unit covariances, means one apart along both axes.
const Classes kEqual = {{{0}, {0}}, {{1}, {1}}, {{1, 0}, {0, 1}}, {{1, 0}, {0, 1}}};
// Class 2 twice as spread, means one apart along x.
const Classes kSpread = {{{0}, {0}}, {{1}, {0}}, {{1, 0}, {0, 1}}, {{2, 0}, {0, 2}}};

BoundTable table;
PlotTable plot;

void fill(const Classes& c)
{
    makeBound(table, c.mu1, c.mu2, c.sigma1, c.sigma2);
}

double bhattacharyya(const Classes& c)
{
    return getBattacharayyaBound(c.mu1, c.mu2, c.sigma1, c.sigma2);
}

// Rows of the marker figure in columns col, col + 1 whose horizontal run
// stops at limit: the run (x rising from 0, below the limit) and the drop
// after it (y > 0).
struct Figure {
    int run, drop;
};

Figure figure(int col, double limit)
{
    Figure f{0, 0};
    int r = 0;
    for (; r < kTableRows && plot[r][col] < limit && (r == 0 || plot[r][col] > plot[r - 1][col]); ++r)
        ++f.run;
    for (; r < kTableRows && plot[r][col + 1] > 0.0; ++r)
        ++f.drop;
    return f;
}

}  // namespace

TEST(MakeBound, BetaIsTheRowIndexOverTenThousandInSinglePrecision)
{
    fill(kSpread);
    for (int i = 0; i < kTableRows; ++i)
        ASSERT_EQ(table[i][0], static_cast<double>(static_cast<float>(i) / 10000.0f));
    EXPECT_EQ(table[1][0], 9.999999747378752e-05);
    EXPECT_EQ(table[5000][0], 0.5);
    EXPECT_EQ(table[9999][0], 0.9998999834060669);
}

TEST(MakeBound, FirstRowIsExactlyZeroAndOne)
{
    for (const Classes& c : {kEqual, kSpread}) {
        fill(c);
        EXPECT_EQ(table[0][0], 0.0);
        EXPECT_EQ(table[0][1], 1.0);
    }
}

TEST(MakeBound, EqualCovariancesGiveExpOfMinusBetaGammaTimesDistance)
{
    fill(kEqual);
    double beta, value;
    findMinB(table, beta, value);
    EXPECT_EQ(beta, 0.5);
    EXPECT_EQ(value, 0.7788007830714049);
    for (int i = 1; i < kTableRows; ++i) {
        if (i != 5000) {
            EXPECT_GT(table[i][1], value) << i;  // row 5000 is the only minimum
        }
    }
}

TEST(MakeBound, UnequalCovariancesHaveTheirMinimumOffCentre)
{
    fill(kSpread);
    EXPECT_EQ(table[5000][1], 0.8674261922310337);
    double beta, value;
    findMinB(table, beta, value);
    EXPECT_EQ(beta, 0.5741000175476074);
    EXPECT_EQ(value, 0.864736573750916);
}

// Row i of the table computed step by step through the exported Linalg
// routines, with nothing hoisted out of the row.
GAUSSBOUND_IEEE_DIVISION double referenceRow(const Classes& c, int i)
{
    const double beta = static_cast<float>(i) / 10000.0f;
    const double gamma = 1.0 - beta;
    double d[2][1], dT[1][2], a[2][2], b[2][2], s[2][2], sInv[2][2], t[1][2], q[1][1];
    subtract(2, 1, c.mu2, c.mu1, d);
    transpose(2, 1, d, dT);
    for (int r = 0; r < 2; ++r)
        for (int k = 0; k < 2; ++k) {
            a[r][k] = c.sigma1[r][k] * beta;
            b[r][k] = c.sigma2[r][k] * gamma;
        }
    add(2, 2, a, b, s);
    inverse(s, sInv);
    multiply2(1, 2, 2, 2, dT, sInv, t);
    multiply1(t, d, q);
    const double p1 = std::pow(determinant(c.sigma1), beta);
    const double p2 = std::pow(determinant(c.sigma2), gamma);
    const double logTerm = 0.5 * std::log(determinant(s) / (p1 * p2));
    return std::exp(-(q[0][0] * (beta * gamma / 2.0) + logTerm));
}

bool sameBits(double x, double y)
{
    return (std::isnan(x) && std::isnan(y)) || std::memcmp(&x, &y, sizeof x) == 0;
}

TEST(MakeBound, MatchesTheStepByStepComputationBitForBit)
{
    std::mt19937_64 rng(99);
    std::uniform_real_distribution<double> value(-3.0, 3.0);
    const double special[] = {0.0, -0.0, 1e-300, 1e300, std::numeric_limits<double>::infinity(),
                              std::numeric_limits<double>::quiet_NaN()};
    for (int trial = 0; trial < 60; ++trial) {
        Classes c;
        double* cells[] = {&c.mu1[0][0], &c.mu1[1][0], &c.mu2[0][0], &c.mu2[1][0],
                           &c.sigma1[0][0], &c.sigma1[0][1], &c.sigma1[1][0], &c.sigma1[1][1],
                           &c.sigma2[0][0], &c.sigma2[0][1], &c.sigma2[1][0], &c.sigma2[1][1]};
        for (double* cell : cells)
            *cell = value(rng);
        if (trial % 3 == 1)  // a special value in one cell
            *cells[trial % 12] = special[trial % 6];
        fill(c);
        for (int i = 0; i < kTableRows; i += 7)
            ASSERT_TRUE(sameBits(table[i][1], referenceRow(c, i)))
                << "trial " << trial << " row " << i << ": " << table[i][1];
    }
}

TEST(MakeBound, WritesEveryRowForDegenerateInput)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    Classes c = kSpread;
    c.mu2[0][0] = nan;
    fill(c);
    for (int i = 0; i < kTableRows; ++i) {
        ASSERT_EQ(table[i][0], static_cast<double>(static_cast<float>(i) / 10000.0f));
        ASSERT_TRUE(std::isnan(table[i][1])) << i;
    }
}

TEST(Bhattacharyya, AgreesWithTheTableAtOneHalf)
{
    EXPECT_EQ(bhattacharyya(kEqual), 0.25);
    fill(kEqual);
    EXPECT_EQ(std::exp(-bhattacharyya(kEqual)), table[5000][1]);

    EXPECT_EQ(bhattacharyya(kSpread), 0.1422248517824068);
    fill(kSpread);
    EXPECT_EQ(std::exp(-bhattacharyya(kSpread)), table[5000][1]);
}

TEST(Bhattacharyya, IsZeroForIdenticalClasses)
{
    Classes c = kSpread;
    std::memcpy(c.mu2, c.mu1, sizeof c.mu1);
    std::memcpy(c.sigma1, c.sigma2, sizeof c.sigma1);
    EXPECT_EQ(bhattacharyya(c), 0.0);
}

TEST(GetProb, IsTheSquareRootOfTheProduct)
{
    EXPECT_EQ(getProb(0.5, 0.5, 1), 0.5);
    EXPECT_EQ(getProb(0.0, 0.3, 0.7), 0.0);
    EXPECT_EQ(getProb(0.3, 0.7, 0.0), 0.0);
    EXPECT_TRUE(std::isnan(getProb(-1, 1, 1)));
}

TEST(FindMinB, TakesTheEarliestSmallestRowAndSkipsNaN)
{
    for (int i = 0; i < kTableRows; ++i) {
        table[i][0] = i;
        table[i][1] = 7.0;
    }
    double beta, value;
    findMinB(table, beta, value);
    EXPECT_EQ(beta, 0.0);  // constant values: row 0
    EXPECT_EQ(value, 7.0);

    table[10][1] = 3.0;
    table[20][1] = 3.0;
    table[15][1] = std::nan("");
    findMinB(table, beta, value);
    EXPECT_EQ(beta, 10.0);
    EXPECT_EQ(value, 3.0);

    table[0][1] = std::nan("");  // NaN in row 0 is never replaced
    findMinB(table, beta, value);
    EXPECT_EQ(beta, 0.0);
    EXPECT_TRUE(std::isnan(value));
}

TEST(MakePlot, CopiesTheTableAndDrawsBothFigures)
{
    fill(kSpread);
    double beta, value;
    findMinB(table, beta, value);
    makePlot(plot, table, beta, value, 0.8674261922310337);

    for (int i = 0; i < kTableRows; ++i) {
        ASSERT_EQ(plot[i][0], table[i][0]);
        ASSERT_EQ(plot[i][1], table[i][1]);
    }
    const Figure minimum = figure(2, beta);
    EXPECT_EQ(minimum.run, 575);
    EXPECT_EQ(minimum.drop, 865);
    EXPECT_EQ(plot[575][2], 0.5750000000000004);
    for (int i = 1440; i < kTableRows; ++i)
        ASSERT_TRUE(plot[i][2] == 0.0 && plot[i][3] == 0.0) << i;

    const Figure half = figure(4, 0.5);
    EXPECT_EQ(half.run, 500);
    EXPECT_EQ(half.drop, 868);
    EXPECT_EQ(plot[499][4], 0.4990000000000004);
    EXPECT_EQ(plot[500][4], 0.5000000000000003);
    EXPECT_EQ(plot[500][5], 0.8674261922310337);  // the drop starts at full height
}

TEST(MakePlot, DropFromOneEndsJustAboveZero)
{
    makePlot(plot, table, 0.0, 1.0, 0.0);
    EXPECT_EQ(figure(2, 0.0).run, 0);
    EXPECT_EQ(figure(2, 0.0).drop, 1000);
    EXPECT_EQ(plot[0][2], 0.0);  // no run: the drop stands at x = 0
    EXPECT_EQ(plot[999][3], 0.0009999999999991188);
    EXPECT_EQ(figure(4, 0.5).run, 500);
    EXPECT_EQ(figure(4, 0.5).drop, 0);  // height 0: no drop
}

TEST(MakePlot, NeverWritesPastTheLastRow)
{
    const int guard = 64;
    static double guarded[kTableRows + guard][6];
    const double sentinel = -123.25;
    const double inf = std::numeric_limits<double>::infinity();
    fill(kSpread);
    for (const auto& [a, b, c] : {std::array<double, 3>{20, 20, 20}, {inf, inf, inf},
                                  {0.3, inf, 1e6}, {-inf, 1e300, -1}}) {
        for (auto& row : guarded)
            for (double& cell : row)
                cell = sentinel;
        makePlot(guarded, table, a, b, c);
        for (int r = 0; r < kTableRows; ++r)
            for (int j = 0; j < 6; ++j)
                ASSERT_NE(guarded[r][j], sentinel) << "row " << r << " col " << j;
        for (int r = kTableRows; r < kTableRows + guard; ++r)
            for (int j = 0; j < 6; ++j)
                ASSERT_EQ(guarded[r][j], sentinel) << "row " << r;
    }
    // A figure that fills the table keeps the values it does write.
    EXPECT_EQ(guarded[9999][3], 1e300);
}
