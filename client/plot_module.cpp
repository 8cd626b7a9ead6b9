// The plot module, bounds-plot.so: draws the figure with Cairo.
#include <cstdio>
#include <stdexcept>

#include "plot.h"

namespace {

using gaussbound::Colour;
using gaussbound::Series;

const Colour kCurve{0.08, 0.33, 0.67}, kMinimum{0.82, 0.16, 0.16}, kBhatt{0.12, 0.55, 0.12};

// Rows of columns (col, col + 1). A marker figure's trailing (0, 0) rows
// are padding, not points of it.
Series column(const double (*plot)[6], int col, bool trimPadding, Colour colour, std::string label)
{
    int rows = kTableRows;
    while (trimPadding && rows > 0 && plot[rows - 1][col] == 0.0 && plot[rows - 1][col + 1] == 0.0)
        --rows;
    Series s;
    for (int r = 0; r < rows; ++r) {
        s.x.push_back(plot[r][col]);
        s.y.push_back(plot[r][col + 1]);
    }
    s.colour = colour;
    s.label = std::move(label);
    return s;
}

}  // namespace

extern "C" bool gaussboundBoundsPlot(const PlotRequest* request, std::string* bytes, std::string* error)
{
    char beta[32];
    std::snprintf(beta, sizeof beta, "%.4g", request->minimumBeta);
    gaussbound::Figure figure;
    figure.title = "Chernoff bound of two normal classes";
    figure.subtitle = request->subtitle;
    figure.xLabel = "β";
    figure.yLabel = "e^{−k(β)}";
    figure.xRange = std::pair{0.0, 1.0};
    figure.series = {column(request->plot, 0, false, kCurve, "Chernoff factor e^{−k(β)}"),
                     column(request->plot, 2, true, kMinimum, std::string("minimum, β* = ") + beta),
                     column(request->plot, 4, true, kBhatt, "Bhattacharyya, β = 0.5")};
    try {
        *bytes = gaussbound::render(figure, request->format, request->width, request->height);
        return true;
    } catch (const std::exception& e) {
        *error = e.what();
        return false;
    }
}
