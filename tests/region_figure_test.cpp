// Tests of the decision-region figure of C normal classes: its boundaries
// against closed forms, its regions against symmetry, its slice of a higher
// dimension against a plane model built by hand, its refusals, and the
// figure rendered. Setting GAUSSBOUND_REGIONS_OUT to a path prefix writes
// the example of docs/classes.json to PREFIX.png and PREFIX.svg (how
// docs/regions.png and docs/regions.svg are made).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <set>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <gaussbound/Classes.h>
#include <gaussbound/FigureJson.h>
#include <gaussbound/RegionFigure.h>
#include <gaussbound/Render.h>

namespace {

using gaussbound::ClassesModel;
using gaussbound::Figure;
using gaussbound::NormalClass;
using gaussbound::Raster;
using gaussbound::Series;

ClassesModel twoClasses(Eigen::Vector2d m1, Eigen::Vector2d m2, double variance)
{
    const Eigen::MatrixXd s = variance * Eigen::MatrixXd::Identity(2, 2);
    return {{{"a", m1, s, 0.5}, {"b", m2, s, 0.5}}};
}

// count classes of one covariance and prior, their means evenly on a circle.
ClassesModel onCircle(int count, double radius, double variance, double turn)
{
    ClassesModel m;
    for (int k = 0; k < count; ++k) {
        const double angle = turn + 2 * M_PI * k / count;
        m.classes.push_back({"c" + std::to_string(k),
                             Eigen::Vector2d(radius * std::cos(angle), radius * std::sin(angle)),
                             variance * Eigen::MatrixXd::Identity(2, 2), 1.0 / count});
    }
    return m;
}

const Series& boundaries(const Figure& f)
{
    return f.series.back();
}

// The region of the cell that holds (x, y).
std::size_t regionAt(const Raster& r, double x, double y)
{
    const int c = static_cast<int>((x - r.x0) / (r.x1 - r.x0) * r.width);
    const int row = static_cast<int>((y - r.y0) / (r.y1 - r.y0) * r.height);
    return r.cells.at(static_cast<size_t>(row) * static_cast<size_t>(r.width) + static_cast<size_t>(c));
}

Eigen::VectorXd vectorOf(const nlohmann::json& j)
{
    Eigen::VectorXd v(static_cast<Eigen::Index>(j.size()));
    for (size_t i = 0; i < j.size(); ++i)
        v(static_cast<Eigen::Index>(i)) = j[i].get<double>();
    return v;
}

ClassesModel docsExample()
{
    std::ifstream in(std::string(DOCS_DIR) + "/classes.json");
    const nlohmann::json j = nlohmann::json::parse(in);
    ClassesModel m;
    for (const auto& c : j.at("classes")) {
        const auto& rows = c.at("covariance");
        Eigen::MatrixXd s(static_cast<Eigen::Index>(rows.size()), static_cast<Eigen::Index>(rows.size()));
        for (size_t i = 0; i < rows.size(); ++i)
            s.row(static_cast<Eigen::Index>(i)) = vectorOf(rows[i]).transpose();
        m.classes.push_back({c.at("name").get<std::string>(), vectorOf(c.at("mean")), s, c.at("prior").get<double>()});
    }
    return m;
}

}  // namespace

