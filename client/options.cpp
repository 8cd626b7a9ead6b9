// Every option is taken as text and checked here rather than by CLI11's
// converters, so that each refusal names its option and says what is wrong in
// the same words.
#include "options.h"

#include <sys/stat.h>

#include <charconv>
#include <cmath>
#include <stdexcept>
#include <vector>

#include <CLI/CLI.hpp>

#include "model_file.h"
#include "output.h"

#ifndef GAUSSBOUND_VERSION
#define GAUSSBOUND_VERSION "unknown"
#endif

namespace {

// Thrown with the part of a refusal after "bounds: ".
struct Invalid : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Reads comma-separated finite numbers; with count > 0, exactly that many.
std::vector<double> readNumbers(const std::string& option, const std::string& text, size_t count)
{
    const std::string expected =
        option + ": expected " + (count > 0 ? std::to_string(count) + " " : "") +
        "comma-separated numbers, got '" + text + "'";
    std::vector<double> out;
    const char* p = text.data();
    const char* end = p + text.size();
    for (;;) {
        double v;
        const auto [next, ec] = std::from_chars(p, end, v);
        if (ec == std::errc::result_out_of_range)
            throw Invalid(option + ": '" + text + "' holds a number out of range");
        if (ec != std::errc() || next == p)
            throw Invalid(expected);
        if (!std::isfinite(v))
            throw Invalid(option + ": '" + text + "' holds a number that is not finite");
        out.push_back(v);
        p = next;
        if (p == end)
            break;
        if (*p != ',')
            throw Invalid(expected);
        ++p;
    }
    if (count > 0 && out.size() != count)
        throw Invalid(expected);
    return out;
}

Eigen::VectorXd readMean(const std::string& option, const std::string& text, size_t d)
{
    const std::vector<double> v = readNumbers(option, text, d);
    return Eigen::Map<const Eigen::VectorXd>(v.data(), static_cast<Eigen::Index>(v.size()));
}

Eigen::MatrixXd readCovariance(const std::string& option, const std::string& text, size_t d)
{
    const std::vector<double> v = readNumbers(option, text, d * d);
    const auto n = static_cast<Eigen::Index>(d);
    return Eigen::Map<const Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>>(
        v.data(), n, n);
}

void readSize(const std::string& text, int& width, int& height)
{
    const std::string expected = "--size: expected WIDTHxHEIGHT, got '" + text + "'";
    const char* p = text.data();
    const char* end = p + text.size();
    auto [afterWidth, ec1] = std::from_chars(p, end, width);
    if (ec1 != std::errc() || afterWidth == end || *afterWidth != 'x')
        throw Invalid(expected);
    auto [afterHeight, ec2] = std::from_chars(afterWidth + 1, end, height);
    if (ec2 != std::errc() || afterHeight != end)
        throw Invalid(expected);
    if (width < 200 || width > 8000 || height < 200 || height > 8000)
        throw Invalid("--size: each side must be from 200 to 8000");
}

void checkPath(const std::string& option, const std::string& path)
{
    if (path.empty())
        throw Invalid(option + ": the file name is empty");
}

// The plot's format from its extension; a stream (standard output, a device,
// a pipe) without one gets a PNG. Any other name must end in a format's.
gaussbound::Format plotFormat(const std::string& path)
{
    if (const auto format = gaussbound::formatFor(path))
        return *format;
    struct stat st;
    if (namesStandardOutput(path) || (stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)))
        return gaussbound::Format::Png;
    throw Invalid("--plot: " + path + ": the name must end in .png, .svg or .pdf");
}

void checkOutput(const std::string& option, const std::string& path)
{
    checkPath(option, path);
    if (const auto problem = outputProblem(path))
        throw Invalid(option + ": " + path + " " + *problem);
}

// A refusal is one line on stderr, whatever the user or CLI11 put in it.
std::string oneLine(std::string text)
{
    for (char& ch : text)
        if (static_cast<unsigned char>(ch) < 0x20 || ch == 0x7f)
            ch = ' ';
    return text;
}

// The options' text as typed, with the defaults in place.
struct Typed {
    std::string mu1 = "0,0", mu2 = "1,0", sigma1 = "1,0,0,1", sigma2 = "2,0,0,2";
    std::string priors = "0.5,0.5", size = "900x600", modelPath;
    std::vector<CLI::Option*> classOptions;
    CLI::Option* model = nullptr;
    CLI::Option* table = nullptr;
    CLI::Option* plot = nullptr;
};

