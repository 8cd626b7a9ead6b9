#include "gaussbound/Render.h"

#include "gaussbound/Ticks.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>

#include <cairo-ft.h>
#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>

namespace gaussbound {

namespace {

using Context = cairo_t*;

// ---------------------------------------------------------------------------
// Text with superscripts: "a^{b}c" is a, then b smaller and raised, then c.

struct Run {
    std::string text;
    bool raised;
};

std::vector<Run> runsOf(const std::string& text)
{
    std::vector<Run> runs;
    size_t at = 0;
    while (at < text.size()) {
        const size_t open = text.find("^{", at);
        const size_t close = open == std::string::npos ? open : text.find('}', open);
        if (close == std::string::npos) {
            runs.push_back({text.substr(at), false});
            break;
        }
        if (open > at)
            runs.push_back({text.substr(at, open - at), false});
        runs.push_back({text.substr(open + 2, close - open - 2), true});
        at = close + 1;
    }
    return runs;
}

constexpr double kRaisedScale = 0.7, kRaise = 0.38;

double textWidth(Context cr, const std::string& text, double size)
{
    double width = 0.0;
    for (const Run& run : runsOf(text)) {
        cairo_set_font_size(cr, run.raised ? size * kRaisedScale : size);
        cairo_text_extents_t e;
        cairo_text_extents(cr, run.text.c_str(), &e);
        width += e.x_advance;
    }
    return width;
}

// Lays text out from x with its baseline at y, run by run: shows it, or
// (outline) adds the letters' outlines to the current path.
void layOutText(Context cr, const std::string& text, double x, double y, double size, bool outline)
{
    for (const Run& run : runsOf(text)) {
        cairo_set_font_size(cr, run.raised ? size * kRaisedScale : size);
        cairo_move_to(cr, x, run.raised ? y - kRaise * size : y);
        if (outline)
            cairo_text_path(cr, run.text.c_str());
        else
            cairo_show_text(cr, run.text.c_str());
        cairo_text_extents_t e;
        cairo_text_extents(cr, run.text.c_str(), &e);
        x += e.x_advance;
    }
}

// Draws text with its baseline at y; align 0 left, 0.5 centred, 1 right.
void drawText(Context cr, const std::string& text, double x, double y, double size, double align = 0.0)
{
    layOutText(cr, text, x - align * textWidth(cr, text, size), y, size, false);
}

// ---------------------------------------------------------------------------
// Axes.

// One axis: data values in [lo, hi] (log10 of them on a logarithmic axis)
// onto device coordinates [from, to]. On a linear axis lo, hi and the ticks
// are values less offset, so that a narrow range far from zero keeps its
// precision.
struct Axis {
    double lo, hi;
    bool log;
    double from = 0.0, to = 1.0;
    std::vector<double> ticks;  // in data values, less offset
    std::vector<std::string> labels;  // of a linear axis's ticks
    double offset = 0.0;
    std::string title;

