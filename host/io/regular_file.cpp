#include "lwhost/io/regular_file.h"

#include "lwhost/core/platform.h"

namespace lwhost {

int openRegularFile(const std::string& path, FileStatus& status, std::string& why) {
    platform::FileInfo info;
    // Anything but a regular file is refused before it is opened: opening a device may already
    // act on it, and a pipe waits for a writer.
    if (!platform::fileStatus(path, info, why)) {
        status = FileStatus::Missing;
        return -1;
    }
    if (info.type != platform::FileType::Regular) {
        status = FileStatus::NotRegular;
        why = "not a regular file";
        return -1;
    }
    // The name may have been replaced meanwhile: open without waiting, then look again.
    int fd = platform::openForReading(path, why);
    if (fd < 0) {
        status = FileStatus::Missing;
        return -1;
    }
    std::string ignored;
    if (!platform::descriptorStatus(fd, info, ignored) ||
        info.type != platform::FileType::Regular) {
        platform::closeFile(fd);
        status = FileStatus::NotRegular;
        why = "not a regular file";
        return -1;
    }
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
    platform::FileInfo info;
    std::string ignored;
    if (platform::descriptorStatus(fd, info, ignored) && info.size > limit) {
        platform::closeFile(fd);
        why = "larger than " + std::to_string(limit) + " bytes";
        return FileStatus::TooLarge;
    }
    bytes.reserve(static_cast<std::size_t>(info.size));
    char buf[64 * 1024];
    for (;;) {
        const long n = platform::readSome(fd, buf, sizeof buf, why);
        if (n < 0) {
            platform::closeFile(fd);
            bytes.clear();
            return FileStatus::Unreadable;
        }
        if (n == 0) break;
        // A file that grows while it is read is held to the same limit.
        if (bytes.size() + static_cast<std::size_t>(n) > limit) {
            platform::closeFile(fd);
            bytes.clear();
            why = "larger than " + std::to_string(limit) + " bytes";
            return FileStatus::TooLarge;
        }
        bytes.append(buf, static_cast<std::size_t>(n));
    }
    platform::closeFile(fd);
    why.clear();
    return FileStatus::Ok;
}

}  // namespace lwhost
