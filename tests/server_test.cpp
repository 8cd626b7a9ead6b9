// The explorer's server. Its interface (answer): every API answer against
// what the bounds program prints or writes for the same model, the panels of
// a view against those answers and against identities, and each bad request
// refused with its status. The running server (bounds serve): its headers,
// a body too large, requests it cannot read, a silent client, concurrent
// clients, and how it starts and ends.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <future>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include <gaussbound/Api.h>
#include <gaussbound/Render.h>
#include <gaussbound/Server.h>

#include "command.h"

namespace {

using nlohmann::json;

const std::string kBounds = BOUNDS_EXE;

// Two classes in the plane; three coordinates with costs and a rule to judge;
// four classes.
const std::string kTwo = R"({"mu1": [0, 0], "mu2": [1.5, 0.5], "sigma1": [[1, 0.3], [0.3, 1]],
    "sigma2": [[2, 0], [0, 0.5]], "priors": [0.4, 0.6]})";
const std::string kRuled = R"({"mu1": [0, 0, 0], "mu2": [1, 1, 0.5],
    "sigma1": [[1, 0, 0], [0, 1, 0], [0, 0, 1]], "sigma2": [[1.5, 0.2, 0], [0.2, 1, 0], [0, 0, 2]],
    "priors": [0.5, 0.5], "costs": [[0, 1], [3, 0]],
    "rule": {"quadratic": null, "linear": [1, 1, 0], "constant": -1}})";
const std::string kClasses = readFile(SOURCE_DIR "/docs/classes.json");

// A file holding text for as long as the object lives.
struct TempFile {
    std::string path;
    explicit TempFile(const std::string& text, const std::string& suffix = ".json")
    {
        char name[] = "/tmp/gaussbound-server-XXXXXX";
        close(mkstemp(name));
        std::remove(name);
        path = name + suffix;
        std::ofstream(path, std::ios::binary) << text;
    }
    ~TempFile() { std::remove(path.c_str()); }
};

gaussbound::ApiAnswer call(const std::string& method, const std::string& path, const std::string& body = "",
                           std::vector<std::pair<std::string, std::string>> query = {})
{
    return gaussbound::answer({method, path, std::move(query), body}, gaussbound::render);
}

gaussbound::ApiAnswer post(const std::string& path, const std::string& body)
{
    return call("POST", path, body);
}

// What `bounds ARGS` prints on standard output; it must succeed.
std::string bounds(const std::string& args)
{
    const CommandResult r = runCommand(kBounds + " " + args);
    EXPECT_EQ(r.status, 0) << args << ": " << r.err;
    return r.out;
}

std::string envelope(const std::string& model, const std::string& rest)
{
    return "{\"model\": " + model + (rest.empty() ? "" : ", " + rest) + "}";
}

TEST(ServerApi, AnalyseAnswersWhatBoundsJsonPrints)
{
    for (const std::string& model : {kTwo, kRuled, kClasses}) {
        const TempFile file(model);
        const gaussbound::ApiAnswer a = post("/api/analyse", model);
        EXPECT_EQ(a.status, 200) << a.body;
        EXPECT_EQ(a.contentType, "application/json");
        EXPECT_EQ(a.body, bounds("--model " + file.path + " --json"));
    }
}

TEST(ServerApi, TheTableIsTheOneTheReportsChernoffFiguresComeFrom)
{
    const json report = json::parse(call("POST", "/api/analyse", kTwo, {{"table", "1"}}).body);
    const json& table = report.at("table");
    ASSERT_EQ(table.size(), 10000u);
    // Row i is (i / 10000 rounded to float, e^-k there); the report's
    // Chernoff figures are the smallest factor and its beta.
    std::size_t smallest = 0;
    for (std::size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(table[i][0].get<double>(), static_cast<float>(static_cast<double>(i) / 10000.0));
        if (table[i][1].get<double>() < table[smallest][1].get<double>())
            smallest = i;
    }
    EXPECT_EQ(table[smallest][1], report.at("chernoff").at("factor"));
    EXPECT_EQ(table[smallest][0], report.at("chernoff").at("beta"));
    EXPECT_FALSE(json::parse(post("/api/analyse", kTwo).body).contains("table"));
}

