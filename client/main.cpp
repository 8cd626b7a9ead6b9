// bounds: Chernoff and Bhattacharyya bounds on the Bayes error of two normal
// classes in any dimension, with the Bayes error itself, a CSV plot table and
// a plot (PNG, SVG or PDF); for C classes, the Bayes rule's confusion matrix
// (classes.cpp). Exit status: 0 done, 1 an output could not be written or a
// figure could not be computed, 2 bad input (nothing is computed, printed or
// written).
#include <iostream>
#include <string>
#include <vector>

#include <gaussbound/Analysis.h>

#include "cli.h"
#include "options.h"
#include "output.h"

#include <gaussbound/CurveFigure.h>
#include <gaussbound/Report.h>
#include <gaussbound/RuleFigures.h>

int main(int argc, char** argv)
{
    Options options;
    std::string message;
    switch (parseOptions(argc, argv, options, message)) {
    case ParseOutcome::Info:
        std::cout << message << std::flush;
        return std::cout ? 0 : 1;
    case ParseOutcome::Refuse:
        std::cerr << message << '\n';
        return 2;
    case ParseOutcome::Run:
        break;
    }
    if (options.command)
        return options.command();
    if (const auto* classes = std::get_if<gaussbound::ClassesCase>(&options.input))
        return runClasses(*classes, options);

    static BoundTable table;  // 160 KB and 480 KB: kept off the stack
    static PlotTable plot;
    const gaussbound::ModelCase& input = std::get<gaussbound::ModelCase>(options.input);
    const gaussbound::Model& model = input.model;
    const gaussbound::Figures figures = gaussbound::analyse(model, table);
    if (const auto missing = gaussbound::missingFigure(figures)) {
        std::cerr << "bounds: the " << *missing << " could not be computed for these classes\n";
        return 1;
    }
    // The plot table is filled only for an output: touching its 480 KB
    // costs more than a run without outputs takes otherwise.
    if (!options.tablePath.empty() || !options.plot.path.empty())
        makePlot(plot, table, figures.tableBeta, figures.tableFactor, figures.bhattacharyya.factor);

    std::vector<PendingFile> files;
    if (!options.tablePath.empty())
        files.push_back({options.tablePath, gaussbound::csvTable(plot)});
    std::optional<gaussbound::Figure> figure;
    if (!options.plot.path.empty())
        figure = gaussbound::curveFigure(plot, figures.tableBeta, gaussbound::modelSummary(model));
    const gaussbound::RuleFigures rules =
        gaussbound::analyseRules(model, figures, input.costs, input.rule);
    return finish(std::move(figure), options.plot, std::move(files),
                  options.json ? gaussbound::jsonReport(model, figures, rules)
                               : gaussbound::textReport(model, figures, rules));
}
