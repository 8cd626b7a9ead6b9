// Every figure of a model, for the library's tests, with the order the
// figures must keep checked on every model a test computes:
//   lower bound <= E <= Chernoff optimum <= table minimum, E <= Bhattacharyya bound,
// each within E's error bound (and, in the plane, 4e-6 relative for the
// table's figures, which may be Bound's), and E's error bound no larger
// than E. A withdrawn Bayes error (NaN) is what the program refuses to print.
#ifndef GAUSSBOUND_TESTS_FIGURES_H
#define GAUSSBOUND_TESTS_FIGURES_H

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <gaussbound/Analysis.h>

#include <gaussbound/Bound.h>

// A caller-owned table for analyse.
struct Table {
    std::vector<std::array<double, 2>> rows = std::vector<std::array<double, 2>>(kTableRows);
    double (*get())[2] { return reinterpret_cast<double(*)[2]>(rows.data()); }
};

inline void expectOrdered(const gaussbound::Figures& f, const std::string& what = "")
{
    if (std::isnan(f.bayes.value))
        return;
    const double low = f.bayes.value - f.bayes.absError, high = f.bayes.value + f.bayes.absError;
    const double table = f.tableErrorBound * (1.0 + 4e-6);
    EXPECT_LE(f.bhattacharyya.lowerBound, high) << what;
    EXPECT_LE(low, f.optimum.errorBound) << what;
    EXPECT_LE(f.optimum.errorBound, table) << what;
    EXPECT_LE(low, table) << what;
    EXPECT_LE(low, f.bhattacharyya.upperBound) << what;
    EXPECT_LE(f.bayes.absError, f.bayes.value) << what;
}

// analyse, and the order of what it gives.
inline gaussbound::Figures figuresOf(const gaussbound::Model& m)
{
    Table t;
    const gaussbound::Figures f = gaussbound::analyse(m, t.get());
    expectOrdered(f);
    return f;
}

#endif
