// A progress line for long work, on stderr and only when stderr is a
// terminal: nothing reaches a pipe or a file. It appears once the work has
// taken a second, is redrawn at most five times a second, and is cleared when
// the work ends. Work of a known size shows "WHAT: DONE of TOTAL, T s"; work
// whose size is not known ahead (a stream) shows its count and rate,
// "WHAT: DONE UNITS, R UNITS/s, T s".
#ifndef GAUSSBOUND_CLIENT_PROGRESS_H
#define GAUSSBOUND_CLIENT_PROGRESS_H

#include <chrono>
#include <string>

class ProgressLine {
public:
    // what: e.g. "bootstrap resamplings"; total: how many make the whole.
    ProgressLine(std::string what, long total);
    // what: e.g. "bounds batch"; units: what is counted, e.g. "lines".
    ProgressLine(std::string what, std::string units);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // Shows done (of total, or at its rate), when due.
    void update(long done);

private:
    using Clock = std::chrono::steady_clock;
    std::string what_, units_;  // units_ empty: of total_
    long total_;
    bool terminal_, shown_ = false;
    Clock::time_point start_, last_;
};

#endif
