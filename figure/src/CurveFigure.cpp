#include "gaussbound/CurveFigure.h"

#include <cstdio>
#include <stdexcept>

namespace gaussbound {

namespace {

const Colour kCurve{0.08, 0.33, 0.67}, kMinimum{0.82, 0.16, 0.16}, kBhatt{0.12, 0.55, 0.12};

// Rows of columns (col, col + 1), without trailing padding rows when asked.
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

Figure curveFigure(const double (*plot)[6], double minimumBeta, std::string subtitle)
{
    if (!plot)
        throw std::invalid_argument("curveFigure: the plot table is null");
    char beta[32];
    std::snprintf(beta, sizeof beta, "%.4g", minimumBeta);
    Figure figure;
    figure.title = "Chernoff bound of two normal classes";
    figure.subtitle = std::move(subtitle);
    figure.xLabel = "β";
    figure.yLabel = "e^{−k(β)}";
    figure.xRange = std::pair{0.0, 1.0};
    figure.series = {column(plot, 0, false, kCurve, "Chernoff factor e^{−k(β)}"),
                     column(plot, 2, true, kMinimum, std::string("minimum, β* = ") + beta),
                     column(plot, 4, true, kBhatt, "Bhattacharyya, β = 0.5")};
    return figure;
}

}  // namespace gaussbound
