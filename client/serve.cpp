// bounds serve: the explorer page on a local web server, until SIGINT or
// SIGTERM ends it (exit 0); an address that cannot be taken is exit 1. The
// server is the serve module's (server/), loaded only here.
#include <algorithm>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <thread>

#include "cli.h"
#include "commands.h"
#include "modules.h"

namespace {

struct Serve {
    std::string host = "127.0.0.1", port = "8080", threads;
};

gaussbound::ServeSettings check(const Serve& o)
{
    gaussbound::ServeSettings settings;
    if (o.host.empty())
        throw Invalid("--host: the address is empty");
    settings.host = o.host;
    settings.port = static_cast<int>(readWhole("--port", o.port, 0, 65535));
    // Each open connection holds a thread while it lasts, and a browser
    // opens up to six: fewer threads would keep the page's files waiting.
    settings.threads = o.threads.empty() ? std::max(8u, std::thread::hardware_concurrency()) : readThreads(o.threads);
    return settings;
}

int run(const gaussbound::ServeSettings& settings)
{
    try {
        return serveExplorer(settings);
    } catch (const std::runtime_error& e) {
        std::cerr << "bounds serve: " << e.what() << '\n';
        return 1;
    }
}

}  // namespace

void addServeCommand(CLI::App& app, Work& work)
{
    auto o = std::make_shared<Serve>();
    CLI::App* serve = app.add_subcommand(
        "serve", "Serve the explorer page: drag the classes and watch the Bayes error, the bounds, the\n"
                 "Chernoff curve and the ROC follow");
    serve->add_option("--host", o->host, "Address to listen on; any other than 127.0.0.1 lets other machines in")
        ->type_name("ADDRESS")
        ->capture_default_str();
    serve->add_option("--port", o->port, "Port to listen on, 0 for any free one (printed)")
        ->type_name("PORT")
        ->capture_default_str();
    serve->add_option("--threads", o->threads, "Connections served at once (default: 8, or one a core where there are more)")
        ->type_name("N");
    serve->footer("The page's files are built into the program, and no request reads or writes a file.\n"
                  "The API (POST /api/analyse, /api/roc, /api/sweep, /api/draw, /api/figure, /api/view,\n"
                  "GET /api/version) is described in the README. SIGINT or SIGTERM ends the server, exit 0;\n"
                  "an address that cannot be taken is exit 1.");
    serve->callback([o, &work] {
        const gaussbound::ServeSettings settings = check(*o);
        work = [settings] { return run(settings); };
    });
}
