// The figure of the Chernoff bound: the curve e^-k(beta) over [0, 1] with
// its minimum and the Bhattacharyya point, from Bound's plot table.
#ifndef GAUSSBOUND_CURVE_FIGURE_H
#define GAUSSBOUND_CURVE_FIGURE_H

#include <string>

#include "gaussbound/Bound.h"
#include "gaussbound/Figure.h"

namespace gaussbound {

// The curve (columns 0-1 of plot), the figure at the minimum (columns 2-3,
// minimumBeta in the legend) and the one at beta = 0.5 (columns 4-5), with
// subtitle under the title. A marker figure's trailing (0, 0) rows are
// padding, not points. Throws std::invalid_argument for a null plot.
Figure curveFigure(const double (*plot)[6], double minimumBeta, std::string subtitle);

}  // namespace gaussbound

#endif
