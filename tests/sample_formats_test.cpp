// Sample files: every documented form read, every malformed line refused by
// its number. The reports of fitted and drawn samples: their keys and lines
// around the plain report, error counts against Newcombe's published Wilson
// intervals, and drawn files that read back as the same doubles.
#include <cmath>
#include <iterator>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <gaussbound/Report.h>
#include <gaussbound/SampleFile.h>
#include <gaussbound/SampleReport.h>

#include "figures.h"
#include "random_models.h"

namespace {

using gaussbound::Points;
using nlohmann::ordered_json;

gaussbound::BootstrapSettings settingsOf40()
{
    gaussbound::BootstrapSettings s;
    s.replicates = 40;
    s.seed = 9;
    return s;
}

// A fit of the stream model whose plug-in rule gets 81 of 263 points wrong
// (60 of 200 and 21 of 63) and 1 left out, and a bootstrap of which one
// interval counted no replicate.
gaussbound::SampleFit handMadeFit()
{
    gaussbound::SampleFit fit;
    fit.settings = settingsOf40();
    fit.model = streamModel();
    Table table;
    fit.figures = gaussbound::analyse(fit.model, table.get());
    fit.samples.class1 = Points::Zero(200, 2);
    fit.samples.class2 = Points::Zero(63, 2);
    for (Eigen::Index i = 0; i < 60; ++i)
        fit.samples.wrong1.push_back(i);
    for (Eigen::Index i = 0; i < 21; ++i)
        fit.samples.wrong2.push_back(i);
    fit.leaveOneOut = 1;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    fit.bootstrap = gaussbound::BootstrapResult{{0.125, 0.25}, {nan, nan}, {0.375, 0.5}, 2};
    return fit;
}

// The object's keys in order.
std::vector<std::string> keys(const ordered_json& j)
{
    std::vector<std::string> k;
    for (const auto& item : j.items())
        k.push_back(item.key());
    return k;
}

}  // namespace

TEST(SampleFile, ReadsEveryDocumentedForm)
{
    Points expected(4, 2);
    expected << 1.5, 2, -0.25, 3, 4, -1e-3, 0, 0;
    for (const std::string text :
         {"1.5,2\n-0.25,3\n4,-1e-3\n0,0\n", "\xEF\xBB\xBF" "1.5,2\n-0.25,3\n4,-1e-3\n0,0",
          "# a comment\n(1.5,2)\n\n  -0.25 3\n4\t-1e-3\r\n  # another\n+0 , 0   \n"})
        EXPECT_EQ(gaussbound::parseSamples(text, "f", {}), expected) << text;
    EXPECT_EQ(gaussbound::parseSamples("1 2 3\n", "f", {3, "the first file"}).cols(), 3);
}

TEST(SampleFile, RefusesEveryMalformedLineByItsNumber)
{
    const struct {
        std::string text, expected;  // after "f"
    } cases[] = {
        {"1,2\nabc,3\n", ":2: expected a number, got 'abc'"},
        {"1,2\n1,,2\n", ":2: expected a number, got nothing"},
        {"1,2\n1,2,\n", ":2: expected a number, got nothing"},
        {"1,2\n1,2,3\n", ":2: has 3 numbers where line 1 has 2"},
        {"# c\n\n1,2\n3\n", ":4: has 1 number where line 3 has 2"},
        {"1,2\n(1,2\n", ":2: '(' without its closing ')'"},
        {"(1,2)abc\n", ":1: expected the end of the line after ')', got 'abc'"},
        {"1,2\nnan,1\n", ":2: 'nan' is not finite"},
        {"1,2\n1e999,1\n", ":2: '1e999' is out of range"},
        {"1,2\n1;2\n", ":2: expected a comma, space or tab after a number, got ';2'"},
        {std::string("1,2\n3\0x,4\n", 10), ":2: expected a comma, space or tab after a number, got '\\0x'"},
        {"", ": holds no points"},
        {"# only a comment\n\n", ": holds no points"},
        {"# 3-D\n1,2,3\n", ":2: has 3 numbers where the points of a.csv have 2"},  // the second file
    };
    for (const auto& c : cases) {
        const bool second = &c == &cases[std::size(cases) - 1];
        try {
            gaussbound::parseSamples(c.text, "f", second ? gaussbound::ExpectedDimension{2, "the points of a.csv"}
                                                         : gaussbound::ExpectedDimension{});
            ADD_FAILURE() << "accepted " << c.text;
        } catch (const gaussbound::SampleFileError& e) {
            EXPECT_EQ(e.what(), "f" + c.expected);
        }
    }
}