TEST(RegionFigure, EqualIsotropicClassesOfEqualPriorsMeetOnThePerpendicularBisector)
{
    const Eigen::Vector2d m1(-1, 0.5), m2(2, 2.5);
    const Figure f = gaussbound::regionFigure(twoClasses(m1, m2, 0.7), std::nullopt, 0, 1, "s");
    const Eigen::Vector2d normal = (m2 - m1).normalized(), middle = 0.5 * (m1 + m2);
    const Series& b = boundaries(f);
    ASSERT_EQ(b.label, "decision boundaries");
    // One line from border to border, then its break.
    ASSERT_EQ(std::count_if(b.x.begin(), b.x.end(), [](double v) { return std::isnan(v); }), 1);
    ASSERT_GT(b.x.size(), 100u);
    const double span = f.xRange->second - f.xRange->first;
    for (size_t i = 0; i + 1 < b.x.size(); ++i)
        EXPECT_NEAR(normal.dot(Eigen::Vector2d(b.x[i], b.y[i]) - middle), 0.0, 1e-9 * span) << i;
    // It crosses the whole plot: its ends lie within a cell of the border.
    const double cell = span / gaussbound::kRegionCells, height = f.yRange->second - f.yRange->first;
    for (size_t end : {size_t{0}, b.x.size() - 2}) {
        const double toBorder = std::min({b.x[end] - f.xRange->first, f.xRange->second - b.x[end],
                                          (b.y[end] - f.yRange->first) * span / height,
                                          (f.yRange->second - b.y[end]) * span / height});
        EXPECT_LT(toBorder, cell) << end;
    }
    // Every cell lies on its mean's side of the bisector.
    const Raster& r = *f.raster;
    ASSERT_EQ(r.cells.size(), size_t(r.width) * size_t(r.height));
    for (int row = 0; row < r.height; row += 7)
        for (int c = 0; c < r.width; c += 7) {
            const Eigen::Vector2d at(r.x0 + (c + 0.5) * (r.x1 - r.x0) / r.width,
                                     r.y0 + (row + 0.5) * (r.y1 - r.y0) / r.height);
            const double side = normal.dot(at - middle);
            if (std::fabs(side) > 1e-9) {
                EXPECT_EQ(r.cells[size_t(row) * size_t(r.width) + size_t(c)], side > 0 ? 1 : 0) << c << ", " << row;
            }
        }
}

TEST(RegionFigure, ClassesEvenlyOnACircleShareADiscEqually)
{
    for (int count : {3, 5, 6}) {
        const Figure f = gaussbound::regionFigure(onCircle(count, 2.0, 0.5, 0.3), std::nullopt, 0, 1, "");
        const Raster& r = *f.raster;
        const double radius = 0.95 * std::min({-r.x0, r.x1, -r.y0, r.y1});
        std::vector<double> area(static_cast<size_t>(count), 0.0);
        double total = 0;
        for (int row = 0; row < r.height; ++row)
            for (int c = 0; c < r.width; ++c) {
                const double x = r.x0 + (c + 0.5) * (r.x1 - r.x0) / r.width;
                const double y = r.y0 + (row + 0.5) * (r.y1 - r.y0) / r.height;
                if (std::hypot(x, y) < radius) {
                    area[r.cells[size_t(row) * size_t(r.width) + size_t(c)]] += 1;
                    total += 1;
                }
            }
        for (int k = 0; k < count; ++k)
            EXPECT_NEAR(area[size_t(k)] / total, 1.0 / count, 0.004) << count << " classes, class " << k;
        // The boundaries are the rays between neighbours, meeting at the centre.
        const Series& b = boundaries(f);
        for (size_t i = 0; i < b.x.size(); ++i)
            if (std::isfinite(b.x[i]) && std::hypot(b.x[i], b.y[i]) > 0.05) {
                const double angle = std::atan2(b.y[i], b.x[i]) - 0.3 - M_PI / count;
                const double steps = angle / (2 * M_PI / count);
                EXPECT_NEAR(steps, std::round(steps), 1e-6) << count << " classes, point " << i;
            }
    }
}

