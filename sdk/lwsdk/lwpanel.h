/* "LWPanelServices": classic panels. C only.
 *
 * A plug-in makes a panel with create, adds controls with addControl by control-type name and a
 * control description, reads and sets panel attributes with get and set, and opens the panel.
 * Each control is a record of its own with draw, get and set functions.
 *
 * Panel attributes: get(panel, tag, out) writes an int (out is int*) or a pointer (out is
 * void**); set(panel, tag, value) takes the value itself, an int as (void*)(intptr_t)n, a
 * pointer or a callback as it is (PAN_SET and PAN_SETPTR below).
 * Control attributes go through an LWValue on both sides.
 *
 * Coordinates are pixels, x to the right and y downwards from the panel's top left. A control
 * added without a position sits under the previous one.
 *
 * Marked "ours" below: what the host publishes no value or shape for; see docs/porting.md. */
#ifndef LWSDK_LWPANEL_H
#define LWSDK_LWPANEL_H

#include "lwtypes.h"

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define LWPANELFUNCS_GLOBAL "LWPanelServices"
#define LWPANELS_API_VERSION 19

typedef void* LWPanelID; /* a panel; null means none */
typedef struct st_LWControl LWControl;
typedef LWControl* LWControlID; /* a control: the address of its record; null means none */

/* Open flags. */
#define PANF_BLOCKING 1     /* open returns only when the panel closes */
#define PANF_CANCEL 2       /* with a Cancel button */
#define PANF_FRAME 4        /* a framed window */
#define PANF_MOUSETRAP 8    /* mouse callbacks for the whole panel */
#define PANF_PASSALLKEYS 16 /* every key to the key callbacks */
#define PANF_ABORT 32       /* an Abort button in place of Cancel */
#define PANF_NOBUTT 64      /* without the host's own OK and Cancel buttons */
#define PANF_RESIZE 128     /* the user may resize it */

/* Results of a blocking open (PAN_RESULT). */
#define LWPAN_CANCELLED 0
#define LWPAN_OK 1

/* Input qualifiers (PAN_QUALIFIERS). The mouse button is a two-bit field, so the right button
 * holds both other button bits: compare IQ_MOUSE_BUTTON(q) with a button, never mask it. */
#define IQ_CTRL 1
#define IQ_SHIFT 2
#define IQ_ALT 4
#define IQ_CONSTRAIN 8
#define IQ_ADJUST 16
#define IQ_MOUSE_LEFT 32
#define IQ_MOUSE_MID 64
#define IQ_MOUSE_RIGHT 96
#define IQ_MOUSE_DOWN 128
#define IQ_MOUSE_BUTTON(q) ((q)&IQ_MOUSE_RIGHT) /* ours */

/* Draw modes handed to draw functions and callbacks. */
typedef enum en_DrMode {
    DR_ERASE = 0,  /* erase the area */
    DR_RENDER = 1, /* a full drawing */
    DR_GHOST = 2,  /* drawn disabled */
    DR_REFRESH = 3 /* drawn again over itself */
} DrMode;

/* Panel attributes. Values the host publishes no code for are ours, from 0x100 up. */
typedef enum en_pTag {
    PAN_X = 0, /* int, position on screen */
    PAN_Y = 1,
    PAN_W = 2, /* int, width; grows with the controls unless set */
    PAN_H = 3,
    PAN_MOUSEX = 4, /* int (get only), pointer position of the event */
    PAN_MOUSEY = 5,
    PAN_TITLE = 11,      /* text (get only) */
    PAN_USERDATA = 12,   /* pointer kept for the plug-in; the data of every callback */
    PAN_RESULT = 19,     /* int: result of the last blocking open; set before close */
    PAN_QUALIFIERS = 22, /* int (get only), IQ_* of the event being handled */
    /* Callbacks (set only); ours. */
    PAN_USERDRAW = 0x100,     /* LWPanDrawFunc */
    PAN_USEROPEN = 0x101,     /* LWPanHookFunc */
    PAN_USERCLOSE = 0x102,    /* LWPanHookFunc */
    PAN_USERACTIVATE = 0x103, /* LWPanHookFunc */
    PAN_MOUSEBUTTON = 0x104,  /* LWPanMouseFunc */
    PAN_MOUSEMOVE = 0x105,    /* LWPanMouseFunc */
    PAN_USERKEYS = 0x106,     /* LWPanKeyFunc, key down */
    PAN_USERKEYUPS = 0x107    /* LWPanKeyFunc, key up */
} pTag;

