// The property panel records, callbacks and constants keep the host's published types and values.
#include "published_types.h"

#include <lwsdk/lwxpanel.h>

#include <gtest/gtest.h>

EXPECT_MEMBER_TYPE(st_LWXPanelControl, cid, unsigned long);
EXPECT_MEMBER_TYPE(st_LWXPanelControl, label, const char*);
EXPECT_MEMBER_TYPE(st_LWXPanelControl, ctrlclass, const char*);

EXPECT_MEMBER_TYPE(st_LWXPanelDataDesc, vid, unsigned long);
EXPECT_MEMBER_TYPE(st_LWXPanelDataDesc, name, const char*);
EXPECT_MEMBER_TYPE(st_LWXPanelDataDesc, datatype, const char*);

EXPECT_MEMBER_TYPE(st_LWXPDrawFuncs, drawPixel, void (*)(LWXPDrAreaID, int, int, int));
EXPECT_MEMBER_TYPE(st_LWXPDrawFuncs, drawRGBPixel, void (*)(LWXPDrAreaID, int, int, int, int, int));
EXPECT_MEMBER_TYPE(st_LWXPDrawFuncs, drawLine, void (*)(LWXPDrAreaID, int, int, int, int, int));
EXPECT_MEMBER_TYPE(st_LWXPDrawFuncs, drawBox, void (*)(LWXPDrAreaID, int, int, int, int, int));
EXPECT_MEMBER_TYPE(st_LWXPDrawFuncs, drawRGBBox,
                   void (*)(LWXPDrAreaID, int, int, int, int, int, int, int));
EXPECT_MEMBER_TYPE(st_LWXPDrawFuncs, drawBorder, void (*)(LWXPDrAreaID, int, int, int, int, int));
EXPECT_MEMBER_TYPE(st_LWXPDrawFuncs, textWidth, int (*)(LWXPDrAreaID, char*));
EXPECT_MEMBER_TYPE(st_LWXPDrawFuncs, textHeight, int (*)(LWXPDrAreaID, char*));
EXPECT_MEMBER_TYPE(st_LWXPDrawFuncs, drawText, void (*)(LWXPDrAreaID, char*, int, int, int));

EXPECT_MEMBER_TYPE(st_LWXPanelFuncs, version, int);
EXPECT_MEMBER_TYPE(st_LWXPanelFuncs, drawf, LWXPDrawFuncs*);
EXPECT_MEMBER_TYPE(st_LWXPanelFuncs, create, LWXPanelID (*)(int, LWXPanelControl*));
EXPECT_MEMBER_TYPE(st_LWXPanelFuncs, destroy, void (*)(LWXPanelID));
EXPECT_MEMBER_TYPE(st_LWXPanelFuncs, describe,
                   void (*)(LWXPanelID, LWXPanelDataDesc*, LWXPanelGetFunc*, LWXPanelSetFunc*));
EXPECT_MEMBER_TYPE(st_LWXPanelFuncs, hint, void (*)(LWXPanelID, unsigned long, LWXPanelHint*));
EXPECT_MEMBER_TYPE(st_LWXPanelFuncs, getData, void* (*)(LWXPanelID, unsigned long));
EXPECT_MEMBER_TYPE(st_LWXPanelFuncs, setData, void (*)(LWXPanelID, unsigned long, void*));
EXPECT_MEMBER_TYPE(st_LWXPanelFuncs, formGet, void* (*)(LWXPanelID, unsigned long));
EXPECT_MEMBER_TYPE(st_LWXPanelFuncs, formSet, void (*)(LWXPanelID, unsigned long, void*));
EXPECT_MEMBER_TYPE(st_LWXPanelFuncs, viewInst, void (*)(LWXPanelID, void*));
EXPECT_MEMBER_TYPE(st_LWXPanelFuncs, viewRefresh, void (*)(LWXPanelID));
EXPECT_MEMBER_TYPE(st_LWXPanelFuncs, post, int (*)(LWXPanelID));
EXPECT_MEMBER_TYPE(st_LWXPanelFuncs, open, int (*)(LWXPanelID));

EXPECT_MEMBER_TYPE(st_LWInterface, inst, LWInstance);
EXPECT_MEMBER_TYPE(st_LWInterface, panel, LWXPanelID);
EXPECT_MEMBER_TYPE(st_LWInterface, options, LWError (*)(LWInstance));
EXPECT_MEMBER_TYPE(st_LWInterface, command, LWError (*)(LWInstance, const char*));

// The callback shapes the host calls.
static_assert(std::is_same_v<LWXPanelGetFunc, void*(void*, unsigned long)>);
static_assert(std::is_same_v<LWXPanelSetFunc, LWXPRefreshCode(void*, unsigned long, void*)>);
static_assert(std::is_same_v<LWXPanelChangeNotifyFn,
                             LWXPRefreshCode(LWXPanelID, unsigned long, unsigned long, int)>);
