// Building a frame's world (Embree scene, lights, camera, surfaces), ray queries, light at a
// point, and the C functions that access records carry.
#include <embree3/rtcore.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

#include "lwhost/core/identity.h"
#include "lwhost/nodes/nodes.h"
#include "lwhost/plugins/plugins.h"
#include "lwhost/render/render_math.h"
#include "lwhost/render/render_world.h"

namespace lwhost {

using namespace rmath;

namespace {

constexpr double kPi = 3.14159265358979323846;
// Corners whose polygons' normals differ by more than this share no smoothed normal.
const double kSmoothingCosine = std::cos(60.0 * kPi / 180.0);

thread_local detail::ThreadSample t_sample;

// An Embree error while building is kept here for the message.
extern "C" void embreeError(void* user, RTCError, const char* text) {
    if (user && text) *static_cast<std::string*>(user) = text;
}

void upper3x3(const Matrix4& m, double out[9]) {
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) out[r * 3 + c] = m[static_cast<size_t>(r * 4 + c)];
}

// Inverse of a 3x3; the identity when it has none (a scale of 0).
void inverse3x3(const double m[9], double out[9]) {
    const double c00 = m[4] * m[8] - m[5] * m[7];
    const double c01 = m[5] * m[6] - m[3] * m[8];
    const double c02 = m[3] * m[7] - m[4] * m[6];
    const double det = m[0] * c00 + m[1] * c01 + m[2] * c02;
    if (!(std::fabs(det) > 1e-300)) {
        for (int i = 0; i < 9; ++i) out[i] = (i % 4 == 0) ? 1 : 0;
        return;
    }
    const double k = 1.0 / det;
    out[0] = c00 * k;
    out[1] = (m[2] * m[7] - m[1] * m[8]) * k;
    out[2] = (m[1] * m[5] - m[2] * m[4]) * k;
    out[3] = c01 * k;
    out[4] = (m[0] * m[8] - m[2] * m[6]) * k;
    out[5] = (m[2] * m[3] - m[0] * m[5]) * k;
    out[6] = c02 * k;
    out[7] = (m[1] * m[6] - m[0] * m[7]) * k;
    out[8] = (m[0] * m[4] - m[1] * m[3]) * k;
}

// Polygon normals and smoothed corner normals from the world points.
void computeNormals(RenderObject& o) {
    const Mesh& mesh = *o.mesh;
    const size_t polygons = mesh.polygons.size();
    o.normals.assign(polygons, Vec3{0, 1, 0});
    for (size_t p = 0; p < polygons; ++p) {
        const Polygon& poly = mesh.polygons[p];
        const Vec3& a = o.points[poly.points[0]];
        Vec3 n{0, 0, 0};
        // Newell-style sum over the fan keeps quads that are not quite flat well behaved.
        for (int k = 1; k + 1 < poly.size; ++k)
            n += cross(o.points[poly.points[static_cast<size_t>(k)]] - a,
                       o.points[poly.points[static_cast<size_t>(k + 1)]] - a);
        o.normals[p] = unit(n, Vec3{0, 1, 0});
    }
    // Polygons around each point, as offsets into one list.
    std::vector<uint32_t> start(mesh.points.size() + 1, 0);
    for (const Polygon& poly : mesh.polygons)
        for (int k = 0; k < poly.size; ++k) ++start[poly.points[static_cast<size_t>(k)] + 1];
    for (size_t i = 1; i < start.size(); ++i) start[i] += start[i - 1];
    std::vector<uint32_t> around(start.back());
    std::vector<uint32_t> fill(start.begin(), start.end() - 1);
    for (size_t p = 0; p < polygons; ++p) {
        const Polygon& poly = mesh.polygons[p];
        for (int k = 0; k < poly.size; ++k)
            around[fill[poly.points[static_cast<size_t>(k)]]++] = static_cast<uint32_t>(p);
    }
    o.corners.assign(polygons, {});
    for (size_t p = 0; p < polygons; ++p) {
        const Polygon& poly = mesh.polygons[p];
        const Vec3& own = o.normals[p];
        for (int k = 0; k < poly.size; ++k) {
            const uint32_t point = poly.points[static_cast<size_t>(k)];
            Vec3 sum{0, 0, 0};
            for (uint32_t i = start[point]; i < start[point + 1]; ++i) {
                const Vec3& other = o.normals[around[i]];
                if (dot(other, own) >= kSmoothingCosine) sum += other;
            }
            o.corners[p][static_cast<size_t>(k)] = unit(sum, own);
        }
    }
}

bool validPolygon(const Polygon& poly, size_t points) {
    if (poly.size != 3 && poly.size != 4) return false;
    for (int k = 0; k < poly.size; ++k)
        if (poly.points[static_cast<size_t>(k)] >= points) return false;
    return true;
}

// The object in world space: its points and transforms, and the triangles of its valid polygons
// (none yet when it has none). Widens `low` and `high` to hold its points.
RenderObject placedObject(LWItemID id, const Mesh& mesh, const Matrix4& m, Vec3& low, Vec3& high) {
    RenderObject o;
    o.id = id;
    o.mesh = &mesh;
    upper3x3(m, o.oXfrm);
    inverse3x3(o.oXfrm, o.wXfrm);
    o.points.reserve(mesh.points.size());
    for (const Vec3& p : mesh.points) {
        const Vec3 w = transformPoint(m, p);
        o.points.push_back(w);
        low = lower(low, w);
        high = upper(high, w);
    }
    for (size_t p = 0; p < mesh.polygons.size(); ++p) {
        const Polygon& poly = mesh.polygons[p];
        if (!validPolygon(poly, mesh.points.size())) continue;
        o.trianglePolygon.push_back(static_cast<uint32_t>(p));
        o.triangleSecond.push_back(0);
        if (poly.size == 4) {
            o.trianglePolygon.push_back(static_cast<uint32_t>(p));
            o.triangleSecond.push_back(1);
        }
    }
    return o;
}

}  // namespace

