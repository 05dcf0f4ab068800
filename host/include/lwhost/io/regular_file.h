// Reading the files users and plug-ins name (scenes, scripts, configuration, OBJ and material
// files, block files): only regular files are opened, and nothing ever waits. A pipe, a device or
// a directory given as a file is refused without being read, so that it cannot block the host
// for good or feed it endless data.
#pragma once

#include <cstddef>
#include <string>

namespace lwhost {

enum class FileStatus {
    Ok,
    Missing,     // cannot be opened (no such file, no permission, ...)
    NotRegular,  // a directory, pipe, socket or device
    TooLarge,    // more bytes than the caller takes
    Unreadable,  // opened, but reading failed
};

// A descriptor (close-on-exec) open for reading on the regular file `path`, or -1 with the
// status and `why` (the system's reason, or "not a regular file"). The file is opened without
// waiting, and only after it was found to be a regular file.
int openRegularFile(const std::string& path, FileStatus& status, std::string& why);

// The whole content of the regular file `path` when it holds at most `limit` bytes.
FileStatus readRegularFile(const std::string& path, std::size_t limit, std::string& bytes,
                           std::string& why);

}  // namespace lwhost
