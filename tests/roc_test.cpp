// Tests of bounds roc run as a child process: what each output holds, held
// to closed forms of normal statistics and to the expected loss of every
// point of the curve, and every refusal one line on stderr with status 2
// and nothing written.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "command.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

const std::string kBounds = BOUNDS_EXE + std::string(" roc");

double normalCdf(double x)
{
    return 0.5 * std::erfc(-x / std::sqrt(2.0));
}

class RocCommand : public ::testing::Test {
protected:
    // Outputs go to dir, which must stay empty after a refusal; inputs stand apart.
    fs::path dir = fs::temp_directory_path() /
                   ("roc-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::path inputs = fs::path(dir.string() + "-inputs");

    void SetUp() override
    {
        for (const fs::path& p : {dir, inputs}) {
            fs::remove_all(p);
            fs::create_directory(p);
        }
    }
    void TearDown() override
    {
        fs::remove_all(dir);
        fs::remove_all(inputs);
    }

    std::string path(const std::string& name) const { return (dir / name).string(); }

    std::string input(const std::string& name, const std::string& text) const
    {
        std::ofstream((inputs / name).string(), std::ios::binary) << text;
        return (inputs / name).string();
    }
};

// The lines of a CSV of curves after its header, each its five numbers
// (strtod reads "inf" and "-inf") and the curve it names, if any.
struct Row {
    std::vector<double> v;
    std::string curve;
};
std::vector<Row> rows(const std::string& csv)
{
    std::vector<Row> out;
    std::istringstream in(csv);
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        Row row;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, ',');) {
            char* end = nullptr;
            const double v = std::strtod(cell.c_str(), &end);
            (*end == '\0' ? row.v.push_back(v) : void(row.curve = cell));
        }
        EXPECT_EQ(row.v.size(), 5u) << line;
        out.push_back(row);
    }
    return out;
}

}  // namespace

TEST_F(RocCommand, CsvRisesFromZeroToOneWithNeighboursAtMostTheSpacingApart)
{
    for (const std::string spacing : {"", "0.05"}) {
        const std::string option = spacing.empty() ? "" : " --spacing " + spacing;
        const CommandResult r = runCommand(kBounds + " --csv " + path("c.csv") + option);
        ASSERT_EQ(r.status, 0) << r.err;
        const std::string csv = readFile(path("c.csv"));
        EXPECT_EQ(csv.substr(0, csv.find('\n')), "threshold,false_alarm,hit,log10_false_alarm,log10_miss");
        const std::vector<Row> p = rows(csv);
        ASSERT_GT(p.size(), 3u);
        EXPECT_EQ(p.front().v, std::vector<double>({INFINITY, 0, 0, -INFINITY, 0}));
        EXPECT_EQ(p.back().v, std::vector<double>({-INFINITY, 1, 1, 0, -INFINITY}));
        const double s = spacing.empty() ? 0.005 : std::stod(spacing);
        for (size_t i = 1; i < p.size(); ++i) {
            EXPECT_LT(p[i].v[0], p[i - 1].v[0]) << "the thresholds fall, row " << i;
            for (int k : {1, 2}) {
                EXPECT_GE(p[i].v[k], p[i - 1].v[k]) << "rises, row " << i;
                EXPECT_LE(p[i].v[k] - p[i - 1].v[k], s) << spacing << ", row " << i;
            }
            // The likelihood ratio is the most powerful test at every level
            // (Neyman-Pearson): its curve never falls below chance.
            EXPECT_GE(p[i].v[2], p[i].v[1]) << "H >= F, row " << i;
        }
        // The summary counts the same points.
        EXPECT_NE(runCommand(kBounds + option).out.find(", " + std::to_string(p.size()) + " points\n"),
                  std::string::npos);
    }
}

TEST_F(RocCommand, JsonAucAndBayesPointAreTheClosedFormsOfEqualCovariances)
{
    // Sigma = [2 0.5; 0.5 1], delta = (1, 2): by the adjugate
    // d'^2 = (1 - 2 + 8) / 1.75 = 4. AUC = Phi(d' / sqrt 2); the Bayes rule
    // at equal priors, t = 0, has F = Phi(-d'/2) and H = Phi(d'/2).
    const CommandResult r =
        runCommand(kBounds + " --json --mu1 0,0 --mu2 1,2 --sigma1 2,0.5,0.5,1 --sigma2 2,0.5,0.5,1");
    ASSERT_EQ(r.status, 0) << r.err;
    const json j = json::parse(r.out);
    EXPECT_NEAR(j.at("auc").get<double>(), normalCdf(2 / std::sqrt(2.0)), 1e-12);
    EXPECT_LE(j.at("auc_abs_error").get<double>(), 1e-12);
    const json& p = j.at("operating_point");
    EXPECT_NEAR(p.at("false_alarm").get<double>(), normalCdf(-1), 1e-13);
    EXPECT_NEAR(p.at("hit").get<double>(), normalCdf(1), 1e-13);
    EXPECT_NEAR(p.at("log10_miss").get<double>(), std::log10(normalCdf(-1)), 1e-12);
    EXPECT_EQ(j.at("points").front().at("threshold"), "Infinity");
    EXPECT_FALSE(j.contains("rule"));
}

