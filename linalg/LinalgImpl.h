// The Linalg routines' definitions, inline, so that a caller in this project
// with constant shapes (Bound's per-row loop) compiles them down to straight
// arithmetic. Linalg.cpp exports the same routines under their public names;
// see Linalg.h for what each reads and writes.
//
// The order of every operation is part of the result: the products accumulate
// as out = a*b + out starting from +0.0 (so a -0.0 product yields +0.0), and
// inverse() rounds the determinant and its reciprocal to float before scaling
// in double.
#ifndef GAUSSBOUND_LINALG_IMPL_H
#define GAUSSBOUND_LINALG_IMPL_H

// Marks a routine whose division by zero is intended: IEEE arithmetic turns a
// singular matrix or a zero determinant into infinities and NaNs that flow to
// the caller. Keeps the sanitizer build's float-divide-by-zero check, which
// is there to catch accidental divisions, from stopping on these.
#define GAUSSBOUND_IEEE_DIVISION __attribute__((no_sanitize("float-divide-by-zero")))

namespace linalg_impl {

inline double determinant(const double m[][2])
{
    return m[0][0] * m[1][1] - m[1][0] * m[0][1];
}

inline void transpose(int rows, int cols, const double in[][1], double out[][2])
{
    for (int i = 0; i < cols; ++i)
        for (int j = 0; j < rows; ++j)
            out[i][j] = in[j][i];
}

GAUSSBOUND_IEEE_DIVISION inline void inverse(const double m[][2], double out[][2])
{
    // The single-precision reciprocal is the same for every entry.
    const float d = static_cast<float>(determinant(m));
    const double r = static_cast<double>(1.0f / d);
    out[0][0] = r * m[1][1];
    out[1][1] = r * m[0][0];
    out[0][1] = -m[0][1] * r;
    out[1][0] = -m[1][0] * r;
}

inline int multiply2(int r1, int c1, int r2, int c2, const double a[][2], const double b[][2],
                     double out[][2])
{
    if (c1 != r2)
        return 0;
    for (int i = 0; i < r1; ++i)
        for (int j = 0; j < c2; ++j) {
            out[i][j] = 0;
            for (int k = 0; k < r2; ++k)
                out[i][j] = a[i][k] * b[k][j] + out[i][j];
        }
    return 1;
}

inline void multiply1(const double a[][2], const double b[][1], double out[][1])
{
    out[0][0] = 0;
    for (int k = 0; k < 2; ++k)
        out[0][0] = a[0][k] * b[k][0] + out[0][0];
}

inline void add(int rows, int cols, const double a[][2], const double b[][2], double out[][2])
{
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < cols; ++j)
            out[i][j] = a[i][j] + b[i][j];
}

inline void subtract(int rows, int cols, const double a[][1], const double b[][1], double out[][1])
{
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < cols; ++j)
            out[i][j] = a[i][j] - b[i][j];
}

}  // namespace linalg_impl

#endif
