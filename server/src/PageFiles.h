// The page's files, built into the program from the folder page/ (the
// definitions are generated at build time by embed.cmake).
//
//   PageFile       a file's name, content type and bytes
//   findPageFile   the file of a name, or null
#ifndef GAUSSBOUND_SERVER_PAGE_FILES_H
#define GAUSSBOUND_SERVER_PAGE_FILES_H

#include <cstddef>
#include <string>

namespace gaussbound {

struct PageFile {
    const char* name;
    const char* contentType;
    const char* bytes;
    std::size_t size;
};

// The file named name (no folders), or nullptr.
const PageFile* findPageFile(const std::string& name);

}  // namespace gaussbound

#endif