    double value(double v) const { return log ? std::log10(v) : v; }
    bool shows(double v) const { return std::isfinite(v) && (!log || v > 0.0); }
    // Where a value less offset (a linear axis's tick) goes.
    double at(double relative) const { return from + (relative - lo) / (hi - lo) * (to - from); }
    double map(double v) const { return at(value(v) - offset); }
    // Where the i-th tick goes.
    double tickAt(size_t i) const { return log ? map(ticks[i]) : at(ticks[i]); }
    std::string label(size_t i) const;
};

// The finite values of one coordinate over every series and ellipse.
void extent(const Figure& f, bool yAxis, bool log, double& lo, double& hi)
{
    lo = INFINITY;
    hi = -INFINITY;
    const auto take = [&](double v) {
        if (std::isfinite(v) && (!log || v > 0.0)) {
            lo = std::fmin(lo, log ? std::log10(v) : v);
            hi = std::fmax(hi, log ? std::log10(v) : v);
        }
    };
    for (const Series& s : f.series)
        for (double v : yAxis ? s.y : s.x)
            take(v);
    for (const Ellipse& e : f.ellipses) {
        const auto [low, high] = ellipseExtent(e, yAxis);
        take(low);
        take(high);
    }
    if (f.raster) {
        take(yAxis ? f.raster->y0 : f.raster->x0);
        take(yAxis ? f.raster->y1 : f.raster->x1);
    }
    for (const Label& l : f.labels)
        take(yAxis ? l.y : l.x);
    if (!(lo <= hi)) {
        lo = 0.0;
        hi = 1.0;
    }
    if (lo == hi) {
        const double pad = lo == 0.0 ? 1.0 : 0.1 * std::fabs(lo);
        lo -= pad;
        hi += pad;
    }
}

Axis makeAxis(const Figure& f, bool yAxis)
{
    const bool log = yAxis && f.logY;
    Axis a{0.0, 1.0, log, 0.0, 1.0, {}, {}, 0.0, {}};
    const auto& range = yAxis ? f.yRange : f.xRange;
    if (range) {
        a.lo = log ? std::log10(range->first) : range->first;
        a.hi = log ? std::log10(range->second) : range->second;
    } else {
        extent(f, yAxis, log, a.lo, a.hi);
    }
    if (log) {
        // Whole decades, with 2 and 5 between them when there are few.
        if (!range) {
            a.lo = std::floor(a.lo);
            a.hi = std::max(std::ceil(a.hi), a.lo + 1.0);
        }
        const int decades = static_cast<int>(a.hi - a.lo);
        const int every = std::max(1, decades / 8);
        for (int k = static_cast<int>(std::ceil(a.lo)); k <= a.hi; k += every) {
            a.ticks.push_back(std::pow(10.0, k));
            if (decades <= 2)
                for (double m : {2.0, 5.0})
                    if (k + std::log10(m) <= a.hi)
                        a.ticks.push_back(m * std::pow(10.0, k));
        }
        std::sort(a.ticks.begin(), a.ticks.end());
        a.title = f.yLabel;
        return a;
    }
    const AxisTicks ticks = axisTicks(a.lo, a.hi, 6, !range);
    a.offset = ticks.offset;
    a.ticks = ticks.at;
    a.labels = ticks.labels;
    a.title = axisTitle(yAxis ? f.yLabel : f.xLabel, yAxis ? f.ySymbol : f.xSymbol, ticks);
    if (!range && a.ticks.size() >= 2) {
        a.lo = a.ticks.front();
        a.hi = a.ticks.back();
    } else {
        a.lo -= a.offset;
        a.hi -= a.offset;
    }
    return a;
}

// A logarithmic axis's tick label: powers of ten as 10^{k}, others as "%g",
// with a true minus sign.
std::string logTickLabel(double v)
{
    char buf[32];
    const double k = std::log10(v);
    if (std::fabs(k - std::round(k)) < 1e-9 && std::fabs(k) >= 3)
        std::snprintf(buf, sizeof buf, "10^{%d}", static_cast<int>(std::round(k)));
    else
        std::snprintf(buf, sizeof buf, "%g", v);
    std::string s = buf;
    for (size_t at; (at = s.find('-')) != std::string::npos;)
        s.replace(at, 1, "\u2212");
    return s;
}

std::string Axis::label(size_t i) const
{
    return log ? logTickLabel(ticks[i]) : labels[i];
}

// ---------------------------------------------------------------------------
// Drawing.

void setColour(Context cr, const Colour& c)
{
    cairo_set_source_rgba(cr, c.r, c.g, c.b, c.a);
}

void drawSeriesLine(Context cr, const Series& s, const Axis& x, const Axis& y)
{
    if (s.lineWidth <= 0.0)
        return;
    setColour(cr, s.colour);
    cairo_set_line_width(cr, s.lineWidth);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    bool open = false;
    for (size_t i = 0; i < s.x.size() && i < s.y.size(); ++i) {
        if (!x.shows(s.x[i]) || !y.shows(s.y[i])) {
            open = false;  // a gap: the next point starts a new piece
            continue;
        }
        const double px = x.map(s.x[i]), py = y.map(s.y[i]);
        if (open)
            cairo_line_to(cr, px, py);
        else
            cairo_move_to(cr, px, py);
        open = true;
    }
    cairo_stroke(cr);
}

// Draws one marker: fills a Circle or Square, strokes a Ring.
void drawMarker(Context cr, Marker marker, double px, double py, double size)
{
    cairo_new_sub_path(cr);
    if (marker == Marker::Square) {
        cairo_rectangle(cr, px - size / 2, py - size / 2, size, size);
    } else if (marker != Marker::None) {
        cairo_arc(cr, px, py, size / 2, 0, 2 * M_PI);
    }
    if (marker == Marker::Ring) {
        cairo_set_line_width(cr, std::max(1.0, size / 6));
        cairo_stroke(cr);
    } else {
        cairo_fill(cr);
    }
}

void drawSeriesMarkers(Context cr, const Series& s, const Axis& x, const Axis& y)
{
    if (s.marker == Marker::None)
        return;
    setColour(cr, s.colour);
    for (size_t i = 0; i < s.x.size() && i < s.y.size(); ++i)
        if (x.shows(s.x[i]) && y.shows(s.y[i])) {
            drawMarker(cr, s.marker, x.map(s.x[i]), y.map(s.y[i]), s.markerSize);
        }
}

void drawEllipse(Context cr, const Ellipse& e, const Axis& x, const Axis& y)
{
    if (y.log)
        return;  // not defined on a logarithmic axis
    const double sx = (x.to - x.from) / (x.hi - x.lo), sy = (y.to - y.from) / (y.hi - y.lo);
    cairo_save(cr);
    cairo_translate(cr, x.map(e.cx), y.map(e.cy));
    cairo_scale(cr, sx, sy);
    cairo_rotate(cr, e.angle);
    cairo_scale(cr, e.a, e.b);
    cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(cr);  // the line width is in device units again
    if (e.fill) {
        setColour(cr, *e.fill);
        cairo_fill_preserve(cr);
    }
    setColour(cr, e.stroke);
    cairo_set_line_width(cr, e.lineWidth);
    cairo_stroke(cr);
}

struct Box {
    double x, y, w, h;
    bool contains(double px, double py) const { return px >= x && px <= x + w && py >= y && py <= y + h; }
    bool overlaps(const Box& o) const { return x < o.x + o.w && o.x < x + w && y < o.y + o.h && o.y < y + h; }
    bool inside(const Box& o) const { return x >= o.x && y >= o.y && x + w <= o.x + o.w && y + h <= o.y + o.h; }
};

std::uint8_t byte(double v)
{
    return static_cast<std::uint8_t>(std::lround(255.0 * std::clamp(std::isfinite(v) ? v : 0.0, 0.0, 1.0)));
}

// The raster as one image, stretched over its rectangle (on a logarithmic
// y axis, between the positions of y0 and y1).
void drawRaster(Context cr, const Raster& r, const Axis& x, const Axis& y)
{
    if (r.width <= 0 || r.height <= 0 || (y.log && !(r.y0 > 0.0 && r.y1 > 0.0)))
        return;
    using Image = std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)>;
    Image image(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, r.width, r.height), cairo_surface_destroy);
    if (cairo_surface_status(image.get()) != CAIRO_STATUS_SUCCESS)
        throw std::runtime_error(cairo_status_to_string(cairo_surface_status(image.get())));
    // Premultiplied ARGB in native-endian words; the image's top row is the raster's last.
    std::vector<std::uint32_t> palette;
    for (const Colour& c : r.palette) {
        const double a = std::clamp(std::isfinite(c.a) ? c.a : 0.0, 0.0, 1.0);
        palette.push_back(std::uint32_t{byte(a)} << 24 | std::uint32_t{byte(c.r * a)} << 16 |
                          std::uint32_t{byte(c.g * a)} << 8 | byte(c.b * a));
    }
    cairo_surface_flush(image.get());
    unsigned char* data = cairo_image_surface_get_data(image.get());
    const int stride = cairo_image_surface_get_stride(image.get());
    for (int row = 0; row < r.height; ++row) {
        auto* line = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(r.height - 1 - row) * stride);
        for (int col = 0; col < r.width; ++col) {
            const size_t at = static_cast<size_t>(row) * static_cast<size_t>(r.width) + static_cast<size_t>(col);
            line[col] = at < r.cells.size() && r.cells[at] < palette.size() ? palette[r.cells[at]] : 0u;
        }
    }
    cairo_surface_mark_dirty(image.get());
    const double left = x.map(r.x0), right = x.map(r.x1), bottom = y.map(r.y0), top = y.map(r.y1);
    cairo_save(cr);
    cairo_rectangle(cr, x.from, y.to, x.to - x.from, y.from - y.to);
    cairo_clip(cr);
    cairo_rectangle(cr, std::min(left, right), std::min(top, bottom), std::fabs(right - left), std::fabs(bottom - top));
    cairo_clip(cr);
    cairo_translate(cr, left, top);
    cairo_scale(cr, (right - left) / r.width, (bottom - top) / r.height);
    cairo_set_source_surface(cr, image.get(), 0, 0);
    cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
    cairo_paint(cr);
    cairo_restore(cr);
}

