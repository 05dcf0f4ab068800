// The Win32 and C runtime calls behind the host's platform services (Windows). Every file is
// opened in binary; a file is replaced with MoveFileEx, since rename() cannot replace one.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// The C runtime's descriptors.
#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "lwhost/core/platform.h"

namespace lwhost::platform {

namespace {

std::string systemReason() {
    return std::strerror(errno);
}

// The system's text for a Win32 error code, on one line; `insert` takes the place of a "%1" in
// it (a file name).
std::string windowsReason(DWORD error, const std::string& insert = "the file") {
    char* text = nullptr;
    const DWORD n = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string out = n && text ? std::string(text, n) : std::string();
    if (text) LocalFree(text);
    while (!out.empty() &&
           (out.back() == '\n' || out.back() == '\r' || out.back() == ' ' || out.back() == '.'))
        out.pop_back();
    for (char& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    for (size_t at = out.find("%1"); at != std::string::npos;
         at = out.find("%1", at + insert.size()))
        out.replace(at, 2, insert);
    return out.empty() ? "error " + std::to_string(error) : out;
}

bool missingError(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
           error == ERROR_INVALID_NAME;
}

std::string forwardSlashes(std::string path) {
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

// Without trailing separators (a drive's root keeps its one).
std::string withoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && (path.back() == '/' || path.back() == '\\') &&
           !(path.size() == 3 && path[1] == ':'))
        path.pop_back();
    return path;
}

void fill(const BY_HANDLE_FILE_INFORMATION& data, FileInfo& info) {
    info.type = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? FileType::Directory
                                                                   : FileType::Regular;
    info.device = data.dwVolumeSerialNumber;
    info.file = (static_cast<uint64_t>(data.nFileIndexHigh) << 32) | data.nFileIndexLow;
    info.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    info.mode = 0;
}

bool handleStatus(HANDLE h, FileInfo& info, std::string& why) {
    switch (GetFileType(h)) {
        case FILE_TYPE_DISK: {
            BY_HANDLE_FILE_INFORMATION data;
            if (!GetFileInformationByHandle(h, &data)) {
                info.type = FileType::Unknown;
                why = windowsReason(GetLastError());
                return false;
            }
            fill(data, info);
            return true;
        }
        case FILE_TYPE_CHAR:
            info.type = FileType::CharDevice;
            return true;
        case FILE_TYPE_PIPE:
            info.type = FileType::Pipe;
            return true;
        default:
            info.type = FileType::Other;
            return true;
    }
}

std::atomic<void (*)()> g_cleanup{nullptr};

BOOL WINAPI cleanUpAndEnd(DWORD) {
    if (void (*cleanup)() = g_cleanup.load()) cleanup();
    // Not handled: the next handler, the system's, ends the process as it would have.
    return FALSE;
}

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

}  // namespace

void* loadLibrary(const std::string& path, std::string& why) {
    // Without a folder the system would search its DLL path.
    const std::string file = path.find_first_of("/\\:") == std::string::npos ? ".\\" + path : path;
    // A broken module is reported here, not in a dialog box.
    DWORD oldMode = 0;
    SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &oldMode);
    HMODULE handle = LoadLibraryA(file.c_str());
    const DWORD error = GetLastError();
    SetThreadErrorMode(oldMode, nullptr);
    if (!handle) why = windowsReason(error, path);
    return reinterpret_cast<void*>(handle);
}

void* librarySymbol(void* library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void freeLibrary(void* library) {
    FreeLibrary(static_cast<HMODULE>(library));
}

// Windows has no links for the host to follow: every name is the file itself.
bool fileStatus(const std::string& path, FileInfo& info, std::string& why, bool) {
    info = FileInfo();
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        const DWORD error = GetLastError();
        info.type = missingError(error) ? FileType::Missing : FileType::Unknown;
        why = info.type == FileType::Missing ? std::strerror(ENOENT) : windowsReason(error);
        return false;
    }
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        info.type = FileType::Directory;
        return true;
    }
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) {
        info.type = FileType::CharDevice;
        return true;
    }
    // The identity needs the file open (for status only: no access asked, every sharing kept).
    const HANDLE h =
        CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        info.type = FileType::Unknown;
        why = windowsReason(GetLastError());
        return false;
    }
    const bool ok = handleStatus(h, info, why);
    CloseHandle(h);
    return ok;
}