TEST(RegionFigure, WellSeparatedMeansLieInTheirOwnRegionsAndAreNamed)
{
    ClassesModel m = onCircle(7, 5.0, 0.3, 0.0);
    m.classes[2].covariance << 0.8, 0.3, 0.3, 0.4;
    m.classes[4].mean += Eigen::Vector2d(0.5, -1);
    const Figure f = gaussbound::regionFigure(m, std::nullopt, 0, 1, "");
    ASSERT_EQ(f.labels.size(), m.size());
    ASSERT_EQ(f.ellipses.size(), 2 * m.size());
    ASSERT_EQ(f.raster->palette.size(), m.size());
    for (size_t k = 0; k < m.size(); ++k) {
        const NormalClass& c = m.classes[k];
        EXPECT_EQ(regionAt(*f.raster, c.mean(0), c.mean(1)), k);
        EXPECT_EQ(f.labels[k].text, c.name);
        EXPECT_EQ(f.labels[k].x, c.mean(0));
        EXPECT_EQ(f.series[k].x, std::vector<double>{c.mean(0)});
        EXPECT_EQ(f.series[k].label.rfind(c.name + " (prior ", 0), 0u);
        // The 2-standard-deviation ellipse is inside the ranges.
        for (bool y : {false, true}) {
            const auto [low, high] = gaussbound::ellipseExtent(f.ellipses[2 * k + 1], y);
            const auto& range = y ? *f.yRange : *f.xRange;
            EXPECT_GT(low, range.first);
            EXPECT_LT(high, range.second);
        }
    }
    // Losses that make deciding class 0 cheaper lower its risk alone: its
    // region grows, over every cell it had (the ranges are the same).
    Eigen::MatrixXd losses = Eigen::MatrixXd::Ones(7, 7) - Eigen::MatrixXd::Identity(7, 7);
    losses.col(0).setConstant(0.05);
    losses(0, 0) = 0;
    const Figure cheap = gaussbound::regionFigure(m, losses, 0, 1, "");
    EXPECT_EQ(cheap.title, "Decisions of least expected loss among 7 normal classes");
    const auto& before = f.raster->cells;
    const auto& after = cheap.raster->cells;
    long grown = 0;
    for (size_t i = 0; i < before.size(); ++i) {
        if (before[i] == 0) {
            EXPECT_EQ(after[i], 0) << i;
        }
        grown += before[i] != 0 && after[i] == 0;
    }
    EXPECT_GT(grown, 1000);
}

TEST(RegionFigure, APlaneOfThreeDimensionsIsItsConditionalClassesAtTheWeightedMean)
{
    // Three classes in 3-D; the plane of coordinates 2 and 0.
    ClassesModel m;
    Eigen::MatrixXd s1(3, 3), s2(3, 3), s3(3, 3);
    s1 << 1.0, 0.3, 0.5, 0.3, 0.8, -0.2, 0.5, -0.2, 1.5;
    s2 << 0.6, 0.0, 0.1, 0.0, 1.2, 0.4, 0.1, 0.4, 0.9;
    s3 << 2.0, -0.5, 0.3, -0.5, 1.0, 0.0, 0.3, 0.0, 0.5;
    m.classes = {{"one", Eigen::Vector3d(0, 0, 0), s1, 0.5},
                 {"two", Eigen::Vector3d(2, 1, -1), s2, 0.3},
                 {"three", Eigen::Vector3d(-1, 2, 2), s3, 0.2}};
    const Eigen::Vector3d weighted = 0.5 * m.classes[0].mean + 0.3 * m.classes[1].mean + 0.2 * m.classes[2].mean;
    // By hand: given x_1 = m_1, (x_2, x_0) is normal with mean
    // mu_p + S_p1 (m_1 - mu_1) / S_11 and covariance S_pp - S_p1 S_1p / S_11,
    // and P_k p_k(x) is that density times P_k N(m_1; mu_1, S_11).
    ClassesModel plane;
    double sum = 0;
    for (const NormalClass& c : m.classes) {
        const Eigen::Vector2d sp1(c.covariance(2, 1), c.covariance(0, 1));
        const double s11 = c.covariance(1, 1), offset = weighted(1) - c.mean(1);
        Eigen::MatrixXd spp(2, 2);
        spp << c.covariance(2, 2), c.covariance(2, 0), c.covariance(0, 2), c.covariance(0, 0);
        const double weight = c.prior * std::exp(-offset * offset / (2 * s11)) / std::sqrt(s11);
        plane.classes.push_back({c.name, Eigen::Vector2d(c.mean(2), c.mean(0)) + sp1 * offset / s11,
                                 spp - sp1 * sp1.transpose() / s11, weight});
        sum += weight;
    }
    for (NormalClass& c : plane.classes)
        c.prior /= sum;
    const Figure slice = gaussbound::regionFigure(m, std::nullopt, 2, 0, "");
    const Figure hand = gaussbound::regionFigure(plane, std::nullopt, 0, 1, "");
    EXPECT_EQ(slice.xLabel, "x₃");
    EXPECT_EQ(slice.yLabel, "x₁");
    EXPECT_EQ(slice.caption.size(), 3u);
    EXPECT_NE(slice.caption[1].find("x₃ and x₁ through the prior-weighted mean"), std::string::npos);
    ASSERT_EQ(slice.ellipses.size(), hand.ellipses.size());
    for (size_t k = 0; k < hand.ellipses.size(); ++k) {
        EXPECT_NEAR(slice.ellipses[k].cx, hand.ellipses[k].cx, 1e-12) << k;
        EXPECT_NEAR(slice.ellipses[k].cy, hand.ellipses[k].cy, 1e-12) << k;
        EXPECT_NEAR(slice.ellipses[k].a, hand.ellipses[k].a, 1e-12) << k;
        EXPECT_NEAR(slice.ellipses[k].b, hand.ellipses[k].b, 1e-12) << k;
    }
    EXPECT_NEAR(slice.xRange->first, hand.xRange->first, 1e-12);
    EXPECT_NEAR(slice.yRange->second, hand.yRange->second, 1e-12);
    // The regions agree but for cells a boundary passes within rounding of.
    const auto& a = slice.raster->cells;
    const auto& b = hand.raster->cells;
    ASSERT_EQ(a.size(), b.size());
    long differ = 0;
    for (size_t i = 0; i < a.size(); ++i)
        differ += a[i] != b[i];
    EXPECT_LE(differ, 2);
    EXPECT_GT(std::set<std::uint16_t>(a.begin(), a.end()).size(), 1u);  // more than one region in view
}