namespace detail {
ThreadSample& threadSample() {
    return t_sample;
}
const PixelSample& threadPixel() {
    static const PixelSample kNoPixel;
    return t_sample.pixel ? *t_sample.pixel : kNoPixel;
}
}  // namespace detail

int shaderRecordLevel(const HostIdentity& identity) {
    return shaderHandlerVersion(identity);
}

struct RenderWorld::Impl {
    RTCDevice device = nullptr;
    RTCScene scene = nullptr;
    std::string lastError;

    ~Impl() {
        if (scene) rtcReleaseScene(scene);
        if (device) rtcReleaseDevice(device);
    }
};

RenderWorld::RenderWorld() : m_impl(new Impl) {}
RenderWorld::~RenderWorld() = default;

bool RenderWorld::build(const Scene& scene, Plugins* plugins, NodeSystem* nodes,
                        const Settings& settings, std::string& error) {
    m_settings = settings;
    m_lights.clear();
    m_objects.clear();
    m_surfaces.clear();
    m_camera = RenderCamera();
    m_anyTransparent = false;
    if (m_impl->scene) {
        rtcReleaseScene(m_impl->scene);
        m_impl->scene = nullptr;
    }
    if (!m_impl->device) {
        // Acceleration structures are built on the calling thread: the scenes are small, the
        // render threads are ours, and a build shares no memory with threads we do not know.
        m_impl->device = rtcNewDevice("verbose=0,threads=1");
        if (!m_impl->device) {
            error = "cannot start the ray tracer";
            return false;
        }
        rtcSetDeviceErrorFunction(m_impl->device, &embreeError, &m_impl->lastError);
    }
    if (!buildCamera(scene, error)) return false;
    buildLights(scene);
    return buildObjects(scene, plugins, nodes, error);
}

