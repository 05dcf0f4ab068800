// Replacing a file whole. The bytes go to a temporary file beside the target, "TARGET.tmp-PID-N",
// which is renamed over the target only once every byte is on disk: readers find the earlier
// file or the new one, never a part.
//
//   - The target is the file the path names once symbolic links are followed: a link stays a
//     link and the file it points to is replaced. A directory, device, pipe or socket there is
//     refused and left untouched (writing "over" one would replace it with a regular file).
//   - A new file gets the usual mode (0666 less the umask); a replaced file keeps its mode.
//   - While a temporary exists, SIGINT, SIGTERM and SIGHUP (when they would end the process)
//     remove it before the process ends as the signal ends it; on Windows the console's events
//     do, and the replacement is MoveFileEx's (links are not followed there).
//
// Every file the host writes for the user goes through here: images, scene files and the block
// files plug-ins save.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace lwhost {

// The file `path` names once symbolic links are followed (itself when it is no link). False
// with the reason when that is something other than a regular file or a place for a new one.
bool replacementTarget(const std::string& path, std::string& target, std::string& why);

// Whether `path` could be replaced: it names a regular file or nothing (links followed), and a
// temporary file can be made beside it (tried, and removed again). False with "cannot write
// PATH: why".
bool canWriteBeside(const std::string& path, std::string& error);

class AtomicFile {
  public:
    AtomicFile() = default;
    // Removes the temporary of a replacement that was not committed.
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary beside the target of `path`. False with the reason.
    bool open(const std::string& path, std::string& why);
    bool isOpen() const { return m_fd >= 0; }
    // The temporary's descriptor, and a stdio stream on it for writers that need one (made on
    // first use; the file closes it).
    int descriptor() const { return m_fd; }
    FILE* stream();
    // Writes every byte; false with the reason.
    bool write(const void* data, size_t size, std::string& why);
    // Puts the bytes on disk and the temporary in place of the target. False with the reason,
    // the temporary removed and the target as it was.
    bool commit(std::string& why);
    // Removes the temporary; the target stays as it was.
    void abandon();

    const std::string& target() const { return m_target; }
    const std::string& temporary() const { return m_temp; }

  private:
    bool close(std::string& why);

    int m_fd = -1;
    FILE* m_stream = nullptr;
    int m_slot = -1;  // where the signal handlers find the temporary's name
    std::string m_target;
    std::string m_temp;
};

}  // namespace lwhost
