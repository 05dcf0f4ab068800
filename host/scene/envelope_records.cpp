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
LWChanGroupID ciFirstGroup(LWChanGroupID parent) {
    return call<LWChanGroupID>(nullptr, [&](Envelopes& e) { return e.firstGroup(parent); });
}
LWChanGroupID ciNextGroup(LWChanGroupID group) {
    return call<LWChanGroupID>(nullptr, [&](Envelopes& e) { return e.nextGroup(group); });
}
const char* ciGroupName(LWChanGroupID group) {
    return call<const char*>(nullptr, [&](Envelopes& e) { return e.groupName(group); });
}
LWChanGroupID ciGroupParent(LWChanGroupID group) {
    return call<LWChanGroupID>(nullptr, [&](Envelopes& e) { return e.groupParent(group); });
}
LWChannelID ciFirstChannel(LWChanGroupID group) {
    return call<LWChannelID>(nullptr, [&](Envelopes& e) { return e.firstChannel(group); });
}
LWChannelID ciNextChannel(LWChannelID channel) {
    return call<LWChannelID>(nullptr, [&](Envelopes& e) { return e.nextChannel(channel); });
}
const char* ciChannelName(LWChannelID channel) {
    return call<const char*>(nullptr, [&](Envelopes& e) { return e.channelName(channel); });
}
LWChanGroupID ciChannelParent(LWChannelID channel) {
    return call<LWChanGroupID>(nullptr, [&](Envelopes& e) { return e.channelParent(channel); });
}
LWEnvelopeID ciChannelEnvelope(LWChannelID channel) {
    return call<LWEnvelopeID>(nullptr, [&](Envelopes& e) { return e.channelEnvelope(channel); });
}
double ciChannelEvaluate(LWChannelID channel, LWTime time) {
    return call(0.0, [&](Envelopes& e) { return e.evaluate(e.channelEnvelope(channel), time); });
}

// "Animation Envelopes"
LWChanGroupID envCreateGroup(LWChanGroupID parent, const char* name) {
    return call<LWChanGroupID>(nullptr, [&](Envelopes& e) { return e.createGroup(parent, name); });
}
void envDestroyGroup(LWChanGroupID group) {
    call([&](Envelopes& e) { e.destroyGroup(group); });
}
LWEnvelopeID envCreate(LWChanGroupID group, const char* name) {
    return call<LWEnvelopeID>(nullptr, [&](Envelopes& e) { return e.createEnvelope(group, name); });
}
void envDestroy(LWEnvelopeID envelope) {
    call([&](Envelopes& e) { e.destroyEnvelope(envelope); });
}
int envCopy(LWEnvelopeID to, LWEnvelopeID from) {
    return call(0, [&](Envelopes& e) { return e.copyEnvelope(to, from); });
}
const char* envLoad(LWEnvelopeID envelope, const st_LWLoadState* load) {
    return call<const char*>("host failure",
                             [&](Envelopes& e) { return e.loadEnvelope(envelope, load); });
}
const char* envSave(LWEnvelopeID envelope, const st_LWSaveState* save) {
    return call<const char*>("host failure",
                             [&](Envelopes& e) { return e.saveEnvelope(envelope, save); });
}
double envEvaluate(LWEnvelopeID envelope, LWTime time) {
    return call(0.0, [&](Envelopes& e) { return e.evaluate(envelope, time); });
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
int envKeyCount(LWEnvelopeID envelope) {
    return call(0, [&](Envelopes& e) { return e.keyCount(envelope); });
}
int envKeyGet(LWEnvelopeID envelope, LWEnvKeyID key, int tag, double* value) {
    return call(0, [&](Envelopes& e) { return e.keyGet(envelope, key, tag, value); });
}
int envKeySet(LWEnvelopeID envelope, LWEnvKeyID key, int tag, double value) {
    return call(0, [&](Envelopes& e) { return e.keySet(envelope, key, tag, value); });
}

// "LWVParmFuncs 2"
LWVParmID vpCreate(int type, int texture) {
    return call<LWVParmID>(nullptr, [&](Envelopes& e) { return e.createParm(type, texture); });
}
void vpDestroy(LWVParmID parm) {
    call([&](Envelopes& e) { e.destroyParm(parm); });
}
int vpSetup(LWVParmID parm, const char* channelName, LWChanGroupID group, void* texContext,
            LWVParmEventFunc event, const char* pluginName, void* userData) {
    return call(0, [&](Envelopes& e) {
        return e.setupParm(parm, channelName, group, texContext, event, pluginName, userData);
    });
}
const char* vpLoad(LWVParmID parm, const st_LWLoadState* load) {
    return call<const char*>("host failure", [&](Envelopes& e) { return e.loadParm(parm, load); });
}
const char* vpSave(LWVParmID parm, const st_LWSaveState* save) {
    return call<const char*>("host failure", [&](Envelopes& e) { return e.saveParm(parm, save); });
}
int vpGetVal(LWVParmID parm, LWTime time, double* value) {
    return call(0, [&](Envelopes& e) { return e.getValue(parm, time, value); });
}
int vpSetVal(LWVParmID parm, const double* value) {
    return call(0, [&](Envelopes& e) { return e.setValue(parm, value); });
}
int vpCopy(LWVParmID to, LWVParmID from) {
    return call(0, [&](Envelopes& e) { return e.copyParm(to, from); });
}
LWChanGroupID vpGetGroup(LWVParmID parm) {
    return call<LWChanGroupID>(nullptr, [&](Envelopes& e) { return e.parmGroup(parm); });
}
int vpGetEnv(LWVParmID parm, LWEnvelopeID* envelopes) {
    return call(0, [&](Envelopes& e) { return e.parmEnvelopes(parm, envelopes); });
}
int vpGetType(LWVParmID parm) {
    return call(0, [&](Envelopes& e) { return e.parmType(parm); });
}

}  // extern "C"

const st_LWChannelInfo kChannelInfo = {
    ciFirstGroup,  ciNextGroup,   ciGroupName,     ciGroupParent,     ciFirstChannel,
    ciNextChannel, ciChannelName, ciChannelParent, ciChannelEnvelope, ciChannelEvaluate};

const st_LWEnvelopeFuncs kEnvelopeFuncs = {envCreateGroup, envDestroyGroup, envCreate,  envDestroy,
                                           envCopy,        envLoad,         envSave,    envEvaluate,
                                           envCreateKey,   envDestroyKey,   envFindKey, envNextKey,
                                           envKeyCount,    envKeyGet,       envKeySet};

const st_LWVParmFuncs kVParmFuncs = {vpCreate, vpDestroy, vpSetup,    vpLoad,   vpSave,   vpGetVal,
                                     vpSetVal, vpCopy,    vpGetGroup, vpGetEnv, vpGetType};

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
