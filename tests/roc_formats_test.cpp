// Tests of the Formats library's ROC tables: the CSV and JSON read back to
// the very points they were written from, infinities as the toolkit writes
// them, the column that tells two curves apart, the summary's figures, and
// the operating point against the closed form of one-dimensional classes of
// equal variance.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <gaussbound/RocTable.h>
#include <gaussbound/Rule.h>
#include <gaussbound/Text.h>

namespace {

using gaussbound::RocCurve;
using gaussbound::RocPoint;
using nlohmann::json;

// N(0, 1) against N(d, 1), equal priors: the likelihood ratio is
// g(x) = d x - d^2 / 2, so g > t where x > t / d + d / 2.
gaussbound::Model line(double d)
{
    gaussbound::Model m;
    m.mu1 = Eigen::VectorXd::Constant(1, 0.0);
    m.mu2 = Eigen::VectorXd::Constant(1, d);
    m.sigma1 = m.sigma2 = Eigen::MatrixXd::Identity(1, 1);
    return m;
}

double upperNormalTail(double x)
{
    return 0.5 * std::erfc(x / std::sqrt(2.0));
}

// The likelihood ratio's curve of line(d), operating at t.
RocCurve likelihoodCurve(double d, double t, double spacing = 0.05)
{
    return gaussbound::rocCurve(line(d), gaussbound::logLikelihoodRatio(line(d)), t, spacing);
}

// The rule x > 0.3 on line(d): g(x) = x - 0.3.
RocCurve ruleCurve(double d, double spacing = 0.05)
{
    gaussbound::Discriminant g{Eigen::MatrixXd::Zero(1, 1), Eigen::VectorXd::Constant(1, 1.0), -0.3};
    return gaussbound::rocCurve(line(d), g, 0.0, spacing);
}

std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> pieces;
    std::istringstream in(text);
    for (std::string piece; std::getline(in, piece, separator);)
        pieces.push_back(piece);
    return pieces;
}

// A CSV cell read as the double it stands for; the whole cell must be read.
double cell(const std::string& text)
{
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    EXPECT_EQ(*end, '\0') << text;
    return v;
}

// A JSON figure: a number, or the strings of the infinities.
double figure(const json& j)
{
    if (j.is_string()) {
        EXPECT_TRUE(j == "Infinity" || j == "-Infinity") << j;
        return j == "Infinity" ? INFINITY : -INFINITY;
    }
    return j.get<double>();
}

// The point of a JSON object, every key read.
RocPoint jsonPoint(const json& j)
{
    EXPECT_EQ(j.size(), 5u) << j;
    return {figure(j.at("threshold")), figure(j.at("false_alarm")), figure(j.at("hit")),
            figure(j.at("log10_false_alarm")), figure(j.at("log10_miss"))};
}

void expectSamePoint(const RocPoint& a, const RocPoint& b, const std::string& where)
{
    EXPECT_EQ(a.threshold, b.threshold) << where;
    EXPECT_EQ(a.falseAlarm, b.falseAlarm) << where;
    EXPECT_EQ(a.hit, b.hit) << where;
    EXPECT_EQ(a.log10FalseAlarm, b.log10FalseAlarm) << where;
    EXPECT_EQ(a.log10Miss, b.log10Miss) << where;
}

// Reads a curve's JSON object back and holds it to the curve, bit for bit.
void expectJsonCurve(const json& j, const RocCurve& c)
{
    EXPECT_EQ(j.at("auc").get<double>(), c.auc.value);
    EXPECT_EQ(j.at("auc_abs_error").get<double>(), c.auc.absError);
    ASSERT_EQ(j.at("points").size(), c.points.size());
    for (size_t i = 0; i < c.points.size(); ++i)
        expectSamePoint(jsonPoint(j.at("points").at(i)), c.points[i], "point " + std::to_string(i));
    expectSamePoint(jsonPoint(j.at("operating_point")), c.operatingPoint, "operating point");
}

}  // namespace

TEST(RocTable, TheOperatingPointIsTheClosedFormsAtTheThresholdGiven)
{
    // F(t) = P(x > t/d + d/2 | N(0, 1)), H(t) = P(x > t/d + d/2 | N(d, 1)).
    const double d = 1.7;
    for (double t : {-2.0, 0.0, 0.4, 3.0}) {
        const RocPoint p = likelihoodCurve(d, t).operatingPoint;
        EXPECT_EQ(p.threshold, t);
        EXPECT_NEAR(p.falseAlarm, upperNormalTail(t / d + d / 2), 1e-13) << t;
        EXPECT_NEAR(p.hit, upperNormalTail(t / d - d / 2), 1e-13) << t;
        EXPECT_NEAR(std::pow(10.0, p.log10FalseAlarm), p.falseAlarm, 1e-13) << t;
        EXPECT_NEAR(std::pow(10.0, p.log10Miss), 1 - p.hit, 1e-13) << t;
    }
}

TEST(RocTable, CsvReadsBackAsTheSamePointsWithInfinitiesAsTheToolkitWritesThem)
{
    const RocCurve c = likelihoodCurve(1.2, 0.25);
    const std::string csv = gaussbound::rocCsv(c);
    EXPECT_EQ(csv.back(), '\n');
    const std::vector<std::string> lines = split(csv, '\n');
    ASSERT_EQ(lines.size(), c.points.size() + 1);
    EXPECT_EQ(lines[0], "threshold,false_alarm,hit,log10_false_alarm,log10_miss");
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::vector<std::string> cells = split(lines[i], ',');
        ASSERT_EQ(cells.size(), 5u) << lines[i];
        expectSamePoint({cell(cells[0]), cell(cells[1]), cell(cells[2]), cell(cells[3]), cell(cells[4])},
                        c.points[i - 1], lines[i]);
    }
    // The ends: (0, 0) at t = +inf, (1, 1) at t = -inf, each with a
    // logarithm of 0.
    EXPECT_EQ(lines[1], "inf,0,0,-inf,0");
    EXPECT_EQ(lines.back(), "-inf,1,1,0,-inf");
}

