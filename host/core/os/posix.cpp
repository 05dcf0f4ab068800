// The POSIX calls behind the host's platform services (Linux).
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "lwhost/core/platform.h"

namespace lwhost::platform {

namespace {

std::string systemReason() {
    return std::strerror(errno);
}

FileType typeOf(mode_t mode) {
    if (S_ISREG(mode)) return FileType::Regular;
    if (S_ISDIR(mode)) return FileType::Directory;
    if (S_ISLNK(mode)) return FileType::Link;
    if (S_ISCHR(mode)) return FileType::CharDevice;
    if (S_ISBLK(mode)) return FileType::BlockDevice;
    if (S_ISFIFO(mode)) return FileType::Pipe;
    if (S_ISSOCK(mode)) return FileType::Socket;
    return FileType::Other;
}

void fill(const struct stat& st, FileInfo& info) {
    info.type = typeOf(st.st_mode);
    info.device = static_cast<uint64_t>(st.st_dev);
    info.file = static_cast<uint64_t>(st.st_ino);
    info.size = static_cast<uint64_t>(st.st_size);
    info.mode = static_cast<unsigned>(st.st_mode & 07777);
}

std::atomic<void (*)()> g_cleanup{nullptr};
const int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void cleanUpAndEnd(int signal) {
    const int savedErrno = errno;
    if (void (*cleanup)() = g_cleanup.load()) cleanup();
    // The signal is blocked while this runs: with its default action back, it ends the process
    // as soon as the handler returns.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    ::sigaction(signal, &fallback, nullptr);
    ::raise(signal);
    errno = savedErrno;
}

}  // namespace

void* loadLibrary(const std::string& path, std::string& why) {
    // Local binding: every module keeps its own copies of the frame's statics. Without a slash
    // the loader would search the library path.
    const std::string file = path.find('/') == std::string::npos ? "./" + path : path;
    void* handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* reason = ::dlerror();
        why = reason ? reason : "unknown reason";
    }
    return handle;
}

void* librarySymbol(void* library, const char* name) {
    return ::dlsym(library, name);
}

void freeLibrary(void* library) {
    ::dlclose(library);
}

bool fileStatus(const std::string& path, FileInfo& info, std::string& why, bool followLinks) {
    info = FileInfo();
    struct stat st {};
    if ((followLinks ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) != 0) {
        info.type = errno == ENOENT ? FileType::Missing : FileType::Unknown;
        why = systemReason();
        return false;
    }
    fill(st, info);
    return true;
}

bool descriptorStatus(int fd, FileInfo& info, std::string& why) {
    info = FileInfo();
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        info.type = FileType::Unknown;
        why = systemReason();
        return false;
    }
    fill(st, info);
    return true;
}

bool readLink(const std::string& path, std::string& target, std::string& why) {
    char buffer[4096];
    const ssize_t n = ::readlink(path.c_str(), buffer, sizeof buffer);
    if (n < 0 || static_cast<size_t>(n) >= sizeof buffer) {
        why = n < 0 ? systemReason() : std::string(std::strerror(ENAMETOOLONG));
        return false;
    }
    target.assign(buffer, static_cast<size_t>(n));
    return true;
}

bool absolutePath(const std::string& path) {
    return !path.empty() && path[0] == '/';
}

int openForReading(const std::string& path, std::string& why) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        why = systemReason();
        return -1;
    }
    // Reads wait for data again: only opening had to be kept from waiting.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

int createNewFile(const std::string& path, bool& exists, std::string& why) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    exists = fd < 0 && errno == EEXIST;
    if (fd < 0) why = systemReason();
    return fd;
}

long readSome(int fd, void* buffer, std::size_t size, std::string& why) {
    for (;;) {
        const ssize_t n = ::read(fd, buffer, size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) why = systemReason();
        return static_cast<long>(n);
    }
}

bool writeAll(int fd, const void* data, std::size_t size, std::string& why) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            why = n < 0 ? systemReason() : "nothing was written";
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool syncFile(int fd, std::string& why) {
    if (::fsync(fd) == 0) return true;
    why = systemReason();
    return false;
}

bool setMode(int fd, unsigned mode, std::string& why) {
    if (::fchmod(fd, static_cast<mode_t>(mode & 07777)) == 0) return true;
    why = systemReason();
    return false;
}

bool closeFile(int fd) {
    return ::close(fd) == 0;
}

FILE* openStream(int fd, const char* mode) {
    return ::fdopen(fd, mode);
}

bool replaceFile(const std::string& from, const std::string& to, std::string& why) {
    if (::rename(from.c_str(), to.c_str()) == 0) return true;
    why = systemReason();
    return false;
}

void removeFile(const char* path) {
    ::unlink(path);
}

// Takes over the signals whose default action ends the process; one ignored or handled by the
// program stays as it is.
void onTermination(void (*cleanup)()) {
    static std::once_flag once;
    g_cleanup.store(cleanup);
    std::call_once(once, [] {
        for (int signal : kSignals) {
            struct sigaction old {};
            if (::sigaction(signal, nullptr, &old) != 0) continue;
            if ((old.sa_flags & SA_SIGINFO) || old.sa_handler != SIG_DFL) continue;
            struct sigaction handler {};
            handler.sa_handler = &cleanUpAndEnd;
            sigemptyset(&handler.sa_mask);
            handler.sa_flags = SA_RESTART;
            ::sigaction(signal, &handler, nullptr);
        }
    });
}

unsigned long processId() {
    return static_cast<unsigned long>(::getpid());
}

std::string executablePath() {
    char buf[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    return n <= 0 ? std::string() : std::string(buf, static_cast<size_t>(n));
}

std::string currentDirectory() {
    char buf[4096];
    return ::getcwd(buf, sizeof buf) ? std::string(buf) : std::string(".");
}

namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// Without trailing slashes; the root stays "/".
std::string withoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && (path.back() == '/' || path.back() == '\\')) path.pop_back();
    return path;
}

}  // namespace

// $XDG_CONFIG_HOME/lwhost when that is absolute, else ~/.config/lwhost.
std::string userSettingsDirectory() {
    const std::string xdg = environment("XDG_CONFIG_HOME");
    if (!xdg.empty() && xdg[0] == '/') return withoutTrailingSlashes(xdg) + "/lwhost";
    const std::string home = environment("HOME");
    std::string base = home.empty() ? currentDirectory() : home;
    // A relative one is taken from the root.
    if (!base.empty() && base[0] != '/') base = "//" + base;
    return withoutTrailingSlashes(base) + "/.config/lwhost";
}

const char* userSettingsDirectoryText() {
    return "$XDG_CONFIG_HOME/lwhost or ~/.config/lwhost";
}

std::string temporaryDirectory() {
    const std::string tmp = environment("TMPDIR");
    return tmp.empty() || tmp[0] != '/' ? "/tmp" : withoutTrailingSlashes(tmp);
}

bool standardErrorIsTerminal() {
    return ::isatty(STDERR_FILENO) != 0;
}

void holdStandardStreams() {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        const int held = ::open("/dev/null", O_RDONLY);
        if (held >= 0 && held != fd) {
            ::dup2(held, fd);
            ::close(held);
        }
    }
}

}  // namespace lwhost::platform
