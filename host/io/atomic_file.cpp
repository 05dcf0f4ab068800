#include "lwhost/io/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <mutex>

namespace lwhost {

namespace {

// ---- temporaries the signal handlers remove ----------------------------------------------
//
// A fixed table, so that a handler reads it without locks or allocation. A slot's sequence is
// odd while its name is valid; a handler copies the name and uses it only when the sequence did
// not move meanwhile. Saves beyond the table still work; only their temporaries stay when a
// signal ends the process.

constexpr size_t kSlots = 32;
constexpr size_t kMaxName = 4096;

struct Slot {
    std::atomic<bool> busy{false};
    std::atomic<unsigned> sequence{0};
    char name[kMaxName];
};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<unsigned>::is_always_lock_free,
              "signal handlers read the slots");

Slot g_slots[kSlots];

int claimSlot(const std::string& name) {
    if (name.size() >= kMaxName) return -1;
    for (size_t i = 0; i < kSlots; ++i) {
        bool expected = false;
        if (!g_slots[i].busy.compare_exchange_strong(expected, true)) continue;
        std::memcpy(g_slots[i].name, name.c_str(), name.size() + 1);
        g_slots[i].sequence.fetch_add(1);  // odd: armed
        return static_cast<int>(i);
    }
    return -1;
}

void releaseSlot(int& slot) {
    if (slot < 0) return;
    g_slots[slot].sequence.fetch_add(1);  // even: disarmed
    g_slots[slot].busy.store(false);
    slot = -1;
}

const int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void removeTemporariesAndEnd(int signal) {
    const int savedErrno = errno;
    char name[kMaxName];
    for (Slot& slot : g_slots) {
        const unsigned before = slot.sequence.load();
        if ((before & 1u) == 0) continue;
        std::memcpy(name, slot.name, kMaxName);
        name[kMaxName - 1] = '\0';
        if (slot.sequence.load() == before) ::unlink(name);
    }
    // The signal is blocked while this runs: with its default action back, it ends the process
    // as soon as the handler returns.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    ::sigaction(signal, &fallback, nullptr);
    ::raise(signal);
    errno = savedErrno;
}

// Takes over the signals whose default action ends the process; one ignored or handled by the
// program stays as it is.
void installHandlers() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (int signal : kSignals) {
            struct sigaction old {};
            if (::sigaction(signal, nullptr, &old) != 0) continue;
            if ((old.sa_flags & SA_SIGINFO) || old.sa_handler != SIG_DFL) continue;
            struct sigaction handler {};
            handler.sa_handler = &removeTemporariesAndEnd;
            sigemptyset(&handler.sa_mask);
            handler.sa_flags = SA_RESTART;
            ::sigaction(signal, &handler, nullptr);
        }
    });
}

std::string kindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISFIFO(mode)) return "a pipe";
    if (S_ISSOCK(mode)) return "a socket";
    return "not a file";
}

std::string systemReason() {
    return std::strerror(errno);
}

}  // namespace

bool replacementTarget(const std::string& path, std::string& target, std::string& why) {
    if (path.empty()) {
        why = "no file name";
        return false;
    }
    if (path.back() == '/') {
        why = "names a directory, not a file";
        return false;
    }
    constexpr int kMaxLinks = 40;
    std::string at = path;
    for (int links = 0;; ++links) {
        struct stat st;
        if (::lstat(at.c_str(), &st) != 0) {
            // Nothing there yet: the file is new (a missing directory fails when it is made).
            if (errno == ENOENT) {
                target = at;
                return true;
            }
            why = systemReason();
            return false;
        }
        if (S_ISREG(st.st_mode)) {
            target = at;
            return true;
        }
        if (!S_ISLNK(st.st_mode)) {
            why = (at == path ? "is " : "links to " + at + ", ") + kindOf(st.st_mode) +
                  ", not a regular file";
            return false;
        }
        if (links >= kMaxLinks) {
            why = "too many symbolic links";
            return false;
        }
        char buffer[kMaxName];
        const ssize_t n = ::readlink(at.c_str(), buffer, sizeof buffer);
        if (n < 0 || static_cast<size_t>(n) >= sizeof buffer) {
            why = n < 0 ? systemReason() : std::string(std::strerror(ENAMETOOLONG));
            return false;
        }
        std::string next(buffer, static_cast<size_t>(n));
        // A relative link is taken from the directory the link is in.
        const size_t slash = at.rfind('/');
        if (!next.empty() && next[0] != '/' && slash != std::string::npos)
            next = at.substr(0, slash + 1) + next;
        if (next.empty() || next.back() == '/') {
            why = "links to " + next + ", which names a directory, not a file";
            return false;
        }
        at = next;
    }
}

