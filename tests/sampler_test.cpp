// Tests of the sampler: its generators, compiled in with a scripted rand(),
// and the program itself, run as a child process.
#include <dlfcn.h>

#include <cmath>
#include <cstdio>
#include <deque>
#include <functional>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "command.h"
#include "normal_battery.h"

float ranf();
float box_muller(float m, float s);
void box_muller2d(float out[2], const float mean[2], const float sigma[2][2]);

// rand() for the generators under test: scripted values first, then libc's
// own stream. Counts every call.
namespace script {
std::deque<int> values;
long calls = 0;
}  // namespace script

extern "C" int rand() noexcept
{
    ++script::calls;
    if (!script::values.empty()) {
        const int v = script::values.front();
        script::values.pop_front();
        return v;
    }
    static auto* libcRand = reinterpret_cast<int (*)()>(dlsym(RTLD_NEXT, "rand"));
    return libcRand();
}

namespace {

const float kMean[2] = {1.0f, 1.0f};
const float kUnit[2][2] = {{1.0f, 0.0f}, {0.0f, 1.0f}};

long callsFor(void (*draw)())
{
    const long before = script::calls;
    draw();
    return script::calls - before;
}

void drawPoint()
{
    float out[2];
    box_muller2d(out, kMean, kUnit);
}

// Brings box_muller2d's caches to empty, wherever earlier tests left them:
// both axes fill and empty together, and a call that draws leaves them full.
void emptyCaches()
{
    if (callsFor(drawPoint) > 0)
        drawPoint();
}

CommandResult sampler(const std::string& args)
{
    return runCommand(std::string(SAMPLER_EXE) + " " + args);
}

Points points(const std::string& out)
{
    Points p;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) {
        double x, y;
        if (std::sscanf(line.c_str(), "(%lf,%lf)", &x, &y) == 2)
            p.emplace_back(x, y);
    }
    return p;
}

}  // namespace

TEST(Ranf, GridEndsAtZeroAndJustBelowOne)
{
    script::values = {0, 300000, 99999, 2147399999};
    EXPECT_EQ(ranf(), 0.0f);
    EXPECT_EQ(ranf(), 0.0f);  // a multiple of 100000 maps to 0
    EXPECT_EQ(ranf(), 0.99999f);
    EXPECT_EQ(ranf(), 0.99999f);
}

TEST(BoxMuller2d, OddCallsDrawTwoPairsEvenCallsDrawNone)
{
    emptyCaches();
    for (int i = 0; i < 50; ++i) {
        EXPECT_GE(callsFor(drawPoint), 4);
        EXPECT_EQ(callsFor(drawPoint), 0);
    }
}

TEST(BoxMuller2d, SecondPointHoldsTheSparesOfTheFirst)
{
    emptyCaches();
    // Axis 0: u = (0.3, 0.4) -> x = (-0.4, -0.2); axis 1: u = (0.75, 0.5) -> x = (0.5, 0).
    script::values = {30000, 40000, 75000, 50000};
    float first[2], second[2];
    const float zero[2] = {0.0f, 0.0f};
    box_muller2d(first, zero, kUnit);
    box_muller2d(second, zero, kUnit);
    EXPECT_TRUE(script::values.empty());
    // Each pair is (x1 f, x2 f) for one factor f: the spare is half the first
    // variate on axis 0 and exactly 0 on axis 1.
    EXPECT_EQ(second[0], first[0] * 0.5f);
    EXPECT_EQ(second[1], 0.0f);
    EXPECT_LT(first[0], 0.0f);
}

TEST(BoxMuller2d, RejectsPairsOutsideTheUnitDiscAndAtItsCentre)
{
    emptyCaches();
    // (-1, -1) lies outside, (0, 0) is the centre (w == 0), then (0.5, 0) is taken.
    script::values = {0, 0, 50000, 50000, 75000, 50000, 75000, 50000};
    const long before = script::calls;
    float out[2];
    const float zero[2] = {0.0f, 0.0f};
    box_muller2d(out, zero, kUnit);
    EXPECT_EQ(script::calls - before, 8);
    EXPECT_TRUE(std::isfinite(out[0]));
    EXPECT_GT(out[0], 0.0f);
    EXPECT_EQ(out[0], out[1]);  // both axes took the same accepted pair
    drawPoint();
}

TEST(BoxMuller2d, ReadsOnlyTheDiagonalOfSigma)
{
    const float zeroSigma[2][2] = {{0.0f, 0.0f}, {0.0f, 0.0f}};
    const float mean[2] = {0.25f, -3.5f};
    for (int i = 0; i < 4; ++i) {
        float out[2];
        box_muller2d(out, mean, zeroSigma);
        EXPECT_EQ(out[0], mean[0]);
        EXPECT_EQ(out[1], mean[1]);
    }

    // The same rand() values give the same points whatever the off-diagonal.
    const float skewed[2][2] = {{1.0f, 0.9f}, {-7.0f, 1.0f}};
    const auto twoPoints = [](const float sigma[2][2], float out[2][2]) {
        emptyCaches();
        script::values = {12345, 67890, 23456, 78901};
        box_muller2d(out[0], kMean, sigma);
        box_muller2d(out[1], kMean, sigma);
    };
    float plain[2][2], other[2][2];
    twoPoints(kUnit, plain);
    twoPoints(skewed, other);
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j)
            EXPECT_EQ(plain[i][j], other[i][j]);
}

