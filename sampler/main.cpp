// sampler: prints 10000 points of the two-dimensional normal distribution
// N((1, 1), I), one "(x,y)" line per point, reproducible for a given seed.
//
// Normal variates come from the polar form of the Box-Muller transform:
// draw u1, u2 uniform on [-1, 1) until w = u1^2 + u2^2 lies in (0, 1), then
//
//     f = sqrt(-2 ln w / w),   z1 = u1 f,   z2 = u2 f
//
// are two independent standard normal variates. One is returned at once and
// the other is cached for the next call. The uniforms come from libc's rand()
// on a grid of 100000 points, so the output for a seed is that of the
// platform's rand(). Arithmetic is single precision except where a step says
// double; each narrowing is part of the reproducible result.

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iostream>

#include <opencv2/highgui.hpp>

// Uniform variate k/100000 with k = rand() mod 100000: 0 ... 0.99999, never 1.
float ranf()
{
    const int k = std::rand() % 100000;
    return static_cast<float>(k) / 100000.0f;
}

// One accepted polar pair: writes the variate for now to *now and the spare
// to *spare. w == 0 (both uniforms exactly 0.5) is rejected as well as
// w >= 1: its factor would be infinite and the variates NaN.
static void polar_pair(float* now, float* spare)
{
    float x1, x2, w;
    do {
        // 2u - 1 is formed in double and narrowed to float.
        x1 = static_cast<float>(2.0 * ranf() - 1.0);
        x2 = static_cast<float>(2.0 * ranf() - 1.0);
        w = x1 * x1 + x2 * x2;
    } while (w >= 1.0f || w == 0.0f);

    const double wd = w;
    const float f = static_cast<float>(std::sqrt((-2.0 * std::log(wd)) / wd));
    *now = x1 * f;
    *spare = x2 * f;
}

// One normal variate with mean m and standard deviation s.
float box_muller(float m, float s)
{
    static int use_last = 0;
    static float y2;
    float z;

    if (use_last) {
        z = y2;
        use_last = 0;
    } else {
        polar_pair(&z, &y2);
        use_last = 1;
    }
    return z * s + m;
}

// Writes one point to out: out[i] = sigma[i][i] z_i + mean[i] with an
// independent standard normal z_i per axis. Reads mean and the diagonal of
// sigma only. Each axis keeps its own spare, so odd calls draw two fresh pairs
// (axis 0 first) and even calls use no rand() value at all.
void box_muller2d(float out[2], const float mean[2], const float sigma[2][2])
{
    static int use_last[2] = {0, 0};
    static float y2[2];

    for (int i = 0; i < 2; ++i) {
        float z;
        if (use_last[i]) {
            z = y2[i];
            use_last[i] = 0;
        } else {
            polar_pair(&z, &y2[i]);
            use_last[i] = 1;
        }
        out[i] = sigma[i][i] * z + mean[i];
    }
}

// Writes "(x,y)" and an end of line, then flushes. Each coordinate is
// formatted as the stream's default formatting prints a float (printf's %g
// at precision 6: exact decimal rounding, trailing zeros dropped, exponent
// form for small or large magnitudes), but by to_chars, without the
// stream's per-number locale work. Returns false if the write failed.
static bool print_point(const float p[2])
{
    char line[48];
    char* end = line + sizeof line;
    char* out = line;
    *out++ = '(';
    out = std::to_chars(out, end, p[0], std::chars_format::general, 6).ptr;
    *out++ = ',';
    out = std::to_chars(out, end, p[1], std::chars_format::general, 6).ptr;
    *out++ = ')';
    *out++ = '\n';
    std::cout.write(line, out - line).flush();
    return static_cast<bool>(std::cout);
}

int main(int argc, char** argv)
{
    const int count = 10000;
    const float mean[2] = {1.0f, 1.0f};
    const float sigma[2][2] = {{1.0f, 0.0f}, {0.0f, 1.0f}};
    static float samples[count][2];

    // atoi's rules on purpose: "abc" seeds 0, "12xy" seeds 12, extra
    // arguments are ignored.
    int seed = static_cast<int>(std::time(nullptr));
    if (argc > 1)
        seed = std::atoi(argv[1]);
    std::srand(seed);

    for (int i = 0; i < count; ++i) {
        samples[i][0] = 0.0f;
        samples[i][1] = 0.0f;
        box_muller2d(samples[i], mean, sigma);
        if (!print_point(samples[i])) {
            std::fprintf(stderr, "sampler: cannot write to standard output\n");
            return 1;
        }
    }

    cv::waitKey(0);
    return 0;
}
