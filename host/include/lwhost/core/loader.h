// Loads a plug-in module with the dynamic loader, checks its module record and gets its
// server records; unloading calls the module's shutdown, then closes it.
#pragma once

#include <lwsdk/lwmodule.h>

#include <memory>
#include <string>
#include <vector>

namespace lwhost {

enum class LoadStatus {
    Ok,
    NotFound,      // no such file
    NotLoadable,   // the dynamic loader refused it
    NoDescriptor,  // no module record symbol
    BadSync,
    BadVersion,
    BadMachine,
    NoEntryPoints,  // startup or shutdown missing
    StartupFailed,  // startup returned no array
};

struct LoadResult {
    LoadStatus status = LoadStatus::Ok;
    std::string message;  // names the file and what is wrong
    explicit operator bool() const { return status == LoadStatus::Ok; }
};

class Module {
  public:
    // Null with `result` saying why when the module cannot be used.
    static std::unique_ptr<Module> load(const std::string& path, LoadResult& result);
    ~Module();
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    // Calls shutdown with the server array, then closes the module. Idempotent.
    void unload();
    bool loaded() const { return m_handle != nullptr; }

    const std::string& path() const { return m_path; }
    // The records startup returned, without the closing null record.
    const std::vector<const st_ServerRecord*>& records() const { return m_records; }
    const st_ServerRecord* find(const std::string& className, const std::string& name) const;

  private:
    Module() = default;

    std::string m_path;
    void* m_handle = nullptr;
    st_ModuleDescriptor* m_descriptor = nullptr;
    st_ServerRecord* m_array = nullptr;
    std::vector<const st_ServerRecord*> m_records;
};

// Tag list as "code:\"text\"" items separated by blanks, codes 0 and hex.
std::string formatTags(const st_ServerTagInfo* tags);

}  // namespace lwhost
