// The figure of the Bayes rule's decision regions among C normal classes
// (Classes.h), in the plane of two coordinates. Nothing here needs Cairo.
//
//   ClassColours   the fill of a class's region and the colour of its lines
//   classColours   those of the class of an index, for up to kMaxClasses
//   kRegionCells   the cells a side of the grid the regions are decided on
//   regionFigure   regions, boundaries, ellipses and names of the classes
//
// In d > 2 dimensions the plane of coordinates i and j passes through the
// prior-weighted mean m = sum_k P_k mu_k: its points are m with x_i and x_j
// free. There a class's density is, up to a factor constant over the plane,
// the density of its conditional distribution given the other coordinates r
// at m_r,
//
//   mean  mu_ij + S_ij,r S_rr^-1 (m_r - mu_r),
//   covariance  S_ij,ij - S_ij,r S_rr^-1 S_r,ij,
//
// (S the class's covariance), so the figure draws that distribution's
// ellipses and centre: its contours in the plane, not the marginal's. In two
// dimensions both are the class's own mean and covariance.
#ifndef GAUSSBOUND_REGION_FIGURE_H
#define GAUSSBOUND_REGION_FIGURE_H

#include <cstddef>
#include <optional>
#include <string>

#include <Eigen/Core>

#include "gaussbound/Classes.h"
#include "gaussbound/Figure.h"
#include "gaussbound/Scatter.h"

namespace gaussbound {

struct ClassColours {
    Colour fill;  // light, for the region
    Colour line;  // dark, for the ellipses and the centre's marker
};

// The colours of class index (0-based), from a base colour: the first nine
// are Paul Tol's "light" scheme, made for areas under labels and told apart
// with any common colour blindness; later ones step round the hue circle by
// the golden angle at alternating lightness. The fill is the base paled
// towards white, for text over it; the line colour the base darkened. Every
// index below kMaxClasses has a fill of its own; a larger one takes index
// mod kMaxClasses's.
ClassColours classColours(std::size_t index);

constexpr int kRegionCells = 400;

// The decision regions of the Bayes rule of model (with losses, the rule of
// least expected loss: ClassesRule) in the plane of coordinates first and
// second (0-based; 0 and 1 in two dimensions), the others held at the
// prior-weighted mean. The regions are a raster of kRegionCells x
// kRegionCells cells, each the rule's decision at its centre, each class
// its fill; the boundaries between them one series, "decision boundaries",
// traced by marching squares over the cells' centres with each crossing
// found by bisection along the edge between two centres; each
// class's ellipses at 1 and 2 standard deviations and its centre in the
// plane as a marker (see above), in its line colour, a series labelled with
// its name for the legend (after the first 15 of more than 16 classes, one
// entry names how many more) and a label beside it. The ranges hold every
// 2-standard-deviation ellipse, 8 % to spare a side, unless area is given:
// then the figure shows that rectangle (a page that keeps its view while the
// classes move). subtitle goes under the title. Throws
// std::invalid_argument for a model validate refuses, losses lossesProblem
// refuses, axes that are not two different coordinates, or an area that is
// not finite with x0 < x1 and y0 < y1.
Figure regionFigure(const ClassesModel& model, const std::optional<Eigen::MatrixXd>& losses, Eigen::Index first,
                    Eigen::Index second, std::string subtitle, const std::optional<Rectangle>& area = std::nullopt);

}  // namespace gaussbound

#endif
