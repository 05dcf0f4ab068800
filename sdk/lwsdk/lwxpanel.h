/* "LWXPanel": property panels described by the plug-in and drawn and driven by the host. C only.
 *
 * The records, their member names, order and C types, the panel types, events, refresh codes,
 * dialog types and hint tag values are the host's published ones, from its XPanel header of the
 * 1999 era (both copies carry the same function table). Our own names (st_*, LWXPanelGetFn ...)
 * stay beside the published ones (LWXPanelFuncs, LWXPanelGetFunc ...), which are aliases.
 *
 * A panel is made from a control list (ID, label, control class). Control IDs are chosen by the
 * plug-in; 0 is reserved for the panel itself. The data description names the kind of value
 * each control carries; its value IDs equal the control IDs they feed.
 *
 * Panel types:
 *   LWXP_VIEW (1): the values live in the plug-in. The host reads them with the panel's get
 *                  function and writes them with its set function, both called with the view
 *                  instance (set with viewInst).
 *   LWXP_FORM (2): the values live in the host; the plug-in reads and writes them with formGet
 *                  and formSet. On a view panel formSet hands the value to the set function
 *                  (then refreshes) and formGet reads it through the get function.
 *
 * How values travel (get returns, set and formSet receive, formGet returns):
 *   integer kinds  a pointer to int     data "integer"; controls "iBoolean" (0 off, else on),
 *                                       "iPopChoice" (the chosen index), "iSlider", "integer",
 *                                       and any other control class beginning with "i"
 *   float kinds    a pointer to double  data/controls "float", "percent", "distance", "angle",
 *                                       "time"
 *   vector kinds   a pointer to 3 doubles  "float3", "distance3", "percent3", "color"
 *   string kinds   a char pointer (zero-terminated)  data "string"; controls "string",
 *                                       "sFileName", "sPresetText" and any control class
 *                                       beginning with "s"
 *   envelope kinds the animated parameter's ID of "LWVParmFuncs 2", as the pointer itself:
 *                                       "percent-env", "float-env", "float3-env", "color-env"
 *                                       (any class ending in "-env"); the host edits the
 *                                       parameter directly and never hands a value to set
 *   no value       "vButton", "vPopCmd", "dThumbnail" and every control class beginning with
 *                  "v" (actions) or "d" (drawn areas), whatever their data description says
 * A control's kind comes from its data description when it has one, else from its control
 * class. Any other type text is accepted; its value is passed through as an opaque pointer.
 * A get function may return null: the control then shows no value. Returned storage must stay
 * valid until the next call of the get function.
 *
 * Hint lists (LWXPanelHint) are arrays of pointer-sized items: a tag, its arguments, the next
 * tag, and so on, ended by XPTAG_END. Integers travel as integers cast to pointers (LWXP_INT).
 * A tag's low seven bits count its fixed arguments; bit 0x80 says that a list of IDs ended by
 * 0 follows them (LWXP_TAG_ARGS, LWXP_TAG_LIST). The host reads every tag that way, so it can
 * step over tags it does not act on. A list applied with a nonzero id is about that control: a
 * control argument of 0 in it stands for that control. Tags (fixed arguments | list):
 *   XPTAG_LABEL       id, text, 0               the label of a control or group; id 0 is the
 *                                               panel's title. The last argument is reserved.
 *   XPTAG_GROUP       gid | members             group gid (an ID of no control) holds the listed
 *                                               controls and groups in that order; a LABEL on
 *                                               gid names it
 *   XPTAG_ORDER       gid | ids                 the listed items come first, in that order,
 *                                               within group gid (0: the panel's top level);
 *                                               items not listed follow in their own order
 *   XPTAG_DIVADD      gid | ids                 a divider after each listed control or group
 *                                               (gid: the group they stand in, 0 the panel)
 *   XPTAG_DIVREM      gid | ids                 removes those dividers again
 *   XPTAG_ENABLE      src, map, message, invert | targets
 *                     The targets (controls or groups) are enabled only while control src's
 *                     value allows: without a map while it is not 0; with a map while
 *                     map[value] is not 0. map is an int array ended by a negative entry
 *                     (LWXP_MAP_END); a value outside it counts as 0. invert nonzero reverses
 *                     the rule. message is the text shown beside a control the rule disables,
 *                     or null. A control is enabled when every rule naming it allows it; the
 *                     first rule (in the order given) that disables it gives the message.
 *   XPTAG_STACK       gid, src, map | members   stack gid (an ID of no control) shows one of
 *                                               its members, in its place: the one at position
 *                                               map[value] (without a map: value) of control
 *                                               src; a value outside the map or a position
 *                                               outside the members shows none
 *   XPTAG_LINK        src | targets             a change of src makes the host read the targets
 *                                               again
 *     The source's value counts as the int for integer kinds, and as 1/0 for others (present
 *     and not zero/empty, or not).
 *   XPTAG_BUTNOTIFY   cid, LWXPanelBtnClickFn*  called when the button is hit
 *   XPTAG_DRAWCBFUNC  cid, LWXPanelControlDrawFn*   draws the control's area
 *   XPTAG_ZOOMCBFUNC  cid, LWXPanelControlZoomFn*, 0  a click inside a drawn control; the last
 *                                               argument is reserved
 *   XPTAG_POPFUNCS    cid, LWXPanelPopCntFn*, LWXPanelPopNameFn*
 *                     the items of a pop-up ("iPopChoice", "vPopCmd", "sPresetText"), asked
 *                     afresh each time it opens; both functions get the control's data (setData
 *                     under cid) at the time
 *   XPTAG_STRLIST     cid, const char**, 0      fixed pop-up items: an array of texts ended by
 *                                               null; the host copies them. The last argument
 *                                               is reserved.
 *   XPTAG_POPCMDFUNC  cid, LWXPanelPopCmdFn*    called with the chosen item of a command pop-up
 *                                               ("vPopCmd")
 *   XPTAG_DELETE      cid                       removes the control from the panel
 *   XPTAG_CHGNOTIFY   LWXPanelChangeNotifyFn*   called after every change the user makes; a
 *                                               result other than LWXPRC_NONE refreshes
 *   XPTAG_DESTROYNOTIFY  LWXPanelDestroyNotifyFn*, data  called with data, or when data is
 *                                               null with the panel's data (id 0), when the
 *                                               host destroys the panel
 *   XPTAG_DLOGTYPE    type                      the buttons of a posted form (LWXPDLG_*)
 *   XPTAG_NEST        LWXPanelHint*             applies another hint list in place
 * The other published tags are read over; the host records those it does not support. A list
 * holding a tag outside the published ones is read up to that tag only; the host records the
 * error. */
