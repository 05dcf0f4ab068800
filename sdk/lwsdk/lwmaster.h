/* "MasterHandler": scene-wide plug-ins that hear the host's events. C only.
 *
 * The access record follows the layout published with LWMASTER_VERSION 4 (both 1999-era
 * headers). Its command functions are those of the "LayoutGeneric" local (lwcommand.h). */
#ifndef LWSDK_LWMASTER_H
#define LWSDK_LWMASTER_H

#include "lwcommand.h"
#include "lwhandler.h"

#ifdef __cplusplus
extern "C" {
#endif

#define LWMASTER_HCLASS "MasterHandler"
#define LWMASTER_ICLASS "MasterInterface"
#define LWMASTER_VERSION 4

/* Master types. */
#define LWMAST_SCENE 0  /* belongs to the scene */
#define LWMAST_LAYOUT 1 /* belongs to Layout, across scenes */

/* Event codes of st_LWMasterAccess. */
#define LWEVNT_NOTHING 0
#define LWEVNT_COMMAND 1                    /* eventData: the command line the host ran */
#define LWEVNT_TIME 2                       /* the current time changed */
#define LWEVNT_SELECT 3                     /* the selection changed */
#define LWEVNT_RENDER_DONE 4                /* a render ended */
#define LWEVNT_NOTIFY_RENDER_STARTING 0x111 /* a render is about to start */
#define LWEVNT_NOTIFY_RENDER_COMPLETE 0x112 /* the render has ended (finished or stopped) */

/* Bits of flags(). */
#define LWMASTF_LAYOUT 1u                /* wants Layout's events */
#define LWMASTF_RECEIVE_NOTIFICATIONS 2u /* wants the notifications (0x100 on) */

typedef struct st_LWMasterAccess {
    int eventCode;   /* LWEVNT_* */
    void* eventData; /* per event */
    void* data;      /* first argument of the functions */
    LWCommandCode (*lookup)(void* data, const char* commandName); /* the command's code, or 0 */
    /* Runs the command with that code (see st_LWLayoutGeneric). */
    int (*execute)(void* data, LWCommandCode code, int argc, const DynaValue* argv,
                   DynaValue* result);
    int (*evaluate)(void* data, const char* command); /* runs a command line (LWCMD_*) */
} st_LWMasterAccess;
typedef struct st_LWMasterAccess LWMasterAccess;

typedef struct st_LWMasterHandler {
    st_LWInstanceFuncs* inst; /* filled by the server; may be null */
    st_LWItemFuncs* item;     /* filled by the server; may be null */
    int type;                 /* LWMAST_* */
    double (*event)(LWInstance inst, const st_LWMasterAccess* access); /* host events */
    unsigned (*flags)(LWInstance inst);                                /* LWMASTF_* */
} st_LWMasterHandler;

#ifdef __cplusplus
}
#endif

#endif