TEST(ServerApi, RocSweepAndDrawAnswerWhatTheirCommandsPrint)
{
    for (const std::string& model : {kTwo, kRuled}) {
        const TempFile file(model);
        EXPECT_EQ(post("/api/roc", envelope(model, "\"spacing\": 0.01")).body,
                  bounds("roc --model " + file.path + " --json --spacing 0.01"));
    }
    const TempFile two(kTwo);
    EXPECT_EQ(post("/api/sweep", envelope(kTwo, R"("vary": "prior1", "from": 0.1, "to": 0.9, "steps": 5)")).body,
              bounds("sweep --model " + two.path + " --json --vary prior1 --from 0.1 --to 0.9 --steps 5"));
    EXPECT_EQ(post("/api/sweep", envelope(kTwo, R"("vary": "scale2", "from": 0.5, "to": 4, "steps": 4, "log": true)"))
                  .body,
              bounds("sweep --model " + two.path + " --json --vary scale2 --from 0.5 --to 4 --steps 4 --log"));
}

// The points of a sample file bounds draw wrote: one a line after the comment.
json samplePoints(const std::string& path)
{
    json points = json::array();
    std::istringstream in(readFile(path));
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        json point = json::array();
        std::istringstream fields(line);
        for (std::string field; std::getline(fields, field, ',');)
            point.push_back(std::stod(field));
        points.push_back(point);
    }
    return points;
}

TEST(ServerApi, DrawAnswersThePointsBoundsDrawWrites)
{
    for (const std::string& model : {kTwo, kClasses}) {
        const TempFile file(model);
        char folder[] = "/tmp/gaussbound-draw-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        const bool classes = model == kClasses;
        const std::string counts = classes ? "3,4,5,6" : "5,7";
        json answer = json::parse(post("/api/draw", envelope(model, "\"n\": [" + counts + "], \"seed\": 42")).body);
        const json printed =
            json::parse(bounds("draw --model " + file.path + " --n " + counts + " --seed 42 --json --out " + folder));
        const json points = answer.at("points");
        ASSERT_EQ(points.size(), classes ? 4u : 2u);
        for (std::size_t k = 0; k < points.size(); ++k) {
            const std::string sample = std::string(folder) + "/" + std::to_string(k + 1) + ".csv";
            EXPECT_EQ(points[k], samplePoints(sample)) << "class " << k + 1;
            std::remove(sample.c_str());
        }
        rmdir(folder);
        answer.erase("points");
        EXPECT_EQ(answer, printed);
    }
}

