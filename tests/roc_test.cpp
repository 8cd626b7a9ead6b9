// Tests of bounds roc run as a child process: what each output holds, held
// to closed forms of classes of equal covariances and to the expected loss
// of every point of the curve, and every refusal one line on stderr with
// status 2 and nothing written.
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

const std::string kBounds = BOUNDS_EXE;

// Classes of one covariance [2 0.5; 0.5 1] with delta = (1, 2): by the
// adjugate, Sigma^-1 = [1 -0.5; -0.5 2] / 1.75, so d'^2 = (1 - 2 + 8) / 1.75 = 4.
const std::string kEqual = " --mu1 0,0 --mu2 1,2 --sigma1 2,0.5,0.5,1 --sigma2 2,0.5,0.5,1";
const double kEqualDPrime = 2.0;

double normalCdf(double x)
{
    return 0.5 * std::erfc(-x / std::sqrt(2.0));
}

class RocCommand : public ::testing::Test {
protected:
    fs::path dir = fs::temp_directory_path() /
                   ("roc-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));

    // Inputs stand apart, so that dir holds only what the command writes.
    fs::path inputs = fs::path(dir.string() + "-inputs");

    void SetUp() override
    {
        fs::remove_all(dir);
        fs::create_directory(dir);
        fs::remove_all(inputs);
        fs::create_directory(inputs);
    }
    void TearDown() override
    {
        fs::remove_all(dir);
        fs::remove_all(inputs);
    }

    std::string path(const std::string& name) const { return (dir / name).string(); }

    // Writes text to a file among the inputs and returns its path.
    std::string input(const std::string& name, const std::string& text) const
    {
        std::ofstream((inputs / name).string(), std::ios::binary) << text;
        return (inputs / name).string();
    }
};

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

// The rows of a CSV of the curve after its header: the five numbers of each
// (strtod reads "inf" and "-inf").
std::vector<std::vector<double>> rows(const std::vector<std::string>& csv)
{
    std::vector<std::vector<double>> out;
    for (size_t i = 1; i < csv.size(); ++i) {
        std::vector<double> row;
        std::istringstream in(csv[i]);
        for (std::string cell; std::getline(in, cell, ',');) {
            char* end = nullptr;
            row.push_back(std::strtod(cell.c_str(), &end));
            EXPECT_EQ(*end, '\0') << csv[i];
        }
        EXPECT_EQ(row.size(), 5u) << csv[i];
        out.push_back(row);
    }
    return out;
}

// The expected loss of deciding class 2 where the statistic is above a
// threshold of false alarm F and hit H: each class's losses weighted by how
// often it is decided.
double risk(double f, double h, double p1, const double (&l)[4])
{
    return p1 * (l[0] * (1 - f) + l[1] * f) + (1 - p1) * (l[2] * (1 - h) + l[3] * h);
}

}  // namespace

TEST_F(RocCommand, CsvRisesFromZeroToOneWithNeighboursAtMostTheSpacingApart)
{
    for (const char* spacing : {"0.005", "0.05"}) {
        const std::string csv = path(std::string("roc-") + spacing + ".csv");
        const bool byDefault = std::string(spacing) == "0.005";
        const CommandResult r =
            runCommand(kBounds + " roc --csv " + csv + (byDefault ? "" : std::string(" --spacing ") + spacing));
        ASSERT_EQ(r.status, 0) << r.err;
        const std::vector<std::string> text = lines(readFile(csv));
        ASSERT_GT(text.size(), 3u);
        EXPECT_EQ(text[0], "threshold,false_alarm,hit,log10_false_alarm,log10_miss");
        const std::vector<std::vector<double>> points = rows(text);
        EXPECT_EQ(points.front(), std::vector<double>({INFINITY, 0, 0, -INFINITY, 0}));
        EXPECT_EQ(points.back(), std::vector<double>({-INFINITY, 1, 1, 0, -INFINITY}));
        const double s = std::atof(spacing);
        for (size_t i = 1; i < points.size(); ++i) {
            EXPECT_LT(points[i][0], points[i - 1][0]) << "the thresholds fall, row " << i;
            EXPECT_GE(points[i][1], points[i - 1][1]) << "F rises, row " << i;
            EXPECT_GE(points[i][2], points[i - 1][2]) << "H rises, row " << i;
            EXPECT_LE(points[i][1] - points[i - 1][1], s) << spacing << ", row " << i;
            EXPECT_LE(points[i][2] - points[i - 1][2], s) << spacing << ", row " << i;
            // The likelihood ratio is the most powerful test at every level
            // (Neyman-Pearson): its curve never falls below chance.
            EXPECT_GE(points[i][2], points[i][1]) << "H >= F, row " << i;
        }
        // The summary counts the same points.
        const CommandResult summary =
            runCommand(kBounds + " roc" + (byDefault ? "" : std::string(" --spacing ") + spacing));
        EXPECT_NE(summary.out.find(", " + std::to_string(points.size()) + " points\n"), std::string::npos)
            << summary.out;
    }
}

