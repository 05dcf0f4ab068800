// One frame's ray-tracing world: the scene's geometry in world space in an Embree scene, its
// lights and camera, its surfaces with their node graphs and shaders; the shading of samples;
// and the illumination and ray-tracing functions handed to shaders in every access record.
//
// Geometry. Every polygon of every object is one or two triangles (quads split along their
// 0-2 diagonal). Polygons are two-sided: a ray that meets a polygon's back sees both normals
// turned towards it. Shading normals are smoothed over the polygons that share a point and
// whose normals lie within 60 degrees of each other; flatter edges stay sharp.
//
// Shading model. A sample's record is filled from the surface's settings; the surface's own
// node graph runs when it is switched on, then each shader on the surface in order. The colour
// is then computed from the record as they left it, with C the surface colour, N the shading
// normal, V the unit vector towards the ray's source, and per light the direction L towards it
// and its colour E (colour x intensity, no falloff, black in shadow) from the record's
// illumination functions (illuminateNormal with N, and with -N for translucency):
//   diffuse shade  D = C * (diffuse * sum(E * max(0, N.L)) + translucency * sum(E * max(0, -N.L)))
//                      (Lambert)
//   specular shade S = specular * sum(E * max(0, N.H)^n) * mix(1, C, colour highlights), over the
//                      lights with N.L > 0, H = normalize(L + V) (Blinn-Phong) and the exponent
//                      n = 2^(1 + 10 g) from the glossiness g = clamp(1 / roughness, 0, 1)
//   reflection R   = the colour seen along V mirrored about N (when mirror > 0)
//   refraction T   = the colour seen through the surface, bent by the refraction index (total
//                    internal reflection mirrors the ray), times mix(1, C, colour filter)
//                    (when transparency > 0)
// Rays that end past the bounce limit, or meet nothing, see the backdrop: black. With m the
// mirror level, t the transparency and a the additive transparency (each clamped to 0..1):
//   colour = (1 - m) (1 - t (1 - a)) (luminosity * C + D) + m R + (1 - m) t T + S
// and finally, with p the replacement percentage clamped to 0..1:
//   colour = (1 - p) colour + p * replacement colour.
// A shading colour that the shaders' flags (or a surface graph's connected "Material") claim is
// taken from the record as they left it, and lit from the surface's values before the graph
// and shaders run so that they start from it; the others are computed from the record after
// them. Diffuse sharpness and the two blurring levels are handed to shaders but not used by the
// host's model. Shadows: each polygon between a point and a light passes the light times its
// surface's transparency and mix(1, C, colour filter). Where the surface's shaders (or its
// graph's "Transparency" or "Material") claim transparency in their flags, the shadow ray is a
// sample of its own (flag LWRT_SHADOW, source the light; no
// shading colours are lit for it) and these values are taken from the record as the graph and
// shaders left it. Shaders running for a shadow ray may ask for light in turn; once
// kMaxShadowShading shadow samples are being shaded inside one another, deeper ones take the
// surfaces' settings instead. Other surfaces' values come from their settings alone.
//
// Pixels. Each pixel averages its camera samples, each clamped to 0..1 first; values are
// linear and become bytes as round(255 v). Its alpha, when asked for, is the share of its
// camera samples that met geometry. One sample sits at the pixel's centre; more follow
// a Hammersley pattern shifted per pixel by a hash of its position, so every pixel's samples
// are fixed whatever thread renders it.
//
// Threads. A built world is only read while rendering. The functions in access records find
// the world through thread-local state that a WorldBinding sets on each render thread; called
// on a thread without one they answer "no light" and "no hit".
#pragma once

#include <lwsdk/lwshader.h>
#include <lwsdk/lwshaderaccess.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "lwhost/scene/scene.h"