// The path of text with its baseline at y, left aligned, as drawText lays it out.
void textPath(Context cr, const std::string& text, double x, double y, double size)
{
    layOutText(cr, text, x, y, size, true);
}

// Each label beside its point, on the first side that keeps it in the plot
// area and off the labels already placed (the first side when none does),
// in its colour over a white halo.
void drawLabels(Context cr, const Figure& f, const Axis& x, const Axis& y, double size)
{
    const Box area{x.from, y.to, x.to - x.from, y.from - y.to};
    std::vector<Box> placed;
    const double gap = 0.55 * size, ascent = 0.75 * size, descent = 0.25 * size;
    for (const Label& l : f.labels) {
        if (l.text.empty() || !x.shows(l.x) || !y.shows(l.y))
            continue;
        const double px = x.map(l.x), py = y.map(l.y), w = textWidth(cr, l.text, size);
        // Left edges and baselines: right, left, above, below the point.
        const std::pair<double, double> sides[] = {{px + gap, py + 0.35 * size},
                                                   {px - gap - w, py + 0.35 * size},
                                                   {px - w / 2, py - gap - descent},
                                                   {px - w / 2, py + gap + ascent}};
        const auto boxAt = [&](const std::pair<double, double>& at) {
            return Box{at.first - 0.15 * size, at.second - ascent - 0.1 * size, w + 0.3 * size,
                       ascent + descent + 0.2 * size};
        };
        const std::pair<double, double>* chosen = &sides[0];
        for (const auto& side : sides) {
            const Box b = boxAt(side);
            const bool clear =
                std::none_of(placed.begin(), placed.end(), [&](const Box& p) { return p.overlaps(b); });
            if (b.inside(area) && clear) {
                chosen = &side;
                break;
            }
        }
        placed.push_back(boxAt(*chosen));
        cairo_new_path(cr);
        textPath(cr, l.text, chosen->first, chosen->second, size);
        cairo_set_source_rgba(cr, 1, 1, 1, 0.85);
        cairo_set_line_width(cr, 0.3 * size);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        cairo_stroke_preserve(cr);
        setColour(cr, l.colour);
        cairo_fill(cr);
    }
}