TEST(BoxMuller, KeepsItsOwnSpareApartFromTheTwoDimensionalOne)
{
    emptyCaches();
    script::values = {30000, 40000};
    const float first = box_muller(0.0f, 1.0f);
    EXPECT_GE(callsFor(drawPoint), 4);  // box_muller's spare is not axis 0's
    const long before = script::calls;
    const float spare = box_muller(0.0f, 1.0f);
    EXPECT_EQ(script::calls, before);
    EXPECT_EQ(spare, first * 0.5f);
    EXPECT_EQ(box_muller(2.0f, 0.0f), 2.0f);  // draws a fresh pair, scaled by 0
    box_muller(0.0f, 1.0f);
    drawPoint();
}

TEST(SamplerProgram, PrintsTheKnownPointsForSeedOne)
{
    const CommandResult r = sampler("1");
    ASSERT_EQ(r.status, 0);
    const std::string first =
        "(1.65601,1.63805)\n(0.681614,0.804828)\n(0.554173,2.05649)\n(-1.3564,1.31325)\n";
    EXPECT_EQ(r.out.substr(0, first.size()), first);
}

TEST(SamplerProgram, SeedArgumentFollowsAtoi)
{
    const std::string one = sampler("1").out;
    EXPECT_EQ(sampler("1").out, one);
    EXPECT_EQ(sampler("'1 extra' 2 3").out, one);  // atoi stops at the space; more args ignored
    EXPECT_EQ(sampler("'  +1xyz'").out, one);
    EXPECT_EQ(sampler("0").out, sampler("abc").out);
    EXPECT_NE(sampler("2").out, one);
}

TEST(SamplerProgram, PrintsTenThousandPointLinesAndExitsByItself)
{
    const CommandResult r = sampler("7");
    EXPECT_EQ(r.status, 0);
    std::istringstream in(r.out);
    std::string text;
    int count = 0;
    while (std::getline(in, text)) {
        // "(x,y)" and nothing else: two numbers, each read whole.
        float x, y;
        int end = -1;
        std::sscanf(text.c_str(), "(%g,%g)%n", &x, &y, &end);
        EXPECT_EQ(end, static_cast<int>(text.size())) << text;
        EXPECT_EQ(text.find(' '), std::string::npos) << text;
        ++count;
    }
    EXPECT_EQ(count, 10000);
}

namespace {

// The points of seeds 1 to 20, per seed and pooled.
const std::vector<Points>& seedPoints()
{
    static std::vector<Points> all;
    if (all.empty())
        for (int seed = 1; seed <= 20; ++seed)
            all.push_back(points(sampler(std::to_string(seed)).out));
    return all;
}

Points pooled(const std::function<Points(const Points&)>& mutate)
{
    Points all;
    for (const Points& p : seedPoints()) {
        const Points m = mutate(p);
        all.insert(all.end(), m.begin(), m.end());
    }
    return all;
}

}  // namespace

TEST(SamplerStatistics, PointsAreIndependentUnitNormalPerSeedAndPooled)
{
    double lowest = 1.0, highest = 0.0;
    for (size_t i = 0; i < seedPoints().size(); ++i) {
        const Points& p = seedPoints()[i];
        ASSERT_EQ(p.size(), 10000u);
        EXPECT_EQ(battery::failures(p, false), std::vector<std::string>{}) << "seed " << i + 1;
        for (const auto& [name, pv] : battery::pValues(p)) {
            lowest = std::min(lowest, pv);
            highest = std::max(highest, pv);
        }
    }
    const Points all = pooled([](const Points& p) { return p; });
    EXPECT_EQ(battery::failures(all, true), std::vector<std::string>{});
    std::cout << "per-seed p-values from " << lowest << " to " << highest << "; pooled:";
    for (const auto& [name, pv] : battery::pValues(all))
        std::cout << " " << name << " " << pv << ";";
    std::cout << "\n";
}

TEST(SamplerStatistics, BatteryCatchesSeededFaults)
{
    const std::map<std::string, std::function<Points(const Points&)>> faults = {
        {"sigma 2% too large",
         [](Points p) {
             for (auto& [x, y] : p) {
                 x = 1 + 1.02 * (x - 1);
                 y = 1 + 1.02 * (y - 1);
             }
             return p;
         }},
        {"y = x",
         [](Points p) {
             for (auto& [x, y] : p)
                 y = x;
             return p;
         }},
        {"spare cache hands back the last variate",
         [](Points p) {
             for (size_t i = 1; i < p.size(); i += 2)
                 p[i] = p[i - 1];
             return p;
         }},
        {"mean shifted by 0.05",
         [](Points p) {
             for (auto& [x, y] : p) {
                 x += 0.05;
                 y += 0.05;
             }
             return p;
         }},
    };
    for (const auto& [fault, mutate] : faults) {
        const std::vector<std::string> failed = battery::failures(pooled(mutate), true);
        EXPECT_FALSE(failed.empty()) << fault;
        std::cout << fault << ": caught by";
        for (const auto& name : failed)
            std::cout << " [" << name << "]";
        std::cout << "\n";
    }
}

TEST(SamplerProgram, ReportsAFailedWriteAndExitsOne)
{
    const CommandResult r = sampler("1 >/dev/full");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("sampler: ", 0), 0u) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1);
}
