// Every file the client writes goes through here.
//
//   PendingFile     a path and the bytes that belong there
//   outputProblem   why a path cannot take output (a folder), before any work
//   samePlace       whether two paths would be written onto one file (through links)
//   writeAll        writes every byte to a descriptor, or fails
//   writeOutputs    writes every pending file, all or nothing where it can
//   Prepared, commit  the rename stage on its own
//
// How a path is written depends on what it names:
//   "-", or a name of the file   standard output, as one stream (so that
//   standard output is open on   `--table /dev/stdout >> log` appends);
//   a device, FIFO or socket     opened and written directly, in one stream
//                                (/dev/null, /dev/stdout on a pipe, a named pipe);
//   a regular file, or nothing   a temporary beside the final file is written,
//                                synced and renamed onto it once every output is
//                                ready, then the folder is synced. A symbolic link
//                                is followed through any chain to the file it
//                                names (a dangling one to the name it holds), so
//                                the link stays a link. A replaced file keeps its
//                                permission bits, and its owner and group where
//                                the user may set them; a new file gets 0666 less
//                                the umask. Other hard links to a replaced file
//                                keep the old contents.
#ifndef GAUSSBOUND_CLIENT_OUTPUT_H
#define GAUSSBOUND_CLIENT_OUTPUT_H

#include <optional>
#include <string>
#include <vector>

struct PendingFile {
    std::string path;
    std::string bytes;
};

// The reason path cannot take output ("is a folder"), or nothing. "-" is
// always fine.
std::optional<std::string> outputProblem(const std::string& path);

// Whether a and b would be written onto the same file, which two outputs
// must not be: one regular file (through links, and "-" with /dev/stdout or
// the file standard output is redirected to) or one name of a file yet to be
// made ("./x" and "x"). Two names of one device, FIFO or socket (/dev/null)
// are not: each output is streamed into it.
bool samePlace(const std::string& a, const std::string& b);

// Writes all of bytes to fd, again after a signal or a partial write; false
// (errno set, EIO where write gave none) on an error or a write that makes
// no progress, so that it never loops for ever.
bool writeAll(int fd, const std::string& bytes);

// Whether path is "-" or another name of the file standard output is open
// on; such an output is written through standard output.
bool namesStandardOutput(const std::string& path);

// Writes files: first every stream, then every temporary, then the renames.
// On failure sets error to "PATH: reason" (naming, when some renames had
// already been done, which outputs were written and which not), removes the
// temporaries not yet renamed, and returns false.
bool writeOutputs(const std::vector<PendingFile>& files, std::string& error);

// A temporary that is complete and synced, and the file it is to replace.
struct Prepared {
    std::string temporary;
    std::string target;  // the final file, links resolved
    std::string shown;   // the path as the user named it
};

// Renames each temporary onto its target in order, then syncs their
// folders. On a failure removes the temporaries left and says which outputs
// were written and which not.
bool commit(const std::vector<Prepared>& prepared, std::string& error);

#endif
