// Tests of the Formats library's model files, reports and text: what the
// reports write reads back as the same model, every refusal names its key
// and reason, the summary and the plot table are held to stored values and
// to Bound's own table. In the formats_test program.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <gaussbound/Analysis.h>
#include <gaussbound/Bound.h>
#include <gaussbound/ModelFile.h>
#include <gaussbound/Report.h>
#include <gaussbound/RuleFigures.h>
#include <gaussbound/Text.h>

namespace {

using gaussbound::Model;
using gaussbound::Discriminant;
using gaussbound::ModelFileError;

Model model(const Eigen::VectorXd& mu1, const Eigen::VectorXd& mu2, const Eigen::MatrixXd& sigma1,
            const Eigen::MatrixXd& sigma2, double prior1 = 0.5, double prior2 = 0.5)
{
    return Model{mu1, mu2, sigma1, sigma2, prior1, prior2};
}

// The program's default example.
Model example()
{
    return model(Eigen::Vector2d(0, 0), Eigen::Vector2d(1, 0), Eigen::Matrix2d::Identity(),
                 2 * Eigen::Matrix2d::Identity());
}

Model model3()
{
    return model(Eigen::Vector3d(0, 0, 1), Eigen::Vector3d(1, 0, -1),
                 (Eigen::Matrix3d() << 2, 0.3, 0, 0.3, 1, 0, 0, 0, 1).finished(),
                 Eigen::Vector3d(1, 1, 4).asDiagonal().toDenseMatrix(), 0.3, 0.7);
}

gaussbound::Figures figuresOf(const Model& m)
{
    const std::unique_ptr<double[][2]> table(new double[kTableRows][2]);
    return gaussbound::analyse(m, table.get());
}

// The same model to the bit.
void expectSame(const Model& a, const Model& b)
{
    ASSERT_EQ(a.mu1.size(), b.mu1.size());
    ASSERT_EQ(a.sigma1.rows(), b.sigma1.rows());
    EXPECT_TRUE(a.mu1 == b.mu1 && a.mu2 == b.mu2);
    EXPECT_TRUE(a.sigma1 == b.sigma1 && a.sigma2 == b.sigma2);
    EXPECT_EQ(a.prior1, b.prior1);
    EXPECT_EQ(a.prior2, b.prior2);
}

gaussbound::ModelCase caseFromText(const std::string& text)
{
    return gaussbound::modelFromJson(gaussbound::parseModelText(text));
}

Model fromText(const std::string& text)
{
    return caseFromText(text).model;
}

// Every figure of m, as `bounds --json` prints them.
std::string fullJson(const Model& m, const gaussbound::Figures& f)
{
    return gaussbound::jsonReport(m, f, gaussbound::analyseRules(m, f));
}

// What reading text refuses it with, or "accepted".
std::string refusal(const std::string& text)
{
    try {
        fromText(text);
        return "accepted";
    } catch (const ModelFileError& e) {
        return e.what();
    }
}

// A file holding text, removed with the object.
struct TempFile {
    const std::string path = testing::TempDir() + "model_formats_test.json";
    explicit TempFile(const std::string& text) { std::ofstream(path) << text; }
    ~TempFile() { std::remove(path.c_str()); }
};

const std::string kModel = R"("mu1": [0, 0], "mu2": [1, 0], "sigma1": [1, 0, 0, 1], "sigma2": [2, 0, 0, 2])";

}  // namespace

// ---------------------------------------------------------------------------
// Model files

TEST(ModelFile, EveryReportReadsBackAsItsModelAndRowsAndDefaultPriorsAreRead)
{
    const Model m2 = model(Eigen::Vector2d(0, 0.5), Eigen::Vector2d(1, 2),
                           (Eigen::Matrix2d() << 2, 0.6, 0.6, 1).finished(),
                           (Eigen::Matrix2d() << 1, -0.3, -0.3, 0.5).finished(), 0.4, 0.6);
    for (const Model& m : {m2, model3(), model(Eigen::VectorXd::Constant(1, 0.1), Eigen::VectorXd::Constant(1, 1.0 / 3),
                                               Eigen::MatrixXd::Constant(1, 1, 2.5e-7),
                                               Eigen::MatrixXd::Constant(1, 1, 1e5), 0.7, 0.3)}) {
        const gaussbound::Figures f = figuresOf(m);
        expectSame(fromText(gaussbound::modelObject(m).dump()), m);
        expectSame(fromText(fullJson(m, f)), m);
        // What fit, draw and batch add to the report is passed over.
        nlohmann::ordered_json added = gaussbound::reportObject(m, f);
        for (const char* key : {"samples", "empirical", "bootstrap", "id", "line"})
            added[key] = {{"n", 3}, {"a", {1, nullptr}}};
        expectSame(fromText(added.dump(2)), m);
        const TempFile file(fullJson(m, f));
        expectSame(gaussbound::readModelFile(file.path).model, m);
    }

    expectSame(fromText(R"({"mu1": [0, 0, 1], "mu2": [1, 0, -1],
        "sigma1": [[2, 0.3, 0], [0.3, 1, 0], [0, 0, 1]], "sigma2": [1, 0, 0, 0, 1, 0, 0, 0, 4],
        "priors": [0.3, 0.7]})"),
               model3());
    const Model noPriors = fromText(R"({"mu1": [0], "mu2": [1], "sigma1": [1], "sigma2": [2]})");
    EXPECT_TRUE(noPriors.prior1 == 0.5 && noPriors.prior2 == 0.5);
}