TEST_F(RocCommand, JsonAucAndBayesPointAreTheClosedFormsOfEqualCovariances)
{
    // AUC = Phi(d' / sqrt 2); at equal priors and 0-1 loss the Bayes rule
    // is t = 0, where F = Phi(-d'/2) and H = Phi(d'/2).
    const CommandResult r = runCommand(kBounds + " roc --json" + kEqual);
    ASSERT_EQ(r.status, 0) << r.err;
    const json j = json::parse(r.out);
    EXPECT_NEAR(j.at("auc").get<double>(), normalCdf(kEqualDPrime / std::sqrt(2.0)), 1e-12);
    EXPECT_LE(j.at("auc_abs_error").get<double>(), 1e-12);
    const json& p = j.at("operating_point");
    EXPECT_NEAR(p.at("threshold").get<double>(), 0.0, 1e-15);
    EXPECT_NEAR(p.at("false_alarm").get<double>(), normalCdf(-kEqualDPrime / 2), 1e-13);
    EXPECT_NEAR(p.at("hit").get<double>(), normalCdf(kEqualDPrime / 2), 1e-13);
    EXPECT_NEAR(p.at("log10_miss").get<double>(), std::log10(normalCdf(-kEqualDPrime / 2)), 1e-12);
    // Every point on H = Phi(Phi^-1(F) + d'), checked the other way round:
    // F = Phi(z), H = Phi(z + d') for the z that F gives.
    const json& points = j.at("points");
    ASSERT_GT(points.size(), 100u);
    EXPECT_EQ(points.front().at("threshold"), "Infinity");
    EXPECT_EQ(points.back().at("threshold"), "-Infinity");
    for (size_t i = 1; i + 1 < points.size(); ++i) {
        const double f = points[i].at("false_alarm").get<double>(), h = points[i].at("hit").get<double>();
        const double t = points[i].at("threshold").get<double>();
        // g = ln p2 - ln p1 is normal with variance d'^2, mean -d'^2/2 under class 1.
        const double z = -(t / kEqualDPrime + kEqualDPrime / 2);
        EXPECT_NEAR(f, normalCdf(z), 1e-13) << "t = " << t;
        EXPECT_NEAR(h, normalCdf(z + kEqualDPrime), 1e-13) << "t = " << t;
    }
    EXPECT_FALSE(j.contains("rule"));
}

TEST_F(RocCommand, CostsMoveTheOperatingPointToTheLeastExpectedLossOnTheCurve)
{
    const std::string model = " --mu1 0,0 --mu2 1,1 --sigma1 1,0,0,1 --sigma2 2,0.3,0.3,1 --priors 0.3,0.7";
    const double p1 = 0.3;
    const double costs[][4] = {{0, 1, 1, 0}, {0, 4, 1, 0.5}, {1, 2, 9, 0}};
    std::vector<double> thresholds;
    for (const auto& l : costs) {
        std::ostringstream typed;
        typed << " --costs " << l[0] << ',' << l[1] << ',' << l[2] << ',' << l[3];
        const CommandResult r =
            runCommand(kBounds + " roc --json --spacing 0.002 --csv " + path("c.csv") + model + typed.str());
        ASSERT_EQ(r.status, 0) << r.err;
        const json p = json::parse(r.out).at("operating_point");
        const double best = risk(p.at("false_alarm").get<double>(), p.at("hit").get<double>(), p1, l);
        // No point of the curve, nor either end (all one class), loses less.
        for (const std::vector<double>& row : rows(lines(readFile(path("c.csv")))))
            EXPECT_LE(best, risk(row[1], row[2], p1, l) + 1e-12) << typed.str() << " at t = " << row[0];
        thresholds.push_back(p.at("threshold").get<double>());
    }
    // Each choice of costs puts it elsewhere.
    EXPECT_NE(thresholds[0], thresholds[1]);
    EXPECT_NE(thresholds[1], thresholds[2]);
}

