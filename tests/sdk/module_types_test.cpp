// The module record, server records and handler callback records keep the published types.
#include "published_types.h"

#include <lwsdk/lwhandler.h>
#include <lwsdk/lwmodule.h>

#include <gtest/gtest.h>

EXPECT_MEMBER_TYPE(st_ModuleDescriptor, sysSync, unsigned int);
EXPECT_MEMBER_TYPE(st_ModuleDescriptor, sysVersion, unsigned int);
EXPECT_MEMBER_TYPE(st_ModuleDescriptor, sysMachine, unsigned int);
EXPECT_MEMBER_TYPE(st_ModuleDescriptor, startup, st_ServerRecord* (*)(void));
EXPECT_MEMBER_TYPE(st_ModuleDescriptor, shutdown, void (*)(st_ServerRecord*));
EXPECT_MEMBER_TYPE(st_ModuleDescriptor, serverDefs, st_ServerRecord*);

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