TEST(ModelFile, RefusesEachFaultByKeyAndReason)
{
    const struct {
        std::string text, expected;
    } cases[] = {
        {"{" + kModel + R"(, "prior": [0.5, 0.5]})", "prior: unknown key (expected mu1, mu2, sigma1, sigma2, priors, costs, rule)"},
        {R"({"mu1": [0, 0], "mu2": [1, 0], "sigma1": [1, 0, 0, 1]})", "sigma2: missing"},
        {R"({"mu1": [0, "x"], "mu2": [1, 0], "sigma1": [1, 0, 0, 1], "sigma2": [1, 0, 0, 1]})",
         "mu1: expected an array of numbers, found string"},
        {R"({"mu1": [0, 0], "mu2": [1, 0], "sigma1": [[1, 0], [0]], "sigma2": [1, 0, 0, 1]})",
         "sigma1: expected rows of 2 numbers, got one of 1"},
        {R"({"mu1": [0, 0], "mu2": [1, 0], "sigma1": [[1, 0], [0, 1], [0, 0]], "sigma2": [1, 0, 0, 1]})",
         "sigma1: expected 2 rows, got 3"},
        {R"({"mu1": [0, 0], "mu2": [1, 0], "sigma1": [1, 0, 0, 1], "sigma2": [1, 0, 0]})",
         "sigma2: expected 4 numbers (d*d, row-major), got 3"},
        {"{" + kModel + R"(, "priors": [0.2, 0.3, 0.5]})", "priors: expected 2 numbers, got 3"},
        {"{" + kModel + R"(, "priors": [0.5, 0.5], "priors": [0.1, 0.9]})", "priors: given twice"},
        {R"([1, 2])", "expected a JSON object with the keys mu1, mu2, sigma1, sigma2"},
        {"{\"mu1\": [0, 0],\n \"mu2\": [1, 0,],\n}", "line 2, column 15: not valid JSON ("},
        {"", "column 1: not valid JSON ("},
        // Numbers beyond the doubles, even under a key passed over, named by
        // the keys down to them; and nesting deeper than any model needs.
        {"{" + kModel + ", \"chernoff\": 1e999}", "chernoff: '1e999' holds a number out of range"},
        {"{" + kModel + ", \"chernoff\": {\"optimum\": {\"beta\": -1e-400}}}",
         "chernoff.optimum.beta: '-1e-400' holds a number out of range"},
        {R"({"mu1": [0, 1e-400], "mu2": [1, 0], "sigma1": [1, 0, 0, 1], "sigma2": [2, 0, 0, 2]})",
         "mu1: '1e-400' holds a number out of range"},
        {std::string(100000, '[') + std::string(100000, ']'), "nested more than 256 levels deep"},
        // Costs and a rule, checked against the model.
        {"{" + kModel + R"(, "costs": [0, 1, 1]})", "costs: expected 4 numbers L11, L12, L21, L22 (or [[L11, L12], [L21, L22]]), got 3"},
        {"{" + kModel + R"(, "costs": [[0, 1], [1]]})", "costs: expected rows of 2 numbers, got one of 1"},
        {"{" + kModel + R"(, "costs": [0, 1, -1, -2]})", "costs: every loss must be a finite number >= 0"},
        {"{" + kModel + R"(, "costs": [[1, 1], [1, 0]]})",
         "costs: a wrong decision must cost more than a right one (L11 < L12 and L22 < L21)"},
        {"{" + kModel + R"(, "rule": [1, 0]})", "rule: expected an object with the keys quadratic, linear, constant"},
        {"{" + kModel + R"(, "rule": {"linear": [1, 0], "constant": 0, "offset": 1}})",
         "rule.offset: unknown key (expected quadratic, linear, constant)"},
        {"{" + kModel + R"(, "rule": {"linear": [1, 0, 0], "constant": 0}})",
         "rule.linear: expected 2 numbers (the model's dimension), got 3"},
        {"{" + kModel + R"(, "rule": {"linear": [1, 0]}})", "rule.constant: missing"},
        {"{" + kModel + R"(, "rule": {"linear": [1, 0], "constant": "0"}})", "rule.constant: expected a number"},
        {"{" + kModel + R"(, "rule": {"quadratic": [1, 2, 0, 1], "linear": [1, 0], "constant": 0}})",
         "rule.quadratic: not symmetric"},
        {"{" + kModel + R"(, "rule": {"quadratic": [[1]], "linear": [1, 0], "constant": 0}})",
         "rule.quadratic: expected 2 rows, got 1"},
        {"{" + kModel + ", \"divergences\": " + std::string(256, '[') + std::string(256, ']') + "}",
         "nested more than 256 levels deep"},
    };
    for (const auto& c : cases) {
        const std::string got = refusal(c.text);
        if (c.expected.back() == '(')  // a syntax error: nlohmann's words follow
            EXPECT_EQ(got.rfind(c.expected, 0), 0u) << c.text << "\n" << got;
        else
            EXPECT_EQ(got, c.expected) << c.text.substr(0, 200);
        EXPECT_EQ(got.find('\n'), std::string::npos) << got;
    }
    // 255 levels under the object are read, and the least double is a number.
    EXPECT_EQ(refusal("{" + kModel + ", \"divergences\": " + std::string(255, '[') + std::string(255, ']') + "}"),
              "accepted");
    EXPECT_EQ(fromText(R"({"mu1": [0, 5e-324], "mu2": [1, 0], "sigma1": [1, 0, 0, 1], "sigma2": [2, 0, 0, 2]})").mu1[1],
              std::numeric_limits<double>::denorm_min());
    try {
        gaussbound::readModelFile("/nonexistent/model.json");
        ADD_FAILURE() << "read a missing file";
    } catch (const ModelFileError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("cannot read: ", 0), 0u) << e.what();
    }
}

