// The explorer's HTTP server: cpp-httplib on a pool of threads, every
// request answered by answer (Api.h).
//
//   ServeSettings        the address and the threads
//   PageServer           the server: bind, run, stop
//   serveUntilSignalled  `bounds serve`: bind, say where, serve until a signal
//   gaussboundServe      the same behind the serve module's C entry point
//
// Every response carries the page's Content-Security-Policy (its own files
// only: no other site, no inline script), X-Content-Type-Options: nosniff
// and, for the API, Cache-Control: no-store; none carries CORS headers. A
// body over kLargestRequest is refused with 413 unread. An idle connection
// is closed after kKeepAliveSeconds (each open connection holds one of the
// pool's threads, and a browser opens up to six), and a client that stops
// in the middle of a request, or does not read its answer, is dropped
// after kClientTimeoutSeconds more.
#ifndef GAUSSBOUND_SERVER_H
#define GAUSSBOUND_SERVER_H

#include <iosfwd>
#include <memory>
#include <stdexcept>
#include <string>

#include <gaussbound/Api.h>

namespace gaussbound {

constexpr int kKeepAliveSeconds = 2, kClientTimeoutSeconds = 5;
constexpr const char* kContentSecurityPolicy =
    "default-src 'self'; img-src 'self' data: blob:; object-src 'none'; base-uri 'none'; "
    "form-action 'none'; frame-ancestors 'none'";

// The address could not be taken (in use, or not this machine's).
struct BindError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Where `bounds serve` listens, and on how many threads it answers.
struct ServeSettings {
    std::string host = "127.0.0.1";
    int port = 8080;  // 0: any free port
    unsigned threads = 2;
};

class PageServer {
public:
    // Answers with render's figures on threads (>= 1) threads. Throws
    // std::invalid_argument for an empty render or no threads.
    PageServer(Renderer render, unsigned threads);
    ~PageServer();
    PageServer(const PageServer&) = delete;
    PageServer& operator=(const PageServer&) = delete;

    // Binds host:port (port 0: a free one) and returns the port. Throws
    // BindError, std::invalid_argument for a port outside 0 to 65535.
    int bind(const std::string& host, int port);
    // Serves until stop; returns false when it could not (not bound).
    bool run();
    // Ends run from any thread; the requests in progress are finished.
    void stop();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Serves the page at settings' address until SIGINT or SIGTERM, with
// render's figures: says on out where the page is, and on err why the
// address cannot be taken, or that one other than the loopback's has no
// authentication. Returns the exit status: 0 when a signal ended it, 1 when
// the address could not be taken or the server could not accept
// connections. Blocks SIGINT and SIGTERM in the calling thread, before any
// thread starts, so that every thread inherits the mask and the signals are
// taken by sigwait, not by a handler. Throws std::invalid_argument for
// settings PageServer refuses.
int serveUntilSignalled(const ServeSettings& settings, const Renderer& render, std::ostream& out, std::ostream& err);

}  // namespace gaussbound

// The serve module's entry point, bounds-serve.so: serveUntilSignalled with
// the plot module's renderer, on standard output and error. Exported with C
// linkage, so that dlsym finds it by this name; the program that loads it
// links neither cpp-httplib nor its TLS libraries.
extern "C" int gaussboundServe(const gaussbound::ServeSettings* settings);

#endif
