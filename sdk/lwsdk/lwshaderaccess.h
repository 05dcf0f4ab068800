/* The per-sample records of rendering: the shader access record a surface shader receives and
 * the nodal access record node evaluation receives; the illumination and ray-tracing functions
 * they carry; the sample flags. C only.
 *
 * Both records only ever grew by appending members, so each host version hands out a prefix of
 * the newest layout. The shader record comes in three lengths, by the version the shader class
 * is activated with (lwshader.h):
 *   st_LWShaderAccess    version 4 (hosts up to 9.4): members sx .. refractionBlur (44)
 *   st_LWShaderAccess95  version 5 (host 9.5):        ... rayTraceMode .. render (63)
 *   st_LWShaderAccess96  version 6 (9.6 onward):      ... getVal .. getSample1D (70, all)
 * The nodal record comes in the same three names:
 *   LWNodalAccess_t      hosts up to 9.4: members sx .. setVal (43)
 *   LWNodalAccess95_t    host 9.5: the same 43 members
 *   LWNodalAccess96_t    9.6 onward: ... outsiz .. getSample1D (50, all)
 * Every longer layout starts with the shorter one as its first member (`base`), so a pointer to
 * any layout may be used as a pointer to a shorter one. A plug-in reads no member past the end
 * of the layout of the version it was activated with.
 *
 * Vectors are world coordinates unless named otherwise; normals and directions are unit length.
 * Colours are linear RGB, 1.0 being full intensity. Levels are fractions (1.0 = 100%). */
#ifndef LWSDK_LWSHADERACCESS_H
#define LWSDK_LWSHADERACCESS_H

#include "lwobject.h"
#include "lwshader.h"
#include "lwtypes.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- opaque render state ----------------------------------------------------------------- */

/* The host's state of the sample being rendered; handed back to the functions that take it. */
typedef void* LWRenderData;
/* State of the host's random number stream for this sample. */
typedef void* RandomFloatData;
/* An instance of an item, when instancing shades one; null otherwise. */
typedef void* LWItemInstanceID;
/* The host's sample pattern state for this sample. */
typedef void* LWSamplerState;
/* A prepared ray (direction, eta, mode), filled by rayTraceData, consumed by rayTraceShade. */
typedef struct st_LWRayTraceData LWRayTraceData;
/* Original vertex indexes of the shaded polygon. */
typedef struct st_LWVertexIndexes LWVertexIndexes;

/* ---- illumination ------------------------------------------------------------------------ */

/* Light arriving at a point. The first argument of each function is the light's item ID.
 * The plain forms write the unit direction from the point towards the light into dir and the
 * light's colour at the point (intensity, falloff and shadows applied) into colour[0..2]; they
 * return 1 when the light reaches the point and 0 when it does not (colour then black).
 * The normal forms take the sample's render data (the record's render member) and the shading
 * normal, and count only light arriving on the normal's side. The sample forms hand every
 * light sample they take (several for lights with an area) to the callback, colour[3] being
 * the sample's weight, and return the fraction of the light that reached the point. */
typedef int LightSampleFunc(void* data, LWItemID light, const LWDVector dir,
                            const double colour[4]);
typedef int LWIlluminateFunc(LWItemID light, const LWDVector position, LWDVector dir,
                             LWDVector colour);
typedef int LWIlluminateNormalFunc(LWItemID light, LWRenderData rd, const LWDVector position,
                                   LWDVector dir, const LWDVector normal, LWDVector colour);
typedef double LWIlluminateSampleFunc(LWItemID light, const LWDVector position, LWDVector dir,
                                      LightSampleFunc* sampler, void* data);
typedef double LWIlluminateSampleNormalFunc(LWItemID light, LWRenderData rd,
                                            const LWDVector position, const LWDVector normal,
                                            LightSampleFunc* sampler, void* data);

/* ---- ray tracing ------------------------------------------------------------------------- */

struct st_LWShaderAccess;

/* Fires a ray from position along direction (unit) and writes the colour seen into
 * colour[0..2]; returns the distance to what it hit, or -1 for a miss (colour: the backdrop).
 * The host shades the hit on the calling thread, so a shader or node graph may be entered again
 * from inside its own evaluation. */