static_assert(std::is_same_v<LWXPanelBtnClickFn, void(LWXPanelID, int)>);
static_assert(std::is_same_v<LWXPanelPopCntFn, int(void*)>);
static_assert(std::is_same_v<LWXPanelPopNameFn, const char*(void*, int)>);
static_assert(std::is_same_v<LWXPanelPopCmdFn, void(LWXPanelID, int, int)>);
static_assert(
    std::is_same_v<LWXPanelControlDrawFn, void(LWXPanelID, unsigned long, LWXPDrAreaID, int, int)>);
static_assert(
    std::is_same_v<LWXPanelControlZoomFn, void(LWXPanelID, unsigned long, int, int, int*, int)>);
static_assert(std::is_same_v<LWXPanelHint, void*> && std::is_same_v<LWXPDrAreaID, void*>);

static_assert(LWXP_VIEW == 1 && LWXP_FORM == 2);
static_assert(LWXPEVENT_TRACK == 1 && LWXPEVENT_VALUE == 2 && LWXPEVENT_HIT == 3 &&
              LWXPEVENT_FOCUS == 4 && LWXPEVENT_LOSEFOCUS == 5);
static_assert(LWXPRC_NONE == 0 && LWXPRC_DFLT == 1 && LWXPRC_DRAW == 2 && LWXPRC_FULL == 3);
static_assert(LWXPDLG_OKCANCEL == 2 && LWXPDLG_YESNOCAN == 7);

static_assert(XPTAG_END == 0 && XPTAG_CALL == 0xDD002 && XPTAG_NEST == 0x101);
static_assert(XPTAG_LABEL == 0x3D000B03 && XPTAG_CLASS == 0x3D000C02 && XPTAG_ADD == 0x3D000D03 &&
              XPTAG_DELETE == 0x3D000E01 && XPTAG_CHGNOTIFY == 0x3D000F01 &&
              XPTAG_FOCUS == 0x3D001201 && XPTAG_AUTORESTORE == 0x3D001481 &&
              XPTAG_DESTROYNOTIFY == 0x3D001302);
static_assert(XPTAG_VALUE == 0x3D006502 && XPTAG_LINK == 0x3D006681 && XPTAG_IMMUPD == 0x3D006781 &&
              XPTAG_TRACK == 0x3D006802 && XPTAG_ORIENT == 0x3D00CB02);
static_assert(XPTAG_MIN == 0x3D014002 && XPTAG_MAX == 0x3D014102 && XPTAG_STEP == 0x3D014202 &&
              XPTAG_RANGE == 0x3D014304 && XPTAG_SENS == 0x3D014402 &&
              XPTAG_STRLIST == 0x3D014503 && XPTAG_HARDMINMAX == 0x3D014703 &&
              XPTAG_CLRMINMAX == 0x3D014803);
static_assert(XPTAG_BUTNOTIFY == 0x3D015F02 && XPTAG_POPCMDFUNC == 0x3D016002 &&
              XPTAG_POPFUNCS == 0x3D016203 && XPTAG_INTXFORM == 0x3D016303 &&
              XPTAG_DRAWCBFUNC == 0x3D016502 && XPTAG_ZOOMCBFUNC == 0x3D016603);
static_assert(XPTAG_VECLABEL == 0x3D017202 && XPTAG_CTRLFRONT == 0x3D017301 &&
              XPTAG_CTRLCFG == 0x3D017403 && XPTAG_XREQCFG == 0x3D019105);
static_assert(XPTAG_ALIAS == 0x3D01F481 && XPTAG_UNALIAS == 0x3D01F581 &&
              XPTAG_ENABLE == 0x3D01F984 && XPTAG_GROUP == 0x3D01FE81 &&
              XPTAG_ORDER == 0x3D01FF81 && XPTAG_STACK == 0x3D020983 && XPTAG_TABS == 0x3D020A81);
static_assert(XPTAG_LEFT == 0x3D021280 && XPTAG_NARROW == 0x3D021380 &&
              XPTAG_DIVADD == 0x3D021481 && XPTAG_DIVREM == 0x3D021581 &&
              XPTAG_BORDER == 0x3D021501 && XPTAG_DLOGTYPE == 0x3D02BD01);

// The pop-up functions take the control, the count and the name function, and nothing more.
static_assert(LWXP_TAG_ARGS(XPTAG_POPFUNCS) == 3 && !LWXP_TAG_LIST(XPTAG_POPFUNCS));
static_assert(LWXP_TAG_ARGS(XPTAG_ENABLE) == 4 && LWXP_TAG_LIST(XPTAG_ENABLE));
