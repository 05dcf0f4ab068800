// Animated parameters, channel information and envelopes keep the published types and values.
#include "published_types.h"

#include <lwsdk/lwchannel.h>
#include <lwsdk/lwenvelope.h>
#include <lwsdk/lwvparm.h>

#include <gtest/gtest.h>

using KeyID = LWEnvKeyframeID;

EXPECT_MEMBER_TYPE(st_LWEnvelopeFuncs, create, LWEnvelopeID (*)(LWChanGroupID, const char*, int));
EXPECT_MEMBER_TYPE(st_LWEnvelopeFuncs, destroy, void (*)(LWEnvelopeID));
EXPECT_MEMBER_TYPE(st_LWEnvelopeFuncs, createGroup, LWChanGroupID (*)(LWChanGroupID, const char*));
EXPECT_MEMBER_TYPE(st_LWEnvelopeFuncs, destroyGroup, void (*)(LWChanGroupID));
EXPECT_MEMBER_TYPE(st_LWEnvelopeFuncs, copy, LWError (*)(LWEnvelopeID, LWEnvelopeID));
EXPECT_MEMBER_TYPE(st_LWEnvelopeFuncs, load, LWError (*)(LWEnvelopeID, const st_LWLoadState*));
EXPECT_MEMBER_TYPE(st_LWEnvelopeFuncs, save, LWError (*)(LWEnvelopeID, const st_LWSaveState*));
EXPECT_MEMBER_TYPE(st_LWEnvelopeFuncs, evaluate, double (*)(LWEnvelopeID, LWTime));
EXPECT_MEMBER_TYPE(st_LWEnvelopeFuncs, edit, int (*)(LWChanGroupID, LWEnvelopeID, int, void*));
EXPECT_MEMBER_TYPE(st_LWEnvelopeFuncs, envAge, int (*)(LWEnvelopeID));
EXPECT_MEMBER_TYPE(st_LWEnvelopeFuncs, createKey, KeyID (*)(LWEnvelopeID, LWTime, double));
EXPECT_MEMBER_TYPE(st_LWEnvelopeFuncs, destroyKey, void (*)(LWEnvelopeID, KeyID));
EXPECT_MEMBER_TYPE(st_LWEnvelopeFuncs, findKey, KeyID (*)(LWEnvelopeID, LWTime));
EXPECT_MEMBER_TYPE(st_LWEnvelopeFuncs, nextKey, KeyID (*)(LWEnvelopeID, KeyID));
EXPECT_MEMBER_TYPE(st_LWEnvelopeFuncs, prevKey, KeyID (*)(LWEnvelopeID, KeyID));
EXPECT_MEMBER_TYPE(st_LWEnvelopeFuncs, keySet, int (*)(LWEnvelopeID, KeyID, LWKeyTag, void*));
EXPECT_MEMBER_TYPE(st_LWEnvelopeFuncs, keyGet, int (*)(LWEnvelopeID, KeyID, LWKeyTag, void*));
EXPECT_MEMBER_TYPE(st_LWEnvelopeFuncs, setEnvEvent, int (*)(LWEnvelopeID, LWEnvEventFunc, void*));
EXPECT_MEMBER_TYPE(st_LWEnvelopeFuncs, egSet, int (*)(LWEnvelopeID, LWChanGroupID, int, void*));
EXPECT_MEMBER_TYPE(st_LWEnvelopeFuncs, egGet, int (*)(LWEnvelopeID, LWChanGroupID, int, void*));

EXPECT_MEMBER_TYPE(st_LWChannelInfo, nextGroup, LWChanGroupID (*)(LWChanGroupID, LWChanGroupID));
EXPECT_MEMBER_TYPE(st_LWChannelInfo, nextChannel, LWChannelID (*)(LWChanGroupID, LWChannelID));
EXPECT_MEMBER_TYPE(st_LWChannelInfo, groupName, const char* (*)(LWChanGroupID));
EXPECT_MEMBER_TYPE(st_LWChannelInfo, channelName, const char* (*)(LWChannelID));
EXPECT_MEMBER_TYPE(st_LWChannelInfo, groupParent, LWChanGroupID (*)(LWChanGroupID));
EXPECT_MEMBER_TYPE(st_LWChannelInfo, channelParent, LWChanGroupID (*)(LWChannelID));
EXPECT_MEMBER_TYPE(st_LWChannelInfo, channelType, int (*)(LWChannelID));
EXPECT_MEMBER_TYPE(st_LWChannelInfo, channelEvaluate, double (*)(LWChannelID, LWTime));
// Published with a const on the returned handle, which C ignores and compilers warn about.
EXPECT_MEMBER_TYPE(st_LWChannelInfo, channelEnvelope, LWEnvelopeID (*)(LWChannelID));
EXPECT_MEMBER_TYPE(st_LWChannelInfo, setChannelEvent, int (*)(LWChannelID, LWChanEventFunc, void*));
EXPECT_MEMBER_TYPE(st_LWChannelInfo, server, const char* (*)(LWChannelID, const char*, int));
EXPECT_MEMBER_TYPE(st_LWChannelInfo, serverFlags, unsigned int (*)(LWChannelID, const char*, int));
EXPECT_MEMBER_TYPE(st_LWChannelInfo, serverInstance, LWInstance (*)(LWChannelID, const char*, int));
EXPECT_MEMBER_TYPE(st_LWChannelInfo, serverApply,
                   int (*)(LWChannelID, const char*, const char*, int));
