// "LWVParmFuncs 2", "Channel Info 2" and "Animation Envelopes": animated parameters, channel
// groups and envelopes.
//
// Every group, channel (envelope), parameter and key is known to plug-ins by a handle that is a
// serial number, never an address, and never reused: a handle to something destroyed is looked
// up, not found and refused. Destroying a group orphans its channels and parameters (they move
// to no group and keep working) rather than leaving them pointing at it.
#pragma once

#include <lwsdk/lwchannel.h>
#include <lwsdk/lwenvelope.h>
#include <lwsdk/lwvparm.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "lwhost/scene/envelope_curve.h"

namespace lwhost {

class Host;

class Envelopes {
  public:
    explicit Envelopes(Host& host);
    // Withdraws the three globals.
    ~Envelopes();
    Envelopes(const Envelopes&) = delete;
    Envelopes& operator=(const Envelopes&) = delete;

    // Channel groups ("Channel Info 2" and "Animation Envelopes").
    LWChanGroupID createGroup(LWChanGroupID parent, const char* name);
    void destroyGroup(LWChanGroupID group);
    // The child of `parent` after `group` (null: the first); null at the end, for an unknown
    // parent or group, or a group that is not a child of `parent`.
    LWChanGroupID nextGroup(LWChanGroupID parent, LWChanGroupID group) const;
    const char* groupName(LWChanGroupID group) const;
    LWChanGroupID groupParent(LWChanGroupID group) const;

    // Channels: every envelope is one. nextChannel walks the channels of `group` as nextGroup
    // walks its children.
    LWChannelID nextChannel(LWChanGroupID group, LWChannelID channel) const;
    const char* channelName(LWChannelID channel) const;
    LWChanGroupID channelParent(LWChannelID channel) const;
    int channelType(LWChannelID channel) const;  // LWET_*; 0 unknown
    LWEnvelopeID channelEnvelope(LWChannelID channel) const;

    // Envelopes ("Animation Envelopes").
    LWEnvelopeID createEnvelope(LWChanGroupID group, const char* name, int type);
    void destroyEnvelope(LWEnvelopeID envelope);
    const char* copyEnvelope(LWEnvelopeID to, LWEnvelopeID from);
    const char* loadEnvelope(LWEnvelopeID envelope, const st_LWLoadState* load);
    const char* saveEnvelope(LWEnvelopeID envelope, const st_LWSaveState* save);
    double evaluate(LWEnvelopeID envelope, double time) const;
    int envelopeAge(LWEnvelopeID envelope) const;
    LWEnvKeyID createKey(LWEnvelopeID envelope, double time, double value);
    void destroyKey(LWEnvelopeID envelope, LWEnvKeyID key);
    LWEnvKeyID findKey(LWEnvelopeID envelope, double time) const;
    LWEnvKeyID nextKey(LWEnvelopeID envelope, LWEnvKeyID key) const;
    LWEnvKeyID prevKey(LWEnvelopeID envelope, LWEnvKeyID key) const;
    // LWKEY_VALUE and LWKEY_TIME through a double; 1 done, 0 refused.
    int keyGet(LWEnvelopeID envelope, LWEnvKeyID key, int tag, double* value) const;
    int keySet(LWEnvelopeID envelope, LWEnvKeyID key, int tag, double value);
    // egGet: LWENVTAG_KEYCOUNT through an int; 1 done, 0 refused.
    int envelopeGet(LWEnvelopeID envelope, int tag, void* value) const;

    // Animated parameters ("LWVParmFuncs 2").
    LWVParmID createParm(int type, int texture);
    void destroyParm(LWVParmID parm);
    // A group that is not there leaves the parameter in no group. False for an unknown
    // parameter.
    bool setupParm(LWVParmID parm, const char* channelName, LWChanGroupID group, void* texContext,
                   LWVParmEventFunc event, const char* pluginName, void* userData);
    const char* loadParm(LWVParmID parm, const st_LWLoadState* load);
    const char* saveParm(LWVParmID parm, const st_LWSaveState* save);
    // Values of the channels at `time` into value[0..]; the number written, 0 for an unknown
    // parameter.
    int getValue(LWVParmID parm, double time, double* value) const;
    int setValue(LWVParmID parm, const double* value);
    const char* copyParm(LWVParmID to, LWVParmID from);
    // LWVPSF_ENV while any channel has keys.
    int parmState(LWVParmID parm) const;
    void setParmState(LWVParmID parm, int state);
    LWChanGroupID parmGroup(LWVParmID parm) const;
    int parmEnvelopes(LWVParmID parm, LWEnvelopeID* envelopes) const;
    int parmType(LWVParmID parm) const;
    // The plug-in name setup gave; empty for an unknown parameter.
    std::string parmOwner(LWVParmID parm) const;

    // Live objects, for the host's own checks.
    size_t groupCount() const;
    size_t envelopeCount() const;
    size_t parmCount() const;

    // Number of channels of a parameter type; 0 for a type the host does not know.
    static int channelCount(int type);

    static const st_LWVParmFuncs* vparmRecord();
    static const st_LWChannelInfo* channelRecord();
    static const st_LWEnvelopeFuncs* envelopeRecord();

  private:
    struct Group {
        std::string name;
        uintptr_t parent = 0;  // 0: top level
    };
    struct Channel {
        std::string name;
        uintptr_t group = 0;  // 0: no group
        uintptr_t parm = 0;   // the parameter it belongs to, 0 for a free envelope
        int type = LWET_FLOAT;
        unsigned age = 0;  // moves on every change of the curve; wraps
        EnvelopeCurve curve;
    };
    struct Parm {
        int type = 0;
        std::vector<uintptr_t> channels;
        uintptr_t group = 0;
        std::string name;
        std::string plugin;
        void* texContext = nullptr;
        LWVParmEventFunc event = nullptr;
        void* userData = nullptr;
    };

    // Lookups by handle; null for 0 or anything not (or no longer) there. Caller holds m_mutex.
    const Group* group(uintptr_t id) const;
    Channel* channel(uintptr_t id);
    const Channel* channel(uintptr_t id) const;
    Parm* parm(uintptr_t id);
    const Parm* parm(uintptr_t id) const;
    uintptr_t nextId() { return m_nextId++; }
    // Copies keys (with fresh handles) and the constant.
    void copyCurve(Channel& to, const Channel& from);
    // Replaces the channel's curve by one read or copied, with fresh key handles.
    void replaceCurve(Channel& to, EnvelopeCurve curve);

    Host& m_host;
    mutable std::mutex m_mutex;  // never held while a load or save record is called
    uintptr_t m_nextId = 1;      // one sequence for every kind, so handles never mix up
    std::map<uintptr_t, Group> m_groups;
    std::map<uintptr_t, Channel> m_channels;
    std::map<uintptr_t, Parm> m_parms;
};

}  // namespace lwhost