typedef double LWRayTraceFunc(const LWDVector position, const LWDVector direction,
                              LWDVector colour);
/* The distance to the first surface along the ray, or -1 for a miss; nothing is shaded. */
typedef double LWRayCastFunc(const LWDVector position, const LWDVector direction);
/* Like LWRayTraceFunc, but fills the shader access record of the hit instead of a colour
 * (untouched on a miss). The host fills as much of it as the caller's version allows. */
typedef double LWRayShadeFunc(const LWDVector position, const LWDVector direction,
                              struct st_LWShaderAccess* hit);
/* Like LWRayTraceFunc, for a ray of the given kind (RTMODE_*); eta is the refraction index
 * the ray travels in. */
typedef double LWRayTraceModeFunc(const LWDVector position, const LWDVector direction,
                                  LWDVector colour, const double eta, const int rtmode);
#define RTMODE_DISTANCE 0
#define RTMODE_REFLECTION 1
#define RTMODE_REFRACTION 2
#define RTMODE_DISSOLVE 3
#define RTMODE_SHADOW 4
#define RTMODE_OCCLUSION 5
#define RTMODE_BACKDROP 6

typedef void LWRayTraceDataFunc(LWRenderData rd, const LWDVector position,
                                const LWDVector direction, const double eta, const int rtmode,
                                LWRayTraceData* ray);
typedef double LWRayTraceShadeFunc(LWRenderData rd, LWRayTraceData* ray, LWDVector colour);

/* ---- other per-sample services ----------------------------------------------------------- */

typedef float LWRandomFloatFunc(RandomFloatData data);
/* Reads and writes the render buffer `type` at this sample, `num` values. */
typedef void LWBufferGetValFunc(LWRenderData rd, int type, int num, double* values);
typedef void LWBufferSetValFunc(LWRenderData rd, int type, int num, const double* values);
typedef unsigned int LWGetSamplerRangeFunc(LWSamplerState state);
typedef void LWGetSample2DFunc(LWSamplerState state, unsigned int index, float sample[2]);
typedef float LWGetSample1DFunc(LWSamplerState state, unsigned int index);

/* ---- sample flags (the flags member) ----------------------------------------------------- */

#define LWRT_SHADOW (1 << 0)           /* a shadow ray on its way to a light (sourceID) */
#define LWRT_PREVIEW (1 << 1)          /* a preview render, not the final one */
#define LWRT_POLYSIDE (1 << 2)         /* the ray met the polygon's back */
#define LWRT_SAMPLEDRAY (1 << 3)       /* a ray sampling an area (blur, soft light) */
#define LWRT_PREPROCESS (1 << 4)       /* shaded before the render proper */
#define LWRT_EXITING (1 << 5)          /* a refracted ray leaving the object */
#define LWRT_DOUBLESIDED (1 << 6)      /* the polygon is double-sided */
#define LWRT_FRAME_PREPROCESS (1 << 7) /* shaded while preparing the frame */
#define LWRT_RADIOSITY (1 << 8)        /* a radiosity ray */
#define LWRT_CAMERA (1 << 9)           /* reached straight from the camera */

/* ---- the shader access record ------------------------------------------------------------ */

/* Version 4 (hosts up to 9.4); the first member of the later layouts. A shader may write the
 * surface values (color to roughness, translucency to difSharpness, the replacement, blur and,
 * from version 5, shading colours); the rest describe the sample. */