TEST(ModelFile, ReadsCostsAndRulesInEveryFormAndWhatJsonPrintsReadsBackToThem)
{
    const gaussbound::ModelCase flat = caseFromText("{" + kModel + R"(, "costs": [0.5, 2, 3, 0],
        "rule": {"quadratic": [1, 0.5, 0.5, -2], "linear": [1, -1], "constant": 0.25}})");
    ASSERT_TRUE(flat.costs && flat.rule);
    EXPECT_TRUE(flat.costs->l11 == 0.5 && flat.costs->l12 == 2 && flat.costs->l21 == 3 && flat.costs->l22 == 0);
    EXPECT_EQ(flat.rule->quadratic, (Eigen::Matrix2d() << 1, 0.5, 0.5, -2).finished());
    EXPECT_EQ(flat.rule->linear, Eigen::Vector2d(1, -1));
    EXPECT_EQ(flat.rule->constant, 0.25);
    const gaussbound::ModelCase rows = caseFromText("{" + kModel + R"(, "costs": [[0.5, 2], [3, 0]],
        "rule": {"quadratic": [[1, 0.5], [0.5, -2]], "linear": [1, -1], "constant": 0.25}})");
    EXPECT_TRUE(rows.costs->l12 == 2 && rows.costs->l21 == 3);
    EXPECT_EQ(rows.rule->quadratic, flat.rule->quadratic);
    // A rule without a quadratic part, or with null, is linear.
    for (const char* quadratic : {"", R"("quadratic": null, )"}) {
        const gaussbound::ModelCase linear =
            caseFromText("{" + kModel + ", \"rule\": {" + quadratic + R"("linear": [0, 2], "constant": -1}})");
        EXPECT_TRUE(linear.rule->quadratic.isZero(0.0) && linear.rule->quadratic.rows() == 2);
    }
    EXPECT_FALSE(caseFromText("{" + kModel + "}").costs || caseFromText("{" + kModel + "}").rule);

    // bounds --json with costs and a rule reads back to the same ones, bit
    // for bit, past every figure it adds.
    const Model m = example();
    const gaussbound::Costs costs{0.1, 1.0 / 3, 7.0, 1e-300};
    Discriminant rule;
    rule.quadratic = (Eigen::Matrix2d() << 0.1, 1.0 / 7, 1.0 / 7, -3).finished();
    rule.linear = Eigen::Vector2d(M_PI, -1e-5);
    rule.constant = -1.0 / 9;
    const gaussbound::Figures f = figuresOf(m);
    const std::string printed = gaussbound::jsonReport(m, f, gaussbound::analyseRules(m, f, costs, rule));
    const gaussbound::ModelCase back = caseFromText(printed);
    expectSame(back.model, m);
    EXPECT_TRUE(back.costs->l11 == costs.l11 && back.costs->l12 == costs.l12 && back.costs->l21 == costs.l21 &&
                back.costs->l22 == costs.l22);
    EXPECT_EQ(back.rule->quadratic, rule.quadratic);
    EXPECT_EQ(back.rule->linear, rule.linear);
    EXPECT_EQ(back.rule->constant, rule.constant);
    // So does the model file caseObject writes, and without the costs and
    // rule it holds the model's keys alone.
    const gaussbound::ModelCase written = caseFromText(gaussbound::caseObject({m, costs, rule}).dump());
    expectSame(written.model, m);
    EXPECT_TRUE(written.costs->l12 == costs.l12 && written.costs->l22 == costs.l22);
    EXPECT_TRUE(written.rule->quadratic == rule.quadratic && written.rule->linear == rule.linear &&
                written.rule->constant == rule.constant);
    EXPECT_EQ(gaussbound::caseObject({m, std::nullopt, std::nullopt}), gaussbound::modelObject(m));

    // A rule file holds the rule alone, and names its parts plainly.
    const TempFile file(R"({"linear": [1, 2, 3], "constant": 0})");
    EXPECT_EQ(gaussbound::readRuleFile(file.path, 3).linear, Eigen::Vector3d(1, 2, 3));
    try {
        gaussbound::readRuleFile(file.path, 2);
        ADD_FAILURE() << "read a rule of another dimension";
    } catch (const ModelFileError& e) {
        EXPECT_STREQ(e.what(), "linear: expected 2 numbers (the model's dimension), got 3");
    }
}

