#include "cli.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iostream>
#include <thread>

#include <gaussbound/Input.h>
#include <gaussbound/ModelFile.h>
#include "output.h"
#include "modules.h"

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
            throw Invalid(gaussbound::outOfRange(option, text));
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

namespace {

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

void checkPath(const std::string& option, const std::string& path)
{
    if (path.empty())
        throw Invalid(option + ": the file name is empty");
}

}  // namespace

void ClassOptions::declare(CLI::App& app)
{
    classOptions = {
        app.add_option("--mu1", mu1, "Mean of class 1; its count d is the dimension")->type_name("X1,...,Xd"),
        app.add_option("--mu2", mu2, "Mean of class 2")->type_name("X1,...,Xd"),
        app.add_option("--sigma1", sigma1, "Covariance of class 1, d*d numbers row-major")
            ->type_name("A,B,..."),
        app.add_option("--sigma2", sigma2, "Covariance of class 2, d*d numbers row-major")
            ->type_name("A,B,..."),
        app.add_option("--priors", priors, "Prior probabilities, summing to 1")->type_name("P1,P2"),
    };
    for (CLI::Option* o : classOptions)
        o->capture_default_str();
    model = app.add_option("--model", modelPath,
                           "Read the two classes from a JSON file with the keys that --json "
                           "prints (mu1, mu2, sigma1, sigma2, priors), or C classes "
                           "({\"classes\": [{\"name\", \"mean\", \"covariance\", \"prior\"}, ...]}) "
                           "where the command takes them")
                ->type_name("FILE");
}

gaussbound::ModelCase ClassOptions::read() const
{
    return std::get<gaussbound::ModelCase>(readCase(false));
}

gaussbound::AnyCase ClassOptions::readAny() const
{
    return readCase(true);
}

gaussbound::AnyCase ClassOptions::readCase(bool classes) const
{
    const bool fromFile = static_cast<bool>(*model);
    gaussbound::AnyCase any;
    if (fromFile) {
        for (const CLI::Option* o : classOptions)
            if (*o)
                throw Invalid("--model: cannot be combined with " + o->get_name());
        checkPath("--model", modelPath);
        try {
            if (classes)
                any = gaussbound::readCaseFile(modelPath);
            else
                any = gaussbound::readModelFile(modelPath);
        } catch (const gaussbound::ModelFileError& e) {
            throw Invalid(modelName() + ": " + e.what());
        }
    } else {
        gaussbound::Model& m = std::get<gaussbound::ModelCase>(any).model;
        m.mu1 = readMean("--mu1", mu1, 0);
        const size_t d = static_cast<size_t>(m.mu1.size());
        m.mu2 = readMean("--mu2", mu2, d);
        m.sigma1 = readCovariance("--sigma1", sigma1, d);
        m.sigma2 = readCovariance("--sigma2", sigma2, d);
        const std::vector<double> p = readNumbers("--priors", priors, 2);
        m.prior1 = p[0];
        m.prior2 = p[1];
    }
    if (const auto* c = std::get_if<gaussbound::ModelCase>(&any))
        if (const auto error = gaussbound::validate(c->model)) {
            // A field of the model is an option on the command line.
            throw Invalid(fromFile ? modelName() + ": " + error->field + ": " + error->message
                                   : "--" + error->field + ": " + error->message);
        }
    return any;
}

std::string ClassOptions::modelName() const
{
    return gaussbound::inputName(modelPath);
}

gaussbound::Costs readCosts(const std::string& option, const std::string& text)
{
    const std::vector<double> l = readNumbers(option, text, 4);
    const gaussbound::Costs costs{l[0], l[1], l[2], l[3]};
    if (const auto problem = gaussbound::costsProblem(costs))
        throw Invalid(option + ": " + *problem);
    return costs;
}

void DecisionOptions::declare(CLI::App& app, const std::string& what)
{
    costsOption = app.add_option("--costs", costs,
                                 "Losses L_ij of deciding class j for a point of class i (L11 < L12, L22 < "
                                 "L21, all >= 0); the Bayes rule then minimises the expected loss. For C "
                                 "classes, C*C losses row-major, L_ii < L_ij")
                      ->type_name("L11,L12,L21,L22");
    ruleOption = app.add_option("--rule", rulePath,
                                "A rule to judge, deciding class 2 where x'Ax + b'x + c > 0: a JSON file "
                                "{\"quadratic\": A (d x d, or null), \"linear\": b, \"constant\": c}; " +
                                    what)
                     ->type_name("FILE");
}

void DecisionOptions::apply(gaussbound::ModelCase& c) const
{
    if (*costsOption)
        c.costs = readCosts("--costs", costs);
    if (*ruleOption) {
        checkPath("--rule", rulePath);
        try {
            c.rule = gaussbound::readRuleFile(rulePath, c.model.dimension());
        } catch (const gaussbound::ModelFileError& e) {
            throw Invalid("--rule: " + gaussbound::inputName(rulePath) + ": " + e.what());
        }
    }
}