AtomicFile::~AtomicFile() {
    abandon();
}

bool AtomicFile::open(const std::string& path, std::string& why) {
    abandon();
    if (!replacementTarget(path, m_target, why)) return false;
    installHandlers();
    static std::atomic<unsigned long> serial{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        m_temp = m_target + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(++serial);
        // Known to the handlers before it exists, so no moment leaves it behind.
        m_slot = claimSlot(m_temp);
        m_fd = ::open(m_temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd >= 0) return true;
        const int error = errno;
        releaseSlot(m_slot);
        if (error != EEXIST) {
            why = std::strerror(error);
            break;
        }
        why = "no free name for a temporary file";
    }
    // Whatever holds the name is not ours to remove.
    m_temp.clear();
    return false;
}

FILE* AtomicFile::stream() {
    if (!m_stream && m_fd >= 0) m_stream = ::fdopen(m_fd, "wb");
    return m_stream;
}

bool AtomicFile::write(const void* data, size_t size, std::string& why) {
    if (m_fd < 0) {
        why = "the file is not open";
        return false;
    }
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(m_fd, p, size);
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

bool AtomicFile::close(std::string& why) {
    bool ok = true;
    if (m_stream) {
        ok = std::fclose(m_stream) == 0;
        m_stream = nullptr;
    } else if (m_fd >= 0) {
        ok = ::close(m_fd) == 0;
    }
    m_fd = -1;
    if (!ok) why = systemReason();
    return ok;
}

bool AtomicFile::commit(std::string& why) {
    if (m_fd < 0) {
        why = "the file is not open";
        return false;
    }
    auto fail = [&](std::string reason) {
        why = std::move(reason);
        abandon();
        return false;
    };
    if (m_stream && std::fflush(m_stream) != 0) return fail(systemReason());
    // A replaced file keeps its mode. What took the target's place meanwhile is refused too.
    struct stat old;
    if (::lstat(m_target.c_str(), &old) == 0) {
        if (!S_ISREG(old.st_mode))
            return fail("is now " + kindOf(old.st_mode) + ", not a regular file");
        if (::fchmod(m_fd, old.st_mode & 07777) != 0) return fail(systemReason());
    }
    if (::fsync(m_fd) != 0) return fail(systemReason());
    std::string closing;
    if (!close(closing)) return fail(closing);
    if (::rename(m_temp.c_str(), m_target.c_str()) != 0) return fail(systemReason());
    releaseSlot(m_slot);
    m_temp.clear();
    return true;
}

void AtomicFile::abandon() {
    if (m_fd < 0 && m_temp.empty()) return;
    std::string ignored;
    close(ignored);
    if (!m_temp.empty()) ::unlink(m_temp.c_str());
    releaseSlot(m_slot);
    m_temp.clear();
}

bool canWriteBeside(const std::string& path, std::string& error) {
    if (path.empty()) {
        error = "no output file given";
        return false;
    }
    AtomicFile probe;
    std::string why;
    if (!probe.open(path, why)) {
        error = "cannot write " + path + ": " + why;
        return false;
    }
    return true;
}

}  // namespace lwhost
