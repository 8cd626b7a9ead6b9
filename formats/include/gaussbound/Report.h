// A model's figures as text: the summary a student reads, the JSON object
// programs read (the one `bounds --json` prints), and the plot table as CSV.
//
//   jsonValue      a figure in JSON: a number, or "Infinity"/"-Infinity"
//   textReport     the summary, figures to 6 significant digits
//   modelObject    the model's keys, as a model file holds them
//   reportObject   the model's keys and every figure, at full precision
//   jsonReport     that object on one line
//   csvTable       the plot table, every number read back as the same double
#ifndef GAUSSBOUND_REPORT_H
#define GAUSSBOUND_REPORT_H

#include <string>

#include <nlohmann/json.hpp>

#include <gaussbound/Analysis.h>
#include <gaussbound/Model.h>
#include <gaussbound/Text.h>

#include <gaussbound/Bound.h>

namespace gaussbound {

// A figure of the any-dimension library in JSON: a number, or "Infinity" or
// "-Infinity" for an infinite limit.
nlohmann::ordered_json jsonValue(double v);

// Human-readable summary, figures to 6 significant digits. Throws
// std::invalid_argument when the model's sizes disagree or its numbers are
// not finite (hasShape), or f is not of the model's dimension.
std::string textReport(const Model& model, const Figures& f);

// The JSON object of a model's figures, numbers at full (round-trip)
// precision. A figure that is infinite is the string "Infinity" in every
// dimension; null means a figure that could not be computed (the 2-D table's
// figures and the Bhattacharyya figures where Bound gives NaN). Throws
// std::invalid_argument when f is not of the model's dimension.
nlohmann::ordered_json reportObject(const Model& model, const Figures& f);

// {"mu1", "mu2", "sigma1" and "sigma2" row-major, "priors"}: what
// readModelFile reads back to the same model, bit for bit. Throws
// std::invalid_argument when the model's sizes disagree.
nlohmann::ordered_json modelObject(const Model& model);

// That object on one line, with the newline.
std::string jsonReport(const Model& model, const Figures& f);

// Header line and kTableRows rows of the plot table's six columns, each
// number written so that it reads back as the same double.
std::string csvTable(const PlotTable& plot);

}  // namespace gaussbound

#endif
