// A figure as JSON data, for a page that draws it itself.
//
//   figureJson   every field of a Figure as one JSON object
#ifndef GAUSSBOUND_FIGURE_JSON_H
#define GAUSSBOUND_FIGURE_JSON_H

#include <nlohmann/json.hpp>

#include "gaussbound/Figure.h"

namespace gaussbound {

// {"title", "subtitle", "x_label", "y_label", "x_symbol", "y_symbol",
//  "log_y", "x_range", "y_range", "series", "ellipses", "raster", "labels",
//  "caption"}: the ranges [low, high] or null (from the data); each series
// {"x", "y", "colour", "label", "line_width", "marker", "marker_size"} with
// a colour [r, g, b, a] and the marker "none", "circle", "square" or
// "ring"; each ellipse {"cx", "cy", "a", "b", "angle", "stroke", "fill"
// (null when none), "line_width"}; the raster null or {"x_range",
// "y_range", "width", "height", "palette" (colours), "cells" (palette
// indices, bottom row first)}; each label {"x", "y", "text", "colour"}. A
// number that is not finite (the breaks in a series) is null. Throws
// nothing beyond std::bad_alloc.
nlohmann::ordered_json figureJson(const Figure& figure);

}  // namespace gaussbound

#endif
