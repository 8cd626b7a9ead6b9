// Tests of the Formats library's sweep tables, batch answers and line reader,
// each held to an independent reading of what it writes: the plain report
// object of the same model, the JSON read back, a closed form, hand-written
// tables and inputs. The sample files and the reports of fitted and drawn
// samples are tested in sample_formats_test.cpp, in the same program.
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <gaussbound/Analysis.h>
#include <gaussbound/BatchLine.h>
#include <gaussbound/ClassesReport.h>
#include <gaussbound/Bound.h>
#include <gaussbound/Input.h>
#include <gaussbound/Report.h>
#include <gaussbound/Sweep.h>
#include <gaussbound/SweepTable.h>

#include "split.h"

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

// A table of kTableRows rows for analyse.
std::unique_ptr<double[][2]> table()
{
    return std::unique_ptr<double[][2]>(new double[kTableRows][2]);
}

gaussbound::BatchAnswer answer(size_t number, const std::string& text)
{
    return gaussbound::batchAnswer(number, {text, false}, table().get());
}

// The keys of a batch answer or row, in their order.
std::vector<std::string> keys(const ordered_json& object)
{
    std::vector<std::string> out;
    for (const auto& item : object.items())
        out.push_back(item.key());
    return out;
}

const std::string kGood = R"("mu1":[0,0],"mu2":[1,0],"sigma1":[1,0,0,1],"sigma2":[2,0,0,2])";

