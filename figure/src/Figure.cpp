#include "gaussbound/Figure.h"

#include <cmath>

namespace gaussbound {

std::optional<Format> formatFor(const std::string& path)
{
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos)
        return std::nullopt;
    std::string ext = path.substr(dot + 1);
    for (char& c : ext)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (ext == "png")
        return Format::Png;
    if (ext == "svg")
        return Format::Svg;
    if (ext == "pdf")
        return Format::Pdf;
    return std::nullopt;
}

// A point at angle phi of the ellipse is c + a cos(phi) u + b sin(phi) v,
// u = (cos t, sin t), v = (-sin t, cos t); its x coordinate reaches
// cx +- hypot(a cos t, b sin t), its y coordinate cy +- hypot(a sin t, b cos t).
std::pair<double, double> ellipseExtent(const Ellipse& e, bool yAxis)
{
    const double c = std::cos(e.angle), s = std::sin(e.angle);
    const double half = yAxis ? std::hypot(e.a * s, e.b * c) : std::hypot(e.a * c, e.b * s);
    const double centre = yAxis ? e.cy : e.cx;
    return {centre - half, centre + half};
}

}  // namespace gaussbound
