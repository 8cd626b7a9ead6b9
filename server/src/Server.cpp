#include "gaussbound/Server.h"

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <ostream>

#include <httplib.h>

#include "gaussbound/Error.h"

namespace gaussbound {

namespace {

// The request as answer reads it: the path without its query, the query's
// parameters in order. They are read from the target again: httplib's own
// params hold a form body's fields too, and a body here is JSON whatever
// its content type says.
ApiRequest apiRequest(const httplib::Request& request)
{
    ApiRequest r{request.method, request.path, {}, request.body};
    const auto mark = request.target.find('?');
    if (mark != std::string::npos) {
        httplib::Params params;
        httplib::detail::parse_query_text(request.target.substr(mark + 1), params);
        r.query.assign(params.begin(), params.end());
    }
    return r;
}

void deliver(const ApiAnswer& a, const std::string& path, httplib::Response& response)
{
    response.status = a.status;
    for (const auto& [key, value] : a.headers)
        response.set_header(key, value);
    if (path.rfind("/api/", 0) == 0)
        response.set_header("Cache-Control", "no-store");
    response.set_content(a.body, a.contentType);
}

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

}  // namespace

struct PageServer::Impl {
    httplib::Server http;
    Renderer render;
};

PageServer::PageServer(Renderer render, unsigned threads) : impl_(std::make_unique<Impl>())
{
    requireArgument(static_cast<bool>(render) && threads >= 1, "PageServer: needs a renderer and a thread");
    impl_->render = std::move(render);
    httplib::Server& http = impl_->http;
    http.new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    http.set_default_headers({{"Content-Security-Policy", kContentSecurityPolicy},
                              {"X-Content-Type-Options", "nosniff"},
                              {"Referrer-Policy", "no-referrer"}});
    // SO_REUSEADDR only, so that a restart can take the port back from
    // connections closing; httplib's default, SO_REUSEPORT, would let a
    // second server share a port in use rather than be refused.
    http.set_socket_options([](int socket) {
        const int yes = 1;
        setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    // Answers go out at once: with Nagle's algorithm, the second write of an
    // answer on a kept-alive connection waited for the client's delayed
    // acknowledgement, some 40 ms a request.
    http.set_tcp_nodelay(true);
    http.set_payload_max_length(kLargestRequest);
    http.set_read_timeout(kClientTimeoutSeconds, 0);
    http.set_write_timeout(kClientTimeoutSeconds, 0);
    http.set_keep_alive_timeout(kKeepAliveSeconds);
    http.set_keep_alive_max_count(1000);  // httplib's 5 would reconnect a dragging page every fifth request
    // Every method and path goes to answer, which tells 404 from 405.
    const auto handler = [impl = impl_.get()](const httplib::Request& request, httplib::Response& response) {
        deliver(answer(apiRequest(request), impl->render), request.path, response);
    };
    http.Get(".*", handler).Post(".*", handler).Put(".*", handler).Patch(".*", handler).Delete(".*", handler);
    http.Options(".*", handler);
    // What httplib answers itself (413 for a body too large, 400 for a
    // request it cannot read) gets a JSON body like every other refusal.
    http.set_error_handler([](const httplib::Request& request, httplib::Response& response) {
        if (!response.body.empty())
            return;
        const std::string message = response.status == 413 ? "the body is larger than 1 MiB"
                                    : response.status == 404 ? request.path + ": not found"
                                                             : "the request could not be read";
        deliver({response.status, "application/json", errorBody(message), {}}, request.path, response);
    });
}

PageServer::~PageServer() = default;

int PageServer::bind(const std::string& host, int port)
{
    requireArgument(port >= 0 && port <= 65535, "PageServer::bind: the port must be from 0 to 65535");
    const int bound = port == 0 ? impl_->http.bind_to_any_port(host) : impl_->http.bind_to_port(host, port) ? port : -1;
    if (bound < 0)
        throw BindError(host + ":" + std::to_string(port) + ": cannot listen there (in use, or not an address of this machine)");
    return bound;
}

bool PageServer::run()
{
    return impl_->http.listen_after_bind();
}

void PageServer::stop()
{
    impl_->http.stop();
}

int serveUntilSignalled(const ServeSettings& settings, const Renderer& render, std::ostream& out, std::ostream& err)
{
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    PageServer server(render, settings.threads);
    int port;
    try {
        port = server.bind(settings.host, settings.port);
    } catch (const BindError& e) {
        err << "bounds serve: " << e.what() << '\n';
        return 1;
    }
    if (!loopback(settings.host))
        err << "bounds serve: warning: listening on " << settings.host
            << ": the page has no authentication, and anyone who can reach this address can use it\n";
    out << "bounds serve: the explorer is at " << address(settings.host, port) << " (Ctrl-C ends it)" << std::endl;
    std::future<bool> listening = std::async(std::launch::async, [&server] {
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
    if (!listening.get()) {
        err << "bounds serve: the server stopped: it could not accept connections\n";
        return 1;
    }
    return 0;
}

}  // namespace gaussbound
