// A figure for a report, as data: what it shows, not how it is drawn. The
// plot module draws it into PNG, SVG or PDF (see Render.h); nothing here needs
// Cairo.
//
//   Colour, Series, Ellipse, Raster, Label, Figure   what a figure holds
//   Format, formatFor                 the output format a file name asks for
//
// Text is real type (DejaVu Sans): write Greek letters and the minus sign as
// themselves (UTF-8), and a superscript as ^{...}, e.g. "e^{−k(β)}".
#ifndef GAUSSBOUND_FIGURE_H
#define GAUSSBOUND_FIGURE_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace gaussbound {

struct Colour {
    double r, g, b, a = 1.0;
};

// Circle and Square are filled; Ring is a circle's outline, to ring points
// drawn by another series.
enum class Marker { None, Circle, Square, Ring };

// A line through the points in order, broken where a coordinate is not
// finite (or, on a logarithmic axis, not positive), and optional markers.
struct Series {
    std::vector<double> x, y;
    Colour colour;
    std::string label;       // in the legend; empty: not listed
    double lineWidth = 2.0;  // 0: no line
    Marker marker = Marker::None;
    double markerSize = 5.0;
};

// An ellipse in data coordinates: centre, semi-axes, angle of the first
// axis from the x axis in radians.
struct Ellipse {
    double cx, cy, a, b, angle;
    Colour stroke;
    std::optional<Colour> fill;
    double lineWidth = 1.5;
};

// A picture under everything else in the plot area: width x height cells
// over [x0, x1] x [y0, y1] in data coordinates, each painted with a colour of
// the palette. cells holds palette indices row by row, the first row at y0
// (the bottom), each row from x0 to x1; a cell without an entry or with an
// index outside the palette is left clear. Drawn as one image, smoothed
// between cells.
struct Raster {
    double x0 = 0.0, x1 = 1.0, y0 = 0.0, y1 = 1.0;
    int width = 0, height = 0;
    std::vector<Colour> palette;
    std::vector<std::uint16_t> cells;
};

// Text at a point in data coordinates, beside it rather than on it: the
// renderer takes the first side (right, left, above, below) where the text
// stays in the plot area and clear of the labels placed before it, and
// haloes it in white so that it reads over anything.
struct Label {
    double x, y;
    std::string text;
    Colour colour{0.0, 0.0, 0.0};
};

struct Figure {
    std::string title, subtitle;
    std::string xLabel, yLabel;
    // What an axis's values are called, when the label is more than that
    // ("t" for "t: the prior of class 1"): the title then says how the tick
    // labels read, when they need an offset or a common factor. Empty: the
    // label is the symbol.
    std::string xSymbol, ySymbol;
    bool logY = false;
    // Axis ranges; empty: from the data, widened to the ticks around it.
    std::optional<std::pair<double, double>> xRange, yRange;
    std::vector<Series> series;
    std::vector<Ellipse> ellipses;
    std::optional<Raster> raster;  // under the ellipses and series
    std::vector<Label> labels;     // over them, under the legend
    std::vector<std::string> caption;  // lines of text under the plot
};

enum class Format { Png, Svg, Pdf };

// The format of a file name's extension (.png, .svg, .pdf, any case), or
// nothing for any other name.
std::optional<Format> formatFor(const std::string& path);

// [low, high] of an ellipse along the x axis (yAxis false) or the y axis:
// its bounding box.
std::pair<double, double> ellipseExtent(const Ellipse& ellipse, bool yAxis);

}  // namespace gaussbound

#endif
