/* "LWXPanel": property panels described by the plug-in and drawn and driven by the host. C only.
 *
 * A panel is made from a control list (ID, label, control type). Control IDs are chosen by the
 * plug-in; 0 is reserved for the panel itself. The data description names the kind of value
 * each control carries; its value IDs equal the control IDs they feed.
 *
 * Panel types:
 *   LWXP_VIEW (1): the values live in the plug-in. The host reads them with the panel's get
 *                  function and writes them with its set function, both called with the view
 *                  instance (set with viewInst).
 *   LWXP_FORM (0): the values live in the host; the plug-in reads and writes them with getValue
 *                  and setValue.
 *
 * How values travel (get returns, set and setValue receive, getValue returns):
 *   integer kinds  a pointer to int     data "integer"; controls "iBoolean" (0 off, else on),
 *                                       "iPopChoice" (the chosen index), "iSlider", "integer",
 *                                       and any other control type beginning with "i"
 *   float kinds    a pointer to double  data/controls "float", "percent", "distance", "angle",
 *                                       "time"
 *   vector kinds   a pointer to 3 doubles  "float3", "distance3", "percent3", "color"
 *   string kinds   a char pointer (zero-terminated)  data "string"; controls "string",
 *                                       "sFileName", "sPresetText" and any control type
 *                                       beginning with "s"
 *   envelope kinds the animated parameter's ID of "LWVParmFuncs 2", as the pointer itself:
 *                                       "percent-env", "float-env", "float3-env", "color-env"
 *                                       (any type ending in "-env"); the host edits the
 *                                       parameter directly and never hands a value to set
 *   no value       "vButton", "vPopCmd", "dThumbnail" and every control type beginning with
 *                  "v" (actions) or "d" (drawn areas), whatever their data description says
 * A control's kind comes from its data description when it has one, else from its control
 * type. Any other type text is accepted; its value is passed through as an opaque pointer.
 * A get function may return null: the control then shows no value. Returned storage must stay
 * valid until the next call of the get function.
 *
 * Hint lists (hint entry) are arrays of pointer-sized items: a tag, then its arguments, and so
 * on, ended by a 0 tag. Integers are stored in the items as integers cast to pointers (see
 * LWXP_INT). A list applied with a nonzero id is about that control: a control argument of 0 in
 * it stands for that control. Tags (arguments in order):
 *   LWXPT_TITLE        text                          the panel's title
 *   LWXPT_LABEL        cid, text                     replaces a control's label
 *   LWXPT_GROUP        gid, text, id..., 0           group gid (an ID of no control) holds the
 *                                                    listed controls and groups in that order;
 *                                                    text is its label or null
 *   LWXPT_ORDER        id..., 0                      top-level order of controls and groups;
 *                                                    items not listed follow in control order
 *   LWXPT_DIVIDER      id                            a divider after that control or group
 *   LWXPT_ENABLE_NONZERO  src, message, target..., 0 targets are enabled only while control
 *                                                    src's value is not 0
 *   LWXPT_DISABLE_NONZERO src, message, target..., 0 targets are disabled while src's value
 *                                                    is not 0 ("on")
 *   LWXPT_ENABLE_IN    src, message, n, v1..vn, target..., 0   enabled only while src's value
 *                                                    is one of the n values
 *   LWXPT_DISABLE_IN   src, message, n, v1..vn, target..., 0   disabled while src's value is
 *                                                    one of the n values
 *   LWXPT_SHOW_IN      src, n, v1..vn, target..., 0  targets are shown only while src's value
 *                                                    is one of the n values
 *   LWXPT_REFRESH_ON   src, target..., 0             a change of src makes the host read the
 *                                                    targets again
 *     Rules: a target may be a group (the rule covers its members); message is the text the
 *     host shows beside a control the rule disables, or null. The source's value counts as
 *     the int for integer kinds, and as 1/0 for others (present and not zero/empty, or not).
 *     A control is enabled when every rule naming it allows it; the first rule (in the order
 *     given) that disables it gives the message. n is at most LWXP_MAX_VALUES.
 *   LWXPT_BUTTON_NOTIFY   cid, LWXPanelBtnClickFn*   called when the button is hit
 *   LWXPT_DRAW_FUNC       cid, LWXPanelControlDrawFn*  draws the control's area
 *   LWXPT_ZOOM_FUNC       cid, LWXPanelControlZoomFn*  a click inside a drawn control
 *   LWXPT_POPUP_FUNCS     cid, LWXPanelPopCntFn*, LWXPanelPopNameFn*, data
 *                                                    the items of a pop-up ("iPopChoice",
 *                                                    "vPopCmd", "sPresetText"), asked afresh
 *                                                    each time it opens; both functions get
 *                                                    data, or when data is null the control's
 *                                                    own data (setData under cid) at the time
 *   LWXPT_STRING_LIST     cid, text..., 0            fixed pop-up items
 *   LWXPT_POPCMD_FUNC     cid, LWXPanelPopCmdFn*     called with the chosen item of a command
 *                                                    pop-up ("vPopCmd")
 *   LWXPT_DELETE          cid                        removes the control from the panel
 *   LWXPT_CHANGE_NOTIFY   LWXPanelChangeNotifyFn*    called after every change the user makes
 *   LWXPT_DESTROY_NOTIFY  LWXPanelDestroyNotifyFn*   called with the panel's data (id 0) when
 *                                                    the host destroys the panel
 * A list holding an unknown tag is read up to that tag only; the host records the error. */
