// The C records of "LWVParmFuncs 2", "Channel Info 2" and "Animation Envelopes". Every entry
// reaches the current host's Envelopes through call(), which also keeps exceptions out of the
// plug-in's frames.
#include <exception>

#include "lwhost/core/host.h"
#include "lwhost/scene/envelopes.h"

namespace lwhost {

namespace {

template <class R, class F>
R call(R fallback, F f) noexcept {
    Host* host = Host::current();
    if (!host) return fallback;
    try {
        return f(host->envelopes());
    } catch (const std::exception&) {
        return fallback;
    }
}

template <class F>
void call(F f) noexcept {
    call(0, [&](Envelopes& e) {
        f(e);
        return 0;
    });
}

extern "C" {

// "Channel Info 2"
LWChanGroupID ciNextGroup(LWChanGroupID parent, LWChanGroupID group) {
    return call<LWChanGroupID>(nullptr, [&](Envelopes& e) { return e.nextGroup(parent, group); });
}
LWChannelID ciNextChannel(LWChanGroupID parent, LWChannelID channel) {
    return call<LWChannelID>(nullptr, [&](Envelopes& e) { return e.nextChannel(parent, channel); });
}
const char* ciGroupName(LWChanGroupID group) {
    return call<const char*>(nullptr, [&](Envelopes& e) { return e.groupName(group); });
}
const char* ciChannelName(LWChannelID channel) {
    return call<const char*>(nullptr, [&](Envelopes& e) { return e.channelName(channel); });
}
LWChanGroupID ciGroupParent(LWChanGroupID group) {
    return call<LWChanGroupID>(nullptr, [&](Envelopes& e) { return e.groupParent(group); });
}
LWChanGroupID ciChannelParent(LWChannelID channel) {
    return call<LWChanGroupID>(nullptr, [&](Envelopes& e) { return e.channelParent(channel); });
}
int ciChannelType(LWChannelID channel) {
    return call(0, [&](Envelopes& e) { return e.channelType(channel); });
}
double ciChannelEvaluate(LWChannelID channel, LWTime time) {
    return call(0.0, [&](Envelopes& e) { return e.evaluate(e.channelEnvelope(channel), time); });
}
LWEnvelopeID ciChannelEnvelope(LWChannelID channel) {
    return call<LWEnvelopeID>(nullptr, [&](Envelopes& e) { return e.channelEnvelope(channel); });
}
// No channel events and no channel filters in this host.
int ciSetChannelEvent(LWChannelID, LWChanEventFunc, void*) {
    return 0;
}
const char* ciServer(LWChannelID, const char*, int) {
    return nullptr;
}
unsigned int ciServerFlags(LWChannelID, const char*, int) {
    return 0;
}
LWInstance ciServerInstance(LWChannelID, const char*, int) {
    return nullptr;
}
int ciServerApply(LWChannelID, const char*, const char*, int) {
    return 0;
}
void ciServerRemove(LWChannelID, const char*, const char*, LWInstance) {}

// "Animation Envelopes"
LWEnvelopeID envCreate(LWChanGroupID group, const char* name, int type) {
    return call<LWEnvelopeID>(nullptr,
                              [&](Envelopes& e) { return e.createEnvelope(group, name, type); });
}
void envDestroy(LWEnvelopeID envelope) {
    call([&](Envelopes& e) { e.destroyEnvelope(envelope); });
}
LWChanGroupID envCreateGroup(LWChanGroupID parent, const char* name) {
    return call<LWChanGroupID>(nullptr, [&](Envelopes& e) { return e.createGroup(parent, name); });
}
void envDestroyGroup(LWChanGroupID group) {
    call([&](Envelopes& e) { e.destroyGroup(group); });
}
LWError envCopy(LWEnvelopeID to, LWEnvelopeID from) {
    return call<LWError>("host failure", [&](Envelopes& e) { return e.copyEnvelope(to, from); });
}
LWError envLoad(LWEnvelopeID envelope, const st_LWLoadState* load) {
    return call<LWError>("host failure",
                         [&](Envelopes& e) { return e.loadEnvelope(envelope, load); });
}
LWError envSave(LWEnvelopeID envelope, const st_LWSaveState* save) {
    return call<LWError>("host failure",
                         [&](Envelopes& e) { return e.saveEnvelope(envelope, save); });
}
double envEvaluate(LWEnvelopeID envelope, LWTime time) {
    return call(0.0, [&](Envelopes& e) { return e.evaluate(envelope, time); });
}
int envEdit(LWChanGroupID, LWEnvelopeID, int, void*) {
    return 0;  // no envelope editor
}
int envAge(LWEnvelopeID envelope) {
    return call(0, [&](Envelopes& e) { return e.envelopeAge(envelope); });
}
LWEnvKeyID envCreateKey(LWEnvelopeID envelope, LWTime time, double value) {
    return call<LWEnvKeyID>(nullptr,
                            [&](Envelopes& e) { return e.createKey(envelope, time, value); });
}
void envDestroyKey(LWEnvelopeID envelope, LWEnvKeyID key) {
    call([&](Envelopes& e) { e.destroyKey(envelope, key); });
}
LWEnvKeyID envFindKey(LWEnvelopeID envelope, LWTime time) {
    return call<LWEnvKeyID>(nullptr, [&](Envelopes& e) { return e.findKey(envelope, time); });
}
LWEnvKeyID envNextKey(LWEnvelopeID envelope, LWEnvKeyID key) {
    return call<LWEnvKeyID>(nullptr, [&](Envelopes& e) { return e.nextKey(envelope, key); });
}
LWEnvKeyID envPrevKey(LWEnvelopeID envelope, LWEnvKeyID key) {
    return call<LWEnvKeyID>(nullptr, [&](Envelopes& e) { return e.prevKey(envelope, key); });
}
int envKeySet(LWEnvelopeID envelope, LWEnvKeyID key, LWKeyTag tag, void* value) {
    // Only the double-valued tags are read: another tag's value may be smaller than a double.
    if (!value || (tag != LWKEY_VALUE && tag != LWKEY_TIME)) return 0;
    const double v = *static_cast<const double*>(value);
    return call(0, [&](Envelopes& e) { return e.keySet(envelope, key, tag, v); });
}
int envKeyGet(LWEnvelopeID envelope, LWEnvKeyID key, LWKeyTag tag, void* value) {
    return call(
        0, [&](Envelopes& e) { return e.keyGet(envelope, key, tag, static_cast<double*>(value)); });
}
int envSetEnvEvent(LWEnvelopeID, LWEnvEventFunc, void*) {
    return 0;  // no envelope events
}
int envEgSet(LWEnvelopeID, LWChanGroupID, int, void*) {
    return 0;  // no settable tag
}
int envEgGet(LWEnvelopeID envelope, LWChanGroupID, int tag, void* value) {
    return call(0, [&](Envelopes& e) { return e.envelopeGet(envelope, tag, value); });
}

// "LWVParmFuncs 2"
LWVParmID vpCreate(int type, int texture) {
    return call<LWVParmID>(nullptr, [&](Envelopes& e) { return e.createParm(type, texture); });
}
void vpDestroy(LWVParmID parm) {
    call([&](Envelopes& e) { e.destroyParm(parm); });
}
void vpSetup(LWVParmID parm, const char* channelName, LWChanGroupID group,
             LWTxtrContextID texContext, LWVP_EventFunc* event, const char* pluginName,
             void* userData) {
    call([&](Envelopes& e) {
        e.setupParm(parm, channelName, group, texContext, event, pluginName, userData);
    });
}
LWError vpCopy(LWVParmID to, LWVParmID from) {
    return call<LWError>("host failure", [&](Envelopes& e) { return e.copyParm(to, from); });
}
LWError vpLoad(LWVParmID parm, const st_LWLoadState* load) {
    return call<LWError>("host failure", [&](Envelopes& e) { return e.loadParm(parm, load); });
}
LWError vpSave(LWVParmID parm, const st_LWSaveState* save) {
    return call<LWError>("host failure", [&](Envelopes& e) { return e.saveParm(parm, save); });
}
double vpGetVal(LWVParmID parm, LWTime time, LWMicropolID, double* result) {
    call([&](Envelopes& e) { e.getValue(parm, time, result); });
    return 0.0;  // the opacity of a texture there is none of
}
int vpSetVal(LWVParmID parm, double* value) {
    return call(0, [&](Envelopes& e) { return e.setValue(parm, value); });
}
int vpGetState(LWVParmID parm) {
    return call(0, [&](Envelopes& e) { return e.parmState(parm); });
}
void vpSetState(LWVParmID parm, int state) {
    call([&](Envelopes& e) { e.setParmState(parm, state); });
}
void vpEditEnv(LWVParmID) {}
void vpEditTex(LWVParmID) {}
void vpInitMP(LWMicropolID) {}
void vpGetEnv(LWVParmID parm, LWEnvelopeID envelopes[3]) {
    if (!envelopes) return;
    LWEnvelopeID found[3] = {nullptr, nullptr, nullptr};
    call([&](Envelopes& e) { e.parmEnvelopes(parm, found); });
    for (int i = 0; i < 3; ++i) envelopes[i] = found[i];
}

}  // extern "C"

const st_LWChannelInfo kChannelInfo = {
    ciNextGroup,     ciNextChannel, ciGroupName,       ciChannelName,     ciGroupParent,
    ciChannelParent, ciChannelType, ciChannelEvaluate, ciChannelEnvelope, ciSetChannelEvent,
    ciServer,        ciServerFlags, ciServerInstance,  ciServerApply,     ciServerRemove};

const st_LWEnvelopeFuncs kEnvelopeFuncs = {
    envCreate,   envDestroy, envCreateGroup, envDestroyGroup, envCopy,       envLoad,    envSave,
    envEvaluate, envEdit,    envAge,         envCreateKey,    envDestroyKey, envFindKey, envNextKey,
    envPrevKey,  envKeySet,  envKeyGet,      envSetEnvEvent,  envEgSet,      envEgGet};

const st_LWVParmFuncs kVParmFuncs = {vpCreate,  vpDestroy, vpSetup,  vpCopy,     vpLoad,
                                     vpSave,    vpGetVal,  vpSetVal, vpGetState, vpSetState,
                                     vpEditEnv, vpEditTex, vpInitMP, vpGetEnv};

}  // namespace

const st_LWVParmFuncs* Envelopes::vparmRecord() {
    return &kVParmFuncs;
}
const st_LWChannelInfo* Envelopes::channelRecord() {
    return &kChannelInfo;
}
const st_LWEnvelopeFuncs* Envelopes::envelopeRecord() {
    return &kEnvelopeFuncs;
}

}  // namespace lwhost