// The scene's first camera.
bool RenderWorld::buildCamera(const Scene& scene, std::string& error) {
    const LWItemID cameraId = scene.first(ItemType::Camera);
    const Item* cameraItem = scene.item(cameraId);
    if (!cameraItem) {
        error = "the scene has no camera";
        return false;
    }
    const Matrix4 m = scene.worldMatrix(cameraId);
    m_camera.id = cameraId;
    m_camera.position = {m[3], m[7], m[11]};
    m_camera.right = unit(transformDirection(m, {1, 0, 0}), Vec3{1, 0, 0});
    m_camera.up = unit(transformDirection(m, {0, 1, 0}), Vec3{0, 1, 0});
    m_camera.forward = unit(transformDirection(m, {0, 0, 1}), Vec3{0, 0, 1});
    double fov = cameraItem->camera.fieldOfView;
    if (!std::isfinite(fov)) fov = 50;
    fov = std::max(0.1, std::min(fov, 179.0));
    m_camera.tanHalf = std::tan(fov * kPi / 360.0);
    return true;
}

// The lights, sorted by ID for lookups from render threads.
void RenderWorld::buildLights(const Scene& scene) {
    for (LWItemID id = scene.first(ItemType::Light); id != LWITEM_NULL; id = scene.next(id)) {
        const Item* item = scene.item(id);
        if (!item) continue;
        const Matrix4 m = scene.worldMatrix(id);
        RenderLight light;
        light.id = id;
        light.kind = item->light.kind;
        light.colour = item->light.colour * item->light.intensity;
        light.position = {m[3], m[7], m[11]};
        light.towards = -unit(transformDirection(m, {0, 0, 1}), Vec3{0, 0, 1});
        m_lights.push_back(light);
    }
    std::sort(m_lights.begin(), m_lights.end(),
              [](const RenderLight& a, const RenderLight& b) { return a.id < b.id; });
}

// A scene surface as shading sees it: its settings, its own graph while switched on, the
// shaders of `plugins` on it and the flags they claim.
const SurfaceShading* RenderWorld::addSurface(const Surface& surface, Plugins* plugins,
                                              NodeSystem* nodes) {
    auto s = std::make_unique<SurfaceShading>();
    s->surface = &surface;
    s->settings = surface.settings;
    if (nodes && surface.nodes.enabled && surface.nodes.data.instance) {
        NodeGraph* graph = nodes->editor(static_cast<NodeEditorID>(surface.nodes.data.instance));
        if (graph && graph->enabled()) {
            s->graph = graph;
            const GraphInput* material = graph->rootInput("Material");
            if (material && material->source) s->flags |= LWSHF_MATERIAL;
            const GraphInput* transparency = graph->rootInput("Transparency");
            if (transparency && transparency->source) s->flags |= LWSHF_TRANSP;
        }
    }
    for (const ShaderSlot& slot : surface.shaders) {
        if (!plugins || !plugins->alive(slot.data.instance)) continue;
        const HandlerServer* server = plugins->serverOf(slot.data.instance);
        if (!server || server->kind != PluginKind::Shader || !server->shader.evaluate) continue;
        s->shaders.push_back(ShaderCall{server->shader.evaluate, slot.data.instance});
        if (server->shader.flags) s->flags |= server->shader.flags(slot.data.instance);
    }
    if (s->settings.get(LWSURF_TRANSPARENCY) > 0 || (s->flags & LWSHF_TRANSP))
        m_anyTransparent = true;
    return m_surfaces.emplace_back(std::move(s)).get();
}

