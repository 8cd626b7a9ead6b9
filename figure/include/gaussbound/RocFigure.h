// The figure of ROC curves: the hit rate H against the false-alarm rate F
// of the likelihood ratio, with its AUC and the Bayes rule's operating
// point, beside the chance line, and optionally a given rule's curve with
// its own operating point (g(x) > 0). Nothing here needs Cairo.
//
//   zCoordinates   (Phi^-1(F), Phi^-1(H)) of a point, from its logarithms
//   rocFigure      the ROC, or the zROC of the same curves
//
// The zROC puts Phi^-1(H) against Phi^-1(F), a straight line of slope 1
// (z_H = z_F + d') for the likelihood ratio of classes of equal
// covariances. Its coordinates come from log10 F and log10 (1 - H) through
// the normal quantile of a logarithm (GeneralizedChiSquare.h), so points
// where F or 1 - H is 1e-300 or less keep their place rather than being
// pushed to infinity by the rounding of F and H.
#ifndef GAUSSBOUND_ROC_FIGURE_H
#define GAUSSBOUND_ROC_FIGURE_H

#include <string>
#include <utility>

#include "gaussbound/Figure.h"
#include "gaussbound/RocTable.h"

namespace gaussbound {

// (Phi^-1(F), Phi^-1(H)) of p, either infinite at F or H of 0 or 1. Throws
// std::invalid_argument when a logarithm of p is NaN or above 0.
std::pair<double, double> zCoordinates(const RocPoint& p);

// The curves as the ROC (z false: F and H, both axes [0, 1], the chance line
// H = F) or as the zROC (z true: zCoordinates, the points at infinity
// left out, the chance line z_H = z_F across the points' range), with
// subtitle under the title. The likelihood ratio's AUC and the rule's are in
// the legend, their operating points markers. rule may be null. Throws
// std::invalid_argument for curves rocCsv would refuse, and for a zROC
// without any finite point.
Figure rocFigure(const RocCurve& likelihoodRatio, const RocCurve* rule, bool z, std::string subtitle);

}  // namespace gaussbound

#endif
