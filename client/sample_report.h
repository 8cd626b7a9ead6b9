// What `bounds fit` and `bounds draw` read and print beyond the plain
// command's figures.
//
//   ErrorCount         errors of a classifier on n points
//   errorLine          a summary line: rate, count and Wilson interval
//   errorObject        the same as JSON {errors, rate, interval}
//   intervalJson       [low, high], null ends where not computed
//   finish             draws the figure, writes the files, prints the summary:
//                      how every command that draws ends
#ifndef GAUSSBOUND_CLIENT_SAMPLE_REPORT_H
#define GAUSSBOUND_CLIENT_SAMPLE_REPORT_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include <gaussbound/Interval.h>

#include <gaussbound/Figure.h>
#include "cli.h"
#include "output.h"

struct ErrorCount {
    std::int64_t errors, points;
};

// "1 point", "N points".
std::string pointCount(std::int64_t n);

// "  LABEL  RATE  (E of N points; 95 % Wilson interval LOW to HIGH)".
std::string errorLine(const std::string& label, const ErrorCount& count);

// {"errors": E, "rate": E / N, "interval": [low, high]}.
nlohmann::ordered_json errorObject(const ErrorCount& count);

nlohmann::ordered_json intervalJson(const gaussbound::Interval& interval);

// Renders figure into plot.path (when both are given), with plot.title in
// place of its own title when there is one, writes it and files
// all or nothing (see writeOutputs), then prints summary on standard output
// unless an output went there. Returns the exit status: 0, or 1 with the
// reason on stderr when drawing or writing failed.
int finish(std::optional<gaussbound::Figure> figure, const PlotTarget& plot, std::vector<PendingFile> files,
           const std::string& summary);

#endif
