// PNG picture of the Chernoff curve and its two marker figures.
#ifndef GAUSSBOUND_CLIENT_PLOT_H
#define GAUSSBOUND_CLIENT_PLOT_H

#include <string>

#include <gaussbound/Analysis.h>

#include "Bound.h"

// Draws the curve e^-k(beta) (plot columns 0-1), the figure at the minimum
// (columns 2-3) and the one at beta = 0.5 (columns 4-5) on a width x height
// canvas, with axes, ticks, a legend and the classes in the title. Returns
// the PNG file's bytes, or an empty string if encoding failed.
std::string renderPlot(const gaussbound::Model& model, const gaussbound::Figures& f,
                       const PlotTable& plot, int width, int height);

#endif
