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
    LWChanGroupID firstGroup(LWChanGroupID parent) const;
    LWChanGroupID nextGroup(LWChanGroupID group) const;
    const char* groupName(LWChanGroupID group) const;
    LWChanGroupID groupParent(LWChanGroupID group) const;

    // Channels: every envelope is one.
    LWChannelID firstChannel(LWChanGroupID group) const;
    LWChannelID nextChannel(LWChannelID channel) const;
    const char* channelName(LWChannelID channel) const;
    LWChanGroupID channelParent(LWChannelID channel) const;
    LWEnvelopeID channelEnvelope(LWChannelID channel) const;

    // Envelopes ("Animation Envelopes").
    LWEnvelopeID createEnvelope(LWChanGroupID group, const char* name);
    void destroyEnvelope(LWEnvelopeID envelope);
    int copyEnvelope(LWEnvelopeID to, LWEnvelopeID from);
    const char* loadEnvelope(LWEnvelopeID envelope, const st_LWLoadState* load);
    const char* saveEnvelope(LWEnvelopeID envelope, const st_LWSaveState* save);
    double evaluate(LWEnvelopeID envelope, double time) const;
    LWEnvKeyID createKey(LWEnvelopeID envelope, double time, double value);
    void destroyKey(LWEnvelopeID envelope, LWEnvKeyID key);
    LWEnvKeyID findKey(LWEnvelopeID envelope, double time) const;
    LWEnvKeyID nextKey(LWEnvelopeID envelope, LWEnvKeyID key) const;
    int keyCount(LWEnvelopeID envelope) const;
    int keyGet(LWEnvelopeID envelope, LWEnvKeyID key, int tag, double* value) const;
    int keySet(LWEnvelopeID envelope, LWEnvKeyID key, int tag, double value);

    // Animated parameters ("LWVParmFuncs 2").
    LWVParmID createParm(int type, int texture);
    void destroyParm(LWVParmID parm);
    int setupParm(LWVParmID parm, const char* channelName, LWChanGroupID group, void* texContext,
                  LWVParmEventFunc event, const char* pluginName, void* userData);
    const char* loadParm(LWVParmID parm, const st_LWLoadState* load);
    const char* saveParm(LWVParmID parm, const st_LWSaveState* save);
    int getValue(LWVParmID parm, double time, double* value) const;
    int setValue(LWVParmID parm, const double* value);
    int copyParm(LWVParmID to, LWVParmID from);
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

    Host& m_host;
    mutable std::mutex m_mutex;  // never held while a load or save record is called
    uintptr_t m_nextId = 1;      // one sequence for every kind, so handles never mix up
    std::map<uintptr_t, Group> m_groups;
    std::map<uintptr_t, Channel> m_channels;
    std::map<uintptr_t, Parm> m_parms;
};

}  // namespace lwhost