TEST(ServerApi, FiguresAreTheFilesBoundsDraws)
{
    const TempFile file(kTwo);
    const TempFile svg("", ".svg");
    bounds("--model " + file.path + " --plot " + svg.path + " --size 640x480");
    gaussbound::ApiAnswer a =
        post("/api/figure", envelope(kTwo, R"("kind": "chernoff", "format": "svg", "width": 640, "height": 480)"));
    EXPECT_EQ(a.status, 200);
    EXPECT_EQ(a.contentType, "image/svg+xml");
    EXPECT_EQ(a.body, readFile(svg.path));
    bounds("roc --model " + file.path + " --plot " + svg.path + " --z");
    a = post("/api/figure", envelope(kTwo, R"("kind": "zroc")"));
    EXPECT_EQ(a.body, readFile(svg.path));
    const auto disposition = std::find_if(a.headers.begin(), a.headers.end(),
                                          [](const auto& h) { return h.first == "Content-Disposition"; });
    ASSERT_NE(disposition, a.headers.end());
    EXPECT_EQ(disposition->second, "attachment; filename=\"zroc.svg\"");
    a = post("/api/figure", envelope(kClasses, R"("kind": "plane", "format": "png", "n": 20)"));
    EXPECT_EQ(a.contentType, "image/png");
    EXPECT_EQ(a.body.substr(1, 3), "PNG");
    a = post("/api/figure", envelope(kTwo, R"("kind": "sweep", "format": "pdf", "vary": "separation", "from": 0,
                                              "to": 2, "steps": 3)"));
    EXPECT_EQ(a.body.substr(0, 5), "%PDF-");
}

TEST(ServerApi, AViewHoldsEveryPanelOfOneModel)
{
    const json view = json::parse(post("/api/view", envelope(kTwo, R"("n": 30, "seed": 9)")).body);
    EXPECT_EQ(view.at("report"), json::parse(post("/api/analyse", kTwo).body));
    EXPECT_EQ(view.at("roc"), json::parse(post("/api/roc", envelope(kTwo, "\"spacing\": 0.02")).body));
    EXPECT_EQ(post("/api/analyse", view.at("model").dump()).body, post("/api/analyse", kTwo).body);
    // e^-k(1/2) is the Bhattacharyya coefficient, and the curve's smallest
    // factor is the table's (which the plane's figures compute in float).
    const json& curve = view.at("chernoff");
    ASSERT_EQ(curve.at("beta").size(), 201u);
    EXPECT_EQ(curve.at("beta")[100], 0.5);
    const double coefficient = view.at("report").at("bhattacharyya").at("factor");
    EXPECT_NEAR(curve.at("factor")[100].get<double>(), coefficient, 1e-7 * coefficient);
    double smallest = 1;
    for (std::size_t i = 0; i < 201; ++i) {
        const double k = curve.at("exponent")[i], factor = curve.at("factor")[i];
        EXPECT_EQ(factor, std::exp(-k));
        smallest = std::min(smallest, factor);
    }
    const double tableSmallest = view.at("report").at("chernoff").at("factor");
    EXPECT_GE(smallest, tableSmallest * (1 - 1e-7));
    EXPECT_LE(smallest, tableSmallest * (1 + 1e-4));
    // The plane: both classes' regions, two ellipses each, and the points
    // /api/draw gives for the same seed.
    const json& plane = view.at("plane");
    EXPECT_EQ(plane.at("raster").at("palette").size(), 2u);
    EXPECT_EQ(plane.at("ellipses").size(), 4u);
    const json drawn = json::parse(post("/api/draw", envelope(kTwo, R"("n": 30, "seed": 9)")).body).at("points");
    EXPECT_EQ(view.at("points"), drawn);

    const json kept = json::parse(post("/api/view", envelope(kTwo, R"("area": [-3, 4, -2.5, 3])")).body).at("plane");
    EXPECT_EQ(kept.at("x_range"), json::parse("[-3, 4]"));
    EXPECT_EQ(kept.at("raster").at("y_range"), json::parse("[-2.5, 3]"));

    const json classes = json::parse(post("/api/view", envelope(kClasses, "")).body);
    EXPECT_EQ(classes.at("report"), json::parse(post("/api/analyse", kClasses).body));
    EXPECT_TRUE(classes.at("chernoff").is_null() && classes.at("roc").is_null() && classes.at("points").is_null());
    EXPECT_EQ(classes.at("plane").at("raster").at("palette").size(), 4u);
}

TEST(ServerApi, TheRulesBoundaryCrossesThePlaneWhereTheRuleSaysZero)
{
    // g(x) = x1 + x2 - 1 in the plane of coordinates 1 and 2.
    const json plane = json::parse(post("/api/view", envelope(kRuled, "\"axes\": [1, 2]")).body).at("plane");
    const auto rule = std::find_if(plane.at("series").begin(), plane.at("series").end(), [](const json& s) {
        return s.at("label").get<std::string>().find("rule") != std::string::npos;
    });
    ASSERT_NE(rule, plane.at("series").end());
    std::size_t points = 0;
    for (std::size_t i = 0; i < rule->at("x").size(); ++i)
        if (!rule->at("x")[i].is_null()) {
            EXPECT_NEAR(rule->at("x")[i].get<double>() + rule->at("y")[i].get<double>(), 1.0, 1e-9);
            ++points;
        }
    EXPECT_GT(points, 10u);
}

// The message bounds gives for a model file, without "bounds: FILE: ".
std::string cliRefusal(const std::string& model)
{
    const TempFile file(model);
    const CommandResult r = runCommand(kBounds + " --model " + file.path + " --json");
    EXPECT_EQ(r.status, 2);
    const std::string prefix = "bounds: " + file.path + ": ";
    EXPECT_EQ(r.err.substr(0, prefix.size()), prefix);
    return r.err.substr(prefix.size(), r.err.size() - prefix.size() - 1);
}

TEST(ServerApi, BadModelsAreRefusedInTheCommandLinesWords)
{
    for (const std::string& model : {std::string("{\"mu1\": [0, 0],"), std::string("[1, 2]"),
                                     std::string(R"({"mu1": [0, 0], "mu2": [1, 0], "sigma1": [[1, 2], [2, 1]],
                                                      "sigma2": [[1, 0], [0, 1]]})")}) {
        const gaussbound::ApiAnswer a = post("/api/analyse", model);
        EXPECT_EQ(a.status, 400);
        EXPECT_EQ(json::parse(a.body).at("error"), cliRefusal(model));
    }
}

std::string identity(int d)
{
    std::string rows;
    for (int i = 0; i < d; ++i) {
        rows += i ? ", [" : "[";
        for (int j = 0; j < d; ++j)
            rows += std::string(j ? ", " : "") + (i == j ? "1" : "0");
        rows += "]";
    }
    return "[" + rows + "]";
}

TEST(ServerApi, EachBadRequestGetsItsStatusAndMessage)
{
    std::string zeros201 = "[0";
    for (int i = 1; i < 201; ++i)
        zeros201 += ",0";
    zeros201 += "]";
    const std::string big = R"({"mu1": )" + zeros201 + R"(, "mu2": )" + zeros201 + R"(, "sigma1": )" +
                            identity(201) + R"(, "sigma2": )" + identity(201) + "}";
    struct Case {
        std::string method, path, body;
        int status;
        std::string says;
    };
    const Case cases[] = {
        {"POST", "/api/analyse", big, 400, "more than this server's limit of 200"},
        {"POST", "/api/draw", envelope(kTwo, "\"n\": 100001"), 400, "n: must be from 1 to 100000"},
        {"POST", "/api/view", envelope(kTwo, "\"n\": 100001"), 400, "n: must be from 0 to 100000"},
        {"POST", "/api/sweep", envelope(kTwo, R"("vary": "separation", "from": 0, "to": 1, "steps": 10001)"), 400,
         "steps: must be from 2 to 10000"},
        {"POST", "/api/sweep", envelope(kTwo, R"("vary": "nothing", "from": 0, "to": 1, "steps": 3)"), 400,
         "vary: unknown parameter 'nothing'"},
        {"POST", "/api/roc", envelope(kClasses, ""), 400, "the ROC needs two classes; the model holds 4"},
        {"POST", "/api/roc", envelope(kTwo, "\"spacing\": 0"), 400, "spacing: must be from 1e-4 to 0.5"},
        {"POST", "/api/roc", "{\"modell\": {}}", 400, "modell: unknown key"},
        {"POST", "/api/draw", "{}", 400, "model: missing"},
        {"POST", "/api/view", envelope(kRuled, "\"axes\": [1, 4]"), 400, "axes: expected two different coordinates"},
        {"POST", "/api/view", envelope(kTwo, "\"area\": [0, 1, 1, 1]"), 400, "area: expected [x0, x1, y0, y1]"},
        {"POST", "/api/figure", envelope(kTwo, "\"kind\": \"pie\""), 400, "kind: expected"},
        {"POST", "/api/figure", envelope(kTwo, R"("kind": "roc", "format": "gif")"), 400, "format: expected"},
        {"POST", "/api/figure", envelope(kTwo, R"("kind": "roc", "width": 5000)"), 400, "width: must be from 200"},
        {"POST", "/api/analyse", "", 400, "not valid JSON"},
        {"POST", "/api/nothing", kTwo, 404, "/api/nothing: not found"},
        {"GET", "/nothing.js", "", 404, "/nothing.js: not found"},
        {"GET", "/api/analyse", "", 405, "not allowed (POST)"},
        {"DELETE", "/", "", 405, "not allowed (GET, HEAD)"},
        {"POST", "/api/version", "", 405, "not allowed (GET, HEAD)"},
    };
    for (const Case& c : cases) {
        const gaussbound::ApiAnswer a = call(c.method, c.path, c.body);
        EXPECT_EQ(a.status, c.status) << c.method << " " << c.path << ": " << a.body;
        EXPECT_NE(json::parse(a.body).at("error").get<std::string>().find(c.says), std::string::npos)
            << c.method << " " << c.path << ": " << a.body;
    }
    const gaussbound::ApiAnswer wrong = call("PUT", "/api/view");
    EXPECT_EQ(wrong.headers, (decltype(wrong.headers){{"Allow", "POST"}}));
}

TEST(ServerApi, ThePageAndTheVersion)
{
    const gaussbound::ApiAnswer page = call("GET", "/");
    EXPECT_EQ(page.status, 200);
    EXPECT_EQ(page.contentType, "text/html; charset=utf-8");
    EXPECT_NE(page.body.find("<html"), std::string::npos);
    EXPECT_EQ(call("GET", "/index.html").body, page.body);
    const json version = json::parse(call("GET", "/api/version").body);
    EXPECT_EQ(version.at("name"), "gaussbound");
    EXPECT_EQ("bounds " + version.at("version").get<std::string>() + "\n", bounds("--version"));
}

// `bounds serve ARGS` running, its standard output read up to the address,
// its standard error kept in a file; stopped with SIGTERM when dropped.
class ServerProcess {
public:
    explicit ServerProcess(const std::string& args) : err_("", ".err")
    {
        int out[2];
        EXPECT_EQ(pipe(out), 0);
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], 1);
            freopen(err_.path.c_str(), "w", stderr);
            execl("/bin/sh", "sh", "-c", ("exec " + kBounds + " serve " + args).c_str(), nullptr);
            _exit(127);
        }
        close(out[1]);
        stdout_ = fdopen(out[0], "r");
        char line[512];
        if (fgets(line, sizeof line, stdout_)) {
            firstLine = line;
            const auto colon = firstLine.find(':', firstLine.find("http://") + 7);
            if (colon != std::string::npos)
                port = std::stoi(firstLine.substr(colon + 1));
        }
    }
    ~ServerProcess()
    {
        if (pid_ > 0)
            stop(SIGTERM);
        fclose(stdout_);
    }
    // Sends signal and returns the exit status (-1: killed by a signal).
    int stop(int signal)
    {
        kill(pid_, signal);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string err() const { return readFile(err_.path); }

    std::string firstLine;
    int port = 0;

private:
    TempFile err_;
    pid_t pid_ = -1;
    FILE* stdout_ = nullptr;
};

