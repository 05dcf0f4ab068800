// File names and operating-system services: path strings, directories, the host's standard
// directories ("Directory Info") and its file requester ("File Request 2").
//
// Paths are plain byte strings. Both "/" and "\\" count as separators wherever one is searched
// for; every separator these services append is "/".
#pragma once

#include <lwsdk/lwdialog.h>

#include <cstdint>
#include <memory>
#include <string>

#include "vexo/globals.h"
#include "vexo/persistence.h"

namespace vexo {

namespace os {
class DirectoryStream;
}

// The separators searched for: slash and backslash.
extern const char* const fSeps;

// `text` without leading and trailing characters of `set`.
std::string trim(const std::string& text, const char* set = " \t\r\n");
// Removes every trailing separator, in place.
void trimTrail(std::string& text);
// `name` up to, not including, its last "."; the whole name when it has none.
std::string stripExtension(const std::string& name);
// True when `path` exists and is a directory.
bool isDirectory(const std::string& path);
// Creates every directory named by a prefix of `path` ending just before a "/" (not the prefix
// before the first "/"), with permissions 0777 less the user's file-creation mask. The last
// component is not created. Failures are ignored.
void makeAllDirectories(const std::string& path);

// Milliseconds of a monotonic wall clock, for timing clicks.
int64_t clickClockMs();
// True when two clicks `intervalMs` apart (measured with clickClockMs) make a double click.
bool isDoubleClick(int64_t intervalMs);

template <>
const char* const GlobalBase<LWDirInfoFunc>::m_globalName;
template <>
const char* const GlobalBase<LWFileReqFunc>::m_globalName;
template <>
const char* const GlobalBase<st_LWInterfaceInfo>::m_globalName;

// "Directory Info" for one directory type.
class DirInfo : public GlobalBase<LWDirInfoFunc> {
  public:
    explicit DirInfo(const char* type = nullptr) : m_type(type) {}

    // The host's directory for `type` (this object's own type when null) ending in a separator
    // ("/" appended when needed); "" when the host knows none. Valid until the next call.
    const char* GetDirectory(const char* type = nullptr);
    // `path` without this object's directory (as the host returns it) and one "/" after it;
    // unchanged when it does not begin with that directory or the object has no type.
    std::string stripPath(const std::string& path) const;

    const char* type() const { return m_type; }

  private:
    const char* m_type;  // not owned
    std::string m_result;
};

// "LW Interface Info 5": the host's alert level (LWALERT_BEGINNER when the host lacks it).
class InterfaceInfo : public GlobalBase<st_LWInterfaceInfo> {
  public:
    int alertLevel() const;
};

// A directory stream; lists entry names except "." and "..".
class Directory {
  public:
    explicit Directory(const std::string& path);
    ~Directory();
    Directory(const Directory&) = delete;
    Directory& operator=(const Directory&) = delete;

    bool exists() const;
    // The next entry's name; null at the end or when the stream did not open. Valid until the
    // next call.
    const char* getEntry();

  private:
    std::unique_ptr<os::DirectoryStream> m_stream;
    std::string m_entry;
};

// A file name split on demand into its directory and file parts, relative to a host base
// directory ("Content" when the type is null or empty).
class FileName : public Storeable {
  public:
    explicit FileName(const std::string& fullName = std::string(), const char* baseType = nullptr)
        : m_baseType(baseType), m_fullName(fullName) {}

    void setFullName(const std::string& fullName) { m_fullName = fullName; }
    const std::string& getFullName() const { return m_fullName; }

    const std::string& getFileName();
    const std::string& getPath();
    // True when the path lies inside the base directory (after splitting).
    bool isInside();
    // The path part, "/" when it is not empty, and the file name.
    const std::string& getRelativeName();

    // True when a file of that name can be opened for reading.
    static bool Exists(const std::string& name);

  private:
    void split();

    const char* m_baseType;
    std::string m_fileName;
    std::string m_path;
    std::string m_fullName;
    bool m_inside = false;
    std::string m_relative;
};

// A file requester: Post() shows it, getFullName() gives the choice.
class BaseFileRequest {
  public:
    virtual ~BaseFileRequest() = default;
    virtual bool Post() = 0;
    virtual std::string getFullName() = 0;
};

// The host's "File Request 2" with its own 1024-byte buffers.
class FileRequest2 : public BaseFileRequest {
  public:
    static constexpr int bufferLength = 1024;

    FileRequest2(int reqType, const char* title, const char* fileType);
    // A copy has buffers of its own holding the same texts.
    FileRequest2(const FileRequest2& other);
    FileRequest2& operator=(const FileRequest2& other);

    // Shows the requester; true when the host served it and the user confirmed.
    bool Post() override;
    // The chosen full name relative to the "Content" directory when inside it.
    std::string getFullName() override;
    // The chosen full name as the host gave it.
    const char* fullName() const { return m_fullName; }
    // Preset the directory and file name shown first.
    void setPath(const char* path);
    void setBaseName(const char* name);

    const st_LWFileReqLocal& record() const { return m_req; }

  private:
    void bind();

    GlobalBase<LWFileReqFunc> m_global;
    DirInfo m_content{"Content"};
    st_LWFileReqLocal m_req;
    char m_path[bufferLength];
    char m_baseName[bufferLength];
    char m_fullName[bufferLength];
};

}  // namespace vexo
