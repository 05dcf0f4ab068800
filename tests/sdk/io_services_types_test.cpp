// The load and save records, "File IO", the host's messages, commands, master access, identity,
// interface info and ring keep the published member types and constants.
#include "published_types.h"

#include <lwsdk/lwcommand.h>
#include <lwsdk/lwcomring.h>
#include <lwsdk/lwdialog.h>
#include <lwsdk/lwhostinfo.h>
#include <lwsdk/lwio.h>
#include <lwsdk/lwmaster.h>
#include <lwsdk/lwmessage.h>

#include <gtest/gtest.h>

static_assert(std::is_same_v<LWID, unsigned int>);
static_assert(std::is_same_v<LWBlockIdent, st_LWBlockIdent> &&
              std::is_same_v<LWSaveState, st_LWSaveState> &&
              std::is_same_v<LWLoadState, st_LWLoadState> &&
              std::is_same_v<LWFileIOFuncs, st_LWFileIOFuncs>);

EXPECT_MEMBER_TYPE(st_LWBlockIdent, id, LWID);
EXPECT_MEMBER_TYPE(st_LWBlockIdent, token, const char*);

EXPECT_MEMBER_TYPE(st_LWSaveState, ioMode, int);
EXPECT_MEMBER_TYPE(st_LWSaveState, writeData, void*);
EXPECT_MEMBER_TYPE(st_LWSaveState, write, void (*)(void*, const char*, int));
EXPECT_MEMBER_TYPE(st_LWSaveState, writeI1, void (*)(void*, const char*, int));
EXPECT_MEMBER_TYPE(st_LWSaveState, writeI2, void (*)(void*, const short*, int));
EXPECT_MEMBER_TYPE(st_LWSaveState, writeI4, void (*)(void*, const long*, int));
EXPECT_MEMBER_TYPE(st_LWSaveState, writeU1, void (*)(void*, const unsigned char*, int));
EXPECT_MEMBER_TYPE(st_LWSaveState, writeU2, void (*)(void*, const unsigned short*, int));
EXPECT_MEMBER_TYPE(st_LWSaveState, writeU4, void (*)(void*, const unsigned long*, int));
EXPECT_MEMBER_TYPE(st_LWSaveState, writeFP, void (*)(void*, const float*, int));
EXPECT_MEMBER_TYPE(st_LWSaveState, writeStr, void (*)(void*, const char*));
EXPECT_MEMBER_TYPE(st_LWSaveState, writeID, void (*)(void*, const LWBlockIdent*));
EXPECT_MEMBER_TYPE(st_LWSaveState, beginBlk, void (*)(void*, const LWBlockIdent*, int));
EXPECT_MEMBER_TYPE(st_LWSaveState, endBlk, void (*)(void*));
EXPECT_MEMBER_TYPE(st_LWSaveState, depth, int (*)(void*));

EXPECT_MEMBER_TYPE(st_LWLoadState, ioMode, int);
EXPECT_MEMBER_TYPE(st_LWLoadState, readData, void*);
EXPECT_MEMBER_TYPE(st_LWLoadState, read, int (*)(void*, char*, int));
EXPECT_MEMBER_TYPE(st_LWLoadState, readI1, int (*)(void*, char*, int));
EXPECT_MEMBER_TYPE(st_LWLoadState, readI2, int (*)(void*, short*, int));
EXPECT_MEMBER_TYPE(st_LWLoadState, readI4, int (*)(void*, long*, int));
EXPECT_MEMBER_TYPE(st_LWLoadState, readU1, int (*)(void*, unsigned char*, int));
EXPECT_MEMBER_TYPE(st_LWLoadState, readU2, int (*)(void*, unsigned short*, int));
EXPECT_MEMBER_TYPE(st_LWLoadState, readU4, int (*)(void*, unsigned long*, int));
EXPECT_MEMBER_TYPE(st_LWLoadState, readFP, int (*)(void*, float*, int));
EXPECT_MEMBER_TYPE(st_LWLoadState, readStr, int (*)(void*, char*, int));
EXPECT_MEMBER_TYPE(st_LWLoadState, readID, LWID (*)(void*, const LWBlockIdent*));
EXPECT_MEMBER_TYPE(st_LWLoadState, findBlk, LWID (*)(void*, const LWBlockIdent*));
EXPECT_MEMBER_TYPE(st_LWLoadState, endBlk, void (*)(void*));
EXPECT_MEMBER_TYPE(st_LWLoadState, depth, int (*)(void*));

EXPECT_MEMBER_TYPE(st_LWFileIOFuncs, openSave, LWSaveState* (*)(const char*, int));
EXPECT_MEMBER_TYPE(st_LWFileIOFuncs, closeSave, void (*)(LWSaveState*));
EXPECT_MEMBER_TYPE(st_LWFileIOFuncs, openLoad, LWLoadState* (*)(const char*, int));
EXPECT_MEMBER_TYPE(st_LWFileIOFuncs, closeLoad, void (*)(LWLoadState*));

static_assert(LWIO_BINARY == 0 && LWIO_ASCII == 1 && LWIO_OBJECT == LWIO_BINARY &&
              LWIO_SCENE == LWIO_ASCII && LWIO_BINARY_IFF == 0x8C0000);
static_assert(LWID_('V', 'E', 'R', 'S') == 0x56455253u);

