// The explorer's HTTP interface as a function from a request to its answer,
// with no sockets: `bounds serve` (Server.h) hands every request here.
//
//   GET  /, /FILE         the page's files, built into the program
//   GET  /api/version     {"name": "gaussbound", "version": "1.1.0"}
//   POST /api/analyse     a model -> what `bounds --json` prints (?table=1 adds the Chernoff table)
//   POST /api/roc         {"model", "spacing"} -> what `bounds roc --json` prints
//   POST /api/sweep       {"model", "vary", "from", "to", "steps", "log"} -> `bounds sweep --json`
//   POST /api/draw        {"model", "n", "seed"} -> `bounds draw --json` with the points drawn
//   POST /api/figure      {"kind", "format", "model", ...} -> the figure's file
//   POST /api/view        {"model", "axes", "n", "seed"} -> every panel of the page at once (View.h)
//
// A model is the model file's document (ModelFile.h). A request that cannot
// be answered gets 400 with {"error": "..."} in the words of the command
// line (the key in place of the option), an unknown path 404, a known one
// asked with another method 405. Work is bounded: at most kMostDimensions
// coordinates, kMostPoints points a class and kMostSteps steps; above, 400
// names the limit.
#ifndef GAUSSBOUND_API_H
#define GAUSSBOUND_API_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <gaussbound/Figure.h>

namespace gaussbound {

constexpr std::size_t kLargestRequest = std::size_t{1} << 20;  // bytes of a body; larger: 413
constexpr std::int64_t kMostDimensions = 200;
constexpr std::int64_t kMostPoints = 100000;  // drawn a class
constexpr std::int64_t kMostSteps = 10000;    // of a sweep
constexpr int kSmallestFigureSide = 200, kLargestFigureSide = 4000;

struct ApiRequest {
    std::string method;  // "GET", "POST", ...
    std::string path;    // without the query
    std::vector<std::pair<std::string, std::string>> query;
    std::string body;
};

struct ApiAnswer {
    int status = 200;
    std::string contentType;
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;  // beyond the content type
};

// Draws a figure into a file's bytes (render in Render.h, or the plot module
// the program loads): PNG in pixels, SVG and PDF in points. Throws
// std::runtime_error when it cannot.
using Renderer = std::function<std::string(const Figure& figure, Format format, int width, int height)>;

// The answer to request; figures are drawn with render. Never throws for any
// request (std::bad_alloc aside): a failure inside becomes 500 with its
// message. Throws std::invalid_argument for an empty render.
ApiAnswer answer(const ApiRequest& request, const Renderer& render);

// The body of an error answer: {"error": message}, bytes that are not UTF-8
// replaced.
std::string errorBody(const std::string& message);

}  // namespace gaussbound

#endif
