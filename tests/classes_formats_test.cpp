// Tests of C classes as a model file holds them and as the reports print
// them: defaults, every refusal naming its class and key, the two-class
// readers taking a file of two classes as today's model, the report reading
// back bit for bit; and the Bayes rule of C classes point by point against
// the two-class rule, which is computed another way. In the formats_test
// program.
#include <cmath>
#include <random>
#include <string>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <gaussbound/Classes.h>
#include <gaussbound/ClassesReport.h>
#include <gaussbound/Classifier.h>
#include <gaussbound/ModelFile.h>
#include <gaussbound/Rule.h>

namespace {

using gaussbound::ClassesCase;
using gaussbound::ModelFileError;

const char* const kThree = R"({"classes": [
    {"name": "water", "mean": [0, 0], "covariance": [[1, 0.2], [0.2, 0.5]], "prior": 0.5},
    {"name": "forest", "mean": [2, 1], "covariance": [1, 0, 0, 2], "prior": 0.3},
    {"name": "urban", "mean": [-1, 2.5], "covariance": [[0.7, 0], [0, 0.7]], "prior": 0.2}]})";

ClassesCase readClasses(const std::string& text)
{
    return gaussbound::classesFromJson(gaussbound::parseModelText(text));
}

// The message ModelFileError gives for text, or "" when it reads.
std::string refusal(const std::string& text)
{
    try {
        gaussbound::caseFromJson(gaussbound::parseModelText(text));
    } catch (const ModelFileError& e) {
        return e.what();
    }
    return "";
}

// kThree with its text edited: `from` replaced by `to`.
std::string edited(const std::string& from, const std::string& to)
{
    std::string text = kThree;
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return text.replace(at, from.size(), to);
}

TEST(ClassesFile, ReadsClassesWithTheirNamesPriorsAndEitherMatrixForm)
{
    const ClassesCase c = readClasses(kThree);
    ASSERT_EQ(c.model.size(), 3u);
    EXPECT_EQ(c.model.dimension(), 2);
    EXPECT_EQ(c.model.classes[1].name, "forest");
    EXPECT_EQ(c.model.classes[1].covariance, (Eigen::Matrix2d() << 1, 0, 0, 2).finished());
    EXPECT_EQ(c.model.classes[0].covariance(1, 0), 0.2);
    EXPECT_EQ(c.model.classes[2].prior, 0.2);
    EXPECT_FALSE(c.losses);
}

TEST(ClassesFile, NamesAndPriorsDefaultToNumbersAndEqualShares)
{
    const ClassesCase c = readClasses(R"({"classes": [{"mean": [0], "covariance": [1]},
        {"mean": [1], "covariance": [2]}, {"name": "x", "mean": [3], "covariance": [[1]]}]})");
    EXPECT_EQ(c.model.classes[0].name, "1");
    EXPECT_EQ(c.model.classes[1].name, "2");
    EXPECT_EQ(c.model.classes[2].name, "x");
    for (const auto& k : c.model.classes)
        EXPECT_EQ(k.prior, 1.0 / 3.0);
}

TEST(ClassesFile, RefusalsNameTheClassAndTheKey)
{
    const std::pair<std::string, std::string> cases[] = {
        {R"({"classes": [{"mean": [0], "covariance": [1]}]})", "classes: expected 2 to 64 classes, got 1"},
        {edited(R"("name": "forest")", R"("name": "water")"),
         R"(class 2 ("water"): name: the name "water" is taken by another class)"},
        {edited(R"("mean": [2, 1], )", ""), R"(class 2 ("forest"): mean: missing)"},
        {edited(R"("covariance": [1, 0, 0, 2], )", ""), R"(class 2 ("forest"): covariance: missing)"},
        {edited("[2, 1]", "[2, 1, 0]"),
         R"(class 2 ("forest"): mean: expected 2 numbers (the dimension of class 1's mean), got 3)"},
        {edited("[1, 0, 0, 2]", "[1, 3, 0, 2]"),
         R"(class 2 ("forest"): covariance: the covariance matrix is not symmetric)"},
        {edited(R"("prior": 0.2)", R"("prior": 0.25)"), "classes: the priors must sum to 1"},
        {edited(R"(, "prior": 0.2)", ""), "classes: give a prior for every class or for none (2 of 3 have one)"},
        {edited(R"("prior": 0.3)", R"("prior": 1.3)"),
         R"(class 2 ("forest"): prior: each prior must lie strictly between 0 and 1)"},
        {edited(R"("name": "urban", )", R"("nmae": "urban", )"),
         "class 3: nmae: unknown key (expected name, mean, covariance, prior)"},
        {edited(R"("name": "urban")", R"("name": 3)"), "class 3: name: expected a string"},
        {edited(R"("name": "urban")", R"("name": "")"), "class 3: name: a name must not be empty"},
        {std::string(kThree).insert(1, R"("mu1": [0], )"), "mu1: unknown key (expected classes, costs)"},
        {std::string(kThree).insert(1, R"("costs": [[0, 1], [1, 0]], )"),
         "costs: expected 3 rows, got 2"},
        {std::string(kThree).insert(1, R"("costs": [[0, 1, 1], [1, 1, 1], [1, 1, 0]], )"),
         "costs: a wrong decision must cost more than the right one (L22 >= L21)"},
        {std::string(kThree).insert(1, R"("costs": [[0, 1, 1], [1, 0, -1], [1, 1, 0]], )"),
         "costs: every loss must be a finite number >= 0"},
    };
    for (const auto& [text, message] : cases)
        EXPECT_EQ(refusal(text), message) << text;
    std::string many = R"({"classes": [)";
    for (int i = 0; i < 65; ++i)
        many += std::string(i ? "," : "") + R"({"mean": [0], "covariance": [1]})";
    EXPECT_EQ(refusal(many + "]}"), "classes: expected 2 to 64 classes, got 65");
}

