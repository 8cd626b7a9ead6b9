// Tests of the bounds client: its figures, its files and its refusals, run as
// a child process, plus the Bayes error integration in-process.
#include <algorithm>
#include <array>
#include <cstring>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "bad_inputs.h"
#include "command.h"
#include "figures.h"
#include "random_models.h"
#include "output.h"
#include <nlohmann/json.hpp>
#include <cairo.h>

#include <gaussbound/Chernoff.h>
#include <gaussbound/ClassesFit.h>
#include <gaussbound/SampleFile.h>
#include <gaussbound/Draw.h>
#include <gaussbound/Estimate.h>
#include <gaussbound/Report.h>
#include <gaussbound/RuleFigures.h>
#include <gaussbound/SampleFit.h>
#include <gaussbound/SampleReport.h>

#include <gaussbound/Bound.h>

namespace fs = std::filesystem;

namespace {

// A PNG read back by Cairo; null when it is not a PNG.
struct Image {
    cairo_surface_t* surface;
    explicit Image(const fs::path& path) : surface(cairo_image_surface_create_from_png(path.c_str())) {}
    ~Image() { cairo_surface_destroy(surface); }
    bool ok() const { return cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS; }
    int width() const { return cairo_image_surface_get_width(surface); }
    int height() const { return cairo_image_surface_get_height(surface); }
    // Red, green, blue of a pixel, 0 to 255.
    std::array<int, 3> at(int x, int y) const
    {
        cairo_surface_flush(surface);
        const unsigned char* row = cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
        uint32_t p;
        std::memcpy(&p, row + 4 * x, 4);
        return {static_cast<int>((p >> 16) & 255), static_cast<int>((p >> 8) & 255), static_cast<int>(p & 255)};
    }
};

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

    // The standard output of a command that must succeed: another exit
    // status fails the test, so that two failures cannot compare equal.
    std::string printed(const std::string& args) const
    {
        const CommandResult r = bounds(args);
        EXPECT_EQ(r.status, 0) << args << "\n" << r.err;
        return r.out;
    }

    std::vector<std::string> files() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir))
            names.push_back(entry.path().filename().string());
        return names;
    }
};

}  // namespace