TEST(RocTable, ARulesCurveFollowsWithASixthColumnNamingEachLinesCurve)
{
    const RocCurve lr = likelihoodCurve(1.2, 0.0), rule = ruleCurve(1.2, 0.1);
    const std::vector<std::string> lines = split(gaussbound::rocCsv(lr, &rule), '\n');
    ASSERT_EQ(lines.size(), 1 + lr.points.size() + rule.points.size());
    EXPECT_EQ(lines[0], "threshold,false_alarm,hit,log10_false_alarm,log10_miss,curve");
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::vector<std::string> cells = split(lines[i], ',');
        ASSERT_EQ(cells.size(), 6u) << lines[i];
        const bool first = i <= lr.points.size();
        EXPECT_EQ(cells[5], first ? "likelihood_ratio" : "rule") << i;
        const RocPoint& p = first ? lr.points[i - 1] : rule.points[i - 1 - lr.points.size()];
        expectSamePoint({cell(cells[0]), cell(cells[1]), cell(cells[2]), cell(cells[3]), cell(cells[4])}, p,
                        lines[i]);
    }
    // Without the rule there is no such column.
    EXPECT_EQ(split(gaussbound::rocCsv(lr), '\n')[1].find("likelihood_ratio"), std::string::npos);
}

TEST(RocTable, JsonHoldsEveryPointAndTheRulesCurveUnderItsOwnKey)
{
    const RocCurve lr = likelihoodCurve(0.8, -0.5), rule = ruleCurve(0.8);
    const std::string text = gaussbound::rocJson(lr);
    EXPECT_EQ(text.back(), '\n');
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1);
    const json alone = json::parse(text);
    EXPECT_EQ(alone.size(), 4u);
    EXPECT_FALSE(alone.contains("rule"));
    expectJsonCurve(alone, lr);
    // The ends' infinities are the strings jsonValue writes.
    EXPECT_EQ(alone.at("points").front().at("threshold"), "Infinity");
    EXPECT_EQ(alone.at("points").front().at("log10_false_alarm"), "-Infinity");
    EXPECT_EQ(alone.at("points").back().at("threshold"), "-Infinity");
    EXPECT_EQ(alone.at("points").back().at("log10_miss"), "-Infinity");

    const json both = json::parse(gaussbound::rocJson(lr, &rule));
    EXPECT_EQ(both.size(), 5u);
    expectJsonCurve(both, lr);
    EXPECT_EQ(both.at("rule").size(), 4u);
    expectJsonCurve(both.at("rule"), rule);
}

TEST(RocTable, TextGivesTheAucAndTheOperatingPointToSixDigits)
{
    const RocCurve lr = likelihoodCurve(1.5, std::log(0.25)), rule = ruleCurve(1.5);
    const std::string text = gaussbound::rocText(lr, &rule);
    for (const RocCurve* c : {&lr, &rule}) {
        const RocPoint& p = c->operatingPoint;
        for (double v : {c->auc.value, c->auc.absError, p.threshold, p.falseAlarm, p.hit, p.log10FalseAlarm,
                         p.log10Miss})
            EXPECT_NE(text.find(" " + gaussbound::sig6(v)), std::string::npos) << v << " in\n" << text;
        EXPECT_NE(text.find(std::to_string(c->points.size()) + " points"), std::string::npos) << text;
    }
    // The rule's part follows the likelihood ratio's, and is there only with a rule.
    const std::string alone = gaussbound::rocText(lr);
    EXPECT_EQ(text.substr(0, alone.size()), alone);
    EXPECT_GT(text.size(), alone.size() + 100);
    EXPECT_EQ(alone.find("rule g(x) ="), std::string::npos);
}

TEST(RocTable, DoorsRefuseWhatTheyCannotRead)
{
    const RocCurve good = likelihoodCurve(1.0, 0.0);
    std::vector<RocCurve> bad(6, good);
    bad[0].points.clear();
    bad[1].points[3].falseAlarm = NAN;
    bad[2].points[3].hit = 1.5;
    bad[3].operatingPoint.log10Miss = 0.1;
    bad[4].auc.value = NAN;
    bad[5].points[2].threshold = NAN;
    for (size_t i = 0; i < bad.size(); ++i) {
        EXPECT_FALSE(gaussbound::validRocCurve(bad[i])) << i;
        EXPECT_THROW(gaussbound::rocCsv(bad[i]), std::invalid_argument) << i;
        EXPECT_THROW(gaussbound::rocJson(good, &bad[i]), std::invalid_argument) << i;
        EXPECT_THROW(gaussbound::rocText(bad[i], &good), std::invalid_argument) << i;
    }
    EXPECT_TRUE(gaussbound::validRocCurve(good));
    EXPECT_THROW(likelihoodCurve(1.0, NAN), std::invalid_argument);
    EXPECT_THROW(likelihoodCurve(1.0, 0.0, 0.0), std::invalid_argument);
    gaussbound::Discriminant wrongSize{Eigen::MatrixXd::Zero(2, 2), Eigen::VectorXd::Ones(2), 0.0};
    EXPECT_THROW(gaussbound::rocCurve(line(1.0), wrongSize, 0.0, 0.1), std::invalid_argument);
}
