// Tests of the bounds client: its figures, its files and its refusals, run as
// a child process, plus the Bayes error integration in-process.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bad_inputs.h"
#include "command.h"
#include <opencv2/imgcodecs.hpp>

#include "Bound.h"

namespace fs = std::filesystem;

namespace {

// A fresh empty folder per test, removed afterwards.
class Bounds : public ::testing::Test {
protected:
    fs::path dir;

    void SetUp() override
    {
        char name[] = "/tmp/bounds-test-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir = name;
    }
    void TearDown() override
    {
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(dir);
    }

    CommandResult bounds(const std::string& args) const
    {
        return runCommand(std::string(BOUNDS_EXE) + " " + args);
    }

    std::vector<std::string> files() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir))
            names.push_back(entry.path().filename().string());
        return names;
    }
};

// The number after "key": in text, searching from the first occurrence of
// `within` (an enclosing key), or NaN when absent.
double jsonNumber(const std::string& json, const std::string& within, const std::string& key)
{
    const size_t from = within.empty() ? 0 : json.find("\"" + within + "\"");
    const size_t at = json.find("\"" + key + "\":", from);
    if (from == std::string::npos || at == std::string::npos)
        return NAN;
    return std::strtod(json.c_str() + at + key.size() + 3, nullptr);
}

void expectRelative(double actual, double expected, double tolerance)
{
    EXPECT_LE(std::fabs(actual - expected), tolerance * std::fabs(expected))
        << actual << " vs " << expected;
}

}  // namespace

TEST_F(Bounds, JsonHoldsTheDefaultExampleAtFullPrecision)
{
    const CommandResult r = bounds("--json");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::string& j = r.out;
    expectRelative(jsonNumber(j, "chernoff", "beta"), 0.5741000175476074, 1e-12);
    expectRelative(jsonNumber(j, "chernoff", "factor"), 0.864736573750916, 1e-12);
    expectRelative(jsonNumber(j, "chernoff", "error_bound"), 0.864736573750916 / 2, 1e-12);
    expectRelative(jsonNumber(j, "bhattacharyya", "exponent"), 0.1422248517824068, 1e-12);
    expectRelative(jsonNumber(j, "bhattacharyya", "factor"), 0.8674261922310337, 1e-12);
    expectRelative(jsonNumber(j, "bhattacharyya", "error_bound"), 0.8674261922310337 / 2, 1e-12);
    const double lower = jsonNumber(j, "bhattacharyya", "lower_bound");
    const double bayes = jsonNumber(j, "", "bayes_error");
    EXPECT_LT(lower, bayes);
    EXPECT_LT(bayes, jsonNumber(j, "chernoff", "error_bound"));
    for (const char* key : {"mu1", "mu2", "sigma1", "sigma2", "priors"})
        EXPECT_NE(j.find(std::string("\"") + key + "\":["), std::string::npos) << key;
}

TEST_F(Bounds, TextSummaryNamesEveryFigure)
{
    const CommandResult r = bounds("");
    ASSERT_EQ(r.status, 0);
    for (const char* text : {"0.864737", "0.5741", "0.142225", "0.867426", "Bayes error",
                             "lower bound", "upper bound"})
        EXPECT_NE(r.out.find(text), std::string::npos) << text;
}

TEST_F(Bounds, CsvReadsBackAsTheLibrarysPlotTable)
{
    const fs::path csv = dir / "table.csv";
    ASSERT_EQ(bounds("--mu2=0.5,-1 --sigma1 2,0.5,0.5,1 --table " + csv.string()).status, 0);

    const double mu1[2][1] = {{0}, {0}}, mu2[2][1] = {{0.5}, {-1}};
    const double sigma1[2][2] = {{2, 0.5}, {0.5, 1}}, sigma2[2][2] = {{2, 0}, {0, 2}};
    static BoundTable table;
    static PlotTable plot;
    makeBound(table, mu1, mu2, sigma1, sigma2);
    double beta, value;
    findMinB(table, beta, value);
    makePlot(plot, table, beta, value,
             std::exp(-getBattacharayyaBound(mu1, mu2, sigma1, sigma2)));

    std::istringstream in(readFile(csv));
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "beta,bound,minimum_x,minimum_y,bhattacharyya_x,bhattacharyya_y");
    int row = 0;
    while (std::getline(in, line)) {
        ASSERT_LT(row, kTableRows);
        std::istringstream fields(line);
        std::string field;
        for (int col = 0; col < 6; ++col) {
            ASSERT_TRUE(std::getline(fields, field, ',')) << "row " << row;
            ASSERT_EQ(std::strtod(field.c_str(), nullptr), plot[row][col]) << row << "," << col;
        }
        EXPECT_FALSE(std::getline(fields, field)) << "row " << row;
        ++row;
    }
    EXPECT_EQ(row, kTableRows);
}

TEST_F(Bounds, PngDecodesToTheRequestedSize)
{
    const fs::path png = dir / "plot.png";
    ASSERT_EQ(bounds("--plot " + png.string() + " --size 640x480").status, 0);
    const cv::Mat image = cv::imread(png.string());
    ASSERT_FALSE(image.empty());
    EXPECT_EQ(image.cols, 640);
    EXPECT_EQ(image.rows, 480);
    EXPECT_EQ(files(), std::vector<std::string>{"plot.png"});  // no temporary left
}

TEST_F(Bounds, RefusesBadInputWithoutDoingAnything)
{
    for (const char* args : kBadBoundsArguments) {
        // Every case but the empty file names also asks for both files.
        const std::string a = args;
        const CommandResult r = bounds(a.find("''") != std::string::npos
                                 ? a
                                 : a + " --table " + (dir / "t.csv").string() + " --plot " +
                                       (dir / "p.png").string());
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_EQ(r.out, "") << args;
        EXPECT_EQ(r.err.rfind("bounds: ", 0), 0u) << args << ": " << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << args << ": " << r.err;
        EXPECT_TRUE(files().empty()) << args;
    }
}

TEST_F(Bounds, HelpAndVersionExitZero)
{
    const CommandResult help = bounds("--help");
    EXPECT_EQ(help.status, 0);
    for (const char* option : {"--mu1", "--sigma2", "--priors", "--table", "--plot", "--json"})
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    const CommandResult version = bounds("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("bounds ", 0), 0u);
}

TEST_F(Bounds, FailedWritesLeaveNoPartialFile)
{
    // A missing folder.
    CommandResult r = bounds("--table " + (dir / "missing" / "t.csv").string());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("bounds: ", 0), 0u) << r.err;
    EXPECT_EQ(r.out, "");

    // One good path and one bad: neither file is touched.
    const fs::path table = dir / "t.csv";
    std::ofstream(table) << "old";
    r = bounds("--table " + table.string() + " --plot " + (dir / "missing" / "p.png").string());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(readFile(table), "old");
    EXPECT_EQ(files(), std::vector<std::string>{"t.csv"});

    // Standard output that cannot be written.
    r = bounds(">/dev/full");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("bounds: ", 0), 0u) << r.err;
}
