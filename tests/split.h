// Text cut at a separator, for the tests that read back lines and fields.
#ifndef GAUSSBOUND_TESTS_SPLIT_H
#define GAUSSBOUND_TESTS_SPLIT_H

#include <sstream>
#include <string>
#include <vector>

// The pieces of text between separators; a trailing separator ends the last
// piece rather than starting an empty one.
inline std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> pieces;
    std::istringstream in(text);
    for (std::string piece; std::getline(in, piece, separator);)
        pieces.push_back(piece);
    return pieces;
}

#endif
