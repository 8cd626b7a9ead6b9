// Figures for a report, drawn with Cairo into PNG, SVG or PDF.
//
//   Colour, Series, Ellipse, Figure   what a figure holds
//   Format, formatFor                 the output format a file name asks for
//   niceTicks                         tick values of 1, 2 or 5 times a power of ten
//   axisTicks                         those ticks with their labels, for any finite range
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
// ten, about `target` (2 to 50) of them, or offset + such multiples for a
// narrow range far from zero (see axisTicks). Throws std::invalid_argument
// unless lo < hi, both finite.
std::vector<double> niceTicks(double lo, double hi, int target = 6);

// The ticks of a linear axis over [lo, hi] with their labels, a few (about
// target) and each label distinct and short for any finite range. The ticks
// are offset + multiples of a step of 1, 2 or 5 times a power of ten, where
// offset is 0 unless the range is narrow for its distance from zero (1e15 to
// 1e15 + 1): then it is a round number near the range, and the labels show
// the value less the offset. Each label reads (value − offset) / 10^exponent,
// written exactly in decimals; exponent is 0 unless those numbers would be
// below 10^-4 or reach 10^6. With cover, one more tick at each end that is not
// on a tick already, so that the ticks enclose the range. Throws
// std::invalid_argument unless lo < hi, both finite, and 2 <= target <= 50.
struct AxisTicks {
    double offset = 0.0;
    std::string offsetText;  // the offset as a title writes it: "10^{15}", "1.5×10^{15}", "0.25"
    int exponent = 0;
    std::vector<double> at;  // each tick's value less the offset, in increasing order
    std::vector<std::string> labels;
};
AxisTicks axisTicks(double lo, double hi, int target = 6, bool cover = false);

// The axis title for those ticks: label itself when they have neither an
// offset nor a factor; otherwise what the labels show, after the label when
// the symbol differs from it: "x₁ − 10^{15}", "(t − 1) / 10^{−16}",
// "the prior of class 1; ticks: t / 10^{−5}".
std::string axisTitle(const std::string& label, const std::string& symbol, const AxisTicks& ticks);

// Draws figure on a width x height page (pixels for PNG, points for SVG and
// PDF) and returns the file's bytes. Throws std::runtime_error when Cairo
// reports a failure.
std::string render(const Figure& figure, Format format, int width, int height);

}  // namespace gaussbound

#endif
