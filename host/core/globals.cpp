#include "lwhost/core/globals.h"

#include <lwsdk/lwtypes.h>

namespace lwhost {

void GlobalsRegistry::publish(const std::string& name, void* record) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_records[name] = record;
}

void GlobalsRegistry::withdraw(const std::string& name) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_records.erase(name);
}

bool GlobalsRegistry::has(const std::string& name) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_records.count(name) != 0;
}

void GlobalsRegistry::setFallback(std::function<void*(const std::string&, int)> fallback) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_fallback = std::move(fallback);
}

void* GlobalsRegistry::request(const char* name, int use) {
    if (!name) return nullptr;
    std::string key(name);
    void* record = nullptr;
    std::function<void*(const std::string&, int)> fallback;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_records.find(key);
        if (it != m_records.end())
            record = it->second;
        else
            fallback = m_fallback;
    }
    // The fallback may activate plug-in servers, which may ask for globals in turn: call it
    // without holding the lock.
    if (!record && fallback && use != LWGLOBAL_RELEASE) record = fallback(key, use);

    std::lock_guard<std::mutex> lock(m_mutex);
    GlobalUse& u = m_uses[key];
    switch (use) {
        case LWGLOBAL_READ:
            ++u.reads;
            break;
        case LWGLOBAL_ACQUIRE:
            if (record) {
                ++u.acquires;
                u.held = true;
            }
            break;
        case LWGLOBAL_RELEASE:
            ++u.releases;
            u.held = false;
            return nullptr;
        default:
            return nullptr;  // an unknown use code gets nothing
    }
    if (!record) ++u.misses;
    return record;
}

GlobalUse GlobalsRegistry::use(const std::string& name) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_uses.find(name);
    return it == m_uses.end() ? GlobalUse{} : it->second;
}

std::vector<std::string> GlobalsRegistry::held() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::string> names;
    for (const auto& [name, u] : m_uses)
        if (u.held) names.push_back(name);
    return names;
}

std::vector<std::string> GlobalsRegistry::requested() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::string> names;
    for (const auto& entry : m_uses) names.push_back(entry.first);
    return names;
}

}  // namespace lwhost
