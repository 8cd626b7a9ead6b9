// Reading a whole input: a file, or standard input for "-".
#ifndef GAUSSBOUND_INPUT_H
#define GAUSSBOUND_INPUT_H

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>

namespace gaussbound {

// An input that could not be read; what() is "cannot read: REASON".
struct InputError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The whole contents of the file at path, or of standard input for "-";
// nothing once more than limit bytes have come (an endless device such as
// /dev/zero stops there). Throws InputError.
std::optional<std::string> readInput(const std::string& path, size_t limit);

}  // namespace gaussbound

#endif
