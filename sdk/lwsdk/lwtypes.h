/* Basic types shared by the host and its plug-in modules. C only. */
#ifndef LWSDK_LWTYPES_H
#define LWSDK_LWTYPES_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The host's global function: returns the record published under a name, or null.
 * The use code says what the caller does with it (LWGLOBAL_*). */
typedef void* (*LWGlobalFunc)(const char* serviceName, int useMode);

#define LWGLOBAL_READ 0    /* read once; no acquisition is counted */
#define LWGLOBAL_ACQUIRE 1 /* acquire; the caller releases it later */
#define LWGLOBAL_RELEASE 2 /* release an earlier acquisition */

/* A server's activate function: (version, global function, local record, server data). */
typedef int (*LWActivateFunc)(int version, LWGlobalFunc global, void* local, void* serverData);

#define LWACTIVATE_OK 0         /* the server filled its local record */
#define LWACTIVATE_BADVERSION 1 /* the version asked for is outside the server's range */
#define LWACTIVATE_BADGLOBAL 2  /* a global the server needs is missing */
#define LWACTIVATE_BADLOCAL 3   /* the local record is unusable */
#define LWACTIVATE_FAILED 4     /* the server failed (a reported exception) */

/* Item identifiers fit in 32 bits; 0 means no item. */
typedef uint32_t LWItemID;
#define LWITEM_NULL ((LWItemID)0)

typedef double LWTime;
typedef int LWFrame;

#ifdef __cplusplus
}
#endif

#endif
