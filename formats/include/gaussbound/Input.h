// Reading an input: a whole file or standard input at once, or the lines of
// a file descriptor one at a time.
//
//   InputError   an input that could not be read
//   inputName    how messages name an input
//   readInput    the whole contents of a file, or of standard input for "-"
//   InputLine    one line as LineReader hands it over
//   LineReader   the lines of a file descriptor, those over a limit not kept
#ifndef GAUSSBOUND_INPUT_H
#define GAUSSBOUND_INPUT_H

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace gaussbound {

// An input that could not be read; what() is "cannot read: REASON".
struct InputError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// How messages name an input: "standard input" for "-", else the path.
std::string inputName(const std::string& path);

// The whole contents of the file at path, or of standard input for "-";
// nothing once more than limit bytes have come (an endless device such as
// /dev/zero stops there). Throws InputError.
std::optional<std::string> readInput(const std::string& path, size_t limit);

// A line of an input: its text without the newline, or that it was longer
// than the reader keeps.
struct InputLine {
    std::string text;      // empty when tooLong
    bool tooLong = false;  // read past to its newline, not kept
};

// The lines of a file descriptor, each whole but for those longer than a
// limit, which are read past to their newline without being kept, so that
// memory stays bounded whatever the input. A last line without a newline
// counts. The descriptor stays the caller's: it is neither owned nor closed.
class LineReader {
public:
    // Reads fd (>= 0), keeping lines of at most `longest` bytes. Throws
    // std::invalid_argument for a negative fd (see Error.h).
    LineReader(int fd, size_t longest);

    // Reads the next line into line; false at the end of the input or on a
    // read error (see error), when a line the error cut short is dropped.
    bool next(InputLine& line);

    // The errno of a failed read, or 0.
    int error() const { return error_; }

private:
    // Refills the buffer; false at the end of the input or on an error.
    bool fill();

    int fd_;
    size_t longest_;
    std::vector<char> buffer_;
    size_t start_ = 0, end_ = 0;
    int error_ = 0;
};

}  // namespace gaussbound

#endif
