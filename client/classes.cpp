// The plain command for C classes: the Bayes rule's confusion matrix with
// its error figures, the pairwise Bayes errors and bounds, and the figure of
// the decision regions in a plane.
#include <optional>

#include <gaussbound/ClassesReport.h>
#include <gaussbound/Confusion.h>
#include <gaussbound/RegionFigure.h>
#include <gaussbound/Text.h>

#include "options.h"
#include "progress.h"

int runClasses(const gaussbound::ClassesCase& input, const Options& options)
{
    gaussbound::ConfusionSettings settings = options.confusion;
    ProgressLine progress("confusion matrix, percent", 100);
    settings.progress = [&progress](double done) { progress.update(static_cast<long>(100.0 * done)); };
    const gaussbound::ClassesFigures figures = gaussbound::analyseClasses(input.model, settings);
    std::optional<gaussbound::Figure> figure;
    if (!options.plot.path.empty())
        figure = gaussbound::regionFigure(input.model, input.losses, options.axisX, options.axisY,
                                          std::string(input.losses ? "Bayes risk " : "Bayes error ") +
                                              gaussbound::sig6(figures.confusion.value));
    return finish(std::move(figure), options.plot, {},
                  options.json ? gaussbound::classesObject(input, figures).dump() + "\n"
                               : gaussbound::classesText(input, figures));
}