// The objects: world-space geometry, one Embree triangle mesh each. A surface gets its shading
// record when the first object that has it is placed.
bool RenderWorld::buildObjects(const Scene& scene, Plugins* plugins, NodeSystem* nodes,
                               std::string& error) {
    std::map<const Surface*, const SurfaceShading*> shadingOf;
    const SurfaceShading* fallback = m_surfaces.emplace_back(new SurfaceShading).get();
    auto shading = [&](const Surface* surface) -> const SurfaceShading* {
        if (!surface) return fallback;
        auto found = shadingOf.find(surface);
        if (found != shadingOf.end()) return found->second;
        const SurfaceShading* made = addSurface(*surface, plugins, nodes);
        shadingOf.emplace(surface, made);
        return made;
    };

    m_impl->lastError.clear();
    m_impl->scene = rtcNewScene(m_impl->device);
    if (!m_impl->scene) {
        error = "cannot build the ray-tracing scene: " + m_impl->lastError;
        return false;
    }
    Vec3 low{std::numeric_limits<double>::max(), std::numeric_limits<double>::max(),
             std::numeric_limits<double>::max()};
    Vec3 high = -low;
    m_objects.reserve(scene.objectCount());
    for (size_t i = 0; i < scene.objectCount(); ++i) {
        const LWItemID id = scene.objectAt(i);
        const Item* item = scene.item(id);
        if (!item || item->isNull() || item->object.mesh.polygons.empty()) continue;
        const Mesh& mesh = item->object.mesh;
        RenderObject o = placedObject(id, mesh, scene.worldMatrix(id), low, high);
        if (o.trianglePolygon.empty()) continue;
        computeNormals(o);
        o.surfaces.resize(mesh.surfaces.size(), fallback);
        for (size_t s = 0; s < mesh.surfaces.size(); ++s)
            o.surfaces[s] = shading(scene.findSurface(mesh.surfaces[s], item->object.fileName));
        if (!attachGeometry(o, error)) return false;
        m_objects.push_back(std::move(o));
    }
    rtcCommitScene(m_impl->scene);
    if (!m_impl->lastError.empty()) {
        error = "cannot build the ray-tracing scene: " + m_impl->lastError;
        return false;
    }
    // Rays start this far from the surface they leave; scaled to the scene's size.
    const double extent = m_objects.empty() ? 1.0 : length(high - low);
    m_epsilon = std::max(1e-6, 1e-5 * (std::isfinite(extent) ? extent : 1.0));
    return true;
}

// The object's triangles as the next geometry of the Embree scene, its ID the object's index.
bool RenderWorld::attachGeometry(const RenderObject& o, std::string& error) {
    const Mesh& mesh = *o.mesh;
    RTCGeometry geometry = rtcNewGeometry(m_impl->device, RTC_GEOMETRY_TYPE_TRIANGLE);
    if (!geometry) {
        error = "cannot build the ray-tracing scene: " + m_impl->lastError;
        return false;
    }
    auto* vertices = static_cast<float*>(
        rtcSetNewGeometryBuffer(geometry, RTC_BUFFER_TYPE_VERTEX, 0, RTC_FORMAT_FLOAT3,
                                3 * sizeof(float), o.points.size()));
    auto* indices = static_cast<unsigned*>(
        rtcSetNewGeometryBuffer(geometry, RTC_BUFFER_TYPE_INDEX, 0, RTC_FORMAT_UINT3,
                                3 * sizeof(unsigned), o.trianglePolygon.size()));
    if (!vertices || !indices) {
        rtcReleaseGeometry(geometry);
        error = "cannot build the ray-tracing scene: " + m_impl->lastError;
        return false;
    }
    for (size_t p = 0; p < o.points.size(); ++p) {
        vertices[p * 3 + 0] = static_cast<float>(o.points[p].x);
        vertices[p * 3 + 1] = static_cast<float>(o.points[p].y);
        vertices[p * 3 + 2] = static_cast<float>(o.points[p].z);
    }
    for (size_t t = 0; t < o.trianglePolygon.size(); ++t) {
        const Polygon& poly = mesh.polygons[o.trianglePolygon[t]];
        const bool second = o.triangleSecond[t] != 0;
        indices[t * 3 + 0] = poly.points[0];
        indices[t * 3 + 1] = poly.points[second ? 2 : 1];
        indices[t * 3 + 2] = poly.points[second ? 3 : 2];
    }
    rtcCommitGeometry(geometry);
    rtcAttachGeometryByID(m_impl->scene, geometry, static_cast<unsigned>(m_objects.size()));
    rtcReleaseGeometry(geometry);
    return true;
}

// ---- ray queries ---------------------------------------------------------------------------

