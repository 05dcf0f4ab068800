/* "Global" servers: globals that plug-ins offer to every other plug-in. C only.
 *
 * When a plug-in asks the global function for a name the host does not publish itself, the host
 * activates the loaded "Global" server of that name with a global-service record as its local
 * record, and hands out the data pointer the server wrote (null: the global is missing). The host
 * may activate the server again for every request. */
#ifndef LWSDK_LWGLOBSRV_H
#define LWSDK_LWGLOBSRV_H

#ifdef __cplusplus
extern "C" {
#endif

#define LWGLOBALSRV_CLASS "Global"
#define LWGLOBALSRV_VERSION 1 /* the version the host asks for */

typedef struct st_LWGlobalService {
    const char* id; /* in: the name asked for */
    void* data;     /* out: the global's record, or null */
} st_LWGlobalService;

#ifdef __cplusplus
}
#endif

#endif
