// The module record, server records and handler callback records keep the published types.
#include "published_types.h"

#include <lwsdk/lwhandler.h>
#include <lwsdk/lwmodule.h>
#include <lwsdk/lwobject.h>
#include <lwsdk/lwsurface.h>

#include <gtest/gtest.h>

EXPECT_MEMBER_TYPE(st_ModuleDescriptor, sysSync, unsigned int);
EXPECT_MEMBER_TYPE(st_ModuleDescriptor, sysVersion, unsigned int);
EXPECT_MEMBER_TYPE(st_ModuleDescriptor, sysMachine, unsigned int);
EXPECT_MEMBER_TYPE(st_ModuleDescriptor, startup, st_ServerRecord* (*)(void));
EXPECT_MEMBER_TYPE(st_ModuleDescriptor, shutdown, void (*)(st_ServerRecord*));
EXPECT_MEMBER_TYPE(st_ModuleDescriptor, serverDefs, st_ServerRecord*);

// Handles are pointer-sized: a 32-bit ID would cut a real host's pointers.
static_assert(std::is_same_v<LWItemID, void*> && std::is_same_v<LWSurfaceID, void*>);
static_assert(std::is_pointer_v<LWPntID> && sizeof(LWPntID) == sizeof(void*));
static_assert(std::is_pointer_v<LWPolID> && sizeof(LWPolID) == sizeof(void*));
static_assert(std::is_same_v<LWDVector, double[3]> && std::is_same_v<LWFVector, float[3]>);
static_assert(std::is_same_v<LWDMatrix4, double[4][4]> && std::is_same_v<LWFMatrix3, float[3][3]>);
static_assert(std::is_same_v<GlobalFunc, void*(const char*, int)>);
static_assert(std::is_same_v<ActivateFunc, int(long, GlobalFunc*, void*, void*)>);

EXPECT_MEMBER_TYPE(st_ServerTagInfo, string, const char*);
EXPECT_MEMBER_TYPE(st_ServerTagInfo, tag, unsigned int);
EXPECT_MEMBER_TYPE(st_ServerRecord, className, const char*);
EXPECT_MEMBER_TYPE(st_ServerRecord, name, const char*);
EXPECT_MEMBER_TYPE(st_ServerRecord, activate, ActivateFunc*);

EXPECT_MEMBER_TYPE(st_LWItemFuncs, useItems, const LWItemID* (*)(LWInstance));
EXPECT_MEMBER_TYPE(st_LWItemFuncs, changeID, void (*)(LWInstance, const LWItemID*));

EXPECT_MEMBER_TYPE(st_LWInstanceFuncs, priv, void*);
EXPECT_MEMBER_TYPE(st_LWInstanceFuncs, create, LWInstance (*)(void*, void*, LWError*));
EXPECT_MEMBER_TYPE(st_LWInstanceFuncs, destroy, void (*)(LWInstance));
EXPECT_MEMBER_TYPE(st_LWInstanceFuncs, copy, LWError (*)(LWInstance, LWInstance));
EXPECT_MEMBER_TYPE(st_LWInstanceFuncs, load, LWError (*)(LWInstance, const st_LWLoadState*));
EXPECT_MEMBER_TYPE(st_LWInstanceFuncs, save, LWError (*)(LWInstance, const st_LWSaveState*));
EXPECT_MEMBER_TYPE(st_LWInstanceFuncs, descln, const char* (*)(LWInstance));

EXPECT_MEMBER_TYPE(st_LWRenderFuncs, init, LWError (*)(LWInstance, int));
EXPECT_MEMBER_TYPE(st_LWRenderFuncs, cleanup, void (*)(LWInstance));
EXPECT_MEMBER_TYPE(st_LWRenderFuncs, newTime, LWError (*)(LWInstance, LWFrame, LWTime));

TEST(PublishedTypes, TimeTypes) {
    static_assert(std::is_same_v<LWTime, double> && std::is_same_v<LWFrame, int>);
    SUCCEED();
}