TEST(SampleReport, FitJsonIsThePlainReportFollowedByTheSampleFigures)
{
    const gaussbound::SampleFit fit = handMadeFit();
    const ordered_json j = ordered_json::parse(gaussbound::fitJson(fit));
    const ordered_json plain = gaussbound::reportObject(fit.model, fit.figures);
    std::vector<std::string> expected = keys(plain);
    expected.insert(expected.end(), {"samples", "empirical", "bootstrap", "plug_in_rule"});
    EXPECT_EQ(keys(j), expected);
    for (const auto& item : plain.items())
        EXPECT_EQ(j.at(item.key()), item.value()) << item.key();
    EXPECT_EQ(j.at("samples"), ordered_json::parse(R"({"n1":200,"n2":63})"));

    const ordered_json& resubstitution = j.at("empirical").at("resubstitution");
    EXPECT_EQ(resubstitution.at("errors"), 81);
    EXPECT_EQ(resubstitution.at("rate").get<double>(), 81.0 / 263);
    EXPECT_NEAR(resubstitution.at("interval")[0].get<double>(), 0.2553, 5e-5);  // Newcombe (1998), Table I
    EXPECT_NEAR(resubstitution.at("interval")[1].get<double>(), 0.3662, 5e-5);
    EXPECT_EQ(j.at("empirical").at("leave_one_out").at("errors"), 1);
    EXPECT_EQ(j.at("empirical").at("leave_one_out").at("rate").get<double>(), 1.0 / 263);

    EXPECT_EQ(j.at("bootstrap"), ordered_json::parse(R"({"replicates":40,"seed":9,"bayes_error":[0.125,0.25],
        "chernoff_error_bound":[null,null],"bhattacharyya_error_bound":[0.375,0.5],"failed":2})"));
}

TEST(SampleReport, FitJsonLeavesOutWhatWasNotComputed)
{
    gaussbound::SampleFit fit = handMadeFit();
    fit.leaveOneOut.reset();
    fit.bootstrap.reset();
    const ordered_json j = ordered_json::parse(gaussbound::fitJson(fit));
    EXPECT_TRUE(j.at("empirical").at("leave_one_out").is_null());
    EXPECT_FALSE(j.contains("bootstrap"));
}

TEST(SampleReport, FitTextSaysHowTheClassesWereEstimatedAndWhatWasCounted)
{
    gaussbound::SampleFit fit = handMadeFit();
    std::string text = gaussbound::fitText(fit, "a.csv", "standard input");
    EXPECT_EQ(text.rfind("Samples: 200 points of class 1 from a.csv, 63 of class 2 from standard input\n"
                         "Estimated classes (sample means, unbiased covariances, priors from the counts):\n" +
                             gaussbound::textReport(fit.model, fit.figures),
                         0),
              0u)
        << text;
    for (const char* part : {"(81 of 263 points; 95 % Wilson interval 0.255", " to 0.366",
                             "(1 of 263 points;", "(40 resamplings, seed 9, 2 left out as singular)\n",
                             "  Bayes error:", "0.125 to 0.25\n", "  Chernoff bound (optimum with priors):",
                             "  Bhattacharyya bound:", "0.375 to 0.5\n"})
        EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;

    fit.settings.estimate.ridge = 0.5;
    fit.settings.estimate.priors = std::pair{0.25, 0.75};
    fit.leaveOneOut.reset();
    fit.bootstrap.reset();
    text = gaussbound::fitText(fit, "a", "b");
    EXPECT_NE(text.find("covariances plus the ridge, priors as given"), std::string::npos) << text;
    EXPECT_NE(text.find("leave-one-out:                               not computed"), std::string::npos) << text;
    EXPECT_EQ(text.find("Bootstrap"), std::string::npos) << text;
}

