// Bound: Chernoff and Bhattacharyya bounds for two normal classes
// N(mu1, Sigma1) and N(mu2, Sigma2) in two dimensions.
//
// The Chernoff exponent, with S(beta) = beta Sigma1 + (1 - beta) Sigma2, is
//
//   k(beta) = beta (1 - beta) / 2 . (mu2 - mu1)^T S^-1 (mu2 - mu1)
//           + 1/2 ln( |S| / (|Sigma1|^beta |Sigma2|^(1 - beta)) )
//
// and e^-k(beta) bounds the overlap of the two densities; k(1/2) is the
// Bhattacharyya exponent. Means are 2x1 column vectors, covariances 2x2
// matrices, all caller-owned and read only. Tables are caller-owned arrays of
// kTableRows rows. Nothing is validated: NaNs and infinities flow through.
#ifndef GAUSSBOUND_BOUND_H
#define GAUSSBOUND_BOUND_H

// Rows of every table: beta runs over i / kTableRows for i = 0 ... 9999.
constexpr int kTableRows = 10000;

// Row i = (beta_i, e^-k(beta_i)).
using BoundTable = double[kTableRows][2];
// Columns: beta, e^-k(beta); first marker figure x, y; second marker figure x, y.
using PlotTable = double[kTableRows][6];

// Fills every row of table with (beta_i, e^-k(beta_i)), beta_i = i / 10000
// rounded to float.
void makeBound(double table[][2], const double mu1[][1], const double mu2[][1],
               const double sigma1[][2], const double sigma2[][2]);

// Writes the beta and value of the row with the smallest value; the earliest
// such row wins, NaN rows are never taken, and a NaN in row 0 keeps row 0.
void findMinB(const double table[][2], double& betaMin, double& valueMin);

// Returns the Bhattacharyya exponent k(1/2) (the exponent, not e^-k).
double getBattacharayyaBound(const double mu1[][1], const double mu2[][1],
                             const double sigma1[][2], const double sigma2[][2]);

// Returns sqrt(a b c).
double getProb(double a, double b, double c);

// Fills every cell of plot: columns 0-1 copy table; columns 2-3 draw a marker
// figure at height b from x = 0 to x = a then down to 0; columns 4-5 the same
// at height c up to x = 0.5. Points are 0.001 apart; the rows after a figure
// hold (0, 0), and a figure that would need more rows stops at the last row.
void makePlot(double plot[][6], const double table[][2], double a, double b, double c);

#endif
