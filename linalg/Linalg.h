// Linalg: fixed-size matrix routines over caller-owned arrays of double.
//
// Matrices are row-major; the row width is part of each parameter's type:
//   width 2 (double[][2]): 2x2 matrices and 1x2 row vectors;
//   width 1 (double[][1]): 2x1 column vectors and the 1x1 result of multiply1.
// Where a routine takes row and column counts, they select the leading block
// that is processed. Inputs are read only; outputs are written and come last.
// Nothing is allocated, validated or remembered between calls.
#ifndef GAUSSBOUND_LINALG_H
#define GAUSSBOUND_LINALG_H

// Returns m[0][0] m[1][1] - m[1][0] m[0][1].
double determinant(const double m[][2]);

// out[i][j] = in[j][i] for i < cols, j < rows: with rows = 2, cols = 1 it
// turns a 2x1 column vector into a 1x2 row vector.
void transpose(int rows, int cols, const double in[][1], double out[][2]);

// out = m^-1 through a single-precision reciprocal of the determinant, so the
// entries agree with the exact inverse to about 7 significant digits (exact
// where the reciprocal is a power of two). A singular m gives infinities and
// NaNs. out must not be m: it is written before m is fully read.
void inverse(const double m[][2], double out[][2]);

// out (r1 x c2) = a (r1 x c1) . b (r2 x c2), each entry accumulated in out
// itself from 0 in k order. Returns 1, or 0 with out untouched when
// c1 != r2. out must be neither a nor b.
int multiply2(int r1, int c1, int r2, int c2, const double a[][2], const double b[][2],
              double out[][2]);

// out (1x1) = a (1x2) . b (2x1), accumulated in out from 0.
void multiply1(const double a[][2], const double b[][1], double out[][1]);

// out = a + b over the leading rows x cols block.
void add(int rows, int cols, const double a[][2], const double b[][2], double out[][2]);

// out = a - b over the leading rows x cols block of column vectors (cols = 1).
void subtract(int rows, int cols, const double a[][1], const double b[][1], double out[][1]);

#endif
