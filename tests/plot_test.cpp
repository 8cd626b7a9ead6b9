// Tests of the plotting module: ticks a person would pick, and the figure
// rendered in memory in each format.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iomanip>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include <cairo.h>
#include <gtest/gtest.h>

#include <gaussbound/Figure.h>
#include <gaussbound/Render.h>
#include <gaussbound/Ticks.h>

using gaussbound::niceTicks;

TEST(Ticks, AreNiceNumbersOverTheRange)
{
    const auto near = [](const std::vector<double>& got, const std::vector<double>& want) {
        ASSERT_EQ(got.size(), want.size());
        for (size_t i = 0; i < got.size(); ++i)
            EXPECT_NEAR(got[i], want[i], 1e-12 * (1 + std::fabs(want[i]))) << i;
    };
    near(niceTicks(0, 1), {0, 0.2, 0.4, 0.6, 0.8, 1});
    near(niceTicks(0, 0.87), {0, 0.2, 0.4, 0.6, 0.8});
    near(niceTicks(-1, 1), {-1, -0.5, 0, 0.5, 1});
    near(niceTicks(3, 97), {20, 40, 60, 80});
    near(niceTicks(0.0012, 0.0049), {0.002, 0.003, 0.004});
    near(niceTicks(-250, 1250), {0, 500, 1000});
    // Each tick is the double nearest its decimal value, not a sum of steps.
    EXPECT_EQ(niceTicks(0, 1)[3], 0.6);
    EXPECT_EQ(niceTicks(0, 0.35, 7)[3], 0.15);
}

namespace {

// A label read back as a number: true minus signs become '-'.
double labelValue(std::string label)
{
    for (size_t at; (at = label.find("\u2212")) != std::string::npos;)
        label.replace(at, 3, "-");
    size_t used = 0;
    const double v = std::stod(label, &used);
    EXPECT_EQ(used, label.size()) << label;
    return v;
}

}  // namespace

TEST(Ticks, NarrowRangesFarFromZeroGetAnOffsetAndTinyOnesAFactor)
{
    using gaussbound::axisTicks;
    using gaussbound::axisTitle;
    // The scatter of points 10^15 from zero, 0.75 wide.
    const gaussbound::AxisTicks far = axisTicks(1e15 - 0.3, 1e15 + 0.45);
    EXPECT_EQ(far.offset, 1e15);
    EXPECT_EQ(far.offsetText, "10^{15}");
    EXPECT_EQ(far.exponent, 0);
    EXPECT_EQ(far.labels, (std::vector<std::string>{"\u22120.2", "0", "0.2", "0.4"}));
    EXPECT_EQ(axisTitle("x₁", "", far), "x₁ \u2212 10^{15}");
    // Where every tick used to read 3e+14.
    const gaussbound::AxisTicks negative = axisTicks(-3e14 - 0.25, -3e14 + 0.25);
    EXPECT_EQ(negative.offset, -3e14);
    EXPECT_EQ(axisTitle("x₁", "", negative), "x₁ + 3\u00d710^{14}");
    // A sweep from 1 to 1 + 10^-15: an offset and a common factor.
    const gaussbound::AxisTicks both = axisTicks(1, 1.000000000000001);
    EXPECT_EQ(both.offset, 1);
    EXPECT_EQ(both.exponent, -15);
    EXPECT_EQ(both.labels, (std::vector<std::string>{"0", "0.2", "0.4", "0.6", "0.8", "1"}));
    EXPECT_EQ(axisTitle("t: the prior", "t", both), "t: the prior; ticks: (t \u2212 1) / 10^{\u221215}");
    // Tiny numbers near zero: a factor only; and ordinary ranges: neither.
    const gaussbound::AxisTicks tiny = axisTicks(0, 3e-20);
    EXPECT_EQ(tiny.offsetText, "");
    EXPECT_EQ(tiny.exponent, -20);
    EXPECT_EQ(tiny.labels.back(), "3");
    EXPECT_EQ(axisTitle("β", "", axisTicks(0, 1)), "β");
    EXPECT_EQ(axisTicks(0, 1).labels, (std::vector<std::string>{"0", "0.2", "0.4", "0.6", "0.8", "1"}));
    EXPECT_EQ(axisTicks(-250, 1250).labels, (std::vector<std::string>{"0", "500", "1000"}));
    EXPECT_EQ(axisTicks(99990, 100010).labels.back(), "100010");
    // A range that is not one is refused.
    EXPECT_THROW(axisTicks(1, 1), std::invalid_argument);
    EXPECT_THROW(axisTicks(0, INFINITY), std::invalid_argument);
    EXPECT_THROW(axisTicks(0, 1, 1), std::invalid_argument);
}

