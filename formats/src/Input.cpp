#include "gaussbound/Input.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace gaussbound {

std::optional<std::string> readInput(const std::string& path, size_t limit)
{
    const bool standardInput = path == "-";
    const int fd = standardInput ? STDIN_FILENO : open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw InputError(std::string("cannot read: ") + std::strerror(errno));
    std::string text;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
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

}  // namespace gaussbound
