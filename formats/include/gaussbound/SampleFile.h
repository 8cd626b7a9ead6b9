// Sample files: one point a line.
//
// A line is the sampler's "(x,y)" form or d numbers separated by commas,
// spaces or tabs (a comma may have blanks around it). Blank lines and lines
// whose first non-blank character is '#' are skipped; a line may end in
// "\r\n"; a UTF-8 byte-order mark before the first line is skipped. The
// first point fixes d, and every other point must have d
// numbers. Numbers are read by std::from_chars: finite, in range, an optional
// leading '+'.
//
//   SampleFileError   what is wrong, as "FILE:LINE: reason" or "FILE: reason"
//   parseSamples      a file's text to points
//   readSampleFile    a file ("-": standard input) to points
#ifndef GAUSSBOUND_SAMPLE_FILE_H
#define GAUSSBOUND_SAMPLE_FILE_H

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

#include <gaussbound/Estimate.h>

namespace gaussbound {

struct SampleFileError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// What the points of a file must agree with: a dimension (0: the file's
// first point fixes it) and where it comes from, for the message.
struct ExpectedDimension {
    Eigen::Index d = 0;
    std::string source;  // e.g. "the points of a.csv"
};

// Reads text, the contents of the file called name, and expected.d >= 0
// (a negative one throws std::invalid_argument, see Error.h). Throws
// SampleFileError for what is wrong with the text.
Points parseSamples(std::string_view text, const std::string& name, const ExpectedDimension& expected);

// The largest sample file read: 1 GiB (a class of 10^7 points of three
// coordinates as bounds draw writes them is about 600 MB).
constexpr size_t kLargestSampleFile = size_t{1} << 30;

// Reads the whole file at path, or standard input for "-", up to
// kLargestSampleFile bytes. Throws SampleFileError, for a larger one too.
Points readSampleFile(const std::string& path, const ExpectedDimension& expected);

}  // namespace gaussbound

#endif
