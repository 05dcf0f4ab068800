// Object geometry: the built-in primitives and Wavefront OBJ files.
#include <sys/stat.h>

#include <tiny_obj_loader.h>

#include <algorithm>
#include <cmath>
#include <fstream>

#include "lwhost/scene/scene.h"

namespace lwhost {

namespace {

constexpr double kPi = 3.14159265358979323846;

Vec3 add(const Vec3& a, const Vec3& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Vec3 scaled(const Vec3& v, double s) {
    return {v.x * s, v.y * s, v.z * s};
}

// A quad around `centre` facing along u x v: (c-u-v, c+u-v, c+u+v, c-u+v).
void addQuad(Mesh& mesh, const std::string& surface, const Vec3& centre, const Vec3& u,
             const Vec3& v) {
    uint32_t base = static_cast<uint32_t>(mesh.points.size());
    mesh.points.push_back(add(centre, add(scaled(u, -1), scaled(v, -1))));
    mesh.points.push_back(add(centre, add(u, scaled(v, -1))));
    mesh.points.push_back(add(centre, add(u, v)));
    mesh.points.push_back(add(centre, add(scaled(u, -1), v)));
    mesh.addPolygon(surface, {base, base + 1, base + 2, base + 3});
}

bool isRegularFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string directoryOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Reads "mtllib" files beside the OBJ file; a missing one is only a warning.
class MtlReader : public tinyobj::MaterialReader {
  public:
    explicit MtlReader(std::string directory) : m_directory(std::move(directory)) {}
    bool operator()(const std::string& name, std::vector<tinyobj::material_t>* materials,
                    std::map<std::string, int>* matMap, std::string* warn,
                    std::string* err) override {
        std::string path = m_directory + name;
        if (!isRegularFile(path)) {
            if (warn) *warn += "material file " + path + " not found\n";
            return false;
        }
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            if (warn) *warn += "cannot read material file " + path + "\n";
            return false;
        }
        tinyobj::LoadMtl(matMap, materials, &in, warn, err);
        return true;
    }

  private:
    std::string m_directory;
};

SurfaceSettings settingsOf(const tinyobj::material_t& m) {
    SurfaceSettings s;
    s.colour = {m.diffuse[0], m.diffuse[1], m.diffuse[2]};
    s.set(LWSURF_SPECULAR, std::max({m.specular[0], m.specular[1], m.specular[2]}));
    // Ns runs 0..1000; glossiness 0..1 grows with its logarithm.
    double ns = std::max(1.0, static_cast<double>(m.shininess));
    s.set(LWSURF_GLOSSINESS, std::clamp(std::log2(ns) / 10.0, 0.0, 1.0));
    s.set(LWSURF_TRANSPARENCY, std::clamp(1.0 - m.dissolve, 0.0, 1.0));
    if (m.ior > 0) s.set(LWSURF_REFRACTION_INDEX, m.ior);
    s.set(LWSURF_LUMINOSITY, std::max({m.emission[0], m.emission[1], m.emission[2]}));
    for (double* v : {&s.colour.x, &s.colour.y, &s.colour.z})
        if (!std::isfinite(*v)) *v = 0;
    for (double& v : s.values)
        if (!std::isfinite(v)) v = 0;
    return s;
}

// Collects the OBJ file's elements through the loader's callbacks. Faces are checked once all
// vertices are known; relative (negative) indices count back from the face's position.
struct ObjCollector {
    Mesh mesh;
    std::map<std::string, SurfaceSettings> materials;
    std::string surface = "Default";
    struct Face {
        std::string surface;
        std::vector<long> points;
        long number;
    };
    std::vector<Face> faces;
    long faceCount = 0;