// ---------------------------------------------------------------------------
// Reports

TEST(Report, TextSummaryNamesEveryFigure)
{
    // The summary of the default example as the program has always printed
    // it, before the figures added since.
    const std::string before =
        "Class 1: mean (0, 0), covariance [1 0; 0 1], prior 0.5\n"
        "Class 2: mean (1, 0), covariance [2 0; 0 2], prior 0.5\n"
        "\n"
        "Chernoff bound\n"
        "  smallest factor e^-k(beta) over the table:  0.864737  at beta = 0.5741\n"
        "  bound on the Bayes error (with priors):      0.432368  at beta = 0.5741\n"
        "Bhattacharyya bound (beta = 0.5)\n"
        "  exponent k(1/2):                             0.142225\n"
        "  factor e^-k(1/2):                            0.867426\n"
        "  upper bound on the Bayes error:              0.433713\n"
        "  lower bound on the Bayes error:              0.251217\n"
        "Bayes error (numerical integration):           0.304367\n";
    const std::string text = gaussbound::textReport(example(), figuresOf(example()));
    EXPECT_EQ(text.substr(0, before.size()), before);
}

TEST(Report, AnInfiniteFigureIsInfinityInJsonAndInfInTextInEveryDimension)
{
    EXPECT_EQ(gaussbound::jsonValue(INFINITY), "Infinity");
    EXPECT_EQ(gaussbound::jsonValue(-INFINITY), "-Infinity");
    EXPECT_EQ(gaussbound::jsonValue(0.25), 0.25);
    // Classes 2e200 and 2e308 apart: k(1/2) is infinite, in the plane from
    // Bound too (where Bound's own arithmetic gives NaN, the figures are the
    // curve's limits, not nulls).
    const Eigen::Vector3d far(1e308, 1e308, 0);
    for (const Model& m : {model(Eigen::Vector2d(1e200, 0), Eigen::Vector2d(-1e200, 0), Eigen::Matrix2d::Identity(),
                                 2 * Eigen::Matrix2d::Identity()),
                           model(Eigen::Vector3d(1e200, 0, 0), Eigen::Vector3d(-1e200, 0, 0),
                                 Eigen::Matrix3d::Identity(), 2 * Eigen::Matrix3d::Identity()),
                           model(far.head(2), -far.head(2), Eigen::Matrix2d::Identity(), 2 * Eigen::Matrix2d::Identity()),
                           model(far, -far, Eigen::Matrix3d::Identity(), Eigen::Matrix3d::Identity())}) {
        SCOPED_TRACE(gaussbound::modelSummary(m));
        const gaussbound::Figures f = figuresOf(m);
        const nlohmann::json j = nlohmann::json::parse(fullJson(m, f));
        EXPECT_EQ(j.at("chernoff").at("optimum").at("exponent"), "Infinity");
        EXPECT_EQ(j.at("chernoff").at("optimum").at("error_bound"), 0.0);
        EXPECT_EQ(j.at("bhattacharyya").at("exponent"), "Infinity");
        EXPECT_EQ(j.at("divergences").at("kl12"), "Infinity");
        EXPECT_EQ(j.at("divergences").at("hellinger"), 1.0);
        EXPECT_EQ(j.at("chernoff").at("factor"), 0.0);
        EXPECT_EQ(j.at("bayes_error"), 0.0);
        EXPECT_EQ(j.at("bayes_error_detail").at("given_class1"), 0.0);
        const std::string text = gaussbound::textReport(m, f, gaussbound::analyseRules(m, f));
        EXPECT_NE(text.find("  exponent k(1/2):                             inf\n"), std::string::npos) << text;
        EXPECT_EQ(text.find(" nan\n"), std::string::npos) << text;
        // Only a figure that could not be computed is null, and says so in the text.
        EXPECT_EQ(j.dump().find("null") == std::string::npos, text.find("not computed") == std::string::npos)
            << text;
    }
}

