// Every option is taken as text and checked here rather than by CLI11's
// converters, so that each refusal names its option and says what is wrong in
// the same words.
#include "options.h"

#include <charconv>
#include <cmath>
#include <stdexcept>

#include <CLI/CLI.hpp>

#ifndef GAUSSBOUND_VERSION
#define GAUSSBOUND_VERSION "unknown"
#endif

namespace {

// Thrown with the part of a refusal after "bounds: ".
struct Invalid : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Reads exactly `count` comma-separated finite numbers from text into out.
void readNumbers(const std::string& option, const std::string& text, int count, double* out)
{
    const std::string expected = option + ": expected " + std::to_string(count) +
                                 " comma-separated numbers, got '" + text + "'";
    const char* p = text.data();
    const char* end = p + text.size();
    for (int i = 0; i < count; ++i) {
        const auto [next, ec] = std::from_chars(p, end, out[i]);
        if (ec == std::errc::result_out_of_range)
            throw Invalid(option + ": '" + text + "' holds a number out of range");
        if (ec != std::errc() || next == p)
            throw Invalid(expected);
        if (!std::isfinite(out[i]))
            throw Invalid(option + ": '" + text + "' holds a number that is not finite");
        p = next;
        if (i + 1 < count) {
            if (p == end || *p != ',')
                throw Invalid(expected);
            ++p;
        }
    }
    if (p != end)
        throw Invalid(expected);
}

void readMean(const std::string& option, const std::string& text, double out[][1])
{
    double v[2];
    readNumbers(option, text, 2, v);
    out[0][0] = v[0];
    out[1][0] = v[1];
}

void readCovariance(const std::string& option, const std::string& text, double out[][2])
{
    double v[4];
    readNumbers(option, text, 4, v);
    out[0][0] = v[0];
    out[0][1] = v[1];
    out[1][0] = v[2];
    out[1][1] = v[3];

    const double scale = std::fmax(std::fmax(std::fabs(v[0]), std::fabs(v[1])),
                                   std::fmax(std::fabs(v[2]), std::fabs(v[3])));
    if (std::fabs(v[1] - v[2]) > 1e-9 * scale)
        throw Invalid(option + ": the covariance matrix is not symmetric (B != C)");
    if (!(v[0] > 0.0 && v[0] * v[3] - v[1] * v[2] > 0.0))
        throw Invalid(option + ": the covariance matrix is not positive definite");
}

void readPriors(const std::string& text, Classes& classes)
{
    double p[2];
    readNumbers("--priors", text, 2, p);
    for (double prior : p)
        if (!(prior > 0.0 && prior < 1.0))
            throw Invalid("--priors: each prior must lie strictly between 0 and 1");
    if (std::fabs(p[0] + p[1] - 1.0) > 1e-9)
        throw Invalid("--priors: the priors must sum to 1");
    classes.prior1 = p[0];
    classes.prior2 = p[1];
}

void readSize(const std::string& text, int& width, int& height)
{
    const std::string expected = "--size: expected WIDTHxHEIGHT in pixels, got '" + text + "'";
    const char* p = text.data();
    const char* end = p + text.size();
    auto [afterWidth, ec1] = std::from_chars(p, end, width);
    if (ec1 != std::errc() || afterWidth == end || *afterWidth != 'x')
        throw Invalid(expected);
    auto [afterHeight, ec2] = std::from_chars(afterWidth + 1, end, height);
    if (ec2 != std::errc() || afterHeight != end)
        throw Invalid(expected);
    if (width < 200 || width > 8000 || height < 200 || height > 8000)
        throw Invalid("--size: each side must be from 200 to 8000 pixels");
}

void checkPath(const std::string& option, const std::string& path)
{
    if (path.empty())
        throw Invalid(option + ": the file name is empty");
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
    std::string priors = "0.5,0.5", size = "900x600";
    CLI::Option* table = nullptr;
    CLI::Option* plot = nullptr;
};

void declareOptions(CLI::App& app, Typed& typed, Options& options)
{
    app.set_version_flag("--version", GAUSSBOUND_VERSION);
    app.add_option("--mu1", typed.mu1, "Mean of class 1")->type_name("X,Y")->capture_default_str();
    app.add_option("--mu2", typed.mu2, "Mean of class 2")->type_name("X,Y")->capture_default_str();
    app.add_option("--sigma1", typed.sigma1, "Covariance of class 1, row-major")
        ->type_name("A,B,C,D")
        ->capture_default_str();
    app.add_option("--sigma2", typed.sigma2, "Covariance of class 2, row-major")
        ->type_name("A,B,C,D")
        ->capture_default_str();
    app.add_option("--priors", typed.priors, "Prior probabilities, summing to 1")
        ->type_name("P1,P2")
        ->capture_default_str();
    typed.table = app.add_option("--table", options.tablePath,
                                 "Write the plot table (10000 rows, 6 columns) as CSV")
                      ->type_name("FILE");
    typed.plot = app.add_option("--plot", options.plotPath, "Draw the bound curve as a PNG")
                     ->type_name("FILE");
    app.add_option("--size", typed.size, "Size of the PNG in pixels, 200 to 8000 a side")
        ->type_name("WxH")
        ->capture_default_str();
    options.json = false;
    app.add_flag("--json", options.json, "Print the results as one JSON object");
    app.footer("Exit status: 0 done, 1 an output could not be written, 2 bad input.");
}

// Throws Invalid for the first option that is not acceptable.
void readOptions(const Typed& typed, Options& options)
{
    Classes& c = options.classes;
    readMean("--mu1", typed.mu1, c.mu1);
    readMean("--mu2", typed.mu2, c.mu2);
    readCovariance("--sigma1", typed.sigma1, c.sigma1);
    readCovariance("--sigma2", typed.sigma2, c.sigma2);
    readPriors(typed.priors, c);
    readSize(typed.size, options.width, options.height);
    if (*typed.table)
        checkPath("--table", options.tablePath);
    if (*typed.plot)
        checkPath("--plot", options.plotPath);
    if (*typed.table && *typed.plot && options.tablePath == options.plotPath)
        throw Invalid("--plot: names the same file as --table");
}

}  // namespace

ParseOutcome parseOptions(int argc, const char* const argv[], Options& options,
                          std::string& message)
{
    CLI::App app{"Chernoff and Bhattacharyya bounds on the Bayes error of two normal classes\n"
                 "in the plane, beside the Bayes error itself.",
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
