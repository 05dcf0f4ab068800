// What the frame asks of the operating system: file status, directory streams and creation,
// reading small files without ever waiting, and the system's configuration folder. One source
// per platform implements it (posix.cpp, windows.cpp); paths are byte strings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vexo::os {

enum class FileKind { Missing, Regular, Directory, Other, Unknown };
// What the path names; Unknown when its status cannot be read for another reason.
FileKind kindOf(const std::string& path);

// What tells one file from the one that was at its path before.
struct FileStamp {
    bool exists = false;
    bool regular = false;
    uint64_t volume = 0, file = 0, size = 0;
    int64_t seconds = 0, nanoseconds = 0;
    bool operator==(const FileStamp& o) const {
        return exists == o.exists && regular == o.regular && volume == o.volume && file == o.file &&
               size == o.size && seconds == o.seconds && nanoseconds == o.nanoseconds;
    }
};
FileStamp stamp(const std::string& path);

// An existing folder the user may create files in.
bool writableDirectory(const std::string& path);
// Creates one folder; an existing one, or one that cannot be made, is passed over.
void makeDirectory(const std::string& path);
// Whether the file opens for reading (never waiting on a pipe).
bool canOpen(const std::string& path);
// Reads at most `max` bytes of the regular file at `path` without waiting; false when it does
// not open as a regular file.
bool readUpTo(const std::string& path, size_t max, std::string& bytes);
// Reads a regular file of at most `limit` bytes; `cut` tells whether there was more. False when
// it is missing, not a regular file or unreadable (`why` says which, empty for a missing one).
inline bool readRegularFile(const std::string& path, size_t limit, std::string& text, bool& cut,
                            std::string& why) {
    const FileKind kind = kindOf(path);
    if (kind == FileKind::Missing) return false;
    if (kind != FileKind::Regular || !readUpTo(path, limit + 1, text)) {
        why = kind == FileKind::Other ? "not a regular file; ignored" : "cannot be read";
        return false;
    }
    cut = text.size() > limit;
    if (cut) text.resize(limit);
    return true;
}
// The system-wide folder for configuration shared by every user.
std::string systemConfigDirectory();

// A directory stream listing entry names except "." and "..".
class DirectoryStream {
  public:
    explicit DirectoryStream(const std::string& path);
    ~DirectoryStream();
    DirectoryStream(const DirectoryStream&) = delete;
    DirectoryStream& operator=(const DirectoryStream&) = delete;
    bool isOpen() const { return m_handle != nullptr; }
    // The next entry's name; false at the end.
    bool next(std::string& name);

  private:
    void* m_handle = nullptr;
};

}  // namespace vexo::os
