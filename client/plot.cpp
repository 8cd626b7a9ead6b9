#include "plot.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <stdexcept>

#ifndef GAUSSBOUND_PLOT_MODULE
#define GAUSSBOUND_PLOT_MODULE "../lib/gaussbound/bounds-plot.so"
#endif

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

// The folder of the running program.
std::string programFolder()
{
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return ".";
    const std::string exe(path, static_cast<size_t>(n));
    return exe.substr(0, exe.rfind('/'));
}

// Beside the program (a build tree), then where an install puts it.
void* openModule(std::string& tried)
{
    const std::string folder = programFolder();
    for (const std::string& path : {folder + "/bounds-plot.so", folder + "/" + GAUSSBOUND_PLOT_MODULE}) {
        if (void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL))
            return module;
        tried += (tried.empty() ? "" : "; ") + std::string(dlerror());
    }
    return nullptr;
}

}  // namespace

gaussbound::Figure curveFigure(const double (*plot)[6], double minimumBeta, std::string subtitle)
{
    char beta[32];
    std::snprintf(beta, sizeof beta, "%.4g", minimumBeta);
    gaussbound::Figure figure;
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

std::string renderFigure(const gaussbound::Figure& figure, gaussbound::Format format, int width, int height)
{
    std::string tried;
    void* module = openModule(tried);
    if (!module)
        throw std::runtime_error("the plot module could not be loaded (" + tried + ")");
    using Entry = bool (*)(const RenderRequest*, std::string*, std::string*);
    const auto entry = reinterpret_cast<Entry>(dlsym(module, "gaussboundRender"));
    if (!entry)
        throw std::runtime_error("the plot module has no entry point");
    const RenderRequest request{&figure, format, width, height};
    std::string bytes, error;
    if (!entry(&request, &bytes, &error))
        throw std::runtime_error(error);
    // The module stays loaded: Cairo keeps caches that outlive the call.
    return bytes;
}
