// Tests of the Formats library's sweep tables, each held to an independent
// reading of what it writes: the plain report object of the same model, the
// JSON read back, a closed form, a hand-written table.
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <gaussbound/Analysis.h>
#include <gaussbound/Report.h>
#include <gaussbound/Sweep.h>
#include <gaussbound/SweepTable.h>

namespace {

using gaussbound::Figures;
using gaussbound::Model;
using nlohmann::json;
using nlohmann::ordered_json;

Model model2(const Eigen::Vector2d& mu2, const Eigen::Matrix2d& sigma2)
{
    Model m;
    m.mu1 = Eigen::Vector2d(0, 0);
    m.mu2 = mu2;
    m.sigma1 = Eigen::Matrix2d::Identity();
    m.sigma2 = sigma2;
    return m;
}

Model model3()
{
    Model m;
    m.mu1 = Eigen::Vector3d(0, 0, 1);
    m.mu2 = Eigen::Vector3d(1, 2, -1);
    m.sigma1 = (Eigen::Matrix3d() << 2, 0.3, 0, 0.3, 1, 0, 0, 0, 1).finished();
    m.sigma2 = Eigen::Vector3d(1, 1, 4).asDiagonal();
    m.prior1 = 0.3;
    m.prior2 = 0.7;
    return m;
}

std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, separator);)
        parts.push_back(part);
    return parts;
}

// The keys of an object, in their order.
std::vector<std::string> keys(const ordered_json& object)
{
    std::vector<std::string> out;
    for (const auto& item : object.items())
        out.push_back(item.key());
    return out;
}

}  // namespace

// ---------------------------------------------------------------------------
// Sweep tables

TEST(SweepTable, EveryJsonRowHoldsThePlainReportOfTheModelAtItsT)
{
    struct Case {
        Model model;
        const char* name;
        std::vector<double> values;
    };
    const Case cases[] = {
        {model2({1.5, 0.5}, (Eigen::Matrix2d() << 2, 0.3, 0.3, 1).finished()), "separation",
         gaussbound::sweepValues(0, 3, 31, false)},
        {model3(), "scale1", {0.5, 1, 2, 4}},
    };
    for (const Case& c : cases) {
        const auto parameter = gaussbound::sweepParameter(c.name);
        std::vector<Figures> rows = gaussbound::sweepFigures(c.model, *parameter, c.values, 1);
        // A figure that could not be computed and an infinite one keep the
        // report's spelling, null and "Infinity".
        rows[1].bhattacharyya.upperBound = NAN;
        rows[2].bayes.value = INFINITY;
        const std::string text = gaussbound::sweepJson(c.model, c.name, *parameter, c.values, rows);
        EXPECT_EQ(text.find('\n'), text.size() - 1);
        const ordered_json j = ordered_json::parse(text);
        EXPECT_EQ(keys(j), (std::vector<std::string>{"vary", "rows"}));
        EXPECT_EQ(j["vary"], c.name);
        ASSERT_EQ(j["rows"].size(), c.values.size());
        for (size_t i = 0; i < c.values.size(); ++i) {
            const ordered_json plain =
                gaussbound::reportObject(gaussbound::modelAt(c.model, *parameter, c.values[i]), rows[i]);
            const ordered_json expected = {{"t", c.values[i]},
                                           {"chernoff_beta", plain["chernoff"]["optimum"]["beta"]},
                                           {"chernoff_error_bound", plain["chernoff"]["optimum"]["error_bound"]},
                                           {"bhattacharyya_error_bound", plain["bhattacharyya"]["error_bound"]},
                                           {"bhattacharyya_lower_bound", plain["bhattacharyya"]["lower_bound"]},
                                           {"bayes_error", plain["bayes_error"]},
                                           {"given_class1", plain["bayes_error_detail"]["given_class1"]},
                                           {"given_class2", plain["bayes_error_detail"]["given_class2"]}};
            EXPECT_EQ(j["rows"][i], expected) << c.name << " at " << c.values[i];
        }
        EXPECT_TRUE(j["rows"][1]["bhattacharyya_error_bound"].is_null());
        EXPECT_EQ(j["rows"][2]["bayes_error"], "Infinity");
    }
}