// The corner of the plot area where a legend of this size hides the fewest
// points (ties: top right, top left, bottom right, bottom left).
Box quietestCorner(const Figure& f, const Axis& x, const Axis& y, double w, double h, double inset)
{
    const double left = x.from + inset, right = x.to - inset - w;
    const double top = y.to + inset, bottom = y.from - inset - h;
    Box best{right, top, w, h};
    long fewest = -1;
    for (const auto& [cx, cy] : {std::pair{right, top}, {left, top}, {right, bottom}, {left, bottom}}) {
        const Box candidate{cx, cy, w, h};
        long hidden = 0;
        for (const Series& s : f.series)
            for (size_t i = 0; i < s.x.size() && i < s.y.size(); ++i)
                hidden += x.shows(s.x[i]) && y.shows(s.y[i]) &&
                          candidate.contains(x.map(s.x[i]), y.map(s.y[i]));
        if (fewest < 0 || hidden < fewest) {
            fewest = hidden;
            best = candidate;
        }
    }
    return best;
}

void drawLegend(Context cr, const Figure& f, const Axis& x, const Axis& y, double size)
{
    std::vector<const Series*> listed;
    double widest = 0.0;
    for (const Series& s : f.series)
        if (!s.label.empty()) {
            listed.push_back(&s);
            widest = std::max(widest, textWidth(cr, s.label, size));
        }
    if (listed.empty())
        return;
    const double line = 1.5 * size, pad = 0.6 * size, swatch = 2.2 * size;
    const Box box = quietestCorner(f, x, y, 3 * pad + swatch + widest, 2 * pad + line * listed.size(), pad);
    cairo_rectangle(cr, box.x, box.y, box.w, box.h);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.92);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 0.6, 0.6, 0.6);
    cairo_set_line_width(cr, 0.8);
    cairo_stroke(cr);
    for (size_t i = 0; i < listed.size(); ++i) {
        const Series& s = *listed[i];
        const double mid = box.y + pad + line * (i + 0.5);
        setColour(cr, s.colour);
        if (s.lineWidth > 0.0) {
            cairo_set_line_width(cr, s.lineWidth);
            cairo_move_to(cr, box.x + pad, mid);
            cairo_line_to(cr, box.x + pad + swatch, mid);
            cairo_stroke(cr);
        }
        if (s.marker != Marker::None) {
            drawMarker(cr, s.marker, box.x + pad + swatch / 2, mid, s.markerSize);
        }
        cairo_set_source_rgb(cr, 0, 0, 0);
        drawText(cr, s.label, box.x + 2 * pad + swatch, mid + 0.35 * size, size);
    }
}

