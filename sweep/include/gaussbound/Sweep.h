// One parameter of two normal classes swept across a range of values t, and
// every figure of the model at each t, computed on several threads.
//
//   SweepParameter   what t stands for in the model
//   sweepParameter   the parameter a name such as "separation", "mu2.1" or "sigma1.1.2" names
//   sweepValues      n values from a to b, evenly or geometrically spaced
//   modelAt          the model with t in place
//   parameterValue   the t of the model itself
//   SweepProblem     a value of t that gives no valid model, and why
//   checkSweep       the first such value, or nothing
//   sweepFigures     the figures at every value, in order
//   MissingStep      a step at which a figure could not be computed, and which
//   firstMissing     the first such step of a sweep's figures, or nothing
#ifndef GAUSSBOUND_SWEEP_H
#define GAUSSBOUND_SWEEP_H

#include <optional>
#include <string>
#include <vector>

#include "gaussbound/Analysis.h"
#include "gaussbound/Model.h"

namespace gaussbound {

struct SweepParameter {
    enum class Kind {
        Separation,   // mu2 becomes mu1 + t (mu2 - mu1): t = 0 puts the means together
        Prior1,       // P1 = t, P2 = 1 - t
        Scale,        // the class's covariance times t
        Correlation,  // the class's correlation set to t, variances kept (d = 2)
        Mean,         // entry i of the class's mean set to t
        Covariance    // entries (i, j) and (j, i) of the class's covariance set to t
    };
    Kind kind;
    int classIndex = 1;  // 1 or 2: the class that Scale ... Covariance change
    long long i = 0, j = 0;  // the entry of Mean and Covariance, counted from 1
};

// Reads a name: separation, prior1, scale1, scale2, rho1, rho2, mu1.K, mu2.K,
// sigma1.I.J, sigma2.I.J (K, I, J decimal numbers counted from 1, checked
// against the dimension by checkSweep). Returns nothing for any other name.
std::optional<SweepParameter> sweepParameter(const std::string& name);

// Each function below throws std::invalid_argument (see Error.h) for what
// its comment says it does not read, and for a model without hasShape or a
// classIndex other than 1 or 2.

// n >= 2 values from a to b (a != b, both finite): a + (b - a) i / (n - 1), or with
// geometric spacing (a, b > 0) 10^(lg a + (lg b - lg a) i / (n - 1)). The
// first value is a and the last is b exactly. Throws for n < 2, a == b, a
// value that is not finite or, geometric, one <= 0.
std::vector<double> sweepValues(double a, double b, long long n, bool geometric);

// Reads a valid model and a parameter that fits its dimension (one that
// does not throws); returns the model with t in place. Not validated: see
// checkSweep.
Model modelAt(const Model& model, const SweepParameter& parameter, double t);

// Reads a valid model and a parameter that fits its dimension; returns the
// value of t at which modelAt gives the model back (1 for Separation and
// Scale). Throws as modelAt does.
double parameterValue(const Model& model, const SweepParameter& parameter);

struct SweepProblem {
    double t;             // the first value of t that gives no valid model
    std::string message;  // "coordinate 3 is outside the 2 dimensions", "sigma1: ..."
};

// Reads a valid model, a parameter and the values of t (at least one:
// none throws); returns the first
// value at which the parameter does not fit the model (a coordinate beyond
// the dimension, a correlation outside the plane) or modelAt's model fails
// validate, or nothing when every value is fine.
std::optional<SweepProblem> checkSweep(const Model& model, const SweepParameter& parameter,
                                       const std::vector<double>& values);

// Reads a model and parameter that checkSweep accepts for values; returns
// analyse's figures of modelAt at each value, in order, computed on
// `threads` threads (>= 1), each with its own table. The result is the same
// for any number of threads. Throws for threads 0 and, as modelAt does, for a
// parameter that does not fit the model; a value that gives an invalid model
// throws as analyse does.
std::vector<Figures> sweepFigures(const Model& model, const SweepParameter& parameter,
                                  const std::vector<double>& values, unsigned threads);

struct MissingStep {
    size_t step;         // the index of the value of t, counted from 0
    std::string figure;  // as missingFigure names it: "Bayes error", ...
};

// The first step of rows (sweepFigures' result) at which missingFigure finds
// a figure missing, or nothing when every figure of every step is there.
// Reads any rows, none included.
std::optional<MissingStep> firstMissing(const std::vector<Figures>& rows);

}  // namespace gaussbound

#endif
