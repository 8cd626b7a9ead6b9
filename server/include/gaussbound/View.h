// Everything the explorer page shows of one model, computed together so that
// no panel can show another model than its neighbours.
//
//   ViewSettings   the plane's coordinates and extent, the points drawn, the ROC's spacing
//   planeFigure    the plane of the classes: regions, boundaries, ellipses, points
//   chernoffCurve  k(beta) and e^-k(beta) at kCurveBetas evenly spaced betas
//   viewObject     the model, its report, the Chernoff curve, the ROC and the plane
//
// The plane is regionFigure's (RegionFigure.h): the Bayes rule's regions, the
// boundaries between them and each class's 1- and 2-standard-deviation
// ellipses in coordinates (i, j), through the prior-weighted mean in d > 2.
// A rule given with two classes adds its zero set g(x) = 0 in the same plane,
// and points drawn (Draw.h) add one series a class.
#ifndef GAUSSBOUND_VIEW_H
#define GAUSSBOUND_VIEW_H

#include <cstdint>
#include <optional>

#include <Eigen/Core>
#include <nlohmann/json.hpp>

#include <gaussbound/Figure.h>
#include <gaussbound/Model.h>
#include <gaussbound/ModelFile.h>
#include <gaussbound/Scatter.h>

namespace gaussbound {

constexpr int kCurveBetas = 201;  // beta = 0, 0.005, ..., 1

struct ViewSettings {
    Eigen::Index first = 0, second = 1;  // the plane's coordinates, 0-based
    std::int64_t points = 0;             // drawn a class; 0: none
    std::uint64_t seed = 1;
    double spacing = 0.02;               // of the ROC's points in F and H
    std::optional<Rectangle> area;       // the plane's extent; none: regionFigure's own
};

// The plane of c in settings' coordinates, with settings.points points of
// each class drawn with settings.seed. Throws std::invalid_argument for a
// model of one coordinate, coordinates that are not two different ones of
// the model's, or a negative count.
Figure planeFigure(const AnyCase& c, const ViewSettings& settings);

// {"beta": [...], "exponent": [k(beta)...], "factor": [e^-k(beta)...]} of a
// valid model.
nlohmann::ordered_json chernoffCurve(const Model& model);

// {"model": the case as a model file holds it, "report": caseReport's,
//  "chernoff": chernoffCurve or null for C classes, "roc": rocJson's object
//  at settings.spacing or null for C classes, "plane": figureJson of
//  planeFigure or null for one coordinate, "points": null, or one array a
//  class of the drawn points' [x_i, x_j]}. table is the caller's buffer of
//  kTableRows rows. Throws FigureNotComputed (CaseReport.h) when a figure of
// two classes or their ROC cannot be computed, std::invalid_argument as
// planeFigure does.
nlohmann::ordered_json viewObject(const AnyCase& c, const ViewSettings& settings, double (*table)[2]);

}  // namespace gaussbound

#endif
