#include "platform/files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

int file_write(const std::string& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return errno;
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            ::close(fd);
            return err;
        }
        done += static_cast<size_t>(n);
    }
    if (::close(fd) != 0) return errno;
    return 0;
}

int file_read_prefix(const std::string& path, size_t max, std::string& out) {
    out.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    out.resize(max);
    size_t done = 0;
    while (done < max) {
        const ssize_t n = ::read(fd, out.data() + done, max - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            ::close(fd);
            out.clear();
            return err;
        }
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    out.resize(done);
    ::close(fd);
    return 0;
}

std::string error_text(int err) { return std::strerror(err); }