// A socket connected to the server, for what httplib's client will not send.
int rawConnection(int port)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    return fd;
}

TEST(ServerProcess, EveryAnswerCarriesTheSecurityHeaders)
{
    ServerProcess server("--port 0");
    ASSERT_GT(server.port, 0) << server.firstLine << server.err();
    EXPECT_NE(server.firstLine.find("http://127.0.0.1:" + std::to_string(server.port) + "/"), std::string::npos);
    httplib::Client client("127.0.0.1", server.port);
    const auto page = client.Get("/");
    const auto api = client.Post("/api/analyse", kTwo, "application/json");
    const auto missing = client.Get("/api/nothing");
    for (const auto* r : {&page, &api, &missing}) {
        ASSERT_TRUE(*r);
        EXPECT_EQ((*r)->get_header_value("Content-Security-Policy"), gaussbound::kContentSecurityPolicy);
        EXPECT_EQ((*r)->get_header_value("X-Content-Type-Options"), "nosniff");
        for (const auto& [key, value] : (*r)->headers)
            EXPECT_EQ(key.rfind("Access-Control-", 0), std::string::npos) << key;
    }
    EXPECT_EQ(api->get_header_value("Cache-Control"), "no-store");
    EXPECT_EQ(api->body, post("/api/analyse", kTwo).body);
    // A body is JSON whatever its content type says: a form's type must not
    // turn it into query parameters.
    const auto form = client.Post("/api/analyse", kTwo, "application/x-www-form-urlencoded");
    ASSERT_TRUE(form);
    EXPECT_EQ(form->body, api->body);
    EXPECT_EQ(missing->status, 404);
    EXPECT_EQ(server.err(), "");  // no warning on the loopback address
}

