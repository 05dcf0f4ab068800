#include "lwhost/io/regular_file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace lwhost {

int openRegularFile(const std::string& path, FileStatus& status, std::string& why) {
    struct stat st {};
    // Anything but a regular file is refused before it is opened: opening a device may already
    // act on it, and a pipe waits for a writer.
    if (::stat(path.c_str(), &st) != 0) {
        status = FileStatus::Missing;
        why = std::strerror(errno);
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        status = FileStatus::NotRegular;
        why = "not a regular file";
        return -1;
    }
    // The name may have been replaced meanwhile: open without waiting, then look again.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        status = FileStatus::Missing;
        why = std::strerror(errno);
        return -1;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        status = FileStatus::NotRegular;
        why = "not a regular file";
        return -1;
    }
    int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    status = FileStatus::Ok;
    why.clear();
    return fd;
}

FileStatus readRegularFile(const std::string& path, std::size_t limit, std::string& bytes,
                           std::string& why) {
    bytes.clear();
    FileStatus status;
    int fd = openRegularFile(path, status, why);
    if (fd < 0) return status;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && static_cast<unsigned long long>(st.st_size) > limit) {
        ::close(fd);
        why = "larger than " + std::to_string(limit) + " bytes";
        return FileStatus::TooLarge;
    }
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buf[64 * 1024];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            why = std::strerror(errno);
            ::close(fd);
            bytes.clear();
            return FileStatus::Unreadable;
        }
        if (n == 0) break;
        // A file that grows while it is read is held to the same limit.
        if (bytes.size() + static_cast<std::size_t>(n) > limit) {
            ::close(fd);
            bytes.clear();
            why = "larger than " + std::to_string(limit) + " bytes";
            return FileStatus::TooLarge;
        }
        bytes.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    why.clear();
    return FileStatus::Ok;
}

}  // namespace lwhost
