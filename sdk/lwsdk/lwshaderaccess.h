/* The per-sample records of rendering: the shader access record a surface shader receives and
 * the nodal access record node evaluation receives, each in three layouts (hosts 9.3 and 9.4,
 * 9.5, 9.6 onward); the illumination and ray-tracing functions they carry; shader flag bits.
 * C only.
 *
 * Layouts. The 9.3 layout (st_LWShaderAccess, LWNodalAccess_t) is the common prefix of all
 * three: every later layout starts with it as its first member and appends sampling fields, so
 * a pointer to any layout may be used as a pointer to the 9.3 one. A host hands out the layout
 * of its own version.
 *
 * Vectors are world coordinates unless named otherwise; normals and directions are unit length.
 * Colours are linear RGB, 1.0 being full intensity. Levels are fractions (1.0 = 100%). */
#ifndef LWSDK_LWSHADERACCESS_H
#define LWSDK_LWSHADERACCESS_H

#include "lwobject.h"
#include "lwtypes.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- illumination ------------------------------------------------------------------------ */

/* Light arriving at a point. The first argument of each function is the light's item ID.
 * The plain forms write the unit direction from the point towards the light into direction and
 * the light's colour at the point (intensity, falloff and shadows applied) into colour[0..2];
 * they return 1 when the light reaches the point and 0 when it does not (colour then black).
 * The normal forms take the sample's context (the access record's context field) and the
 * shading normal, and count only light arriving on the normal's side. The sample forms hand
 * every light sample they take (several for lights with an area) to callback instead, and
 * return the number of samples that reached the point. */
typedef void LWIlluminationSampleFunc(void* data, LWItemID light, const double direction[3],
                                      const double colour[3]);
typedef int LWIlluminateFunc(LWItemID light, const double position[3], double direction[3],
                             double colour[3]);
typedef int LWIlluminateNormalFunc(LWItemID light, void* context, const double position[3],
                                   double direction[3], const double normal[3], double colour[3]);
typedef int LWIlluminateSampleFunc(LWItemID light, const double position[3], double direction[3],
                                   LWIlluminationSampleFunc* callback, void* data);
typedef int LWIlluminateSampleNormalFunc(LWItemID light, void* context, const double position[3],
                                         const double normal[3], LWIlluminationSampleFunc* callback,
                                         void* data);

/* ---- ray tracing ------------------------------------------------------------------------- */

struct st_LWShaderAccess;

/* Fires a ray from position along direction (unit) and writes the colour seen into
 * colour[0..2]; returns the distance to what it hit, or -1 for a miss (colour: the backdrop).
 * The host shades the hit on the calling thread, so a shader or node graph may be entered again
 * from inside its own evaluation. */
typedef double LWRayTraceFunc(const double position[3], const double direction[3],
                              double colour[3]);
/* The distance to the first surface along the ray, or -1 for a miss; nothing is shaded. */
typedef double LWRayCastFunc(const double position[3], const double direction[3]);
/* Like LWRayTraceFunc, but fills the shader access record of the hit instead of a colour
 * (untouched on a miss). */
typedef double LWRayShadeFunc(const double position[3], const double direction[3],
                              struct st_LWShaderAccess* hit);

/* ---- render flags of a sample (the flags field) ------------------------------------------ */

#define LWSAMPLE_CAMERA 0x1u    /* reached by a camera ray */
#define LWSAMPLE_REFLECTED 0x2u /* reached by a reflected ray */
#define LWSAMPLE_REFRACTED 0x4u /* reached by a refracted ray */
#define LWSAMPLE_PREVIEW 0x10u  /* a preview render, not the final one */

/* Kinds of ray, for the rayType field of the 9.5 layouts. */
#define LWRAY_CAMERA 0
#define LWRAY_REFLECTION 1
#define LWRAY_REFRACTION 2
/* A shadow ray on its way to a light (sourceID) met the sample. Only the colour, transparency
 * and colour filter it leaves count; its sample flags have no ray bit. */
#define LWRAY_SHADOW 3

/* ---- shader flags: what a shader reads or writes (its flags callback) -------------------- */

