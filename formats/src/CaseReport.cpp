#include "gaussbound/CaseReport.h"

#include "gaussbound/Analysis.h"
#include "gaussbound/ClassesReport.h"
#include "gaussbound/Error.h"
#include "gaussbound/Report.h"
#include "gaussbound/RuleFigures.h"

namespace gaussbound {

FigureNotComputed::FigureNotComputed(const std::string& name)
    : std::runtime_error("the " + name + " could not be computed for these classes"), figure(name)
{
}

AnyCase validCase(const nlohmann::json& object)
{
    AnyCase c = caseFromJson(object);
    if (const auto* two = std::get_if<ModelCase>(&c))
        if (const auto error = validate(two->model))
            throw ModelFileError(error->field + ": " + error->message);
    return c;
}

nlohmann::ordered_json caseReport(const ModelCase& c, double (*table)[2])
{
    requireArgument(table != nullptr, "caseReport: the table is null");
    const Figures figures = analyse(c.model, table);
    if (const auto missing = missingFigure(figures))
        throw FigureNotComputed(*missing);
    return reportObject(c.model, figures, analyseRules(c.model, figures, c.costs, c.rule));
}

nlohmann::ordered_json caseReport(const ClassesCase& c, ConfusionSettings settings)
{
    settings.losses = c.losses;
    return classesObject(c, analyseClasses(c.model, settings));
}

}  // namespace gaussbound
