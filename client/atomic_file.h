// All-or-nothing output files.
#ifndef GAUSSBOUND_CLIENT_ATOMIC_FILE_H
#define GAUSSBOUND_CLIENT_ATOMIC_FILE_H

#include <string>
#include <vector>

struct PendingFile {
    std::string path;
    std::string bytes;
};

// Writes each file to a temporary file in its target's folder and renames it
// into place only once every file has been written and synced, so an
// existing file is replaced whole or left as it was. On failure removes the
// temporaries, sets error to "PATH: reason" and returns false.
bool writeFilesAtomically(const std::vector<PendingFile>& files, std::string& error);

#endif
