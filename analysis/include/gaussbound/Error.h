// How the library's functions refuse what they cannot read.
//
// Each header says what its functions read. Given an argument outside that
// (a thread count or window of 0, a coordinate beyond the dimension or two
// that must differ and do not, sizes that differ, a number that is not
// finite where one must be, a null table, a count below its least), a
// function throws std::invalid_argument before it computes anything; what()
// names the function and the argument, for the programmer. Such a call is a
// mistake of the calling code, and no caller needs to tell one from another.
//
// Problems of the data, which a front end reports and must tell apart, are
// returned as values that carry a kind: ModelError (Model.h) and
// SampleProblem (Estimate.h).
#ifndef GAUSSBOUND_ERROR_H
#define GAUSSBOUND_ERROR_H

#include <stdexcept>

namespace gaussbound {

// Throws std::invalid_argument(what) unless ok.
inline void requireArgument(bool ok, const char* what)
{
    if (!ok)
        throw std::invalid_argument(what);
}

}  // namespace gaussbound

#endif
