// libFuzzer harness for Bound and Linalg. The input's bytes are copied
// straight into doubles (NaNs, infinities and subnormals included, which is
// the point) for mu1, mu2, Sigma1, Sigma2 and makePlot's a, b, c, plus two
// bytes of shape for multiply2. Every routine is called, and what must hold
// for every input is checked; a failed check aborts.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <gaussbound/Bound.h>
#include <gaussbound/Linalg.h>

namespace {

struct Input {
    double mu1[2][1], mu2[2][1], sigma1[2][2], sigma2[2][2];
    double a, b, c;
    uint8_t shape[2];
};

constexpr int kGuardRows = 16;
BoundTable table;
double plot[2][kTableRows + kGuardRows][6];  // two runs, each with a guard region

void check(bool condition)
{
    if (!condition)
        std::abort();
}

bool sameBits(double x, double y)
{
    uint64_t a, b;
    std::memcpy(&a, &x, sizeof a);
    std::memcpy(&b, &y, sizeof b);
    return a == b;
}

void checkTable(const Input& in)
{
    makeBound(table, in.mu1, in.mu2, in.sigma1, in.sigma2);
    for (int i = 0; i < kTableRows; ++i)
        check(table[i][0] == static_cast<double>(static_cast<float>(i) / 10000.0f));

    // The minimum is one of the table's rows: the one whose beta it reports
    // (every row's beta is distinct, and i / 10000 rounds back to i).
    double beta, value;
    findMinB(table, beta, value);
    const long i = std::lround(beta * kTableRows);
    check(i >= 0 && i < kTableRows && sameBits(table[i][0], beta) && sameBits(table[i][1], value));
}

void checkPlot(const Input& in)
{
    // Filled with a different sentinel per run: a cell left unwritten keeps
    // its run's sentinel, while a written cell holds the same value in both.
    const double sentinels[2] = {-1.25e-300, 7.5e299};
    for (int run = 0; run < 2; ++run) {
        for (auto& row : plot[run])
            for (double& cell : row)
                cell = sentinels[run];
        makePlot(plot[run], table, in.a, in.b, in.c);
    }
    for (int r = 0; r < kTableRows; ++r) {
        check(sameBits(plot[0][r][0], table[r][0]) && sameBits(plot[0][r][1], table[r][1]));
        for (int j = 0; j < 6; ++j)
            check(!(plot[0][r][j] == sentinels[0] && plot[1][r][j] == sentinels[1]));
    }
    for (int run = 0; run < 2; ++run)
        for (int r = kTableRows; r < kTableRows + kGuardRows; ++r)
            for (int j = 0; j < 6; ++j)
                check(plot[run][r][j] == sentinels[run]);
}

void checkLinalg(const Input& in)
{
    double out[2][2], column[2][1], row[1][2], scalar[1][1];
    (void)determinant(in.sigma1);
    inverse(in.sigma1, out);
    add(2, 2, in.sigma1, in.sigma2, out);
    subtract(2, 1, in.mu1, in.mu2, column);
    transpose(2, 1, column, row);
    multiply1(row, in.mu1, scalar);

    // A shape mismatch leaves out untouched; a match writes r1 x c2.
    const int r1 = 1 + in.shape[0] % 2, c1 = 1 + (in.shape[0] >> 1) % 2;
    const int r2 = 1 + in.shape[1] % 2, c2 = 1 + (in.shape[1] >> 1) % 2;
    double before[2][2] = {{1.5, 2.5}, {3.5, 4.5}};
    std::memcpy(out, before, sizeof out);
    const int formed = multiply2(r1, c1, r2, c2, in.sigma1, in.sigma2, out);
    check(formed == (c1 == r2));
    if (!formed)
        check(std::memcmp(out, before, sizeof out) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Input in;
    std::memset(&in, 0, sizeof in);
    std::memcpy(&in, data, size < sizeof in ? size : sizeof in);

    checkTable(in);
    checkPlot(in);
    (void)getBattacharayyaBound(in.mu1, in.mu2, in.sigma1, in.sigma2);
    (void)getProb(in.a, in.b, in.c);
    checkLinalg(in);
    return 0;
}
