/* Host dialogs and directories: "File Request 2", "Directory Info" and "LW Interface Info 5".
 * C only. */
#ifndef LWSDK_LWDIALOG_H
#define LWSDK_LWDIALOG_H

#ifdef __cplusplus
extern "C" {
#endif

/* ---- "File Request 2": the host's file requester --------------------------------------- */

#define LWFILEREQFUNC_GLOBAL "File Request 2"
#define LWFILEREQ_VERSION 3 /* the interface version a caller passes */

/* Request types. */
#define LWFREQ_LOAD 1 /* choose an existing file */
#define LWFREQ_SAVE 2 /* choose a file name to write */
#define LWFREQ_DIR 3  /* choose a directory */

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

/* ---- "Directory Info": the host's standard directories ---------------------------------- */

#define LWDIRINFOFUNC_GLOBAL "Directory Info"

/* Maps a directory type name ("Install", "Settings", "Content", "Plugins", "Scenes",
 * "Objects", "Images", "Output", ...) to a path, or null for an unknown type. The text stays
 * valid until the host's configuration changes. */
typedef const char* LWDirInfoFunc(const char* type);

/* ---- "LW Interface Info 5": interface state --------------------------------------------- */

#define LWINTERFACEINFO_GLOBAL "LW Interface Info 5"

/* Alert levels: how much the host asks before acting. Above LWALERT_BEGINNER questions such
 * as overwrite confirmations are skipped. */
#define LWALERT_BEGINNER 0
#define LWALERT_INTERMEDIATE 1
#define LWALERT_EXPERT 2

typedef struct st_LWInterfaceInfo {
    double curTime;   /* the current time of the scene, seconds */
    int alertLevel;   /* LWALERT_* */
    int displayFlags; /* reserved, 0 */
} st_LWInterfaceInfo;

#ifdef __cplusplus
}
#endif

#endif