/* Control attributes. */
typedef enum en_cTag {
    CTL_X = 0, /* int, left edge within the panel */
    CTL_Y = 1,
    CTL_W = 2,
    CTL_H = 3,
    CTL_VALUE = 4,   /* int: a list box's clicked row (-1 none); other controls 0 */
    CTL_MOUSEX = 10, /* int (get only), pointer position within the control */
    CTL_MOUSEY = 11,
    CTL_USEREVENT = 14,  /* LWCtlEventFunc (set only) */
    CTL_LABEL = 15,      /* text (get only) */
    CTL_USERDATA = 16,   /* pointer kept for the plug-in; the data of every control callback */
    CTL_PANEL = 17,      /* pointer (get only): the LWPanelID holding the control */
    CTL_USERDRAW = 0x100 /* LWCtlDrawFunc (set only); ours */
} cTag;

/* A value of a control attribute; ours. `type` says which member holds it. */
#define LWV_NONE 0
#define LWV_INT 1  /* intv.value */
#define LWV_PTR 2  /* ptr.ptr */
#define LWV_STR 3  /* str.buf: the host's text, valid until the next call */
#define LWV_FUNC 4 /* func.fn */
typedef union un_LWValue {
    int type;
    struct {
        int type;
        int value;
    } intv;
    struct {
        int type;
        void* ptr;
    } ptr;
    struct {
        int type;
        const char* buf;
    } str;
    struct {
        int type;
        void (*fn)(void);
    } func;
} LWValue;

/* Panel callbacks; `data` is the panel's PAN_USERDATA. Shapes ours. */
typedef void LWPanDrawFunc(LWPanelID panel, void* data, DrMode mode);
typedef void LWPanHookFunc(LWPanelID panel, void* data);
typedef void LWPanMouseFunc(LWPanelID panel, void* data, int qualifiers, int x, int y);
typedef void LWPanKeyFunc(LWPanelID panel, void* data, unsigned short key);

/* Control callbacks; `data` is the control's CTL_USERDATA. Shapes ours. */
typedef void LWCtlEventFunc(LWControlID control, void* data);
typedef void LWCtlDrawFunc(LWControlID control, void* data, DrMode mode);
typedef int LWCtlCountFunc(void* data);             /* rows of a list box */
typedef char* LWCtlNameFunc(void* data, int index); /* a row's text; index -1: header */

/* Control-type names for addControl. */
#define LWCTL_LISTBOX "ListBoxControl"
#define LWCTL_BUTTON "ButtonControl"
#define LWCTL_CANVAS "CanvasControl"
#define LWCTL_TEXT "TextControl"

/* Control descriptions: each starts with `type`, one of the LWCD_* codes (ours). A width or
 * height of 0 takes the host's default. */
#define LWCD_LISTBOX 1
#define LWCD_BUTTON 2
#define LWCD_CANVAS 3
#define LWCD_TEXT 4
typedef struct st_LWListBoxDesc {
    int type; /* LWCD_LISTBOX */
    int width;
    int visItems; /* rows shown */
    int top;      /* first row shown */
    LWCtlCountFunc* countFn;
    LWCtlNameFunc* nameFn;
} LWListBoxDesc;
typedef struct st_LWButtonDesc { /* ours */
    int type;                    /* LWCD_BUTTON */
    int width;
} LWButtonDesc;
typedef struct st_LWCanvasDesc { /* ours */
    int type;                    /* LWCD_CANVAS */
    int width;
    int height;
} LWCanvasDesc;
typedef struct st_LWTextDesc { /* ours */
    int type;                  /* LWCD_TEXT */
    int width;
    const char** text; /* lines, ended by null; the host copies them */
} LWTextDesc;
typedef union un_ControlDesc {
    int type;
    LWListBoxDesc listbox;
    LWButtonDesc button;
    LWCanvasDesc canvas;
    LWTextDesc text;
} ControlDesc;

