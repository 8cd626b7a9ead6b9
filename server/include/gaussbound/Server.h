// The explorer's HTTP server: cpp-httplib on a pool of threads, every
// request answered by answer (Api.h).
//
// Every response carries the page's Content-Security-Policy (its own files
// only: no other site, no inline script), X-Content-Type-Options: nosniff
// and, for the API, Cache-Control: no-store; none carries CORS headers. A
// body over kLargestRequest is refused with 413 unread, and a client that
// sends or reads nothing for kClientTimeoutSeconds is dropped (one that has
// begun a request and falls silent, after at most twice that).
#ifndef GAUSSBOUND_SERVER_H
#define GAUSSBOUND_SERVER_H

#include <memory>
#include <stdexcept>
#include <string>

#include <gaussbound/Api.h>

namespace gaussbound {

constexpr int kClientTimeoutSeconds = 5;
constexpr const char* kContentSecurityPolicy =
    "default-src 'self'; img-src 'self' data: blob:; object-src 'none'; base-uri 'none'; "
    "form-action 'none'; frame-ancestors 'none'";

// The address could not be taken (in use, or not this machine's).
struct BindError : std::runtime_error {
    using std::runtime_error::runtime_error;
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

}  // namespace gaussbound

#endif
