// The client's figures: built here as data, drawn by the plot module.
//
//   curveFigure    the Chernoff curve with its two marker figures
//   renderFigure   a figure's file, drawn by the plot module
//
// Drawing needs Cairo, whose libraries take longer to load than bounds takes
// to compute, so it lives in a module of its own (bounds-plot.so) that is
// loaded only when a figure is asked for: bounds without --plot starts
// without it.
#ifndef GAUSSBOUND_CLIENT_PLOT_H
#define GAUSSBOUND_CLIENT_PLOT_H

#include <string>

#include "Bound.h"
#include "Plot.h"

// The curve e^-k(beta) (plot columns 0-1 of a PlotTable), the figure at the
// minimum (columns 2-3, minimumBeta in the legend) and the one at
// beta = 0.5 (columns 4-5), with the classes in the subtitle.
gaussbound::Figure curveFigure(const double (*plot)[6], double minimumBeta, std::string subtitle);

// What the module draws: a figure, its format and its size (pixels for PNG,
// points for SVG and PDF).
struct RenderRequest {
    const gaussbound::Figure* figure;
    gaussbound::Format format;
    int width, height;
};

// The file's bytes. Throws std::runtime_error when the module cannot be
// loaded or the drawing fails.
std::string renderFigure(const gaussbound::Figure& figure, gaussbound::Format format, int width, int height);

// The module's entry point: fills bytes, or error and returns false.
extern "C" bool gaussboundRender(const RenderRequest* request, std::string* bytes, std::string* error);

#endif