TEST(ServerProcess, BadBodiesAndClientsDoNotHurtIt)
{
    ServerProcess server("--port 0 --threads 2");
    ASSERT_GT(server.port, 0);
    httplib::Client client("127.0.0.1", server.port);
    const auto large = client.Post("/api/analyse", std::string(gaussbound::kLargestRequest + 1, ' '), "application/json");
    ASSERT_TRUE(large);
    EXPECT_EQ(large->status, 413);
    EXPECT_EQ(json::parse(large->body).at("error"), "the body is larger than 1 MiB");
    for (const std::string& bad : {std::string("{"), std::string("\xff\xfe"), std::string(300, '[')}) {
        const auto refused = client.Post("/api/view", bad, "application/json");
        ASSERT_TRUE(refused);
        EXPECT_EQ(refused->status, 400) << refused->body;
    }
    // Not HTTP at all, then a client that sends half a request and falls
    // silent: it is dropped, and each of the two threads is free again.
    const int garbage = rawConnection(server.port);
    const std::string junk = "\x01\x02 not a request\r\n\r\n";
    EXPECT_EQ(write(garbage, junk.data(), junk.size()), static_cast<ssize_t>(junk.size()));
    char reply[64] = {};
    EXPECT_GT(read(garbage, reply, sizeof reply - 1), 0);
    EXPECT_EQ(std::string(reply).substr(0, 12), "HTTP/1.1 400");
    close(garbage);
    const int silent[] = {rawConnection(server.port), rawConnection(server.port)};
    for (int fd : silent)
        EXPECT_EQ(write(fd, "POST /api/analyse HTTP/1.1\r\n", 28), 28);
    for (int fd : silent) {
        const auto start = std::chrono::steady_clock::now();
        while (read(fd, reply, sizeof reply) > 0) {  // until the server closes the connection
        }
        EXPECT_LT(std::chrono::steady_clock::now() - start,
                  std::chrono::seconds(gaussbound::kKeepAliveSeconds + gaussbound::kClientTimeoutSeconds + 3));
        close(fd);
    }
    const auto after = client.Get("/api/version");
    ASSERT_TRUE(after);
    EXPECT_EQ(after->status, 200);
}