void drawAxes(Context cr, const Axis& x, const Axis& y, double size)
{
    const double tick = 0.4 * size;
    cairo_set_line_width(cr, 0.6);
    for (size_t i = 0; i < x.ticks.size(); ++i) {
        const double px = x.tickAt(i);
        cairo_set_source_rgb(cr, 0.9, 0.9, 0.9);
        cairo_move_to(cr, px, y.to);
        cairo_line_to(cr, px, y.from);
        cairo_stroke(cr);
        cairo_set_source_rgb(cr, 0, 0, 0);
        cairo_move_to(cr, px, y.from);
        cairo_line_to(cr, px, y.from + tick);
        cairo_stroke(cr);
        drawText(cr, x.label(i), px, y.from + tick + 1.2 * size, size, 0.5);
    }
    for (size_t i = 0; i < y.ticks.size(); ++i) {
        const double py = y.tickAt(i);
        cairo_set_source_rgb(cr, 0.9, 0.9, 0.9);
        cairo_move_to(cr, x.from, py);
        cairo_line_to(cr, x.to, py);
        cairo_stroke(cr);
        cairo_set_source_rgb(cr, 0, 0, 0);
        cairo_move_to(cr, x.from - tick, py);
        cairo_line_to(cr, x.from, py);
        cairo_stroke(cr);
        drawText(cr, y.label(i), x.from - tick - 0.3 * size, py + 0.35 * size, size, 1.0);
    }
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_set_line_width(cr, 1.0);
    cairo_rectangle(cr, x.from, y.to, x.to - x.from, y.from - y.to);
    cairo_stroke(cr);

    drawText(cr, x.title, (x.from + x.to) / 2, y.from + tick + 2.9 * size, 1.15 * size, 0.5);
    cairo_save(cr);
    cairo_translate(cr, x.from - tick - 4.2 * size, (y.from + y.to) / 2);
    cairo_rotate(cr, -M_PI / 2);
    drawText(cr, y.title, 0, 0, 1.15 * size, 0.5);
    cairo_restore(cr);
}

// The text size up to size at which text fits in room.
double fitting(Context cr, const std::string& text, double size, double room)
{
    return std::min(size, size * room / std::max(1.0, textWidth(cr, text, size)));
}

void drawFigure(Context cr, const Figure& f, int width, int height)
{
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    const double size = std::clamp(std::min(width, height) / 45.0, 6.0, 60.0);

    Axis x = makeAxis(f, false), y = makeAxis(f, true);
    const double top = (f.subtitle.empty() ? 2.6 : 4.0) * size;
    x.from = 6.5 * size;
    x.to = width - 1.5 * size;
    const double captionLine = 1.3 * size;
    y.from = height - 4.2 * size - captionLine * f.caption.size();  // device y grows downwards
    y.to = top;
    if (f.raster)
        drawRaster(cr, *f.raster, x, y);

    cairo_set_source_rgb(cr, 0, 0, 0);
    drawText(cr, f.title, width / 2.0, 1.6 * size, 1.3 * size, 0.5);
    if (!f.subtitle.empty())
        drawText(cr, f.subtitle, width / 2.0, 3.0 * size, fitting(cr, f.subtitle, 0.85 * size, width - 2 * size), 0.5);
    drawAxes(cr, x, y, size);
    for (size_t i = 0; i < f.caption.size(); ++i)
        drawText(cr, f.caption[i], x.from, y.from + 4.6 * size + captionLine * i,
                 fitting(cr, f.caption[i], 0.9 * size, width - x.from - size));

    cairo_save(cr);
    cairo_rectangle(cr, x.from, y.to, x.to - x.from, y.from - y.to);
    cairo_clip(cr);
    for (const Ellipse& e : f.ellipses)
        drawEllipse(cr, e, x, y);
    for (auto s = f.series.rbegin(); s != f.series.rend(); ++s)  // the first series on top
        drawSeriesLine(cr, *s, x, y);
    for (const Series& s : f.series)
        drawSeriesMarkers(cr, s, x, y);
    cairo_restore(cr);
    if (!f.labels.empty())
        drawLabels(cr, f, x, y, 0.95 * size);
    drawLegend(cr, f, x, y, size);
}