TEST_F(RocCommand, ARulesCurveFollowsWithItsOwnAucAndOperatingPoint)
{
    // The linear rule g(x) = b'x + c is normal under each class, with mean
    // b'mu_i + c and variance b' Sigma_i b: F = Phi(m1 / s1) and H = Phi(m2 / s2)
    // at its own threshold 0, and AUC = Phi((m2 - m1) / sqrt(s1^2 + s2^2)).
    // The default classes: mu1 = (0, 0), mu2 = (1, 0), Sigma1 = I, Sigma2 = 2I.
    const std::string rule = input("rule.json", R"({"quadratic": null, "linear": [1, 2], "constant": -0.4})");
    const double m1 = -0.4, m2 = 0.6, s1 = std::sqrt(5.0), s2 = std::sqrt(10.0);
    const CommandResult r = runCommand(kBounds + " roc --json --spacing 0.02 --rule " + rule + " --csv " + path("c.csv"));
    ASSERT_EQ(r.status, 0) << r.err;
    const json j = json::parse(r.out);
    const json& g = j.at("rule");
    EXPECT_EQ(g.size(), 4u);
    EXPECT_NEAR(g.at("auc").get<double>(), normalCdf((m2 - m1) / std::sqrt(s1 * s1 + s2 * s2)), 1e-12);
    const json& p = g.at("operating_point");
    EXPECT_EQ(p.at("threshold").get<double>(), 0.0);
    EXPECT_NEAR(p.at("false_alarm").get<double>(), normalCdf(m1 / s1), 1e-13);
    EXPECT_NEAR(p.at("hit").get<double>(), normalCdf(m2 / s2), 1e-13);
    // The likelihood ratio beats the rule: a larger area.
    EXPECT_GT(j.at("auc").get<double>(), g.at("auc").get<double>());

    // The CSV: the likelihood ratio's points, then the rule's, each named.
    const std::vector<std::string> csv = lines(readFile(path("c.csv")));
    ASSERT_EQ(csv.size(), 1 + j.at("points").size() + g.at("points").size());
    EXPECT_EQ(csv[0], "threshold,false_alarm,hit,log10_false_alarm,log10_miss,curve");
    for (size_t i = 1; i < csv.size(); ++i) {
        const bool first = i <= j.at("points").size();
        const std::string tail = first ? ",likelihood_ratio" : ",rule";
        ASSERT_EQ(csv[i].substr(csv[i].size() - tail.size()), tail) << i;
        const json& point = first ? j.at("points")[i - 1] : g.at("points")[i - 1 - j.at("points").size()];
        if (point.at("false_alarm").get<double>() > 0 && point.at("false_alarm").get<double>() < 1) {
            char* end = nullptr;
            const char* text = csv[i].c_str();
            std::strtod(text, &end);  // the threshold
            EXPECT_EQ(std::strtod(end + 1, nullptr), point.at("false_alarm").get<double>()) << csv[i];
        }
    }

    // Costs and a rule from the model file, as from --costs and --rule.
    const std::string model = input("m.json", R"({"mu1": [0, 0], "mu2": [1, 0], "sigma1": [1, 0, 0, 1],
        "sigma2": [2, 0, 0, 2], "priors": [0.5, 0.5], "costs": [[0, 1], [3, 0]],
        "rule": {"linear": [1, 2], "constant": -0.4}})");
    const CommandResult fromFile = runCommand(kBounds + " roc --json --spacing 0.02 --model " + model);
    const CommandResult fromOptions = runCommand(kBounds + " roc --json --spacing 0.02 --costs 0,1,3,0 --rule " + rule);
    ASSERT_EQ(fromFile.status, 0) << fromFile.err;
    EXPECT_EQ(fromFile.out, fromOptions.out);
    EXPECT_NEAR(json::parse(fromFile.out).at("operating_point").at("threshold").get<double>(), -std::log(3.0), 1e-15);
}

TEST_F(RocCommand, TheSummaryOrAnOutputOnStandardOutput)
{
    const CommandResult text = runCommand(kBounds + " roc" + kEqual);
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(text.out.rfind("Class 1: ", 0), 0u) << text.out;
    EXPECT_NE(text.out.find("AUC"), std::string::npos);
    const CommandResult json = runCommand(kBounds + " roc --json" + kEqual);
    char auc[32];
    std::snprintf(auc, sizeof auc, " %.6g", json::parse(json.out).at("auc").get<double>());
    EXPECT_NE(text.out.find(auc), std::string::npos) << auc << " in\n" << text.out;
    // Costs other than the 0-1 loss are named.
    EXPECT_NE(runCommand(kBounds + " roc --costs 0,2,1,0").out.find("Costs"), std::string::npos);
    EXPECT_EQ(text.out.find("Costs"), std::string::npos);

    // The CSV on standard output takes the summary's place.
    const CommandResult csv = runCommand(kBounds + " roc --csv -" + kEqual);
    ASSERT_EQ(csv.status, 0) << csv.err;
    EXPECT_EQ(csv.out.rfind("threshold,false_alarm,hit,log10_false_alarm,log10_miss\ninf,0,0,-inf,0\n", 0), 0u);
}