TEST(ClassesFile, TwoClassReadersTakeTwoClassesAsTodaysModelAndRefuseMore)
{
    const std::string two = R"({"classes": [{"mean": [0, 1], "covariance": [[1, 0.5], [0.5, 2]], "prior": 0.25},
        {"mean": [3, 4], "covariance": [2, 0, 0, 1], "prior": 0.75}], "costs": [[0, 2], [3, 0.5]]})";
    const gaussbound::ModelCase c = gaussbound::modelFromJson(gaussbound::parseModelText(two));
    const gaussbound::ModelCase today = gaussbound::modelFromJson(gaussbound::parseModelText(
        R"({"mu1": [0, 1], "mu2": [3, 4], "sigma1": [1, 0.5, 0.5, 2], "sigma2": [2, 0, 0, 1],
            "priors": [0.25, 0.75], "costs": [0, 2, 3, 0.5]})"));
    EXPECT_TRUE(c.model.mu1 == today.model.mu1 && c.model.mu2 == today.model.mu2);
    EXPECT_TRUE(c.model.sigma1 == today.model.sigma1 && c.model.sigma2 == today.model.sigma2);
    EXPECT_EQ(c.model.prior1, today.model.prior1);
    ASSERT_TRUE(c.costs && today.costs);
    EXPECT_EQ(c.costs->l21, today.costs->l21);
    EXPECT_EQ(c.costs->l22, today.costs->l22);
    try {
        gaussbound::modelFromJson(gaussbound::parseModelText(kThree));
        FAIL() << "three classes read as two";
    } catch (const ModelFileError& e) {
        EXPECT_STREQ(e.what(), "classes: this reads two classes; the document holds 3");
    }
}

// Figures of the right shape for c, made up: the report's model keys must
// read back whatever the figures are.
gaussbound::ClassesFigures madeUpFigures(const gaussbound::ClassesModel& model)
{
    const auto n = static_cast<Eigen::Index>(model.size());
    gaussbound::ClassesFigures f{{gaussbound::ConfusionMethod::AdaptiveAngle, Eigen::MatrixXd::Identity(n, n),
                                  Eigen::MatrixXd::Constant(n, n, 1e-11), 0.1, 1e-12, -1.0},
                                 {}, 0.05, 0.2, 0.3};
    for (size_t i = 0; i < model.size(); ++i)
        for (size_t j = i + 1; j < model.size(); ++j)
            f.pairs.push_back({i, j, {}, 0.01, 1e-15, 0.02});
    return f;
}

TEST(ClassesReport, ReadsBackToTheSameClassesAndCostsBitForBit)
{
    ClassesCase c = readClasses(kThree);
    c.model.classes[0].mean(0) = 0.1 + 0.2;  // digits a short printing would lose
    c.model.classes[1].covariance(0, 0) = 1.0 / 3.0;
    c.losses = (Eigen::Matrix3d() << 0, 1.0 / 7.0, 2, 1, 0, 1, 3, 1, 0.5).finished();
    const nlohmann::ordered_json object = gaussbound::classesObject(c, madeUpFigures(c.model));
    const ClassesCase back = readClasses(object.dump());
    ASSERT_EQ(back.model.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        const auto &a = c.model.classes[i], &b = back.model.classes[i];
        EXPECT_EQ(a.name, b.name);
        EXPECT_TRUE(a.mean == b.mean && a.covariance == b.covariance);
        EXPECT_EQ(a.prior, b.prior);
    }
    ASSERT_TRUE(back.losses);
    EXPECT_TRUE(*back.losses == *c.losses);
    // The deterministic method's error key, and the risk in place of the error with costs.
    EXPECT_TRUE(object.contains("confusion_abs_error") && object.contains("bayes_risk"));
    EXPECT_FALSE(object.contains("bayes_error"));
    EXPECT_EQ(object["pairs"][2]["i"], 2);
    EXPECT_EQ(object["pairs"][2]["j"], 3);
}

