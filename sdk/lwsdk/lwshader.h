/* "ShaderHandler": surface shaders, called for every shading sample. C only.
 * The shader access record, in its layouts per host version, is in lwshaderaccess.h.
 *
 * The host creates one instance per surface carrying the shader. The context passed to create
 * is that surface's LWSurfaceID (lwsurface.h) cast to a pointer: (void*)(uintptr_t)id. It never
 * changes during the instance's life, and since surface IDs are never reused it names no other
 * surface later; compare contexts as pointers, or turn one back with (LWSurfaceID)(uintptr_t).
 * The host activates the class with version 4 on hosts up to 9.4, 5 on 9.5 and 6 from 9.6 on;
 * the version tells how much of the access record the host fills (lwshaderaccess.h). */
#ifndef LWSDK_LWSHADER_H
#define LWSDK_LWSHADER_H

#include "lwhandler.h"

#ifdef __cplusplus
extern "C" {
#endif

#define LWSHADER_HCLASS "ShaderHandler"
#define LWSHADER_ICLASS "ShaderInterface"

/* Shader flags: what a shader reads or writes (its flags callback). */
#define LWSHF_NORMAL (1u << 0)          /* writes the shading normal */
#define LWSHF_COLOUR (1u << 1)          /* writes the surface colour */
#define LWSHF_LUMINOUS (1u << 2)        /* writes luminosity */
#define LWSHF_DIFFUSE (1u << 3)         /* writes the diffuse level */
#define LWSHF_SPECULAR (1u << 4)        /* writes the specular level */
#define LWSHF_MIRROR (1u << 5)          /* writes the mirror (reflection) level */
#define LWSHF_TRANSP (1u << 6)          /* writes transparency; also run for shadow rays */
#define LWSHF_ETA (1u << 7)             /* writes the refraction index */
#define LWSHF_ROUGH (1u << 8)           /* writes roughness */
#define LWSHF_TRANSLUCENT (1u << 9)     /* writes translucency */
#define LWSHF_RAYTRACE (1u << 10)       /* calls the ray-tracing functions */
#define LWSHF_DIFFUSE_SHADE (1u << 11)  /* writes the diffuse shading colour */
#define LWSHF_SPECULAR_SHADE (1u << 12) /* writes the specular shading colour */
#define LWSHF_REFRACT_SHADE (1u << 13)  /* writes the refraction shading colour */
#define LWSHF_REFLECT_SHADE (1u << 14)  /* writes the reflection shading colour */
/* A whole material: transparency, ray tracing and the four shading colours (0x7C40). */
#define LWSHF_MATERIAL                                                            \
    (LWSHF_TRANSP | LWSHF_RAYTRACE | LWSHF_DIFFUSE_SHADE | LWSHF_SPECULAR_SHADE | \
     LWSHF_REFRACT_SHADE | LWSHF_REFLECT_SHADE)

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
