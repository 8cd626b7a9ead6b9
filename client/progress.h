// A progress line for long work, on stderr and only when stderr is a
// terminal: nothing reaches a pipe or a file. It appears once the work has
// taken a second, is redrawn at most five times a second, and is cleared when
// the work ends.
#ifndef GAUSSBOUND_CLIENT_PROGRESS_H
#define GAUSSBOUND_CLIENT_PROGRESS_H

#include <chrono>
#include <string>

class ProgressLine {
public:
    // what: e.g. "bootstrap resamplings"; total: how many make the whole.
    ProgressLine(std::string what, long total);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // Shows done of total, when due.
    void update(long done);

private:
    using Clock = std::chrono::steady_clock;
    std::string what_;
    long total_;
    bool terminal_, shown_ = false;
    Clock::time_point start_, last_;
};

#endif
