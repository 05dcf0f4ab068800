/* "ShaderHandler": surface shaders, called for every shading sample. C only.
 * The shader access record, in its layouts per host version, is in lwshaderaccess.h.
 *
 * The host creates one instance per surface carrying the shader. The context passed to create
 * is that surface's LWSurfaceID (lwsurface.h) cast to a pointer: (void*)(uintptr_t)id. It never
 * changes during the instance's life, and since surface IDs are never reused it names no other
 * surface later; compare contexts as pointers, or turn one back with (LWSurfaceID)(uintptr_t).
 * The host activates the class with version 4 on hosts up to 9.4, 5 on 9.5 and 6 from 9.6 on. */
#ifndef LWSDK_LWSHADER_H
#define LWSDK_LWSHADER_H

#include "lwhandler.h"

#ifdef __cplusplus
extern "C" {
#endif

#define LWSHADER_HCLASS "ShaderHandler"
#define LWSHADER_ICLASS "ShaderInterface"

struct st_LWShaderAccess;

typedef struct st_LWShaderHandler {
    st_LWInstanceFuncs* inst; /* filled by the server; may be null */
    st_LWItemFuncs* item;     /* filled by the server; may be null */
    st_LWRenderFuncs* rend;   /* filled by the server; may be null */
    /* Shades one sample; called from render threads at once. */
    void (*evaluate)(LWInstance inst, struct st_LWShaderAccess* access);
    /* Which fields of the access record the shader reads and writes (LWSHF_* bits). */
    unsigned (*flags)(LWInstance inst);
} st_LWShaderHandler;

#ifdef __cplusplus
}
#endif

#endif
