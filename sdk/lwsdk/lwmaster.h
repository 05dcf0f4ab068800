/* "MasterHandler": scene-wide plug-ins that hear the host's events. C only. */
#ifndef LWSDK_LWMASTER_H
#define LWSDK_LWMASTER_H

#include "lwhandler.h"

#ifdef __cplusplus
extern "C" {
#endif

#define LWMASTER_HCLASS "MasterHandler"
#define LWMASTER_ICLASS "MasterInterface"
#define LWMASTER_VERSION 4

/* Master types. */
#define LWMTYPE_SCENE 0 /* belongs to the scene */

/* Event codes of st_LWMasterAccess. */
#define LWMEVENT_NOTHING 0
#define LWMEVENT_COMMAND 1          /* eventData: the command line the host ran */
#define LWMEVENT_RENDER_START 0x111 /* a render is about to start */
#define LWMEVENT_RENDER_DONE 0x112  /* the render has ended (finished or stopped) */

/* Bits of flags(). */
#define LWMFLAG_LAYOUT 1u        /* wants Layout's events */
#define LWMFLAG_NOTIFICATIONS 2u /* wants render start and done (0x111, 0x112) */

typedef struct st_LWMasterAccess {
    int eventCode;                                    /* LWMEVENT_* */
    void* eventData;                                  /* per event */
    void* data;                                       /* first argument of evaluate */
    int (*evaluate)(void* data, const char* command); /* runs a command line (LWCMD_*) */
} st_LWMasterAccess;

typedef struct st_LWMasterHandler {
    st_LWInstanceFuncs* inst; /* filled by the server; may be null */
    st_LWItemFuncs* item;     /* filled by the server; may be null */
    int type;                 /* LWMTYPE_* */
    double (*event)(LWInstance inst, const st_LWMasterAccess* access); /* host events */
    unsigned (*flags)(LWInstance inst);                                /* LWMFLAG_* */
} st_LWMasterHandler;

#ifdef __cplusplus
}
#endif

#endif
