/* "Surface Functions 3": the scene's surfaces and their shading settings. C only.
 *
 * A surface belongs to an object file: the polygons of every object loaded from that file (its
 * clones included) that carry the surface's name share it, so two objects may each have a
 * surface of the same name. A surface ID is a handle, never null and never reused within a
 * run of the host, so an ID kept across a scene change answers nothing rather than another
 * surface. Surfaces are listed in scene order: by object, then in order of first use.
 *
 * ID arrays returned end with a null entry and stay valid until the scene is edited or
 * replaced.
 *
 * The layout follows the one hosts 9 to 11 publish as "Surface Functions 4" (no copy published
 * under this record's own name was at hand). It ends after getNodeEditor: nothing here uses the
 * members after it. Shading settings are read by name (SURF_*). */
#ifndef LWSDK_LWSURFACE_H
#define LWSDK_LWSURFACE_H

#include "lwchannel.h"
#include "lwtypes.h"

#ifdef __cplusplus
extern "C" {
#endif

#define LWSURFACEFUNCS_GLOBAL "Surface Functions 3"

typedef struct st_LWTexture* LWTextureID; /* a texture layer stack */
typedef struct st_LWImage* LWImageID;     /* an image */
typedef struct st_LWSurfLib* LWSurfLibID; /* a surface library */

/* Shading settings by name. getFlt reads them as doubles: SURF_COLR three (red, green, blue),
 * every other one a single value. Levels are fractions (1.0 = 100%). */
#define SURF_COLR "BaseColor"            /* surface colour */
#define SURF_LUMI "Luminosity"           /* luminosity level */
#define SURF_DIFF "Diffuse"              /* diffuse level */
#define SURF_SPEC "Specularity"          /* specular level */
#define SURF_REFL "Reflectivity"         /* reflection (mirror) level */
#define SURF_TRAN "Transparency"         /* transparency level */
#define SURF_TRNL "Translucency"         /* translucency level */
#define SURF_RIND "IOR"                  /* index of refraction */
#define SURF_GLOS "Glossiness"           /* glossiness of the specular highlight */
#define SURF_SHRP "DiffuseSharpness"     /* diffuse sharpness */
#define SURF_RBLR "ReflectionBlurring"   /* reflection blur */
#define SURF_TBLR "RefractionBlurring"   /* refraction blur */
#define SURF_CLRF "ColorFilter"          /* colour-filter level */
#define SURF_CLRH "ColorHighlights"      /* colour-highlights level */
#define SURF_ADTR "AdditiveTransparency" /* additive transparency */

/* Members this host does not support (creating surfaces, envelopes, textures, images, vertex
 * colour maps, libraries) answer null or 0 and change nothing. */
typedef struct st_LWSurfaceFuncs {
    /* A new surface on the object: unsupported, null. */
    LWSurfaceID (*create)(const char* objectName, const char* surfaceName);
    LWSurfaceID (*first)(void);               /* first surface of the scene, or 0 */
    LWSurfaceID (*next)(LWSurfaceID surface); /* the surface after it, or 0 */
    /* Surfaces named name, of the object file objectName (null: of any object). */
    LWSurfaceID* (*byName)(const char* name, const char* objectName);
    /* Surfaces of the object file objectName, in order. */
    LWSurfaceID* (*byObject)(const char* objectName);
    const char* (*name)(LWSurfaceID surface);        /* the surface's name; null when unknown */
    const char* (*sceneObject)(LWSurfaceID surface); /* its object's file name; null when unknown */
    int (*getInt)(LWSurfaceID surface, const char* channel); /* no integer settings here: 0 */
    /* The setting's values (see SURF_*), valid until the scene is edited or replaced; null for
     * an unknown surface or name. */
    double* (*getFlt)(LWSurfaceID surface, const char* channel);
    LWEnvelopeID (*getEnv)(LWSurfaceID surface, const char* channel);
    LWTextureID (*getTex)(LWSurfaceID surface, const char* channel);
    LWImageID (*getImg)(LWSurfaceID surface, const char* channel);
    LWChanGroupID (*chanGrp)(LWSurfaceID surface);
    const char* (*getColorVMap)(LWSurfaceID surface);
    void (*setColorVMap)(LWSurfaceID surface, const char* vmapName, int type);
    LWSurfLibID (*createLib)(void);
    void (*destroyLib)(LWSurfLibID library);
    void (*copyLib)(LWSurfLibID to, LWSurfLibID from);
    LWSurfLibID (*objectLib)(const char* objectName);
    LWSurfLibID (*loadLib)(const char* fileName);
    LWError (*saveLib)(LWSurfLibID library, const char* fileName); /* always an error here */
    int (*slibCount)(LWSurfLibID library);
    LWSurfaceID (*slibByIndex)(LWSurfLibID library, int index);
    /* The surface's own node editor, a handle for "NodeEditorFuncs"; null when the surface has
     * none. */
    NodeEditorID (*getNodeEditor)(LWSurfaceID surface);
} st_LWSurfaceFuncs;

#ifdef __cplusplus
}
#endif

#endif