#ifndef LWSDK_LWXPANEL_H
#define LWSDK_LWXPANEL_H

#include "lwhandler.h"
#include "lwtypes.h"

#ifdef __cplusplus
extern "C" {
#endif

#define LWXPANELFUNCS_GLOBAL "LWXPanel"
#define LWXPANEL_API_VERSION 1 /* the version field of the record (our name; none published) */

#define LWXP_VIEW 1 /* values kept by the plug-in, through get and set functions */
#define LWXP_FORM 2 /* values kept by the host */

/* Change notification events. */
#define LWXPEVENT_TRACK 1     /* the value is changing: the user is dragging */
#define LWXPEVENT_VALUE 2     /* a value change is finished */
#define LWXPEVENT_HIT 3       /* a button was hit or a pop-up command chosen */
#define LWXPEVENT_FOCUS 4     /* a control took the focus */
#define LWXPEVENT_LOSEFOCUS 5 /* a control lost the focus */

/* Results of a set function and of a change notification. */
typedef enum en_LWXPRefreshCode {
    LWXPRC_NONE = 0, /* nothing else changed */
    LWXPRC_DFLT = 1, /* other values changed: the host reads every value again */
    LWXPRC_DRAW = 2, /* the panel is drawn again (the host reads every value again) */
    LWXPRC_FULL = 3  /* everything is read and drawn again */
} en_LWXPRefreshCode;
typedef en_LWXPRefreshCode LWXPRefreshCode;

/* Buttons of a posted form (XPTAG_DLOGTYPE). Only these two published values are known. */
#define LWXPDLG_OKCANCEL 2
#define LWXPDLG_YESNOCAN 7

/* Hint tags, as published. */
#define XPTAG_END 0x00000000u
#define XPTAG_NEST 0x00000101u
#define XPTAG_CALL 0x000DD002u
#define XPTAG_LABEL 0x3D000B03u
#define XPTAG_CLASS 0x3D000C02u
#define XPTAG_ADD 0x3D000D03u
#define XPTAG_DELETE 0x3D000E01u
#define XPTAG_CHGNOTIFY 0x3D000F01u
#define XPTAG_FOCUS 0x3D001201u
#define XPTAG_DESTROYNOTIFY 0x3D001302u
#define XPTAG_AUTORESTORE 0x3D001481u
#define XPTAG_VALUE 0x3D006502u
#define XPTAG_LINK 0x3D006681u
#define XPTAG_IMMUPD 0x3D006781u
#define XPTAG_TRACK 0x3D006802u
#define XPTAG_ORIENT 0x3D00CB02u
#define XPTAG_MIN 0x3D014002u
#define XPTAG_MAX 0x3D014102u
#define XPTAG_STEP 0x3D014202u
#define XPTAG_RANGE 0x3D014304u
#define XPTAG_SENS 0x3D014402u
#define XPTAG_STRLIST 0x3D014503u
#define XPTAG_HARDMINMAX 0x3D014703u
#define XPTAG_CLRMINMAX 0x3D014803u
#define XPTAG_BUTNOTIFY 0x3D015F02u
#define XPTAG_POPCMDFUNC 0x3D016002u
#define XPTAG_POPFUNCS 0x3D016203u
#define XPTAG_INTXFORM 0x3D016303u
#define XPTAG_DRAWCBFUNC 0x3D016502u
#define XPTAG_ZOOMCBFUNC 0x3D016603u
#define XPTAG_VECLABEL 0x3D017202u
#define XPTAG_CTRLFRONT 0x3D017301u
#define XPTAG_CTRLCFG 0x3D017403u
#define XPTAG_XREQCFG 0x3D019105u
#define XPTAG_ALIAS 0x3D01F481u
#define XPTAG_UNALIAS 0x3D01F581u
#define XPTAG_ENABLE 0x3D01F984u
#define XPTAG_GROUP 0x3D01FE81u
#define XPTAG_ORDER 0x3D01FF81u
#define XPTAG_STACK 0x3D020983u
#define XPTAG_TABS 0x3D020A81u
#define XPTAG_LEFT 0x3D021280u
#define XPTAG_NARROW 0x3D021380u
#define XPTAG_DIVADD 0x3D021481u
#define XPTAG_DIVREM 0x3D021581u
#define XPTAG_BORDER 0x3D021501u
#define XPTAG_DLOGTYPE 0x3D02BD01u

/* What a tag's value says about its arguments. */
#define LWXP_TAG_ARGS(tag) ((unsigned)(tag)&0x7Fu)        /* fixed arguments */
#define LWXP_TAG_LIST(tag) (((unsigned)(tag)&0x80u) != 0) /* then IDs up to a 0 */

#define LWXP_MAP_END (-1) /* ends the int map of XPTAG_ENABLE and XPTAG_STACK */

/* Items of a hint list. */
#define LWXP_INT(n) ((void*)(intptr_t)(n))     /* a tag, an ID, a count or a value */
#define LWXP_TEXT(s) ((void*)(const char*)(s)) /* a text; the host copies it */
#define LWXP_FUNC(f) ((void*)(f))              /* a function */

/* Host colours for drawing in drawn controls (palette arguments of the draw functions). */
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
typedef LWXPDrawRegion LWXPDrAreaID; /* published name */
typedef void* LWXPanelHint;          /* one item of a hint list */

/* Functions a plug-in hands to the host. */
typedef void* LWXPanelGetFn(void* instance, unsigned long vid); /* value or null */
typedef LWXPRefreshCode LWXPanelSetFn(void* instance, unsigned long vid, void* value);
typedef LWXPanelGetFn LWXPanelGetFunc; /* published names */
typedef LWXPanelSetFn LWXPanelSetFunc;
typedef void LWXPanelDestroyNotifyFn(void* panelData);
typedef LWXPRefreshCode LWXPanelChangeNotifyFn(LWXPanelID panel, unsigned long cid,
                                               unsigned long vid, int event); /* LWXPEVENT_* */
typedef void LWXPanelBtnClickFn(LWXPanelID panel, int cid);
typedef void LWXPanelControlDrawFn(LWXPanelID panel, unsigned long cid, LWXPDrAreaID region,
                                   int width, int height);
typedef void LWXPanelControlZoomFn(LWXPanelID panel, unsigned long cid, int x, int y, int* region,
                                   int clickCount);
typedef int LWXPanelPopCntFn(void* data);                              /* number of items */
typedef const char* LWXPanelPopNameFn(void* data, int index);          /* item text, or null */
typedef void LWXPanelPopCmdFn(LWXPanelID panel, int cid, int command); /* chosen item index */

typedef struct st_LWXPanelControl {
    unsigned long cid;     /* control ID; 0 ends the list */
    const char* label;     /* label shown beside the control, or null */
    const char* ctrlclass; /* control class, such as "iBoolean" or "vButton" */
} st_LWXPanelControl;
typedef st_LWXPanelControl LWXPanelControl;

typedef struct st_LWXPanelDataDesc {
    unsigned long vid;    /* value ID, equal to its control's ID; 0 ends the list */
    const char* name;     /* name of the value, or null */
    const char* datatype; /* kind of value, such as "integer" or "string" */
} st_LWXPanelDataDesc;
typedef st_LWXPanelDataDesc LWXPanelDataDesc;

/* Drawing inside a drawn control's region; x to the right and y downwards from the top left,
 * clipped to the region. Colour components run 0..255; a palette colour c is an LWXPCOL_*. */
typedef struct st_LWXPDrawFuncs {
    void (*drawPixel)(LWXPDrAreaID region, int c, int x, int y);
    void (*drawRGBPixel)(LWXPDrAreaID region, int r, int g, int b, int x, int y);
    void (*drawLine)(LWXPDrAreaID region, int c, int x, int y, int x2, int y2); /* both ends */
    void (*drawBox)(LWXPDrAreaID region, int c, int x, int y, int w, int h);    /* filled */
    void (*drawRGBBox)(LWXPDrAreaID region, int r, int g, int b, int x, int y, int w, int h);
    /* A one-pixel bevel around the box: raised for indent 0, sunken otherwise. */
    void (*drawBorder)(LWXPDrAreaID region, int indent, int x, int y, int w, int h);
    int (*textWidth)(LWXPDrAreaID region, char* text);  /* pixels wide */
    int (*textHeight)(LWXPDrAreaID region, char* text); /* pixels high */
    void (*drawText)(LWXPDrAreaID region, char* text, int c, int x,
                     int y); /* text with its top left at x, y */
} st_LWXPDrawFuncs;
typedef st_LWXPDrawFuncs LWXPDrawFuncs;

typedef struct st_LWXPanelFuncs {
    int version;                                                  /* LWXPANEL_API_VERSION */
    st_LWXPDrawFuncs* drawf;                                      /* drawing in drawn controls */
    LWXPanelID (*create)(int type, st_LWXPanelControl* controls); /* null on failure */
    void (*destroy)(LWXPanelID panel); /* calls the destroy notification first */
    void (*describe)(LWXPanelID panel, st_LWXPanelDataDesc* data, LWXPanelGetFunc* get,
                     LWXPanelSetFunc* set); /* value kinds and the view functions */
    void (*hint)(LWXPanelID panel, unsigned long id, LWXPanelHint* hints); /* applies a list */
    void* (*getData)(LWXPanelID panel, unsigned long id); /* user data of id (0: panel) */
    void (*setData)(LWXPanelID panel, unsigned long id, void* data);   /* stores user data */
    void* (*formGet)(LWXPanelID panel, unsigned long vid);             /* a control's value */
    void (*formSet)(LWXPanelID panel, unsigned long vid, void* value); /* sets it */
    void (*viewInst)(LWXPanelID panel, void* instance); /* first argument of get and set */
    void (*viewRefresh)(LWXPanelID panel);              /* reads every value again */
    int (*post)(LWXPanelID panel); /* opens modally until closed: 1 OK, 0 cancelled */
    int (*open)(LWXPanelID panel); /* opens without waiting: 1 opened, 0 not */
} st_LWXPanelFuncs;
typedef st_LWXPanelFuncs LWXPanelFuncs;

/* Local record of the "MasterInterface", "ShaderInterface" and "NodeInterface" servers. */
typedef struct st_LWInterface {
    LWInstance inst;  /* the handler instance whose panel is wanted */
    LWXPanelID panel; /* filled by the server: its panel, or null */
    /* Filled by the server instead of a panel: opens a modal dialog; an error text or null. */
    LWError (*options)(LWInstance inst);
    /* Filled by the server, or left null: runs a command line on the instance. */
    LWError (*command)(LWInstance inst, const char* command);
} st_LWInterface;
typedef st_LWInterface LWInterface;

#ifdef __cplusplus
}
#endif

#endif
