// The rows of a sweep as text: one row a value of t, holding t and the
// figures at t (the Chernoff optimum's beta and bound, the Bhattacharyya
// upper and lower bounds, the Bayes error and its two parts), as JSON, as CSV
// and as the table a student reads.
//
//   sweepJson   {"vary":NAME,"rows":[...]}, each row's figures as `bounds --json` writes them
//   sweepCsv    a header line and one line a row, every number read back as the same double
//   sweepText   a title line, a header line and one line a row, figures to 6 digits
//
// Each reads values[i] and rows[i], the figures at values[i], together, and
// throws std::invalid_argument (see Error.h) when their counts differ. Both
// may be empty: a sweep of no values is its headers alone.
#ifndef GAUSSBOUND_SWEEP_TABLE_H
#define GAUSSBOUND_SWEEP_TABLE_H

#include <string>
#include <vector>

#include <gaussbound/Analysis.h>
#include <gaussbound/Model.h>
#include <gaussbound/Sweep.h>

namespace gaussbound {

// One line: {"vary":NAME,"rows":[ROW,...]} and a newline, where ROW is
// {"t":..,"chernoff_beta":..,"chernoff_error_bound":..,
// "bhattacharyya_error_bound":..,"bhattacharyya_lower_bound":..,
// "bayes_error":..,"given_class1":..,"given_class2":..}, each figure the one
// reportObject gives for modelAt(model, parameter, t) (null or "Infinity"
// alike). name is the parameter's name (not empty). Throws besides as
// modelAt and reportObject do, for a parameter that does not fit the model
// and rows of another dimension.
std::string sweepJson(const Model& model, const std::string& name, const SweepParameter& parameter,
                      const std::vector<double>& values, const std::vector<Figures>& rows);

// The header "t,chernoff_beta,...,given_class2" (sweepJson's keys, in its
// order) and a line of the eight numbers a row, each written so that it
// reads back as the same double ("inf", "nan" where a figure is so).
std::string sweepCsv(const std::vector<double>& values, const std::vector<Figures>& rows);

// "Sweep of NAME over N values of t", a header of the eight columns, and a
// line a row, each number to 6 significant digits, right-aligned in columns
// of 13 characters (a longer number is led by one space). name is not empty.
std::string sweepText(const std::string& name, const std::vector<double>& values, const std::vector<Figures>& rows);

}  // namespace gaussbound

#endif
