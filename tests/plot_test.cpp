// Tests of the rendering: the figure drawn in memory in each format (its
// ticks and formats are the Figure library's, in figure_test).
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

TEST(Render, ARasterFillsItsRectangleBottomRowFirstUnderTheLabels)
{
    // 2 x 2 cells over the whole plot area: red, green along the bottom,
    // blue and an index outside the palette (left clear, white) on top.
    gaussbound::Figure f;
    f.xRange = std::pair{0.0, 2.0};
    f.yRange = std::pair{0.0, 2.0};
    gaussbound::Raster r;
    r.x0 = 0;
    r.x1 = 2;
    r.y0 = 0;
    r.y1 = 2;
    r.width = r.height = 2;
    r.palette = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    r.cells = {0, 1, 2, 7};
    f.raster = r;
    f.labels.push_back({1.0, 1.0, "a label"});
    const int width = 600, height = 600;
    const std::string png = gaussbound::render(f, gaussbound::Format::Png, width, height);
    const Pixels image(png);
    // The plot area spans about x 87 to 580 and y 35 to 544, its centre
    // about (333, 289): sample each quadrant well inside.
    EXPECT_EQ(image.at(200, 420), 0xff0000u);  // bottom left
    EXPECT_EQ(image.at(480, 420), 0x00ff00u);  // bottom right
    EXPECT_EQ(image.at(200, 120), 0x0000ffu);  // top left
    EXPECT_EQ(image.at(480, 150), 0xffffffu);  // top right: clear
    // The label is drawn right of the centre, black over a white halo.
    int dark = 0;
    for (int x = 340; x < 440; ++x)
        for (int y = 270; y < 300; ++y)
            dark += (image.at(x, y) & 0xc0c0c0u) == 0;
    EXPECT_GT(dark, 20);
    const std::string svg = gaussbound::render(f, gaussbound::Format::Svg, width, height);
    EXPECT_NE(svg.find("<image"), std::string::npos);
}

TEST(Render, AnSvgReadsTheSameWhateverWasDrawnBeforeIt)
{
    // Cairo counts surfaces over the process: the page and the raster's
    // image are numbered from the page as surface1 all the same.
    gaussbound::Figure f;
    gaussbound::Raster r;
    r.width = r.height = 2;
    r.palette = {{1, 0, 0}, {0, 1, 0}};
    r.cells = {0, 1, 1, 0};
    f.raster = r;
    f.series.push_back({{0.0, 1.0}, {0.0, 1.0}, {0, 0, 1}, "a line"});
    const std::string first = gaussbound::render(f, gaussbound::Format::Svg, 400, 300);
    gaussbound::render(f, gaussbound::Format::Png, 400, 300);
    const std::string again = gaussbound::render(f, gaussbound::Format::Svg, 400, 300);
    EXPECT_EQ(again, first);
    EXPECT_NE(first.find("id=\"surface1\""), std::string::npos);
    const size_t image = first.find("id=\"image");
    ASSERT_NE(image, std::string::npos);
    EXPECT_NE(first.find("#image" + first.substr(image + 9, first.find('"', image + 9) - image - 9)),
              std::string::npos);
}