bool RenderWorld::intersect(const Vec3& origin, const Vec3& direction, double tnear, Hit& hit,
                            double tfar) const {
    ++t_sample.rays;
    if (!m_impl->scene) return false;
    RTCIntersectContext context;
    rtcInitIntersectContext(&context);
    RTCRayHit rh;
    rh.ray.org_x = static_cast<float>(origin.x);
    rh.ray.org_y = static_cast<float>(origin.y);
    rh.ray.org_z = static_cast<float>(origin.z);
    rh.ray.dir_x = static_cast<float>(direction.x);
    rh.ray.dir_y = static_cast<float>(direction.y);
    rh.ray.dir_z = static_cast<float>(direction.z);
    rh.ray.tnear = static_cast<float>(tnear);
    rh.ray.tfar =
        std::isfinite(tfar) ? static_cast<float>(tfar) : std::numeric_limits<float>::infinity();
    if (!(rh.ray.tfar > rh.ray.tnear)) return false;
    rh.ray.time = 0;
    rh.ray.mask = 0xFFFFFFFFu;
    rh.ray.id = 0;
    rh.ray.flags = 0;
    rh.hit.geomID = RTC_INVALID_GEOMETRY_ID;
    rh.hit.primID = RTC_INVALID_GEOMETRY_ID;
    rh.hit.instID[0] = RTC_INVALID_GEOMETRY_ID;
    rtcIntersect1(m_impl->scene, &context, &rh);
    if (rh.hit.geomID == RTC_INVALID_GEOMETRY_ID || rh.hit.geomID >= m_objects.size()) return false;
    const RenderObject& object = m_objects[rh.hit.geomID];
    if (rh.hit.primID >= object.trianglePolygon.size()) return false;
    hit.object = &object;
    hit.triangle = rh.hit.primID;
    hit.u = rh.hit.u;
    hit.v = rh.hit.v;
    hit.t = rh.ray.tfar;
    return true;
}

bool RenderWorld::occluded(const Vec3& origin, const Vec3& direction, double tnear,
                           double tfar) const {
    ++t_sample.rays;
    if (!m_impl->scene || !(tfar > tnear)) return false;
    RTCIntersectContext context;
    rtcInitIntersectContext(&context);
    RTCRay ray;
    ray.org_x = static_cast<float>(origin.x);
    ray.org_y = static_cast<float>(origin.y);
    ray.org_z = static_cast<float>(origin.z);
    ray.dir_x = static_cast<float>(direction.x);
    ray.dir_y = static_cast<float>(direction.y);
    ray.dir_z = static_cast<float>(direction.z);
    ray.tnear = static_cast<float>(tnear);
    ray.tfar =
        std::isfinite(tfar) ? static_cast<float>(tfar) : std::numeric_limits<float>::infinity();
    ray.time = 0;
    ray.mask = 0xFFFFFFFFu;
    ray.id = 0;
    ray.flags = 0;
    rtcOccluded1(m_impl->scene, &context, &ray);
    return ray.tfar == -std::numeric_limits<float>::infinity();
}

const SurfaceShading& RenderWorld::surfaceOf(const Hit& hit) const {
    const RenderObject& object = *hit.object;
    const Polygon& polygon = object.mesh->polygons[object.trianglePolygon[hit.triangle]];
    return *object.surfaces[polygon.surface < object.surfaces.size() ? polygon.surface : 0];
}

Vec3 RenderWorld::transmitted(const Vec3& origin, const Vec3& direction, double tnear, double tfar,
                              LWItemID light) const {
    // Most shadow rays meet nothing: the cheap query answers them.
    if (!occluded(origin, direction, tnear, tfar)) return Vec3{1, 1, 1};
    if (!m_anyTransparent) return Vec3{};
    constexpr int kMaxLayers = 16;
    constexpr double kDark = 1.0 / 512;
    Vec3 pass{1, 1, 1};
    double start = tnear;
    for (int layer = 0; layer < kMaxLayers; ++layer) {
        Hit hit;
        if (!intersect(origin, direction, start, hit, tfar)) return pass;
        const SurfaceShading& surface = surfaceOf(hit);
        Vec3 filter;
        double t = 0;
        if (!(surface.flags & LWSHF_TRANSP) ||
            !shadowSample(hit, surface, origin, direction, light, filter, t)) {
            const SurfaceSettings& s = surface.settings;
            t = clamp01(s.get(LWSURF_TRANSPARENCY));
            filter = mix(Vec3{1, 1, 1}, s.colour, clamp01(s.get(LWSURF_COLOUR_FILTER)));
        }
        pass = pass * filter * t;
        if (largest(pass) < kDark) return Vec3{};
        start = hit.t + m_epsilon;
    }
    return Vec3{};
}