TEST(SweepTable, CsvNamesTheJsonKeysInOrderAndReadsBackAsTheSameDoubles)
{
    // Equal unit covariances with |mu2 - mu1| = 2: the Bayes error at t is
    // Phi(-t), and the bounds hold it between them, all falling as t grows.
    const Model m = model2({1.2, 1.6}, Eigen::Matrix2d::Identity());
    const auto separation = gaussbound::sweepParameter("separation");
    const std::vector<double> t = gaussbound::sweepValues(0, 4, 41, false);
    const std::vector<Figures> rows = gaussbound::sweepFigures(m, *separation, t, 1);
    const std::string csv = gaussbound::sweepCsv(t, rows);
    EXPECT_EQ(csv.back(), '\n');
    const std::vector<std::string> lines = split(csv, '\n');
    ASSERT_EQ(lines.size(), 42u);
    EXPECT_EQ(lines[0], "t,chernoff_beta,chernoff_error_bound,bhattacharyya_error_bound,"
                        "bhattacharyya_lower_bound,bayes_error,given_class1,given_class2");
    const ordered_json j = ordered_json::parse(gaussbound::sweepJson(m, "separation", *separation, t, rows));
    const std::vector<std::string> header = split(lines[0], ',');
    EXPECT_EQ(header, keys(j["rows"][0]));
    std::vector<double> previous;
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::vector<std::string> cells = split(lines[i], ',');
        ASSERT_EQ(cells.size(), header.size()) << lines[i];
        std::vector<double> v;
        for (size_t k = 0; k < cells.size(); ++k) {
            char* end = nullptr;
            v.push_back(std::strtod(cells[k].c_str(), &end));
            EXPECT_EQ(*end, '\0') << cells[k];
            EXPECT_EQ(v[k], j["rows"][i - 1][header[k]].get<double>()) << header[k] << " in " << lines[i];
        }
        EXPECT_NEAR(v[5], 0.5 * std::erfc(v[0] / std::sqrt(2.0)), 1e-12 + 1e-9 * v[5]) << lines[i];
        EXPECT_LE(v[4], v[5]);
        EXPECT_LE(v[5], v[2]);
        EXPECT_LE(v[2], v[3] * (1 + 1e-12));
        for (int k : {2, 3, 4, 5})
            if (!previous.empty()) {
                EXPECT_LT(v[k], previous[k]) << "column " << k << " at " << lines[i];
            }
        previous = v;
    }
}

TEST(SweepTable, TextIsATitleAHeaderAndColumnsOfSixDigits)
{
    Figures f{};
    f.optimum.beta = 0.5;
    f.optimum.errorBound = 0.123456789;
    f.bhattacharyya.upperBound = 1e-5;
    f.bhattacharyya.lowerBound = -1.23456789e-300;  // 13 characters: led by one space
    f.bayes.value = INFINITY;
    f.bayes.givenClass1 = NAN;
    f.bayes.givenClass2 = 100;
    EXPECT_EQ(gaussbound::sweepText("rho1", {2.5, -0.001}, {f, Figures{}}),
              "Sweep of rho1 over 2 values of t\n"
              "            t        beta*     Chernoff Bhatt. upper Bhatt. lower  Bayes error           e1           e2\n"
              "          2.5          0.5     0.123457        1e-05 -1.23457e-300          inf          nan          100\n"
              "       -0.001            0            0            0            0            0            0            0\n");
}

TEST(SweepTable, DoorsRefuseWhatTheyCannotRead)
{
    const Model m = model2({1, 0}, Eigen::Matrix2d::Identity());
    const auto separation = gaussbound::sweepParameter("separation");
    const std::vector<double> t{0.5, 1};
    const std::vector<Figures> rows = gaussbound::sweepFigures(m, *separation, t, 1);
    const std::vector<double> three{0.5, 1, 2};
    EXPECT_THROW(gaussbound::sweepJson(m, "separation", *separation, three, rows), std::invalid_argument);
    EXPECT_THROW(gaussbound::sweepCsv(three, rows), std::invalid_argument);
    EXPECT_THROW(gaussbound::sweepText("separation", three, rows), std::invalid_argument);
    EXPECT_THROW(gaussbound::sweepJson(m, "", *separation, t, rows), std::invalid_argument);
    EXPECT_THROW(gaussbound::sweepText("", t, rows), std::invalid_argument);
    // A coordinate beyond the dimension, and figures of another dimension.
    EXPECT_THROW(gaussbound::sweepJson(m, "mu1.3", *gaussbound::sweepParameter("mu1.3"), t, rows),
                 std::invalid_argument);
    EXPECT_THROW(gaussbound::sweepJson(model3(), "separation", *separation, t, rows), std::invalid_argument);

    // No values: the headers alone.
    EXPECT_EQ(gaussbound::sweepJson(m, "separation", *separation, {}, {}), "{\"vary\":\"separation\",\"rows\":[]}\n");
    EXPECT_EQ(split(gaussbound::sweepCsv({}, {}), '\n').size(), 1u);
    EXPECT_EQ(split(gaussbound::sweepText("separation", {}, {}), '\n').size(), 2u);
}
