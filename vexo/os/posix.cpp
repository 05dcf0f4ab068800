#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "os.h"

namespace vexo::os {

FileKind kindOf(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? FileKind::Missing : FileKind::Unknown;
    if (S_ISREG(st.st_mode)) return FileKind::Regular;
    if (S_ISDIR(st.st_mode)) return FileKind::Directory;
    return FileKind::Other;
}

FileStamp stamp(const std::string& path) {
    FileStamp s;
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return s;
    s.exists = true;
    s.regular = S_ISREG(st.st_mode);
    s.volume = static_cast<uint64_t>(st.st_dev);
    s.file = static_cast<uint64_t>(st.st_ino);
    s.size = static_cast<uint64_t>(st.st_size);
    s.seconds = st.st_mtim.tv_sec;
    s.nanoseconds = st.st_mtim.tv_nsec;
    return s;
}

bool writableDirectory(const std::string& path) {
    return kindOf(path) == FileKind::Directory && ::access(path.c_str(), W_OK) == 0;
}

void makeDirectory(const std::string& path) {
    // The user's file-creation mask decides who else may write in it.
    ::mkdir(path.c_str(), 0777);
}

bool canOpen(const std::string& path) {
    // Without waiting: opening a pipe for reading would block until someone writes to it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

bool readUpTo(const std::string& path, size_t max, std::string& bytes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat st;
    // Checked again on the open file: the name may have changed hands since.
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (fd >= 0) ::close(fd);
        return false;
    }
    bytes.assign(max, '\0');
    size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, &bytes[got], bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    bytes.resize(got);
    return true;
}

// The first absolute directory of $XDG_CONFIG_DIRS, else /etc/xdg.
std::string systemConfigDirectory() {
    const char* dirs = std::getenv("XDG_CONFIG_DIRS");
    std::string list = dirs ? dirs : "";
    for (size_t begin = 0; begin < list.size();) {
        size_t end = list.find(':', begin);
        if (end == std::string::npos) end = list.size();
        if (list[begin] == '/') return list.substr(begin, end - begin);
        begin = end + 1;
    }
    return "/etc/xdg";
}

DirectoryStream::DirectoryStream(const std::string& path) : m_handle(::opendir(path.c_str())) {}

DirectoryStream::~DirectoryStream() {
    if (m_handle) ::closedir(static_cast<DIR*>(m_handle));
}

bool DirectoryStream::next(std::string& name) {
    if (!m_handle) return false;
    while (struct dirent* entry = ::readdir(static_cast<DIR*>(m_handle))) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
        name = entry->d_name;
        return true;
    }
    return false;
}

}  // namespace vexo::os
