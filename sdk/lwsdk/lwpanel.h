/* "LWPanelServices": classic panels. The plug-in builds a panel from controls placed at pixel
 * positions, installs callbacks, and opens it; the host draws it and reports the user's
 * actions through the callbacks. C only.
 *
 * Coordinates are pixels, x to the right and y downwards from the panel's top left. A control
 * created without a position is placed under the previous one; the plug-in may move it with
 * the CTL_X and CTL_Y attributes afterwards.
 *
 * Controls:
 *   list box   rows of text from two callbacks (count and name); a click on a row selects it
 *              and calls the control's event callback. CTL_VALUE is the row last clicked
 *              (-1 none). Row texts may carry inline codes (below).
 *   button     a labelled button; a press calls the control's event callback.
 *   canvas     an area of a given size drawn by the control's draw callback.
 *   text       lines of fixed text (a null-terminated array of texts, copied by the host).
 *
 * Inline codes: a text may hold codes, each introduced by the control character 0x03 and
 * written "(letter:argument)": "(c:NAME)" colour, "(g:N)" gap, "(j:N)" justification,
 * "(i:NAME)" image, "(a:N)" align the rest at column N. The host shows them, never prints them,
 * and the headless host removes them from the texts it reports.
 *
 * Drawing: inside a draw callback (panel or control), the drawing functions paint into the
 * panel's image. Outside one they do nothing. Colours are 0..255 per component, or a host
 * colour index for text (LWXPCOL_* of lwxpanel.h, which the two panel services share). */
#ifndef LWSDK_LWPANEL_H
#define LWSDK_LWPANEL_H

