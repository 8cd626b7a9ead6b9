#include "gaussbound/FigureJson.h"

#include <cmath>

namespace gaussbound {

namespace {

using nlohmann::ordered_json;

ordered_json number(double v)
{
    return std::isfinite(v) ? ordered_json(v) : ordered_json(nullptr);
}

ordered_json numbers(const std::vector<double>& values)
{
    ordered_json a = ordered_json::array();
    for (double v : values)
        a.push_back(number(v));
    return a;
}

ordered_json colour(const Colour& c)
{
    return ordered_json::array({number(c.r), number(c.g), number(c.b), number(c.a)});
}

ordered_json range(const std::optional<std::pair<double, double>>& r)
{
    return r ? ordered_json::array({number(r->first), number(r->second)}) : ordered_json(nullptr);
}

const char* markerName(Marker m)
{
    switch (m) {
    case Marker::Circle:
        return "circle";
    case Marker::Square:
        return "square";
    case Marker::Ring:
        return "ring";
    case Marker::None:
        break;
    }
    return "none";
}

}  // namespace

ordered_json figureJson(const Figure& f)
{
    ordered_json series = ordered_json::array();
    for (const Series& s : f.series)
        series.push_back({{"x", numbers(s.x)},
                          {"y", numbers(s.y)},
                          {"colour", colour(s.colour)},
                          {"label", s.label},
                          {"line_width", number(s.lineWidth)},
                          {"marker", markerName(s.marker)},
                          {"marker_size", number(s.markerSize)}});
    ordered_json ellipses = ordered_json::array();
    for (const Ellipse& e : f.ellipses)
        ellipses.push_back({{"cx", number(e.cx)},
                            {"cy", number(e.cy)},
                            {"a", number(e.a)},
                            {"b", number(e.b)},
                            {"angle", number(e.angle)},
                            {"stroke", colour(e.stroke)},
                            {"fill", e.fill ? colour(*e.fill) : ordered_json(nullptr)},
                            {"line_width", number(e.lineWidth)}});
    ordered_json raster(nullptr);
    if (const auto& r = f.raster) {
        ordered_json palette = ordered_json::array();
        for (const Colour& c : r->palette)
            palette.push_back(colour(c));
        raster = {{"x_range", ordered_json::array({number(r->x0), number(r->x1)})},
                  {"y_range", ordered_json::array({number(r->y0), number(r->y1)})},
                  {"width", r->width},
                  {"height", r->height},
                  {"palette", std::move(palette)},
                  {"cells", r->cells}};
    }
    ordered_json labels = ordered_json::array();
    for (const Label& l : f.labels)
        labels.push_back({{"x", number(l.x)}, {"y", number(l.y)}, {"text", l.text}, {"colour", colour(l.colour)}});
    return {{"title", f.title},
            {"subtitle", f.subtitle},
            {"x_label", f.xLabel},
            {"y_label", f.yLabel},
            {"x_symbol", f.xSymbol},
            {"y_symbol", f.ySymbol},
            {"log_y", f.logY},
            {"x_range", range(f.xRange)},
            {"y_range", range(f.yRange)},
            {"series", std::move(series)},
            {"ellipses", std::move(ellipses)},
            {"raster", std::move(raster)},
            {"labels", std::move(labels)},
            {"caption", f.caption}};
}

}  // namespace gaussbound