namespace lwhost {

class Plugins;
class NodeSystem;
struct NodeGraph;
struct HostIdentity;

// The largest record layout; hosts before 9.6 fill only the part their layout has.
using ShaderRecord = st_LWShaderAccess96;

// Record layout per host version: 4 for 9.3 and 9.4 (and older), 5 for 9.5, 6 from 9.6 on.
int shaderRecordLevel(const HostIdentity& identity);

struct ShaderCall {
    void (*evaluate)(LWInstance, st_LWShaderAccess*) = nullptr;
    LWInstance instance = nullptr;
};

// What a surface contributes to shading, gathered when the world is built.
struct SurfaceShading {
    const Surface* surface = nullptr;
    SurfaceSettings settings;
    const NodeGraph* graph = nullptr;  // the surface's own graph while switched on
    std::vector<ShaderCall> shaders;
    unsigned flags = 0;  // the shaders' flags, or'ed; the graph's "Material" claims materials,
                         // its "Transparency" transparency
};

struct RenderLight {
    LWItemID id = LWITEM_NULL;
    LightKind kind = LightKind::Distant;
    Vec3 colour;    // colour x intensity
    Vec3 position;  // point lights
    Vec3 towards;   // distant lights: unit direction towards the light
};

struct RenderCamera {
    LWItemID id = LWITEM_NULL;
    Vec3 position;
    Vec3 right, up, forward;  // unit axes
    double tanHalf = 0;       // tangent of half the horizontal field of view
};

struct RenderObject {
    LWItemID id = LWITEM_NULL;
    const Mesh* mesh = nullptr;
    double oXfrm[9] = {0};                        // object to world, 3x3
    double wXfrm[9] = {0};                        // world to object, 3x3
    std::vector<Vec3> points;                     // world positions by point
    std::vector<Vec3> normals;                    // world geometric normal by polygon
    std::vector<std::array<Vec3, 4>> corners;     // smoothed normals by polygon corner
    std::vector<uint32_t> trianglePolygon;        // polygon of each Embree triangle
    std::vector<uint8_t> triangleSecond;          // 1: the quad's second triangle (0, 2, 3)
    std::vector<const SurfaceShading*> surfaces;  // by the mesh's surface index
};

// Kinds of ray, kept by the host beside the record (the record has the LWRT_* flags only).
enum RayType : int { RAY_CAMERA = 0, RAY_REFLECTION = 1, RAY_REFRACTION = 2, RAY_SHADOW = 3 };

// A sample in flight: what a shader's ray and illumination calls need of it. The record's
// render member points to it.
struct SampleContext {
    Vec3 facing;          // geometric normal turned towards the ray
    double distance = 0;  // path length from the camera to the point
    int bounces = 0;
    bool inside = false;  // the ray met the polygon's back
    int rayType = RAY_CAMERA;
};

// Image position and timing of a camera sample, carried along its path.
struct PixelSample {
    double sx = 0, sy = 0;      // image position
    double subX = 0, subY = 0;  // position within the pixel
    int index = 0;              // sample within the pixel
};

class RenderWorld {
  public:
    RenderWorld();
    ~RenderWorld();
    RenderWorld(const RenderWorld&) = delete;
    RenderWorld& operator=(const RenderWorld&) = delete;

    struct Settings {
        int width = 640;
        int height = 480;
        int maxBounces = 4;
        int recordLevel = 6;  // shaderRecordLevel
        bool preview = false;
        double time = 0;  // the frame's time, seconds
    };

    // Builds the world from the scene: geometry, lights, the first camera, surfaces with the
    // shaders of `plugins` (may be null) and their flags, surface graphs of `nodes` (may be
    // null). Replaces what was built before. False with `error`.
    bool build(const Scene& scene, Plugins* plugins, NodeSystem* nodes, const Settings& settings,
               std::string& error);

    const Settings& settings() const { return m_settings; }
    const RenderCamera& camera() const { return m_camera; }
    const std::vector<RenderLight>& lights() const { return m_lights; }
    const std::vector<RenderObject>& objects() const { return m_objects; }
    double epsilon() const { return m_epsilon; }

    // The colour of one camera sample (unclamped, linear); `covered`, when given, says whether
    // the ray met geometry rather than the backdrop.
    Vec3 shadeCameraSample(const PixelSample& sample, bool* covered = nullptr) const;
    // Sample position k of n within pixel (x, y), each coordinate in [0, 1).
    static void samplePosition(int x, int y, int k, int n, double& sx, double& sy);

    // ---- used by the functions in access records (render threads) ----
    // Light `id` at `position`; `normal` (may be null) limits it to that side, `context` (may be
    // null) is the sample's, for the shadow ray's start. 1 with direction and colour, or 0.
    int illuminate(LWItemID id, const double position[3], const double* normal,
                   const SampleContext* context, double direction[3], double colour[3]) const;
    // Follows a ray one bounce further than the thread's current sample: its colour (`colour`),
    // or the hit's record filled and shaded by graph and shaders (`record`: the 9.3 part, all
    // that the caller's version promises; its render member is null). Such rays count as reflected.
    // Returns the distance, or -1 for a miss or past the bounce limit (colour black, record
    // untouched).
    double trace(const double position[3], const double direction[3], double colour[3],
                 st_LWShaderAccess* record, int rayType = RAY_REFLECTION) const;
    double cast(const double position[3], const double direction[3]) const;