// ---- light at a point ----------------------------------------------------------------------

int RenderWorld::illuminate(LWItemID id, const double position[3], const double* normal,
                            const SampleContext* context, double direction[3],
                            double colour[3]) const {
    colour[0] = colour[1] = colour[2] = 0;
    auto found = std::lower_bound(m_lights.begin(), m_lights.end(), id,
                                  [](const RenderLight& l, LWItemID key) { return l.id < key; });
    if (found == m_lights.end() || found->id != id) return 0;
    const RenderLight& light = *found;
    const Vec3 p = vec(position);
    Vec3 towards;
    double distance = std::numeric_limits<double>::infinity();
    if (light.kind == LightKind::Distant) {
        towards = light.towards;
    } else {
        const Vec3 d = light.position - p;
        distance = length(d);
        if (!(distance > 0) || !std::isfinite(distance)) return 0;
        towards = d * (1.0 / distance);
    }
    store(towards, direction);
    if (normal && !(dot(vec(normal), towards) > 0)) return 0;
    // The shadow ray leaves from the side of the surface that faces the light.
    Vec3 origin = p;
    if (context) {
        const double side = dot(context->facing, towards) >= 0 ? 1.0 : -1.0;
        origin = p + context->facing * (side * m_epsilon);
    }
    const Vec3 pass = transmitted(origin, towards, m_epsilon, distance - m_epsilon, id);
    if (pass == Vec3{}) return 0;
    store(light.colour * pass, colour);
    return 1;
}

// ---- rays fired by shaders -----------------------------------------------------------------

double RenderWorld::cast(const double position[3], const double direction[3]) const {
    const Vec3 d = unit(vec(direction));
    if (d == Vec3{0, 0, 0}) return -1;
    Hit hit;
    return intersect(vec(position), d, m_epsilon, hit) ? hit.t : -1;
}

double RenderWorld::trace(const double position[3], const double direction[3], double colour[3],
                          st_LWShaderAccess* record, int rayType) const {
    if (colour) colour[0] = colour[1] = colour[2] = 0;
    const SampleContext* current = t_sample.context;
    const int bounces = (current ? current->bounces : 0) + 1;
    const Vec3 d = unit(vec(direction));
    if (bounces > m_settings.maxBounces || d == Vec3{0, 0, 0}) return -1;
    const Vec3 origin = vec(position);
    Hit hit;
    if (!intersect(origin, d, m_epsilon, hit)) return -1;
    const double distance = current ? current->distance : 0;
    const Vec3 c = shadeHit(
        hit, Ray{origin, d, &detail::threadPixel(), bounces, 0, rayType, distance}, record);
    if (colour) store(c, colour);
    return hit.t;
}

// ---- the C functions in access records: each goes to the thread's world --------------------