cairo_status_t append(void* closure, const unsigned char* data, unsigned int length)
{
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

using Surface = std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)>;

void check(cairo_status_t status)
{
    if (status != CAIRO_STATUS_SUCCESS)
        throw std::runtime_error(cairo_status_to_string(status));
}

// Cairo numbers an SVG's page ("surfaceN") and its images ("imageN") with
// a count kept over the whole process, so a second figure drawn in one
// process would read otherwise than the first. Shifts every such number so
// that the page is surface1, as in a process that draws one figure.
std::string numberedFromOne(std::string svg)
{
    const std::string page = "id=\"surface";
    const size_t first = svg.find(page);
    if (first == std::string::npos)
        return svg;
    const unsigned long offset = std::stoul(svg.substr(first + page.size())) - 1;
    if (offset == 0)
        return svg;
    std::string out;
    size_t done = 0;
    for (size_t at = 0; (at = svg.find_first_of("\"#", at)) != std::string::npos; ++at) {
        size_t digits = at + 1;
        for (const char* name : {"surface", "image"})
            if (svg.compare(at + 1, std::strlen(name), name) == 0)
                digits = at + 1 + std::strlen(name);
        size_t end = digits;
        while (end < svg.size() && std::isdigit(static_cast<unsigned char>(svg[end])))
            ++end;
        if (digits == at + 1 || end == digits)
            continue;
        out.append(svg, done, digits - done);
        out += std::to_string(std::stoul(svg.substr(digits, end - digits)) - offset);
        done = end;
    }
    return out.append(svg, done, std::string::npos);
}

// DejaVu Sans as a face of the figure's own, found as Cairo finds the face
// cairo_select_font_face names. Cairo resolves a face for the first surface
// that draws with it and keeps that for every later surface, so with one
// shared face a PNG drawn after an SVG in one process would be hinted as the
// SVG was; a face of its own draws each figure as a process's first figure.
cairo_font_face_t* newFontFace()
{
    FcPattern* pattern = FcPatternCreate();
    if (!pattern)
        throw std::bad_alloc();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>("DejaVu Sans"));
    FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    FcPatternAddInteger(pattern, FC_WEIGHT, FC_WEIGHT_MEDIUM);
    cairo_font_face_t* face = cairo_ft_font_face_create_for_pattern(pattern);
    FcPatternDestroy(pattern);
    return face;
}

}  // namespace


std::string render(const Figure& figure, Format format, int width, int height)
{
    // One figure at a time, so that the numbers Cairo gives a figure's
    // surfaces follow each other (see numberedFromOne).
    static std::mutex rendering;
    const std::lock_guard<std::mutex> held(rendering);
    std::string bytes;
    Surface surface(format == Format::Png   ? cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height)
                    : format == Format::Svg ? cairo_svg_surface_create_for_stream(append, &bytes, width, height)
                                            : cairo_pdf_surface_create_for_stream(append, &bytes, width, height),
                    cairo_surface_destroy);
    check(cairo_surface_status(surface.get()));
    using Face = std::unique_ptr<cairo_font_face_t, decltype(&cairo_font_face_destroy)>;
    const Face face(newFontFace(), cairo_font_face_destroy);
    check(cairo_font_face_status(face.get()));
    cairo_t* cr = cairo_create(surface.get());
    cairo_set_font_face(cr, face.get());
    drawFigure(cr, figure, width, height);
    const cairo_status_t drawn = cairo_status(cr);
    cairo_destroy(cr);
    check(drawn);
    if (format == Format::Png)
        check(cairo_surface_write_to_png_stream(surface.get(), append, &bytes));
    cairo_surface_finish(surface.get());
    check(cairo_surface_status(surface.get()));
    return format == Format::Svg ? numberedFromOne(std::move(bytes)) : bytes;
}

}  // namespace gaussbound