TEST(ServerProcess, ConcurrentClientsGetTheirOwnAnswers)
{
    ServerProcess server("--port 0 --threads 4");
    ASSERT_GT(server.port, 0);
    std::vector<std::future<int>> clients;
    for (int c = 0; c < 6; ++c)
        clients.push_back(std::async(std::launch::async, [&, c] {
            const std::string model = R"({"mu1": [0, 0], "mu2": [)" + std::to_string(c) +
                                      R"(.25, 1], "sigma1": [[1, 0], [0, 1]], "sigma2": [[2, 0.5], [0.5, 1]]})";
            const std::string expected = post("/api/analyse", model).body;
            httplib::Client client("127.0.0.1", server.port);
            int right = 0;
            for (int i = 0; i < 10; ++i) {
                const auto r = client.Post("/api/analyse", model, "application/json");
                right += r && r->status == 200 && r->body == expected;
            }
            return right;
        }));
    for (auto& c : clients)
        EXPECT_EQ(c.get(), 10);
}

TEST(ServerProcess, SignalsEndItCleanlyAndATakenPortIsRefused)
{
    ServerProcess first("--port 0");
    ASSERT_GT(first.port, 0);
    ServerProcess second("--port " + std::to_string(first.port));
    EXPECT_EQ(second.port, 0) << "a second server shares the port";
    EXPECT_EQ(second.stop(second.port ? SIGTERM : 0), 1);  // it has exited by itself
    EXPECT_NE(second.err().find("cannot listen there"), std::string::npos) << second.err();
    EXPECT_EQ(first.stop(SIGINT), 0);

    ServerProcess open("--host 0.0.0.0 --port 0");
    ASSERT_GT(open.port, 0);
    EXPECT_NE(open.err().find("no authentication"), std::string::npos);
    EXPECT_EQ(open.stop(SIGTERM), 0);
}

}  // namespace