TEST_F(RocCommand, DrawsTheRocAndTheZRoc)
{
    for (const char* z : {"", " --z"}) {
        const std::string png = path(std::string("roc") + (*z ? "-z" : "") + ".png");
        const CommandResult r = runCommand(kBounds + " roc --plot " + png + z + kEqual);
        ASSERT_EQ(r.status, 0) << z << r.err;
        const std::string bytes = readFile(png);
        ASSERT_GT(bytes.size(), 1000u) << z;
        EXPECT_EQ(bytes.substr(1, 3), "PNG") << z;
        EXPECT_NE(r.out.find("AUC"), std::string::npos);
    }
    const CommandResult svg = runCommand(kBounds + " roc --plot " + path("roc.svg"));
    ASSERT_EQ(svg.status, 0) << svg.err;
    EXPECT_NE(readFile(path("roc.svg")).find("<svg"), std::string::npos);
}

TEST_F(RocCommand, EveryRefusalIsOneLineWithStatusTwoAndNothingWritten)
{
    const std::string cases[] = {
        // The spacing: out of range, not a number, not finite.
        "--spacing 0", "--spacing 5e-5", "--spacing 0.51", "--spacing=-0.1", "--spacing x", "--spacing nan",
        "--spacing inf", "--spacing 0.01,0.02",
        // The costs: count, sign, finiteness, and a wrong decision not dearer than the right one.
        "--costs 0,1,1", "--costs 0,1,1,0,0", "--costs=-1,1,1,0", "--costs 0,1,1,-0.5", "--costs 0,1,inf,0",
        "--costs 0,1,nan,0", "--costs 1,1,1,0", "--costs 2,1,1,0", "--costs 0,1,1,1", "--costs 0,1,0.5,1",
        "--costs '0;1;1;0'",
        // The zROC without a figure, the classes, the figure's size and name.
        "--z", "--mu1 0,0,0", "--sigma1 1,0.5,0.4,1", "--priors 0.5,0.6", "--size 10x10",
        "--plot p.txt", "--plot ''",
        // Outputs that collide: one file twice, standard output beside --json.
        "--plot rows.csv", "--json --plot -", "--frobnicate", "extra",
        // Rules: missing, unnamed, of another dimension, malformed, not symmetric.
        "--rule /nonexistent/rule.json", "--rule ''",
        "--rule " + input("three.json", R"({"linear": [1, 2, 3], "constant": 0})"),
        "--rule " + input("broken.json", R"({"linear": [1, 2], )"),
        "--rule " + input("skew.json", R"({"quadratic": [[1, 2], [0, 1]], "linear": [1, 2], "constant": 0})"),
    };
    for (const std::string& c : cases) {
        const CommandResult r = runCommand("cd " + dir.string() + " && " + kBounds + " roc " + c + " --csv rows.csv");
        EXPECT_EQ(r.status, 2) << c;
        EXPECT_EQ(r.out, "") << c;
        EXPECT_EQ(r.err.rfind("bounds: ", 0), 0u) << c << ": " << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << c << ": " << r.err;
        EXPECT_TRUE(fs::is_empty(dir)) << c;
    }
    // Each names its option.
    for (const char* option : {"--spacing", "--costs"}) {
        const CommandResult r = runCommand(kBounds + " roc " + option + " 7");
        EXPECT_NE(r.err.find(option), std::string::npos) << r.err;
    }
    // The bounds of the spacing are accepted.
    for (const char* spacing : {"1e-4", "0.5"})
        EXPECT_EQ(runCommand(kBounds + " roc --spacing " + spacing + " --mu1 0 --mu2 1 --sigma1 1 --sigma2 1").status,
                  0)
            << spacing;
}

TEST_F(RocCommand, HelpExplainsTheCurveAndEveryOption)
{
    const CommandResult r = runCommand(kBounds + " roc --help");
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* word : {"--csv", "--json", "--plot", "--z", "--spacing", "--costs", "--rule", "--model", "false-alarm",
                             "operating point", "AUC"})
        EXPECT_NE(r.out.find(word), std::string::npos) << word;
}
