#include "lwhost/io/atomic_file.h"

#include <atomic>
#include <cerrno>
#include <cstring>

#include "lwhost/core/platform.h"

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

// Runs in a signal handler (on Windows, in the console's event thread).
void removeTemporaries() {
    char name[kMaxName];
    for (Slot& slot : g_slots) {
        const unsigned before = slot.sequence.load();
        if ((before & 1u) == 0) continue;
        std::memcpy(name, slot.name, kMaxName);
        name[kMaxName - 1] = '\0';
        if (slot.sequence.load() == before) platform::removeFile(name);
    }
}

std::string kindOf(platform::FileType type) {
    switch (type) {
        case platform::FileType::Directory:
            return "a directory";
        case platform::FileType::CharDevice:
            return "a character device";
        case platform::FileType::BlockDevice:
            return "a block device";
        case platform::FileType::Pipe:
            return "a pipe";
        case platform::FileType::Socket:
            return "a socket";
        default:
            return "not a file";
    }
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
        platform::FileInfo info;
        std::string reason;
        if (!platform::fileStatus(at, info, reason, false)) {
            // Nothing there yet: the file is new (a missing directory fails when it is made).
            if (info.type == platform::FileType::Missing) {
                target = at;
                return true;
            }
            why = reason;
            return false;
        }
        if (info.type == platform::FileType::Regular) {
            target = at;
            return true;
        }
        if (info.type != platform::FileType::Link) {
            why = (at == path ? "is " : "links to " + at + ", ") + kindOf(info.type) +
                  ", not a regular file";
            return false;
        }
        if (links >= kMaxLinks) {
            why = "too many symbolic links";
            return false;
        }
        std::string next;
        if (!platform::readLink(at, next, why)) return false;
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
    platform::onTermination(&removeTemporaries);
    static std::atomic<unsigned long> serial{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        m_temp = m_target + ".tmp-" + std::to_string(platform::processId()) + "-" +
                 std::to_string(++serial);
        // Known to the handlers before it exists, so no moment leaves it behind.
        m_slot = claimSlot(m_temp);
        bool taken = false;
        m_fd = platform::createNewFile(m_temp, taken, why);
        if (m_fd >= 0) return true;
        releaseSlot(m_slot);
        if (!taken) break;
        why = "no free name for a temporary file";
    }
    // Whatever holds the name is not ours to remove.
    m_temp.clear();
    return false;
}

FILE* AtomicFile::stream() {
    if (!m_stream && m_fd >= 0) m_stream = platform::openStream(m_fd, "wb");
    return m_stream;
}

bool AtomicFile::write(const void* data, size_t size, std::string& why) {
    if (m_fd < 0) {
        why = "the file is not open";
        return false;
    }
    return platform::writeAll(m_fd, data, size, why);
}

bool AtomicFile::close(std::string& why) {
    bool ok = true;
    if (m_stream) {
        ok = std::fclose(m_stream) == 0;
        m_stream = nullptr;
    } else if (m_fd >= 0) {
        ok = platform::closeFile(m_fd);
    }
    m_fd = -1;
    if (!ok) why = std::strerror(errno);
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
    if (m_stream && std::fflush(m_stream) != 0) return fail(std::strerror(errno));
    // A replaced file keeps its mode. What took the target's place meanwhile is refused too.
    platform::FileInfo old;
    std::string reason;
    if (platform::fileStatus(m_target, old, reason, false)) {
        if (old.type != platform::FileType::Regular)
            return fail("is now " + kindOf(old.type) + ", not a regular file");
        if (!platform::setMode(m_fd, old.mode, reason)) return fail(reason);
    }
    if (!platform::syncFile(m_fd, reason)) return fail(reason);
    if (!close(reason)) return fail(reason);
    if (!platform::replaceFile(m_temp, m_target, reason)) return fail(reason);
    releaseSlot(m_slot);
    m_temp.clear();
    return true;
}

void AtomicFile::abandon() {
    if (m_fd < 0 && m_temp.empty()) return;
    std::string ignored;
    close(ignored);
    if (!m_temp.empty()) platform::removeFile(m_temp.c_str());
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
