#include "plot_module.h"

#include <gaussbound/Render.h>

#include <dlfcn.h>

#include <filesystem>
#include <stdexcept>

#ifndef GAUSSBOUND_PLOT_MODULE
#define GAUSSBOUND_PLOT_MODULE "../lib/gaussbound/bounds-plot.so"
#endif

namespace {

// Beside the program (a build tree), then where an install puts it. dlopen
// itself: the module is one C entry point, and Boost.DLL would add a
// compiled Boost library to the client for those few lines.
void* openModule(std::string& tried)
{
    // The running program's folder; "." if /proc is not there to say.
    std::error_code error;
    std::filesystem::path folder = std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
    if (error || folder.empty())
        folder = ".";
    for (const std::filesystem::path& path : {folder / "bounds-plot.so", folder / GAUSSBOUND_PLOT_MODULE}) {
        if (void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL))
            return module;
        tried += (tried.empty() ? "" : "; ") + std::string(dlerror());
    }
    return nullptr;
}

}  // namespace

std::string renderFigure(const gaussbound::Figure& figure, gaussbound::Format format, int width, int height)
{
    std::string tried;
    void* module = openModule(tried);
    if (!module)
        throw std::runtime_error("the plot module could not be loaded (" + tried + ")");
    using Entry = bool (*)(const gaussbound::RenderRequest*, std::string*, std::string*);
    const auto entry = reinterpret_cast<Entry>(dlsym(module, "gaussboundRender"));
    if (!entry)
        throw std::runtime_error("the plot module has no entry point");
    const gaussbound::RenderRequest request{&figure, format, width, height};
    std::string bytes, error;
    if (!entry(&request, &bytes, &error))
        throw std::runtime_error(error);
    // The module stays loaded: Cairo keeps caches that outlive the call.
    return bytes;
}
