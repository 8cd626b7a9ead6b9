// The figure of a sweep: the Chernoff bound, the Bhattacharyya upper and
// lower bounds and the Bayes error against the swept parameter t.
//
//   sweepAxisLabel   what the x axis says t stands for
//   spansDecades     whether a figure's curves want a logarithmic y axis
//   sweepFigure      the four curves and the given model's own point
#ifndef GAUSSBOUND_SWEEP_FIGURE_H
#define GAUSSBOUND_SWEEP_FIGURE_H

#include <optional>
#include <string>
#include <vector>

#include "gaussbound/Analysis.h"
#include "gaussbound/Figure.h"
#include "gaussbound/Model.h"
#include "gaussbound/Sweep.h"

namespace gaussbound {

// "t" and what it stands for ("t: Σ1 times t", "t = P1, P2 = 1 − t"); on a
// geometric sweep (log) the axis shows log₁₀ t and says so.
std::string sweepAxisLabel(const SweepParameter& parameter, bool log);

// Whether the positive finite y values of the series span more than two
// decades (the largest over 100 times the smallest).
bool spansDecades(const std::vector<Series>& series);

// The four curves of rows (the figures at values, in order) against t, or
// log₁₀ t on a geometric sweep (log), titled by name (the parameter as the
// user named it) with model as subtitle; the y axis logarithmic as logY says,
// or when the curves span more than two decades (spansDecades) if it says
// nothing. When values' range holds the model's own t (parameterValue), the
// model's four figures there are markers. Throws std::invalid_argument
// unless values and rows are as many and at least one, and every value is
// positive on a geometric sweep.
Figure sweepFigure(const Model& model, const std::string& name, const SweepParameter& parameter,
                   const std::vector<double>& values, bool log, const std::vector<Figures>& rows,
                   std::optional<bool> logY);

}  // namespace gaussbound

#endif
