#include "output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string folderOf(const std::string& path)
{
    const fs::path folder = fs::path(path).parent_path();
    return folder.empty() ? "." : folder.string();
}

std::string reason(int error)
{
    return std::strerror(error);
}

// Follows path through symbolic links, as many as the kernel would (40), to
// the name of the final file; a dangling link gives the name it holds. The
// links are read as text, so only the last component of each is followed:
// folders on the way may be links and stay as they are.
bool resolveLinks(const std::string& path, std::string& resolved)
{
    resolved = path;
    for (int hop = 0; hop < 40; ++hop) {
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(resolved, error)))
            return true;
        const fs::path text = fs::read_symlink(resolved, error);
        if (error) {
            errno = error.value();
            return false;
        }
        resolved = text.is_absolute() ? text.string() : folderOf(resolved) + "/" + text.string();
    }
    errno = ELOOP;
    return false;
}


// What a path is to the writer; see output.h.
enum class Kind { Standard, Stream, Replace };

struct Classified {
    Kind kind;
    std::string target;  // for Replace: the final file, links resolved
    bool exists;         // for Replace: the target exists and its mode applies
    struct stat existing;
};

bool classify(const std::string& path, Classified& c)
{
    c.exists = false;
    if (namesStandardOutput(path)) {
        c.kind = Kind::Standard;
        return true;
    }
    struct stat st;
    const bool present = stat(path.c_str(), &st) == 0;
    if (!present && errno != ENOENT)
        return false;
    if (present && S_ISDIR(st.st_mode)) {
        errno = EISDIR;
        return false;
    }
    if (present && !S_ISREG(st.st_mode)) {
        c.kind = Kind::Stream;
        return true;
    }
    if (!resolveLinks(path, c.target))
        return false;
    c.kind = Kind::Replace;
    if (!present)
        return true;
    // A link the text of which does not lead to the file the kernel reaches
    // (a /proc/self/fd link to a deleted file, say) is written through.
    struct stat final;
    if (stat(c.target.c_str(), &final) != 0 || final.st_dev != st.st_dev || final.st_ino != st.st_ino) {
        c.kind = Kind::Stream;
        return true;
    }
    c.exists = true;
    c.existing = st;
    return true;
}

// The mode a plain create would give: 0666 less the umask. The umask can
// only be read by setting it; the client is single-threaded here.
mode_t createMode()
{
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

// Writes bytes to a new temporary beside c.target with the mode (and, where
// allowed, owner and group) the replaced file had; returns its name, or an
// empty string with errno set.
std::string writeTemporary(const Classified& c, const std::string& bytes)
{
    std::string name = folderOf(c.target) + "/.bounds-XXXXXX";
    const int fd = mkstemp(name.data());
    if (fd < 0)
        return "";
    bool ok = fchmod(fd, c.exists ? c.existing.st_mode & 07777 : createMode()) == 0;
    // The old owner and group where the user may give them (root may; others
    // only a group of their own); where neither is allowed the replacement
    // is simply the user's file.
    if (ok && c.exists && fchown(fd, c.existing.st_uid, c.existing.st_gid) != 0 &&
        fchown(fd, static_cast<uid_t>(-1), c.existing.st_gid) != 0)
        errno = 0;
    ok = ok && writeAll(fd, bytes) && fsync(fd) == 0;
    const int savedErrno = errno;
    ok = close(fd) == 0 && ok;
    if (!ok) {
        unlink(name.c_str());
        errno = savedErrno ? savedErrno : EIO;
        return "";
    }
    return name;
}

bool writeStream(const std::string& path, const std::string& bytes)
{
    const int fd = open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = writeAll(fd, bytes);
    const int savedErrno = errno;
    if (close(fd) != 0 && ok)
        return false;
    errno = savedErrno;
    return ok;
}

bool syncFolder(const std::string& folder)
{
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = fsync(fd) == 0 || errno == EINVAL;  // some file systems cannot sync folders
    close(fd);
    return ok;
}

std::string listed(const std::vector<Prepared>& prepared, size_t from, size_t to)
{
    std::string s;
    for (size_t i = from; i < to; ++i)
        s += (s.empty() ? "" : ", ") + prepared[i].shown;
    return s;
}

// The name a file yet to be made will have: links followed as the writer
// follows them, and the folder's real path (links and "." resolved).
std::string futureName(const std::string& path)
{
    std::string resolved;
    if (!resolveLinks(path, resolved))
        return path;
    std::error_code error;
    const fs::path folder = fs::canonical(folderOf(resolved), error);
    return error ? resolved : (folder / fs::path(resolved).filename()).string();
}

}  // namespace