void declareOptions(CLI::App& app, Typed& typed, Options& options)
{
    app.set_version_flag("--version", GAUSSBOUND_VERSION);
    typed.classOptions = {
        app.add_option("--mu1", typed.mu1, "Mean of class 1; its count d is the dimension")
            ->type_name("X1,...,Xd"),
        app.add_option("--mu2", typed.mu2, "Mean of class 2")->type_name("X1,...,Xd"),
        app.add_option("--sigma1", typed.sigma1, "Covariance of class 1, d*d numbers row-major")
            ->type_name("A,B,..."),
        app.add_option("--sigma2", typed.sigma2, "Covariance of class 2, d*d numbers row-major")
            ->type_name("A,B,..."),
        app.add_option("--priors", typed.priors, "Prior probabilities, summing to 1")
            ->type_name("P1,P2"),
    };
    for (CLI::Option* o : typed.classOptions)
        o->capture_default_str();
    typed.model = app.add_option("--model", typed.modelPath,
                                 "Read the two classes from a JSON file with the keys that --json "
                                 "prints (mu1, mu2, sigma1, sigma2, priors)")
                      ->type_name("FILE");
    typed.table = app.add_option("--table", options.tablePath,
                                 "Write the plot table (10000 rows, 6 columns) as CSV; - for "
                                 "standard output, in place of the summary")
                      ->type_name("FILE");
    typed.plot = app.add_option("--plot", options.plotPath,
                                "Draw the bound curve; the extension picks the format: .png, .svg "
                                "or .pdf (- for a PNG on standard output)")
                     ->type_name("FILE");
    app.add_option("--size", typed.size,
                   "Size of the plot, 200 to 8000 a side: pixels for PNG, points for SVG and PDF")
        ->type_name("WxH")
        ->capture_default_str();
    options.json = false;
    app.add_flag("--json", options.json, "Print the results as one JSON object");
    app.footer("Outputs follow symbolic links and keep a replaced file's permissions; devices\n"
               "and pipes are written directly. Exit status: 0 done, 1 an output could not be\n"
               "written or a figure could not be computed, 2 bad input.");
}

gaussbound::Model modelFromOptions(const Typed& typed)
{
    gaussbound::Model m;
    m.mu1 = readMean("--mu1", typed.mu1, 0);
    const size_t d = static_cast<size_t>(m.mu1.size());
    m.mu2 = readMean("--mu2", typed.mu2, d);
    m.sigma1 = readCovariance("--sigma1", typed.sigma1, d);
    m.sigma2 = readCovariance("--sigma2", typed.sigma2, d);
    const std::vector<double> p = readNumbers("--priors", typed.priors, 2);
    m.prior1 = p[0];
    m.prior2 = p[1];
    return m;
}

gaussbound::Model modelFromFile(const Typed& typed)
{
    for (const CLI::Option* o : typed.classOptions)
        if (*o)
            throw Invalid("--model: cannot be combined with " + o->get_name());
    checkPath("--model", typed.modelPath);
    try {
        return readModelFile(typed.modelPath);
    } catch (const ModelFileError& e) {
        throw Invalid(typed.modelPath + ": " + e.what());
    }
}

// Throws Invalid for the first option that is not acceptable.
void readOptions(const Typed& typed, Options& options)
{
    const bool fromFile = static_cast<bool>(*typed.model);
    options.model = fromFile ? modelFromFile(typed) : modelFromOptions(typed);
    if (const auto error = gaussbound::validate(options.model)) {
        // A field of the model is an option on the command line.
        throw Invalid(fromFile ? typed.modelPath + ": " + error->field + ": " + error->message
                               : "--" + error->field + ": " + error->message);
    }
    readSize(typed.size, options.width, options.height);
    if (*typed.table)
        checkOutput("--table", options.tablePath);
    if (*typed.plot) {
        checkOutput("--plot", options.plotPath);
        options.plotFormat = plotFormat(options.plotPath);
    }
    if (*typed.table && *typed.plot && samePlace(options.tablePath, options.plotPath))
        throw Invalid("--plot: names the same file as --table");
    const bool tableOut = *typed.table && namesStandardOutput(options.tablePath);
    const bool plotOut = *typed.plot && namesStandardOutput(options.plotPath);
    options.outputOnStandardOutput = tableOut || plotOut;
    if (options.json && options.outputOnStandardOutput)
        throw Invalid(std::string(tableOut ? "--table" : "--plot") +
                      ": names standard output, which --json prints on");
}

}  // namespace

ParseOutcome parseOptions(int argc, const char* const argv[], Options& options,
                          std::string& message)
{
    CLI::App app{"Chernoff and Bhattacharyya bounds on the Bayes error of two normal classes\n"
                 "in any dimension, beside the Bayes error itself.",
                 "bounds"};
    Typed typed;
    declareOptions(app, typed, options);

    try {
        app.parse(argc, argv);
        readOptions(typed, options);
    } catch (const CLI::CallForHelp&) {
        message = app.help();
        return ParseOutcome::Info;
    } catch (const CLI::CallForVersion& e) {
        message = std::string("bounds ") + e.what() + "\n";
        return ParseOutcome::Info;
    } catch (const CLI::ParseError& e) {
        message = oneLine(std::string("bounds: ") + e.what() + " (run 'bounds --help' for usage)");
        return ParseOutcome::Refuse;
    } catch (const Invalid& e) {
        message = oneLine(std::string("bounds: ") + e.what());
        return ParseOutcome::Refuse;
    }
    return ParseOutcome::Run;
}
