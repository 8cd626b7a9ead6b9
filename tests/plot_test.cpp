// Tests of the plotting module: ticks a person would pick, and the figure
// rendered in memory in each format.
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Plot.h"

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