#ifndef LWSDK_LWXPANEL_H
#define LWSDK_LWXPANEL_H

#include "lwtypes.h"

#ifdef __cplusplus
extern "C" {
#endif

#define LWXPANELFUNCS_GLOBAL "LWXPanel"
#define LWXPANEL_API_VERSION 1 /* the version field of the record */

#define LWXP_FORM 0 /* values kept by the host */
#define LWXP_VIEW 1 /* values kept by the plug-in, through get and set functions */

/* Change notification events. */
#define LWXPEVENT_TRACK 1 /* the value is changing: the user is dragging */
#define LWXPEVENT_VALUE 2 /* a value change is finished */
#define LWXPEVENT_HIT 3   /* a button was hit or a pop-up command chosen */

/* Results of a set function. */
#define LWXPRC_NONE 0    /* nothing else changed */
#define LWXPRC_REFRESH 1 /* other values changed: the host reads every value again */

/* Hint tags. The change-notify and destroy-notify values are fixed. */
#define LWXPT_END 0u
#define LWXPT_TITLE 0x3D000101u
#define LWXPT_LABEL 0x3D000202u
#define LWXPT_GROUP 0x3D000303u
#define LWXPT_ORDER 0x3D000401u
#define LWXPT_DIVIDER 0x3D000501u
#define LWXPT_ENABLE_NONZERO 0x3D000603u
#define LWXPT_DISABLE_NONZERO 0x3D000703u
#define LWXPT_ENABLE_IN 0x3D000804u
#define LWXPT_DISABLE_IN 0x3D000904u
#define LWXPT_SHOW_IN 0x3D000A03u
#define LWXPT_REFRESH_ON 0x3D000B02u
#define LWXPT_BUTTON_NOTIFY 0x3D000C02u
#define LWXPT_DRAW_FUNC 0x3D000D02u
#define LWXPT_ZOOM_FUNC 0x3D000E02u
#define LWXPT_CHANGE_NOTIFY 0x3D000F01u
#define LWXPT_POPUP_FUNCS 0x3D001004u
#define LWXPT_STRING_LIST 0x3D001102u
#define LWXPT_POPCMD_FUNC 0x3D001202u
#define LWXPT_DESTROY_NOTIFY 0x3D001302u
#define LWXPT_DELETE 0x3D001401u

#define LWXP_MAX_VALUES 256 /* most values one ENABLE_IN/DISABLE_IN/SHOW_IN rule may list */

/* Items of a hint list. */
#define LWXP_INT(n) ((void*)(intptr_t)(n))     /* a tag, an ID, a count or a value */
#define LWXP_TEXT(s) ((void*)(const char*)(s)) /* a text; the host copies it */
#define LWXP_FUNC(f) ((void*)(f))              /* a function */

/* Host colours for text in drawn controls. */
typedef enum en_LWXPColor {
    LWXPCOL_BACKGROUND = 0x1020, /* panel background */
    LWXPCOL_FACE = 0x1021,       /* control face */
    LWXPCOL_LIGHT = 0x1022,      /* lit edge */
    LWXPCOL_SHADOW = 0x1023,     /* shaded edge */
    LWXPCOL_TEXT = 0x1024,       /* label text */
    LWXPCOL_DIMTEXT = 0x1025,    /* disabled text */
    LWXPCOL_HILIGHT = 0x1026,    /* selection */
    LWXPCOL_WHITE = 0x1027,      /* white */
    LWXPCOL_BLACK = 0x1028,      /* black */
    LWXPCOL_DRAWTEXT = 0x1029    /* text on a drawn area's light background */
} en_LWXPColor;

typedef void* LWXPanelID;     /* a panel; null means none */
typedef void* LWXPDrawRegion; /* the area of a drawn control, valid during its draw function */

/* Functions a plug-in hands to the host. */
typedef void* LWXPanelGetFn(void* instance, unsigned int vid);            /* value or null */
typedef int LWXPanelSetFn(void* instance, unsigned int vid, void* value); /* LWXPRC_* */
typedef void LWXPanelDestroyNotifyFn(void* panelData);
typedef void LWXPanelChangeNotifyFn(LWXPanelID panel, unsigned int cid, unsigned int vid,
                                    int event); /* LWXPEVENT_* */
typedef void LWXPanelBtnClickFn(LWXPanelID panel, unsigned int cid);
typedef void LWXPanelControlDrawFn(LWXPanelID panel, unsigned int cid, LWXPDrawRegion region,
                                   int width, int height);
typedef void LWXPanelControlZoomFn(LWXPanelID panel, unsigned int cid, int x, int y, int* region,
                                   int clickCount);
typedef int LWXPanelPopCntFn(void* data);                              /* number of items */
typedef const char* LWXPanelPopNameFn(void* data, int index);          /* item text, or null */
typedef void LWXPanelPopCmdFn(LWXPanelID panel, int cid, int command); /* chosen item index */

typedef struct st_LWXPanelControl {
    unsigned int cid;     /* control ID; 0 ends the list */
    const char* label;    /* label shown beside the control, or null */
    const char* ctrlType; /* control type, such as "iBoolean" or "vButton" */
} st_LWXPanelControl;

typedef struct st_LWXPanelDataDesc {
    unsigned int vid;     /* value ID, equal to its control's ID; 0 ends the list */
    const char* name;     /* name of the value, or null */
    const char* dataType; /* kind of value, such as "integer" or "string" */
} st_LWXPanelDataDesc;

/* Drawing inside a drawn control's region; x to the right and y downwards from the top left,
 * clipped to the region. Colour components run 0..255. */
typedef struct st_LWXPDrawFuncs {
    void (*drawRGBPixel)(LWXPDrawRegion region, int r, int g, int b, int x, int y); /* a point */
    void (*drawRGBBox)(LWXPDrawRegion region, int r, int g, int b, int x, int y, int w,
                       int h); /* a filled box */
    void (*drawText)(LWXPDrawRegion region, const char* text, int color, int x,
                     int y); /* text with its top left at x, y; LWXPCOL_* */
    int (*textWidth)(LWXPDrawRegion region, const char* text);  /* pixels wide */
    int (*textHeight)(LWXPDrawRegion region, const char* text); /* pixels high */
} st_LWXPDrawFuncs;

typedef struct st_LWXPanelFuncs {
    int version;                   /* LWXPANEL_API_VERSION */
    const st_LWXPDrawFuncs* drawf; /* drawing in drawn controls */
    LWXPanelID (*create)(int type, const st_LWXPanelControl* controls); /* null on failure */
    void (*destroy)(LWXPanelID panel); /* calls the destroy notification first */
    void (*describe)(LWXPanelID panel, const st_LWXPanelDataDesc* data, LWXPanelGetFn* get,
                     LWXPanelSetFn* set); /* value kinds and the view functions */
    void (*hint)(LWXPanelID panel, unsigned int id, void** hints);  /* applies a hint list */
    void* (*getData)(LWXPanelID panel, unsigned int id);            /* user data of id (0: panel) */
    void (*setData)(LWXPanelID panel, unsigned int id, void* data); /* stores user data */
    void (*viewInst)(LWXPanelID panel, void* instance); /* first argument of get and set */
    void (*viewRefresh)(LWXPanelID panel);              /* reads every value again */
    /* A control's value. Form panels keep it in the host; view panels hand it to their set
     * function (then refresh) and read it with their get function. */
    void (*setValue)(LWXPanelID panel, unsigned int cid, void* value);
    void* (*getValue)(LWXPanelID panel, unsigned int cid);
    int (*post)(LWXPanelID panel); /* opens modally until closed: 1 OK, 0 cancelled */
    int (*open)(LWXPanelID panel); /* opens without waiting: 1 opened, 0 not */
} st_LWXPanelFuncs;

/* Local record of the "MasterInterface", "ShaderInterface" and "NodeInterface" servers. */
typedef struct st_LWInterface {
    void* inst;                         /* the handler instance whose panel is wanted */
    LWXPanelID panel;                   /* filled by the server: its panel, or null */
    const char* (*options)(void* inst); /* filled by the server instead of a panel: opens a
                                           modal dialog; returns an error text or null */
} st_LWInterface;

#ifdef __cplusplus
}
#endif

#endif
