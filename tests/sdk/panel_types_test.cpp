// The classic panel records and constants keep the host's published types and values.
#include "published_types.h"

#include <lwsdk/lwpanel.h>

#include <gtest/gtest.h>

EXPECT_MEMBER_TYPE(st_LWPanelFuncs, create, LWPanelID (*)(char*, void*));
EXPECT_MEMBER_TYPE(st_LWPanelFuncs, destroy, void (*)(LWPanelID));
EXPECT_MEMBER_TYPE(st_LWPanelFuncs, open, int (*)(LWPanelID, int));
EXPECT_MEMBER_TYPE(st_LWPanelFuncs, handle, int (*)(LWPanelID, int));
EXPECT_MEMBER_TYPE(st_LWPanelFuncs, draw, void (*)(LWPanelID, DrMode));
EXPECT_MEMBER_TYPE(st_LWPanelFuncs, close, void (*)(LWPanelID));
EXPECT_MEMBER_TYPE(st_LWPanelFuncs, get, void (*)(LWPanelID, pTag, void*));
EXPECT_MEMBER_TYPE(st_LWPanelFuncs, set, void (*)(LWPanelID, pTag, void*));
EXPECT_MEMBER_TYPE(st_LWPanelFuncs, addControl,
                   LWControl* (*)(LWPanelID, char*, ControlDesc*, char*));
EXPECT_MEMBER_TYPE(st_LWPanelFuncs, nextControl, LWControl* (*)(LWPanelID, LWControlID));
EXPECT_MEMBER_TYPE(st_LWPanelFuncs, drawFuncs, DrawFuncs*);
EXPECT_MEMBER_TYPE(st_LWPanelFuncs, user_data, void*);
EXPECT_MEMBER_TYPE(st_LWPanelFuncs, globalFun, GlobalFunc*);
static_assert(offsetof(st_LWPanelFuncs, globalFun) == 12 * sizeof(void*),
              "the service has 13 pointer-sized slots");

EXPECT_MEMBER_TYPE(st_LWPanelDrawFuncs, drawPixel, void (*)(LWPanelID, int, int, int));
EXPECT_MEMBER_TYPE(st_LWPanelDrawFuncs, drawRGBPixel, void (*)(LWPanelID, int, int, int, int, int));
EXPECT_MEMBER_TYPE(st_LWPanelDrawFuncs, drawLine, void (*)(LWPanelID, int, int, int, int, int));
EXPECT_MEMBER_TYPE(st_LWPanelDrawFuncs, drawBox, void (*)(LWPanelID, int, int, int, int, int));
EXPECT_MEMBER_TYPE(st_LWPanelDrawFuncs, drawRGBBox,
                   void (*)(LWPanelID, int, int, int, int, int, int, int));
EXPECT_MEMBER_TYPE(st_LWPanelDrawFuncs, drawBorder, void (*)(LWPanelID, int, int, int, int, int));
EXPECT_MEMBER_TYPE(st_LWPanelDrawFuncs, textWidth, int (*)(LWPanelID, char*));
EXPECT_MEMBER_TYPE(st_LWPanelDrawFuncs, drawText, void (*)(LWPanelID, char*, int, int, int));
EXPECT_MEMBER_TYPE(st_LWPanelDrawFuncs, dispMetrics, const LWDisplayMetrics* (*)());

// A control record: draw, get, set, then the host's own data.
EXPECT_MEMBER_TYPE(st_LWControl, draw, void (*)(LWControlID, DrMode));
EXPECT_MEMBER_TYPE(st_LWControl, get, void (*)(LWControlID, cTag, LWValue*));
EXPECT_MEMBER_TYPE(st_LWControl, set, void (*)(LWControlID, cTag, LWValue*));
EXPECT_MEMBER_TYPE(st_LWControl, priv_data, void*);
static_assert(sizeof(LWControlID) == sizeof(void*) && sizeof(LWPanelID) == sizeof(void*));

// The list-box description in its published order.
static_assert(offsetof(LWListBoxDesc, type) == 0 &&
              offsetof(LWListBoxDesc, width) < offsetof(LWListBoxDesc, visItems) &&
              offsetof(LWListBoxDesc, visItems) < offsetof(LWListBoxDesc, top) &&
              offsetof(LWListBoxDesc, top) < offsetof(LWListBoxDesc, countFn) &&
              offsetof(LWListBoxDesc, countFn) < offsetof(LWListBoxDesc, nameFn));
// Every description and value member starts with its type, so `type` reads any of them.
static_assert(offsetof(ControlDesc, listbox.type) == 0 && offsetof(ControlDesc, text.type) == 0 &&
              offsetof(LWValue, intv.type) == 0 && offsetof(LWValue, func.type) == 0);

static_assert(PAN_X == 0 && PAN_Y == 1 && PAN_W == 2 && PAN_H == 3 && PAN_MOUSEX == 4 &&
              PAN_MOUSEY == 5 && PAN_TITLE == 11 && PAN_USERDATA == 12 && PAN_RESULT == 19 &&
              PAN_QUALIFIERS == 22);
static_assert(CTL_X == 0 && CTL_Y == 1 && CTL_W == 2 && CTL_H == 3 && CTL_VALUE == 4 &&
              CTL_MOUSEX == 10 && CTL_MOUSEY == 11 && CTL_USEREVENT == 14 && CTL_LABEL == 15 &&
              CTL_USERDATA == 16 && CTL_PANEL == 17);
static_assert(DR_ERASE == 0 && DR_RENDER == 1 && DR_GHOST == 2 && DR_REFRESH == 3);
static_assert(PANF_BLOCKING == 1 && PANF_CANCEL == 2 && PANF_FRAME == 4 && PANF_MOUSETRAP == 8 &&
              PANF_PASSALLKEYS == 16 && PANF_ABORT == 32 && PANF_NOBUTT == 64 &&
              PANF_RESIZE == 128);
static_assert(IQ_CTRL == 1 && IQ_SHIFT == 2 && IQ_ALT == 4 && IQ_CONSTRAIN == 8 &&
              IQ_ADJUST == 16 && IQ_MOUSE_LEFT == 32 && IQ_MOUSE_MID == 64 &&
              IQ_MOUSE_RIGHT == 96 && IQ_MOUSE_DOWN == 128);
static_assert(SYSTEM_Ic(0) == 4136);

// The right button holds the other two button bits: only the field tells the buttons apart.
TEST(PanelTypes, MouseButtonIsAField) {
    const struct {
        int qualifiers, button;
    } cases[] = {
        {IQ_MOUSE_LEFT | IQ_SHIFT, IQ_MOUSE_LEFT},
        {IQ_MOUSE_MID | IQ_MOUSE_DOWN, IQ_MOUSE_MID},
        {IQ_MOUSE_RIGHT | IQ_CTRL | IQ_MOUSE_DOWN, IQ_MOUSE_RIGHT},
        {IQ_ALT | IQ_ADJUST, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(IQ_MOUSE_BUTTON(c.qualifiers), c.button) << c.qualifiers;
}
