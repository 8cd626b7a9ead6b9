// libFuzzer harness for the figures' axis ticks, in-process: the input's
// first 16 bytes are two doubles, the ends of a range. For every finite
// range the ticks must be few, in order (a range a few subnormals wide may
// round two to one double), and labelled distinctly. A failed
// check aborts.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <utility>

#include <gaussbound/Ticks.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    double ends[2];
    if (size < sizeof ends)
        return 0;
    std::memcpy(ends, data, sizeof ends);
    if (!std::isfinite(ends[0]) || !std::isfinite(ends[1]) || ends[0] == ends[1])
        return 0;
    const double lo = std::fmin(ends[0], ends[1]), hi = std::fmax(ends[0], ends[1]);
    for (const bool cover : {false, true}) {
        const gaussbound::AxisTicks t = gaussbound::axisTicks(lo, hi, 6, cover);
        if (t.at.size() < 2 || t.at.size() > 17 || t.labels.size() != t.at.size())
            std::abort();
        if (std::set<std::string>(t.labels.begin(), t.labels.end()).size() != t.labels.size())
            std::abort();
        for (size_t i = 1; i < t.at.size(); ++i)
            if (!(t.at[i - 1] <= t.at[i]) || t.labels[i].size() > 12)  // subnormal ticks may round together
                std::abort();
    }
    return 0;
}
