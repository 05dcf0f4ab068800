/* Host dialogs and directories: "File Request 2", "Directory Info" and "LW Interface Info 5".
 * C only.
 *
 * The file request record and the directory function are as published for "File Request 2" and
 * "Directory Info" (1999-era header, unchanged since). No header publishes "LW Interface Info 5";
 * its record is the layout published with "LW Interface Info 3" (pre-9 era), which every later
 * version keeps as its start up to alertLevel. */
#ifndef LWSDK_LWDIALOG_H
#define LWSDK_LWDIALOG_H

#include "lwtypes.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- "File Request 2": the host's file requester --------------------------------------- */

#define LWFILEACTIVATEFUNC_GLOBAL "File Request 2"
#define LWFILEREQ_VERSION 3 /* the interface version a caller passes */

/* Request types. */
#define FREQ_LOAD 1      /* choose an existing file */
#define FREQ_SAVE 2      /* choose a file name to write */
#define FREQ_DIRECTORY 3 /* choose a directory */
#define FREQ_MULTILOAD 4 /* choose existing files; this host hands out one, as FREQ_LOAD */

/* Results (the result field). */
#define LWFREQ_CANCELLED 0
#define LWFREQ_CONFIRMED 1

typedef struct st_LWFileReqLocal {
    int reqType;           /* LWFREQ_* (in) */
    int result;            /* LWFREQ_* (out) */
    const char* title;     /* window title (in) */
    const char* fileType;  /* "Label|pattern;pattern" filter, or null (in) */
    char* path;            /* directory shown first (in); the chosen directory (out) */
    char* baseName;        /* file name shown first (in); the chosen file name (out) */
    char* fullName;        /* the chosen full name (out) */
    int bufLen;            /* size of each of the three buffers, bytes */
    int (*pickName)(void); /* multiple selection; null for one name */
} st_LWFileReqLocal;

/* Returns 1 when the request was handled (look at result), 0 when the version is not served.
 * The buffers always receive zero-terminated texts; a chosen name that does not fit bufLen is
 * refused (result cancelled) rather than cut to a name the user did not choose. */
typedef int LWFileReqFunc(int version, st_LWFileReqLocal* request);
typedef LWFileReqFunc LWFileActivateFunc;
typedef struct st_LWFileReqLocal LWFileReqLocal;

/* ---- "Directory Info": the host's standard directories ---------------------------------- */

#define LWDIRINFOFUNC_GLOBAL "Directory Info"

/* Maps a directory type name to a path, or null for an unknown type. The text stays valid until
 * the host's configuration changes. The bundle asks for "Install", "Settings" and "Content";
 * other published names include "Plug-ins", "Scenes", "Objects", "Images", "Surfaces",
 * "Motions", "Envelopes" and "Previews". This host also answers "Plugins" (as "Plug-ins"),
 * "Output" and "Temp", which are its own. */
typedef const char* LWDirInfoFunc(const char* type);

/* ---- "LW Interface Info 5": interface state --------------------------------------------- */

#define LWINTERFACEINFO_GLOBAL "LW Interface Info 5"

/* Alert levels: how much the host asks before acting. Above LWALERT_BEGINNER questions such
 * as overwrite confirmations are skipped. */
#define LWALERT_BEGINNER 0
#define LWALERT_INTERMEDIATE 1
#define LWALERT_EXPERT 2

typedef struct st_LWInterfaceInfo {
    LWTime curTime;                      /* the current time of the scene, seconds */
    const LWItemID* selItems;            /* selected items, ended by LWITEM_NULL */
    unsigned int (*itemFlags)(LWItemID); /* an item's interface flag bits */
    LWFrame previewStart;                /* the preview range and step */
    LWFrame previewEnd;
    LWFrame previewStep;
    int dynaUpdate;                                    /* when dynamic updates happen; 0: never */
    void (*schemaPos)(LWItemID, double* x, double* y); /* an item's schematic position */
    int (*itemVis)(LWItemID);                          /* whether an item is shown; 1: shown */
    unsigned int displayFlags;                         /* display option bits; 0: none */
    unsigned int generalFlags;                         /* general option bits; 0: none */
    int boxThreshold;                                  /* bounding-box display threshold, points */
    int (*itemColor)(LWItemID);                        /* an item's colour index */
    int alertLevel;                                    /* LWALERT_* */
} st_LWInterfaceInfo;
typedef struct st_LWInterfaceInfo LWInterfaceInfo;

#ifdef __cplusplus
}
#endif

#endif
