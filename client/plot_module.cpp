// The plot module, bounds-plot.so: draws the client's figures with Cairo.
#include <stdexcept>

#include "plot.h"

extern "C" bool gaussboundRender(const RenderRequest* request, std::string* bytes, std::string* error)
{
    try {
        *bytes = gaussbound::render(*request->figure, request->format, request->width, request->height);
        return true;
    } catch (const std::exception& e) {
        *error = e.what();
        return false;
    }
}
