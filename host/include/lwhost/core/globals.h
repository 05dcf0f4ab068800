// The host's table of globals: name to record, with a record per name of how plug-ins used it.
#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace lwhost {

struct GlobalUse {
    unsigned reads = 0;     // use 0
    unsigned acquires = 0;  // use 1 answered with a record
    unsigned releases = 0;  // use 2
    unsigned misses = 0;    // requests the host could not answer
    bool held = false;      // acquired and not released since
};

class GlobalsRegistry {
  public:
    // Publishes `record` under `name` (replacing an earlier one). The record may be a plain
    // value cast to a pointer, as for "Product Info".
    void publish(const std::string& name, void* record);
    void withdraw(const std::string& name);
    bool has(const std::string& name) const;

    // Asked for names the table lacks; may return null. Lets the host consult plug-ins that
    // offer globals of their own.
    void setFallback(std::function<void*(const std::string& name, int use)> fallback);

    // What the global function does: answers and records one request.
    void* request(const char* name, int use);

    GlobalUse use(const std::string& name) const;
    // Names still held: acquired and not released since.
    std::vector<std::string> held() const;
    // Every name asked for, known or not, in name order.
    std::vector<std::string> requested() const;

  private:
    mutable std::mutex m_mutex;
    std::map<std::string, void*> m_records;
    std::map<std::string, GlobalUse> m_uses;
    std::function<void*(const std::string&, int)> m_fallback;
};

}  // namespace lwhost