#define LWSHF_NORMAL 0x1u                /* writes the shading normal */
#define LWSHF_COLOUR 0x2u                /* writes the surface colour */
#define LWSHF_LUMINOSITY 0x4u            /* writes luminosity */
#define LWSHF_DIFFUSE 0x8u               /* writes the diffuse level */
#define LWSHF_SPECULAR 0x10u             /* writes the specular level */
#define LWSHF_MIRROR 0x20u               /* writes the mirror (reflection) level */
#define LWSHF_TRANSPARENCY 0x40u         /* writes transparency; also run for shadow rays */
#define LWSHF_REFRACTION_INDEX 0x80u     /* writes the refraction index */
#define LWSHF_ROUGHNESS 0x100u           /* writes roughness */
#define LWSHF_TRANSLUCENCY 0x200u        /* writes translucency */
#define LWSHF_RAYTRACE 0x400u            /* calls the ray-tracing functions */
#define LWSHF_DIFFUSE_SHADING 0x800u     /* writes the diffuse shading colour */
#define LWSHF_SPECULAR_SHADING 0x1000u   /* writes the specular shading colour */
#define LWSHF_REFRACTION_SHADING 0x2000u /* writes the refraction shading colour */
#define LWSHF_REFLECTION_SHADING 0x4000u /* writes the reflection shading colour */
/* A whole material: transparency, ray tracing and the four shading colours (0x7C40). */
#define LWSHF_MATERIAL                                                                      \
    (LWSHF_TRANSPARENCY | LWSHF_RAYTRACE | LWSHF_DIFFUSE_SHADING | LWSHF_SPECULAR_SHADING | \
     LWSHF_REFRACTION_SHADING | LWSHF_REFLECTION_SHADING)

/* ---- the shader access record ------------------------------------------------------------ */

/* Hosts 9.3 and 9.4; the first member of the later layouts. Fields a shader may write are the
 * surface values from color to reflectionShade; the rest describe the sample. */
typedef struct st_LWShaderAccess {
    double sx, sy;                /* image position of the sample, pixels */
    double oPos[3];               /* shaded point in the object's own coordinates */
    double wPos[3];               /* shaded point */
    double gNorm[3];              /* geometric normal of the polygon */
    double spotSize;              /* width of the sample's footprint on the surface */
    double raySource[3];          /* start of the ray that hit the point */
    double rayLength;             /* distance from raySource to wPos */
    double cosine;                /* cosine of the angle between the ray and the normal */
    double oXfrm[9];              /* object to world rotation and scale, row-major 3x3 */
    double wXfrm[9];              /* world to object, row-major 3x3 */
    LWItemID objID;               /* the object being shaded */
    int polNum;                   /* polygon index within the object, from 0; -1 for none */
    double wNorm[3];              /* shading normal (bumped); shaders may replace it */
    double wNorm0[3];             /* shading normal before bump */
    double bumpHeight;            /* bump displacement at the point */
    double color[3];              /* surface colour */
    double luminous;              /* luminosity level */
    double diffuse;               /* diffuse level */
    double specular;              /* specular level */
    double mirror;                /* mirror (reflection) level */
    double transparency;          /* transparency level */
    double eta;                   /* refraction index */
    double roughness;             /* roughness of the specular highlight, > 0 */
    double translucency;          /* translucency level */
    double colourHighlights;      /* colour-highlights level */
    double colourFilter;          /* colour-filter level */
    double diffuseSharpness;      /* diffuse sharpness */
    double additiveTransparency;  /* additive transparency */
    double reflectionBlur;        /* reflection blur */
    double refractionBlur;        /* refraction blur */
    double replacementPercentage; /* share of the final colour taken from replacementColour */
    double replacementColour[3];  /* colour mixed in by replacementPercentage */
    double diffuseShade[3];       /* diffuse shading colour (light scattered by the surface) */
    double specularShade[3];      /* specular shading colour (highlights) */
    double refractionShade[3];    /* refraction shading colour (seen through the surface) */
    double reflectionShade[3];    /* reflection shading colour (seen in the surface) */
    LWIlluminateFunc* illuminate; /* light at a point */
    LWIlluminateNormalFunc* illuminateNormal;             /* light at a point on a normal */
    LWIlluminateSampleFunc* illuminateSample;             /* light samples at a point */
    LWIlluminateSampleNormalFunc* illuminateSampleNormal; /* light samples on a normal */
    LWRayTraceFunc* rayTrace;                             /* fires a ray and shades what it hits */
    LWRayCastFunc* rayCast;                               /* distance along a ray */
    LWRayShadeFunc* rayShade; /* fires a ray and returns the hit's shader access record */
    void* context;            /* the host's context of this sample; for the normal forms */
    unsigned flags;           /* LWSAMPLE_* */
    int bounces;              /* reflections and refractions the ray took to get here */
    LWItemID sourceID;        /* item the ray came from: the camera, or a light */
    LWPolID polygon;          /* the polygon being shaded; 0 for none */
    LWPntID verts[4];         /* points of the polygon around the sample; 0 when unused */
    float weights[4];         /* their interpolation weights, summing to 1 */
    float vertsWPos[4][3];    /* their positions */
} st_LWShaderAccess;

