// The figures of C classes (Confusion.h) as text and as JSON.
//
//   classesModelObject  the classes and their costs, as a model file holds them
//   caseObject          either kind of document, as a model file holds it
//   classesObject       that, and every figure, at full precision
//   classesText         the summary: the classes, the confusion matrix, the
//                       Bayes error (or risk), the pairs and the bounds
//   confusionLines      a C x C matrix of probabilities under a heading,
//                       rows and columns named by the classes
//
// The object's keys: "classes" [{"name", "mean", "covariance" (rows),
// "prior"}], "costs" (rows, when given), "dimension", "method",
// "confusion" (rows: P(decide column | class row)), "confusion_abs_error"
// or, for the randomised method, "confusion_standard_error", "bayes_error"
// (or with costs "bayes_risk") {"value", "abs_error" or "standard_error",
// "log10"}, "pairs" [{"i", "j" (from 1), "bayes_error", "abs_error",
// "bhattacharyya_bound"}] and "bounds" {"lower", "upper_pairwise",
// "upper_bhattacharyya"}. classesFromJson reads it back to the same classes
// and costs, bit for bit.
#ifndef GAUSSBOUND_CLASSES_REPORT_H
#define GAUSSBOUND_CLASSES_REPORT_H

#include <string>

#include <nlohmann/json.hpp>

#include <gaussbound/Confusion.h>
#include <gaussbound/ModelFile.h>

namespace gaussbound {

// Every function here throws std::invalid_argument (see Error.h) for
// figures of another number of classes than the case's.
nlohmann::ordered_json classesModelObject(const ClassesCase& c);
// Either kind of document as a model file holds it: classesModelObject, or
// caseObject (Report.h) for two classes.
nlohmann::ordered_json caseObject(const AnyCase& c);
nlohmann::ordered_json classesObject(const ClassesCase& c, const ClassesFigures& f);
std::string classesText(const ClassesCase& c, const ClassesFigures& f);

// heading, then a header row of the names and one row a class, to 6
// significant digits. Throws std::invalid_argument unless m is square of
// the names' size.
std::string confusionLines(const std::string& heading, const std::vector<std::string>& names,
                           const Eigen::MatrixXd& m);

}  // namespace gaussbound

#endif
