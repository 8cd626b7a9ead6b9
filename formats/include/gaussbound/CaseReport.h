// The report of a model file's case, as `bounds --json` prints it, for every
// front end that answers with it (batch, the Python module, the server).
//
//   FigureNotComputed   a figure of two classes that analyse could not compute
//   validCase           a document read and validated, of either kind
//   caseReport          the report of two classes, or of C
#ifndef GAUSSBOUND_CASE_REPORT_H
#define GAUSSBOUND_CASE_REPORT_H

#include <stdexcept>
#include <string>

#include <nlohmann/json.hpp>

#include <gaussbound/Confusion.h>
#include <gaussbound/ModelFile.h>

namespace gaussbound {

// what() is "the FIGURE could not be computed for these classes", the
// figure as missingFigure names it.
struct FigureNotComputed : std::runtime_error {
    explicit FigureNotComputed(const std::string& figure);
    std::string figure;
};

// Reads object as caseFromJson does and validates a model of two classes
// (one of C is validated as it is read). Throws ModelFileError, for an
// invalid model "FIELD: why" as validate words it.
AnyCase validCase(const nlohmann::json& object);

// reportObject with the figures of analyseRules for c's costs and rule: the
// object `bounds --json` prints. table is the caller's buffer of kTableRows
// rows, which receives the Chernoff table. Throws FigureNotComputed when
// missingFigure names a figure, std::invalid_argument for a null table.
nlohmann::ordered_json caseReport(const ModelCase& c, double (*table)[2]);

// classesObject of analyseClasses with settings, whose losses are c's.
nlohmann::ordered_json caseReport(const ClassesCase& c, ConfusionSettings settings);

}  // namespace gaussbound

#endif