TEST_F(RocCommand, CostsMoveTheOperatingPointToTheLeastExpectedLossOnTheCurve)
{
    const std::string model = " --mu1 0,0 --mu2 1,1 --sigma1 1,0,0,1 --sigma2 2,0.3,0.3,1 --priors 0.3,0.7";
    const double p1 = 0.3;
    // The expected loss of deciding class 2 at false alarm f and hit h.
    const auto risk = [&](const double* l, double f, double h) {
        return p1 * (l[0] * (1 - f) + l[1] * f) + (1 - p1) * (l[2] * (1 - h) + l[3] * h);
    };
    std::vector<double> thresholds;
    for (const auto& l : {std::vector<double>{0, 1, 1, 0}, {0, 4, 1, 0.5}, {1, 2, 9, 0}}) {
        std::ostringstream costs;
        costs << " --costs " << l[0] << ',' << l[1] << ',' << l[2] << ',' << l[3];
        const CommandResult r =
            runCommand(kBounds + " --json --spacing 0.002 --csv " + path("c.csv") + model + costs.str());
        ASSERT_EQ(r.status, 0) << r.err;
        const json p = json::parse(r.out).at("operating_point");
        const double best = risk(l.data(), p.at("false_alarm").get<double>(), p.at("hit").get<double>());
        // No point of the curve, nor either end (all one class), loses less.
        for (const Row& row : rows(readFile(path("c.csv"))))
            EXPECT_LE(best, risk(l.data(), row.v[1], row.v[2]) + 1e-12) << costs.str() << " at t = " << row.v[0];
        thresholds.push_back(p.at("threshold").get<double>());
    }
    EXPECT_NE(thresholds[0], thresholds[1]);
    EXPECT_NE(thresholds[1], thresholds[2]);
}

TEST_F(RocCommand, ARulesCurveFollowsWithItsOwnAucAndOperatingPoint)
{
    // g(x) = b'x + c is normal under class i, mean m_i = b'mu_i + c and
    // variance s_i^2 = b' Sigma_i b: at g > 0, F = Phi(m1 / s1), H = Phi(m2 / s2),
    // and AUC = Phi((m2 - m1) / sqrt(s1^2 + s2^2)). The default classes:
    // mu1 = (0, 0), mu2 = (1, 0), Sigma1 = I, Sigma2 = 2I.
    const std::string rule = input("rule.json", R"({"quadratic": null, "linear": [1, 2], "constant": -0.4})");
    const double m1 = -0.4, m2 = 0.6, s1 = std::sqrt(5.0), s2 = std::sqrt(10.0);
    const CommandResult r = runCommand(kBounds + " --json --spacing 0.02 --rule " + rule + " --csv " + path("c.csv"));
    ASSERT_EQ(r.status, 0) << r.err;
    const json j = json::parse(r.out), g = j.at("rule");
    EXPECT_NEAR(g.at("auc").get<double>(), normalCdf((m2 - m1) / std::sqrt(s1 * s1 + s2 * s2)), 1e-12);
    EXPECT_NEAR(g.at("operating_point").at("false_alarm").get<double>(), normalCdf(m1 / s1), 1e-13);
    EXPECT_NEAR(g.at("operating_point").at("hit").get<double>(), normalCdf(m2 / s2), 1e-13);
    const std::vector<Row> p = rows(readFile(path("c.csv")));
    ASSERT_EQ(p.size(), j.at("points").size() + g.at("points").size());
    for (size_t i = 0; i < p.size(); ++i)
        EXPECT_EQ(p[i].curve, i < j.at("points").size() ? "likelihood_ratio" : "rule") << i;

    // Costs and a rule from the model file, as from --costs and --rule.
    const std::string model = input("m.json", R"({"mu1": [0, 0], "mu2": [1, 0], "sigma1": [1, 0, 0, 1],
        "sigma2": [2, 0, 0, 2], "costs": [[0, 1], [3, 0]], "rule": {"linear": [1, 2], "constant": -0.4}})");
    const CommandResult fromFile = runCommand(kBounds + " --json --spacing 0.02 --model " + model);
    EXPECT_EQ(fromFile.out, runCommand(kBounds + " --json --spacing 0.02 --costs 0,1,3,0 --rule " + rule).out);
    EXPECT_NEAR(json::parse(fromFile.out).at("operating_point").at("threshold").get<double>(), -std::log(3.0), 1e-15);
}