TEST(SampleReport, DrawReportsCountTheTrueRulesErrors)
{
    const gaussbound::Model m = streamModel();
    Table table;
    const gaussbound::Figures figures = gaussbound::analyse(m, table.get());
    gaussbound::Classified drawn;
    drawn.class1 = Points::Zero(1, 2);
    drawn.class2 = Points::Zero(28, 2);
    drawn.wrong2 = {3};
    const std::string text = gaussbound::drawText(m, figures, drawn, 5);
    EXPECT_EQ(text.rfind(gaussbound::textReport(m, figures) + "Samples: 1 point of class 1, 28 of class 2, seed 5\n" +
                             "Empirical error of the true Bayes rule on the samples\n  error rate:",
                         0),
              0u)
        << text;
    EXPECT_NE(text.find("(1 of 29 points; 95 % Wilson interval 0.0061"), std::string::npos) << text;

    const ordered_json j = ordered_json::parse(gaussbound::drawJson(m, figures, drawn, 5));
    EXPECT_EQ(j.at("samples"), ordered_json::parse(R"({"n1":1,"n2":28,"seed":5})"));
    EXPECT_EQ(j.at("empirical").at("true_rule").at("errors"), 1);
    EXPECT_NEAR(j.at("empirical").at("true_rule").at("interval")[1].get<double>(), 0.1718, 5e-5);
    EXPECT_EQ(j.at("bayes_error"), gaussbound::reportObject(m, figures).at("bayes_error"));
}

TEST(SampleReport, DrawnSampleFilesReadBackAsTheSameDoubles)
{
    std::mt19937_64 rng(31);
    gaussbound::Model m = randomModel(rng, 3);
    Points points(50, 3);
    std::uniform_real_distribution<double> mantissa(-1, 1);
    std::uniform_int_distribution<int> exponent(-300, 300);
    for (Eigen::Index k = 0; k < points.size(); ++k)
        points.data()[k] = std::ldexp(mantissa(rng), exponent(rng));
    points(0, 0) = std::numeric_limits<double>::denorm_min();
    points(0, 1) = -std::numeric_limits<double>::max();
    const std::string file = gaussbound::drawnSampleFile(m, 2, points, 42);
    EXPECT_EQ(file.rfind("# bounds draw, seed 42: class 2, 50 points of ", 0), 0u);
    EXPECT_EQ(gaussbound::parseSamples(file, "f", {}), points);
}

TEST(SampleReport, RefusesWhatItCannotRead)
{
    const gaussbound::SampleFit fit = handMadeFit();
    gaussbound::SampleFit empty = fit;
    empty.samples.class2 = Points(0, 2);
    EXPECT_THROW(gaussbound::fitText(empty, "a", "b"), std::invalid_argument);
    EXPECT_THROW(gaussbound::fitJson(empty), std::invalid_argument);
    EXPECT_THROW(gaussbound::drawText(fit.model, fit.figures, empty.samples, 1), std::invalid_argument);
    EXPECT_THROW(gaussbound::drawJson(fit.model, fit.figures, empty.samples, 1), std::invalid_argument);
    EXPECT_THROW(gaussbound::drawnSampleFile(fit.model, 3, fit.samples.class1, 1), std::invalid_argument);
    EXPECT_THROW(gaussbound::drawnSampleFile(fit.model, 1, Points::Zero(2, 3), 1), std::invalid_argument);
}