EXPECT_MEMBER_TYPE(st_LWChannelInfo, serverRemove,
                   void (*)(LWChannelID, const char*, const char*, LWInstance));

EXPECT_MEMBER_TYPE(st_LWVParmFuncs, create, LWVParmID (*)(int, int));
EXPECT_MEMBER_TYPE(st_LWVParmFuncs, destroy, void (*)(LWVParmID));
EXPECT_MEMBER_TYPE(st_LWVParmFuncs, setup,
                   void (*)(LWVParmID, const char*, LWChanGroupID, LWTxtrContextID, LWVP_EventFunc*,
                            const char*, void*));
EXPECT_MEMBER_TYPE(st_LWVParmFuncs, copy, LWError (*)(LWVParmID, LWVParmID));
EXPECT_MEMBER_TYPE(st_LWVParmFuncs, load, LWError (*)(LWVParmID, const st_LWLoadState*));
EXPECT_MEMBER_TYPE(st_LWVParmFuncs, save, LWError (*)(LWVParmID, const st_LWSaveState*));
EXPECT_MEMBER_TYPE(st_LWVParmFuncs, getVal, double (*)(LWVParmID, LWTime, LWMicropolID, double*));
EXPECT_MEMBER_TYPE(st_LWVParmFuncs, setVal, int (*)(LWVParmID, double*));
EXPECT_MEMBER_TYPE(st_LWVParmFuncs, getState, int (*)(LWVParmID));
EXPECT_MEMBER_TYPE(st_LWVParmFuncs, setState, void (*)(LWVParmID, int));
EXPECT_MEMBER_TYPE(st_LWVParmFuncs, editEnv, void (*)(LWVParmID));
EXPECT_MEMBER_TYPE(st_LWVParmFuncs, editTex, void (*)(LWVParmID));
EXPECT_MEMBER_TYPE(st_LWVParmFuncs, initMP, void (*)(LWMicropolID));
EXPECT_MEMBER_TYPE(st_LWVParmFuncs, getEnv, void (*)(LWVParmID, LWEnvelopeID*));

static_assert(std::is_same_v<LWVP_EventFunc, int(LWVParmID, void*, en_lwvpec, void*)>);
static_assert(std::is_same_v<LWEnvelopeFuncs, st_LWEnvelopeFuncs> &&
              std::is_same_v<LWChannelInfo, st_LWChannelInfo> &&
              std::is_same_v<LWVParmFuncs, st_LWVParmFuncs>);

static_assert(LWKEY_VALUE == 0 && LWKEY_TIME == 1 && LWKEY_SHAPE == 2 && LWKEY_TENSION == 3 &&
              LWKEY_CONTINUITY == 4 && LWKEY_BIAS == 5 && LWKEY_PARAM_0 == 6 &&
              LWKEY_PARAM_1 == 7 && LWKEY_PARAM_2 == 8 && LWKEY_PARAM_3 == 9);
static_assert(LWET_FLOAT == 2 && LWET_DISTANCE == 3 && LWET_PERCENT == 4 && LWET_ANGLE == 5);
static_assert(LWVP_FLOAT == 0x10 && LWVP_PERCENT == 0x20 && LWVP_DIST == 0x30 &&
              LWVP_ANGLE == 0x40 && LWVP_COLOR == 0x51 && LWVPF_VECTOR == 0x01 &&
              LWVP_VECTOR == 0x11 && LWVPDT_NOTXTR == -1 && LWVPEC_TXTRACK == 0 &&
              LWVPEC_TEXOLD == 8);

TEST(PublishedTypes, EnvelopeGlobalNames) {
    EXPECT_STREQ(LWENVELOPEFUNCS_GLOBAL, "Animation Envelopes");
    EXPECT_STREQ(LWCHANNELINFO_GLOBAL, "Channel Info 2");
    EXPECT_STREQ(LWVPARMFUNCS_GLOBAL, "LWVParmFuncs 2");
}
