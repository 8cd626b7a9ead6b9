// The geometry of a scatter plot of two classes: what a figure draws, in
// data coordinates.
//
//   EllipseAxes          centre, semi-axes and angle of an ellipse
//   covarianceEllipse    the k-standard-deviation ellipse of a class in two coordinates
//   Polyline             a curve through points in order
//   zeroSet              the curves where a function of the plane is 0
//   appendPolylines      curves into one series, broken between them
//
// The k-standard-deviation ellipse of N(m, C) in coordinates (i, j) is
// {x : (x - m)^T C_ij^-1 (x - m) = k^2}, C_ij the 2 x 2 block of those
// coordinates: semi-axes k sqrt(lambda) along C_ij's eigenvectors.
//
// zeroSet samples the function on a grid and traces its zero set by marching
// squares: each grid edge whose ends differ in sign holds one crossing, at
// the linear interpolation of the two values; each cell joins its crossings
// in pairs (a cell with four decides by the sign at its centre), and the
// pieces are chained through shared edges into curves, open ones from the
// rectangle's border and closed ones back to their start.
#ifndef GAUSSBOUND_SCATTER_H
#define GAUSSBOUND_SCATTER_H

#include <functional>
#include <vector>

#include <Eigen/Core>

#include "gaussbound/Figure.h"

namespace gaussbound {

struct EllipseAxes {
    double cx, cy;  // centre
    double a, b;    // semi-axes, a >= b
    double angle;   // of the a axis from the first coordinate's axis, radians
};

// Reads a mean, a positive definite covariance, coordinates i != j (0-based)
// and k > 0. Throws std::invalid_argument for sizes that differ, a
// coordinate outside the dimension, i == j, k not finite or <= 0, an entry
// read that is not finite, or a variance that is not > 0.
EllipseAxes covarianceEllipse(const Eigen::VectorXd& mean, const Eigen::MatrixXd& covariance, Eigen::Index i,
                              Eigen::Index j, double k);

struct Polyline {
    std::vector<double> x, y;
};

struct Rectangle {
    double x0, x1, y0, y1;  // x0 < x1, y0 < y1
};

// The curves where g = 0 in area, from g sampled on a grid of cells x cells
// (>= 1); a point where g >= 0 counts as positive. Throws
// std::invalid_argument for cells < 1, an area that is not finite or empty,
// or an empty g.
std::vector<Polyline> zeroSet(const std::function<double(double, double)>& g, const Rectangle& area, int cells);

// Appends lines to series, each followed by a NaN point so that the line
// breaks between them.
void appendPolylines(Series& series, const std::vector<Polyline>& lines);

}  // namespace gaussbound

#endif
