// The decision regions of C normal classes in a plane: see RegionFigure.h.
#include "gaussbound/RegionFigure.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <unordered_map>
#include <vector>

#include <Eigen/Cholesky>

#include "gaussbound/Scatter.h"
#include "gaussbound/Text.h"

namespace gaussbound {

namespace {

// Paul Tol's "light" scheme in his order: light blue, orange, light yellow,
// pink, light cyan, mint, pear, olive, pale grey.
constexpr std::array<std::array<int, 3>, 9> kTolLight{{{0x77, 0xAA, 0xDD},
                                                       {0xEE, 0x88, 0x66},
                                                       {0xEE, 0xDD, 0x88},
                                                       {0xFF, 0xAA, 0xBB},
                                                       {0x99, 0xDD, 0xFF},
                                                       {0x44, 0xBB, 0x99},
                                                       {0xBB, 0xCC, 0x33},
                                                       {0xAA, 0xAA, 0x00},
                                                       {0xDD, 0xDD, 0xDD}}};
// A fill is its base colour this much, the rest white; a line colour is
// each channel of the base to the power kLineGamma (darker, and more
// saturated than a plain shade), times kLineShade.
constexpr double kFillShare = 0.6, kLineGamma = 2.4, kLineShade = 0.75;
// Bisections of a crossing along the edge between two cells' centres: its
// place to 2^-30 of a cell.
constexpr int kBisections = 30;
// The legend lists every class up to this many, else one fewer and a line for the rest.
constexpr std::size_t kLegendClasses = 16;
const Colour kBoundary{0.15, 0.15, 0.15};

// sRGB of the CIE L*C*h colour (hue in degrees, D65 white), each channel clamped to [0, 1].
Colour fromLch(double lightness, double chroma, double hue)
{
    const double h = hue * M_PI / 180.0;
    const double fy = (lightness + 16.0) / 116.0, fx = fy + chroma * std::cos(h) / 500.0,
                 fz = fy - chroma * std::sin(h) / 200.0;
    const auto inverse = [](double t) {
        return t > 6.0 / 29.0 ? t * t * t : 3.0 * (6.0 / 29.0) * (6.0 / 29.0) * (t - 4.0 / 29.0);
    };
    const double x = 0.95047 * inverse(fx), y = inverse(fy), z = 1.08883 * inverse(fz);
    const auto gamma = [](double v) {
        v = std::clamp(v, 0.0, 1.0);
        return v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1.0 / 2.4) - 0.055;
    };
    return {gamma(3.2406 * x - 1.5372 * y - 0.4986 * z), gamma(-0.9689 * x + 1.8758 * y + 0.0415 * z),
            gamma(0.0557 * x - 0.2040 * y + 1.0570 * z)};
}

// "x" and the coordinate's number in subscript digits (U+2080 to U+2089).
std::string axisLabel(Eigen::Index axis)
{
    std::string label = "x";
    for (char digit : std::to_string(axis + 1))
        label += std::string("\xE2\x82") + static_cast<char>('\x80' + (digit - '0'));
    return label;
}

// A class in the plane: the mean and covariance of its distribution given
// the other coordinates at `at` (RegionFigure.h).
struct PlaneClass {
    Eigen::Vector2d centre;
    Eigen::Matrix2d covariance;
};

PlaneClass inPlane(const NormalClass& c, const Eigen::VectorXd& at, Eigen::Index i, Eigen::Index j)
{
    const Eigen::MatrixXd& s = c.covariance;
    PlaneClass p{Eigen::Vector2d(c.mean(i), c.mean(j)),
                 (Eigen::Matrix2d() << s(i, i), s(i, j), s(j, i), s(j, j)).finished()};
    std::vector<Eigen::Index> rest;
    for (Eigen::Index k = 0; k < c.mean.size(); ++k)
        if (k != i && k != j)
            rest.push_back(k);
    if (rest.empty())
        return p;
    const auto r = static_cast<Eigen::Index>(rest.size());
    Eigen::MatrixXd restRest(r, r), restPlane(r, 2);
    Eigen::VectorXd offset(r);
    for (Eigen::Index a = 0; a < r; ++a) {
        offset(a) = at(rest[a]) - c.mean(rest[a]);
        restPlane(a, 0) = s(rest[a], i);
        restPlane(a, 1) = s(rest[a], j);
        for (Eigen::Index b = 0; b < r; ++b)
            restRest(a, b) = s(rest[a], rest[b]);
    }
    const Eigen::LLT<Eigen::MatrixXd> factor(restRest);
    p.centre += restPlane.transpose() * factor.solve(offset);
    p.covariance -= restPlane.transpose() * factor.solve(restPlane);
    p.covariance = (0.5 * (p.covariance + p.covariance.transpose())).eval();
    return p;
}

// The rule's decision at points of the plane.
class Plane {
public:
    Plane(const ClassesRule& rule, Eigen::VectorXd through, Eigen::Index i, Eigen::Index j)
        : rule_(rule), point_(std::move(through)), i_(i), j_(j)
    {
    }
    std::size_t decide(const Eigen::Vector2d& at)
    {
        point_(i_) = at(0);
        point_(j_) = at(1);
        return rule_.decide(point_);
    }

private:
    const ClassesRule& rule_;
    Eigen::VectorXd point_;
    Eigen::Index i_, j_;
};

// The boundaries between the decisions of a grid of n x n points (the
// cells' centres, row by row from the bottom) by marching squares: a
// crossing on each edge whose ends differ, found by bisection; in each
// square, two crossings joined, four of two classes joined in the pairs that
// leave the centre's class connected, three or four of more classes each
// joined to their centroid. The pieces are then chained into polylines
// through the points where exactly two meet.
class Tracer {
public:
    Tracer(Plane& plane, const std::vector<std::uint16_t>& cells, int n, Eigen::Vector2d origin,
           Eigen::Vector2d step)
        : plane_(plane), cells_(cells), n_(n), origin_(std::move(origin)), step_(std::move(step))
    {
    }

