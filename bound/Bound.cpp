// Chernoff bound table, its minimum, the Bhattacharyya exponent and the plot
// table. Every step keeps the order and precision of the reference
// computation: beta is i / 10000 in single precision, inverse() takes a
// single-precision reciprocal, and the quadratic form is built through the
// Linalg products. Values that do not depend on beta (the mean difference and
// the two class determinants) are computed once per table; that changes no bit.
// The Linalg routines are compiled inline here, from the same definitions
// that libLinalg exports, so that the per-row loop pays no call overhead.
#include "Bound.h"

#include <cmath>

#include "LinalgImpl.h"

using namespace linalg_impl;

// d = mu2 - mu1 as a column and as a row.
static void meanDifference(const double mu1[][1], const double mu2[][1], double d[][1],
                           double dT[][2])
{
    subtract(2, 1, mu2, mu1, d);
    transpose(2, 1, d, dT);
}

// Returns the quadratic form dT S^-1 d.
GAUSSBOUND_IEEE_DIVISION
static inline double quadraticForm(const double dT[][2], const double d[][1], const double s[][2])
{
    double sInv[2][2], t[1][2], q[1][1];
    inverse(s, sInv);
    multiply2(1, 2, 2, 2, dT, sInv, t);
    multiply1(t, d, q);
    return q[0][0];
}

GAUSSBOUND_IEEE_DIVISION
void makeBound(double table[][2], const double mu1[][1], const double mu2[][1],
               const double sigma1[][2], const double sigma2[][2])
{
    double d[2][1], dT[1][2];
    meanDifference(mu1, mu2, d, dT);
    const double det1 = determinant(sigma1);
    const double det2 = determinant(sigma2);

    for (int i = 0; i < kTableRows; ++i) {
        const double beta = static_cast<float>(i) / static_cast<float>(kTableRows);
        const double gamma = 1.0 - beta;

        double a[2][2], b[2][2], s[2][2];
        for (int r = 0; r < 2; ++r)
            for (int c = 0; c < 2; ++c) {
                a[r][c] = sigma1[r][c] * beta;
                b[r][c] = sigma2[r][c] * gamma;
            }
        add(2, 2, a, b, s);

        const double q = quadraticForm(dT, d, s);
        const double p1 = std::pow(det1, beta);
        const double p2 = std::pow(det2, gamma);
        const double logTerm = 0.5 * std::log(determinant(s) / (p1 * p2));
        const double c = beta * gamma / 2.0;

        table[i][0] = beta;
        const double k = q * c + logTerm;
        table[i][1] = std::exp(-k);
    }
}

void findMinB(const double table[][2], double& betaMin, double& valueMin)
{
    double beta = table[0][0];
    double value = table[0][1];
    for (int i = 0; i < kTableRows; ++i)
        if (value > table[i][1]) {  // strict, and false for NaN
            beta = table[i][0];
            value = table[i][1];
        }
    betaMin = beta;
    valueMin = value;
}

GAUSSBOUND_IEEE_DIVISION
double getBattacharayyaBound(const double mu1[][1], const double mu2[][1],
                             const double sigma1[][2], const double sigma2[][2])
{
    double d[2][1], dT[1][2], m[2][2];
    meanDifference(mu1, mu2, d, dT);
    add(2, 2, sigma1, sigma2, m);
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 2; ++c)
            m[r][c] = m[r][c] / 2.0;

    const double q = quadraticForm(dT, d, m);
    const double det1 = determinant(sigma1);
    const double det2 = determinant(sigma2);
    const double logTerm = 0.5 * std::log(determinant(m) / std::sqrt(det1 * det2));
    return 0.125 * q + logTerm;
}

double getProb(double a, double b, double c)
{
    return std::sqrt((a * b) * c);
}

// One marker figure in columns col and col + 1: a horizontal run at height
// `height` from x = 0 while x < limit, then a drop while y > 0, then (0, 0)
// rows. x and y move by repeated addition of 0.001, not by multiples of it.
// Every run stops at the table's last row, so no limit or height, however
// large or infinite, writes past it.
static void markerFigure(double plot[][6], int col, double limit, double height)
{
    double x = 0.0;
    double y = height;
    int r = 0;
    for (; r < kTableRows && limit > x; ++r) {
        plot[r][col] = x;
        plot[r][col + 1] = y;
        x = 0.001 + x;
    }
    for (; r < kTableRows && y > 0.0; ++r) {
        plot[r][col] = x;
        plot[r][col + 1] = y;
        y = y - 0.001;
    }
    for (; r < kTableRows; ++r) {
        plot[r][col] = 0;
        plot[r][col + 1] = 0;
    }
}

void makePlot(double plot[][6], const double table[][2], double a, double b, double c)
{
    for (int i = 0; i < kTableRows; ++i) {
        plot[i][0] = table[i][0];
        plot[i][1] = table[i][1];
    }
    markerFigure(plot, 2, a, b);
    markerFigure(plot, 4, 0.5, c);
}
