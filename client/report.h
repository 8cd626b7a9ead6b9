// Text forms of the client's results: the summary a student reads, a JSON
// object for programs, and the plot table as CSV.
#ifndef GAUSSBOUND_CLIENT_REPORT_H
#define GAUSSBOUND_CLIENT_REPORT_H

#include <string>

#include "analysis.h"

// One class's parameters to 6 significant digits:
// "mean (0, 0), covariance [1 0; 0 1], prior 0.5".
std::string classSummary(const double mu[][1], const double sigma[][2], double prior);

// Human-readable summary, figures to 6 significant digits.
std::string textReport(const Classes& classes, const Analysis& a);

// One JSON object, numbers at full (round-trip) precision, null for NaN or
// infinity.
std::string jsonReport(const Classes& classes, const Analysis& a);

// Header line and kTableRows rows of the plot table's six columns, each
// number written so that it reads back as the same double.
std::string csvTable(const PlotTable& plot);

#endif
