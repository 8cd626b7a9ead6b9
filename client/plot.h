// The figure of the Chernoff curve and its two marker figures.
//
// Drawing needs Cairo, whose libraries take longer to load than bounds takes
// to compute, so it lives in a module of its own (bounds-plot.so) that is
// loaded only when a plot is asked for: bounds without --plot starts
// without it.
#ifndef GAUSSBOUND_CLIENT_PLOT_H
#define GAUSSBOUND_CLIENT_PLOT_H

#include <string>

#include "Bound.h"
#include "Plot.h"

// What the figure shows: the curve e^-k(beta) (plot columns 0-1), the figure
// at the minimum (columns 2-3) and the one at beta = 0.5 (columns 4-5), with
// axes, ticks, a legend, and the classes in the subtitle.
struct PlotRequest {
    const double (*plot)[6];  // a PlotTable
    double minimumBeta;       // for the legend
    std::string subtitle;
    gaussbound::Format format;
    int width, height;        // pixels for PNG, points for SVG and PDF
};

// The file's bytes. Throws std::runtime_error when the module cannot be
// loaded or the drawing fails.
std::string drawPlot(const PlotRequest& request);

// The module's entry point: fills bytes, or error and returns false.
extern "C" bool gaussboundBoundsPlot(const PlotRequest* request, std::string* bytes, std::string* error);

#endif