namespace {

const SampleContext* sampleContext(void* context) {
    return static_cast<const SampleContext*>(context);
}

extern "C" int cbIlluminate(LWItemID light, const double position[3], double direction[3],
                            double colour[3]) {
    if (!t_sample.world) {
        colour[0] = colour[1] = colour[2] = 0;
        return 0;
    }
    return t_sample.world->illuminate(light, position, nullptr, nullptr, direction, colour);
}

extern "C" int cbIlluminateNormal(LWItemID light, LWRenderData context, const double position[3],
                                  double direction[3], const double normal[3], double colour[3]) {
    if (!t_sample.world) {
        colour[0] = colour[1] = colour[2] = 0;
        return 0;
    }
    return t_sample.world->illuminate(light, position, normal, sampleContext(context), direction,
                                      colour);
}

// The host's lights are points: one sample of full weight, reaching the point or not.
extern "C" double cbIlluminateSample(LWItemID light, const double position[3], double direction[3],
                                     LightSampleFunc* callback, void* data) {
    double colour[4] = {0, 0, 0, 1};
    if (!cbIlluminate(light, position, direction, colour)) return 0;
    if (callback) callback(data, light, direction, colour);
    return 1;
}

extern "C" double cbIlluminateSampleNormal(LWItemID light, LWRenderData context,
                                           const double position[3], const double normal[3],
                                           LightSampleFunc* callback, void* data) {
    double direction[3], colour[4] = {0, 0, 0, 1};
    if (!cbIlluminateNormal(light, context, position, direction, normal, colour)) return 0;
    if (callback) callback(data, light, direction, colour);
    return 1;
}

extern "C" double cbRayTrace(const double position[3], const double direction[3],
                             double colour[3]) {
    if (!t_sample.world) {
        colour[0] = colour[1] = colour[2] = 0;
        return -1;
    }
    return t_sample.world->trace(position, direction, colour, nullptr);
}

extern "C" double cbRayCast(const double position[3], const double direction[3]) {
    return t_sample.world ? t_sample.world->cast(position, direction) : -1;
}

extern "C" double cbRayShade(const double position[3], const double direction[3],
                             st_LWShaderAccess* hit) {
    if (!t_sample.world || !hit) return -1;
    return t_sample.world->trace(position, direction, nullptr, hit);
}

// Distance-only modes cast; the backdrop is black and has no distance; the other modes trace a
// reflected or refracted ray. The host's rays ignore eta: refraction bends at the surface.
extern "C" double cbRayTraceMode(const double position[3], const double direction[3],
                                 double colour[3], const double, const int rtmode) {
    switch (rtmode) {
        case RTMODE_DISTANCE:
        case RTMODE_SHADOW:
        case RTMODE_OCCLUSION:
            if (colour) colour[0] = colour[1] = colour[2] = 0;
            return cbRayCast(position, direction);
        case RTMODE_BACKDROP:
            if (colour) colour[0] = colour[1] = colour[2] = 0;
            return -1;
        default:
            break;
    }
    if (!t_sample.world) {
        if (colour) colour[0] = colour[1] = colour[2] = 0;
        return -1;
    }
    const int rayType = rtmode == RTMODE_REFLECTION ? RAY_REFLECTION : RAY_REFRACTION;
    return t_sample.world->trace(position, direction, colour, nullptr, rayType);
}

}  // namespace

LWRayTraceModeFunc* RenderWorld::rayTraceModeFunction() {
    return &cbRayTraceMode;
}

LWIlluminateFunc* RenderWorld::illuminateFunction() {
    return &cbIlluminate;
}
LWIlluminateNormalFunc* RenderWorld::illuminateNormalFunction() {
    return &cbIlluminateNormal;
}
LWIlluminateSampleFunc* RenderWorld::illuminateSampleFunction() {
    return &cbIlluminateSample;
}
LWIlluminateSampleNormalFunc* RenderWorld::illuminateSampleNormalFunction() {
    return &cbIlluminateSampleNormal;
}
LWRayTraceFunc* RenderWorld::rayTraceFunction() {
    return &cbRayTrace;
}
LWRayCastFunc* RenderWorld::rayCastFunction() {
    return &cbRayCast;
}
LWRayShadeFunc* RenderWorld::rayShadeFunction() {
    return &cbRayShade;
}

uint64_t RenderWorld::threadRays() {
    return t_sample.rays;
}

WorldBinding::WorldBinding(const RenderWorld& world) : m_previous(t_sample) {
    t_sample.world = &world;
    t_sample.pixel = nullptr;
    t_sample.context = nullptr;
    t_sample.shadowShading = 0;
    t_sample.rays = 0;
}

WorldBinding::~WorldBinding() {
    const uint64_t rays = t_sample.rays;
    t_sample = m_previous;
    t_sample.rays += rays;
}

}  // namespace lwhost
