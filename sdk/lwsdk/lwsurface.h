/* "Surface Functions 3": the scene's surfaces and their shading settings. C only.
 *
 * A surface belongs to an object file: the polygons of every object loaded from that file (its
 * clones included) that carry the surface's name share it, so two objects may each have a
 * surface of the same name. A surface ID is a handle, never null and never reused within a
 * run of the host, so an ID kept across a scene change answers nothing rather than another
 * surface. Surfaces are listed in scene order: by object, then in order of first use.
 *
 * ID arrays returned end with a null entry and stay valid until the scene is edited or
 * replaced. */
#ifndef LWSDK_LWSURFACE_H
#define LWSDK_LWSURFACE_H

#include "lwtypes.h"

#ifdef __cplusplus
extern "C" {
#endif

#define LWSURFACEFUNCS_GLOBAL "Surface Functions 3"

/* Scalar shading settings read with getFlt. Levels are fractions (1.0 = 100%). */
#define LWSURF_LUMINOSITY 0             /* luminosity level */
#define LWSURF_DIFFUSE 1                /* diffuse level */
#define LWSURF_SPECULAR 2               /* specular level */
#define LWSURF_GLOSSINESS 3             /* glossiness of the specular highlight */
#define LWSURF_REFLECTION 4             /* reflection (mirror) level */
#define LWSURF_TRANSPARENCY 5           /* transparency level */
#define LWSURF_REFRACTION_INDEX 6       /* index of refraction */
#define LWSURF_TRANSLUCENCY 7           /* translucency level */
#define LWSURF_COLOUR_HIGHLIGHTS 8      /* colour-highlights level */
#define LWSURF_COLOUR_FILTER 9          /* colour-filter level */
#define LWSURF_DIFFUSE_SHARPNESS 10     /* diffuse sharpness */
#define LWSURF_ADDITIVE_TRANSPARENCY 11 /* additive transparency */
#define LWSURF_REFLECTION_BLURRING 12   /* reflection blur */
#define LWSURF_REFRACTION_BLURRING 13   /* refraction blur */
#define LWSURF_FLOAT_COUNT 14

typedef struct st_LWSurfaceFuncs {
    LWSurfaceID (*first)(void);               /* first surface of the scene, or 0 */
    LWSurfaceID (*next)(LWSurfaceID surface); /* the surface after it, or 0 */
    /* Surfaces named name, of the object file objectName (null: of any object). */
    const LWSurfaceID* (*byName)(const char* name, const char* objectName);
    /* Surfaces of the object file objectName, in order. */
    const LWSurfaceID* (*byObject)(const char* objectName);
    const char* (*name)(LWSurfaceID surface);        /* the surface's name; null when unknown */
    const char* (*sceneObject)(LWSurfaceID surface); /* its object's file name; null when unknown */
    double (*getFlt)(LWSurfaceID surface, int channel); /* LWSURF_*; 0 when unknown */
    /* The surface colour into rgb[0..2]; 1 done, 0 unknown surface (rgb untouched). */
    int (*getColour)(LWSurfaceID surface, double rgb[3]);
    /* The surface's own node editor, a handle for "NodeEditorFuncs"; null when the surface has
     * none. */
    void* (*getNodeEditor)(LWSurfaceID surface);
    /* Name of the shader at position index (from 1) on the surface; null past the last one. */
    const char* (*server)(LWSurfaceID surface, int index);
} st_LWSurfaceFuncs;

#ifdef __cplusplus
}
#endif

#endif