TEST(Ticks, AreFewDistinctAndReadBackAsTheirValuesForAnyFiniteRange)
{
    // Ranges of every width at every distance from zero, the extremes included.
    std::vector<std::pair<double, double>> ranges = {
        {-1.7976931348623157e308, 1.7976931348623157e308}, {0, 5e-324}, {-5e-324, 5e-324},
        {1e308, 1.7976931348623157e308}, {1e15, std::nextafter(1e15, 2e15)}, {-1, std::nextafter(-1.0, 0.0)}};
    std::mt19937_64 random(5);
    std::uniform_real_distribution<double> exponent(-300, 300), unit(-1, 1);
    for (int i = 0; i < 3000; ++i) {
        const double centre = unit(random) * std::pow(10.0, exponent(random));
        const double width = std::fabs(centre) * std::pow(10.0, -16 * std::fabs(unit(random)) - 0.01) +
                             std::pow(10.0, exponent(random));
        ranges.push_back({centre - width / 2, centre + width / 2});
    }
    for (const auto& [lo, hi] : ranges) {
        if (!(lo < hi) || !std::isfinite(hi - lo / 2))
            continue;
        for (const bool cover : {false, true}) {
            const gaussbound::AxisTicks t = gaussbound::axisTicks(lo, hi, 6, cover);
            SCOPED_TRACE(testing::Message() << std::setprecision(17) << lo << " to " << hi << (cover ? ", covered" : ""));
            ASSERT_GE(t.at.size(), 2u);
            ASSERT_LE(t.at.size(), 17u);
            ASSERT_EQ(t.labels.size(), t.at.size());
            EXPECT_EQ(std::set<std::string>(t.labels.begin(), t.labels.end()).size(), t.labels.size());
            const double step = t.at[1] - t.at[0];
            for (size_t k = 0; k < t.at.size(); ++k) {
                EXPECT_LE(t.labels[k].size(), 12u) << t.labels[k];
                // Ticks of a range a few subnormals wide are as near as the
                // rounding of its ends goes.
                const double tolerance =
                    1e-6 * step + (step < 1e-290 ? 1e-15 * std::max(std::fabs(lo), std::fabs(hi)) + 1e-322 : 0);
                if (k > 0) {
                    EXPECT_NEAR(t.at[k] - t.at[k - 1], step, tolerance);
                }
                // The label is the tick's value less the offset, over 10^exponent.
                const long double shown = labelValue(t.labels[k]) * std::pow(10.0L, t.exponent);
                EXPECT_NEAR(static_cast<double>(shown), t.at[k], tolerance) << t.labels[k] << " e" << t.exponent;
                if (!cover) {
                    EXPECT_GE(t.at[k], (lo - t.offset) - tolerance);
                    EXPECT_LE(t.at[k], (hi - t.offset) + tolerance);
                }
            }
            if (cover && std::isfinite(t.at.back() + 2 * step)) {
                EXPECT_LE(t.at.front(), (lo - t.offset) + 1e-6 * step + 1e-322);
                EXPECT_GE(t.at.back(), (hi - t.offset) - 1e-6 * step - 1e-322);
            } else if (cover) {  // the next tick would be beyond the largest double
                EXPECT_GT(hi, 1e308);
            }
        }
    }
}

TEST(Formats, FollowTheExtension)
{
    using gaussbound::Format;
    EXPECT_EQ(gaussbound::formatFor("a.png"), Format::Png);
    EXPECT_EQ(gaussbound::formatFor("dir.v2/a.SVG"), Format::Svg);
    EXPECT_EQ(gaussbound::formatFor("a.Pdf"), Format::Pdf);
    EXPECT_FALSE(gaussbound::formatFor("a.jpg"));
    EXPECT_FALSE(gaussbound::formatFor("dir.png/a"));
    EXPECT_FALSE(gaussbound::formatFor("png"));
}

