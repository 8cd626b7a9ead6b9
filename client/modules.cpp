#include "modules.h"

#include <gaussbound/Render.h>

#include <dlfcn.h>

#include <filesystem>
#include <stdexcept>

#ifndef GAUSSBOUND_MODULE_FOLDER
#define GAUSSBOUND_MODULE_FOLDER "../lib/gaussbound"
#endif

namespace {

// The entry point named entry of the module file, found beside the program
// (a build tree), then where an install puts it. dlopen itself: a module is
// one C entry point, and Boost.DLL would add a compiled Boost library to the
// client for those few lines. The module stays loaded: Cairo keeps caches
// that outlive a call.
void* entryPoint(const std::string& file, const char* entry)
{
    // The running program's folder; "." if /proc is not there to say.
    std::error_code error;
    std::filesystem::path folder = std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
    if (error || folder.empty())
        folder = ".";
    std::string tried;
    for (const std::filesystem::path& path : {folder / file, folder / GAUSSBOUND_MODULE_FOLDER / file}) {
        if (void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
            if (void* found = dlsym(module, entry))
                return found;
            throw std::runtime_error("the module " + path.string() + " has no entry point");
        }
        tried += (tried.empty() ? "" : "; ") + std::string(dlerror());
    }
    throw std::runtime_error("the module " + file + " could not be loaded (" + tried + ")");
}

}  // namespace

std::string renderFigure(const gaussbound::Figure& figure, gaussbound::Format format, int width, int height)
{
    using Entry = bool (*)(const gaussbound::RenderRequest*, std::string*, std::string*);
    const auto draw = reinterpret_cast<Entry>(entryPoint("bounds-plot.so", "gaussboundRender"));
    const gaussbound::RenderRequest request{&figure, format, width, height};
    std::string bytes, error;
    if (!draw(&request, &bytes, &error))
        throw std::runtime_error(error);
    return bytes;
}

int serveExplorer(const gaussbound::ServeSettings& settings)
{
    using Entry = int (*)(const gaussbound::ServeSettings*);
    return reinterpret_cast<Entry>(entryPoint("bounds-serve.so", "gaussboundServe"))(&settings);
}
