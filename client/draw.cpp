// bounds draw: samples of two normal classes, or of C, from the documented
// stream, written as sample files, with the true Bayes rule's error on them
// beside the exact figures, and for two classes a figure of them (a
// scatter, or a strip in one coordinate).
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <iostream>
#include <memory>

#include <gaussbound/Analysis.h>
#include <gaussbound/Bound.h>
#include <gaussbound/ClassesFit.h>
#include <gaussbound/Confusion.h>
#include <gaussbound/Draw.h>
#include <gaussbound/SampleFigure.h>
#include <gaussbound/SampleFit.h>
#include <gaussbound/SampleReport.h>

#include "cli.h"
#include "commands.h"

namespace {

constexpr std::uint64_t kMostPoints = 10000000;  // a class, so that its points fit in memory

struct Draw {
    // As typed.
    ClassOptions classes;
    std::string countsText = "500", seed = "1", outPrefix;
    PlotOptions plot;
    bool json = false, useNames = false;
    CLI::Option* outOption = nullptr;
    // Checked.
    gaussbound::AnyCase input;
    std::vector<Eigen::Index> counts;  // one a class
    std::uint64_t seedValue = 1;
    std::vector<std::string> outPaths;  // PREFIX1.csv, PREFIX2.csv, ...
};

// A class's name as part of a file name: letters, digits, spaces, '-', '_'
// and '.', not starting with '.' or a space, so that no name reaches
// another folder or hides its file.
bool fileNamePart(const std::string& name)
{
    return !name.empty() && name.front() != '.' && name.front() != ' ' &&
           std::all_of(name.begin(), name.end(), [](char ch) {
               return std::isalnum(static_cast<unsigned char>(ch)) || ch == ' ' || ch == '-' || ch == '_' || ch == '.';
           });
}

// --n: N for every class, or one count a class.
std::vector<Eigen::Index> readCounts(const std::string& text, std::size_t classes)
{
    std::vector<std::string> parts;
    for (size_t start = 0;;) {
        const size_t comma = text.find(',', start);
        parts.push_back(text.substr(start, comma - start));
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    if (parts.size() != 1 && parts.size() != classes)
        throw Invalid("--n: expected N or " + std::to_string(classes) + " comma-separated counts, got '" + text + "'");
    std::vector<Eigen::Index> counts;
    for (std::size_t i = 0; i < classes; ++i)
        counts.push_back(static_cast<Eigen::Index>(readWhole("--n", parts[parts.size() == 1 ? 0 : i], 1, kMostPoints)));
    return counts;
}

// The suffixes of the sample files: 1.csv, 2.csv, ..., or NAME.csv.
std::vector<std::string> fileSuffixes(const gaussbound::AnyCase& input, bool useNames)
{
    const auto* c = std::get_if<gaussbound::ClassesCase>(&input);
    if (useNames && !c)
        throw Invalid("--use-names: names the files of C classes (\"classes\" in --model's file)");
    std::vector<std::string> suffixes;
    for (std::size_t i = 0; i < (c ? c->model.size() : 2); ++i) {
        const std::string name = useNames ? c->model.classes[i].name : std::to_string(i + 1);
        if (!fileNamePart(name))
            throw Invalid("--use-names: the name \"" + name +
                          "\" cannot be part of a file name (letters, digits, spaces, '-', '_' and '.' only)");
        suffixes.push_back(name + ".csv");
    }
    return suffixes;
}

// Throws Invalid for the first option that is not acceptable.
void check(Draw& o)
{
    o.input = o.classes.readAny();
    const auto* c = std::get_if<gaussbound::ClassesCase>(&o.input);
    o.counts = readCounts(o.countsText, c ? c->model.size() : 2);
    o.seedValue = readWhole("--seed", o.seed, 0, UINT64_MAX);
    const std::vector<std::string> suffixes = fileSuffixes(o.input, o.useNames);
    if (*o.outOption) {
        // A folder's name means files inside it, not hidden ones beside it.
        struct stat st;
        const bool folder = !o.outPrefix.empty() && o.outPrefix.back() != '/' &&
                            stat(o.outPrefix.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        for (const std::string& suffix : suffixes) {
            o.outPaths.push_back(o.outPrefix + (folder ? "/" : "") + suffix);
            checkOutput("--out", o.outPaths.back());
        }
    }
    if (c && *o.plot.option)
        throw Invalid("--plot: draws two classes; for C classes 'bounds --model FILE --plot FILE' draws their regions");
    o.plot.check(o.json);
    for (const std::string& out : o.outPaths)
        if (*o.plot.option && samePlace(out, o.plot.target.path))
            throw Invalid("--plot: names the same file as --out's " + out);
}

int runDrawClasses(const Draw& o, const gaussbound::ClassesCase& c)
{
    gaussbound::ConfusionSettings settings;
    settings.losses = c.losses;
    const gaussbound::ClassesFigures figures = gaussbound::analyseClasses(c.model, settings);
    const std::vector<gaussbound::Points> drawn = gaussbound::drawClasses(c.model, o.counts, o.seedValue);
    const gaussbound::ClassesCounts counts =
        gaussbound::classifyClasses(gaussbound::ClassesRule(c.model, c.losses), drawn);
    std::vector<PendingFile> files;
    for (size_t i = 0; i < o.outPaths.size(); ++i)
        files.push_back({o.outPaths[i], gaussbound::drawnSampleFile(c.model, i, drawn[i], o.seedValue)});
    return finish(std::nullopt, o.plot.target, std::move(files),
                  o.json ? gaussbound::classesDrawJson(c, figures, counts, o.seedValue)
                         : gaussbound::classesDrawText(c, figures, counts, o.seedValue));
}

int runDraw(const Draw& o)
{
    if (const auto* c = std::get_if<gaussbound::ClassesCase>(&o.input))
        return runDrawClasses(o, *c);
    const gaussbound::Model& model = std::get<gaussbound::ModelCase>(o.input).model;
    const gaussbound::Figures figures = gaussbound::analyse(model, std::make_unique<double[][2]>(kTableRows).get());
    if (const auto missing = gaussbound::missingFigure(figures)) {
        std::cerr << "bounds: the " << *missing << " could not be computed for these classes\n";
        return 1;
    }
    const gaussbound::Classified drawn = gaussbound::drawClassified(model, o.counts[0], o.counts[1], o.seedValue);
    std::vector<PendingFile> files;
    if (!o.outPaths.empty())
        for (int c : {1, 2})
            files.push_back({o.outPaths[c - 1], gaussbound::drawnSampleFile(model, c, c == 1 ? drawn.class1 : drawn.class2,
                                                                         o.seedValue)});
    std::optional<gaussbound::Figure> figure;
    if (!o.plot.target.path.empty())
        figure = gaussbound::drawFigure(model, figures, drawn);
    return finish(std::move(figure), o.plot.target, std::move(files),
                  o.json ? gaussbound::drawJson(model, figures, drawn, o.seedValue)
                         : gaussbound::drawText(model, figures, drawn, o.seedValue));
}

}  // namespace

void addDrawCommand(CLI::App& app, Work& work)
{
    auto o = std::make_shared<Draw>();
    CLI::App* draw = app.add_subcommand(
        "draw", "Draw samples of two normal classes, or of C from a model file of classes, given as\n"
                "for plain bounds, and report the true Bayes rule's error on them beside the exact figures");
    o->classes.declare(*draw);
    draw->add_option("--n", o->countsText, "Points of each class (1 to 10^7), or one count a class")
        ->type_name("N|N1,N2,...")
        ->capture_default_str();
    draw->add_option("--seed", o->seed, "Seed of the stream (std::mt19937_64; see the README)")
        ->type_name("S")
        ->capture_default_str();
    o->outOption = draw->add_option("--out", o->outPrefix,
                                    "Write the points to PREFIX1.csv, PREFIX2.csv, ..., one a line (a folder: "
                                    "1.csv, 2.csv, ... inside it)")
                       ->type_name("PREFIX");
    draw->add_flag("--use-names", o->useNames,
                   "C classes: name the files PREFIXNAME.csv by the classes' names rather than their numbers");
    o->plot.declare(*draw, "Draw the samples with the true ellipses and decision boundary");
    draw->add_flag("--json", o->json, "Print the results as one JSON object");
    draw->footer("The same seed gives the same points on every platform with IEEE doubles.\n"
                 "Exit status: 0 done, 1 an output could not be written or a figure could not be\n"
                 "computed, 2 bad input.");
    draw->callback([o, &work] {
        check(*o);
        work = [o] { return runDraw(*o); };
    });
}
