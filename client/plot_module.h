// Drawing through the plot module, bounds-plot.so.
//
// Cairo's libraries take longer to load than bounds takes to compute, so
// drawing lives in a module that is loaded only when a figure is asked for:
// bounds without --plot starts without it.
#ifndef GAUSSBOUND_CLIENT_PLOT_MODULE_H
#define GAUSSBOUND_CLIENT_PLOT_MODULE_H

#include <string>

#include <gaussbound/Figure.h>

// The file's bytes. Throws std::runtime_error when the module cannot be
// loaded or the drawing fails.
std::string renderFigure(const gaussbound::Figure& figure, gaussbound::Format format, int width, int height);

#endif
