// bounds draw: samples of two normal classes from the documented stream,
// written as sample files, with the true Bayes rule's error on them beside
// the exact figures, and a figure of them (a scatter, or a strip in one
// coordinate).
#include <sys/stat.h>

#include <iostream>
#include <memory>

#include <gaussbound/Analysis.h>
#include <gaussbound/Bound.h>
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
    std::string counts = "500", seed = "1", outPrefix;
    PlotOptions plot;
    bool json = false;
    CLI::Option* outOption = nullptr;
    // Checked.
    gaussbound::Model model;
    Eigen::Index n1 = 0, n2 = 0;
    std::uint64_t seedValue = 1;
    std::vector<std::string> outPaths;  // PREFIX1.csv, PREFIX2.csv
};

// Throws Invalid for the first option that is not acceptable.
void check(Draw& o)
{
    o.model = o.classes.read().model;
    const size_t comma = o.counts.find(',');
    o.n1 = static_cast<Eigen::Index>(readWhole("--n", o.counts.substr(0, comma), 1, kMostPoints));
    o.n2 = comma == std::string::npos
               ? o.n1
               : static_cast<Eigen::Index>(readWhole("--n", o.counts.substr(comma + 1), 1, kMostPoints));
    o.seedValue = readWhole("--seed", o.seed, 0, UINT64_MAX);
    if (*o.outOption) {
        // A folder's name means files inside it, not hidden ones beside it.
        struct stat st;
        const bool folder = !o.outPrefix.empty() && o.outPrefix.back() != '/' &&
                            stat(o.outPrefix.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        for (const char* suffix : {"1.csv", "2.csv"}) {
            o.outPaths.push_back(o.outPrefix + (folder ? "/" : "") + suffix);
            checkOutput("--out", o.outPaths.back());
        }
    }
    o.plot.check(o.json);
    for (const std::string& out : o.outPaths)
        if (*o.plot.option && samePlace(out, o.plot.target.path))
            throw Invalid("--plot: names the same file as --out's " + out);
}

int runDraw(const Draw& o)
{
    const gaussbound::Figures figures = gaussbound::analyse(o.model, std::make_unique<double[][2]>(kTableRows).get());
    if (const auto missing = gaussbound::missingFigure(figures)) {
        std::cerr << "bounds: the " << *missing << " could not be computed for these classes\n";
        return 1;
    }
    const gaussbound::Classified drawn = gaussbound::drawClassified(o.model, o.n1, o.n2, o.seedValue);
    std::vector<PendingFile> files;
    if (!o.outPaths.empty())
        for (int c : {1, 2})
            files.push_back({o.outPaths[c - 1], gaussbound::drawnSampleFile(o.model, c, c == 1 ? drawn.class1 : drawn.class2,
                                                                         o.seedValue)});
    std::optional<gaussbound::Figure> figure;
    if (!o.plot.target.path.empty())
        figure = gaussbound::drawFigure(o.model, figures, drawn);
    return finish(std::move(figure), o.plot.target, std::move(files),
                  o.json ? gaussbound::drawJson(o.model, figures, drawn, o.seedValue)
                         : gaussbound::drawText(o.model, figures, drawn, o.seedValue));
}

}  // namespace

void addDrawCommand(CLI::App& app, Work& work)
{
    auto o = std::make_shared<Draw>();
    CLI::App* draw = app.add_subcommand(
        "draw", "Draw samples of two normal classes, given as for plain bounds, and report the true\n"
                "Bayes rule's error on them beside the exact figures");
    o->classes.declare(*draw);
    draw->add_option("--n", o->counts, "Points of each class, or of class 1 and class 2")
        ->type_name("N|N1,N2")
        ->capture_default_str();
    draw->add_option("--seed", o->seed, "Seed of the stream (std::mt19937_64; see the README)")
        ->type_name("S")
        ->capture_default_str();
    o->outOption = draw->add_option("--out", o->outPrefix,
                                    "Write the points to PREFIX1.csv and PREFIX2.csv, one a line (a folder: "
                                    "1.csv and 2.csv inside it)")
                       ->type_name("PREFIX");
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
