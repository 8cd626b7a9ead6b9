// What `bounds fit` and `bounds draw` report beyond a model's figures, as
// text and as JSON, and the sample files `bounds draw` writes.
//
//   fitText, fitJson     a SampleFit: the estimated model's report, the
//                        plug-in rule's error counts and exact error, the
//                        bootstrap intervals, and when the true classes are
//                        known, the rule's error under them
//   drawText, drawJson   a model's report and the true rule's error count on
//                        samples drawn from it
//   drawnSampleFile      one class's drawn points as a sample file
//   classesFitText, classesFitJson    the same as fitText and fitJson for C
//                        classes: the classes' report (ClassesReport.h), then
//                        the plug-in rule's counts by resubstitution and
//                        leave-one-out
//   classesDrawText, classesDrawJson  drawText and drawJson for C classes
//
// The counts of C classes read as the matrix of rates N_ij / n_i under the
// classes' names, then the pooled error count; in JSON {"counts" (rows),
// "errors", "rate", "interval"}.
// An error count reads as its rate, "E of N points", and the 95 % Wilson
// interval of the rate; in JSON {"errors", "rate", "interval": [low, high]}.
// A bootstrap interval's end is null in JSON where no replicate counted.
// The JSON objects are reportObject's, with these keys after it.
#ifndef GAUSSBOUND_SAMPLE_REPORT_H
#define GAUSSBOUND_SAMPLE_REPORT_H

#include <cstdint>
#include <optional>
#include <string>

#include <gaussbound/Analysis.h>
#include <gaussbound/Bootstrap.h>
#include <gaussbound/ClassesFit.h>
#include <gaussbound/ClassesReport.h>
#include <gaussbound/SampleFit.h>

namespace gaussbound {

// Every function here throws std::invalid_argument (see Error.h) for the
// arguments its comment says it does not read.

// Reads a fit of classes with one point or more each; name1 and name2 say
// where each class's points came from. The ridge, priors, replicates and
// seed reported are the fit's own settings.
// truth, when given, is underTrueClasses of this fit.
std::string fitText(const SampleFit& fit, const std::string& name1, const std::string& name2,
                    const std::optional<TrueClasses>& truth = {});
std::string fitJson(const SampleFit& fit, const std::optional<TrueClasses>& truth = {});

// Reads samples of one point or more a class, drawn with seed from model.
std::string drawText(const Model& model, const Figures& figures, const Classified& drawn, std::uint64_t seed);
std::string drawJson(const Model& model, const Figures& figures, const Classified& drawn, std::uint64_t seed);

// A comment line naming the seed, the class and its parameters, then one
// point a line, its coordinates in shortest round-trip form separated by
// commas: readSampleFile reads back the same doubles. Reads sampleClass 1
// or 2 and points of the model's dimension.
std::string drawnSampleFile(const Model& model, int sampleClass, const Points& points, std::uint64_t seed);
// The same for class i (0-based) of C classes, named by its name.
std::string drawnSampleFile(const ClassesModel& model, std::size_t i, const Points& points, std::uint64_t seed);

// Reads counts of the case's classes with one point or more a class, and
// figures of them; files[i] says where class i's points came from.
std::string classesFitText(const ClassesCase& c, const ClassesFigures& figures, const ClassesCounts& resubstitution,
                           const std::optional<ClassesCounts>& leaveOneOut, const std::vector<std::string>& files);
std::string classesFitJson(const ClassesCase& c, const ClassesFigures& figures, const ClassesCounts& resubstitution,
                           const std::optional<ClassesCounts>& leaveOneOut);

// Reads the true rule's counts on samples drawn with seed, one point or
// more a class.
std::string classesDrawText(const ClassesCase& c, const ClassesFigures& figures, const ClassesCounts& trueRule,
                            std::uint64_t seed);
std::string classesDrawJson(const ClassesCase& c, const ClassesFigures& figures, const ClassesCounts& trueRule,
                            std::uint64_t seed);

}  // namespace gaussbound

#endif
