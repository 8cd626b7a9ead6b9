// The scatter figure of two sample sets, shared by `bounds fit` and
// `bounds draw`: both classes' points in two colours and shapes, each
// class's 1- and 2-standard-deviation ellipses, the Bayes rule's boundary (in
// the plane only) and the misclassified points ringed.
#ifndef GAUSSBOUND_CLIENT_SCATTER_PLOT_H
#define GAUSSBOUND_CLIENT_SCATTER_PLOT_H

#include <string>
#include <vector>

#include <gaussbound/Estimate.h>
#include <gaussbound/Model.h>

#include <gaussbound/Figure.h>

struct ScatterRequest {
    const gaussbound::Points* class1;
    const gaussbound::Points* class2;
    const gaussbound::Model* model;               // the classes whose ellipses and rule are drawn
    Eigen::Index xAxis, yAxis;                    // the coordinates shown, 0-based
    std::vector<Eigen::Index> wrong1, wrong2;     // rows the rule misclassifies
    std::string title, subtitle;
    std::vector<std::string> caption;
};

// The figure; its ranges hold every point and ellipse. Throws
// std::invalid_argument unless both axes are coordinates of the model and of
// the points (so a figure of one coordinate is refused before it is asked for).
gaussbound::Figure scatterFigure(const ScatterRequest& request);

#endif
