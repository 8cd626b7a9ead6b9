// Figures for a report, drawn with Cairo into PNG, SVG or PDF.
//
//   Colour, Series, Ellipse, Figure   what a figure holds
//   Format, formatFor                 the output format a file name asks for
//   niceTicks                         tick values of 1, 2 or 5 times a power of ten
//   render                            the figure's file, in memory
//
// Text is real type (DejaVu Sans): write Greek letters and the minus sign as
// themselves (UTF-8), and a superscript as ^{...}, e.g. "e^{−k(β)}".
#ifndef GAUSSBOUND_PLOT_H
#define GAUSSBOUND_PLOT_H

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

struct Figure {
    std::string title, subtitle;
    std::string xLabel, yLabel;
    bool logY = false;
    // Axis ranges; empty: from the data, widened to the ticks around it.
    std::optional<std::pair<double, double>> xRange, yRange;
    std::vector<Series> series;
    std::vector<Ellipse> ellipses;
    std::vector<std::string> caption;  // lines of text under the plot
};

enum class Format { Png, Svg, Pdf };

// The format of a file name's extension (.png, .svg, .pdf, any case), or
// nothing for any other name. Inline, so that a program can check a name
// without linking Cairo.
inline std::optional<Format> formatFor(const std::string& path)
{
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos)
        return std::nullopt;
    std::string ext = path.substr(dot + 1);
    for (char& c : ext)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (ext == "png")
        return Format::Png;
    if (ext == "svg")
        return Format::Svg;
    if (ext == "pdf")
        return Format::Pdf;
    return std::nullopt;
}

// The ticks in [lo, hi]: multiples of a step of 1, 2 or 5 times a power of
// ten, about `target` of them. Reads lo < hi, both finite.
std::vector<double> niceTicks(double lo, double hi, int target = 6);

// Draws figure on a width x height page (pixels for PNG, points for SVG and
// PDF) and returns the file's bytes. Throws std::runtime_error when Cairo
// reports a failure.
std::string render(const Figure& figure, Format format, int width, int height);

}  // namespace gaussbound

#endif
