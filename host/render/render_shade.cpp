// Shading a sample: the access record filled from the hit and the surface, the surface graph and
// shaders, the four shading colours and the final mix (the model is in render_world.h).
#include <cmath>
#include <cstring>

#include "lwhost/core/handles.h"
#include "lwhost/nodes/nodes.h"
#include "lwhost/render/render_math.h"
#include "lwhost/render/render_world.h"

namespace lwhost {

using namespace rmath;

namespace {

constexpr unsigned kShadeBits =
    LWSHF_DIFFUSE_SHADE | LWSHF_SPECULAR_SHADE | LWSHF_REFRACT_SHADE | LWSHF_REFLECT_SHADE;
// Lowest glossiness a roughness may stand for, so that roughness stays finite.
constexpr double kMinGlossiness = 1.0 / 1024;

void zero3(double v[3]) {
    v[0] = v[1] = v[2] = 0;
}

// Sets the thread's current sample for as long as the shaders of one sample run.
class SampleScope {
  public:
    SampleScope(const PixelSample& pixel, const SampleContext& context)
        : m_sample(detail::threadSample()), m_pixel(m_sample.pixel), m_context(m_sample.context) {
        m_sample.pixel = &pixel;
        m_sample.context = &context;
    }
    ~SampleScope() {
        m_sample.pixel = m_pixel;
        m_sample.context = m_context;
    }
    SampleScope(const SampleScope&) = delete;
    SampleScope& operator=(const SampleScope&) = delete;

  private:
    detail::ThreadSample& m_sample;
    const PixelSample* m_pixel;
    const SampleContext* m_context;
};

// Counts a shadow sample being shaded on this thread for as long as it lives.
class NestedShadow {
  public:
    explicit NestedShadow(detail::ThreadSample& sample) : m_sample(sample) {
        ++m_sample.shadowShading;
    }
    ~NestedShadow() { --m_sample.shadowShading; }
    NestedShadow(const NestedShadow&) = delete;
    NestedShadow& operator=(const NestedShadow&) = delete;

