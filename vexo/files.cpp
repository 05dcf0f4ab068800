#include "vexo/files.h"

#include <chrono>
#include <cstdio>
#include <cstring>

#include "os/os.h"

namespace vexo {

template <>
const char* const GlobalBase<LWDirInfoFunc>::m_globalName = LWDIRINFOFUNC_GLOBAL;
template <>
const char* const GlobalBase<LWFileReqFunc>::m_globalName = LWFILEACTIVATEFUNC_GLOBAL;
template <>
const char* const GlobalBase<st_LWInterfaceInfo>::m_globalName = LWINTERFACEINFO_GLOBAL;

const char* const fSeps = "/\\";

namespace {
bool isSep(char c) {
    return c == '/' || c == '\\';
}
}  // namespace

std::string trim(const std::string& text, const char* set) {
    if (text.empty()) return text;
    if (!set) set = "";
    size_t first = text.find_first_not_of(set);
    if (first == std::string::npos) return std::string();
    size_t last = text.find_last_not_of(set);
    return text.substr(first, last - first + 1);
}

void trimTrail(std::string& text) {
    while (!text.empty() && isSep(text.back())) text.pop_back();
}

std::string stripExtension(const std::string& name) {
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

bool isDirectory(const std::string& path) {
    return !path.empty() && os::kindOf(path) == os::FileKind::Directory;
}

void makeAllDirectories(const std::string& path) {
    // Either separator ends a folder's name: Windows paths may hold both.
    for (size_t i = 1; i < path.size(); ++i) {
        if (!isSep(path[i]) || isSep(path[i - 1])) continue;
        os::makeDirectory(path.substr(0, i));
    }
}

int64_t clickClockMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool isDoubleClick(int64_t intervalMs) {
    return intervalMs < 800;
}

// ---- DirInfo ----------------------------------------------------------------------------------

const char* DirInfo::GetDirectory(const char* type) {
    m_result.clear();
    if (!type) type = m_type;
    LWDirInfoFunc* func = getGlobal();
    const char* dir = (func && type) ? func(type) : nullptr;
    if (dir && *dir) {
        m_result = dir;
        if (!isSep(m_result.back())) m_result += '/';
    }
    return m_result.c_str();
}

std::string DirInfo::stripPath(const std::string& path) const {
    LWDirInfoFunc* func = getGlobal();
    if (!func || !m_type) return path;
    const char* dir = func(m_type);
    if (!dir || !*dir) return path;
    size_t n = std::strlen(dir);
    if (path.compare(0, n, dir) != 0) return path;
    size_t from = n;
    if (from < path.size() && path[from] == '/') ++from;
    return path.substr(from);
}

int InterfaceInfo::alertLevel() const {
    const st_LWInterfaceInfo* info = getGlobal();
    return info ? info->alertLevel : LWALERT_BEGINNER;
}

// ---- Directory --------------------------------------------------------------------------------

Directory::Directory(const std::string& path)
    : m_stream(std::make_unique<os::DirectoryStream>(path)) {}

Directory::~Directory() = default;

bool Directory::exists() const {
    return m_stream->isOpen();
}

const char* Directory::getEntry() {
    return m_stream->next(m_entry) ? m_entry.c_str() : nullptr;
}

// ---- FileName ---------------------------------------------------------------------------------

void FileName::split() {
    DirInfo base(m_baseType && *m_baseType ? m_baseType : "Content");
    std::string baseDir = base.GetDirectory();
    std::string copy = m_fullName;
    m_fileName.clear();
    m_path.clear();

    size_t sep = copy.find_last_of(fSeps);
    if (sep != std::string::npos) {
        m_fileName = copy.substr(sep + 1);
        copy.erase(sep);
    } else {
        m_fileName = copy;
        copy.clear();
    }

    m_inside = !baseDir.empty() && copy.compare(0, baseDir.size(), baseDir) == 0;
    if (m_inside) copy.erase(0, baseDir.size());

    m_path = copy;
    if (m_inside) {
        size_t first = m_path.find_first_not_of('/');
        m_path.erase(0, first == std::string::npos ? m_path.size() : first);
    }
    trimTrail(m_path);

    m_relative = m_path;
    if (!m_path.empty()) m_relative += '/';
    m_relative += m_fileName;
}

const std::string& FileName::getFileName() {
    split();
    return m_fileName;
}

const std::string& FileName::getPath() {
    split();
    return m_path;
}

bool FileName::isInside() {
    split();
    return m_inside;
}

const std::string& FileName::getRelativeName() {
    split();
    return m_relative;
}

bool FileName::Exists(const std::string& name) {
    return !name.empty() && os::canOpen(name);
}

// ---- FileRequest2 -----------------------------------------------------------------------------

FileRequest2::FileRequest2(int reqType, const char* title, const char* fileType) {
    std::memset(&m_req, 0, sizeof m_req);
    m_req.reqType = reqType;
    m_req.title = title;
    m_req.fileType = fileType;
    m_path[0] = m_baseName[0] = m_fullName[0] = 0;
    bind();
}

FileRequest2::FileRequest2(const FileRequest2& other)
    : BaseFileRequest(other),
      m_global(other.m_global),
      m_content(other.m_content),
      m_req(other.m_req) {
    std::memcpy(m_path, other.m_path, bufferLength);
    std::memcpy(m_baseName, other.m_baseName, bufferLength);
    std::memcpy(m_fullName, other.m_fullName, bufferLength);
    bind();
}

FileRequest2& FileRequest2::operator=(const FileRequest2& other) {
    if (this == &other) return *this;
    m_req = other.m_req;
    std::memcpy(m_path, other.m_path, bufferLength);
    std::memcpy(m_baseName, other.m_baseName, bufferLength);
    std::memcpy(m_fullName, other.m_fullName, bufferLength);
    bind();
    return *this;
}

// Points the record at this object's own buffers.
void FileRequest2::bind() {
    m_req.path = m_path;
    m_req.baseName = m_baseName;
    m_req.fullName = m_fullName;
    m_req.bufLen = bufferLength;
    m_req.pickName = nullptr;
}

bool FileRequest2::Post() {
    LWFileReqFunc* func = m_global.getGlobal();
    if (!func) return false;
    m_req.result = LWFREQ_CANCELLED;
    int served = func(LWFILEREQ_VERSION, &m_req);
    // The host promises terminated texts; keep that true whatever it wrote.
    m_path[bufferLength - 1] = m_baseName[bufferLength - 1] = m_fullName[bufferLength - 1] = 0;
    return served != 0 && m_req.result == LWFREQ_CONFIRMED;
}

std::string FileRequest2::getFullName() {
    return m_content.stripPath(m_fullName);
}

void FileRequest2::setPath(const char* path) {
    std::snprintf(m_path, bufferLength, "%s", path ? path : "");
}

void FileRequest2::setBaseName(const char* name) {
    std::snprintf(m_baseName, bufferLength, "%s", name ? name : "");
}

}  // namespace vexo
