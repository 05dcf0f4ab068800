// The Win32 calls behind the frame's file services. Every file is opened in binary, through the
// system's own calls; nothing here depends on the C runtime's text mode.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "os.h"

namespace vexo::os {

namespace {

struct Find {
    HANDLE handle = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAA data{};
    bool pending = true;  // the first entry is read when the stream opens
};

bool missingError(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
           error == ERROR_INVALID_NAME;
}

}  // namespace

FileKind kindOf(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return missingError(GetLastError()) ? FileKind::Missing : FileKind::Unknown;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return FileKind::Directory;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) return FileKind::Other;
    return FileKind::Regular;
}

FileStamp stamp(const std::string& path) {
    FileStamp s;
    const HANDLE h =
        CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return s;
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandle(h, &info)) {
        s.exists = true;
        s.regular = !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
        s.volume = info.dwVolumeSerialNumber;
        s.file = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
        s.size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
        const uint64_t ticks = (static_cast<uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                               info.ftLastWriteTime.dwLowDateTime;  // 100 ns
        s.seconds = static_cast<int64_t>(ticks / 10000000);
        s.nanoseconds = static_cast<int64_t>(ticks % 10000000) * 100;
    }
    CloseHandle(h);
    return s;
}

bool writableDirectory(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(attributes & FILE_ATTRIBUTE_READONLY);
}

void makeDirectory(const std::string& path) {
    // Folders take the permissions of the folder they are made in.
    CreateDirectoryA(path.c_str(), nullptr);
}

bool canOpen(const std::string& path) {
    const HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}

bool readUpTo(const std::string& path, size_t max, std::string& bytes) {
    const HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    // Checked again on the open file: the name may have changed hands since.
    if (h == INVALID_HANDLE_VALUE || GetFileType(h) != FILE_TYPE_DISK) {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        return false;
    }
    bytes.assign(max, '\0');
    size_t got = 0;
    while (got < bytes.size()) {
        DWORD n = 0;
        const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - got, 1u << 30));
        if (!ReadFile(h, &bytes[got], want, &n, nullptr) || n == 0) break;
        got += n;
    }
    CloseHandle(h);
    bytes.resize(got);
    return true;
}

// %ProgramData% (the folder every user's programs share settings in), else C:/ProgramData.
std::string systemConfigDirectory() {
    const char* dir = std::getenv("ProgramData");
    return dir && *dir ? dir : "C:/ProgramData";
}

DirectoryStream::DirectoryStream(const std::string& path) {
    auto* find = new Find;
    std::string pattern = path;
    if (!pattern.empty() && pattern.back() != '/' && pattern.back() != '\\') pattern += '/';
    pattern += '*';
    find->handle = FindFirstFileA(pattern.c_str(), &find->data);
    if (find->handle == INVALID_HANDLE_VALUE) {
        delete find;
        return;
    }
    m_handle = find;
}

DirectoryStream::~DirectoryStream() {
    if (auto* find = static_cast<Find*>(m_handle)) {
        FindClose(find->handle);
        delete find;
    }
}

bool DirectoryStream::next(std::string& name) {
    auto* find = static_cast<Find*>(m_handle);
    if (!find) return false;
    for (;;) {
        if (!find->pending && !FindNextFileA(find->handle, &find->data)) return false;
        find->pending = false;
        const char* entry = find->data.cFileName;
        if (std::strcmp(entry, ".") == 0 || std::strcmp(entry, "..") == 0) continue;
        name = entry;
        return true;
    }
}

}  // namespace vexo::os
