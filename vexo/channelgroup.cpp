#include "vexo/channelgroup.h"

#include <cstdio>

namespace vexo {

template <>
const char* const GlobalBase<st_LWChannelInfo>::m_globalName = LWCHANNELINFO_GLOBAL;
template <>
const char* const GlobalBase<st_LWEnvelopeFuncs>::m_globalName = LWENVELOPEFUNCS_GLOBAL;

ChannelGroup::ChannelGroup(const char* name, LWChanGroupID parent, bool owned) : m_owned(owned) {
    create(name, parent);
}

ChannelGroup::~ChannelGroup() {
    release();
}

void ChannelGroup::release() {
    if (m_group && m_owned && m_envelopes.available())
        m_envelopes.getGlobal()->destroyGroup(m_group);
    m_group = nullptr;
}

bool ChannelGroup::hasChild(LWChanGroupID parent, const std::string& name) const {
    const st_LWChannelInfo* info = getGlobal();
    for (LWChanGroupID g = info->firstGroup(parent); g; g = info->nextGroup(g)) {
        const char* n = info->groupName(g);
        if (n && name == n) return true;
    }
    return false;
}

std::string ChannelGroup::freeName(const char* name, LWChanGroupID parent) const {
    std::string base = name ? name : "";
    std::string candidate = base;
    if (!available()) return candidate;
    // Every clash moves to the next counter and scans the siblings again from the first.
    for (int n = 0; hasChild(parent, candidate); ++n) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "(%i)", n);
        candidate = base + suffix;
    }
    return candidate;
}

bool ChannelGroup::create(const char* name, LWChanGroupID parent) {
    release();
    if (!available() || !m_envelopes.available() || !name) return false;
    m_group = m_envelopes.getGlobal()->createGroup(parent, freeName(name, parent).c_str());
    return m_group != nullptr;
}

std::string ChannelGroup::name() const {
    if (!m_group || !available()) return std::string();
    const char* n = getGlobal()->groupName(m_group);
    return n ? n : std::string();
}

}  // namespace vexo