    // The functions every record carries.
    static LWIlluminateFunc* illuminateFunction();
    static LWIlluminateNormalFunc* illuminateNormalFunction();
    static LWIlluminateSampleFunc* illuminateSampleFunction();
    static LWIlluminateSampleNormalFunc* illuminateSampleNormalFunction();
    static LWRayTraceFunc* rayTraceFunction();
    static LWRayCastFunc* rayCastFunction();
    static LWRayShadeFunc* rayShadeFunction();
    static LWRayTraceModeFunc* rayTraceModeFunction();

    // Rays cast on the calling thread since it was bound.
    static uint64_t threadRays();

  private:
    struct Hit {
        const RenderObject* object = nullptr;
        uint32_t triangle = 0;
        double u = 0, v = 0;  // weights of the triangle's second and third corner
        double t = 0;         // distance along the ray
    };
    // What a shading ray carries: where it starts and its unit direction, the camera sample it
    // serves (never null), the bounces and path length before it, the LWRT_* flags its record
    // gets and its kind (RayType).
    struct Ray {
        Vec3 origin;
        Vec3 direction;
        const PixelSample* pixel = nullptr;
        int bounces = 0;
        unsigned flags = 0;
        int rayType = RAY_CAMERA;
        double distance = 0;
    };
    struct Impl;

    // The parts of build(), in its order.
    bool buildCamera(const Scene& scene, std::string& error);
    void buildLights(const Scene& scene);
    const SurfaceShading* addSurface(const Surface& surface, Plugins* plugins, NodeSystem* nodes);
    bool buildObjects(const Scene& scene, Plugins* plugins, NodeSystem* nodes, std::string& error);
    bool attachGeometry(const RenderObject& object, std::string& error);

    bool intersect(const Vec3& origin, const Vec3& direction, double tnear, Hit& hit,
                   double tfar = HUGE_VAL) const;
    bool occluded(const Vec3& origin, const Vec3& direction, double tnear, double tfar) const;
    // The share of light from `light` that passes between tnear and tfar along the ray, per
    // channel.
    Vec3 transmitted(const Vec3& origin, const Vec3& direction, double tnear, double tfar,
                     LWItemID light) const;
    // Shades the hit of a shadow ray towards `light` on a surface whose shaders claim
    // transparency, for what it lets through: its transparency and colour filter
    // mix(1, C, colour filter). False, leaving both alone, when shadow samples are nested too
    // deeply already.
    bool shadowSample(const Hit& hit, const SurfaceShading& surface, const Vec3& origin,
                      const Vec3& direction, LWItemID light, Vec3& filter,
                      double& transparency) const;
    const SurfaceShading& surfaceOf(const Hit& hit) const;
    void fillRecord(ShaderRecord& record, const Hit& hit, const Ray& ray,
                    SampleContext& context) const;
    void runShaders(ShaderRecord& record, const SurfaceShading& surface) const;
    void computeShades(ShaderRecord& record, const SampleContext& context, const Vec3& direction,
                       unsigned which) const;
    // `met`, when given, says whether the ray met geometry.
    Vec3 shadeRay(const Ray& ray, bool* met = nullptr) const;
    // Shades a hit: graph, shaders, shading colours and the mix; or, with `record`, stops after
    // the shaders and hands the record out.
    Vec3 shadeHit(const Hit& hit, const Ray& ray, st_LWShaderAccess* record) const;

    std::unique_ptr<Impl> m_impl;
    Settings m_settings;
    RenderCamera m_camera;
    std::vector<RenderLight> m_lights;  // sorted by id
    std::vector<RenderObject> m_objects;
    std::vector<std::unique_ptr<SurfaceShading>> m_surfaces;
    double m_epsilon = 1e-4;
    bool m_anyTransparent = false;  // some surface may let light through its shadows
};

// Shadow samples shaded inside one another at most; deeper ones use the surfaces' settings.
constexpr int kMaxShadowShading = 2;

namespace detail {
// What a render thread is doing now, for the functions in the records it hands out.
struct ThreadSample {
    const RenderWorld* world = nullptr;
    const PixelSample* pixel = nullptr;      // the camera sample being shaded
    const SampleContext* context = nullptr;  // the sample whose shaders run now
    int shadowShading = 0;                   // shadow samples being shaded, nested
    uint64_t rays = 0;
};
ThreadSample& threadSample();
// The camera sample being shaded on this thread; outside one, a sample at the image's corner.
const PixelSample& threadPixel();
}  // namespace detail

// Binds a world to the calling thread for as long as it lives; the record functions called on
// that thread use it. Bindings nest.
class WorldBinding {
  public:
    explicit WorldBinding(const RenderWorld& world);
    ~WorldBinding();
    WorldBinding(const WorldBinding&) = delete;
    WorldBinding& operator=(const WorldBinding&) = delete;

  private:
    detail::ThreadSample m_previous;
};

}  // namespace lwhost