TEST_F(RocCommand, TheSummaryAFigureOrAnOutputOnStandardOutput)
{
    const CommandResult text = runCommand(kBounds);
    ASSERT_EQ(text.status, 0) << text.err;
    char auc[32];
    const double value = json::parse(runCommand(kBounds + " --json").out).at("auc").get<double>();
    std::snprintf(auc, sizeof auc, " %.6g ", value);
    EXPECT_NE(text.out.find(auc), std::string::npos) << auc << " in\n" << text.out;
    const std::string csv = runCommand(kBounds + " --csv -").out;
    EXPECT_EQ(csv.rfind("threshold,false_alarm,hit,log10_false_alarm,log10_miss\n", 0), 0u);
    for (const std::string& plot : {" --plot " + path("r.png"), " --z --plot " + path("z.svg")}) {
        const CommandResult r = runCommand(kBounds + plot);
        EXPECT_EQ(r.out, text.out) << plot;
    }
    EXPECT_EQ(readFile(path("r.png")).substr(1, 3), "PNG");
    EXPECT_NE(readFile(path("z.svg")).find("<svg"), std::string::npos);
}

TEST_F(RocCommand, EveryRefusalIsOneLineWithStatusTwoAndNothingWritten)
{
    const std::string cases[] = {
        // The spacing: out of range, not a number, not finite, two of them.
        "--spacing 0", "--spacing 5e-5", "--spacing 0.51", "--spacing=-0.1", "--spacing x", "--spacing nan",
        "--spacing inf", "--spacing 0.01,0.02",
        // The costs: count, sign, finiteness, a wrong decision not dearer than the right one.
        "--costs 0,1,1", "--costs 0,1,1,0,0", "--costs=-1,1,1,0", "--costs 0,1,1,-0.5", "--costs 0,1,inf,0",
        "--costs 0,1,nan,0", "--costs 1,1,1,0", "--costs 2,1,1,0", "--costs 0,1,1,1", "--costs '0;1;1;0'",
        // The zROC without a figure, the classes, the figure's size and name.
        "--z", "--mu1 0,0,0", "--sigma1 1,0.5,0.4,1", "--priors 0.5,0.6", "--size 10x10", "--plot p.txt",
        "--plot ''",
        // Outputs that collide, unknown words.
        "--plot rows.csv", "--json --plot -", "--frobnicate", "extra",
        // Rules: missing, unnamed, of another dimension, malformed, not symmetric.
        "--rule /nonexistent/rule.json", "--rule ''",
        "--rule " + input("three.json", R"({"linear": [1, 2, 3], "constant": 0})"),
        "--rule " + input("broken.json", R"({"linear": [1, 2], )"),
        "--rule " + input("skew.json", R"({"quadratic": [[1, 2], [0, 1]], "linear": [1, 2], "constant": 0})"),
    };
    for (const std::string& c : cases) {
        const CommandResult r = runCommand("cd " + dir.string() + " && " + kBounds + " " + c + " --csv rows.csv");
        EXPECT_EQ(r.status, 2) << c;
        EXPECT_EQ(r.out, "") << c;
        EXPECT_EQ(r.err.rfind("bounds: ", 0), 0u) << c << ": " << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << c << ": " << r.err;
        EXPECT_TRUE(fs::is_empty(dir)) << c;
    }
    for (const char* option : {"--spacing", "--costs"})
        EXPECT_NE(runCommand(kBounds + " " + option + " 7").err.find(option), std::string::npos) << option;
    for (const char* spacing : {"1e-4", "0.5"})
        EXPECT_EQ(runCommand(kBounds + " --spacing " + spacing + " --mu1 0 --mu2 1 --sigma1 1 --sigma2 1").status, 0)
            << spacing;
    const std::string help = runCommand(kBounds + " --help").out;
    for (const char* word : {"--csv", "--json", "--z", "--spacing", "--costs", "--rule", "false-alarm", "AUC"})
        EXPECT_NE(help.find(word), std::string::npos) << word;
}
