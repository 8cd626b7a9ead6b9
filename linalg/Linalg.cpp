// The exported matrix routines: each forwards to its inline definition.
#include "Linalg.h"

#include "LinalgImpl.h"

double determinant(const double m[][2])
{
    return linalg_impl::determinant(m);
}

void transpose(int rows, int cols, const double in[][1], double out[][2])
{
    linalg_impl::transpose(rows, cols, in, out);
}

GAUSSBOUND_IEEE_DIVISION void inverse(const double m[][2], double out[][2])
{
    linalg_impl::inverse(m, out);
}

int multiply2(int r1, int c1, int r2, int c2, const double a[][2], const double b[][2],
              double out[][2])
{
    return linalg_impl::multiply2(r1, c1, r2, c2, a, b, out);
}

void multiply1(const double a[][2], const double b[][1], double out[][1])
{
    linalg_impl::multiply1(a, b, out);
}

void add(int rows, int cols, const double a[][2], const double b[][2], double out[][2])
{
    linalg_impl::add(rows, cols, a, b, out);
}

void subtract(int rows, int cols, const double a[][1], const double b[][1], double out[][1])
{
    linalg_impl::subtract(rows, cols, a, b, out);
}
