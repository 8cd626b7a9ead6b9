// The figures of two sample sets, as `bounds fit` and `bounds draw` show
// them: each class's points, where the Bayes rule of a model divides the
// space, and the points that rule misclassifies ringed.
//
//   FigureText        a figure's title, subtitle and caption lines
//   scatterFigure     points of 2 or more coordinates, two of them shown
//   stripFigure       points of one coordinate along the x axis
//   decisionThresholds  where the Bayes rule of one coordinate changes class
//   fitFigure         the figure of classes estimated from samples
//   drawFigure        the figure of samples drawn from known classes
//
// In one coordinate the quadratic rule is
//
//   g(x) = a x^2 + b x + c,   a = 1/(2 s2) - 1/(2 s1),   b = m1/s1 - m2/s2,
//   c = ln P1/P2 - 1/2 ln s1/s2 - m1^2/(2 s1) + m2^2/(2 s2),
//
// (s_k the variances), so it changes class at no, one or two points.
#ifndef GAUSSBOUND_SAMPLE_FIGURE_H
#define GAUSSBOUND_SAMPLE_FIGURE_H

#include <string>
#include <vector>

#include "gaussbound/Analysis.h"
#include "gaussbound/Estimate.h"
#include "gaussbound/Figure.h"
#include "gaussbound/Model.h"
#include "gaussbound/SampleFit.h"

namespace gaussbound {

struct FigureText {
    std::string title, subtitle;
    std::vector<std::string> caption;
};

// Class 1's points (blue circles) and class 2's (orange squares) in
// coordinates (xAxis, yAxis), 0-based; each class's 1- and 2-standard-
// deviation ellipses of model (see covarianceEllipse); in the plane the
// rule's boundary g(x) = 0 (see zeroSet); and the rows wrong1 of class1 and
// wrong2 of class2 ringed in red. The ranges hold every point and ellipse,
// 4 % to spare a side. Throws std::invalid_argument unless model is valid
// (validate) with 2 or more coordinates, the points have as many, the axes are two different ones of
// them and every row named exists.
Figure scatterFigure(const Points& class1, const Points& class2, const Model& model, Eigen::Index xAxis,
                     Eigen::Index yAxis, const std::vector<Eigen::Index>& wrong1,
                     const std::vector<Eigen::Index>& wrong2, FigureText text);

// The same for one coordinate: the x axis is the coordinate and the y axis
// density. Each class's P_k p_k(x) is a curve, and its points a band of
// markers below zero (class 1 above class 2), each point's height within the
// band set by its row alone, so that the figure is the same on every run.
// The rule's thresholds inside the x range are vertical lines, and the rows
// misclassified are ringed. The x range holds every point and 3 standard
// deviations of each class, 4 % to spare a side. Throws
// std::invalid_argument unless model is valid, it and both sets of points
// have one coordinate and every row named exists.
Figure stripFigure(const Points& class1, const Points& class2, const Model& model,
                   const std::vector<Eigen::Index>& wrong1, const std::vector<Eigen::Index>& wrong2,
                   FigureText text);

// The points where the Bayes rule of a model of one coordinate changes
// class, in increasing order: none, one or two (the roots of g above; one
// root when the variances are equal). Throws std::invalid_argument unless
// model is valid and has one coordinate.
std::vector<double> decisionThresholds(const Model& model);

// The figure of classes estimated from two sample files: scatterFigure in
// (xAxis, yAxis), or stripFigure for points of one coordinate (the axes are
// then not read). The subtitle names the files by their last components
// (name1, name2 as given: paths, or "standard input"); the caption gives
// the fit's Bayes error and bounds, and the plug-in rule's error rates on
// the samples with 95 % Wilson intervals: resubstitution, and leave-one-out
// when computed. Throws std::invalid_argument as scatterFigure and
// stripFigure do, for a class without points, and for leave-one-out errors
// below 0 or above the points' count.
Figure fitFigure(const SampleFit& fit, const std::string& name1, const std::string& name2, Eigen::Index xAxis,
                 Eigen::Index yAxis);

// The figure of samples drawn from model: scatterFigure in its first two
// coordinates, or stripFigure in one, with the model as subtitle and a
// caption of figures' Bayes error and bounds and the true rule's error rate
// on the drawn samples with its 95 % Wilson interval. Throws
// std::invalid_argument as those do, and for a class without points.
Figure drawFigure(const Model& model, const Figures& figures, const Classified& drawn);

}  // namespace gaussbound

#endif