    static void vertex(void* self, tinyobj::real_t x, tinyobj::real_t y, tinyobj::real_t z,
                       tinyobj::real_t) {
        static_cast<ObjCollector*>(self)->mesh.points.push_back({x, y, z});
    }
    static void index(void* self, tinyobj::index_t* indices, int count) {
        auto* c = static_cast<ObjCollector*>(self);
        Face f{c->surface, {}, ++c->faceCount};
        long known = static_cast<long>(c->mesh.points.size());
        for (int i = 0; i < count; ++i) {
            long v = indices[i].vertex_index;
            f.points.push_back(v > 0 ? v - 1 : v < 0 ? known + v : -1);
        }
        c->faces.push_back(std::move(f));
    }
    static void usemtl(void* self, const char* name, int) {
        auto* c = static_cast<ObjCollector*>(self);
        c->surface = name && *name ? name : "Default";
    }
    static void mtllib(void* self, const tinyobj::material_t* list, int count) {
        auto* c = static_cast<ObjCollector*>(self);
        for (int i = 0; i < count; ++i) c->materials[list[i].name] = settingsOf(list[i]);
    }
};

}  // namespace

Mesh makePlane(const std::string& surface, double sizeX, double sizeZ) {
    Mesh mesh;
    addQuad(mesh, surface, {}, {0, 0, sizeZ / 2}, {sizeX / 2, 0, 0});
    return mesh;
}

Mesh makeBox(const std::string& surface, const Vec3& size) {
    Mesh mesh;
    const double a = size.x / 2, b = size.y / 2, c = size.z / 2;
    // Each face as (centre, u, v) with u x v pointing out of the box.
    addQuad(mesh, surface, {a, 0, 0}, {0, b, 0}, {0, 0, c});
    addQuad(mesh, surface, {-a, 0, 0}, {0, 0, c}, {0, b, 0});
    addQuad(mesh, surface, {0, b, 0}, {0, 0, c}, {a, 0, 0});
    addQuad(mesh, surface, {0, -b, 0}, {a, 0, 0}, {0, 0, c});
    addQuad(mesh, surface, {0, 0, c}, {a, 0, 0}, {0, b, 0});
    addQuad(mesh, surface, {0, 0, -c}, {0, b, 0}, {a, 0, 0});
    // Merge the corners the faces share, so the box is one closed surface of 8 points.
    Mesh merged;
    merged.surfaces = mesh.surfaces;
    std::vector<uint32_t> remap;
    for (const Vec3& p : mesh.points) {
        auto it = std::find(merged.points.begin(), merged.points.end(), p);
        if (it == merged.points.end()) {
            merged.points.push_back(p);
            remap.push_back(static_cast<uint32_t>(merged.points.size() - 1));
        } else {
            remap.push_back(static_cast<uint32_t>(it - merged.points.begin()));
        }
    }
    for (Polygon p : mesh.polygons) {
        for (int i = 0; i < p.size; ++i) p.points[i] = remap[p.points[i]];
        merged.polygons.push_back(p);
    }
    return merged;
}

Mesh makeSphere(const std::string& surface, double radius, int segments) {
    Mesh mesh;
    segments = std::clamp(segments, 4, kMaxSphereSegments);
    const int rings = segments / 2;
    const uint32_t s = static_cast<uint32_t>(segments);
    mesh.points.push_back({0, radius, 0});
    for (int k = 1; k < rings; ++k) {
        double theta = kPi * k / rings;
        for (int j = 0; j < segments; ++j) {
            double phi = 2 * kPi * j / segments;
            mesh.points.push_back({radius * std::sin(theta) * std::sin(phi),
                                   radius * std::cos(theta),
                                   radius * std::sin(theta) * std::cos(phi)});
        }
    }
    mesh.points.push_back({0, -radius, 0});
    const uint32_t bottom = static_cast<uint32_t>(mesh.points.size() - 1);
    auto ring = [&](int k, uint32_t j) { return 1 + static_cast<uint32_t>(k - 1) * s + j % s; };
    for (uint32_t j = 0; j < s; ++j) mesh.addPolygon(surface, {0, ring(1, j), ring(1, j + 1)});
    for (int k = 1; k + 1 < rings; ++k)
        for (uint32_t j = 0; j < s; ++j)
            mesh.addPolygon(surface,
                            {ring(k, j), ring(k + 1, j), ring(k + 1, j + 1), ring(k, j + 1)});
    for (uint32_t j = 0; j < s; ++j)
        mesh.addPolygon(surface, {ring(rings - 1, j), bottom, ring(rings - 1, j + 1)});
    return mesh;
}

bool loadObjFile(const std::string& path, ObjGeometry& out, std::string& error) {
    if (!isRegularFile(path)) {
        error = "OBJ file \"" + path + "\" does not exist or is not a file";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read OBJ file \"" + path + "\"";
        return false;
    }
    ObjCollector collector;
    tinyobj::callback_t callbacks;
    callbacks.vertex_cb = &ObjCollector::vertex;
    callbacks.index_cb = &ObjCollector::index;
    callbacks.usemtl_cb = &ObjCollector::usemtl;
    callbacks.mtllib_cb = &ObjCollector::mtllib;
    MtlReader materials(directoryOf(path));
    std::string warn, err;
    if (!tinyobj::LoadObjWithCallback(in, callbacks, &collector, &materials, &warn, &err) ||
        in.bad()) {
        error = "cannot read OBJ file \"" + path + "\"" + (err.empty() ? "" : ": " + err);
        return false;
    }

    Mesh& mesh = collector.mesh;
    for (const auto& s : mesh.points)
        if (!std::isfinite(s.x) || !std::isfinite(s.y) || !std::isfinite(s.z)) {
            error = "OBJ file \"" + path + "\" has a vertex that is not a finite number";
            return false;
        }
    const long known = static_cast<long>(mesh.points.size());
    for (const auto& f : collector.faces) {
        std::string where = "OBJ file \"" + path + "\": face " + std::to_string(f.number);
        if (f.points.size() < 3) {
            error = where + " has fewer than 3 points";
            return false;
        }
        std::vector<uint32_t> pts;
        for (long p : f.points) {
            if (p < 0 || p >= known) {
                error = where + " names a vertex that does not exist (the file has " +
                        std::to_string(known) + ")";
                return false;
            }
            pts.push_back(static_cast<uint32_t>(p));
        }
        if (pts.size() <= 4) {
            mesh.addPolygon(f.surface, pts);
        } else {
            for (size_t i = 1; i + 1 < pts.size(); ++i)
                mesh.addPolygon(f.surface, {pts[0], pts[i], pts[i + 1]});
        }
    }
    out.mesh = std::move(mesh);
    out.materials = std::move(collector.materials);
    return true;
}

}  // namespace lwhost