  private:
    detail::ThreadSample& m_sample;
};

// The record's fields that take their surface's setting as it is.
struct SettingField {
    int setting;
    double st_LWShaderAccess::*field;
};
constexpr SettingField kSettingFields[] = {
    {LWSURF_LUMINOSITY, &st_LWShaderAccess::luminous},
    {LWSURF_DIFFUSE, &st_LWShaderAccess::diffuse},
    {LWSURF_SPECULAR, &st_LWShaderAccess::specular},
    {LWSURF_REFLECTION, &st_LWShaderAccess::mirror},
    {LWSURF_TRANSPARENCY, &st_LWShaderAccess::transparency},
    {LWSURF_REFRACTION_INDEX, &st_LWShaderAccess::eta},
    {LWSURF_TRANSLUCENCY, &st_LWShaderAccess::translucency},
    {LWSURF_COLOUR_HIGHLIGHTS, &st_LWShaderAccess::colorHL},
    {LWSURF_COLOUR_FILTER, &st_LWShaderAccess::colorFL},
    {LWSURF_DIFFUSE_SHARPNESS, &st_LWShaderAccess::difSharpness},
    {LWSURF_ADDITIVE_TRANSPARENCY, &st_LWShaderAccess::addTransparency},
    {LWSURF_REFLECTION_BLURRING, &st_LWShaderAccess::reflectionBlur},
    {LWSURF_REFRACTION_BLURRING, &st_LWShaderAccess::refractionBlur},
};

// The surface's values in a record.
void fillSurface(st_LWShaderAccess& sa, const SurfaceSettings& s) {
    store(s.colour, sa.color);
    // Unrolled, the table is straight stores: this runs for every sample.
#pragma GCC unroll 16
    for (const SettingField& f : kSettingFields) sa.*f.field = s.get(f.setting);
    const double gloss = s.get(LWSURF_GLOSSINESS);
    sa.roughness = 1.0 / (gloss > kMinGlossiness ? gloss : kMinGlossiness);
}

// The illumination and ray-tracing functions every record carries.
void fillFunctions(ShaderRecord& record) {
    st_LWShaderAccess& sa = record.base.base;
    st_LWShaderAccess95& sa95 = record.base;
    sa.illuminate = RenderWorld::illuminateFunction();
    sa.rayTrace = RenderWorld::rayTraceFunction();
    sa.rayCast = RenderWorld::rayCastFunction();
    sa.rayShade = RenderWorld::rayShadeFunction();
    sa95.rayTraceMode = RenderWorld::rayTraceModeFunction();
    sa95.illuminateSample = RenderWorld::illuminateSampleFunction();
    sa95.illuminateNormal = RenderWorld::illuminateNormalFunction();
    sa95.illuminateSampleNormal = RenderWorld::illuminateSampleNormalFunction();
}

// Van der Corput radical inverse in base 2.
double radicalInverse(uint32_t k) {
    k = (k << 16) | (k >> 16);
    k = ((k & 0x55555555u) << 1) | ((k & 0xAAAAAAAAu) >> 1);
    k = ((k & 0x33333333u) << 2) | ((k & 0xCCCCCCCCu) >> 2);
    k = ((k & 0x0F0F0F0Fu) << 4) | ((k & 0xF0F0F0F0u) >> 4);
    k = ((k & 0x00FF00FFu) << 8) | ((k & 0xFF00FF00u) >> 8);
    return k * (1.0 / 4294967296.0);
}

uint32_t hash(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    x *= 0x846CA68Bu;
    x ^= x >> 16;
    return x;
}

double fraction(double v) {
    return v - std::floor(v);
}

}  // namespace

void RenderWorld::samplePosition(int x, int y, int k, int n, double& sx, double& sy) {
    if (n <= 1) {
        sx = sy = 0.5;
        return;
    }
    // Hammersley points, shifted per pixel (Cranley-Patterson) so neighbours do not alias alike.
    const uint32_t h =
        hash(static_cast<uint32_t>(x) * 0x9E3779B1u ^ hash(static_cast<uint32_t>(y)));
    const double shiftX = (h & 0xFFFFu) / 65536.0;
    const double shiftY = (h >> 16) / 65536.0;
    sx = fraction((k + 0.5) / n + shiftX);
    sy = fraction(radicalInverse(static_cast<uint32_t>(k)) + shiftY);
}

Vec3 RenderWorld::shadeCameraSample(const PixelSample& sample, bool* covered) const {
    const double w = m_settings.width, h = m_settings.height;
    const double px = (2.0 * sample.sx / w - 1.0) * m_camera.tanHalf;
    const double py = (1.0 - 2.0 * sample.sy / h) * m_camera.tanHalf * (h / w);
    const Vec3 dir =
        unit(m_camera.forward + (m_camera.right * px + m_camera.up * py), m_camera.forward);
    return shadeRay(Ray{m_camera.position, dir, &sample, 0, LWRT_CAMERA, RAY_CAMERA, 0}, covered);
}

Vec3 RenderWorld::shadeRay(const Ray& ray, bool* met) const {
    Hit hit;
    const bool found =
        intersect(ray.origin, ray.direction, ray.bounces == 0 ? 0.0 : m_epsilon, hit);
    if (met) *met = found;
    // The backdrop is black.
    if (!found) return Vec3{0, 0, 0};
    return shadeHit(hit, ray, nullptr);
}

void RenderWorld::fillRecord(ShaderRecord& record, const Hit& hit, const Ray& ray,
                             SampleContext& context) const {
    std::memset(&record, 0, sizeof record);
    st_LWShaderAccess& sa = record.base.base;
    st_LWShaderAccess95& sa95 = record.base;
    const RenderObject& object = *hit.object;
    const Mesh& mesh = *object.mesh;
    const uint32_t polygonIndex = object.trianglePolygon[hit.triangle];
    const Polygon& polygon = mesh.polygons[polygonIndex];
    const bool second = object.triangleSecond[hit.triangle] != 0;

    // Weights of the polygon's corners: the hit triangle's barycentric coordinates.
    double weights[4] = {0, 0, 0, 0};
    weights[0] = 1.0 - hit.u - hit.v;
    weights[second ? 2 : 1] = hit.u;
    weights[second ? 3 : 2] = hit.v;

    Vec3 wPos{0, 0, 0}, oPos{0, 0, 0}, smooth{0, 0, 0};
    for (int k = 0; k < polygon.size; ++k) {
        const uint32_t point = polygon.points[static_cast<size_t>(k)];
        wPos += object.points[point] * weights[k];
        oPos += mesh.points[point] * weights[k];
        smooth += object.corners[polygonIndex][static_cast<size_t>(k)] * weights[k];
        sa.verts[k] = handleOf<LWPntID>(point + 1);
        sa.weights[k] = static_cast<float>(weights[k]);
        for (int a = 0; a < 3; ++a)
            sa.vertsWPos[k][a] = static_cast<float>(object.points[point][a]);
    }
    Vec3 geometric = object.normals[polygonIndex];
    Vec3 shading = unit(smooth, geometric);
    // Two-sided polygons: both normals turn towards the ray.
    context.inside = dot(geometric, ray.direction) > 0;
    if (context.inside) {
        geometric = -geometric;
        shading = -shading;
    }
    if (dot(shading, ray.direction) > 0) shading = geometric;
    context.facing = geometric;
    context.distance = ray.distance + hit.t;
    context.bounces = ray.bounces;
    context.rayType = ray.rayType;

    // The record holds the pixel; the position within it goes to subsx, subsy.
    sa.sx = static_cast<int>(std::floor(ray.pixel->sx));
    sa.sy = static_cast<int>(std::floor(ray.pixel->sy));
    store(oPos, sa.oPos);
    store(wPos, sa.wPos);
    store(geometric, sa.gNorm);
    const double pixelAngle = 2.0 * m_camera.tanHalf / m_settings.width;
    sa.spotSize = context.distance * pixelAngle;
    store(ray.origin, sa.raySource);
    sa.rayLength = hit.t;
    sa.cosine = -dot(shading, ray.direction);
    std::memcpy(sa.oXfrm, object.oXfrm, sizeof sa.oXfrm);
    std::memcpy(sa.wXfrm, object.wXfrm, sizeof sa.wXfrm);
    sa.objID = object.id;
    sa.polNum = static_cast<int>(polygonIndex);
    store(shading, sa.wNorm);
    store(shading, sa.wNorm0);
    sa.bumpHeight = 0;

    const size_t surface = polygon.surface < object.surfaces.size() ? polygon.surface : 0;
    fillSurface(sa, object.surfaces[surface]->settings);
    fillFunctions(record);
    sa.flags = static_cast<int>(ray.flags) | (m_settings.preview ? LWRT_PREVIEW : 0) |
               (context.inside ? LWRT_POLYSIDE : 0);
    sa.bounces = ray.bounces;
    sa.sourceID = m_camera.id;
    sa.polygon = handleOf<LWPolID>(static_cast<uint32_t>(polygonIndex) + 1);

    // The whole record is filled; a shader of an older version reads only its part.
    sa95.incomingEta = 1.0;
    sa95.subsx = ray.pixel->subX;
    sa95.subsy = ray.pixel->subY;
    store(ray.direction, sa95.rayDir);
    sa95.render = &context;
}

void RenderWorld::runShaders(ShaderRecord& record, const SurfaceShading& surface) const {
    st_LWShaderAccess& sa = record.base.base;
    if (surface.graph) applySurfaceGraph(*surface.graph, record);
    for (const ShaderCall& call : surface.shaders) call.evaluate(call.instance, &sa);
}

void RenderWorld::computeShades(ShaderRecord& record, const SampleContext& context,
                                const Vec3& direction, unsigned which) const {
    st_LWShaderAccess& sa = record.base.base;
    st_LWShaderAccess95& sa95 = record.base;
    if (!(which & kShadeBits)) return;
    const Vec3 colour = vec(sa.color);
    Vec3 normal = unit(vec(sa.wNorm), context.facing);
    const Vec3 toViewer = -direction;
    const Vec3 position = vec(sa.wPos);

    if (which & (LWSHF_DIFFUSE_SHADE | LWSHF_SPECULAR_SHADE)) {
        Vec3 lambert{0, 0, 0}, behind{0, 0, 0}, highlight{0, 0, 0};
        const bool lit = sa.diffuse != 0 || sa.specular != 0 || sa.translucency != 0;
        if (lit && sa95.illuminateNormal) {
            const double glossiness = clamp01(sa.roughness > 0 ? 1.0 / sa.roughness : 0.0);
            const double exponent = std::exp2(1.0 + 10.0 * glossiness);
            // The host's own context, whatever a shader left in the record.
            void* sampleContext = const_cast<SampleContext*>(&context);
            double front[3], back[3];
            store(normal, front);
            store(-normal, back);
            for (const RenderLight& light : m_lights) {
                double towards[3], arriving[3];
                if (sa95.illuminateNormal(light.id, sampleContext, sa.wPos, towards, front,
                                          arriving)) {
                    const Vec3 l = vec(towards), e = vec(arriving);
                    const double cosine = dot(normal, l);
                    if (cosine > 0) {
                        lambert += e * cosine;
                        if (sa.specular != 0) {
                            const Vec3 half = unit(l + toViewer, normal);
                            const double nh = dot(normal, half);
                            if (nh > 0) highlight += e * std::pow(nh, exponent);
                        }
                    }
                }
                if (sa.translucency != 0 && sa95.illuminateNormal(light.id, sampleContext, sa.wPos,
                                                                  towards, back, arriving)) {
                    const double cosine = -dot(normal, vec(towards));
                    if (cosine > 0) behind += vec(arriving) * cosine;
                }
            }
        }
        if (which & LWSHF_DIFFUSE_SHADE) {
            store(colour * (lambert * sa.diffuse + behind * sa.translucency), sa95.diffuse_shade);
        }
        if (which & LWSHF_SPECULAR_SHADE) {
            const Vec3 tint = mix(Vec3{1, 1, 1}, colour, sa.colorHL);
            store(highlight * sa.specular * tint, sa95.specular_shade);
        }
    }

    const int next = context.bounces + 1;
    const PixelSample& px = detail::threadPixel();

    if (which & LWSHF_REFLECT_SHADE) {
        zero3(sa95.reflect_shade);
        if (sa.mirror > 0 && next <= m_settings.maxBounces) {
            const Vec3 mirrored = unit(direction - normal * (2 * dot(direction, normal)), normal);
            const Vec3 origin = position + context.facing * m_epsilon;
            const Ray reflected{origin, mirrored, &px, next, 0, RAY_REFLECTION, context.distance};
            store(shadeRay(reflected), sa95.reflect_shade);
        }
    }
    if (which & LWSHF_REFRACT_SHADE) {
        zero3(sa95.refract_shade);
        if (sa.transparency > 0 && next <= m_settings.maxBounces) {
            const double eta = sa.eta > 0 && std::isfinite(sa.eta) ? sa.eta : 1.0;
            const double ratio = context.inside ? eta : 1.0 / eta;
            double cosI = -dot(direction, normal);
            if (cosI < 0) {
                normal = -normal;
                cosI = -cosI;
            }
            const double k = 1.0 - ratio * ratio * (1.0 - cosI * cosI);
            Vec3 bent, origin;
            if (k < 0) {
                // Total internal reflection.
                bent = unit(direction + normal * (2 * cosI), normal);
                origin = position + context.facing * m_epsilon;
            } else {
                bent = unit(direction * ratio + normal * (ratio * cosI - std::sqrt(k)), direction);
                origin = position - context.facing * m_epsilon;
            }
            const Vec3 seen =
                shadeRay(Ray{origin, bent, &px, next, 0, RAY_REFRACTION, context.distance});
            const Vec3 filter = mix(Vec3{1, 1, 1}, colour, sa.colorFL);
            store(seen * filter, sa95.refract_shade);
        }
    }
}

bool RenderWorld::shadowSample(const Hit& hit, const SurfaceShading& surface, const Vec3& origin,
                               const Vec3& direction, LWItemID light, Vec3& filter,
                               double& transparency) const {
    detail::ThreadSample& thread = detail::threadSample();
    if (thread.shadowShading >= kMaxShadowShading) return false;
    // The sample whose light is asked for, when a shader asks: the shadow sample takes its
    // bounces and path length, so rays its shaders fire stay within the bounce limit.
    const SampleContext* outer = thread.context;
    const PixelSample& pixel = detail::threadPixel();
    ShaderRecord record;
    SampleContext context;
    fillRecord(record, hit,
               Ray{origin, direction, &pixel, outer ? outer->bounces : 0, LWRT_SHADOW, RAY_SHADOW,
                   outer ? outer->distance : 0},
               context);
    st_LWShaderAccess& sa = record.base.base;
    sa.sourceID = light;
    {
        SampleScope scope(pixel, context);
        NestedShadow nested(thread);
        runShaders(record, surface);
    }
    filter = mix(Vec3{1, 1, 1}, vec(sa.color), clamp01(sa.colorFL));
    transparency = clamp01(sa.transparency);
    return true;
}

Vec3 RenderWorld::shadeHit(const Hit& hit, const Ray& ray, st_LWShaderAccess* out) const {
    ShaderRecord record;
    SampleContext context;
    fillRecord(record, hit, ray, context);
    st_LWShaderAccess& sa = record.base.base;
    st_LWShaderAccess95& sa95 = record.base;
    const SurfaceShading& surface = surfaceOf(hit);

    SampleScope scope(*ray.pixel, context);
    const unsigned claimed = surface.flags & kShadeBits;
    // Claimed shading colours start lit from the surface's values.
    if (claimed) computeShades(record, context, ray.direction, claimed);
    runShaders(record, surface);
    if (out) {
        // As much of the record as the caller's version has; the render state lives only as
        // long as this call.
        const int level = m_settings.recordLevel;
        const size_t size = level >= 6   ? sizeof(st_LWShaderAccess96)
                            : level == 5 ? sizeof(st_LWShaderAccess95)
                                         : sizeof(st_LWShaderAccess);
        sa95.render = nullptr;
        std::memcpy(out, &record, size);
        return Vec3{0, 0, 0};
    }
    computeShades(record, context, ray.direction, kShadeBits & ~claimed);

    const Vec3 colour = vec(sa.color);
    const double m = clamp01(sa.mirror);
    const double t = clamp01(sa.transparency);
    const double a = clamp01(sa.addTransparency);
    const Vec3 local = colour * sa.luminous + vec(sa95.diffuse_shade);
    Vec3 result = local * ((1 - m) * (1 - t * (1 - a)));
    result += vec(sa95.reflect_shade) * m;
    result += vec(sa95.refract_shade) * ((1 - m) * t);
    result += vec(sa95.specular_shade);
    const double p = clamp01(sa.replacement_percentage);
    if (p > 0) result = mix(result, vec(sa.replacement_color), p);
    return result;
}

}  // namespace lwhost