/* Host 9.5. */
typedef struct st_LWShaderAccess95 {
    st_LWShaderAccess base; /* the 9.3 fields */
    int rayType;            /* LWRAY_* */
    double subPixel[2];     /* position of the sample inside its pixel, 0..1 */
} st_LWShaderAccess95;

/* Hosts 9.6 onward. */
typedef struct st_LWShaderAccess96 {
    st_LWShaderAccess95 base; /* the 9.5 fields */
    double time;              /* moment of the sample within the frame, seconds (motion blur) */
    int sampleIndex;          /* index of the sample within its pixel, from 0 */
} st_LWShaderAccess96;

/* ---- the nodal access record ------------------------------------------------------------- */

/* What node evaluation sees of the sample: the shader access record's description of the
 * sample, without its surface values. Hosts 9.3 and 9.4; the first member of the later
 * layouts. A node may replace the illumination functions for what it evaluates upstream and
 * must restore them before it returns. */
typedef struct LWNodalAccess_t {
    double sx, sy;                /* image position of the sample, pixels */
    double oPos[3];               /* shaded point in the object's own coordinates */
    double wPos[3];               /* shaded point */
    double gNorm[3];              /* geometric normal of the polygon */
    double wNorm[3];              /* shading normal */
    double wNorm0[3];             /* shading normal before bump */
    double raySource[3];          /* start of the ray that hit the point */
    double rayLength;             /* distance from raySource to wPos */
    double spotSize;              /* width of the sample's footprint on the surface */
    double cosine;                /* cosine of the angle between the ray and the normal */
    double bumpHeight;            /* bump displacement at the point */
    double oXfrm[9];              /* object to world rotation and scale, row-major 3x3 */
    double wXfrm[9];              /* world to object, row-major 3x3 */
    double uv[2];                 /* texture coordinates of the sample; 0 when the host has none */
    LWIlluminateFunc* illuminate; /* light at a point */
    LWIlluminateNormalFunc* illuminateNormal;             /* light at a point on a normal */
    LWIlluminateSampleFunc* illuminateSample;             /* light samples at a point */
    LWIlluminateSampleNormalFunc* illuminateSampleNormal; /* light samples on a normal */
    LWRayTraceFunc* rayTrace;                             /* fires a ray and shades what it hits */
    LWRayCastFunc* rayCast;                               /* distance along a ray */
    LWRayShadeFunc* rayShade; /* fires a ray and returns the hit's shader access record */
    void* context;            /* the host's context of this sample; for the normal forms */
    int bounces;              /* reflections and refractions the ray took to get here */
    LWItemID sourceID;        /* item the ray came from */
    LWItemID objID;           /* the object being shaded */
    int polNum;               /* polygon index within the object, from 0; -1 for none */
    LWPolID polygon;          /* the polygon being shaded; 0 for none */
    LWPntID verts[4];         /* points of the polygon around the sample; 0 when unused */
    float weights[4];         /* their interpolation weights, summing to 1 */
    float vertsWPos[4][3];    /* their positions */
    unsigned flags;           /* LWSAMPLE_* */
} LWNodalAccess_t;

/* Host 9.5. */
typedef struct LWNodalAccess95_t {
    LWNodalAccess_t base; /* the 9.3 fields */
    int rayType;          /* LWRAY_* */
    double subPixel[2];   /* position of the sample inside its pixel, 0..1 */
} LWNodalAccess95_t;

/* Hosts 9.6 onward. */
typedef struct LWNodalAccess96_t {
    LWNodalAccess95_t base; /* the 9.5 fields */
    double time;            /* moment of the sample within the frame, seconds */
    int sampleIndex;        /* index of the sample within its pixel, from 0 */
} LWNodalAccess96_t;

#ifdef __cplusplus
}
#endif

#endif
