// Text forms of the client's results: the summary a student reads, a JSON
// object for programs, and the plot table as CSV.
#ifndef GAUSSBOUND_CLIENT_REPORT_H
#define GAUSSBOUND_CLIENT_REPORT_H

#include <string>

#include "analysis.h"

// Human-readable summary, figures to 6 significant digits.
std::string textReport(const Classes& classes, const Analysis& a);

// One JSON object, numbers at full (round-trip) precision, null for NaN or
// infinity.
std::string jsonReport(const Classes& classes, const Analysis& a);

// Header line and kTableRows rows of the plot table's six columns, each
// number written so that it reads back as the same double.
std::string csvTable(const PlotTable& plot);

#endif