/* A control, as addControl returns it. */
struct st_LWControl {
    void (*draw)(LWControlID control, DrMode mode);
    void (*get)(LWControlID control, cTag tag, LWValue* value);
    void (*set)(LWControlID control, cTag tag, LWValue* value);
    void* priv_data; /* the host's */
};

/* What the display offers; ours. */
typedef struct st_LWDisplayMetrics {
    int width, height; /* screen, pixels */
    int textHeight;    /* a line of text, pixels */
    int textAscent;    /* top of a line to its baseline */
} LWDisplayMetrics;

/* Host colours for text and palette drawing. Which index means what is ours:
 * 0 background, 1 control face, 2 lit edge, 3 shaded edge, 4 text, 5 dimmed text,
 * 6 highlight, 7 white, 8 black. */
#define SYSTEM_Ic(i) (4136 + (i))

/* Drawing, valid inside draw callbacks; x, y relative to the panel. */
typedef struct st_LWPanelDrawFuncs {
    void (*drawPixel)(LWPanelID panel, int c, int x, int y);
    void (*drawRGBPixel)(LWPanelID panel, int r, int g, int b, int x, int y);
    void (*drawLine)(LWPanelID panel, int c, int x, int y, int x2, int y2);
    void (*drawBox)(LWPanelID panel, int c, int x, int y, int w, int h);
    void (*drawRGBBox)(LWPanelID panel, int r, int g, int b, int x, int y, int w, int h);
    void (*drawBorder)(LWPanelID panel, int indent, int x, int y, int w, int h);
    int (*textWidth)(LWPanelID panel, char* text);
    void (*drawText)(LWPanelID panel, char* text, int c, int x, int y); /* top left */
    const LWDisplayMetrics* (*dispMetrics)(void);
} st_LWPanelDrawFuncs;
typedef st_LWPanelDrawFuncs DrawFuncs;

/* The service. user_data and globalFun are the plug-in's to write. */
typedef struct st_LWPanelFuncs {
    LWPanelID (*create)(char* title, void* reserved); /* reserved: pass null */
    void (*destroy)(LWPanelID panel); /* closes it first when open; null is ignored */
    /* Opens with PANF_* flags. Blocking: returns LWPAN_OK or LWPAN_CANCELLED when it closes;
     * otherwise 1 when it opened. */
    int (*open)(LWPanelID panel, int flags);
    /* Handles pending input of an open panel (LWPANH_* flags, ours); -1 when it is not open. */
    int (*handle)(LWPanelID panel, int flags);
    void (*draw)(LWPanelID panel, DrMode mode);
    void (*close)(LWPanelID panel); /* with the result last set as PAN_RESULT */
    void (*get)(LWPanelID panel, pTag tag, void* out);
    void (*set)(LWPanelID panel, pTag tag, void* value);
    /* A control of a type (LWCTL_*), null on failure. */
    LWControl* (*addControl)(LWPanelID panel, char* type, ControlDesc* desc, char* label);
    /* The control after `control` (the first after null); null after the last. */
    LWControl* (*nextControl)(LWPanelID panel, LWControlID control);
    DrawFuncs* drawFuncs;
    void* user_data;
    GlobalFunc* globalFun;
} st_LWPanelFuncs;
typedef st_LWPanelFuncs LWPanelFuncs;

#define LWPANH_BLOCKING 1 /* handle: run until the panel closes (ours) */

/* Panel attributes by value. */
#define PAN_SET(pf, panel, tag, value) ((pf)->set((panel), (tag), (void*)(intptr_t)(value)))
#define PAN_SETPTR(pf, panel, tag, ptr) ((pf)->set((panel), (tag), (void*)(ptr)))

#ifdef __cplusplus
}
#endif

#endif
