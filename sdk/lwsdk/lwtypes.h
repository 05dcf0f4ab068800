/* Basic types shared by the host and its plug-in modules. C only. */
#ifndef LWSDK_LWTYPES_H
#define LWSDK_LWTYPES_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The host's global function: returns the record published under a name, or null.
 * The use code says what the caller does with it (LWGLOBAL_*). The host publishes the function
 * type (callers hold a GlobalFunc*); LWGlobalFunc is the pointer. */
typedef void* GlobalFunc(const char* serviceName, int useMode);
typedef GlobalFunc* LWGlobalFunc;

#define LWGLOBAL_READ 0    /* read once; no acquisition is counted */
#define LWGLOBAL_ACQUIRE 1 /* acquire; the caller releases it later */
#define LWGLOBAL_RELEASE 2 /* release an earlier acquisition */
#define GFUSE_TRANSIENT LWGLOBAL_READ
#define GFUSE_ACQUIRE LWGLOBAL_ACQUIRE
#define GFUSE_RELEASE LWGLOBAL_RELEASE

/* A server's activate function: (version, global function, local record, server data). The
 * version is a long, as published: 8 bytes on 64-bit Linux and macOS, 4 on Windows. */
typedef int ActivateFunc(long version, GlobalFunc* global, void* local, void* serverData);
typedef ActivateFunc* LWActivateFunc;

#define LWACTIVATE_OK 0         /* the server filled its local record */
#define LWACTIVATE_BADVERSION 1 /* the version asked for is outside the server's range */
#define LWACTIVATE_BADGLOBAL 2  /* a global the server needs is missing */
#define LWACTIVATE_BADLOCAL 3   /* the local record is unusable */
#define LWACTIVATE_FAILED 4     /* the server failed (a reported exception) */
#define AFUNC_OK LWACTIVATE_OK
#define AFUNC_BADVERSION LWACTIVATE_BADVERSION
#define AFUNC_BADGLOBAL LWACTIVATE_BADGLOBAL
#define AFUNC_BADLOCAL LWACTIVATE_BADLOCAL
#define AFUNC_BADAPP LWACTIVATE_FAILED /* published as "bad application" */

/* Items, surfaces, points and polygons are known by opaque pointer-sized handles: never
 * dereference one, do arithmetic on it or keep it in fewer bits; null means none. A handle is
 * valid until the scene is replaced (items also until the host renumbers them). */
typedef void* LWItemID;
#define LWITEM_NULL ((LWItemID)0)
typedef void* LWSurfaceID;
typedef struct st_LWPntHandle* LWPntID;
typedef struct st_LWPolHandle* LWPolID;
typedef struct st_LWNodeEditor* NodeEditorID; /* a node editor and its graph */

/* Vectors and matrices as the host publishes them. */
typedef float LWFVector[3];
typedef double LWDVector[3];
typedef float LWFMatrix3[3][3];
typedef float LWFMatrix4[4][4];
typedef double LWDMatrix3[3][3];
typedef double LWDMatrix4[4][4];

typedef double LWTime;
typedef int LWFrame;

#ifdef __cplusplus
}
#endif

#endif
