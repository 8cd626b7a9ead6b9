// Text forms of the client's results: the summary a student reads, a JSON
// object for programs, and the plot table as CSV.
#ifndef GAUSSBOUND_CLIENT_REPORT_H
#define GAUSSBOUND_CLIENT_REPORT_H

#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include <gaussbound/Analysis.h>
#include <gaussbound/Model.h>
#include <gaussbound/Text.h>

#include <gaussbound/Bound.h>

// A figure of the any-dimension library in JSON: a number, or "Infinity" or
// "-Infinity" for an infinite limit.
nlohmann::ordered_json figure(double v);

// The name of the first figure that could not be computed (a NaN where the
// any-dimension library gives every figure or its limit), or nothing.
std::optional<std::string> missingFigure(const gaussbound::Figures& f);

// Human-readable summary, figures to 6 significant digits.
std::string textReport(const gaussbound::Model& model, const gaussbound::Figures& f);

// The JSON object of a model's figures, numbers at full (round-trip)
// precision. A figure that is infinite is the string "Infinity" in every
// dimension; null means a figure that could not be computed (the 2-D table's
// figures and the Bhattacharyya figures where Bound gives NaN).
nlohmann::ordered_json reportObject(const gaussbound::Model& model, const gaussbound::Figures& f);

// That object on one line, with the newline.
std::string jsonReport(const gaussbound::Model& model, const gaussbound::Figures& f);

// Header line and kTableRows rows of the plot table's six columns, each
// number written so that it reads back as the same double.
std::string csvTable(const PlotTable& plot);

#endif