typedef struct st_LWShaderAccess {
    int sx, sy;                    /* image position of the sample, pixels */
    LWDVector oPos;                /* shaded point in the object's own coordinates */
    LWDVector wPos;                /* shaded point */
    LWDVector gNorm;               /* geometric normal of the polygon */
    double spotSize;               /* width of the sample's footprint on the surface */
    LWDVector raySource;           /* start of the ray that hit the point */
    double rayLength;              /* distance from raySource to wPos */
    double cosine;                 /* cosine of the angle between the ray and the normal */
    double oXfrm[9];               /* object to world rotation and scale, row-major 3x3 */
    double wXfrm[9];               /* world to object, row-major 3x3 */
    LWItemID objID;                /* the object being shaded */
    int polNum;                    /* polygon index within the object, from 0; -1 for none */
    LWDVector wNorm;               /* shading normal (bumped); shaders may replace it */
    LWDVector color;               /* surface colour */
    double luminous;               /* luminosity level */
    double diffuse;                /* diffuse level */
    double specular;               /* specular level */
    double mirror;                 /* mirror (reflection) level */
    double transparency;           /* transparency level */
    double eta;                    /* refraction index */
    double roughness;              /* roughness of the specular highlight, > 0 */
    LWIlluminateFunc* illuminate;  /* light at a point */
    LWRayTraceFunc* rayTrace;      /* fires a ray and shades what it hits */
    LWRayCastFunc* rayCast;        /* distance along a ray */
    LWRayShadeFunc* rayShade;      /* fires a ray and returns the hit's shader access record */
    int flags;                     /* LWRT_* */
    int bounces;                   /* reflections and refractions the ray took to get here */
    LWItemID sourceID;             /* item the ray came from: the camera, or a light */
    LWDVector wNorm0;              /* shading normal before bump */
    double bumpHeight;             /* bump displacement at the point */
    double translucency;           /* translucency level */
    double colorHL;                /* colour-highlights level */
    double colorFL;                /* colour-filter level */
    double addTransparency;        /* additive transparency */
    double difSharpness;           /* diffuse sharpness */
    LWPntID verts[4];              /* points of the polygon around the sample; 0 when unused */
    float weights[4];              /* their interpolation weights, summing to 1 */
    float vertsWPos[4][3];         /* their positions */
    LWPolID polygon;               /* the polygon being shaded; 0 for none */
    double replacement_percentage; /* share of the final colour taken from replacement_color */
    LWDVector replacement_color;   /* colour mixed in by replacement_percentage */
    double reflectionBlur;         /* reflection blur */
    double refractionBlur;         /* refraction blur */
} st_LWShaderAccess;

/* Version 5 (host 9.5). */
typedef struct st_LWShaderAccess95 {
    st_LWShaderAccess base;           /* the version 4 members */
    LWRayTraceModeFunc* rayTraceMode; /* fires a ray of a given kind */
    double incomingEta;               /* refraction index the ray arrived through */
    int ResourceContextIndex;         /* index of the render thread, from 0 */
    LWDVector diffuse_shade;          /* diffuse shading colour (light scattered by the surface) */
    LWDVector specular_shade;         /* specular shading colour (highlights) */
    LWDVector refract_shade;          /* refraction shading colour (seen through the surface) */
    LWDVector reflect_shade;          /* reflection shading colour (seen in the surface) */
    LWIlluminateSampleFunc* illuminateSample;             /* light samples at a point */
    RandomFloatData randomData;                           /* random stream of the sample */
    LWRandomFloatFunc* randomFloat;                       /* next number of that stream */
    LWIlluminateNormalFunc* illuminateNormal;             /* light at a point on a normal */
    LWIlluminateSampleNormalFunc* illuminateSampleNormal; /* light samples on a normal */
    double subsx, subsy;                /* position of the sample inside its pixel, 0..1 */
    double bumpDropoff;                 /* bump fading with distance */
    LWDVector rayDir;                   /* direction of the ray that hit the point */
    LWRayTraceDataFunc* rayTraceData;   /* prepares a ray */
    LWRayTraceShadeFunc* rayTraceShade; /* shades a prepared ray */
    LWRenderData render;                /* the sample's render state, for the normal forms */
} st_LWShaderAccess95;

/* Version 6 (hosts 9.6 onward): the whole record. */
typedef struct st_LWShaderAccess96 {
    st_LWShaderAccess95 base;               /* the version 5 members */
    LWBufferGetValFunc* getVal;             /* reads a render buffer at the sample */
    LWBufferSetValFunc* setVal;             /* writes a render buffer at the sample */
    LWItemInstanceID instanceID;            /* instance being shaded, or null */
    LWSamplerState samplerState;            /* the sample pattern's state */
    LWGetSamplerRangeFunc* getSamplerRange; /* samples the pattern offers */
    LWGetSample2DFunc* getSample2D;         /* one 2-D sample of the pattern */
    LWGetSample1DFunc* getSample1D;         /* one 1-D sample of the pattern */
} st_LWShaderAccess96;

/* ---- the nodal access record ------------------------------------------------------------- */