TEST_F(Bounds, PngDecodesToTheRequestedSize)
{
    const fs::path png = dir / "plot.png";
    ASSERT_EQ(bounds("--plot " + png.string() + " --size 640x480").status, 0);
    const Image image(png);
    ASSERT_TRUE(image.ok());
    EXPECT_EQ(image.width(), 640);
    EXPECT_EQ(image.height(), 480);
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

// ---------------------------------------------------------------------------
// Any dimension, model files and the figures at the edge of the double range.

namespace {

nlohmann::json parseJson(const CommandResult& r)
{
    EXPECT_EQ(r.status, 0) << r.err;
    return nlohmann::json::parse(r.out);
}

}  // namespace

TEST_F(Bounds, TwoDimensionalOutputsKeepEveryEarlierFigure)
{
    // The summary by default (its lines are the library's, stored in
    // formats_test); then the JSON figures from Bound bit for bit.
    EXPECT_EQ(printed("").rfind("Class 1: mean (0, 0), covariance [1 0; 0 1], prior 0.5\n", 0), 0u);

    const nlohmann::json j = parseJson(bounds("--mu1 0.5,-1 --mu2 2,1 --sigma1 2,0.6,0.6,1 --sigma2 1,0,0,3 --json"));
    EXPECT_EQ(j.at("chernoff").at("beta").get<double>(), 0.5200999975204468);
    EXPECT_EQ(j.at("chernoff").at("factor").get<double>(), 0.6004142148644815);
    EXPECT_EQ(j.at("chernoff").at("error_bound_beta").get<double>(), 0.5200999975204468);
    EXPECT_EQ(j.at("bhattacharyya").at("exponent").get<double>(), 0.5094607272333962);
    EXPECT_EQ(j.at("bhattacharyya").at("factor").get<double>(), 0.6008194970566793);
    // The bounds on the Bayes error are the same figures rounded outward by a
    // few ulps, so that they stay bounds.
    const auto outward = [](double now, double before) {
        return now == before || (std::fabs(now - before) <= 8 * DBL_EPSILON * before);
    };
    EXPECT_GE(j.at("chernoff").at("error_bound").get<double>(), 0.30020710743224077);
    EXPECT_TRUE(outward(j.at("chernoff").at("error_bound").get<double>(), 0.30020710743224077));
    EXPECT_GE(j.at("bhattacharyya").at("error_bound").get<double>(), 0.3004097485283396);
    EXPECT_TRUE(outward(j.at("bhattacharyya").at("error_bound").get<double>(), 0.3004097485283396));
    EXPECT_LE(j.at("bhattacharyya").at("lower_bound").get<double>(), 0.10030763956620369);
    EXPECT_TRUE(outward(j.at("bhattacharyya").at("lower_bound").get<double>(), 0.10030763956620369));
    // The Bayes error's method changed; the earlier one was good to 1e-10.
    EXPECT_NEAR(j.at("bayes_error").get<double>(), 0.17973910816164865, 1e-10);
    EXPECT_EQ(j.at("mu1"), nlohmann::json({0.5, -1.0}));
    EXPECT_EQ(j.at("sigma1"), nlohmann::json({2.0, 0.6, 0.6, 1.0}));
}

TEST_F(Bounds, UnequalPriorsGiveATableBoundAboveTheBayesError)
{
    const nlohmann::json j = parseJson(bounds("--sigma2 9,0,0,9 --priors 0.1,0.9 --json"));
    EXPECT_GE(j.at("chernoff").at("error_bound").get<double>(), j.at("bayes_error").get<double>());
    EXPECT_GE(j.at("chernoff").at("optimum").at("error_bound").get<double>(), j.at("bayes_error").get<double>());
}

TEST_F(Bounds, AnswersThreeDimensionsWithEveryFigure)
{
    const fs::path csv = dir / "t.csv", png = dir / "p.png";
    const CommandResult r = bounds("--mu1 0,0,0 --mu2 1,2,3 --sigma1 1,0,0,0,1,0,0,0,1 "
                                   "--sigma2 2,0.5,0,0.5,2,0,0,0,3 --json --table " + csv.string() +
                                   " --plot " + png.string());
    const nlohmann::json j = parseJson(r);
    EXPECT_EQ(j.at("dimension"), 3);
    EXPECT_LT(j.at("bayes_error_detail").at("abs_error").get<double>(), 1e-9);

    // The table's row 5000 is e^-k(1/2) of the library's curve, and the
    // Bhattacharyya factor too.
    gaussbound::Model m;
    m.mu1 = Eigen::Vector3d(0, 0, 0);
    m.mu2 = Eigen::Vector3d(1, 2, 3);
    m.sigma1 = Eigen::Matrix3d::Identity();
    m.sigma2.resize(3, 3);
    m.sigma2 << 2, 0.5, 0, 0.5, 2, 0, 0, 0, 3;
    const double factor = std::exp(-gaussbound::ChernoffCurve(gaussbound::CanonicalForm(m)).exponent(0.5));
    std::istringstream table(readFile(csv));
    std::string line;
    for (int i = 0; i <= 5001; ++i)
        std::getline(table, line);
    EXPECT_EQ(std::strtod(line.substr(line.find(',') + 1).c_str(), nullptr), factor) << line;
    EXPECT_EQ(j.at("bhattacharyya").at("factor").get<double>(), factor);
    EXPECT_TRUE(Image(png).ok());
}

TEST_F(Bounds, ModelFilesAndStandardInputReadBackWhatTheProgramPrints)
{
    // What each reading is refused for is the library's, in formats_test.
    const std::string model = "--mu1 0,0.5 --mu2 1,2 --sigma1 2,0.6,0.6,1 --sigma2 1,-0.3,-0.3,0.5 --priors 0.4,0.6";
    const CommandResult first = bounds(model + " --json");
    EXPECT_EQ(first.err, "");
    const std::string& expected = first.out;
    ASSERT_FALSE(expected.empty());
    std::ofstream(dir / "m.json") << expected;
    EXPECT_EQ(printed("--model " + (dir / "m.json").string() + " --json"), expected);
    EXPECT_EQ(printed("draw " + model + " --n 20 --json | " BOUNDS_EXE " --model - --json"), expected);
    EXPECT_EQ(bounds("--json " + model + " | " BOUNDS_EXE " sweep --model - --vary prior1 "
                     "--from 0.5 --to 0.6 --steps 2 --json").status, 0);
}

TEST_F(Bounds, EveryCommandRefusesABadModelFileByItsNameWithoutWriting)
{
    const std::string model = R"("mu1": [0, 0], "mu2": [1, 0], "sigma1": [1, 0, 0, 1])";
    const struct {
        std::string content;
        std::string expected;  // the message after the file's name
    } cases[] = {
        {"{" + model + R"(, "sigma2": [2, 0, 0, 2], "chernoff": 1e999})",
         "chernoff: '1e999' holds a number out of range"},
        {"{" + model + R"(, "sigma2": [1, 2, 2, 1]})",
         "sigma2: the covariance matrix is not positive definite (smallest eigenvalue -1)"},
    };
    const fs::path file = dir / "m.json";
    for (const auto& c : cases) {
        std::ofstream(file) << c.content;
        for (const std::string& command : {std::string(), "draw --n 10 --out " + (dir / "s").string(),
                                           "sweep --vary prior1 --from 0.1 --to 0.9 --steps 3 --csv " +
                                               (dir / "t.csv").string()}) {
            const CommandResult r = bounds(command + " --model " + file.string());
            EXPECT_EQ(r.status, 2) << command << ": " << c.expected;
            EXPECT_EQ(r.out, "");
            EXPECT_EQ(r.err, "bounds: " + file.string() + ": " + c.expected + "\n") << command;
        }
    }
    EXPECT_EQ(files(), std::vector<std::string>{"m.json"});
    const CommandResult empty = bounds("--model - < /dev/null");
    EXPECT_EQ(empty.status, 2);
    EXPECT_EQ(empty.err.rfind("bounds: standard input: column 1: not valid JSON", 0), 0u) << empty.err;
    // The command line words a number out of range as a model file does, and
    // takes 5e-324, the least double.
    EXPECT_EQ(bounds("--mu1 0,1e-400").err, "bounds: --mu1: '0,1e-400' holds a number out of range\n");
    EXPECT_EQ(bounds("--mu1 0,5e-324").status, 0);
}

TEST_F(Bounds, CostsAndARuleFromOptionsOrTheModelFileGiveWhatTheLibrariesGive)
{
    const std::string classes = "--mu1 0,0 --mu2 1,2 --sigma1 2,0.6,0.6,1 --sigma2 1,-0.3,-0.3,0.5";
    const gaussbound::Model m = streamModel();
    const gaussbound::Costs costs{0.5, 2, 3, 0.25};
    gaussbound::Discriminant rule;
    rule.quadratic = (Eigen::Matrix2d() << 0.5, 0.1, 0.1, -0.25).finished();
    rule.linear = Eigen::Vector2d(1, 1);
    rule.constant = -1;
    const fs::path ruleFile = dir / "rule.json";
    std::ofstream(ruleFile) << R"({"quadratic": [[0.5, 0.1], [0.1, -0.25]], "linear": [1, 1], "constant": -1})";
    Table table;
    const gaussbound::Figures f = gaussbound::analyse(m, table.get());
    const gaussbound::RuleFigures r = gaussbound::analyseRules(m, f, costs, rule);
    const std::string options = classes + " --costs 0.5,2,3,0.25 --rule " + ruleFile.string();
    EXPECT_EQ(printed(options + " --json"), gaussbound::jsonReport(m, f, r));
    EXPECT_EQ(printed(options), gaussbound::textReport(m, f, r));

    // The model file's keys give the same; the options replace them.
    std::ofstream(dir / "m.json") << printed(options + " --json");
    EXPECT_EQ(printed("--model " + (dir / "m.json").string() + " --json"), gaussbound::jsonReport(m, f, r));
    const gaussbound::RuleFigures zeroOne = gaussbound::analyseRules(m, f, gaussbound::Costs{}, rule);
    EXPECT_EQ(printed("--model " + (dir / "m.json").string() + " --costs 0,1,1,0 --json"),
              gaussbound::jsonReport(m, f, zeroOne));

    // A rule file at fault is named with its option and the part at fault.
    const struct {
        std::string content, expected;
    } cases[] = {
        {R"({"quadratic": [1, 2, 0, 1], "linear": [1, 1], "constant": 0})", "quadratic: not symmetric"},
        {R"({"quadratic": [[1]], "linear": [1, 1], "constant": 0})", "quadratic: expected 2 rows, got 1"},
        {R"({"linear": [1, 1, 1], "constant": 0})", "linear: expected 2 numbers (the model's dimension), got 3"},
        {R"({"linear": [1, 1], "constant": 1e999})", "constant: '1e999' holds a number out of range"},
    };
    for (const auto& c : cases) {
        std::ofstream(ruleFile) << c.content;
        const CommandResult bad = bounds(classes + " --rule " + ruleFile.string() + " --table " + (dir / "t.csv").string());
        EXPECT_EQ(bad.status, 2) << c.content;
        EXPECT_EQ(bad.out, "");
        EXPECT_EQ(bad.err, "bounds: --rule: " + ruleFile.string() + ": " + c.expected + "\n");
    }
    EXPECT_FALSE(fs::exists(dir / "t.csv"));
}

TEST_F(Bounds, FitJudgesItsRuleUnderTheTrueClassesItIsGiven)
{
    const std::string prefix = (dir / "s").string();
    const std::string model = "--mu1 0,0 --mu2 1,2 --sigma1 2,0.6,0.6,1 --sigma2 1,-0.3,-0.3,0.5";
    ASSERT_EQ(bounds("draw " + model + " --n 300,200 --seed 9 --out " + prefix).status, 0);
    std::ofstream(dir / "truth.json") << printed(model + " --json");
    const gaussbound::Classified c = gaussbound::drawClassified(streamModel(), 300, 200, 9);
    gaussbound::BootstrapSettings none;
    none.replicates = 0;
    const auto fit = std::get<gaussbound::SampleFit>(gaussbound::fitSamples(c.class1, c.class2, none));
    const auto truth = gaussbound::underTrueClasses(fit, streamModel());
    const std::string files = prefix + "1.csv " + prefix + "2.csv --bootstrap 0 ";
    EXPECT_EQ(printed("fit " + files + "--json --true-model " + (dir / "truth.json").string()),
              gaussbound::fitJson(fit, truth));
    EXPECT_EQ(printed("fit " + files + "--true-model - < " + (dir / "truth.json").string()),
              gaussbound::fitText(fit, prefix + "1.csv", prefix + "2.csv", truth));

    std::ofstream(dir / "line.json") << R"({"mu1": [0], "mu2": [1], "sigma1": [1], "sigma2": [1]})";
    for (const std::string& args :
         {files + "--true-model " + (dir / "missing.json").string(), files + "--true-model ''",
          files + "--true-model " + (dir / "line.json").string(), "- " + prefix + "2.csv --true-model -"}) {
        const CommandResult r = bounds("fit " + args + " --plot " + (dir / "p.png").string());
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind("bounds: --true-model: ", 0), 0u) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
    EXPECT_FALSE(fs::exists(dir / "p.png"));
}

// ---------------------------------------------------------------------------
// Outputs: links, devices, pipes, standard output and file modes. Everything
// happens inside the test's own folder.

namespace {

bool isLink(const fs::path& p)
{
    return fs::is_symlink(fs::symlink_status(p));
}

std::string csvHeader(const fs::path& p)
{
    const std::string text = readFile(p);
    return text.substr(0, text.find('\n'));
}

const char* const kHeader = "beta,bound,minimum_x,minimum_y,bhattacharyya_x,bhattacharyya_y";

}  // namespace

TEST_F(Bounds, OutputsFollowLinksAndLeaveThemLinks)
{
    fs::create_directories(dir / "elsewhere");
    std::ofstream(dir / "elsewhere" / "real.csv") << "old";
    fs::create_symlink("elsewhere/real.csv", dir / "link.csv");
    fs::create_symlink("link.csv", dir / "chain.png");
    fs::create_symlink(dir / "elsewhere" / "new.csv", dir / "dangling.csv");

    ASSERT_EQ(bounds("--table " + (dir / "link.csv").string()).status, 0);
    EXPECT_TRUE(isLink(dir / "link.csv"));
    EXPECT_EQ(csvHeader(dir / "elsewhere" / "real.csv"), kHeader);

    std::ofstream(dir / "elsewhere" / "real.csv") << "old";
    ASSERT_EQ(bounds("--plot " + (dir / "chain.png").string()).status, 0);
    EXPECT_TRUE(isLink(dir / "chain.png"));
    EXPECT_TRUE(isLink(dir / "link.csv"));
    EXPECT_EQ(readFile(dir / "elsewhere" / "real.csv").substr(1, 3), "PNG");

    ASSERT_EQ(bounds("--table " + (dir / "dangling.csv").string()).status, 0);
    EXPECT_TRUE(isLink(dir / "dangling.csv"));
    EXPECT_EQ(csvHeader(dir / "elsewhere" / "new.csv"), kHeader);

    // No temporary is left anywhere.
    for (const auto& e : fs::recursive_directory_iterator(dir))
        EXPECT_EQ(e.path().filename().string().rfind(".bounds-", 0), std::string::npos) << e.path();
}

TEST_F(Bounds, OutputsWriteThroughPipesAndDevices)
{
    const fs::path fifo = dir / "fifo", got = dir / "got.csv";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // Both ends time out, so a writer that misses the pipe fails the test
    // rather than hanging it.
    const CommandResult r = runCommand("timeout 20 " + std::string(BOUNDS_EXE) + " --table " + fifo.string() +
                                       " & timeout 20 cat " + fifo.string() + " > " + got.string() +
                                       "; wait $!");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_EQ(csvHeader(got), kHeader);
    const std::string streamed = readFile(got);
    EXPECT_EQ(std::count(streamed.begin(), streamed.end(), '\n'), kTableRows + 1);

    // A null device made in this folder stands for /dev/null (making one
    // takes the right to; without it the case is skipped).
    const fs::path null = dir / "null";
    if (mknod(null.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
        GTEST_SKIP() << "cannot make a device node here";
    ASSERT_EQ(bounds("--table " + null.string() + " --plot " + (dir / "p.png").string()).status, 0);
    EXPECT_TRUE(fs::is_character_file(null));
    EXPECT_TRUE(fs::exists(dir / "p.png"));
}

TEST_F(Bounds, DashIsStandardOutputInPlaceOfTheSummary)
{
    const CommandResult table = bounds("--table -");
    EXPECT_EQ(table.status, 0) << table.err;
    EXPECT_EQ(table.out.substr(0, table.out.find('\n')), kHeader);
    EXPECT_EQ(table.out.find("Bayes error"), std::string::npos);

    const CommandResult plot = bounds("--plot - --table " + (dir / "t.csv").string());
    EXPECT_EQ(plot.status, 0) << plot.err;
    EXPECT_EQ(plot.out.substr(1, 3), "PNG");
    EXPECT_EQ(csvHeader(dir / "t.csv"), kHeader);

    for (const char* refused : {"--table - --json", "--plot - --json", "--table - --plot -"}) {
        const CommandResult r = bounds(refused);
        EXPECT_EQ(r.status, 2) << refused;
        EXPECT_EQ(r.out, "") << refused;
        EXPECT_EQ(r.err.rfind("bounds: ", 0), 0u) << r.err;
    }
}

TEST_F(Bounds, OtherNamesOfStandardOutputAreStandardOutput)
{
    // An appending redirection appends: /dev/stdout is written through the
    // open standard output, not replaced by a rename.
    const fs::path log = dir / "log.txt";
    std::ofstream(log) << "old\n";
    ASSERT_EQ(runCommand(std::string(BOUNDS_EXE) + " --table /dev/stdout >> " + log.string()).status, 0);
    const std::string text = readFile(log);
    EXPECT_EQ(text.substr(0, 4 + std::strlen(kHeader)), std::string("old\n") + kHeader);
    EXPECT_EQ(text.find("Bayes error"), std::string::npos);  // no summary after the table

    const CommandResult png = runCommand(std::string(BOUNDS_EXE) + " --plot /dev/stdout > " + (dir / "o.png").string());
    EXPECT_EQ(png.status, 0) << png.err;
    EXPECT_TRUE(Image(dir / "o.png").ok());

    // Two names of standard output, or of one new file, are one output.
    for (const std::string& args : {std::string("--table - --plot /dev/stdout"), std::string("--json --table /dev/stdout"),
                                    "--table " + (dir / "n.png").string() + " --plot " + dir.string() + "/./n.png"}) {
        const CommandResult r = bounds(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_EQ(r.out, "") << args;
    }
    EXPECT_FALSE(fs::exists(dir / "n.png"));
}

TEST_F(Bounds, AReaderThatStopsEarlyLeavesNoTemporary)
{
    // The plot (several MB) fills the pipe long before it is written; the
    // reader stops after 10 bytes and the writer dies of SIGPIPE (status
    // 141 from the shell). Streams are written before any temporary exists,
    // so none is left, and the table is never renamed into place.
    const CommandResult r = runCommand("cd " + dir.string() + " && { " + BOUNDS_EXE +
                                       " --table t.csv --plot - --size 6000x6000; echo $? > status; }"
                                       " | head -c 10 > /dev/null");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile((dir / "status").string()), "141\n");
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"status"});
}

TEST_F(Bounds, TwoOutputsMayShareADeviceButNotAFile)
{
    // The null device takes both outputs, each streamed into it.
    const CommandResult null = bounds("--table /dev/null --plot /dev/null");
    EXPECT_EQ(null.status, 0) << null.err;
    EXPECT_EQ(null.err, "");

    // One regular file under one name, through a link, or one yet to be made
    // (through a dangling link too): the second rename would undo the first.
    std::ofstream(dir / "x.png") << "old";
    fs::create_symlink(dir / "x.png", dir / "link.png");
    fs::create_symlink("new.png", dir / "dangling.png");
    const std::pair<const char*, const char*> clashes[] = {
        {"x.png", "x.png"}, {"x.png", "link.png"}, {"new.png", "./new.png"}, {"dangling.png", "new.png"}};
    for (const auto& [plot, table] : clashes) {
        const CommandResult r =
            runCommand("cd " + dir.string() + " && " + BOUNDS_EXE + " --plot " + plot + " --table " + table);
        EXPECT_EQ(r.status, 2) << plot << " " << table;
        EXPECT_NE(r.err.find("names the same file as"), std::string::npos) << r.err;
    }
    EXPECT_EQ(readFile((dir / "x.png").string()), "old");
    EXPECT_FALSE(fs::exists(dir / "new.png"));

    // Two files, both written.
    const CommandResult two = runCommand("cd " + dir.string() + " && " + BOUNDS_EXE + " --plot new.png --table x.png");
    EXPECT_EQ(two.status, 0) << two.err;
    EXPECT_EQ(csvHeader(dir / "x.png"), kHeader);
    EXPECT_GT(fs::file_size(dir / "new.png"), 1000u);
}

TEST_F(Bounds, SamePlaceIsOneFileThatWouldBeReplacedTwice)
{
    const fs::path file = dir / "f", link = dir / "l", fresh = dir / "n";
    std::ofstream(file) << "x";
    fs::create_symlink(file, link);
    EXPECT_TRUE(samePlace(file.string(), link.string()));
    EXPECT_TRUE(samePlace(fresh.string(), (dir / "." / "n").string()));
    EXPECT_FALSE(samePlace(file.string(), fresh.string()));
    EXPECT_FALSE(samePlace((dir / "a").string(), (dir / "b").string()));
    EXPECT_FALSE(samePlace("/dev/null", "/dev/null"));
}

TEST(Output, WriteAllWritesEveryByteOrFails)
{
    // More than a pipe holds: the writes are partial and resumed.
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const std::string bytes(1 << 20, 'b');
    std::string received;
    std::thread reader([&] {
        char buffer[4096];
        ssize_t n;
        while ((n = read(fds[0], buffer, sizeof buffer)) > 0)
            received.append(buffer, static_cast<size_t>(n));
    });
    const bool written = writeAll(fds[1], bytes);
    close(fds[1]);
    reader.join();
    close(fds[0]);
    EXPECT_TRUE(written);
    EXPECT_EQ(received, bytes);

    // A full device and a closed descriptor fail at once, with the reason.
    const int full = open("/dev/full", O_WRONLY | O_CLOEXEC);
    ASSERT_GE(full, 0);
    errno = 0;
    EXPECT_FALSE(writeAll(full, "x"));
    EXPECT_EQ(errno, ENOSPC);
    close(full);
    errno = 0;
    EXPECT_FALSE(writeAll(-1, "x"));
    EXPECT_EQ(errno, EBADF);
    EXPECT_TRUE(writeAll(-1, ""));  // nothing to write
}

TEST_F(Bounds, ReplacedFilesKeepTheirModeAndNewOnesFollowTheUmask)
{
    const fs::path priv = dir / "priv.csv";
    std::ofstream(priv) << "old";
    ASSERT_EQ(chmod(priv.c_str(), 0600), 0);
    ASSERT_EQ(bounds("--table " + priv.string()).status, 0);
    struct stat st;
    ASSERT_EQ(stat(priv.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(csvHeader(priv), kHeader);

    // A new file gets 0666 less the umask; replacing it later, under
    // another umask, keeps that mode.
    const std::string table = " --table " + (dir / "new.csv").string();
    ASSERT_EQ(runCommand("umask 027; " + std::string(BOUNDS_EXE) + table).status, 0);
    ASSERT_EQ(stat((dir / "new.csv").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    ASSERT_EQ(runCommand("umask 077; " + std::string(BOUNDS_EXE) + table).status, 0);
    ASSERT_EQ(stat((dir / "new.csv").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(Bounds, FoldersAreRefusedAndReadOnlyFoldersFail)
{
    fs::create_directories(dir / "a-folder");
    const CommandResult r = bounds("--table " + (dir / "a-folder").string());
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("is a folder"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::is_empty(dir / "a-folder"));

    // A folder the user may not write to; root may write anywhere, so the
    // program then runs as nobody.
    const fs::path ro = dir / "ro";
    fs::create_directories(ro);
    std::ofstream(ro / "t.csv") << "old";
    fs::permissions(dir, fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(ro, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                            fs::perms::others_exec);
    const std::string as = geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    const CommandResult denied = runCommand(as + BOUNDS_EXE + " --table " + (ro / "t.csv").string());
    EXPECT_EQ(denied.status, 1) << denied.err;
    EXPECT_EQ(denied.err.rfind("bounds: cannot write " + (ro / "t.csv").string(), 0), 0u) << denied.err;
    EXPECT_EQ(readFile(ro / "t.csv"), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(ro), fs::directory_iterator()), 1);
}

TEST_F(Bounds, AFailedRenameSaysWhatWasWritten)
{
    // The rename stage alone: the first output lands, the second's target is
    // a folder, which a rename cannot replace.
    std::ofstream(dir / ".t1") << "one";
    std::ofstream(dir / ".t2") << "two";
    fs::create_directories(dir / "blocked" / "inside");
    std::string error;
    EXPECT_FALSE(commit({{(dir / ".t1").string(), (dir / "a.csv").string(), "a.csv"},
                         {(dir / ".t2").string(), (dir / "blocked").string(), "b.png"}},
                        error));
    EXPECT_EQ(readFile(dir / "a.csv"), "one");
    EXPECT_FALSE(fs::exists(dir / ".t2"));  // the temporary left is removed
    EXPECT_NE(error.find("written: a.csv; not written: b.png"), std::string::npos) << error;
}

// ---------------------------------------------------------------------------
// Figures in three formats.

namespace {

bool reddish(const std::array<int, 3>& c)
{
    return c[0] > 150 && c[1] < 110 && c[2] < 110;
}

bool greenish(const std::array<int, 3>& c)
{
    return c[1] > 100 && c[0] < 90 && c[2] < 90;
}

// Dark grey or black: the frame's one-unit lines fall between pixels.
bool dark(const std::array<int, 3>& c)
{
    return c[0] < 170 && c[1] < 170 && c[2] < 170;
}

// The column holding the most pixels of a colour.
int busiestColumn(const Image& image, bool (*colour)(const std::array<int, 3>&))
{
    int best = -1, most = 0;
    for (int x = 0; x < image.width(); ++x) {
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            count += colour(image.at(x, y));
        if (count > most) {
            most = count;
            best = x;
        }
    }
    return best;
}

}  // namespace

TEST_F(Bounds, PngShowsTheMarkersWhereTheirBetasAre)
{
    const fs::path png = dir / "p.png";
    ASSERT_EQ(bounds("--plot " + png.string() + " --size 1000x700").status, 0);
    const Image image(png);  // its size: PngDecodesToTheRequestedSize
    ASSERT_TRUE(image.ok());

    // The frame: the outermost columns that are mostly dark.
    std::vector<int> frame;
    for (int x = 0; x < image.width(); ++x) {
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            count += dark(image.at(x, y));
        if (count > image.height() / 2)
            frame.push_back(x);
    }
    ASSERT_GE(frame.size(), 2u);
    const double left = frame.front(), right = frame.back();
    // beta runs from 0 at the frame's left to 1 at its right: the drops of the
    // minimum (red) and of the Bhattacharyya figure (green) stand at their beta.
    EXPECT_NEAR((busiestColumn(image, reddish) - left) / (right - left), 0.5741, 2.0 / (right - left));
    EXPECT_NEAR((busiestColumn(image, greenish) - left) / (right - left), 0.5, 2.0 / (right - left));
    // The y axis is not upside down: the curve starts at its top left, e^0 = 1,
    // and the figure's floor (0) is at the bottom.
    int blueTop = image.height();
    for (int y = 0; y < image.height(); ++y) {
        const auto c = image.at(static_cast<int>(left) + 3, y);
        if (c[2] > 120 && c[0] < 80) {
            blueTop = y;
            break;
        }
    }
    EXPECT_LT(blueTop, image.height() / 4);
}

TEST_F(Bounds, SvgIsXmlOfTheRequestedSize)
{
    const fs::path svg = dir / "p.svg";
    ASSERT_EQ(bounds("--plot " + svg.string() + " --size 640x400").status, 0);
    EXPECT_EQ(runCommand("xmllint --noout " + svg.string()).status, 0);
    const std::string text = readFile(svg);
    EXPECT_NE(text.find("width=\"640pt\" height=\"400pt\""), std::string::npos) << text.substr(0, 300);
}

TEST_F(Bounds, PdfHasOnePageOfTheRequestedSize)
{
    const fs::path pdf = dir / "p.pdf";
    ASSERT_EQ(bounds("--plot " + pdf.string() + " --size 500x300").status, 0);
    const CommandResult info = runCommand("pdfinfo " + pdf.string());
    ASSERT_EQ(info.status, 0) << info.err;
    // "Field:   value" lines.
    const auto field = [&](const std::string& name) {
        const size_t at = info.out.find(name + ":");
        if (at == std::string::npos)
            return std::string();
        const size_t from = info.out.find_first_not_of(' ', at + name.size() + 1);
        return info.out.substr(from, info.out.find('\n', from) - from);
    };
    EXPECT_EQ(field("Pages"), "1") << info.out;
    EXPECT_EQ(field("Page size"), "500 x 300 pts") << info.out;
}

TEST_F(Bounds, OtherPlotExtensionsAreRefused)
{
    for (const char* name : {"p.jpg", "p", "p.png.txt"}) {
        const CommandResult r = bounds("--plot " + (dir / name).string());
        EXPECT_EQ(r.status, 2) << name;
        EXPECT_NE(r.err.find(".png, .svg or .pdf"), std::string::npos) << r.err;
    }
    EXPECT_TRUE(files().empty());
}

// ---------------------------------------------------------------------------
// bounds fit and bounds draw: samples in and out.

namespace {

void writeText(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// Three points a class, well apart: the smallest sets that fit accepts in 2-D.
const char* const kGoodSet = "0,0\n1,0\n0,1\n1.5,1.2\n";

}  // namespace

TEST_F(Bounds, DrawAndFitWriteAndPrintWhatTheLibrariesGive)
{
    const std::string prefix = (dir / "s").string();
    const CommandResult drawn = bounds("draw --mu1 0,0 --mu2 1,2 --sigma1 2,0.6,0.6,1 --sigma2 1,-0.3,-0.3,0.5 "
                                       "--n 300,200 --seed 9 --json --out " + prefix);
    ASSERT_EQ(drawn.status, 0) << drawn.err;
    const gaussbound::Model m = streamModel();
    const gaussbound::Classified c = gaussbound::drawClassified(m, 300, 200, 9);
    const gaussbound::Points &a = c.class1, &b = c.class2;
    Table table;
    EXPECT_EQ(drawn.out, gaussbound::drawJson(m, gaussbound::analyse(m, table.get()), c, 9));
    EXPECT_EQ(readFile(prefix + "1.csv"), gaussbound::drawnSampleFile(m, 1, a, 9));
    EXPECT_EQ(readFile(prefix + "2.csv"), gaussbound::drawnSampleFile(m, 2, b, 9));

    // fit reads the points back, from a file or standard input, on any
    // number of threads.
    gaussbound::BootstrapSettings settings;
    settings.replicates = 40;
    const auto fit = std::get<gaussbound::SampleFit>(gaussbound::fitSamples(a, b, settings));
    const std::string file2 = prefix + "2.csv";
    EXPECT_EQ(printed("fit " + prefix + "1.csv " + file2 + " --json --bootstrap 40 --threads 2"),
              gaussbound::fitJson(fit));
    EXPECT_EQ(printed("fit - " + file2 + " --bootstrap 40 < " + prefix + "1.csv"),
              gaussbound::fitText(fit, "standard input", file2));
}

TEST_F(Bounds, FitAndDrawRefuseBadInputWithoutWritingAnything)
{
    writeText(dir / "good.csv", kGoodSet);
    writeText(dir / "few.csv", "0,0\n1,1\n");
    writeText(dir / "line.csv", "0,0\n1,1\n2,2\n3,3\n");
    writeText(dir / "bad.csv", "1,2\n(1,2\n");
    const std::string good = (dir / "good.csv").string();
    const std::string out = " --plot " + (dir / "p.png").string();
    const std::vector<std::string> fits = {
        good + " " + (dir / "few.csv").string(),       // fewer than d + 1 points
        good + " " + (dir / "line.csv").string(),      // a singular covariance
        good + " " + (dir / "bad.csv").string(),       // a malformed line
        "- -",                                         // standard input twice
        good + " " + (dir / "missing.csv").string(),   // no such file
        good + " " + dir.string(),                     // a folder
        good + " " + good + " --axes 1,3",             // a coordinate beyond d
        good + " " + good + " --axes 2,2",
        good + " " + good + " --ridge -1",
        good + " " + good + " --ridge x",
        good + " " + good + " --bootstrap -1",
        good + " " + good + " --bootstrap 2000000",
        good + " " + good + " --threads 0",
        good + " " + good + " --seed 1.5",
        good + " " + good + " --priors 0.5,0.6",
        good + " " + good + " --plot " + (dir / "p.gif").string(),
        good,                                          // one file
        good + " " + good + " --mu1 0,0",              // not an option of fit
    };
    for (const std::string& args : fits) {
        const CommandResult r = bounds("fit " + args + out);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_EQ(r.out, "") << args;
        EXPECT_EQ(r.err.rfind("bounds: ", 0), 0u) << args << ": " << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << args << ": " << r.err;
    }
    EXPECT_NE(bounds("fit " + fits[0]).err.find("--ridge"), std::string::npos);
    EXPECT_NE(bounds("fit " + fits[1]).err.find("singular"), std::string::npos);
    EXPECT_EQ(bounds("fit " + fits[0] + " --ridge 0.1 --bootstrap 0").status, 0);

    const std::string prefix = " --out " + (dir / "s").string();
    for (const char* args : {"--n 0", "--n 1,2,3", "--n x", "--n 20000000", "--seed -1", "--mu1 0,0,0",
                                    "--sigma1 1,0,0,0", "--json --plot -", "--size 10x10", "--frobnicate"}) {
        const CommandResult r = bounds(std::string("draw ") + args + prefix + out);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_EQ(r.out, "") << args;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << args << ": " << r.err;
    }
    // The plain command's options go after no subcommand.
    EXPECT_EQ(bounds("--json fit " + good + " " + good).status, 2);
    EXPECT_EQ(files().size(), 4u);  // the four sample files, nothing else
}

TEST_F(Bounds, FitChecksAxesAndDrawsOneCoordinateAsWellAsSeveral)
{
    writeText(dir / "one.csv", "1\n2\n4\n");
    writeText(dir / "two.csv", kGoodSet);
    writeText(dir / "three.csv", "0,0,0\n1,0,0\n0,1,0\n0,0,1\n1,1,1.5\n");
    const std::string plot = " --bootstrap 0 --plot " + (dir / "p.png").string();
    const struct {
        std::string file, extra, expected;
    } cases[] = {
        {"one.csv", " --axes 1,1000000", "--axes: the points have 1 coordinate"},
        {"one.csv", " --axes 1,2", "--axes: the points have 1 coordinate"},
        {"two.csv", " --axes 1,1000000", "--axes: the points have 2 coordinates"},
        {"three.csv", " --axes 4,1", "--axes: the points have 3 coordinates"},
    };
    for (const auto& c : cases) {
        const std::string f = (dir / c.file).string();
        const CommandResult r = bounds("fit " + f + " " + f + c.extra + plot);
        EXPECT_EQ(r.status, 2) << c.file << c.extra;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "bounds: " + c.expected + "\n") << c.file << c.extra;
    }
    EXPECT_FALSE(fs::exists(dir / "p.png"));
    // 1-D points are fitted, and drawn, with the default axes; so are drawn samples.
    const std::string one = (dir / "one.csv").string();
    EXPECT_EQ(bounds("fit " + one + " " + one + " --bootstrap 0").status, 0);
    const CommandResult fitted = bounds("fit " + one + " " + one + plot);
    EXPECT_EQ(fitted.status, 0) << fitted.err;
    EXPECT_TRUE(Image(dir / "p.png").ok());
    const CommandResult drawn = bounds("draw --mu1 0 --mu2 1 --sigma1 1 --sigma2 2 --n 100 --out " +
                                       (dir / "d").string() + " --plot " + (dir / "d.png").string());
    EXPECT_EQ(drawn.status, 0) << drawn.err;
    EXPECT_TRUE(Image(dir / "d.png").ok());
    const std::string two = (dir / "three.csv").string();
    EXPECT_EQ(bounds("fit " + two + " " + two + " --axes 3,1" + plot).status, 0);
}

TEST_F(Bounds, FitNamesTheFileAtFaultAndAdvisesTheRidgeOnlyWhereItCanHelp)
{
    writeText(dir / "b.csv", kGoodSet);
    const std::string b = (dir / "b.csv").string();
    // Which line is wrong, and why, is the library's (formats_test).
    writeText(dir / "a.csv", "1,2\nabc,3\n");
    const CommandResult first = bounds("fit " + (dir / "a.csv").string() + " " + b);
    EXPECT_EQ(first.err.rfind("bounds: " + (dir / "a.csv").string() + ":2: ", 0), 0u) << first.err;
    EXPECT_EQ(std::count(first.err.begin(), first.err.end(), '\n'), 1) << first.err;
    // The second file must agree with the first's dimension.
    writeText(dir / "c.csv", "# 3-D\n1,2,3\n");
    EXPECT_EQ(bounds("fit " + b + " " + (dir / "c.csv").string()).err,
              "bounds: " + (dir / "c.csv").string() + ":2: has 3 numbers where the points of " + b + " have 2\n");
    // The ridge is advised only where it can help.
    writeText(dir / "single.csv", "1,2\n");
    const std::string single = (dir / "single.csv").string();
    EXPECT_NE(bounds("fit " + single + " " + b).err.find("--ridge"), std::string::npos);
    const CommandResult ridged = bounds("fit " + single + " " + b + " --ridge 1");
    EXPECT_EQ(ridged.status, 2);
    EXPECT_EQ(ridged.err.find("--ridge"), std::string::npos) << ridged.err;
}

TEST_F(Bounds, CountsBootstrapsFoldersAndTerminalsAreWordedAndRefusedAsDocumented)
{
    // An interval needs 20 resamplings; 0 still turns them off.
    writeText(dir / "b.csv", kGoodSet);
    const std::string b = (dir / "b.csv").string();
    for (const char* count : {"1", "19"}) {
        const CommandResult r = bounds("fit " + b + " " + b + " --bootstrap " + count);
        EXPECT_EQ(r.status, 2) << count;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "bounds: --bootstrap: a 95 % interval needs at least 20 resamplings (0 for none), got " +
                             std::string(count) + "\n");
    }
    EXPECT_EQ(bounds("fit " + b + " " + b + " --bootstrap 20").status, 0);
    EXPECT_EQ(bounds("fit " + b + " " + b + " --bootstrap 0").status, 0);
    // A folder as --out's prefix holds the files.
    fs::create_directory(dir / "runs");
    ASSERT_EQ(bounds("draw --n 3 --out " + (dir / "runs").string()).status, 0);
    ASSERT_EQ(bounds("draw --n 3 --out " + (dir / "runs").string() + "/").status, 0);
    std::vector<std::string> inside;
    for (const auto& entry : fs::directory_iterator(dir / "runs"))
        inside.push_back(entry.path().filename().string());
    std::sort(inside.begin(), inside.end());
    EXPECT_EQ(inside, (std::vector<std::string>{"1.csv", "2.csv"}));
    // Every command's help gives its exit statuses.
    EXPECT_NE(bounds("fit --help").out.find("1 an output could not be written or a figure could"), std::string::npos);
    EXPECT_NE(bounds("batch --help").out.find("Exit status:"), std::string::npos);
    // A figure is never written to a terminal (script gives the command one).
    if (runCommand("command -v script").status != 0)
        GTEST_SKIP() << "no script(1) to give the program a terminal";
    for (const std::string& command : {std::string("--plot -"), std::string("draw --plot -"), "fit " + b + " " + b + " --plot -",
                                       std::string("sweep --vary prior1 --from 0.1 --to 0.9 --steps 3 --plot -")}) {
        const CommandResult r = runCommand("script -qec '" BOUNDS_EXE " " + command + "' /dev/null");
        EXPECT_EQ(r.status, 2) << command;
        EXPECT_NE(r.out.find("bounds: --plot: standard output is a terminal"), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find("PNG"), std::string::npos) << command;
    }
}

TEST_F(Bounds, DrawWritesBothFilesOrNeither)
{
    // A missing folder: nothing is written, and nothing printed.
    CommandResult r = bounds("draw --out " + (dir / "missing" / "s").string());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("bounds: cannot write ", 0), 0u) << r.err;
    // The second file cannot replace a folder: the first is not replaced either.
    writeText(dir / "s1.csv", "old");
    fs::create_directory(dir / "s2.csv.d");
    fs::create_symlink(dir / "missing" / "x", dir / "s2.csv");
    r = bounds("draw --out " + (dir / "s").string());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(readFile(dir / "s1.csv"), "old");
}

TEST_F(Bounds, FitAndDrawPlotsDecode)
{
    const std::string prefix = (dir / "s").string();
    CommandResult r = bounds("draw --n 200 --seed 2 --out " + prefix + " --plot " + (dir / "draw.png").string());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Image(dir / "draw.png").ok());
    r = bounds("fit " + prefix + "1.csv " + prefix + "2.csv --bootstrap 0 --size 640x480 --plot " +
               (dir / "fit.png").string());
    ASSERT_EQ(r.status, 0) << r.err;
    const Image image(dir / "fit.png");
    ASSERT_TRUE(image.ok());
    EXPECT_EQ(image.width(), 640);
    EXPECT_EQ(image.height(), 480);
    // In three dimensions the plot shows the chosen coordinates, as SVG.
    const std::string model = "--mu1 0,0,0 --mu2 1,1,1 --sigma1 1,0,0,0,1,0,0,0,1 --sigma2 2,0,0,0,2,0,0,0,2";
    ASSERT_EQ(bounds("draw " + model + " --n 50 --out " + prefix).status, 0);
    r = bounds("fit " + prefix + "1.csv " + prefix + "2.csv --bootstrap 0 --axes 3,1 --plot " +
               (dir / "fit.svg").string());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(readFile(dir / "fit.svg").find("<svg"), std::string::npos);
}

// --title replaces the figure's title and nothing else: the command's own
// title given as --title draws the same bytes, another title other bytes.
TEST_F(Bounds, EveryCommandThatDrawsTakesATitle)
{
    const std::string samples = (dir / "s").string();
    ASSERT_EQ(bounds("draw --n 30 --out " + samples).status, 0);
    const struct {
        std::string command, ownTitle;
    } cases[] = {
        {"--mu2 2,0", "Chernoff bound of two normal classes"},
        {"draw --n 30", "Samples of two normal classes"},
        {"fit " + samples + "1.csv " + samples + "2.csv --bootstrap 0", "Two classes estimated from samples"},
        {"sweep --vary prior1 --from 0.1 --to 0.9 --steps 5", "Bayes error and its bounds against prior1"},
    };
    for (const auto& c : cases) {
        const auto drawn = [&](const std::string& name, const std::string& title) {
            const fs::path svg = dir / name;
            const CommandResult r = bounds(c.command + " --plot " + svg.string() + title);
            EXPECT_EQ(r.status, 0) << c.command << title << ": " << r.err;
            return readFile(svg);
        };
        const std::string own = drawn("own.svg", ""), same = drawn("same.svg", " --title '" + c.ownTitle + "'"),
                          other = drawn("other.svg", " --title 'Another title'");
        EXPECT_EQ(own, same) << c.command;
        EXPECT_NE(own, other) << c.command;
        EXPECT_EQ(own.size() > 1000, true) << c.command;
    }
    // It belongs to the commands that draw, not before a subcommand.
    EXPECT_EQ(bounds("--title x draw").status, 2);
}

TEST_F(Bounds, SubcommandsExplainThemselves)
{
    const CommandResult top = bounds("--help");
    EXPECT_NE(top.out.find("fit"), std::string::npos);
    EXPECT_NE(top.out.find("draw"), std::string::npos);
    const CommandResult fit = bounds("fit --help");
    EXPECT_EQ(fit.status, 0);
    for (const char* option : {"--ridge", "--bootstrap", "--seed", "--threads", "--axes", "--plot", "--json"})
        EXPECT_NE(fit.out.find(option), std::string::npos) << option;
    const CommandResult draw = bounds("draw --help");
    for (const char* option : {"--n", "--seed", "--out", "--mu1", "--model"})
        EXPECT_NE(draw.out.find(option), std::string::npos) << option;
}

// ---------------------------------------------------------------------------
// C classes

namespace {

const char* const kThreeClasses = R"({"classes": [
    {"name": "water", "mean": [0, 0], "covariance": [[1, 0.3], [0.3, 0.6]], "prior": 0.5},
    {"name": "forest", "mean": [2, 1], "covariance": [[1, 0], [0, 2]], "prior": 0.3},
    {"name": "urban", "mean": [-1, 2.5], "covariance": [[0.7, 0], [0, 0.7]], "prior": 0.2}]})";

}  // namespace

TEST_F(Bounds, TwoClassesAsClassesGiveTheTwoClassFigures)
{
    std::ofstream(dir / "two.json") << R"({"classes": [{"mean": [0, 0], "covariance": [[1, 0.3], [0.3, 0.6]], "prior": 0.4},
        {"mean": [1, 2], "covariance": [[2, 0], [0, 1]], "prior": 0.6}]})";
    const nlohmann::json c = nlohmann::json::parse(printed("--model " + (dir / "two.json").string() + " --json"));
    const nlohmann::json t = nlohmann::json::parse(
        printed("--mu1 0,0 --mu2 1,2 --sigma1 1,0.3,0.3,0.6 --sigma2 2,0,0,1 --priors 0.4,0.6 --json"));
    const double e1 = t["bayes_error_detail"]["given_class1"], e2 = t["bayes_error_detail"]["given_class2"];
    const double parts = t["bayes_error_detail"]["parts_abs_error"];
    EXPECT_EQ(c["method"], "adaptive angle");
    EXPECT_NEAR(c["confusion"][0][1].get<double>(), e1, c["confusion_abs_error"][0][1].get<double>() + parts / 0.4);
    EXPECT_NEAR(c["confusion"][1][0].get<double>(), e2, c["confusion_abs_error"][1][0].get<double>() + parts / 0.6);
    EXPECT_NEAR(c["bayes_error"]["value"].get<double>(), t["bayes_error"].get<double>(),
                c["bayes_error"]["abs_error"].get<double>() + t["bayes_error_detail"]["abs_error"].get<double>());
    // The pair is the two-class engine's own figure (the plane's
    // Bhattacharyya figure is Bound's, equal to 1e-6 relative).
    EXPECT_EQ(c["pairs"][0]["bayes_error"], t["bayes_error"]);
    EXPECT_NEAR(c["pairs"][0]["bhattacharyya_bound"].get<double>(), t["bhattacharyya"]["error_bound"].get<double>(),
                1e-6 * t["bhattacharyya"]["error_bound"].get<double>());
    EXPECT_EQ(c["bounds"]["lower"], c["bounds"]["upper_pairwise"]);
    // The two-class commands read the file as today's model.
    EXPECT_EQ(printed("roc --model " + (dir / "two.json").string() + " --json"),
              printed("roc --mu1 0,0 --mu2 1,2 --sigma1 1,0.3,0.3,0.6 --sigma2 2,0,0,1 --priors 0.4,0.6 --json"));
}

