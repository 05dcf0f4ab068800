// What the host asks of the operating system: loading modules, file status and descriptors,
// replacing files, the program's and the user's folders, the terminal and the signals that end
// the process. One source per platform implements it (host/core/os/posix.cpp, windows.cpp).
// Paths are byte strings; the ones returned use '/' between folders on every platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace lwhost::platform {

// ---- modules ----------------------------------------------------------------------------------

// Loads the module file `path` with its symbols kept to itself (a name without a folder is
// taken from the current directory, never searched for). Null with the system's reason.
void* loadLibrary(const std::string& path, std::string& why);
void* librarySymbol(void* library, const char* name);
void freeLibrary(void* library);

// ---- file status ------------------------------------------------------------------------------

enum class FileType {
    Missing,  // nothing there
    Unknown,  // the status could not be read for another reason
    Regular,
    Directory,
    Link,
    CharDevice,
    BlockDevice,
    Pipe,
    Socket,
    Other,
};

struct FileInfo {
    FileType type = FileType::Missing;
    uint64_t device = 0, file = 0;  // together they tell one file from every other
    uint64_t size = 0;
    unsigned mode = 0;  // permission bits (POSIX)
};

// The status of what `path` names, links followed unless `followLinks` is false. False with the
// system's reason when it cannot be read: `info.type` is then Missing when nothing is there,
// else Unknown.
bool fileStatus(const std::string& path, FileInfo& info, std::string& why, bool followLinks = true);
// The status of an open descriptor.
bool descriptorStatus(int fd, FileInfo& info, std::string& why);
// Where the symbolic link `path` points, as written in it.
bool readLink(const std::string& path, std::string& target, std::string& why);
// Whether the path is absolute ("/x"; on Windows also "C:/x", "C:\x" and "\\server\x").
bool absolutePath(const std::string& path);

// ---- descriptors ------------------------------------------------------------------------------

// Opens an existing file for reading without waiting (a pipe has no writer to wait for), in
// binary, not inherited by child processes. -1 with the reason.
int openForReading(const std::string& path, std::string& why);
// Creates `path`, which must not exist, for writing (mode 0666 less the umask on POSIX). -1
// with the reason; `exists` tells that something held the name.
int createNewFile(const std::string& path, bool& exists, std::string& why);
// Reads up to `size` bytes: the count, 0 at the end, -1 with the reason.
long readSome(int fd, void* buffer, std::size_t size, std::string& why);
// Writes every byte; false with the reason.
bool writeAll(int fd, const void* data, std::size_t size, std::string& why);
// Puts the file's bytes on disk.
bool syncFile(int fd, std::string& why);
// Gives the file the permission bits `mode` (nothing to do on Windows).
bool setMode(int fd, unsigned mode, std::string& why);
bool closeFile(int fd);
// A binary stdio stream on the descriptor, which it then owns.
FILE* openStream(int fd, const char* mode);

// ---- whole files ------------------------------------------------------------------------------

// Puts the file `from` in place of `to`, replacing a file there in one step.
bool replaceFile(const std::string& from, const std::string& to, std::string& why);
// Removes a file. Safe to call from a signal handler.
void removeFile(const char* path);
// Calls `cleanup` once when the user or the system ends the process (SIGINT, SIGTERM and SIGHUP
// whose action is the default; on Windows the console's close events), before it ends as it
// would have. `cleanup` may only do what a signal handler may.
void onTermination(void (*cleanup)());

// ---- the process ------------------------------------------------------------------------------

unsigned long processId();
// The running program's file; empty when it cannot be found.
std::string executablePath();
// The current directory; "." when it cannot be read.
std::string currentDirectory();
// The user's own settings folder for the host (without a trailing separator), and how the help
// names it.
std::string userSettingsDirectory();
const char* userSettingsDirectoryText();
// The folder for temporary files.
std::string temporaryDirectory();
// Whether standard error is a terminal (a progress bar is drawn there).
bool standardErrorIsTerminal();
// A standard descriptor the program was started without is taken by a read-only null device:
// no file the program opens can take its place, and writing to it fails as it would have.
void holdStandardStreams();

}  // namespace lwhost::platform