EXPECT_MEMBER_TYPE(st_LWMessageFuncs, info, void (*)(const char*, const char*));
EXPECT_MEMBER_TYPE(st_LWMessageFuncs, error, void (*)(const char*, const char*));
EXPECT_MEMBER_TYPE(st_LWMessageFuncs, warning, void (*)(const char*, const char*));
EXPECT_MEMBER_TYPE(st_LWMessageFuncs, okCancel, int (*)(const char*, const char*, const char*));
EXPECT_MEMBER_TYPE(st_LWMessageFuncs, yesNo, int (*)(const char*, const char*, const char*));
EXPECT_MEMBER_TYPE(st_LWMessageFuncs, yesNoCan, int (*)(const char*, const char*, const char*));
EXPECT_MEMBER_TYPE(st_LWMessageFuncs, yesNoAll, int (*)(const char*, const char*, const char*));

static_assert(std::is_same_v<LWCommandFunc, int(const char*)>);
static_assert(std::is_same_v<LWInstUpdate, void(const char*, LWInstance)>);

EXPECT_MEMBER_TYPE(st_LWLayoutGeneric, saveScene, int (*)(const char*));
EXPECT_MEMBER_TYPE(st_LWLayoutGeneric, loadScene, int (*)(const char*, const char*));
EXPECT_MEMBER_TYPE(st_LWLayoutGeneric, data, void*);
EXPECT_MEMBER_TYPE(st_LWLayoutGeneric, lookup, LWCommandCode (*)(void*, const char*));
EXPECT_MEMBER_TYPE(st_LWLayoutGeneric, execute,
                   int (*)(void*, LWCommandCode, int, const DynaValue*, DynaValue*));
EXPECT_MEMBER_TYPE(st_LWLayoutGeneric, evaluate, int (*)(void*, const char*));

EXPECT_MEMBER_TYPE(st_LWMasterAccess, eventCode, int);
EXPECT_MEMBER_TYPE(st_LWMasterAccess, eventData, void*);
EXPECT_MEMBER_TYPE(st_LWMasterAccess, data, void*);
EXPECT_MEMBER_TYPE(st_LWMasterAccess, lookup, LWCommandCode (*)(void*, const char*));
EXPECT_MEMBER_TYPE(st_LWMasterAccess, execute,
                   int (*)(void*, LWCommandCode, int, const DynaValue*, DynaValue*));
EXPECT_MEMBER_TYPE(st_LWMasterAccess, evaluate, int (*)(void*, const char*));

EXPECT_MEMBER_TYPE(st_LWComRing, ringAttach, int (*)(char*, LWInstance, RingEvent));
EXPECT_MEMBER_TYPE(st_LWComRing, ringDetach, void (*)(char*, LWInstance));
EXPECT_MEMBER_TYPE(st_LWComRing, ringMessage, void (*)(char*, int, void*));
static_assert(std::is_same_v<RingEvent, void (*)(void*, void*, int, void*)>);

EXPECT_MEMBER_TYPE(st_LWInterfaceInfo, curTime, LWTime);
EXPECT_MEMBER_TYPE(st_LWInterfaceInfo, selItems, const LWItemID*);
EXPECT_MEMBER_TYPE(st_LWInterfaceInfo, itemFlags, unsigned int (*)(LWItemID));
EXPECT_MEMBER_TYPE(st_LWInterfaceInfo, previewStart, LWFrame);
EXPECT_MEMBER_TYPE(st_LWInterfaceInfo, previewEnd, LWFrame);
EXPECT_MEMBER_TYPE(st_LWInterfaceInfo, previewStep, LWFrame);
EXPECT_MEMBER_TYPE(st_LWInterfaceInfo, dynaUpdate, int);
EXPECT_MEMBER_TYPE(st_LWInterfaceInfo, schemaPos, void (*)(LWItemID, double*, double*));
EXPECT_MEMBER_TYPE(st_LWInterfaceInfo, itemVis, int (*)(LWItemID));
EXPECT_MEMBER_TYPE(st_LWInterfaceInfo, displayFlags, unsigned int);
EXPECT_MEMBER_TYPE(st_LWInterfaceInfo, generalFlags, unsigned int);
EXPECT_MEMBER_TYPE(st_LWInterfaceInfo, boxThreshold, int);
EXPECT_MEMBER_TYPE(st_LWInterfaceInfo, itemColor, int (*)(LWItemID));
EXPECT_MEMBER_TYPE(st_LWInterfaceInfo, alertLevel, int);

// Product Info: product 0-3 (1: this host), build 4-15, minor 16-19, major 20-23.
static_assert(LWPRODUCT_MAKE(11, 6, 0x123) == 0x00B61231u);
static_assert(LWPRODUCT_MAJOR(0x00B61231u) == 11 && LWPRODUCT_MINOR(0x00B61231u) == 6 &&
              LWPRODUCT_BUILD(0x00B61231u) == 0x123 &&
              LWPRODUCT_PRODUCT(0x00B61231u) == LWPRODUCT_HOST);
static_assert(LWSYSTEM_LAYOUT == 0 && LWSYSTEM_MODELER == 0x10000000u &&
              LWSYSTEM_SCREAMERNET == 0x20000000u && LWSYSTEM_OTHER == 0x80000000u);

TEST(PublishedTypes, IoAndServicesRecords) {
    SUCCEED();
}
