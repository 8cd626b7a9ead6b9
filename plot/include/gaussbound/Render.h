// A figure drawn with Cairo into the bytes of a PNG, SVG or PDF file.
//
// Text is real type (DejaVu Sans): Greek letters and the minus sign are
// written as themselves (UTF-8), and a superscript as ^{...}, e.g.
// "e^{−k(β)}".
#ifndef GAUSSBOUND_RENDER_H
#define GAUSSBOUND_RENDER_H

#include <string>

#include "gaussbound/Figure.h"

namespace gaussbound {

// Draws figure on a width x height page (pixels for PNG, points for SVG and
// PDF) and returns the file's bytes, the same for a figure whatever the
// process drew before it. Calls from several threads draw one at a time:
// Cairo numbers an SVG's ids over the whole process, and render renumbers
// them from one. Throws std::runtime_error when Cairo reports a failure.
std::string render(const Figure& figure, Format format, int width, int height);

// What a program that loads the plot module at run time asks it to draw.
struct RenderRequest {
    const Figure* figure;
    Format format;
    int width, height;
};

}  // namespace gaussbound

// The plot module's entry point: render's bytes for request, or false with
// the reason in error. Exported with C linkage, so that dlsym finds it by
// this name.
extern "C" bool gaussboundRender(const gaussbound::RenderRequest* request, std::string* bytes, std::string* error);

#endif