/* What node evaluation sees of the sample: the shader access record's description of the
 * sample, without its surface values. Hosts up to 9.4; the first member of the later layouts.
 * A node may replace the illumination functions for what it evaluates upstream and must
 * restore them before it returns. */
typedef struct LWNodalAccess_t {
    int sx, sy;                   /* image position of the sample, pixels */
    LWDVector oPos;               /* shaded point in the object's own coordinates */
    LWDVector wPos;               /* shaded point */
    LWDVector gNorm;              /* geometric normal of the polygon */
    LWDVector wNorm;              /* shading normal */
    LWDVector wNorm0;             /* shading normal before bump */
    LWDVector raySource;          /* start of the ray that hit the point */
    double rayLength;             /* distance from raySource to wPos */
    double spotSize;              /* width of the sample's footprint on the surface */
    double cosine;                /* cosine of the angle between the ray and the normal */
    double bumpHeight;            /* bump displacement at the point */
    double oXfrm[9];              /* object to world rotation and scale, row-major 3x3 */
    double wXfrm[9];              /* world to object, row-major 3x3 */
    LWIlluminateFunc* illuminate; /* light at a point */
    LWIlluminateSampleFunc* illuminateSample; /* light samples at a point */
    LWRayTraceFunc* rayTrace;                 /* fires a ray and shades what it hits */
    LWRayCastFunc* rayCast;                   /* distance along a ray */
    LWRayShadeFunc* rayShade;         /* fires a ray and returns the hit's shader access record */
    LWRayTraceModeFunc* rayTraceMode; /* fires a ray of a given kind */
    int bounces;                      /* reflections and refractions the ray took to get here */
    LWItemID sourceID;                /* item the ray came from */
    LWItemID objID;                   /* the object being shaded */
    int polNum;                       /* polygon index within the object, from 0; -1 for none */
    LWPntID verts[4];                 /* points of the polygon around the sample; 0 when unused */
    float weights[4];                 /* their interpolation weights, summing to 1 */
    float vertsWPos[4][3];            /* their positions */
    LWPolID polygon;                  /* the polygon being shaded; 0 for none */
    double incomingEta;               /* refraction index the ray arrived through */
    int ResourceContextIndex;         /* index of the render thread, from 0 */
    int flags;                        /* LWRT_* */
    RandomFloatData randomData;       /* random stream of the sample */
    LWRandomFloatFunc* randomFloat;   /* next number of that stream */
    LWIlluminateNormalFunc* illuminateNormal;             /* light at a point on a normal */
    LWIlluminateSampleNormalFunc* illuminateSampleNormal; /* light samples on a normal */
    double subsx, subsy;                /* position of the sample inside its pixel, 0..1 */
    LWDVector rayDir;                   /* direction of the ray that hit the point */
    LWRayTraceDataFunc* rayTraceData;   /* prepares a ray */
    LWRayTraceShadeFunc* rayTraceShade; /* shades a prepared ray */
    LWRenderData render;                /* the sample's render state, for the normal forms */
    LWBufferGetValFunc* getVal;         /* reads a render buffer at the sample */
    LWBufferSetValFunc* setVal;         /* writes a render buffer at the sample */
} LWNodalAccess_t;

/* Host 9.5: the same members. */
typedef struct LWNodalAccess95_t {
    LWNodalAccess_t base; /* the 9.4 members */
} LWNodalAccess95_t;

/* Hosts 9.6 onward: the whole record. */
typedef struct LWNodalAccess96_t {
    LWNodalAccess95_t base;                 /* the 9.5 members */
    int outsiz;                             /* entries of VertexIndexes */
    LWVertexIndexes* VertexIndexes;         /* original vertex indexes, or null */
    LWItemInstanceID instanceID;            /* instance being shaded, or null */
    LWSamplerState samplerState;            /* the sample pattern's state */
    LWGetSamplerRangeFunc* getSamplerRange; /* samples the pattern offers */
    LWGetSample2DFunc* getSample2D;         /* one 2-D sample of the pattern */
    LWGetSample1DFunc* getSample1D;         /* one 1-D sample of the pattern */
} LWNodalAccess96_t;

#ifdef __cplusplus
}
#endif

#endif