TEST(Report, CsvReadsBackAsBoundsPlotTable)
{
    const double mu1[2][1] = {{0}, {0}}, mu2[2][1] = {{0.5}, {-1}};
    const double sigma1[2][2] = {{2, 0.5}, {0.5, 1}}, sigma2[2][2] = {{2, 0}, {0, 2}};
    static BoundTable table;
    static PlotTable plot;
    makeBound(table, mu1, mu2, sigma1, sigma2);
    double beta, value;
    findMinB(table, beta, value);
    makePlot(plot, table, beta, value, std::exp(-getBattacharayyaBound(mu1, mu2, sigma1, sigma2)));

    std::istringstream in(gaussbound::csvTable(plot));
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

// ---------------------------------------------------------------------------
// Text

TEST(Text, NumbersReadBackExactlyOrToSixDigitsAndClassesAsWritten)
{
    EXPECT_EQ(gaussbound::exact(0.1), "0.1");
    EXPECT_EQ(gaussbound::exact(-2.5), "-2.5");
    for (const double v : {1.0 / 3, 0.5741000175476074, 5e-324, 1.7976931348623157e308, -1e-300, 123456789.0})
        EXPECT_EQ(std::strtod(gaussbound::exact(v).c_str(), nullptr), v) << gaussbound::exact(v);

    EXPECT_EQ(gaussbound::sig6(0.5), "0.5");
    EXPECT_EQ(gaussbound::sig6(1e-5), "1e-05");
    EXPECT_EQ(gaussbound::sig6(0.864736573750916), "0.864737");
    EXPECT_EQ(gaussbound::sig6(1234567), "1.23457e+06");
    EXPECT_EQ(gaussbound::sig6(INFINITY), "inf");
    EXPECT_EQ(gaussbound::sig6(NAN), "nan");

    EXPECT_EQ(gaussbound::classSummary(Eigen::Vector2d(0, 0), Eigen::Matrix2d::Identity(), 0.5),
              "mean (0, 0), covariance [1 0; 0 1], prior 0.5");
    EXPECT_EQ(gaussbound::classSummary(Eigen::Vector2d(0.5, -1), (Eigen::Matrix2d() << 2, 0.25, 0.25, 1e-7).finished(),
                                       1.0 / 3),
              "mean (0.5, -1), covariance [2 0.25; 0.25 1e-07], prior 0.333333");
    EXPECT_THROW(gaussbound::classSummary(Eigen::Vector2d(0, 0), Eigen::Matrix3d::Identity(), 0.5),
                 std::invalid_argument);
    EXPECT_THROW(gaussbound::classSummary(Eigen::Vector2d(0, 0), Eigen::MatrixXd::Zero(2, 3), 0.5),
                 std::invalid_argument);

    EXPECT_EQ(gaussbound::line("Bayes error:", 0.25, " (exact)", 16), "Bayes error:    0.25 (exact)\n");
    EXPECT_EQ(gaussbound::line("a long label", INFINITY, "", 4), "a long label inf\n");
    EXPECT_EQ(gaussbound::line("x", NAN, "", 3), "x  not computed\n");
}
