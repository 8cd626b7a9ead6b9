#include "progress.h"

#include <unistd.h>

#include <cstdio>
#include <utility>

ProgressLine::ProgressLine(std::string what, long total)
    : what_(std::move(what)), total_(total), terminal_(isatty(2) == 1), start_(Clock::now()), last_(start_)
{
}

ProgressLine::ProgressLine(std::string what, std::string units) : ProgressLine(std::move(what), 0L)
{
    units_ = std::move(units);
}

ProgressLine::~ProgressLine()
{
    if (shown_)
        std::fprintf(stderr, "\r\033[K");
}

void ProgressLine::update(long done)
{
    const Clock::time_point now = Clock::now();
    if (!terminal_ || now - start_ < std::chrono::seconds(1) || now - last_ < std::chrono::milliseconds(200))
        return;
    last_ = now;
    shown_ = true;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    if (units_.empty())
        std::fprintf(stderr, "\r\033[K%s: %ld of %ld, %.0f s", what_.c_str(), done, total_, seconds);
    else
        std::fprintf(stderr, "\r\033[K%s: %ld %s, %.0f %s/s, %.1f s", what_.c_str(), done, units_.c_str(),
                     static_cast<double>(done) / seconds, units_.c_str(), seconds);
    std::fflush(stderr);
}
