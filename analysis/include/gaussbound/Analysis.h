// Every figure of two normal classes in one call: the Chernoff curve's table
// and its minimum, the continuous Chernoff optimum with priors, the
// Bhattacharyya bounds, the divergences and the Bayes error.
//
//   Figures   the figures of one model
//   analyse   fills the caller's table and returns the figures
//   missingFigure  the first figure that could not be computed, if any
//
// In the plane (d = 2) the table, its minimum and the Bhattacharyya exponent
// come from Bound (makeBound, findMinB, getBattacharayyaBound), bit for bit,
// where Bound's plain double arithmetic agrees with ChernoffCurve within
// 1e-6 relative; elsewhere, and in any other dimension, from ChernoffCurve
// at the same betas. Upper bounds are rounded up and the lower bound down
// by a few ulps. The figures keep the order every model has (lower bound <=
// E <= optimum <= table minimum, E <= Bhattacharyya bound) within their
// error bounds; a figure that would not, and a Bayes error whose error bound
// exceeds it, is withdrawn as NaN. analyse keeps no state between calls and
// may run on many threads.
#ifndef GAUSSBOUND_ANALYSIS_H
#define GAUSSBOUND_ANALYSIS_H

#include <optional>
#include <string>

#include "gaussbound/BayesError.h"
#include "gaussbound/Chernoff.h"
#include "gaussbound/Model.h"

namespace gaussbound {

struct Figures {
    Eigen::Index dimension;
    double tableBeta;        // beta of the table's smallest e^-k(beta)
    double tableFactor;      // that e^-k(beta)
    double tableErrorBound;  // min over the rows of P1^(1 - beta) P2^beta e^-k(beta)
    double tableErrorBeta;   // the row's beta where that minimum is reached
    ChernoffOptimum optimum;
    Bhattacharyya bhattacharyya;
    Divergences divergences;
    BayesError bayes;
};

// Reads a valid model; writes every row of table, a Bound BoundTable of
// 10000 rows (beta_i = i / 10000 rounded to float, e^-k(beta_i)). Throws
// std::invalid_argument for a model that validate refuses or a null table
// (see Error.h).
Figures analyse(const Model& model, double table[][2]);

// The name of the first figure analyse could not compute ("Bayes error",
// "Chernoff table", ...): a NaN where every figure or its limit is a number.
// Nothing when all are there.
std::optional<std::string> missingFigure(const Figures& figures);

}  // namespace gaussbound

#endif
