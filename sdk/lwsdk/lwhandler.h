/* Callback records shared by the handler classes: instance, item and render functions. C only.
 *
 * A server of a handler class fills these records when activated. The host creates instances
 * through them and passes the instance pointer back on every later call. Error results are
 * texts: null means success; a text stays readable until the next call of the same kind. */
#ifndef LWSDK_LWHANDLER_H
#define LWSDK_LWHANDLER_H

#include "lwio.h"
#include "lwtypes.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef void* LWInstance;
typedef const char* LWError;

/* Render modes passed to init. */
#define LWINIT_PREVIEW 0 /* a preview render */
#define LWINIT_RENDER 1  /* a full render */

typedef struct st_LWInstanceFuncs {
    void* priv; /* server data the host passes to create; the server sets it */
    /* Creates an instance for the context (a surface for shaders, the scene for masters). On
     * failure returns null and points *err at a text. */
    LWInstance (*create)(void* priv, void* context, LWError* err);
    void (*destroy)(LWInstance inst);                              /* null is ignored */
    LWError (*copy)(LWInstance to, LWInstance from);               /* same class only */
    LWError (*load)(LWInstance inst, const st_LWLoadState* state); /* reads its blocks */
    LWError (*save)(LWInstance inst, const st_LWSaveState* state); /* writes its blocks */
    const char* (*descln)(LWInstance inst);                        /* one-line description */
} st_LWInstanceFuncs;

typedef struct st_LWItemFuncs {
    /* Item IDs the instance refers to, ended by LWITEM_NULL; valid until the next call. */
    const LWItemID* (*useItems)(LWInstance inst);
    /* The host renumbered items: (old, new) pairs ended by an LWITEM_NULL old ID. */
    void (*changeID)(LWInstance inst, const LWItemID* pairs);
} st_LWItemFuncs;

typedef struct st_LWRenderFuncs {
    LWError (*init)(LWInstance inst, int mode);                      /* LWINIT_*; once per render */
    void (*cleanup)(LWInstance inst);                                /* after the render */
    LWError (*newTime)(LWInstance inst, LWFrame frame, LWTime time); /* per frame, main thread */
} st_LWRenderFuncs;

#ifdef __cplusplus
}
#endif

#endif
