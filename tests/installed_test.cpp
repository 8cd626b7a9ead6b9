// The installed programs against every class of input they refuse: each
// refusal has its exit status and its "sampler: " or "bounds: " line, and
// leaves no file behind.
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bad_inputs.h"
#include "command.h"

namespace fs = std::filesystem;

namespace {

// An install of the build tree in a fresh prefix, shared by the tests here.
class Installed : public ::testing::Test {
protected:
    static fs::path prefix;

    static void SetUpTestSuite()
    {
        char name[] = "/tmp/gaussbound-install-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        prefix = name;
        const CommandResult r = runCommand(std::string(CMAKE_EXE) + " --install " + BUILD_DIR +
                                           " --prefix " + prefix.string());
        ASSERT_EQ(r.status, 0) << r.out << r.err;
    }
    static void TearDownTestSuite() { fs::remove_all(prefix); }

    static std::string program(const char* name) { return (prefix / "bin" / name).string(); }

    // Expects a refusal: the status, one line on stderr with the prefix, and
    // nothing on stdout.
    static void expectRefusal(const CommandResult& r, int status, const std::string& prefix,
                              const std::string& what)
    {
        EXPECT_EQ(r.status, status) << what;
        EXPECT_EQ(r.err.rfind(prefix, 0), 0u) << what << ": " << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << what << ": " << r.err;
        EXPECT_EQ(r.out, "") << what;
    }
};

fs::path Installed::prefix;

std::vector<fs::path> listing(const fs::path& dir)
{
    std::vector<fs::path> entries;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        entries.push_back(e.path());
    return entries;
}

}  // namespace

TEST_F(Installed, ProgramsRefuseEveryClassOfBadInputCleanly)
{
    const fs::path dir = prefix / "work";
    fs::create_directories(dir / "a-folder");
    const auto before = listing(dir);
    const std::string files =
        " --table " + (dir / "t.csv").string() + " --plot " + (dir / "p.png").string();

    for (const char* args : kBadBoundsArguments) {
        const std::string a = args;
        // The empty-name cases name their own files.
        const CommandResult r =
            runCommand(program("bounds") + " " + a + (a.find("''") == a.npos ? files : ""));
        expectRefusal(r, 2, "bounds: ", args);
    }

    // Outputs that cannot be written: a missing folder, a file system that
    // takes no new files, and a full device; a folder named as the output is
    // bad input.
    for (const std::string& target : {(dir / "missing" / "x.png").string(), std::string("/proc/gaussbound-test.png")}) {
        for (const char* option : {" --table ", " --plot "})
            expectRefusal(runCommand(program("bounds") + option + target), 1, "bounds: ",
                          option + target);
    }
    for (const char* option : {" --table ", " --plot "})
        expectRefusal(runCommand(program("bounds") + option + (dir / "a-folder").string()), 2,
                      "bounds: ", option + std::string("a folder"));
    expectRefusal(runCommand(program("bounds") + " >/dev/full"), 1, "bounds: ", "/dev/full");
    expectRefusal(runCommand(program("sampler") + " 1 >/dev/full"), 1, "sampler: ", "/dev/full");
    EXPECT_EQ(listing(dir), before);  // no file, partial or temporary, was left

    // A reader that stops early ends the sampler too (timeout would say 124).
    const CommandResult head = runCommand("bash -c 'timeout 20 " + program("sampler") +
                                          " 1 | head -n 1; echo \"${PIPESTATUS[0]}\" >&2'");
    EXPECT_EQ(head.out, "(1.65601,1.63805)\n");
    EXPECT_NE(head.err, "124\n");
}

TEST_F(Installed, BoundsStartsWithoutOpenCVOrCairo)
{
    // Drawing is in a module loaded only for --plot: the program itself links
    // neither OpenCV nor Cairo.
    const CommandResult ldd = runCommand("ldd " + program("bounds"));
    ASSERT_EQ(ldd.status, 0) << ldd.err;
    EXPECT_EQ(ldd.out.find("opencv"), std::string::npos) << ldd.out;
    EXPECT_EQ(ldd.out.find("cairo"), std::string::npos) << ldd.out;
    // The installed module draws.
    const fs::path svg = prefix / "work" / "installed.svg";
    fs::create_directories(svg.parent_path());
    const CommandResult plot = runCommand(program("bounds") + " --plot " + svg.string());
    EXPECT_EQ(plot.status, 0) << plot.err;
    EXPECT_EQ(readFile(svg.string()).rfind("<?xml", 0), 0u);
    fs::remove(svg);
}
