// Tests of bounds sweep and bounds batch, run as child processes (options,
// exit statuses, what reaches which output, on any number of threads), and
// in-process of the Parallel library's ordered stream and the Sweep
// library's values and models.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <gaussbound/BatchLine.h>
#include <gaussbound/Bound.h>
#include <gaussbound/Stream.h>
#include <gaussbound/Sweep.h>
#include <gaussbound/SweepTable.h>

#include "command.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

const std::string kBounds = BOUNDS_EXE;

// A folder of its own for each test, removed afterwards.
class SweepBatch : public ::testing::Test {
protected:
    fs::path dir = fs::temp_directory_path() /
                   ("sweep-batch-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));

    void SetUp() override
    {
        fs::remove_all(dir);
        fs::create_directory(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string path(const std::string& name) const { return (dir / name).string(); }

    // Writes text to a file of the folder and returns its path.
    std::string file(const std::string& name, const std::string& text) const
    {
        std::ofstream(dir / name, std::ios::binary) << text;
        return path(name);
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

// A JSON Lines model line, with id i.
std::string modelLine(int i, std::mt19937& random)
{
    std::uniform_real_distribution<double> u(-2, 2), v(0.5, 3);
    const double c = u(random) / 3;
    return "{\"id\":" + std::to_string(i) + ",\"mu1\":[0,0],\"mu2\":[" + std::to_string(u(random)) + "," +
           std::to_string(u(random)) + "],\"sigma1\":[1," + std::to_string(c) + "," + std::to_string(c) +
           ",1],\"sigma2\":[" + std::to_string(v(random)) + ",0,0," + std::to_string(v(random)) +
           "],\"priors\":[0.3,0.7]}";
}

// A model in the plane, the Sweep library's tests' own.
gaussbound::Model planeModel()
{
    gaussbound::Model m;
    m.mu1 = Eigen::Vector2d(0, 0);
    m.mu2 = Eigen::Vector2d(1, 0.5);
    m.sigma1 = Eigen::Matrix2d::Identity();
    m.sigma2 = (Eigen::Matrix2d() << 2, 0.3, 0.3, 1).finished();
    return m;
}

// The peak resident set of the processes `command` runs, in KiB, read by a
// child from getrusage(RUSAGE_CHILDREN) once they have ended.
long peakChildKiB(const std::string& command)
{
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        const int status = std::system(command.c_str());
        rusage usage{};
        getrusage(RUSAGE_CHILDREN, &usage);
        const long kib = status == 0 ? usage.ru_maxrss : -1;
        _exit(write(fds[1], &kib, sizeof kib) == sizeof kib ? 0 : 1);
    }
    close(fds[1]);
    long kib = -1;
    if (read(fds[0], &kib, sizeof kib) != sizeof kib)
        kib = -1;
    close(fds[0]);
    waitpid(pid, nullptr, 0);
    return kib;
}

}  // namespace

// ---------------------------------------------------------------------------
// bounds sweep

TEST_F(SweepBatch, SweepPrintsTheLibrarysTablesTheSameOnOneThreadAndTwo)
{
    const std::string sweep = kBounds + " sweep --vary sigma2.1.2 --from -0.9 --to 0.9 --steps 101 "
                                        "--mu1 0,0,1 --mu2 1,0,0 --sigma1 1,0,0,0,2,0,0,0,1 "
                                        "--sigma2 1,0,0,0,1,0,0,0,1 --priors 0.2,0.8";
    gaussbound::Model m;
    m.mu1 = Eigen::Vector3d(0, 0, 1);
    m.mu2 = Eigen::Vector3d(1, 0, 0);
    m.sigma1 = Eigen::Vector3d(1, 2, 1).asDiagonal();
    m.sigma2 = Eigen::Matrix3d::Identity();
    m.prior1 = 0.2;
    m.prior2 = 0.8;
    const auto parameter = gaussbound::sweepParameter("sigma2.1.2");
    const std::vector<double> t = gaussbound::sweepValues(-0.9, 0.9, 101, false);
    const std::vector<gaussbound::Figures> rows = gaussbound::sweepFigures(m, *parameter, t, 1);
    const std::pair<const char*, std::string> formats[] = {
        {" --json", gaussbound::sweepJson(m, "sigma2.1.2", *parameter, t, rows)},
        {" --csv -", gaussbound::sweepCsv(t, rows)},
        {"", gaussbound::sweepText("sigma2.1.2", t, rows)}};
    for (const auto& [format, table] : formats)
        for (const char* threads : {" --threads 1", " --threads 2"}) {
            const CommandResult r = runCommand(sweep + format + threads);
            ASSERT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(r.out, table) << format << threads;
        }
}

TEST_F(SweepBatch, PlotsAndCsvFilesAreWritten)
{
    const CommandResult r = runCommand(kBounds + " sweep --vary prior1 --from 0.05 --to 0.95 --steps 19 --log-y "
                                                 "--csv " + path("rows.csv") + " --plot " + path("p.png") +
                                       " --size 640x480");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(lines(readFile(path("rows.csv"))).size(), 20u);
    const std::string png = readFile(path("p.png"));
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    // IHDR: big-endian width and height at bytes 16 and 20.
    const auto be = [&](size_t at) {
        return (static_cast<unsigned char>(png[at]) << 24) | (static_cast<unsigned char>(png[at + 1]) << 16) |
               (static_cast<unsigned char>(png[at + 2]) << 8) | static_cast<unsigned char>(png[at + 3]);
    };
    EXPECT_EQ(be(16), 640u);
    EXPECT_EQ(be(20), 480u);
}

TEST_F(SweepBatch, SweepRefusalsAndMissingFiguresWriteNothing)
{
    const std::string ok = " --from 0 --to 1 --steps 3";
    const std::string cases[] = {
        "--vary frobnicate" + ok, "--vary mu1.x" + ok, "--vary sigma1.1" + ok, "--vary separation.1" + ok,
        "--vary separation --from 1 --to 1 --steps 3", "--vary separation --from 0 --to 1 --steps 1",
        "--vary separation --from 0 --to 1 --steps 1000001", "--vary separation --from 0 --to 1 --steps 2.5",
        "--vary separation --from 0 --to 1 --steps 3 --log", "--vary separation --from=-1 --to 1 --steps 3 --log",
        "--vary scale1 --from=-1 --to 1 --steps 3", "--vary prior1 --from 0.5 --to 1 --steps 3",
        "--vary rho1 --from 0 --to 1 --steps 5", "--vary rho2 --mu1 0 --mu2 1 --sigma1 1 --sigma2 1" + ok,
        "--vary mu1.3" + ok, "--vary mu2.0" + ok, "--vary sigma1.1.3" + ok, "--vary separation --from x --to 1 --steps 3",
        "--vary separation --mu1 1" + ok, "--vary separation" + ok + " --threads 0",
        "--vary separation" + ok + " --log-y --linear-y", "--vary separation" + ok + " --size 10x10",
        "--vary separation --from 0 --to 1",
    };
    for (const std::string& c : cases) {
        const CommandResult r =
            runCommand("cd " + dir.string() + " && " + kBounds + " sweep " + c + " --csv rows.csv --plot p.png");
        EXPECT_EQ(r.status, 2) << c;
        EXPECT_EQ(r.out, "") << c;
        EXPECT_EQ(r.err.rfind("bounds: ", 0), 0u) << c << ": " << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << c << ": " << r.err;
        EXPECT_TRUE(fs::is_empty(dir)) << c;
    }
    // The first offending value is named, in a descending sweep too.
    const CommandResult r = runCommand(kBounds + " sweep --vary scale2 --from 1 --to=-1 --steps 5");
    EXPECT_NE(r.err.find("at t = 0:"), std::string::npos) << r.err;
    // A valid model whose figures cannot all be computed: status 1, the
    // figure and its t named, nothing written.
    const CommandResult missing = runCommand("cd " + dir.string() + " && " + kBounds +
                                             " sweep --sigma1 1e308,0,0,1e-308 --sigma2 1,0,0,1 --vary prior1 "
                                             "--from 0.2 --to 0.8 --steps 3 --csv rows.csv");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.err, "bounds: the Bayes error could not be computed at t = 0.2\n");
    EXPECT_TRUE(fs::is_empty(dir));
}

// ---------------------------------------------------------------------------
// bounds batch

TEST_F(SweepBatch, BatchAnswersEveryLineInOrderAsTheLibraryDoes)
{
    const std::string good = R"("mu1":[0,0],"mu2":[1,0],"sigma1":[1,0,0,1],"sigma2":[2,0,0,2])";
    // Answered and refused lines from a named file (how each line is read
    // and answered is the library's, in formats_test).
    const std::vector<std::string> lines = {"{\"id\":\"first\"," + good + "}",
                                            "{\"id\": 7, \"mu1\": [0,0",
                                            "{\"mu1\":[0],\"mu2\":[2],\"sigma1\":[1],\"sigma2\":[1],\"id\":8}"};
    std::string input, expected;
    std::unique_ptr<double[][2]> table(new double[kTableRows][2]);
    for (size_t i = 0; i < lines.size(); ++i) {
        input += (i > 0 ? "\n" : "") + lines[i];
        expected += gaussbound::batchAnswer(i + 1, {lines[i], false}, table.get()).json;
    }
    const CommandResult r = runCommand(kBounds + " batch --threads 2 " + file("in.jsonl", input));
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "bounds: 1 of 3 lines refused\n");
    EXPECT_EQ(r.out, expected);
}

TEST_F(SweepBatch, BatchBytesAreTheSameOnOneThreadAndTwo)
{
    std::mt19937 random(7);
    std::string input;
    for (int i = 0; i < 600; ++i)
        input += (i % 50 == 3 ? "{\"id\":" + std::to_string(i) + "}" : modelLine(i, random)) + "\n";
    const std::string in = file("in.jsonl", input);
    const CommandResult one = runCommand(kBounds + " batch --threads 1 < " + in);
    const CommandResult two = runCommand(kBounds + " batch --threads 2 - < " + in);
    EXPECT_EQ(one.status, 2);
    EXPECT_EQ(two.status, 2);
    EXPECT_EQ(one.out, two.out);
    const std::vector<std::string> out = lines(two.out);
    ASSERT_EQ(out.size(), 600u);
    for (size_t i = 0; i < out.size(); ++i)
        ASSERT_EQ(json::parse(out[i])["id"], i);
}

TEST_F(SweepBatch, BatchMemoryStaysBoundedOnALongInput)
{
#if defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer keeps freed memory in quarantine (256 MB by default)
    // and adds its shadow memory: the resident set measures the sanitizer,
    // not the program. The normal build's run of this test is the check.
    GTEST_SKIP() << "peak memory is not the program's under AddressSanitizer";
#endif
    // 2000 valid lines of 100 KB each (a model padded with spaces): 200 MB
    // through a pipe. Holding the input, or more than a window of it, would
    // take far more than the bound.
    std::mt19937 random(3);
    const std::string line = modelLine(1, random);
    const std::string padded = line.substr(0, line.size() - 1) + std::string(100000, ' ') + "}";
    const std::string count = path("count");
    const long kib = peakChildKiB("yes '" + padded + "' | head -n 2000 | " + kBounds +
                                  " batch --threads 2 | grep -c '\"bayes_error\"' > " + count);
    EXPECT_EQ(readFile(count), "2000\n");
    EXPECT_GT(kib, 0);
    EXPECT_LT(kib, 48 * 1024) << "peak resident set " << kib << " KiB";
}

TEST_F(SweepBatch, BatchRefusalsAndFailedOutput)
{
    const std::string in = file("in.jsonl", "{\"mu1\":[0],\"mu2\":[1],\"sigma1\":[1],\"sigma2\":[1]}\n");
    for (const std::string& c : {"batch " + path("missing.jsonl"), "batch " + dir.string(), "batch --threads 0 " + in,
                                 "batch --threads x " + in, "batch " + in + " " + in, std::string("batch --frobnicate")}) {
        const CommandResult r = runCommand(kBounds + " " + c);
        EXPECT_EQ(r.status, 2) << c;
        EXPECT_EQ(r.out, "") << c;
        EXPECT_EQ(r.err.rfind("bounds: ", 0), 0u) << c << ": " << r.err;
        EXPECT_EQ(lines(r.err).size(), 1u) << c << ": " << r.err;
    }
    EXPECT_EQ(runCommand(kBounds + " batch " + in).status, 0);
    const CommandResult empty = runCommand(kBounds + " batch --quiet < /dev/null");
    EXPECT_EQ(empty.status, 0) << empty.err;
    EXPECT_EQ(empty.out, "");
    const CommandResult full = runCommand(kBounds + " batch " + in + " > /dev/full");
    EXPECT_EQ(full.status, 1);
    EXPECT_EQ(full.err.rfind("bounds: ", 0), 0u) << full.err;
}

// ---------------------------------------------------------------------------
// The Parallel library's ordered stream

TEST(Stream, HandsBackEveryItemInOrderWithinItsWindowAndRefusesWhatItCannotRun)
{
    for (unsigned threads : {1u, 2u, 5u}) {
        const size_t window = 3 * threads, count = 500;
        std::vector<size_t> item(window), result(window), written;
        size_t next = 0;
        std::atomic<size_t> inFlight{0}, most{0};
        std::mt19937 random(threads);
        std::vector<int> pause(count);
        for (int& p : pause)
            p = static_cast<int>(random() % 200);
        const bool complete = gaussbound::streamInOrder(
            threads, window,
            [&](size_t s) {
                if (next == count)
                    return false;
                item[s] = next++;
                most = std::max(most.load(), ++inFlight);
                return true;
            },
            [&](size_t s, unsigned worker) {
                EXPECT_LT(worker, threads);
                std::this_thread::sleep_for(std::chrono::microseconds(pause[item[s]]));
                result[s] = item[s] * item[s];
            },
            [&](size_t s) {
                --inFlight;
                written.push_back(result[s]);
                return written.size() < 400;  // stops after 400
            });
        EXPECT_FALSE(complete);
        ASSERT_EQ(written.size(), 400u);
        for (size_t i = 0; i < written.size(); ++i)
            EXPECT_EQ(written[i], i * i);
        EXPECT_LE(most.load(), window);
    }
    // No threads, no window or a missing step is refused; nothing to read is done.
    const auto read = [](size_t) { return false; };
    const auto work = [](size_t, unsigned) {};
    const auto write = [](size_t) { return true; };
    EXPECT_THROW(gaussbound::streamInOrder(0, 4, read, work, write), std::invalid_argument);
    EXPECT_THROW(gaussbound::streamInOrder(2, 0, read, work, write), std::invalid_argument);
    EXPECT_THROW(gaussbound::streamInOrder(2, 4, {}, work, write), std::invalid_argument);
    EXPECT_THROW(gaussbound::streamInOrder(2, 4, read, {}, write), std::invalid_argument);
    EXPECT_THROW(gaussbound::streamInOrder(2, 4, read, work, {}), std::invalid_argument);
    EXPECT_TRUE(gaussbound::streamInOrder(2, 4, read, work, write));
}

// ---------------------------------------------------------------------------
// The Sweep library in-process

TEST(SweepLibrary, ValuesEndExactlyAtTheirEnds)
{
    EXPECT_EQ(gaussbound::sweepValues(0, 3, 61, false)[20], 1.0);
    const std::vector<double> down = gaussbound::sweepValues(0.3, -0.7, 7, false);
    EXPECT_EQ(down.front(), 0.3);
    EXPECT_EQ(down.back(), -0.7);
    for (size_t i = 1; i < down.size(); ++i)
        EXPECT_LT(down[i], down[i - 1]);
    const std::vector<double> decades = gaussbound::sweepValues(0.01, 100, 5, true);
    EXPECT_EQ(decades, (std::vector<double>{0.01, 0.1, 1, 10, 100}));
}

TEST(SweepLibrary, ModelsAtTHoldTheirParameterAndNothingElseChanges)
{
    gaussbound::Model m;
    m.mu1 = Eigen::Vector2d(0.5, -1);
    m.mu2 = Eigen::Vector2d(2, 1);
    m.sigma1 = (Eigen::Matrix2d() << 2, 0.6, 0.6, 1).finished();
    m.sigma2 = (Eigen::Matrix2d() << 1, 0, 0, 3).finished();
    for (const char* name : {"separation", "prior1", "scale1", "scale2", "rho1", "rho2", "mu1.2", "mu2.1",
                             "sigma1.1.2", "sigma2.2.2"}) {
        const auto p = gaussbound::sweepParameter(name);
        ASSERT_TRUE(p) << name;
        const double own = gaussbound::parameterValue(m, *p);
        const gaussbound::Model same = gaussbound::modelAt(m, *p, own);
        EXPECT_TRUE(same.mu1.isApprox(m.mu1) && same.mu2.isApprox(m.mu2) && same.sigma1.isApprox(m.sigma1) &&
                    same.sigma2.isApprox(m.sigma2) && same.prior1 == m.prior1)
            << name;
        const gaussbound::Model moved = gaussbound::modelAt(m, *p, 0.25);
        // Separation and scale are relative: their t of any model is 1.
        const bool relative = own == 1 && gaussbound::parameterValue(moved, *p) == 1;
        EXPECT_NEAR(relative ? 0.25 : gaussbound::parameterValue(moved, *p), 0.25, 1e-15) << name;
        EXPECT_EQ(moved.sigma1, moved.sigma1.transpose()) << name;
        EXPECT_EQ(moved.sigma2, moved.sigma2.transpose()) << name;
    }
    EXPECT_EQ(gaussbound::modelAt(m, *gaussbound::sweepParameter("separation"), 0).mu2, m.mu1);
    EXPECT_TRUE(gaussbound::modelAt(m, *gaussbound::sweepParameter("separation"), 0.25)
                    .mu2.isApprox(m.mu1 + 0.25 * (m.mu2 - m.mu1)));
    EXPECT_EQ(gaussbound::modelAt(m, *gaussbound::sweepParameter("scale2"), 0.25).sigma2, 0.25 * m.sigma2);
    EXPECT_EQ(gaussbound::modelAt(m, *gaussbound::sweepParameter("rho1"), 0.25).sigma1.diagonal(),
              m.sigma1.diagonal());
    for (const char* name : {"rho", "mu3.1", "mu1", "mu1.1.1", "sigma1.1", "sigma1.1.-1", "scale", "Separation"})
        EXPECT_FALSE(gaussbound::sweepParameter(name)) << name;
}

TEST(SweepLibrary, FiguresOnTwoThreadsAreThoseOfEachModelAlone)
{
    // Every figure, the table's included: each worker must have a table of
    // its own.
    const gaussbound::Model m = planeModel();
    const auto rho = gaussbound::sweepParameter("rho1");
    const std::vector<double> t = gaussbound::sweepValues(-0.9, 0.9, 120, false);
    const std::vector<gaussbound::Figures> two = gaussbound::sweepFigures(m, *rho, t, 2);
    static double table[10000][2];
    for (size_t i = 0; i < t.size(); ++i) {
        const gaussbound::Figures alone = gaussbound::analyse(gaussbound::modelAt(m, *rho, t[i]), table);
        EXPECT_EQ(two[i].tableBeta, alone.tableBeta) << t[i];
        EXPECT_EQ(two[i].tableFactor, alone.tableFactor) << t[i];
        EXPECT_EQ(two[i].tableErrorBound, alone.tableErrorBound) << t[i];
        EXPECT_EQ(two[i].optimum.errorBound, alone.optimum.errorBound) << t[i];
        EXPECT_EQ(two[i].bayes.value, alone.bayes.value) << t[i];
    }
}

TEST(SweepLibrary, TheFirstMissingFigureNamesItsStep)
{
    const gaussbound::Model m = planeModel();
    std::vector<gaussbound::Figures> rows =
        gaussbound::sweepFigures(m, *gaussbound::sweepParameter("prior1"), {0.2, 0.4, 0.6, 0.8}, 1);
    EXPECT_FALSE(gaussbound::firstMissing(rows));
    EXPECT_FALSE(gaussbound::firstMissing({}));
    rows[3].bayes.value = NAN;
    rows[2].divergences.hellinger = NAN;
    const auto missing = gaussbound::firstMissing(rows);
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->step, 2u);
    EXPECT_EQ(missing->figure, gaussbound::missingFigure(rows[2]));
}