TEST(ClassesReport, TheRandomisedMethodReportsStandardErrors)
{
    const ClassesCase c = readClasses(kThree);
    gaussbound::ClassesFigures f = madeUpFigures(c.model);
    f.confusion.method = gaussbound::ConfusionMethod::QuasiMonteCarlo;
    const nlohmann::ordered_json object = gaussbound::classesObject(c, f);
    EXPECT_TRUE(object.contains("confusion_standard_error"));
    EXPECT_FALSE(object.contains("confusion_abs_error"));
    EXPECT_TRUE(object["bayes_error"].contains("standard_error"));
    EXPECT_NE(gaussbound::classesText(c, f).find("its standard error:"), std::string::npos);
    f.pairs.pop_back();
    EXPECT_THROW(gaussbound::classesObject(c, f), std::invalid_argument);
}

TEST(ClassesReport, TheSummaryShowsTheMatrixUnderTheNames)
{
    const std::string text =
        gaussbound::confusionLines("M", {"a", "bb"}, (Eigen::Matrix2d() << 0.9, 0.1, 0.25, 0.75).finished());
    EXPECT_EQ(text, "M\n"
                    "               a            bb\n"
                    "  a            0.9          0.1\n"
                    "  bb           0.25         0.75\n");
    EXPECT_THROW(gaussbound::confusionLines("M", {"a"}, Eigen::Matrix2d::Identity()), std::invalid_argument);
}

// A random model of C classes in d dimensions.
gaussbound::ClassesModel randomClasses(size_t c, Eigen::Index d, std::mt19937_64& rng)
{
    std::normal_distribution<double> normal;
    gaussbound::ClassesModel m;
    double sum = 0.0;
    for (size_t i = 0; i < c; ++i) {
        const Eigen::MatrixXd a = Eigen::MatrixXd::NullaryExpr(d, d, [&] { return normal(rng); });
        m.classes.push_back({std::to_string(i + 1), Eigen::VectorXd::NullaryExpr(d, [&] { return normal(rng); }),
                             a * a.transpose() + 0.2 * Eigen::MatrixXd::Identity(d, d), 1.0 + std::fabs(normal(rng))});
        sum += m.classes.back().prior;
    }
    for (auto& k : m.classes)
        k.prior /= sum;
    return m;
}

TEST(ClassesRule, TwoClassesDecideAsTheTwoClassRulesDoWithAndWithoutCosts)
{
    std::mt19937_64 rng(7);
    std::normal_distribution<double> normal;
    for (int trial = 0; trial < 20; ++trial) {
        gaussbound::ClassesModel m = randomClasses(2, 3, rng);
        m.classes[1].prior = 1.0 - m.classes[0].prior;
        const gaussbound::Model two = gaussbound::pairModel(m, 0, 1);
        const gaussbound::QuadraticRule plain(two);
        const gaussbound::Costs costs{0.5, 2.0, 3.0, 0.25};
        const gaussbound::Discriminant withCosts = gaussbound::bayesRule(two, costs);
        const gaussbound::ClassesRule rule(m), costly(m, (Eigen::Matrix2d() << 0.5, 2.0, 3.0, 0.25).finished());
        for (int k = 0; k < 200; ++k) {
            const Eigen::VectorXd x = Eigen::VectorXd::NullaryExpr(3, [&] { return 3.0 * normal(rng); });
            const double g = plain.discriminant(x);
            if (std::fabs(g) > 1e-9) {
                EXPECT_EQ(rule.decide(x), g >= 0 ? 0u : 1u);
            }
            const double h = x.dot(withCosts.quadratic * x) + withCosts.linear.dot(x) + withCosts.constant;
            if (std::fabs(h) > 1e-9) {
                EXPECT_EQ(costly.decide(x), h > 0 ? 1u : 0u);
            }
        }
    }
}

TEST(ClassesRule, LogScoresAreTheLogarithmsOfPriorTimesDensity)
{
    // One dimension: ln(P phi((x - m) / s) / s) by hand.
    const gaussbound::ClassesModel m{{{"a", Eigen::VectorXd::Constant(1, 1.0), Eigen::MatrixXd::Constant(1, 1, 4.0), 0.25},
                                      {"b", Eigen::VectorXd::Constant(1, -2.0), Eigen::MatrixXd::Constant(1, 1, 1.0), 0.75}}};
    const Eigen::VectorXd s = gaussbound::ClassesRule(m).logScores(Eigen::VectorXd::Constant(1, 0.5));
    const double pi = std::acos(-1.0);
    EXPECT_NEAR(s(0), std::log(0.25 * std::exp(-0.5 * 0.25 * 0.25) / (2.0 * std::sqrt(2.0 * pi))), 1e-14);
    EXPECT_NEAR(s(1), std::log(0.75 * std::exp(-0.5 * 2.5 * 2.5) / std::sqrt(2.0 * pi)), 1e-14);
    EXPECT_THROW(gaussbound::ClassesRule(m).logScores(Eigen::Vector2d(0, 0)), std::invalid_argument);
    EXPECT_THROW(gaussbound::ClassesRule(m, Eigen::MatrixXd::Ones(2, 2)), std::invalid_argument);
    EXPECT_THROW(gaussbound::pairModel(m, 1, 1), std::invalid_argument);
}

}  // namespace