TEST_F(Bounds, ClassesPrintTheirTableMatrixPairsAndBoundsAndDrawTheirRegions)
{
    const fs::path model = dir / "three.json";
    std::ofstream(model) << kThreeClasses;
    const std::string text = printed("--model " + model.string());
    for (const char* part : {"3 classes in 2 dimensions", "water: mean (0, 0)", "P(decide column | class row)",
                             "Bayes error E:", "water / urban:", "upper, sum of Bhattacharyya bounds:"})
        EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
    // The JSON reads back as the same model, and its figures keep their order.
    const std::string json = printed("--model " + model.string() + " --json");
    std::ofstream(dir / "again.json") << json;
    EXPECT_EQ(printed("--model " + (dir / "again.json").string() + " --json"), json);
    const nlohmann::json j = nlohmann::json::parse(json);
    const double e = j["bayes_error"]["value"];
    EXPECT_LE(j["bounds"]["lower"].get<double>(), e);
    EXPECT_LE(e, j["bounds"]["upper_pairwise"].get<double>());
    EXPECT_LE(e, j["bounds"]["upper_bhattacharyya"].get<double>());

    // The figure of the regions, and of a plane of a 3-D model.
    ASSERT_EQ(bounds("--model " + model.string() + " --plot " + (dir / "r.png").string()).status, 0);
    EXPECT_TRUE(Image(dir / "r.png").ok());
    std::ofstream(dir / "3d.json") << R"({"classes": [{"mean": [0, 0, 0], "covariance": [1, 0, 0, 0, 1, 0, 0, 0, 1]},
        {"mean": [1, 1, 1], "covariance": [1, 0, 0, 0, 2, 0, 0, 0, 1]}, {"mean": [0, 2, -1], "covariance": [2, 0, 0, 0, 1, 0, 0, 0, 1]}]})";
    ASSERT_EQ(bounds("--model " + (dir / "3d.json").string() + " --axes 1,3 --plot " + (dir / "p.svg").string()).status, 0);
    EXPECT_NE(readFile((dir / "p.svg").string()).find("<svg"), std::string::npos);
}

