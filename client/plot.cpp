#include "plot.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <stdexcept>

#ifndef GAUSSBOUND_PLOT_MODULE
#define GAUSSBOUND_PLOT_MODULE "../lib/gaussbound/bounds-plot.so"
#endif

namespace {

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

std::string drawPlot(const PlotRequest& request)
{
    std::string tried;
    void* module = openModule(tried);
    if (!module)
        throw std::runtime_error("the plot module could not be loaded (" + tried + ")");
    using Entry = bool (*)(const PlotRequest*, std::string*, std::string*);
    const auto entry = reinterpret_cast<Entry>(dlsym(module, "gaussboundBoundsPlot"));
    if (!entry)
        throw std::runtime_error("the plot module has no entry point");
    std::string bytes, error;
    if (!entry(&request, &bytes, &error))
        throw std::runtime_error(error);
    // The module stays loaded: Cairo keeps caches that outlive the call.
    return bytes;
}
