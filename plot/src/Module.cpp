// The plot module, bounds-plot.so: Cairo behind one C entry point, so that
// a program loads Cairo's libraries only when it draws.
#include <stdexcept>

#include "gaussbound/Render.h"

extern "C" bool gaussboundRender(const gaussbound::RenderRequest* request, std::string* bytes, std::string* error)
{
    try {
        *bytes = gaussbound::render(*request->figure, request->format, request->width, request->height);
        return true;
    } catch (const std::exception& e) {
        *error = e.what();
        return false;
    }
}