    std::vector<Polyline> trace()
    {
        for (int r = 0; r + 1 < n_; ++r)
            for (int c = 0; c + 1 < n_; ++c)
                square(c, r);
        return chain();
    }

private:
    Plane& plane_;
    const std::vector<std::uint16_t>& cells_;
    int n_;
    Eigen::Vector2d origin_, step_;
    std::unordered_map<long, int> nodeOf_;
    std::vector<Eigen::Vector2d> nodes_;
    std::vector<std::array<int, 2>> segments_;

    long vertex(int c, int r) const { return static_cast<long>(r) * n_ + c; }
    std::uint16_t at(int c, int r) const { return cells_[static_cast<size_t>(vertex(c, r))]; }
    Eigen::Vector2d centre(int c, int r) const { return origin_ + Eigen::Vector2d(c * step_(0), r * step_(1)); }

    // The node of the crossing between grid points (c0, r0) and (c1, r1),
    // right of or above it.
    int crossing(int c0, int r0, int c1, int r1)
    {
        const long key = 2 * vertex(c0, r0) + (r1 > r0 ? 1 : 0);
        if (const auto found = nodeOf_.find(key); found != nodeOf_.end())
            return found->second;
        const Eigen::Vector2d p = centre(c0, r0), q = centre(c1, r1);
        const std::size_t from = at(c0, r0);
        double low = 0.0, high = 1.0;
        for (int k = 0; k < kBisections; ++k) {
            const double mid = 0.5 * (low + high);
            (plane_.decide(p + mid * (q - p)) == from ? low : high) = mid;
        }
        nodes_.push_back(p + 0.5 * (low + high) * (q - p));
        return nodeOf_[key] = static_cast<int>(nodes_.size() - 1);
    }

    void square(int c, int r)
    {
        // Corners counterclockwise from the bottom left; edge k from corner k to k + 1.
        const std::array<std::uint16_t, 4> k{at(c, r), at(c + 1, r), at(c + 1, r + 1), at(c, r + 1)};
        if (k[0] == k[1] && k[1] == k[2] && k[2] == k[3])
            return;
        std::array<int, 4> edge{-1, -1, -1, -1};
        if (k[0] != k[1])
            edge[0] = crossing(c, r, c + 1, r);
        if (k[1] != k[2])
            edge[1] = crossing(c + 1, r, c + 1, r + 1);
        if (k[3] != k[2])
            edge[2] = crossing(c, r + 1, c + 1, r + 1);
        if (k[0] != k[3])
            edge[3] = crossing(c, r, c, r + 1);
        std::vector<int> crossed;
        for (int e : edge)
            if (e >= 0)
                crossed.push_back(e);
        if (crossed.size() == 2) {
            segments_.push_back({crossed[0], crossed[1]});
        } else if (crossed.size() == 4 && k[0] == k[2] && k[1] == k[3]) {
            // A saddle: cut off the two corners that are not of the centre's class.
            const Eigen::Vector2d middle = centre(c, r) + 0.5 * step_;
            if (plane_.decide(middle) == k[0]) {
                segments_.push_back({edge[0], edge[1]});
                segments_.push_back({edge[2], edge[3]});
            } else {
                segments_.push_back({edge[3], edge[0]});
                segments_.push_back({edge[1], edge[2]});
            }
        } else {
            Eigen::Vector2d sum = Eigen::Vector2d::Zero();
            for (int e : crossed)
                sum += nodes_[static_cast<size_t>(e)];
            nodes_.push_back(sum / static_cast<double>(crossed.size()));
            const int junction = static_cast<int>(nodes_.size() - 1);
            for (int e : crossed)
                segments_.push_back({e, junction});
        }
    }