// A file holding text, open for reading at its start; closed with the object.
class InputFile {
public:
    explicit InputFile(const std::string& text) : file_(std::tmpfile())
    {
        std::fwrite(text.data(), 1, text.size(), file_);
        std::fflush(file_);
        lseek(fd(), 0, SEEK_SET);
    }
    ~InputFile() { std::fclose(file_); }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    int fd() const { return fileno(file_); }

private:
    std::FILE* file_;
};

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
        EXPECT_EQ(j.at("vary"), c.name);
        ASSERT_EQ(j.at("rows").size(), c.values.size());
        for (size_t i = 0; i < c.values.size(); ++i) {
            const ordered_json plain =
                gaussbound::reportObject(gaussbound::modelAt(c.model, *parameter, c.values[i]), rows[i]);
            const ordered_json expected = {{"t", c.values[i]},
                                           {"chernoff_beta", plain.at("chernoff").at("optimum").at("beta")},
                                           {"chernoff_error_bound", plain.at("chernoff").at("optimum").at("error_bound")},
                                           {"bhattacharyya_error_bound", plain.at("bhattacharyya").at("error_bound")},
                                           {"bhattacharyya_lower_bound", plain.at("bhattacharyya").at("lower_bound")},
                                           {"bayes_error", plain.at("bayes_error")},
                                           {"given_class1", plain.at("bayes_error_detail").at("given_class1")},
                                           {"given_class2", plain.at("bayes_error_detail").at("given_class2")}};
            EXPECT_EQ(j.at("rows").at(i), expected) << c.name << " at " << c.values[i];
        }
        EXPECT_TRUE(j.at("rows").at(1).at("bhattacharyya_error_bound").is_null());
        EXPECT_EQ(j.at("rows").at(2).at("bayes_error"), "Infinity");
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
    EXPECT_EQ(header, keys(j.at("rows").at(0)));
    std::vector<double> previous;
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::vector<std::string> cells = split(lines[i], ',');
        ASSERT_EQ(cells.size(), header.size()) << lines[i];
        std::vector<double> v;
        for (size_t k = 0; k < cells.size(); ++k) {
            char* end = nullptr;
            v.push_back(std::strtod(cells[k].c_str(), &end));
            EXPECT_EQ(*end, '\0') << cells[k];
            EXPECT_EQ(v[k], j.at("rows").at(i - 1).at(header[k]).get<double>()) << header[k] << " in " << lines[i];
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

// ---------------------------------------------------------------------------
// Batch answers

TEST(BatchLine, AnAnswerIsThePlainReportLedByTheIdOrElseTheLineNumber)
{
    const Model m = model2({1, 0}, 2 * Eigen::Matrix2d::Identity());
    const gaussbound::Figures f = gaussbound::analyse(m, table().get());
    const std::string plain = gaussbound::jsonReport(m, f, gaussbound::analyseRules(m, f));
    const gaussbound::BatchAnswer withId = answer(1, "{\"id\":\"first\"," + kGood + "}");
    EXPECT_FALSE(withId.refused);
    EXPECT_EQ(withId.json, "{\"id\":\"first\"," + plain.substr(1));
    const gaussbound::BatchAnswer numbered = answer(2, "{" + kGood + "}");
    EXPECT_FALSE(numbered.refused);
    EXPECT_EQ(numbered.json, "{\"line\":2," + plain.substr(1));
    // An id after the model's keys still leads; equal unit variances 2 apart: Phi(-1).
    const json last = json::parse(answer(8, R"({"mu1":[0],"mu2":[2],"sigma1":[1],"sigma2":[1],"id":8})").json);
    EXPECT_EQ(last.at("id"), 8);
    EXPECT_NEAR(last.at("bayes_error").get<double>(), 0.5 * std::erfc(1 / std::sqrt(2.0)), 1e-14);
    // A line's costs and rule are the line's own.
    gaussbound::Discriminant rule;
    rule.quadratic = Eigen::MatrixXd::Zero(2, 2);
    rule.linear = Eigen::Vector2d(1, 0);
    rule.constant = -0.5;
    const std::string judged =
        gaussbound::jsonReport(m, f, gaussbound::analyseRules(m, f, gaussbound::Costs{0, 1, 4, 0}, rule));
    EXPECT_EQ(answer(3, "{" + kGood + R"(,"costs":[0,1,4,0],"rule":{"linear":[1,0],"constant":-0.5}})").json,
              "{\"line\":3," + judged.substr(1));
    EXPECT_EQ(answer(4, "{" + kGood + R"(,"costs":[0,1,1]})").json,
              R"({"line":4,"error":"costs: expected 4 numbers L11, L12, L21, L22 (or [[L11, L12], [L21, L22]]), got 3"})" "\n");
}

TEST(BatchLine, ALineOfClassesIsAnsweredWithTheirFiguresOrRefusedNamingTheClass)
{
    const std::string classes = R"("classes":[{"mean":[0,0],"covariance":[1,0,0,1]},)"
                                R"({"name":"b","mean":[2,0],"covariance":[1,0,0,2]},{"mean":[0,2],"covariance":[2,0,0,1]}])";
    const gaussbound::ClassesCase c = gaussbound::classesFromJson(json::parse("{" + classes + "}"));
    const gaussbound::ClassesFigures f = gaussbound::analyseClasses(c.model, {});
    EXPECT_EQ(answer(2, "{\"id\":\"c\"," + classes + "}").json,
              "{\"id\":\"c\"," + gaussbound::classesObject(c, f).dump().substr(1) + "\n");
    // A line's costs are its own (a line of one dimension: with costs each
    // line of a quadrature is costly).
    const std::string costly = R"("classes":[{"mean":[0],"covariance":[1]},{"mean":[2],"covariance":[2]},)"
                               R"({"mean":[-2],"covariance":[1]}],"costs":[[0,1,1],[4,0,1],[1,1,0]])";
    const gaussbound::ClassesCase withCosts = gaussbound::classesFromJson(json::parse("{" + costly + "}"));
    gaussbound::ConfusionSettings settings;
    settings.losses = withCosts.losses;
    EXPECT_EQ(answer(4, "{" + costly + "}").json,
              "{\"line\":4," + gaussbound::classesObject(withCosts, gaussbound::analyseClasses(withCosts.model, settings)).dump().substr(1) + "\n");
    const gaussbound::BatchAnswer bad = answer(3, R"({"classes":[{"mean":[0]},{"mean":[1],"covariance":[1]}]})");
    EXPECT_TRUE(bad.refused);
    EXPECT_EQ(bad.json, R"({"line":3,"error":"class 1: covariance: missing"})" "\n");
}

TEST(BatchLine, EveryIdComesBackExactlyAsTheLineWritesIt)
{
    // Numbers a double would round or respell, escapes, spaces inside a value.
    const std::vector<std::string> ids = {"123456789012345678901234567890", "1E2", "-0", "1.50",
                                          "\"\\u00e9\\\"x\"", "[1, {\"k\": 2.0e0}]", "{}", "null"};
    for (const std::string& id : ids)
        for (const bool refused : {false, true}) {
            const gaussbound::BatchAnswer a =
                answer(3, refused ? "{" + kGood + ", \"id\":" + id + ",\"priors\":[0.5,0.6]}"
                                  : "{\"id\" : " + id + " ," + kGood + "}");
            EXPECT_EQ(a.refused, refused) << id;
            EXPECT_EQ(a.json.rfind("{\"id\":" + id + ",", 0), 0u) << a.json.substr(0, 100);
            EXPECT_EQ(a.json.find('\n'), a.json.size() - 1);
            const json j = json::parse(a.json);
            EXPECT_EQ(j.at("id"), json::parse(id));
            EXPECT_EQ(j.contains("error"), refused) << a.json.substr(0, 100);
        }
}

TEST(BatchLine, ARefusalIsTheLineNumberAndWhyLedByAnyIdRead)
{
    const auto nested = [](size_t levels) { return std::string(levels, '[') + std::string(levels, ']'); };
    struct Case {
        std::string text;
        std::vector<std::string> keys;  // of the answer, in order
        std::string error;              // how the error starts
    };
    const Case cases[] = {
        {"{\"id\": 7, \"mu1\": [0,0", {"line", "error"}, "column 22: not valid JSON"},
        {"", {"line", "error"}, "column 1: not valid JSON"},
        {"{\"id\":[1,{\"k\":2}]," + kGood + ",\"priors\":[0.5,0.6]}", {"id", "line", "error"}, "priors: "},
        {"{\"id\":null," + kGood + ",\"prior\":[0.5,0.5]}", {"id", "line", "error"}, "prior"},
        {"{\"id\":" + nested(100000) + "," + kGood + "}", {"line", "error"}, "nested more than 256 levels deep"},
        {"{\"id\":" + nested(256) + "," + kGood + "}", {"line", "error"}, "nested more than 256 levels deep"},
        {"{\"id\":3," + kGood + ",\"chernoff\":1e999}", {"line", "error"},
         "chernoff: '1e999' holds a number out of range"},
        {R"({"id":5,"mu1":[0,-1e-400],"mu2":[1,0],"sigma1":[1,0,0,1],"sigma2":[2,0,0,2]})", {"line", "error"},
         "mu1: '-1e-400' holds a number out of range"},
        // 5e-324 is a double (a subnormal), not out of range: the priors are refused for their sum.
        {"{\"id\":4," + kGood + ",\"priors\":[0.5,5e-324]}", {"id", "line", "error"}, "priors: "},
        // The message quotes bytes that are not UTF-8: they are replaced, and the line stays JSON.
        {"{\"id\":1,\"\xff\":2}", {"line", "error"}, "column "},
        // A valid model whose figures cannot all be computed.
        {R"({"mu1":[0,0],"mu2":[1,0],"sigma1":[1e308,0,0,1e-308],"sigma2":[1,0,0,1]})", {"line", "error"},
         "the Bayes error could not be computed"},
    };
    for (const Case& c : cases) {
        const gaussbound::BatchAnswer a = answer(4, c.text);
        const std::string shown = a.json.substr(0, 200);
        EXPECT_TRUE(a.refused) << shown;
        EXPECT_EQ(a.json.find('\n'), a.json.size() - 1) << shown;
        const ordered_json j = ordered_json::parse(a.json);
        EXPECT_EQ(keys(j), c.keys) << shown;
        EXPECT_EQ(j.at("line"), 4) << shown;
        EXPECT_EQ(j.at("error").get<std::string>().rfind(c.error, 0), 0u) << shown;
    }
    const gaussbound::BatchAnswer tooLong = gaussbound::batchAnswer(5, {"", true}, table().get());
    EXPECT_TRUE(tooLong.refused);
    EXPECT_EQ(tooLong.json, "{\"line\":5,\"error\":\"longer than 1 MiB: not read\"}\n");
    // The deepest nesting taken: the line's object is one level, the id 255 more.
    EXPECT_FALSE(answer(1, "{\"id\":" + nested(255) + "," + kGood + "}").refused);
}

TEST(BatchLine, DoorsRefuseWhatTheyCannotRead)
{
    const std::string good = "{" + kGood + "}";
    EXPECT_THROW(gaussbound::batchAnswer(0, {good, false}, table().get()), std::invalid_argument);
    EXPECT_THROW(gaussbound::batchAnswer(1, {good, false}, nullptr), std::invalid_argument);
}

TEST(BatchLine, AnswerLinesHandsOnEveryAnswerInOrderAndStopsWhenTheWriterDoes)
{
    // Lines that differ, some refused, over more lines than the window.
    std::string input;
    std::vector<std::string> expected;
    for (size_t i = 1; i <= 40; ++i) {
        const std::string text = i % 7 == 3 ? "not json" : "{\"id\":" + std::to_string(i) + "," + kGood + "}";
        input += text + "\n";
        expected.push_back(answer(i, text).json);
    }
    for (unsigned threads : {1u, 3u}) {
        InputFile file(input);
        std::vector<std::string> written;
        const gaussbound::BatchOutcome outcome =
            gaussbound::answerLines(file.fd(), threads, 4, [&](const std::string& a, size_t done) {
                written.push_back(a);
                EXPECT_EQ(done, written.size());
                return true;
            });
        EXPECT_EQ(written, expected) << threads;
        EXPECT_EQ(outcome.lines, 40u);
        EXPECT_EQ(outcome.refused, 6u);
        EXPECT_TRUE(outcome.written);
    }
    InputFile file(input);
    size_t calls = 0;
    const auto stop = gaussbound::answerLines(file.fd(), 2, 4, [&](const std::string&, size_t) { return ++calls < 5; });
    EXPECT_FALSE(stop.written);
    EXPECT_EQ(calls, 5u);

    const auto keep = [](const std::string&, size_t) { return true; };
    EXPECT_THROW(gaussbound::answerLines(-1, 1, 4, keep), std::invalid_argument);
    EXPECT_THROW(gaussbound::answerLines(file.fd(), 0, 4, keep), std::invalid_argument);
    EXPECT_THROW(gaussbound::answerLines(file.fd(), 1, 0, keep), std::invalid_argument);
    EXPECT_THROW(gaussbound::answerLines(file.fd(), 1, 4, nullptr), std::invalid_argument);
}

// ---------------------------------------------------------------------------
// The line reader

TEST(LineReader, LinesComeWholeButForThoseOverTheLimit)
{
    // A limit above the reader's 64 KiB buffer, so that lines span refills.
    constexpr size_t kLimit = 100000;
    const std::string x(kLimit, 'x');
    struct Case {
        std::string input;
        std::vector<gaussbound::InputLine> lines;
    };
    const Case cases[] = {
        {"a\n\n" + x + "\n" + x + "y\nafter\n" + std::string(300000, 'z') + "\nlast",
         {{"a", false}, {"", false}, {x, false}, {"", true}, {"after", false}, {"", true}, {"last", false}}},
        {"one\ntwo\n", {{"one", false}, {"two", false}}},
        {"one\n" + x + "y", {{"one", false}, {"", true}}},
        {"\n", {{"", false}}},
        {"", {}},
    };
    for (const Case& c : cases) {
        InputFile file(c.input);
        gaussbound::LineReader reader(file.fd(), kLimit);
        gaussbound::InputLine line{"left over", true};
        for (const gaussbound::InputLine& expected : c.lines) {
            ASSERT_TRUE(reader.next(line)) << c.input.substr(0, 40);
            EXPECT_EQ(line.text, expected.text) << c.input.substr(0, 40);
            EXPECT_EQ(line.tooLong, expected.tooLong) << line.text.substr(0, 40);
        }
        EXPECT_FALSE(reader.next(line)) << c.input.substr(0, 40);
        EXPECT_EQ(reader.error(), 0);
    }
}

TEST(LineReader, AReadErrorEndsTheLinesAndIsKept)
{
    const int folder = open("/", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(folder, 0);
    gaussbound::LineReader reader(folder, 10);
    gaussbound::InputLine line;
    EXPECT_FALSE(reader.next(line));
    EXPECT_EQ(reader.error(), EISDIR);
    close(folder);
    EXPECT_THROW(gaussbound::LineReader(-1, 10), std::invalid_argument);
}

TEST(LineReader, AReadThatASignalInterruptsIsTriedAgain)
{
    // A handler without SA_RESTART: the reader's blocked read(2) returns EINTR.
    struct sigaction action {}, previous {};
    action.sa_handler = [](int) {};
    sigemptyset(&action.sa_mask);
    ASSERT_EQ(sigaction(SIGUSR1, &action, &previous), 0);
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pthread_t reading = pthread_self();
    std::thread writer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        pthread_kill(reading, SIGUSR1);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_EQ(write(fds[1], "a\n", 2), 2);
        close(fds[1]);
    });
    gaussbound::LineReader reader(fds[0], 10);
    gaussbound::InputLine line;
    const bool read = reader.next(line);
    writer.join();
    close(fds[0]);
    sigaction(SIGUSR1, &previous, nullptr);
    EXPECT_TRUE(read);
    EXPECT_EQ(line.text, "a");
    EXPECT_EQ(reader.error(), 0);
}
