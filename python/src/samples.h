// What draw, fit, sweep and the figures share among themselves: counts,
// classes fitted to samples, and a sweep computed, each checked as
// the bounds program checks its options and refused with the argument named.
#ifndef GAUSSBOUND_PYTHON_SAMPLES_H
#define GAUSSBOUND_PYTHON_SAMPLES_H
#include <functional>
#include <string>
#include <variant>
#include <vector>

#include <gaussbound/ClassesFit.h>
#include <gaussbound/SampleFit.h>
#include <gaussbound/Sweep.h>

#include "convert.h"

namespace gaussbound::python {

// n: one count (1 to 10^7) for every class, or a sequence of one a class.
std::vector<Eigen::Index> countsArg(const py::object& n, size_t classes);

// Two or more sample arrays (n_i, d) of one dimension, named x1, x2, ...; a
// one-dimensional array is n points of one coordinate.
std::vector<Points> samplesArg(const py::sequence& samples);

// How classes are fitted: the options of `bounds fit`.
struct FitOptions {
    py::object priors = py::none(), names = py::none();
    double ridge = 0.0;
    long long bootstrap = 1000;
    unsigned long long seed = 1;
    unsigned threads = 1;
    std::function<void(int)> progress;  // called with the GIL released
};

// Whether the samples give C classes: three or more, or names given.
bool fitsClasses(const std::vector<Points>& samples, const FitOptions& options);

// Two classes fitted as `bounds fit` fits them, bootstrap and leave-one-out
// included; a sample the estimate refuses, or a figure that cannot be
// computed, is refused naming the sample.
SampleFit fitTwo(std::vector<Points> samples, const FitOptions& options);

// The estimate's settings of C classes: the ridge and the priors given.
ClassesEstimateSettings classesSettings(const FitOptions& options, size_t classes);

// C classes estimated as `bounds fit` estimates them (names from
// options.names, else "1", "2", ...).
ClassesCase fitClasses(const std::vector<Points>& samples, const FitOptions& options);

// A sweep checked as `bounds sweep` checks it, and its figures at every t.
struct SweepRun {
    Model model;
    std::string name;
    SweepParameter parameter;
    std::vector<double> values;
    bool log = false;
    std::vector<Figures> rows;
};
SweepRun runSweep(const PyModel& model, const std::string& vary, const py::object& start, const py::object& stop,
                  const py::object& steps, bool log, unsigned threads);

}  // namespace gaussbound::python
#endif