    std::vector<Polyline> chain() const
    {
        std::vector<std::vector<int>> touching(nodes_.size());
        for (size_t s = 0; s < segments_.size(); ++s)
            for (int end : segments_[s])
                touching[static_cast<size_t>(end)].push_back(static_cast<int>(s));
        std::vector<bool> used(segments_.size(), false);
        std::vector<Polyline> lines;
        const auto walk = [&](int node, int segment) {
            Polyline line;
            const auto add = [&](int n) {
                line.x.push_back(nodes_[static_cast<size_t>(n)](0));
                line.y.push_back(nodes_[static_cast<size_t>(n)](1));
            };
            add(node);
            while (segment >= 0) {
                used[static_cast<size_t>(segment)] = true;
                const auto& ends = segments_[static_cast<size_t>(segment)];
                node = ends[0] == node ? ends[1] : ends[0];
                add(node);
                segment = -1;
                const auto& next = touching[static_cast<size_t>(node)];
                if (next.size() == 2)
                    for (int s : next)
                        if (!used[static_cast<size_t>(s)])
                            segment = s;
            }
            lines.push_back(std::move(line));
        };
        // Lines from the ends and junctions first, then the closed loops left.
        for (int pass = 0; pass < 2; ++pass)
            for (size_t n = 0; n < nodes_.size(); ++n)
                if (pass == 1 || touching[n].size() != 2)
                    for (int s : touching[n])
                        if (!used[static_cast<size_t>(s)])
                            walk(static_cast<int>(n), s);
        return lines;
    }
};

}  // namespace

ClassColours classColours(std::size_t index)
{
    index %= kMaxClasses;
    Colour base;
    if (index < kTolLight.size()) {
        const auto& c = kTolLight[index];
        base = {c[0] / 255.0, c[1] / 255.0, c[2] / 255.0};
    } else {
        const auto k = static_cast<double>(index - kTolLight.size());
        const double lightness[] = {78.0, 68.0, 86.0};
        base = fromLch(lightness[(index - kTolLight.size()) % 3], 40.0, std::fmod(20.0 + 137.50776405 * k, 360.0));
    }
    const auto fill = [](double v) { return kFillShare * v + (1.0 - kFillShare); };
    const auto line = [](double v) { return kLineShade * std::pow(v, kLineGamma); };
    return {{fill(base.r), fill(base.g), fill(base.b)}, {line(base.r), line(base.g), line(base.b)}};
}