TEST_F(Bounds, ClassesRefuseBadInputWithoutWritingAnything)
{
    const fs::path model = dir / "three.json";
    std::ofstream(model) << kThreeClasses;
    std::ofstream(dir / "dup.json") << R"({"classes": [{"name": "a", "mean": [0], "covariance": [1]},
        {"name": "a", "mean": [1], "covariance": [1]}]})";
    const std::string m = "--model " + model.string();
    const struct {
        std::string args, message;
    } cases[] = {
        {m + " --directions 0", "--directions: must be from 32 to 4294967296, got 0"},
        {m + " --directions 1e6", "--directions: expected a whole number, got '1e6'"},
        {m + " --axes 1,1", "--axes: expected two different coordinates from 1 to 2, got '1,1'"},
        {m + " --axes 1,3", "--axes: expected two different coordinates from 1 to 2, got '1,3'"},
        {m + " --axes 0.5,1", "--axes: expected two different coordinates from 1 to 2, got '0.5,1'"},
        {m + " --costs 0,1,1,1,0,1", "--costs: expected 9 comma-separated numbers, got '0,1,1,1,0,1'"},
        {m + " --costs 0,1,1,1,1,1,1,1,0", "--costs: a wrong decision must cost more than the right one (L22 >= L21)"},
        {m + " --rule " + model.string(), "--rule: judges a rule of two classes; the model holds 3"},
        {m + " --table " + (dir / "t.csv").string(), "--table: the Chernoff table is of two classes; the model holds 3"},
        {"--directions 100", "--directions: is for a model of C classes (\"classes\" in --model's file)"},
        {"--model " + (dir / "dup.json").string(),
         (dir / "dup.json").string() + ": class 2 (\"a\"): name: the name \"a\" is taken by another class"},
        {"roc --model " + model.string(), model.string() + ": classes: this reads two classes; the document holds 3"},
    };
    for (const auto& c : cases) {
        const CommandResult r = bounds(c.args + " --plot " + (dir / "p.png").string());
        EXPECT_EQ(r.status, 2) << c.args;
        EXPECT_EQ(r.out, "") << c.args;
        EXPECT_EQ(r.err, "bounds: " + c.message + "\n") << c.args;
        EXPECT_FALSE(fs::exists(dir / "p.png") || fs::exists(dir / "t.csv")) << c.args;
    }
}

