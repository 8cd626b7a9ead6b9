#include "gaussbound/Input.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "gaussbound/Error.h"

namespace gaussbound {

namespace {

// read(2) into buffer, again when a signal interrupts it: the bytes read, 0
// at the end of the input, or -1 with errno set.
ssize_t readSome(int fd, char* buffer, size_t size)
{
    ssize_t got;
    do
        got = read(fd, buffer, size);
    while (got < 0 && errno == EINTR);
    return got;
}

}  // namespace

std::string inputName(const std::string& path)
{
    return path == "-" ? "standard input" : path;
}

std::optional<std::string> readInput(const std::string& path, size_t limit)
{
    const bool standardInput = path == "-";
    const int fd = standardInput ? STDIN_FILENO : open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw InputError(std::string("cannot read: ") + std::strerror(errno));
    std::string text;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = readSome(fd, buffer, sizeof buffer);
        if (got <= 0 || text.size() + static_cast<size_t>(got) > limit) {
            const int error = errno;
            if (!standardInput)
                close(fd);
            if (got < 0)
                throw InputError(std::string("cannot read: ") + std::strerror(error));
            if (got > 0)
                return std::nullopt;
            return text;
        }
        text.append(buffer, static_cast<size_t>(got));
    }
}

LineReader::LineReader(int fd, size_t longest) : fd_(fd), longest_(longest), buffer_(1 << 16)
{
    requireArgument(fd >= 0, "LineReader: the file descriptor is negative");
}

bool LineReader::next(InputLine& line)
{
    line.text.clear();
    line.tooLong = false;
    for (bool any = false;; any = true) {
        if (start_ == end_ && !fill())
            return any && error_ == 0;  // a line cut short by a read error is not a line
        const char* from = buffer_.data() + start_;
        const auto* newline = static_cast<const char*>(std::memchr(from, '\n', end_ - start_));
        const size_t n = newline ? static_cast<size_t>(newline - from) : end_ - start_;
        line.tooLong = line.tooLong || line.text.size() + n > longest_;
        if (line.tooLong)
            line.text.clear();
        else
            line.text.append(from, n);
        start_ += n + (newline ? 1 : 0);
        if (newline)
            return true;
    }
}

bool LineReader::fill()
{
    const ssize_t n = readSome(fd_, buffer_.data(), buffer_.size());
    if (n < 0)
        error_ = errno;
    start_ = 0;
    end_ = n > 0 ? static_cast<size_t>(n) : 0;
    return n > 0;
}

}  // namespace gaussbound