bool descriptorStatus(int fd, FileInfo& info, std::string& why) {
    info = FileInfo();
    const intptr_t h = _get_osfhandle(fd);
    if (h == -1) {
        info.type = FileType::Unknown;
        why = systemReason();
        return false;
    }
    return handleStatus(reinterpret_cast<HANDLE>(h), info, why);
}

bool readLink(const std::string&, std::string&, std::string& why) {
    why = "not a symbolic link";
    return false;
}

bool absolutePath(const std::string& path) {
    if (!path.empty() && (path[0] == '/' || path[0] == '\\')) return true;
    return path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) &&
           path[1] == ':' && (path[2] == '/' || path[2] == '\\');
}

int openForReading(const std::string& path, std::string& why) {
    const int fd = _open(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    if (fd < 0) why = systemReason();
    return fd;
}

int createNewFile(const std::string& path, bool& exists, std::string& why) {
    const int fd = _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                         _S_IREAD | _S_IWRITE);
    exists = fd < 0 && errno == EEXIST;
    if (fd < 0) why = systemReason();
    return fd;
}

long readSome(int fd, void* buffer, std::size_t size, std::string& why) {
    const int n = _read(fd, buffer, static_cast<unsigned>(std::min<std::size_t>(size, INT_MAX)));
    if (n < 0) why = systemReason();
    return n;
}

bool writeAll(int fd, const void* data, std::size_t size, std::string& why) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const unsigned chunk = static_cast<unsigned>(std::min<std::size_t>(size, 1u << 30));
        const int n = _write(fd, p, chunk);
        if (n <= 0) {
            why = n < 0 ? systemReason() : "nothing was written";
            return false;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool syncFile(int fd, std::string& why) {
    if (_commit(fd) == 0) return true;
    why = systemReason();
    return false;
}

// A file's access on Windows lies in its folder's permissions, which the new file inherits.
bool setMode(int, unsigned, std::string&) {
    return true;
}

bool closeFile(int fd) {
    return _close(fd) == 0;
}

FILE* openStream(int fd, const char* mode) {
    return _fdopen(fd, mode);
}

bool replaceFile(const std::string& from, const std::string& to, std::string& why) {
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    why = windowsReason(GetLastError());
    return false;
}

void removeFile(const char* path) {
    DeleteFileA(path);
}

// The console's events (Ctrl+C, Ctrl+Break, the window closed, logoff, shutdown) run their
// handlers on a thread of their own.
void onTermination(void (*cleanup)()) {
    static std::atomic<bool> installed{false};
    g_cleanup.store(cleanup);
    if (!installed.exchange(true)) SetConsoleCtrlHandler(&cleanUpAndEnd, TRUE);
}

unsigned long processId() {
    return GetCurrentProcessId();
}

std::string executablePath() {
    char buf[MAX_PATH * 4];
    const DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
    if (n == 0 || n >= sizeof buf) return std::string();
    return forwardSlashes(std::string(buf, n));
}

std::string currentDirectory() {
    char buf[MAX_PATH * 4];
    return _getcwd(buf, sizeof buf) ? forwardSlashes(buf) : std::string(".");
}

// %APPDATA%/lwhost (the user's roaming settings), else lwhost in the current directory.
std::string userSettingsDirectory() {
    const std::string appData = environment("APPDATA");
    const std::string base = absolutePath(appData) ? appData : currentDirectory();
    return withoutTrailingSlashes(forwardSlashes(base)) + "/lwhost";
}

const char* userSettingsDirectoryText() {
    return "%APPDATA%/lwhost";
}

std::string temporaryDirectory() {
    char buf[MAX_PATH + 1];
    const DWORD n = GetTempPathA(sizeof buf, buf);
    if (n == 0 || n > sizeof buf) return withoutTrailingSlashes(currentDirectory());
    return withoutTrailingSlashes(forwardSlashes(std::string(buf, n)));
}

bool standardErrorIsTerminal() {
    return _isatty(_fileno(stderr)) != 0;
}

// The C runtime gives a program started without a standard handle a descriptor that fails
// every call: nothing to hold.
void holdStandardStreams() {}

}  // namespace lwhost::platform
