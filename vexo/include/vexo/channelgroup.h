// A host channel group: the node in the host's channel tree under which animated parameters
// keep their envelopes.
#pragma once

#include <lwsdk/lwchannel.h>
#include <lwsdk/lwenvelope.h>

#include <string>

#include "vexo/globals.h"

namespace vexo {

template <>
const char* const GlobalBase<st_LWChannelInfo>::m_globalName;
template <>
const char* const GlobalBase<st_LWEnvelopeFuncs>::m_globalName;

// Wraps one host channel group ("Channel Info 2" to read the tree, "Animation Envelopes" to
// create and destroy groups). An owned group is destroyed with its wrapper; one that is not
// owned stays in the host's tree.
class ChannelGroup : public GlobalBase<st_LWChannelInfo> {
  public:
    explicit ChannelGroup(bool owned = true) : m_owned(owned) {}
    // Creates the group at once (see create).
    ChannelGroup(const char* name, LWChanGroupID parent, bool owned = true);
    ~ChannelGroup() override;
    // A group has one owner.
    ChannelGroup(const ChannelGroup&) = delete;
    ChannelGroup& operator=(const ChannelGroup&) = delete;

    // Creates a host group under `parent` (null: top level) with the first name that no
    // sibling has exactly: `name`, else "name(0)", "name(1)", ... An earlier group of this
    // wrapper is released first (destroyed when owned). False when the host lacks a global
    // or refuses.
    bool create(const char* name, LWChanGroupID parent = nullptr);
    // The first of `name`, "name(0)", "name(1)", ... that no child of `parent` has; `name`
    // itself when the channel information is missing. The siblings' names are remembered
    // between calls and only the groups added since are read, so a group someone else
    // destroyed keeps its name taken until the list of siblings is read afresh (when its first
    // or last group changes).
    std::string freeName(const char* name, LWChanGroupID parent) const;

    LWChanGroupID id() const { return m_group; }
    operator LWChanGroupID() const { return m_group; }  // NOLINT: used where hosts take groups
    bool owned() const { return m_owned; }
    void setOwned(bool owned) { m_owned = owned; }
    // The host's name of the group; empty when there is none.
    std::string name() const;

  private:
    // Destroys the host group when owned, and forgets it either way.
    void release();

    LWChanGroupID m_group = nullptr;             // null when none
    GlobalBase<st_LWEnvelopeFuncs> m_envelopes;  // "Animation Envelopes"
    bool m_owned;
};

}  // namespace vexo
