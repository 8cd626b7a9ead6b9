// bounds serve: the explorer page on a local web server (server/), until
// SIGINT or SIGTERM ends it (exit 0); an address that cannot be taken is
// exit 1. The signals are blocked in every thread and taken by sigwait in
// the main thread, which then stops the server: nothing runs in a signal
// handler.
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <iostream>
#include <memory>
#include <thread>

#include <gaussbound/Server.h>

#include "cli.h"
#include "commands.h"
#include "plot_module.h"

namespace {

struct Serve {
    std::string host = "127.0.0.1", port = "8080", threads;
    // Checked.
    int portNumber = 8080;
    unsigned threadCount = 1;
};

bool loopback(const std::string& host)
{
    return host == "127.0.0.1" || host == "localhost" || host == "::1";
}

// The URL of host:port, an IPv6 address in brackets.
std::string address(const std::string& host, int port)
{
    const bool v6 = host.find(':') != std::string::npos;
    return "http://" + (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port) + "/";
}

int runServe(const Serve& o)
{
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);  // before any thread starts, so that all inherit it

    gaussbound::PageServer server(renderFigure, o.threadCount);
    int port;
    try {
        port = server.bind(o.host, o.portNumber);
    } catch (const gaussbound::BindError& e) {
        std::cerr << "bounds serve: " << e.what() << '\n';
        return 1;
    }
    if (!loopback(o.host))
        std::cerr << "bounds serve: warning: listening on " << o.host
                  << ": the page has no authentication, and anyone who can reach this address can use it\n";
    std::cout << "bounds serve: the explorer is at " << address(o.host, port) << " (Ctrl-C ends it)" << std::endl;

    std::future<bool> listening = std::async(std::launch::async, [&] {
        const bool served = server.run();
        kill(getpid(), SIGTERM);  // wakes sigwait below if the server stopped by itself
        return served;
    });
    int signal = 0;
    sigwait(&signals, &signal);
    // A signal that comes before the server has begun to listen finds
    // nothing to stop, so stop is asked again until run has returned.
    do
        server.stop();
    while (listening.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready);
    const bool served = listening.get();
    if (!served) {
        std::cerr << "bounds serve: the server stopped: it could not accept connections\n";
        return 1;
    }
    return 0;
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
    serve->add_option("--threads", o->threads, "Requests answered at once (default: one a core, at least 2)")
        ->type_name("N");
    serve->footer("The page's files are built into the program, and no request reads or writes a file.\n"
                  "The API (POST /api/analyse, /api/roc, /api/sweep, /api/draw, /api/figure, /api/view,\n"
                  "GET /api/version) is described in the README. SIGINT or SIGTERM ends the server, exit 0;\n"
                  "an address that cannot be taken is exit 1.");
    serve->callback([o, &work] {
        if (o->host.empty())
            throw Invalid("--host: the address is empty");
        o->portNumber = static_cast<int>(readWhole("--port", o->port, 0, 65535));
        o->threadCount = o->threads.empty() ? std::max(2u, std::thread::hardware_concurrency())
                                            : readThreads(o->threads);
        work = [o] { return runServe(*o); };
    });
}
