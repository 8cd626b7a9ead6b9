// What every command of the bounds client reads the same way.
//
//   Invalid        a refusal: the text after "bounds: "
//   readNumbers    comma-separated finite numbers
//   ClassOptions   the two classes as options (--mu1 ... --priors) or --model
//   readCosts      --costs L11,L12,L21,L22
//   DecisionOptions  --costs and --rule FILE, over what the model file gives
//   readSize       a plot size, WIDTHxHEIGHT
//   readWhole      a whole number within limits
//   readThreads    the --threads option of the commands that compute in parallel
//   checkOutput    a path that can take output, before any work
//   plotFormat     a plot's format from its file name
//   PlotOptions    --plot FILE, --size WxH and --title TEXT of a command that draws a figure
//   checkOutputs   a command's outputs together: distinct, standard output once
//   TableAndPlot   where a command that writes a CSV table and a figure sends them
//   finish         draws a command's figure, writes its files, prints its text
//   oneLine        a refusal made fit for one line of stderr
//
// Every option is taken as text and checked here rather than by CLI11's
// converters, so that each refusal names its option and says what is wrong in
// the same words.
#ifndef GAUSSBOUND_CLIENT_CLI_H
#define GAUSSBOUND_CLIENT_CLI_H

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include <gaussbound/Model.h>
#include <gaussbound/ModelFile.h>

#include <gaussbound/Figure.h>
#include "output.h"

struct Invalid : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Reads comma-separated finite numbers; with count > 0, exactly that many.
// Throws Invalid naming option.
std::vector<double> readNumbers(const std::string& option, const std::string& text, size_t count);

// The options that give two normal classes, with their defaults.
struct ClassOptions {
    std::string mu1 = "0,0", mu2 = "1,0", sigma1 = "1,0,0,1", sigma2 = "2,0,0,2";
    std::string priors = "0.5,0.5", modelPath;
    std::vector<CLI::Option*> classOptions;  // --mu1 ... --priors
    CLI::Option* model = nullptr;

    // Adds --mu1, --mu2, --sigma1, --sigma2, --priors and --model to app.
    void declare(CLI::App& app);
    // The model typed or read from --model ("-": standard input), validated,
    // with the costs and rule the file gives; a file of two classes in the
    // classes form reads as their model. Throws Invalid.
    gaussbound::ModelCase read() const;
    // The same, where the file may also hold C classes.
    gaussbound::AnyCase readAny() const;
    // The --model file as messages name it.
    std::string modelName() const;

private:
    gaussbound::AnyCase readCase(bool classes) const;
};

// Reads four losses that costsProblem accepts. Throws Invalid naming option.
gaussbound::Costs readCosts(const std::string& option, const std::string& text);

// --costs and --rule, which replace the model file's costs and rule.
struct DecisionOptions {
    std::string costs, rulePath;
    CLI::Option* costsOption = nullptr;
    CLI::Option* ruleOption = nullptr;

    // Adds --costs and --rule to app; what says what the rule is used for.
    void declare(CLI::App& app, const std::string& what);
    // Puts the options given into c, whose model is valid. Throws Invalid.
    void apply(gaussbound::ModelCase& c) const;
    // For C classes: --costs holds C*C losses, row-major; --rule is
    // refused. Throws Invalid.
    void apply(gaussbound::ClassesCase& c) const;
};

// Reads "WxH", each side 200 to 8000. Throws Invalid.
void readSize(const std::string& text, int& width, int& height);

// Reads a decimal whole number from low to high. Throws Invalid naming option.
std::uint64_t readWhole(const std::string& option, const std::string& text, std::uint64_t low, std::uint64_t high);

// Reads --threads: empty for one thread a core, else 1 to 1024. Throws Invalid.
unsigned readThreads(const std::string& text);

// Throws Invalid when path is empty or cannot take output (a folder).
void checkOutput(const std::string& option, const std::string& path);

// The plot's format from its extension; a stream (standard output, a device,
// a pipe) without one gets a PNG. Any other name must end in a format's, and
// standard output must not be a terminal. Throws Invalid.
gaussbound::Format plotFormat(const std::string& option, const std::string& path);

// Where a figure goes: a path (empty: none), its format and size (pixels
// for PNG, points for SVG and PDF), and the title that replaces the
// figure's own, if the user gave one.
struct PlotTarget {
    std::string path;
    gaussbound::Format format = gaussbound::Format::Png;
    int width = 0, height = 0;
    std::optional<std::string> title;
};

// The options of every command that draws a figure, declared once.
struct PlotOptions {
    std::string size = "900x600", title;
    CLI::Option* option = nullptr;
    CLI::Option* titleOption = nullptr;
    PlotTarget target;  // the path as typed; the rest once checked

    // Adds --plot (described by what), --size and --title to app.
    void declare(CLI::App& app, const std::string& what);
    // Checks the size and the path; json tells whether --json prints on
    // standard output, which the figure then cannot take. Throws Invalid.
    void check(bool json);
    // The two halves of check, for a command that checks other options
    // between them: the size (and the title) first, then the path, with no
    // word about --json.
    void checkSize();
    void checkPath();
};

// A file a command may write: its option and the path given, if any.
struct NamedOutput {
    std::string option;
    const CLI::Option* given;
    std::string path;
};

// Checks each output given (checkOutput), that no two name the same file and
// that none names standard output beside --json (json). Returns whether one
// goes to standard output, in place of the command's text. Throws Invalid.
bool checkOutputs(const std::vector<NamedOutput>& outputs, bool json);

// The checked --csv and --plot of a command that writes both (sweep, roc).
struct TableAndPlot {
    std::string csvPath;    // empty: not asked for
    PlotTarget plot;        // its path empty: not asked for
    bool onStandardOutput;  // one of them goes there, in place of the summary

    // Checks csv (given as csvPath) and plot's --plot together
    // (checkOutputs), then the plot's path (PlotOptions::checkPath); plot's
    // size is checked already. Throws Invalid.
    static TableAndPlot check(const CLI::Option* csv, const std::string& csvPath, PlotOptions& plot, bool json);
};

// How every command ends: renders figure into plot.path (when both are
// given), with plot.title in place of its own title when there is one, writes
// it and files all or nothing (writeOutputs), then prints summary on standard
// output unless an output went there. Returns the exit status: 0, or 1 with a
// "bounds: " line on stderr when something could not be drawn or written.
int finish(std::optional<gaussbound::Figure> figure, const PlotTarget& plot, std::vector<PendingFile> files,
           const std::string& summary);

// Control characters become spaces.
std::string oneLine(std::string text);

#endif