TEST_F(Bounds, DrawWritesAFileAClassAndFitEstimatesThemBack)
{
    const fs::path model = dir / "three.json";
    std::ofstream(model) << kThreeClasses;
    const std::string prefix = (dir / "s-").string();
    const nlohmann::json drawn = nlohmann::json::parse(
        printed("draw --model " + model.string() + " --n 400,300,200 --seed 3 --use-names --out " + prefix + " --json"));
    EXPECT_EQ(drawn["samples"]["n"], nlohmann::json({400, 300, 200}));
    const nlohmann::json& rule = drawn["empirical"]["true_rule"];
    EXPECT_EQ(rule["counts"][1][0].get<int>() + rule["counts"][1][1].get<int>() + rule["counts"][1][2].get<int>(), 300);
    std::vector<std::string> names = files();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"s-forest.csv", "s-urban.csv", "s-water.csv", "three.json"}));
    // The same seed gives the same points, whatever the files are called.
    printed("draw --model " + model.string() + " --n 400,300,200 --seed 3 --out " + (dir / "n").string());
    const std::string water = readFile(prefix + "water.csv");
    EXPECT_EQ(water.substr(water.find('\n')), readFile((dir / "n1.csv").string()).substr(water.find('\n')));

    const std::string files3 = prefix + "water.csv " + prefix + "forest.csv " + prefix + "urban.csv";
    const nlohmann::json fit = nlohmann::json::parse(printed("fit " + files3 + " --names w,f,u --json"));
    EXPECT_EQ(fit["classes"][2]["name"], "u");
    EXPECT_EQ(fit["samples"]["n"], nlohmann::json({400, 300, 200}));
    EXPECT_NEAR(fit["classes"][0]["prior"].get<double>(), 400.0 / 900.0, 1e-15);
    // Resubstitution is optimistic, leave-one-out less so; the counts are the library's.
    EXPECT_LE(fit["resubstitution"]["errors"].get<int>(), fit["leave_one_out"]["errors"].get<int>());
    std::vector<gaussbound::Points> samples;
    for (const char* name : {"water", "forest", "urban"})
        samples.push_back(gaussbound::readSampleFile(prefix + name + ".csv", {}));
    const auto leaveOneOut = gaussbound::leaveOneOutClasses(samples, {});
    ASSERT_TRUE(leaveOneOut);
    for (Eigen::Index i = 0; i < 3; ++i)
        for (Eigen::Index j = 0; j < 3; ++j)
            EXPECT_EQ(fit["leave_one_out"]["counts"][i][j].get<std::int64_t>(), leaveOneOut->counts(i, j));
    const std::string text = printed("fit " + files3);
    EXPECT_NE(text.find("each point left out of its refit"), std::string::npos) << text;
    ASSERT_EQ(bounds("fit " + files3 + " --plot " + (dir / "fit.png").string()).status, 0);
    EXPECT_TRUE(Image(dir / "fit.png").ok());

    for (const std::string& args :
         {"fit " + files3 + " --bootstrap 100", "fit " + files3 + " --names a,b", "fit " + files3 + " --names a,a,b",
          "fit " + files3 + " --priors 0.5,0.5", "draw --model " + model.string() + " --n 1,2",
          "draw --model " + model.string() + " --plot " + (dir / "d.png").string(),
          std::string("draw --use-names --out x")}) {
        const CommandResult r = bounds(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_EQ(r.out, "") << args;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << args << ": " << r.err;
    }
    std::ofstream(dir / "bad-name.json") << R"({"classes": [{"name": "../a", "mean": [0], "covariance": [1]},
        {"name": "b", "mean": [1], "covariance": [1]}]})";
    EXPECT_EQ(bounds("draw --model " + (dir / "bad-name.json").string() + " --use-names --out " + prefix).err,
              "bounds: --use-names: the name \"../a\" cannot be part of a file name (letters, digits, spaces, '-', '_' "
              "and '.' only)\n");
    EXPECT_FALSE(fs::exists(dir / "d.png"));
}
