// Numbers and classes as every text of the toolkit writes them: reports,
// tables, captions and file comments.
//
//   exact          the shortest text that reads back as the same double
//   sig6           6 significant digits, as printf's %.6g
//   line           a summary line: label, padded, then a value to 6 digits
//   classSummary   one class's mean, covariance and prior
//   modelSummary   both classes, or the dimension and priors beyond 3 dimensions
#ifndef GAUSSBOUND_TEXT_H
#define GAUSSBOUND_TEXT_H

#include <string>

#include <Eigen/Core>

#include "gaussbound/Model.h"

namespace gaussbound {

// The shortest text that reads back as the same double (std::to_chars).
std::string exact(double v);

// v to 6 significant digits (printf's %.6g: "0.5", "1e-05", "inf", "nan").
std::string sig6(double v);

// label, padded with spaces to column (at least one), then value to 6 digits
// ("inf" when infinite, "not computed" for NaN), tail and a newline.
std::string line(const std::string& label, double value, const std::string& tail = "", size_t column = 47);

// One class's parameters to 6 significant digits:
// "mean (0, 0), covariance [1 0; 0 1], prior 0.5". Throws
// std::invalid_argument unless sigma is square of mu's size.
std::string classSummary(const Eigen::VectorXd& mu, const Eigen::MatrixXd& sigma, double prior);

// "class 1: ...    class 2: ..." (classSummary) up to three dimensions,
// else "D dimensions, priors P1, P2".
std::string modelSummary(const Model& model);

}  // namespace gaussbound

#endif