Figure regionFigure(const ClassesModel& model, const std::optional<Eigen::MatrixXd>& losses, Eigen::Index first,
                    Eigen::Index second, std::string subtitle, const std::optional<Rectangle>& area)
{
    if (area && !(std::isfinite(area->x0) && std::isfinite(area->x1) && std::isfinite(area->y0) &&
                  std::isfinite(area->y1) && area->x0 < area->x1 && area->y0 < area->y1))
        throw std::invalid_argument("regionFigure: the area must be finite with x0 < x1 and y0 < y1");
    if (const auto problem = validate(model))
        throw std::invalid_argument("regionFigure: " + problem->text(model));
    if (losses)
        if (const auto problem = lossesProblem(*losses, model.size()))
            throw std::invalid_argument("regionFigure: losses: " + *problem);
    const Eigen::Index d = model.dimension();
    if (first < 0 || second < 0 || first >= d || second >= d || first == second)
        throw std::invalid_argument("regionFigure: the axes must be two different coordinates of the model");
    const ClassesRule rule(model, losses);
    const std::size_t count = model.size();

    Eigen::VectorXd weighted = Eigen::VectorXd::Zero(d);
    for (const NormalClass& c : model.classes)
        weighted += c.prior * c.mean;
    std::vector<PlaneClass> plane;
    for (const NormalClass& c : model.classes)
        plane.push_back(inPlane(c, weighted, first, second));

    Figure f;
    f.title = losses ? "Decisions of least expected loss among " + std::to_string(count) + " normal classes"
                     : "Bayes decision regions of " + std::to_string(count) + " normal classes";
    f.subtitle = std::move(subtitle);
    f.xLabel = axisLabel(first);
    f.yLabel = axisLabel(second);

    // The ellipses, and the ranges that hold the outer ones.
    double xLow = INFINITY, xHigh = -INFINITY, yLow = INFINITY, yHigh = -INFINITY;
    for (std::size_t k = 0; k < count; ++k)
        for (double sd : {1.0, 2.0}) {
            const EllipseAxes e = covarianceEllipse(plane[k].centre, plane[k].covariance, 0, 1, sd);
            f.ellipses.push_back({e.cx, e.cy, e.a, e.b, e.angle, classColours(k).line, std::nullopt,
                                  sd == 1.0 ? 1.8 : 1.1});
            const auto [left, right] = ellipseExtent(f.ellipses.back(), false);
            const auto [bottom, top] = ellipseExtent(f.ellipses.back(), true);
            xLow = std::min(xLow, left);
            xHigh = std::max(xHigh, right);
            yLow = std::min(yLow, bottom);
            yHigh = std::max(yHigh, top);
        }
    const double xPad = 0.08 * (xHigh - xLow), yPad = 0.08 * (yHigh - yLow);
    f.xRange = area ? std::pair{area->x0, area->x1} : std::pair{xLow - xPad, xHigh + xPad};
    f.yRange = area ? std::pair{area->y0, area->y1} : std::pair{yLow - yPad, yHigh + yPad};

    // The regions: the decision at each cell's centre.
    Raster raster;
    raster.x0 = f.xRange->first;
    raster.x1 = f.xRange->second;
    raster.y0 = f.yRange->first;
    raster.y1 = f.yRange->second;
    raster.width = raster.height = kRegionCells;
    for (std::size_t k = 0; k < count; ++k)
        raster.palette.push_back(classColours(k).fill);
    const Eigen::Vector2d step((raster.x1 - raster.x0) / kRegionCells, (raster.y1 - raster.y0) / kRegionCells);
    const Eigen::Vector2d origin = Eigen::Vector2d(raster.x0, raster.y0) + 0.5 * step;
    Plane decisions(rule, weighted, first, second);
    raster.cells.reserve(static_cast<size_t>(kRegionCells) * kRegionCells);
    for (int r = 0; r < kRegionCells; ++r)
        for (int c = 0; c < kRegionCells; ++c)
            raster.cells.push_back(
                static_cast<std::uint16_t>(decisions.decide(origin + Eigen::Vector2d(c * step(0), r * step(1)))));

    // The classes' centres for the legend and their labels, then the boundaries.
    const std::size_t listed = count <= kLegendClasses ? count : kLegendClasses - 1;
    for (std::size_t k = 0; k < count; ++k) {
        const NormalClass& c = model.classes[k];
        Series centre;
        centre.x = {plane[k].centre(0)};
        centre.y = {plane[k].centre(1)};
        centre.colour = classColours(k).line;
        centre.lineWidth = 0;
        centre.marker = Marker::Circle;
        centre.markerSize = 8;
        if (k < listed)
            centre.label = c.name + " (prior " + sig6(c.prior) + ")";
        f.series.push_back(std::move(centre));
        f.labels.push_back({plane[k].centre(0), plane[k].centre(1), c.name, {0.0, 0.0, 0.0}});
    }
    if (listed < count) {
        Series more;
        more.lineWidth = 0;
        more.colour = kBoundary;
        more.label = "and " + std::to_string(count - listed) + " more, named in the plot";
        f.series.push_back(std::move(more));
    }
    Series boundaries;
    appendPolylines(boundaries, Tracer(decisions, raster.cells, kRegionCells, origin, step).trace());
    boundaries.colour = kBoundary;
    boundaries.lineWidth = 1.6;
    boundaries.label = "decision boundaries";
    f.series.push_back(std::move(boundaries));
    f.raster = std::move(raster);

    const std::string grid =
        " (on a " + std::to_string(kRegionCells) + " × " + std::to_string(kRegionCells) + " grid).";
    f.caption.push_back(losses ? "Each point coloured by the decision of least expected loss there" + grid
                               : "Each point coloured by the class the Bayes rule decides there" + grid);
    if (d == 2) {
        f.caption.push_back("Each class's mean and its ellipses at 1 and 2 standard deviations.");
    } else {
        f.caption.push_back("The plane of " + f.xLabel + " and " + f.yLabel +
                            " through the prior-weighted mean (other coordinates held there).");
        f.caption.push_back("Centres and 1- and 2-standard-deviation ellipses of each class given those coordinates.");
    }
    return f;
}

}  // namespace gaussbound