TEST(Render, EveryFormatStartsWithItsSignature)
{
    gaussbound::Figure f;
    f.title = "t";
    f.xLabel = "β";
    f.yLabel = "e^{−k(β)}";
    f.series.push_back({{0, 0.5, 1}, {1, NAN, 3}, {0, 0, 1}, "a"});
    f.ellipses.push_back({0.5, 2, 0.3, 0.1, 0.4, {1, 0, 0}, gaussbound::Colour{1, 0, 0, 0.2}});
    EXPECT_EQ(gaussbound::render(f, gaussbound::Format::Png, 300, 200).substr(1, 3), "PNG");
    EXPECT_EQ(gaussbound::render(f, gaussbound::Format::Pdf, 300, 200).substr(0, 5), "%PDF-");
    EXPECT_EQ(gaussbound::render(f, gaussbound::Format::Svg, 300, 200).substr(0, 5), "<?xml");
    f.logY = true;
    EXPECT_EQ(gaussbound::render(f, gaussbound::Format::Png, 300, 200).substr(1, 3), "PNG");
}

// A PNG rendered in memory, read back by Cairo.
namespace {

struct Pixels {
    cairo_surface_t* surface;
    explicit Pixels(const std::string& png)
    {
        struct Reader {
            const std::string& bytes;
            size_t at = 0;
        } reader{png};
        surface = cairo_image_surface_create_from_png_stream(
            [](void* closure, unsigned char* data, unsigned int length) {
                auto* r = static_cast<Reader*>(closure);
                if (r->at + length > r->bytes.size())
                    return CAIRO_STATUS_READ_ERROR;
                std::memcpy(data, r->bytes.data() + r->at, length);
                r->at += length;
                return CAIRO_STATUS_SUCCESS;
            },
            &reader);
        cairo_surface_flush(surface);
    }
    ~Pixels() { cairo_surface_destroy(surface); }
    uint32_t at(int x, int y) const
    {
        uint32_t p;
        std::memcpy(&p, cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface) + 4 * x, 4);
        return p & 0xffffff;
    }
};

}  // namespace

TEST(Render, LegendTakesTheCornerWithoutPoints)
{
    // Dense markers fill three quadrants; only the bottom left is empty. The
    // legend must not cover any of the filled ones: sampled there, every
    // pixel shows a marker's colour.
    gaussbound::Series s;
    s.colour = {1, 0, 0};
    s.label = "a long label for the legend box";
    s.lineWidth = 0;
    s.marker = gaussbound::Marker::Square;
    s.markerSize = 12;
    for (double x = 0; x <= 1.0001; x += 0.02)
        for (double y = 0; y <= 1.0001; y += 0.02)
            if (x > 0.5 || y > 0.5) {
                s.x.push_back(x);
                s.y.push_back(y);
            }
    gaussbound::Figure f;
    f.xRange = std::pair{0.0, 1.0};
    f.yRange = std::pair{0.0, 1.0};
    f.series = {s};
    const int width = 600, height = 600;
    const Pixels image(gaussbound::render(f, gaussbound::Format::Png, width, height));
    int covered = 0, inEmptyCorner = 0;
    for (int x = width / 5; x < width - 40; x += 7)
        for (int y = 60; y < height - 100; y += 7) {
            const bool red = image.at(x, y) == 0xff0000;
            const bool lowerLeft = x < width / 2 && y > height / 2;
            // Well inside the three filled quadrants (the plot area spans
            // most of the page, its half at about 0.55 of each side).
            const bool right = x > width * 0.65, leftHalf = x > width * 0.2 && x < width * 0.45;
            const bool top = y < height * 0.4, bottomHalf = y > height * 0.6 && y < height * 0.8;
            covered += !red && ((right && top) || (leftHalf && top) || (right && bottomHalf));
            inEmptyCorner += lowerLeft && image.at(x, y) != 0xffffff;
        }
    EXPECT_EQ(covered, 0);
    EXPECT_GT(inEmptyCorner, 0);  // the legend's text and frame
}