bool writeAll(int fd, const std::string& bytes)
{
    for (size_t done = 0; done < bytes.size();) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0)
            errno = EIO;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

std::optional<std::string> outputProblem(const std::string& path)
{
    struct stat st;
    if (path != "-" && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return std::string("is a folder, not a file");
    return std::nullopt;
}

bool samePlace(const std::string& a, const std::string& b)
{
    // An existing file's status through links; standard output's for "-".
    const auto status = [](const std::string& path, struct stat& st) {
        return path == "-" ? fstat(STDOUT_FILENO, &st) == 0 : stat(path.c_str(), &st) == 0;
    };
    struct stat sa, sb;
    const bool aExists = status(a, sa), bExists = status(b, sb);
    if (aExists && bExists) {
        // Two streams into one device, FIFO or socket (the null device
        // above all) do each other no harm; one regular file would be
        // written twice or renamed over itself.
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino && S_ISREG(sa.st_mode);
    }
    if (aExists || bExists)
        return false;
    return a == b || futureName(a) == futureName(b);
}

// Whether path names the file standard output is open on (/dev/stdout,
// /proc/self/fd/1, or the file a shell redirected it to): such a path is
// written through standard output itself, so that an appending redirection
// appends and nothing is renamed over it.
bool namesStandardOutput(const std::string& path)
{
    struct stat out, st;
    return path == "-" || (fstat(STDOUT_FILENO, &out) == 0 && stat(path.c_str(), &st) == 0 &&
                           out.st_dev == st.st_dev && out.st_ino == st.st_ino);
}

bool commit(const std::vector<Prepared>& prepared, std::string& error)
{
    std::set<std::string> folders;
    for (size_t i = 0; i < prepared.size(); ++i) {
        if (std::rename(prepared[i].temporary.c_str(), prepared[i].target.c_str()) != 0) {
            error = prepared[i].shown + ": " + reason(errno);
            if (i > 0)
                error += " (written: " + listed(prepared, 0, i) +
                         "; not written: " + listed(prepared, i, prepared.size()) + ")";
            for (size_t j = i; j < prepared.size(); ++j)
                unlink(prepared[j].temporary.c_str());
            return false;
        }
        folders.insert(folderOf(prepared[i].target));
    }
    // The new names reach the disk only with their folders.
    for (const std::string& folder : folders)
        if (!syncFolder(folder)) {
            error = folder + ": " + reason(errno) + " (the outputs were written but the folder "
                                                   "could not be synced)";
            return false;
        }
    return true;
}

bool writeOutputs(const std::vector<PendingFile>& files, std::string& error)
{
    std::vector<Prepared> prepared;
    const auto fail = [&](const std::string& path) {
        error = path + ": " + reason(errno);
        for (const Prepared& p : prepared)
            unlink(p.temporary.c_str());
        return false;
    };
    // Streams first: a reader that stops early (SIGPIPE) or a pipe nobody
    // opens (and a Ctrl-C) then leaves no temporary behind.
    std::vector<std::pair<const PendingFile*, Classified>> replaced;
    for (const PendingFile& file : files) {
        errno = 0;
        Classified c;
        if (!classify(file.path, c))
            return fail(file.path);
        if (c.kind == Kind::Replace) {
            replaced.emplace_back(&file, c);
            continue;
        }
        const bool ok = c.kind == Kind::Standard ? writeAll(STDOUT_FILENO, file.bytes)
                                                 : writeStream(file.path, file.bytes);
        if (!ok)
            return fail(file.path == "-" ? "standard output" : file.path);
    }
    for (const auto& [file, c] : replaced) {
        const std::string temporary = writeTemporary(c, file->bytes);
        if (temporary.empty())
            return fail(file->path);
        prepared.push_back({temporary, c.target, file->path});
    }
    return commit(prepared, error);
}
