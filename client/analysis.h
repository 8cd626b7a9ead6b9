// What the bounds client reports for two classes: the Chernoff and
// Bhattacharyya bounds from the library, and the Bayes error beside them.
#ifndef GAUSSBOUND_CLIENT_ANALYSIS_H
#define GAUSSBOUND_CLIENT_ANALYSIS_H

#include "Bound.h"
#include "options.h"

struct Analysis {
    double chernoffBeta;        // beta* of the table's smallest e^-k(beta)
    double chernoffFactor;      // e^-k(beta*)
    double chernoffErrorBound;  // min over beta of P1^beta P2^(1-beta) e^-k(beta)
    double chernoffErrorBeta;   // the beta where that minimum is reached
    double bhattExponent;       // k(1/2)
    double bhattFactor;         // e^-k(1/2)
    double bhattErrorBound;     // sqrt(P1 P2) e^-k(1/2)
    double bhattLowerBound;     // 1/2 (1 - sqrt(1 - 4 P1 P2 e^-2k(1/2)))
    double bayesError;
};

// Fills plot with the library's plot table (curve, marker at the minimum,
// marker at beta = 0.5) and returns the figures.
Analysis analyse(const Classes& classes, PlotTable& plot);

#endif
