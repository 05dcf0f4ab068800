#include "vexo/channelgroup.h"

#include <cstdio>
#include <map>
#include <unordered_set>

namespace vexo {

namespace {

// The sibling names seen under one parent, read on from the last sibling seen instead of from
// the first, so that a parent gaining a group per graph rebuild costs each search only the
// groups added since the one before. Main thread only, like every channel edit.
struct SiblingNames {
    const st_LWChannelInfo* info = nullptr;
    LWChanGroupID parent = nullptr;
    LWChanGroupID first = nullptr, last = nullptr;
    std::string firstName, lastName;
    std::unordered_set<std::string> names;
    std::map<std::string, int> counters;  // per base name: every counter below it is taken

    static std::string nameOf(const st_LWChannelInfo* info, LWChanGroupID g) {
        const char* n = info->groupName(g);
        return n ? n : "";
    }
    void add(LWChanGroupID g) {
        last = g;
        lastName = nameOf(info, g);
        names.insert(lastName);
    }
    // Still a prefix of what the host lists: same first and last sibling, both unrenamed.
    bool current(const st_LWChannelInfo* i, LWChanGroupID p) const {
        if (i != info || p != parent || !first) return false;
        const char* a = info->groupName(first);
        const char* b = info->groupName(last);
        return info->nextGroup(parent, nullptr) == first && a && firstName == a && b &&
               lastName == b;
    }
    void bringUpToDate(const st_LWChannelInfo* i, LWChanGroupID p) {
        LWChanGroupID from;
        if (current(i, p)) {
            from = info->nextGroup(parent, last);
        } else {
            *this = SiblingNames{};
            info = i;
            parent = p;
            from = first = info->nextGroup(parent, nullptr);
            if (first) firstName = nameOf(info, first);
        }
        for (LWChanGroupID g = from; g; g = info->nextGroup(parent, g)) add(g);
    }
    // A group destroyed through a wrapper frees its name again.
    void forget(const st_LWChannelInfo* i, LWChanGroupID p, const std::string& name) {
        if (i != info || p != parent) return;
        names.erase(name);
        counters.clear();
    }
};

SiblingNames& siblingNames() {
    static SiblingNames cache;
    return cache;
}

}  // namespace

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
    if (m_group && m_owned && m_envelopes.available()) {
        if (available()) {
            const st_LWChannelInfo* info = getGlobal();
            siblingNames().forget(info, info->groupParent(m_group), name());
        }
        m_envelopes.getGlobal()->destroyGroup(m_group);
    }
    m_group = nullptr;
}

std::string ChannelGroup::freeName(const char* name, LWChanGroupID parent) const {
    std::string base = name ? name : "";
    if (!available()) return base;
    SiblingNames& siblings = siblingNames();
    siblings.bringUpToDate(getGlobal(), parent);
    if (!siblings.names.count(base)) return base;
    // Counters below the one found last time were all taken then, and names only get added.
    int& n = siblings.counters[base];
    for (;; ++n) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "(%i)", n);
        std::string candidate = base + suffix;
        if (!siblings.names.count(candidate)) return candidate;
    }
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