#ifdef __cplusplus
extern "C" {
#endif

#define LWPANELFUNCS_GLOBAL "LWPanelServices"
#define LWPANELS_API_VERSION 1 /* the version field of the record */

typedef struct st_LWPanel* LWPanelID;     /* a panel; null means none */
typedef struct st_LWControl* LWControlID; /* a control of a panel; null means none */

/* Open flags. */
#define LWPANF_BLOCKING 0x1 /* open returns only when the panel closes */
#define LWPANF_FRAME 0x4    /* a framed window */
#define LWPANF_NOBUTT 0x40  /* without the host's own OK and Cancel buttons */

/* Results of a blocking open. */
#define LWPAN_CANCELLED 0 /* closed by the user's cancel or by close(panel, 0) */
#define LWPAN_OK 1        /* closed by the host's OK or by close(panel, 1) */

/* Input qualifiers, as PAN_QUALIFIERS reports them during a callback. */
#define LWQUAL_CTRL 0x1
#define LWQUAL_SHIFT 0x2
#define LWQUAL_ALT 0x4
#define LWQUAL_LMB 0x10 /* left mouse button held */
#define LWQUAL_MMB 0x20
#define LWQUAL_RMB 0x40

/* Draw modes handed to draw callbacks. */
#define LWDR_REFRESH 0 /* a full redraw */
#define LWDR_ERASE 1   /* the area was erased first */

/* Panel attributes (panel get and set). */
#define PAN_X 1          /* int, position on screen */
#define PAN_Y 2          /* int */
#define PAN_W 3          /* int, width; grows with the controls unless set */
#define PAN_H 4          /* int, height */
#define PAN_TITLE 5      /* text (get only) */
#define PAN_USERDATA 6   /* pointer kept for the plug-in */
#define PAN_QUALIFIERS 7 /* int (get only), LWQUAL_* of the event being handled */
#define PAN_MOUSEX 8     /* int (get only), pointer position of the event */
#define PAN_MOUSEY 9     /* int (get only) */
#define PAN_RESULT 10    /* int (get only), result of the last blocking open */

/* Control attributes (control get and set). */
#define CTL_X 1        /* int, left edge within the panel */
#define CTL_Y 2        /* int, top edge */
#define CTL_W 3        /* int, width */
#define CTL_H 4        /* int, height */
#define CTL_VALUE 5    /* int: a list box's clicked row (-1 none); other controls 0 */
#define CTL_LABEL 6    /* text (get only) */
#define CTL_USERDATA 7 /* pointer kept for the plug-in */
#define CTL_PANEL 8    /* pointer (get only): the LWPanelID holding the control */
#define CTL_MOUSEX 9   /* int (get only), pointer position within the control */
#define CTL_MOUSEY 10  /* int (get only) */

/* Panel callbacks; each gets the panel and the pointer given with it. */
typedef void LWPanDrawFunc(LWPanelID panel, void* data, int drawMode);
typedef void LWPanHookFunc(LWPanelID panel, void* data); /* open, close, activate */
typedef void LWPanMouseFunc(LWPanelID panel, void* data, int qualifiers, int x, int y);
typedef void LWPanKeyFunc(LWPanelID panel, void* data, unsigned short key);

/* Control callbacks. */
typedef void LWCtlEventFunc(LWControlID control, void* data);
typedef void LWCtlDrawFunc(LWControlID control, void* data, int drawMode);
typedef int LWCtlCountFunc(void* data);                   /* rows of a list box */
typedef const char* LWCtlNameFunc(void* data, int index); /* a row's text; index -1: header */

/* Which panel callback panel setCallback installs. */
#define LWPANCB_DRAW 1        /* LWPanDrawFunc */
#define LWPANCB_OPEN 2        /* LWPanHookFunc */
#define LWPANCB_CLOSE 3       /* LWPanHookFunc */
#define LWPANCB_ACTIVATE 4    /* LWPanHookFunc */
#define LWPANCB_MOUSEBUTTON 5 /* LWPanMouseFunc */
#define LWPANCB_MOUSEMOVE 6   /* LWPanMouseFunc */
#define LWPANCB_KEYDOWN 7     /* LWPanKeyFunc */
#define LWPANCB_KEYUP 8       /* LWPanKeyFunc */

/* Drawing, valid inside draw callbacks; x, y relative to the panel. */
typedef struct st_LWPanelDrawFuncs {
    void (*drawRGBPixel)(LWPanelID panel, int r, int g, int b, int x, int y);
    void (*drawRGBBox)(LWPanelID panel, int r, int g, int b, int x, int y, int w, int h);
    void (*drawText)(LWPanelID panel, const char* text, int color, int x, int y); /* top left */
    int (*textWidth)(LWPanelID panel, const char* text);
    int (*textHeight)(LWPanelID panel, const char* text);
} st_LWPanelDrawFuncs;

typedef struct st_LWPanelFuncs {
    int version; /* LWPANELS_API_VERSION */
    const st_LWPanelDrawFuncs* drawFuncs;

    LWPanelID (*create)(const char* title, void* reserved); /* reserved: pass null */
    void (*destroy)(LWPanelID panel); /* closes it first when open; null is ignored */
    /* Opens the panel with LWPANF_* flags. Blocking: returns LWPAN_OK or LWPAN_CANCELLED when
     * it closes. Otherwise returns 1 when it opened. */
    int (*open)(LWPanelID panel, int flags);
    void (*close)(LWPanelID panel, int result);  /* closes an open panel with that result */
    void (*draw)(LWPanelID panel, int drawMode); /* redraws the panel and its controls now */

    int (*getInt)(LWPanelID panel, int attribute);
    void (*setInt)(LWPanelID panel, int attribute, int value);
    void* (*getPtr)(LWPanelID panel, int attribute); /* PAN_TITLE, PAN_USERDATA */
    void (*setPtr)(LWPanelID panel, int attribute, void* value);
    void (*setCallback)(LWPanelID panel, int which, void (*func)(void), void* data);

    /* Controls; each returns null on failure. width/height 0 takes the host's default. */
    LWControlID (*listBox)(LWPanelID panel, const char* label, int width, int visibleRows,
                           LWCtlNameFunc* name, LWCtlCountFunc* count, void* data);
    LWControlID (*button)(LWPanelID panel, const char* label, int width);
    LWControlID (*canvas)(LWPanelID panel, const char* label, int width, int height);
    LWControlID (*text)(LWPanelID panel, const char* label, const char** lines);

    int (*ctlGetInt)(LWControlID control, int attribute);
    void (*ctlSetInt)(LWControlID control, int attribute, int value);
    void* (*ctlGetPtr)(LWControlID control, int attribute); /* CTL_LABEL, USERDATA, PANEL */
    void (*ctlSetPtr)(LWControlID control, int attribute, void* value);
    /* The event callback (clicks and presses) and, for canvases, the draw callback. */
    void (*ctlSetEvent)(LWControlID control, LWCtlEventFunc* func, void* data);
    void (*ctlSetDraw)(LWControlID control, LWCtlDrawFunc* func, void* data);
    void (*ctlRedraw)(LWControlID control); /* redraws one control now */
} st_LWPanelFuncs;

#ifdef __cplusplus
}
#endif

#endif
