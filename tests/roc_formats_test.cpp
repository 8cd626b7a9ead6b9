// Tests of the Formats library's ROC tables: the CSV and JSON read back to
// the very points they were written from, with the toolkit's infinities and
// the column that tells two curves apart; the summary's figures.
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <gaussbound/RocTable.h>
#include <gaussbound/Text.h>

#include "split.h"

namespace {

using gaussbound::RocCurve;
using gaussbound::RocPoint;
using nlohmann::json;

// N(0, 1) against N(d, 1): the likelihood ratio d x - d^2 / 2 exceeds t
// where x > t / d + d / 2. With a rule, x > 0.3, instead.
RocCurve curveOf(double d, double t, bool rule = false, double spacing = 0.05)
{
    gaussbound::Model m;
    m.mu1 = Eigen::VectorXd::Constant(1, 0.0);
    m.mu2 = Eigen::VectorXd::Constant(1, d);
    m.sigma1 = m.sigma2 = Eigen::MatrixXd::Identity(1, 1);
    const gaussbound::Discriminant g =
        rule ? gaussbound::Discriminant{Eigen::MatrixXd::Zero(1, 1), Eigen::VectorXd::Ones(1), -0.3}
             : gaussbound::logLikelihoodRatio(m);
    return gaussbound::rocCurve(m, g, t, spacing);
}

// A CSV cell, or a JSON figure ("Infinity" and "-Infinity" as strings).
double number(const std::string& cell)
{
    char* end = nullptr;
    const double v = std::strtod(cell.c_str(), &end);
    EXPECT_EQ(*end, '\0') << cell;
    return v;
}
double number(const json& j)
{
    return j.is_string() ? (j == "Infinity" ? INFINITY : j == "-Infinity" ? -INFINITY : NAN) : j.get<double>();
}

// The point's numbers in the order of the CSV's columns and the JSON's keys.
std::vector<double> numbers(const RocPoint& p)
{
    return {p.threshold, p.falseAlarm, p.hit, p.log10FalseAlarm, p.log10Miss};
}

const char* const kKeys[] = {"threshold", "false_alarm", "hit", "log10_false_alarm", "log10_miss"};

// A curve's JSON object read back, bit for bit.
void expectJsonCurve(const json& j, const RocCurve& c)
{
    EXPECT_EQ(j.size(), 4u);
    EXPECT_EQ(j.at("auc").get<double>(), c.auc.value);
    EXPECT_EQ(j.at("auc_abs_error").get<double>(), c.auc.absError);
    ASSERT_EQ(j.at("points").size(), c.points.size());
    for (size_t i = 0; i <= c.points.size(); ++i) {
        const json& p = i < c.points.size() ? j.at("points").at(i) : j.at("operating_point");
        const std::vector<double> expected = numbers(i < c.points.size() ? c.points[i] : c.operatingPoint);
        ASSERT_EQ(p.size(), 5u);
        for (size_t k = 0; k < 5; ++k)
            EXPECT_EQ(number(p.at(kKeys[k])), expected[k]) << kKeys[k] << " of point " << i;
    }
}

}  // namespace

TEST(RocTable, CsvReadsBackAsTheSamePointsAndARulesLinesAreNamed)
{
    const RocCurve lr = curveOf(1.2, 0.25), rule = curveOf(1.2, 0.0, true, 0.1);
    for (const RocCurve* second : {static_cast<const RocCurve*>(nullptr), &rule}) {
        const std::string csv = gaussbound::rocCsv(lr, second);
        EXPECT_EQ(csv.back(), '\n');
        const std::vector<std::string> lines = split(csv, '\n');
        ASSERT_EQ(lines.size(), 1 + lr.points.size() + (second ? rule.points.size() : 0));
        EXPECT_EQ(lines[0], std::string("threshold,false_alarm,hit,log10_false_alarm,log10_miss") +
                                (second ? ",curve" : ""));
        for (size_t i = 1; i < lines.size(); ++i) {
            const bool first = i <= lr.points.size();
            const std::vector<std::string> cells = split(lines[i], ',');
            ASSERT_EQ(cells.size(), second ? 6u : 5u) << lines[i];
            const RocPoint& point = first ? lr.points[i - 1] : rule.points[i - 1 - lr.points.size()];
            const std::vector<double> expected = numbers(point);
            for (size_t k = 0; k < 5; ++k)
                EXPECT_EQ(number(cells[k]), expected[k]) << kKeys[k] << " in " << lines[i];
            if (second) {
                EXPECT_EQ(cells[5], first ? "likelihood_ratio" : "rule") << i;
            }
        }
        // The ends, (0, 0) at t = +inf and (1, 1) at t = -inf, with their
        // infinities as every table of the toolkit writes them.
        EXPECT_EQ(lines[1], std::string("inf,0,0,-inf,0") + (second ? ",likelihood_ratio" : ""));
        EXPECT_EQ(lines.back(), std::string("-inf,1,1,0,-inf") + (second ? ",rule" : ""));
    }
}

