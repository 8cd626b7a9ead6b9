#include "gaussbound/Scatter.h"

#include <array>
#include <cmath>
#include <stdexcept>
#include <unordered_map>

#include <Eigen/Eigenvalues>

namespace gaussbound {

EllipseAxes covarianceEllipse(const Eigen::VectorXd& mean, const Eigen::MatrixXd& covariance, Eigen::Index i,
                              Eigen::Index j, double k)
{
    const Eigen::Index d = mean.size();
    if (covariance.rows() != d || covariance.cols() != d || i < 0 || i >= d || j < 0 || j >= d || i == j)
        throw std::invalid_argument("covarianceEllipse: needs a d x d covariance and coordinates i != j below d");
    if (!(k > 0.0 && std::isfinite(k)))
        throw std::invalid_argument("covarianceEllipse: k must be finite and > 0");
    // A cheap check, not a factorisation: a valid model's covariance may be
    // symmetric only to within rounding, and its block singular up to it.
    if (!(std::isfinite(mean(i)) && std::isfinite(mean(j)) && std::isfinite(covariance(i, j)) &&
          std::isfinite(covariance(j, i)) && covariance(i, i) > 0.0 && covariance(j, j) > 0.0 &&
          std::isfinite(covariance(i, i)) && std::isfinite(covariance(j, j))))
        throw std::invalid_argument("covarianceEllipse: a number is not finite or a variance is not > 0");
    Eigen::Matrix2d block;
    block << covariance(i, i), covariance(i, j), covariance(j, i), covariance(j, j);
    const Eigen::SelfAdjointEigenSolver<Eigen::Matrix2d> eigen(block);
    // Eigenvalues ascend: the major axis is the second.
    const Eigen::Vector2d major = eigen.eigenvectors().col(1);
    return {mean(i), mean(j), k * std::sqrt(eigen.eigenvalues()(1)), k * std::sqrt(eigen.eigenvalues()(0)),
            std::atan2(major(1), major(0))};
}

namespace {

// The sampled grid and its crossings. Vertex (i, j) is at
// (x0 + i w, y0 + j h); edge 2 v runs from vertex v to the right, edge
// 2 v + 1 from it upwards, v = j (cells + 1) + i.
struct Grid {
    Rectangle area;
    int cells;
    std::vector<double> values;

    long vertex(int i, int j) const { return static_cast<long>(j) * (cells + 1) + i; }
    double x(int i) const { return area.x0 + (area.x1 - area.x0) * i / cells; }
    double y(int j) const { return area.y0 + (area.y1 - area.y0) * j / cells; }
    bool positive(long v) const { return values[static_cast<size_t>(v)] >= 0.0; }

    // The crossing on edge e, whose ends differ in sign.
    std::pair<double, double> crossing(long e) const
    {
        const long v = e / 2, w = e % 2 == 0 ? v + 1 : v + cells + 1;
        const double a = values[static_cast<size_t>(v)], b = values[static_cast<size_t>(w)];
        const double t = a / (a - b);
        const int i = static_cast<int>(v % (cells + 1)), j = static_cast<int>(v / (cells + 1));
        return e % 2 == 0 ? std::pair{x(i) + t * (x(i + 1) - x(i)), y(j)}
                          : std::pair{x(i), y(j) + t * (y(j + 1) - y(j))};
    }

    // Cell (i, j)'s pieces, each a pair of edges, appended to pieces.
    void cellPieces(int i, int j, std::vector<std::array<long, 2>>& pieces) const
    {
        const long a = vertex(i, j), b = vertex(i + 1, j), c = vertex(i + 1, j + 1), d = vertex(i, j + 1);
        const long bottom = 2 * a, right = 2 * b + 1, top = 2 * d, left = 2 * a + 1;
        std::vector<long> crossed;
        for (const auto& [edge, from, to] : {std::array{bottom, a, b}, {right, b, c}, {top, d, c}, {left, a, d}})
            if (positive(from) != positive(to))
                crossed.push_back(edge);
        if (crossed.size() == 2) {
            pieces.push_back({crossed[0], crossed[1]});
        } else if (crossed.size() == 4) {
            const double centre = 0.25 * (values[size_t(a)] + values[size_t(b)] + values[size_t(c)] + values[size_t(d)]);
            if ((centre >= 0.0) == positive(a)) {  // a and c joined through the centre
                pieces.push_back({bottom, right});
                pieces.push_back({top, left});
            } else {
                pieces.push_back({bottom, left});
                pieces.push_back({right, top});
            }
        }
    }
};

}  // namespace

std::vector<Polyline> zeroSet(const std::function<double(double, double)>& g, const Rectangle& area, int cells)
{
    if (cells < 1)
        throw std::invalid_argument("zeroSet: cells must be at least 1");
    if (!(area.x0 < area.x1 && area.y0 < area.y1 && std::isfinite(area.x0) && std::isfinite(area.x1) &&
          std::isfinite(area.y0) && std::isfinite(area.y1)))
        throw std::invalid_argument("zeroSet: the area must be finite, with x0 < x1 and y0 < y1");
    if (!g)
        throw std::invalid_argument("zeroSet: no function");
    Grid grid{area, cells, {}};
    for (int j = 0; j <= cells; ++j)
        for (int i = 0; i <= cells; ++i)
            grid.values.push_back(g(grid.x(i), grid.y(j)));
    std::vector<std::array<long, 2>> pieces;
    for (int j = 0; j < cells; ++j)
        for (int i = 0; i < cells; ++i)
            grid.cellPieces(i, j, pieces);

    std::unordered_map<long, std::vector<size_t>> at;  // edge -> its pieces (one or two)
    for (size_t p = 0; p < pieces.size(); ++p)
        for (long e : pieces[p])
            at[e].push_back(p);
    std::vector<bool> used(pieces.size(), false);
    std::vector<Polyline> curves;
    // Follows unused pieces from edge e, starting with piece p.
    const auto trace = [&](size_t p, long e) {
        Polyline line;
        for (;;) {
            const auto [px, py] = grid.crossing(e);
            line.x.push_back(px);
            line.y.push_back(py);
            if (used[p])
                break;
            used[p] = true;
            e = pieces[p][0] == e ? pieces[p][1] : pieces[p][0];
            const std::vector<size_t>& next = at[e];
            p = next[0] == p && next.size() == 2 ? next[1] : next[0];
        }
        curves.push_back(std::move(line));
    };
    for (size_t p = 0; p < pieces.size(); ++p)  // open curves start at the border
        for (long e : pieces[p])
            if (at[e].size() == 1 && !used[p])
                trace(p, e);
    for (size_t p = 0; p < pieces.size(); ++p)  // what is left is closed
        if (!used[p])
            trace(p, pieces[p][0]);
    return curves;
}

void appendPolylines(Series& series, const std::vector<Polyline>& lines)
{
    for (const Polyline& line : lines) {
        series.x.insert(series.x.end(), line.x.begin(), line.x.end());
        series.y.insert(series.y.end(), line.y.begin(), line.y.end());
        series.x.push_back(NAN);
        series.y.push_back(NAN);
    }
}

}  // namespace gaussbound