TEST(SweepLibrary, DoorsRefuseWhatTheyCannotRead)
{
    using gaussbound::SweepParameter;
    using Kind = SweepParameter::Kind;
    const gaussbound::Model m = planeModel();
    const std::vector<double> t{0.2, 0.4};

    EXPECT_THROW(gaussbound::sweepValues(0, 1, 1, false), std::invalid_argument);
    EXPECT_THROW(gaussbound::sweepValues(1, 1, 5, false), std::invalid_argument);
    EXPECT_THROW(gaussbound::sweepValues(0, 1, 5, true), std::invalid_argument);
    EXPECT_THROW(gaussbound::sweepValues(-1, 1, 5, true), std::invalid_argument);
    EXPECT_THROW(gaussbound::sweepValues(0, NAN, 5, false), std::invalid_argument);
    EXPECT_THROW(gaussbound::sweepValues(0, INFINITY, 5, false), std::invalid_argument);

    // Entries beyond the dimension, a correlation outside the plane and a
    // class that does not exist: each would be read out of bounds.
    const SweepParameter misfits[] = {{Kind::Mean, 1, 3, 0},       {Kind::Mean, 2, 0, 0},
                                      {Kind::Covariance, 1, 1, 3}, {Kind::Covariance, 2, 0, 1},
                                      {Kind::Scale, 3, 0, 0},      {Kind::Mean, 0, 1, 0}};
    for (const SweepParameter& p : misfits) {
        EXPECT_THROW(gaussbound::modelAt(m, p, 0.5), std::invalid_argument);
        EXPECT_THROW(gaussbound::parameterValue(m, p), std::invalid_argument);
        EXPECT_THROW(gaussbound::sweepFigures(m, p, t, 1), std::invalid_argument);
    }
    gaussbound::Model space = m;
    space.mu1 = Eigen::Vector3d(0, 0, 0);
    space.mu2 = Eigen::Vector3d(1, 0, 0);
    space.sigma1 = space.sigma2 = Eigen::Matrix3d::Identity();
    EXPECT_THROW(gaussbound::modelAt(space, {Kind::Correlation, 1}, 0.5), std::invalid_argument);
    gaussbound::Model uneven = m;
    uneven.sigma2 = Eigen::Matrix3d::Identity();
    EXPECT_THROW(gaussbound::modelAt(uneven, {Kind::Covariance, 2, 3, 3}, 0.5), std::invalid_argument);
    EXPECT_THROW(gaussbound::checkSweep(uneven, {Kind::Separation}, t), std::invalid_argument);

    // checkSweep reports a misfit as a problem, but needs a value to name.
    EXPECT_TRUE(gaussbound::checkSweep(m, misfits[0], t));
    EXPECT_THROW(gaussbound::checkSweep(m, {Kind::Separation}, {}), std::invalid_argument);

    // A thread count of 0 once divided by zero; a value without a valid
    // model is thrown on the calling thread, not out of a worker.
    EXPECT_THROW(gaussbound::sweepFigures(m, {Kind::Separation}, t, 0), std::invalid_argument);
    EXPECT_THROW(gaussbound::sweepFigures(m, {Kind::Prior1}, {0.5, 1.5, 0.25}, 2), std::invalid_argument);
    EXPECT_TRUE(gaussbound::sweepFigures(m, {Kind::Separation}, {}, 2).empty());
}