void DecisionOptions::apply(gaussbound::ClassesCase& c) const
{
    if (*ruleOption)
        throw Invalid("--rule: judges a rule of two classes; the model holds " + std::to_string(c.model.size()));
    if (!*costsOption)
        return;
    const auto n = static_cast<Eigen::Index>(c.model.size());
    const std::vector<double> l = readNumbers("--costs", costs, static_cast<size_t>(n * n));
    c.losses = Eigen::Map<const Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>>(l.data(), n, n);
    if (const auto problem = gaussbound::lossesProblem(*c.losses, c.model.size()))
        throw Invalid("--costs: " + *problem);
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

std::uint64_t readWhole(const std::string& option, const std::string& text, std::uint64_t low, std::uint64_t high)
{
    std::uint64_t v;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty())
        throw Invalid(option + ": expected a whole number, got '" + text + "'");
    if (v < low || v > high)
        throw Invalid(option + ": must be from " + std::to_string(low) + " to " + std::to_string(high) +
                      ", got " + text);
    return v;
}

unsigned readThreads(const std::string& text)
{
    if (text.empty())
        return std::max(1u, std::thread::hardware_concurrency());
    return static_cast<unsigned>(readWhole("--threads", text, 1, 1024));
}

void checkOutput(const std::string& option, const std::string& path)
{
    checkPath(option, path);
    if (const auto problem = outputProblem(path))
        throw Invalid(option + ": " + path + " " + *problem);
}

gaussbound::Format plotFormat(const std::string& option, const std::string& path)
{
    if (namesStandardOutput(path) && isatty(STDOUT_FILENO))
        throw Invalid(option + ": standard output is a terminal, which cannot show a figure; give " + option +
                      " FILE, or redirect standard output to a file or a program");
    if (const auto format = gaussbound::formatFor(path))
        return *format;
    struct stat st;
    if (namesStandardOutput(path) || (stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)))
        return gaussbound::Format::Png;
    throw Invalid(option + ": " + path + ": the name must end in .png, .svg or .pdf");
}

void PlotOptions::declare(CLI::App& app, const std::string& what)
{
    option = app.add_option("--plot", target.path,
                            what + "; the extension picks the format: .png, .svg or .pdf (- for a PNG on "
                                   "standard output, in place of the summary)")
                 ->type_name("FILE");
    app.add_option("--size", size, "Size of the plot, 200 to 8000 a side: pixels for PNG, points for SVG and PDF")
        ->type_name("WxH")
        ->capture_default_str();
    titleOption = app.add_option("--title", title, "Title of the plot in place of the command's own")
                      ->type_name("TEXT");
}

void PlotOptions::checkSize()
{
    readSize(size, target.width, target.height);
    if (*titleOption)
        target.title = title;
}

void PlotOptions::checkPath()
{
    if (!*option)
        return;
    checkOutput("--plot", target.path);
    target.format = plotFormat("--plot", target.path);
}

void PlotOptions::check(bool json)
{
    checkSize();
    checkPath();
    if (*option && json && namesStandardOutput(target.path))
        throw Invalid("--plot: names standard output, which --json prints on");
}

bool checkOutputs(const std::vector<NamedOutput>& outputs, bool json)
{
    const NamedOutput* onStandardOutput = nullptr;
    for (size_t i = 0; i < outputs.size(); ++i) {
        const NamedOutput& o = outputs[i];
        if (!*o.given)
            continue;
        checkOutput(o.option, o.path);
        for (size_t j = 0; j < i; ++j)
            if (*outputs[j].given && samePlace(outputs[j].path, o.path))
                throw Invalid(o.option + ": names the same file as " + outputs[j].option);
        if (namesStandardOutput(o.path) && !onStandardOutput)
            onStandardOutput = &o;
    }
    if (json && onStandardOutput)
        throw Invalid(onStandardOutput->option + ": names standard output, which --json prints on");
    return onStandardOutput != nullptr;
}

TableAndPlot TableAndPlot::check(const CLI::Option* csv, const std::string& csvPath, PlotOptions& plot, bool json)
{
    TableAndPlot out;
    out.onStandardOutput =
        checkOutputs({{"--csv", csv, csvPath}, {"--plot", plot.option, plot.target.path}}, json);
    plot.checkPath();
    out.csvPath = *csv ? csvPath : "";
    out.plot = plot.target;
    if (!*plot.option)
        out.plot.path.clear();
    return out;
}

int finish(std::optional<gaussbound::Figure> figure, const PlotTarget& plot, std::vector<PendingFile> files,
           const std::string& summary)
{
    if (figure && !plot.path.empty()) {
        if (plot.title)
            figure->title = *plot.title;
        try {
            files.push_back({plot.path, renderFigure(*figure, plot.format, plot.width, plot.height)});
        } catch (const std::runtime_error& e) {
            std::cerr << "bounds: " << plot.path << ": the figure could not be drawn: " << e.what() << '\n';
            return 1;
        }
    }
    std::string error;
    if (!writeOutputs(files, error)) {
        std::cerr << "bounds: cannot write " << error << '\n';
        return 1;
    }
    if (std::any_of(files.begin(), files.end(), [](const PendingFile& f) { return namesStandardOutput(f.path); }))
        return 0;
    std::cout << summary << std::flush;
    if (!std::cout) {
        std::cerr << "bounds: cannot write to standard output\n";
        return 1;
    }
    return 0;
}

std::string oneLine(std::string text)
{
    for (char& ch : text)
        if (static_cast<unsigned char>(ch) < 0x20 || ch == 0x7f)
            ch = ' ';
    return text;
}