TEST(RegionFigure, DoorsRefuseWhatTheyCannotDraw)
{
    const ClassesModel good = twoClasses(Eigen::Vector2d(0, 0), Eigen::Vector2d(1, 1), 1.0);
    EXPECT_NO_THROW(gaussbound::regionFigure(good, std::nullopt, 1, 0, ""));
    for (const auto& [i, j] : {std::pair{0, 0}, {-1, 1}, {0, 2}, {2, 1}})
        EXPECT_THROW(gaussbound::regionFigure(good, std::nullopt, i, j, ""), std::invalid_argument) << i << j;
    ClassesModel bad = good;
    bad.classes[1].prior = 0.6;
    EXPECT_THROW(gaussbound::regionFigure(bad, std::nullopt, 0, 1, ""), std::invalid_argument);
    bad = good;
    bad.classes[0].covariance(0, 1) = 5;
    EXPECT_THROW(gaussbound::regionFigure(bad, std::nullopt, 0, 1, ""), std::invalid_argument);
    bad.classes = {good.classes[0]};
    EXPECT_THROW(gaussbound::regionFigure(bad, std::nullopt, 0, 1, ""), std::invalid_argument);
    ClassesModel line;
    line.classes = {{"a", Eigen::VectorXd::Zero(1), Eigen::MatrixXd::Ones(1, 1), 0.5},
                    {"b", Eigen::VectorXd::Ones(1), Eigen::MatrixXd::Ones(1, 1), 0.5}};
    EXPECT_THROW(gaussbound::regionFigure(line, std::nullopt, 0, 1, ""), std::invalid_argument);
    const Eigen::MatrixXd square = Eigen::MatrixXd::Ones(2, 2) - Eigen::MatrixXd::Identity(2, 2);
    EXPECT_NO_THROW(gaussbound::regionFigure(good, square, 0, 1, ""));
    EXPECT_THROW(gaussbound::regionFigure(good, Eigen::MatrixXd(Eigen::MatrixXd::Ones(3, 3)), 0, 1, ""),
                 std::invalid_argument);
    EXPECT_THROW(gaussbound::regionFigure(good, Eigen::MatrixXd(Eigen::MatrixXd::Ones(2, 2)), 0, 1, ""),
                 std::invalid_argument);  // a wrong decision costs no more than the right one
    for (const gaussbound::Rectangle& area : {gaussbound::Rectangle{0, 0, 0, 1}, gaussbound::Rectangle{0, 1, 2, 1},
                                              gaussbound::Rectangle{0, NAN, 0, 1}})
        EXPECT_THROW(gaussbound::regionFigure(good, std::nullopt, 0, 1, "", area), std::invalid_argument);
}