TEST(RocTable, JsonHoldsEveryPointWithItsInfinitiesAndTheRulesCurveUnderItsKey)
{
    const RocCurve lr = curveOf(0.8, -0.5), rule = curveOf(0.8, 0.0, true);
    const std::string text = gaussbound::rocJson(lr);
    EXPECT_EQ(text.find('\n'), text.size() - 1);
    const json alone = json::parse(text);
    expectJsonCurve(alone, lr);
    EXPECT_EQ(alone.at("points").front().at("threshold"), "Infinity");
    EXPECT_EQ(alone.at("points").back().at("log10_miss"), "-Infinity");
    const json both = json::parse(gaussbound::rocJson(lr, &rule));
    EXPECT_EQ(both.size(), 5u);
    EXPECT_EQ(both.at("points"), alone.at("points"));
    expectJsonCurve(both.at("rule"), rule);
}

TEST(RocTable, TextGivesEachCurvesAucAndOperatingPointToSixDigits)
{
    const RocCurve lr = curveOf(1.5, std::log(0.25)), rule = curveOf(1.5, 0.0, true);
    const std::string text = gaussbound::rocText(lr, &rule), alone = gaussbound::rocText(lr);
    EXPECT_EQ(text.substr(0, alone.size()), alone);
    for (const RocCurve* c : {&lr, &rule}) {
        std::vector<double> figures = numbers(c->operatingPoint);
        figures.push_back(c->auc.value);
        figures.push_back(c->auc.absError);
        for (double v : figures)
            EXPECT_NE(text.find(" " + gaussbound::sig6(v)), std::string::npos) << v << " in\n" << text;
        EXPECT_NE(text.find(std::to_string(c->points.size()) + " points"), std::string::npos);
    }
}

TEST(RocTable, DoorsRefuseWhatTheyCannotRead)
{
    const RocCurve good = curveOf(1.0, 0.0);
    std::vector<RocCurve> bad(5, good);
    bad[0].points.clear();
    bad[1].points[3].falseAlarm = NAN;
    bad[2].points[3].hit = 1.5;
    bad[3].operatingPoint.log10Miss = 0.1;
    bad[4].auc.value = NAN;
    for (const RocCurve& c : bad) {
        EXPECT_THROW(gaussbound::rocCsv(c), std::invalid_argument);
        EXPECT_THROW(gaussbound::rocJson(good, &c), std::invalid_argument);
        EXPECT_THROW(gaussbound::rocText(c, &good), std::invalid_argument);
    }
    EXPECT_THROW(curveOf(1.0, NAN), std::invalid_argument);
}

// Classes about 1e200 apart: the likelihood ratio's coefficients overflow,
// and the curves are nothing, not a throw; nearer ones, a curve from corner
// to corner.
TEST(RocTable, CurvesOfClassesBeyondTheDoublesAreNothing)
{
    gaussbound::ModelCase c;
    c.model.mu1 = Eigen::Vector2d(-1e200, 0);
    c.model.mu2 = Eigen::Vector2d(1e200, 0);
    c.model.sigma1 = c.model.sigma2 = Eigen::Matrix2d::Identity();
    EXPECT_FALSE(gaussbound::rocCurves(c, 0.005));
    c.model.mu1 = Eigen::Vector2d(-1, 0);
    c.model.mu2 = Eigen::Vector2d(1, 0);
    const auto near = gaussbound::rocCurves(c, 0.005);
    ASSERT_TRUE(near);
    EXPECT_EQ(near->likelihoodRatio.points.front().falseAlarm, 0.0);
    EXPECT_EQ(near->likelihoodRatio.points.back().hit, 1.0);
}
