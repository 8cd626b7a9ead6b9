// The modules bounds loads only when a command needs them.
//
//   renderFigure    draws through the plot module, bounds-plot.so
//   serveExplorer   serves the explorer page through the serve module, bounds-serve.so
//
// Cairo's libraries take longer to load than bounds takes to compute, and
// cpp-httplib brings the TLS libraries: bounds without --plot or serve
// starts without them.
#ifndef GAUSSBOUND_CLIENT_MODULES_H
#define GAUSSBOUND_CLIENT_MODULES_H

#include <string>

#include <gaussbound/Figure.h>
#include <gaussbound/Server.h>

// The file's bytes. Throws std::runtime_error when the module cannot be
// loaded or the drawing fails.
std::string renderFigure(const gaussbound::Figure& figure, gaussbound::Format format, int width, int height);

// serveUntilSignalled's exit status. Throws std::runtime_error when the
// module cannot be loaded.
int serveExplorer(const gaussbound::ServeSettings& settings);

#endif