TEST(RegionFigure, AGivenAreaIsWhatTheFigureShows)
{
    // Far off the classes, to the right of the bisector x1 + x2 = 1 only:
    // every cell is class 2's.
    const gaussbound::Rectangle area{5, 9, -1, 2};
    const Figure f = gaussbound::regionFigure(twoClasses(Eigen::Vector2d(0, 0), Eigen::Vector2d(1, 1), 1.0),
                                              std::nullopt, 0, 1, "", area);
    EXPECT_EQ(*f.xRange, std::pair(5.0, 9.0));
    EXPECT_EQ(*f.yRange, std::pair(-1.0, 2.0));
    const Raster& r = *f.raster;
    EXPECT_EQ(std::tie(r.x0, r.x1, r.y0, r.y1), std::tie(area.x0, area.x1, area.y0, area.y1));
    EXPECT_EQ(std::count(r.cells.begin(), r.cells.end(), 1), static_cast<long>(r.cells.size()));
}

TEST(RegionFigure, ColoursAreDistinctForEveryClass)
{
    std::set<std::tuple<double, double, double>> fills;
    for (std::size_t k = 0; k < gaussbound::kMaxClasses; ++k) {
        const auto [fill, line] = gaussbound::classColours(k);
        for (double v : {fill.r, fill.g, fill.b, line.r, line.g, line.b})
            EXPECT_TRUE(v >= 0 && v <= 1) << k;
        // Pale enough for black text, the line darker than the fill.
        EXPECT_GT(0.2126 * fill.r + 0.7152 * fill.g + 0.0722 * fill.b, 0.35) << k;
        EXPECT_LT(line.r + line.g + line.b, fill.r + fill.g + fill.b) << k;
        fills.insert({fill.r, fill.g, fill.b});
    }
    EXPECT_EQ(fills.size(), gaussbound::kMaxClasses);
    EXPECT_NEAR(gaussbound::classColours(0).fill.b, 0.6 * 0xDD / 255.0 + 0.4, 1e-15);  // Tol's light blue, paled
}

TEST(RegionFigure, ManyClassesListSomeInTheLegendAndNameAllInThePlot)
{
    const Figure f = gaussbound::regionFigure(onCircle(40, 10.0, 0.4, 0.0), std::nullopt, 0, 1, "");
    long listed = 0;
    for (const Series& s : f.series)
        listed += !s.label.empty();
    EXPECT_EQ(listed, 15 + 1 + 1);  // 15 classes, "and 25 more", the boundaries
    EXPECT_EQ(f.series[40].label, "and 25 more, named in the plot");
    EXPECT_EQ(f.labels.size(), 40u);
}

TEST(RegionFigure, RendersIntoEveryFormatAndAsJson)
{
    const ClassesModel m = docsExample();
    ASSERT_FALSE(gaussbound::validate(m));
    const Figure f = gaussbound::regionFigure(
        m, std::nullopt, 0, 1, "Four land-cover classes of unequal covariances and priors (docs/classes.json)");
    const std::string png = gaussbound::render(f, gaussbound::Format::Png, 900, 760);
    const std::string svg = gaussbound::render(f, gaussbound::Format::Svg, 900, 760);
    const std::string pdf = gaussbound::render(f, gaussbound::Format::Pdf, 900, 760);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    EXPECT_EQ(svg.substr(0, 5), "<?xml");
    EXPECT_NE(svg.find("<image"), std::string::npos);  // the regions as one image
    EXPECT_LT(svg.size(), 600000u);
    EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
    const nlohmann::ordered_json j = gaussbound::figureJson(f);
    EXPECT_EQ(j["raster"]["width"], gaussbound::kRegionCells);
    EXPECT_EQ(j["raster"]["cells"].size(), f.raster->cells.size());
    EXPECT_EQ(j["labels"][3]["text"], "forest");
    if (const char* out = std::getenv("GAUSSBOUND_REGIONS_OUT")) {
        std::ofstream(std::string(out) + ".png", std::ios::binary) << png;
        std::ofstream(std::string(out) + ".svg", std::ios::binary) << svg;
    }
}
