#include "gaussbound/Api.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "PageFiles.h"
#include "gaussbound/Analysis.h"
#include "gaussbound/Bound.h"
#include "gaussbound/CaseReport.h"
#include "gaussbound/ClassesFit.h"
#include "gaussbound/CurveFigure.h"
#include "gaussbound/Report.h"
#include "gaussbound/Draw.h"
#include "gaussbound/Error.h"
#include "gaussbound/RocFigure.h"
#include "gaussbound/RocTable.h"
#include "gaussbound/SampleFit.h"
#include "gaussbound/SampleReport.h"
#include "gaussbound/Sweep.h"
#include "gaussbound/SweepFigure.h"
#include "gaussbound/SweepTable.h"
#include "gaussbound/Text.h"
#include "gaussbound/View.h"

#ifndef GAUSSBOUND_VERSION
#error "GAUSSBOUND_VERSION must be defined"
#endif

namespace gaussbound {

namespace {

using nlohmann::json;
using nlohmann::ordered_json;

// A request that cannot be answered as asked: 400 (or another 4xx) with the message.
struct Refused : std::runtime_error {
    Refused(int code, const std::string& message) : std::runtime_error(message), status(code) {}
    int status;
};

ApiAnswer jsonAnswer(std::string body, int status = 200)
{
    return {status, "application/json", std::move(body), {}};
}

ApiAnswer jsonAnswer(const ordered_json& object)
{
    return jsonAnswer(object.dump(-1, ' ', false, ordered_json::error_handler_t::replace) + "\n");
}

// The body's JSON document, parsed as a model file is.
json document(const std::string& body)
{
    try {
        return parseModelText(body);
    } catch (const ModelFileError& e) {
        throw Refused(400, e.what());
    }
}

// A request's object whose keys are all among known, with "model" required.
json envelope(const std::string& body, const std::set<std::string>& known)
{
    json object = document(body);
    if (!object.is_object())
        throw Refused(400, "expected a JSON object with the key \"model\"");
    for (const auto& item : object.items())
        if (!known.count(item.key()))
            throw Refused(400, item.key() + ": unknown key");
    if (!object.contains("model"))
        throw Refused(400, "model: missing");
    return object;
}

Eigen::Index dimensionOf(const AnyCase& c)
{
    return std::visit([](const auto& m) { return static_cast<Eigen::Index>(m.model.dimension()); }, c);
}

// A model document, validated, of at most kMostDimensions coordinates.
AnyCase modelCase(const json& object)
{
    AnyCase c;
    try {
        c = validCase(object);
    } catch (const ModelFileError& e) {
        throw Refused(400, e.what());
    }
    const Eigen::Index d = dimensionOf(c);
    if (d > kMostDimensions)
        throw Refused(400, "model: " + std::to_string(d) + " coordinates, more than this server's limit of " +
                               std::to_string(kMostDimensions));
    return c;
}

// A model of two classes, for what only two have.
ModelCase twoClasses(const AnyCase& c, const std::string& what)
{
    if (const auto* classes = std::get_if<ClassesCase>(&c))
        throw Refused(400, "model: " + what + " needs two classes; the model holds " +
                               std::to_string(classes->model.size()));
    return std::get<ModelCase>(c);
}

double numberAt(const json& object, const std::string& key, double fallback)
{
    if (!object.contains(key))
        return fallback;
    const json& v = object.at(key);
    if (!v.is_number())
        throw Refused(400, key + ": expected a number");
    return v.get<double>();
}

// A whole number from low to high (the message names the limit).
std::int64_t wholeAt(const json& object, const std::string& key, std::int64_t low, std::int64_t high,
                     std::int64_t fallback)
{
    if (!object.contains(key))
        return fallback;
    const json& v = object.at(key);
    const double x = v.is_number() ? v.get<double>() : NAN;
    if (!(x == std::floor(x)))
        throw Refused(400, key + ": expected a whole number");
    if (x < static_cast<double>(low) || x > static_cast<double>(high))
        throw Refused(400, key + ": must be from " + std::to_string(low) + " to " + std::to_string(high));
    return static_cast<std::int64_t>(x);
}

std::uint64_t seedAt(const json& object)
{
    if (!object.contains("seed"))
        return 1;
    const json& v = object.at("seed");
    if (!v.is_number_unsigned())
        throw Refused(400, "seed: expected a whole number from 0 to 18446744073709551615");
    return v.get<std::uint64_t>();
}

bool flagAt(const json& object, const std::string& key)
{
    if (!object.contains(key))
        return false;
    if (!object.at(key).is_boolean())
        throw Refused(400, key + ": expected true or false");
    return object.at(key).get<bool>();
}

std::string textAt(const json& object, const std::string& key, const std::string& fallback)
{
    if (!object.contains(key))
        return fallback;
    if (!object.at(key).is_string())
        throw Refused(400, key + ": expected a string");
    return object.at(key).get<std::string>();
}

double spacingAt(const json& object)
{
    const double s = numberAt(object, "spacing", 0.005);
    if (!(s >= kFinestRocSpacing && s <= kCoarsestRocSpacing))
        throw Refused(400, "spacing: must be from 1e-4 to 0.5");
    return s;
}

// The plane's coordinates, [i, j] counted from 1, default [1, 2].
std::pair<Eigen::Index, Eigen::Index> axesAt(const json& object, Eigen::Index d)
{
    if (!object.contains("axes"))
        return {0, 1};
    const json& a = object.at("axes");
    const std::string expected = "axes: expected two different coordinates from 1 to " + std::to_string(d);
    if (!a.is_array() || a.size() != 2 || !a[0].is_number_unsigned() || !a[1].is_number_unsigned())
        throw Refused(400, expected);
    const auto i = a[0].get<std::uint64_t>(), j = a[1].get<std::uint64_t>();
    if (i < 1 || j < 1 || i == j || i > static_cast<std::uint64_t>(d) || j > static_cast<std::uint64_t>(d))
        throw Refused(400, expected);
    return {static_cast<Eigen::Index>(i) - 1, static_cast<Eigen::Index>(j) - 1};
}

std::size_t classCount(const AnyCase& c)
{
    if (const auto* classes = std::get_if<ClassesCase>(&c))
        return classes->model.size();
    return 2;
}

// The figures of two classes, refused (422) when one is missing.
Figures figuresOf(const Model& model, double (*table)[2])
{
    const Figures figures = analyse(model, table);
    if (const auto missing = missingFigure(figures))
        throw FigureNotComputed(*missing);
    return figures;
}

std::unique_ptr<double[][2]> newTable()
{
    return std::make_unique<double[][2]>(kTableRows);
}

ApiAnswer analyseAnswer(const ApiRequest& request)
{
    const AnyCase c = modelCase(document(request.body));
    bool table = false;
    for (const auto& [key, value] : request.query) {
        if (key != "table")
            throw Refused(400, key + ": unknown parameter (only table=1)");
        if (value != "0" && value != "1")
            throw Refused(400, "table: expected 0 or 1");
        table = value == "1";
    }
    if (const auto* classes = std::get_if<ClassesCase>(&c)) {
        if (table)
            throw Refused(400, "table: the Chernoff table is of two classes; the model holds " +
                                   std::to_string(classes->model.size()));
        return jsonAnswer(caseReport(*classes, {}));
    }
    const auto rows = newTable();
    ordered_json report = caseReport(std::get<ModelCase>(c), rows.get());
    if (table) {
        ordered_json t = ordered_json::array();
        for (int i = 0; i < kTableRows; ++i)
            t.push_back({rows[i][0], jsonValue(rows[i][1])});
        report["table"] = std::move(t);
    }
    return jsonAnswer(report);
}

RocCurves rocOf(const ModelCase& c, double spacing)
{
    auto curves = rocCurves(c, spacing);
    if (!curves)
        throw FigureNotComputed("ROC curve or its AUC");
    return std::move(*curves);
}

ApiAnswer rocAnswer(const ApiRequest& request)
{
    const json object = envelope(request.body, {"model", "spacing"});
    const ModelCase c = twoClasses(modelCase(object.at("model")), "the ROC");
    const RocCurves curves = rocOf(c, spacingAt(object));
    return jsonAnswer(rocJson(curves.likelihoodRatio, curves.rule ? &*curves.rule : nullptr));
}

// A sweep's request, checked as `bounds sweep` checks its options.
struct SweepRequest {
    Model model;
    std::string name;
    SweepParameter parameter;
    std::vector<double> values;
    bool log;
};

SweepRequest sweepRequest(const json& object)
{
    SweepRequest s;
    s.model = twoClasses(modelCase(object.at("model")), "a sweep").model;
    s.name = textAt(object, "vary", "");
    const auto parameter = sweepParameter(s.name);
    if (!parameter)
        throw Refused(400, "vary: unknown parameter '" + s.name +
                               "' (expected separation, prior1, scale1, scale2, rho1, rho2, mu1.K, mu2.K, "
                               "sigma1.I.J or sigma2.I.J)");
    s.parameter = *parameter;
    for (const char* key : {"from", "to", "steps"})
        if (!object.contains(key))
            throw Refused(400, std::string(key) + ": missing");
    const double a = numberAt(object, "from", 0), b = numberAt(object, "to", 0);
    const std::int64_t n = wholeAt(object, "steps", 2, kMostSteps, 2);
    s.log = flagAt(object, "log");
    if (a == b)
        throw Refused(400, "to: equals from; a sweep needs two different ends");
    if (s.log && (a <= 0 || b <= 0))
        throw Refused(400, std::string(a <= 0 ? "from" : "to") + ": log needs positive ends");
    s.values = sweepValues(a, b, n, s.log);
    if (const auto problem = checkSweep(s.model, s.parameter, s.values))
        throw Refused(400, "vary " + s.name + ": at t = " + exact(problem->t) + ": " + problem->message);
    return s;
}

std::vector<Figures> sweepRows(const SweepRequest& s)
{
    std::vector<Figures> rows = sweepFigures(s.model, s.parameter, s.values, 1);
    if (const auto missing = firstMissing(rows))
        throw Refused(422, "the " + missing->figure + " could not be computed at t = " + exact(s.values[missing->step]));
    return rows;
}

const std::set<std::string> kSweepKeys = {"model", "vary", "from", "to", "steps", "log"};

ApiAnswer sweepAnswer(const ApiRequest& request)
{
    const SweepRequest s = sweepRequest(envelope(request.body, kSweepKeys));
    return jsonAnswer(sweepJson(s.model, s.name, s.parameter, s.values, sweepRows(s)));
}

// n: one count for every class, or one a class, each 1 to kMostPoints.
std::vector<Eigen::Index> countsAt(const json& object, std::size_t classes)
{
    const json& n = object.contains("n") ? object.at("n") : json(500);
    const json counts = n.is_array() ? n : json::array({n});
    if (counts.size() != 1 && counts.size() != classes)
        throw Refused(400, "n: expected a count or " + std::to_string(classes) + " counts");
    std::vector<Eigen::Index> out;
    for (std::size_t i = 0; i < classes; ++i)
        out.push_back(wholeAt({{"n", counts[counts.size() == 1 ? 0 : i]}}, "n", 1, kMostPoints, 0));
    return out;
}

ordered_json pointsArray(const Points& p)
{
    ordered_json rows = ordered_json::array();
    for (Eigen::Index r = 0; r < p.rows(); ++r)
        rows.push_back(std::vector<double>(p.row(r).begin(), p.row(r).end()));
    return rows;
}

ApiAnswer drawAnswer(const ApiRequest& request)
{
    const json object = envelope(request.body, {"model", "n", "seed"});
    const AnyCase c = modelCase(object.at("model"));
    const std::vector<Eigen::Index> counts = countsAt(object, classCount(c));
    const std::uint64_t seed = seedAt(object);
    ordered_json out;
    if (const auto* classes = std::get_if<ClassesCase>(&c)) {
        ConfusionSettings settings;
        settings.losses = classes->losses;
        const ClassesFigures figures = analyseClasses(classes->model, settings);
        const std::vector<Points> drawn = drawClasses(classes->model, counts, seed);
        const ClassesCounts trueRule = classifyClasses(ClassesRule(classes->model, classes->losses), drawn);
        out = ordered_json::parse(classesDrawJson(*classes, figures, trueRule, seed));
        out["points"] = ordered_json::array();
        for (const Points& p : drawn)
            out["points"].push_back(pointsArray(p));
        return jsonAnswer(out);
    }
    const Model& model = std::get<ModelCase>(c).model;
    const Figures figures = figuresOf(model, newTable().get());
    const Classified drawn = drawClassified(model, counts[0], counts[1], seed);
    out = ordered_json::parse(drawJson(model, figures, drawn, seed));
    out["points"] = {pointsArray(drawn.class1), pointsArray(drawn.class2)};
    return jsonAnswer(out);
}

// The plane's extent, [x0, x1, y0, y1].
Rectangle areaAt(const json& a)
{
    const bool numbers = a.is_array() && a.size() == 4 &&
                         std::all_of(a.begin(), a.end(), [](const json& v) { return v.is_number(); });
    const Rectangle r = numbers ? Rectangle{a[0].get<double>(), a[1].get<double>(), a[2].get<double>(),
                                            a[3].get<double>()}
                                : Rectangle{0, 0, 0, 0};
    if (!(r.x0 < r.x1 && r.y0 < r.y1))
        throw Refused(400, "area: expected [x0, x1, y0, y1] with x0 < x1 and y0 < y1");
    return r;
}

ViewSettings viewSettings(const json& object, const AnyCase& c)
{
    ViewSettings settings;
    const Eigen::Index d = dimensionOf(c);
    if (d >= 2)
        std::tie(settings.first, settings.second) = axesAt(object, d);
    else if (object.contains("axes"))
        throw Refused(400, "axes: the model has one coordinate");
    if (object.contains("area"))
        settings.area = areaAt(object.at("area"));
    settings.points = wholeAt(object, "n", 0, kMostPoints, 0);
    settings.seed = seedAt(object);
    return settings;
}

ApiAnswer viewAnswer(const ApiRequest& request)
{
    const json object = envelope(request.body, {"model", "axes", "area", "n", "seed"});
    const AnyCase c = modelCase(object.at("model"));
    return jsonAnswer(viewObject(c, viewSettings(object, c), newTable().get()));
}

Figure chernoffFigureOf(const Model& model)
{
    const auto table = newTable();
    const Figures figures = figuresOf(model, table.get());
    const auto plot = std::make_unique<double[][6]>(kTableRows);
    makePlot(plot.get(), table.get(), figures.tableBeta, figures.tableFactor, figures.bhattacharyya.factor);
    return curveFigure(plot.get(), figures.tableBeta, modelSummary(model));
}

// The figure a request of kind asks for.
Figure requestedFigure(const std::string& kind, const json& object)
{
    const AnyCase c = modelCase(object.at("model"));
    if (kind == "plane") {
        if (dimensionOf(c) < 2)
            throw Refused(400, "kind: the plane needs two coordinates; the model has one");
        return planeFigure(c, viewSettings(object, c));
    }
    if (kind == "chernoff")
        return chernoffFigureOf(twoClasses(c, "the Chernoff curve").model);
    if (kind == "roc" || kind == "zroc") {
        const ModelCase two = twoClasses(c, "the ROC");
        const RocCurves curves = rocOf(two, spacingAt(object));
        return rocFigure(curves.likelihoodRatio, curves.rule ? &*curves.rule : nullptr, kind == "zroc",
                         modelSummary(two.model));
    }
    const SweepRequest s = sweepRequest(object);
    return sweepFigure(s.model, s.name, s.parameter, s.values, s.log, sweepRows(s), std::nullopt);
}

ApiAnswer figureAnswer(const ApiRequest& request, const Renderer& render)
{
    std::set<std::string> known = kSweepKeys;
    known.insert({"kind", "format", "width", "height", "title", "axes", "area", "n", "seed", "spacing"});
    const json object = envelope(request.body, known);
    const std::string kind = textAt(object, "kind", "");
    if (kind != "plane" && kind != "chernoff" && kind != "roc" && kind != "zroc" && kind != "sweep")
        throw Refused(400, "kind: expected \"plane\", \"chernoff\", \"roc\", \"zroc\" or \"sweep\"");
    const std::string name = textAt(object, "format", "svg");
    const auto format = name.find('.') == std::string::npos ? formatFor("." + name) : std::nullopt;
    if (!format)
        throw Refused(400, "format: expected \"png\", \"svg\" or \"pdf\"");
    const auto width = static_cast<int>(wholeAt(object, "width", kSmallestFigureSide, kLargestFigureSide, 900));
    const auto height = static_cast<int>(wholeAt(object, "height", kSmallestFigureSide, kLargestFigureSide, 600));
    Figure figure = requestedFigure(kind, object);
    if (object.contains("title"))
        figure.title = textAt(object, "title", "");
    std::string bytes;
    try {
        bytes = render(figure, *format, width, height);
    } catch (const std::runtime_error& e) {
        throw Refused(500, std::string("the figure could not be drawn: ") + e.what());
    }
    static const char* const types[] = {"image/png", "image/svg+xml", "application/pdf"};
    const std::string extension = *format == Format::Png ? "png" : *format == Format::Svg ? "svg" : "pdf";
    return {200, types[static_cast<int>(*format)], std::move(bytes),
            {{"Content-Disposition", "attachment; filename=\"" + kind + "." + extension + "\""}}};
}

ApiAnswer versionAnswer()
{
    return jsonAnswer(ordered_json{{"name", "gaussbound"}, {"version", GAUSSBOUND_VERSION}});
}

// A page file, or 404.
ApiAnswer pageAnswer(const std::string& path)
{
    const std::string name = path == "/" ? "index.html" : path.substr(1);
    if (const PageFile* file = findPageFile(name))
        return {200, file->contentType, std::string(file->bytes, file->size), {}};
    throw Refused(404, path + ": not found");
}

struct Route {
    const char* path;
    const char* method;
};
const Route kRoutes[] = {{"/api/analyse", "POST"}, {"/api/roc", "POST"},    {"/api/sweep", "POST"},
                         {"/api/draw", "POST"},    {"/api/figure", "POST"}, {"/api/view", "POST"},
                         {"/api/version", "GET"}};

ApiAnswer route(const ApiRequest& r, const Renderer& render)
{
    const bool api = r.path.rfind("/api/", 0) == 0;
    std::string allowed = api ? "" : "GET";
    for (const Route& known : kRoutes)
        if (r.path == known.path)
            allowed = known.method;
    if (api && allowed.empty())
        throw Refused(404, r.path + ": not found");
    // What answers GET answers HEAD too (httplib sends the headers alone).
    const bool permitted = allowed == "POST" ? r.method == "POST" : r.method == "GET" || r.method == "HEAD";
    if (allowed == "GET")
        allowed = "GET, HEAD";
    if (!permitted) {
        ApiAnswer a = jsonAnswer(errorBody(r.method + " " + r.path + ": not allowed (" + allowed + ")"), 405);
        a.headers.push_back({"Allow", allowed});
        return a;
    }
    if (!api)
        return pageAnswer(r.path);
    if (r.path == "/api/version")
        return versionAnswer();
    if (r.path == "/api/analyse")
        return analyseAnswer(r);
    if (r.path == "/api/roc")
        return rocAnswer(r);
    if (r.path == "/api/sweep")
        return sweepAnswer(r);
    if (r.path == "/api/draw")
        return drawAnswer(r);
    if (r.path == "/api/figure")
        return figureAnswer(r, render);
    return viewAnswer(r);
}

}  // namespace

std::string errorBody(const std::string& message)
{
    return ordered_json{{"error", message}}.dump(-1, ' ', false, ordered_json::error_handler_t::replace) + "\n";
}

ApiAnswer answer(const ApiRequest& request, const Renderer& render)
{
    requireArgument(static_cast<bool>(render), "answer: no renderer");
    try {
        return route(request, render);
    } catch (const Refused& e) {
        return jsonAnswer(errorBody(e.what()), e.status);
    } catch (const FigureNotComputed& e) {
        return jsonAnswer(errorBody(e.what()), 422);
    } catch (const std::exception& e) {  // a fault of this program's, not of the request
        return jsonAnswer(errorBody(std::string("internal error: ") + e.what()), 500);
    }
}

}  // namespace gaussbound
