#include "atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string folderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Writes bytes to a new temporary file beside path; returns its name, or an
// empty string with errno set.
std::string writeTemporary(const std::string& path, const std::string& bytes)
{
    std::string name = folderOf(path) + "/.bounds-XXXXXX";
    const int fd = mkstemp(name.data());
    if (fd < 0)
        return "";

    // mkstemp creates the file 0600; give it the mode a plain create would.
    const mode_t mask = umask(0);
    umask(mask);
    bool ok = fchmod(fd, 0666 & ~mask) == 0;

    for (size_t done = 0; ok && done < bytes.size();) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        done += ok ? static_cast<size_t>(n) : 0;
    }
    ok = ok && fsync(fd) == 0;
    const int savedErrno = errno;
    ok = close(fd) == 0 && ok;
    if (!ok) {
        unlink(name.c_str());
        errno = savedErrno ? savedErrno : EIO;
        return "";
    }
    return name;
}

}  // namespace

bool writeFilesAtomically(const std::vector<PendingFile>& files, std::string& error)
{
    std::vector<std::string> temporaries;
    const auto discard = [&] {
        for (const auto& t : temporaries)
            unlink(t.c_str());
    };

    for (const auto& file : files) {
        errno = 0;
        const std::string temporary = writeTemporary(file.path, file.bytes);
        if (temporary.empty()) {
            error = file.path + ": " + std::strerror(errno);
            discard();
            return false;
        }
        temporaries.push_back(temporary);
    }
    for (size_t i = 0; i < files.size(); ++i) {
        if (std::rename(temporaries[i].c_str(), files[i].path.c_str()) != 0) {
            error = files[i].path + ": " + std::strerror(errno);
            temporaries.erase(temporaries.begin(), temporaries.begin() + i);
            discard();
            return false;
        }
    }
    return true;
}
