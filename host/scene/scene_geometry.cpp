// Object geometry: the built-in primitives and Wavefront OBJ files.
#include <tiny_obj_loader.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <string_view>

#include "lwhost/io/regular_file.h"
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

// Largest OBJ or material file read.
constexpr std::size_t kMaxObjFileBytes = std::size_t(1) << 30;

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
        std::string text, why;
        if (readRegularFile(path, kMaxObjFileBytes, text, why) != FileStatus::Ok) {
            if (warn) *warn += "cannot read material file " + path + ": " + why + "\n";
            return false;
        }
        std::istringstream in(text);
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

// Collects the OBJ file's elements through the loader's callbacks, and checks each vertex and
// face against the line it came from: the loader takes a coordinate it cannot read as 0 and an
// index too large for an int as whatever it wraps to. Faces are checked against the vertices
// once all are known; relative (negative) indices count back from the face's position.
struct ObjCollector {
    ObjCollector(const std::string& bytes, std::istream& stream) : text(bytes), in(stream) {}

    const std::string& text;
    std::istream& in;
    Mesh mesh;
    std::map<std::string, SurfaceSettings> materials;
    std::string surface = "Default";
    struct Face {
        std::string surface;
        std::vector<long> points;
        long number;
        long line;
    };
    std::vector<Face> faces;
    long faceCount = 0;
    long errorLine = 0;  // the first line found wrong, and why
    std::string error;

    // The line the loader has just read: the one ending right before the stream's position.
    // Lines end as the loader ends them: at "\n", "\r\n" or "\r".
    std::string_view currentLine(long& number) {
        const std::streamoff at = in.rdbuf()->pubseekoff(0, std::ios_base::cur, std::ios_base::in);
        const std::size_t pos = at < 0 ? text.size() : static_cast<std::size_t>(at);
        for (;;) {
            const std::size_t start = m_next;
            std::size_t end = text.find_first_of("\r\n", start);
            if (end == std::string::npos) end = text.size();
            std::size_t next = end;
            if (next < text.size()) next += text.compare(next, 2, "\r\n") == 0 ? 2 : 1;
            m_next = next;
            ++m_number;
            if (next >= pos) {
                number = m_number;
                return std::string_view(text).substr(start, end - start);
            }
        }
    }

    void fail(long line, std::string why) {
        if (errorLine != 0) return;
        errorLine = line;
        error = std::move(why);
    }

    // The line's words after its keyword.
    static std::vector<std::string_view> words(std::string_view line) {
        std::vector<std::string_view> out;
        std::size_t i = 0;
        bool first = true;
        while (i < line.size()) {
            if (line[i] == ' ' || line[i] == '\t') {
                ++i;
                continue;
            }
            std::size_t b = i;
            while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
            if (!first) out.push_back(line.substr(b, i - b));
            first = false;
        }
        return out;
    }

    // A word without a leading '+', which from_chars does not take.
    static std::string_view unsigned_(std::string_view w) {
        return !w.empty() && w[0] == '+' ? w.substr(1) : w;
    }

    static bool finiteNumber(std::string_view word) {
        std::string_view w = unsigned_(word);
        if (w.empty() || (w.size() < word.size() && w[0] == '-')) return false;
        double v = 0;
        auto r = std::from_chars(w.data(), w.data() + w.size(), v);
        return r.ec == std::errc() && r.ptr == w.data() + w.size() && std::isfinite(v);
    }

    static std::string shown(std::string_view w) {
        constexpr std::size_t kShown = 40;
        std::string out(w.substr(0, kShown));
        return "\"" + out + (w.size() > kShown ? "...\"" : "\"");
    }

    static void vertex(void* self, tinyobj::real_t x, tinyobj::real_t y, tinyobj::real_t z,
                       tinyobj::real_t) {
        auto* c = static_cast<ObjCollector*>(self);
        c->mesh.points.push_back({x, y, z});
        long line = 0;
        std::vector<std::string_view> coords = words(c->currentLine(line));
        if (coords.size() < 3) {
            c->fail(line,
                    "a vertex needs three coordinates, found " + std::to_string(coords.size()));
            return;
        }
        // A number too large for the loader's precision comes back infinite.
        const tinyobj::real_t read[3] = {x, y, z};
        for (std::size_t i = 0; i < 3; ++i)
            if (!finiteNumber(coords[i]) || !std::isfinite(read[i])) {
                c->fail(line, "the coordinate " + shown(coords[i]) + " is not a finite number");
                return;
            }
    }

    static void index(void* self, tinyobj::index_t* indices, int count) {
        auto* c = static_cast<ObjCollector*>(self);
        long line = 0;
        std::vector<std::string_view> corners = words(c->currentLine(line));
        Face f{c->surface, {}, ++c->faceCount, line};
        long known = static_cast<long>(c->mesh.points.size());
        for (int i = 0; i < count; ++i) {
            if (static_cast<std::size_t>(i) < corners.size()) {
                std::string_view corner = corners[static_cast<std::size_t>(i)];
                std::string_view w = unsigned_(corner.substr(0, corner.find('/')));
                long long v = 0;
                auto r = std::from_chars(w.data(), w.data() + w.size(), v);
                if (w.empty() || r.ec != std::errc() || r.ptr != w.data() + w.size() ||
                    v != indices[i].vertex_index) {
                    c->fail(line, "face " + std::to_string(f.number) + ": " + shown(corner) +
                                      " is not a vertex number");
                    return;
                }
            }
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

  private:
    std::size_t m_next = 0;  // where the next line not yet passed begins
    long m_number = 0;       // the number of the last line passed
};

// The first line holding a byte no text file holds (a zero byte or another control character),
// or 0.
long firstBinaryLine(const std::string& text, unsigned char& byte) {
    long line = 1;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\n' || (c == '\r' && text.compare(i, 2, "\r\n") != 0)) {
            ++line;
        } else if ((c < 0x20 && c != '\t' && c != '\r' && c != '\v' && c != '\f') || c == 0x7f) {
            byte = c;
            return line;
        }
    }
    return 0;
}

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
    std::string text, why;
    switch (readRegularFile(path, kMaxObjFileBytes, text, why)) {
        case FileStatus::Ok:
            break;
        case FileStatus::Missing:
        case FileStatus::NotRegular:
            error = "OBJ file \"" + path + "\" does not exist or is not a file";
            return false;
        default:
            error = "cannot read OBJ file \"" + path + "\": " + why;
            return false;
    }
    const std::string at = "OBJ file \"" + path + "\", line ";
    unsigned char byte = 0;
    if (long line = firstBinaryLine(text, byte)) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%02x", byte);
        error = at + std::to_string(line) + ": not a text file (it holds the byte " + hex + ")";
        return false;
    }
    std::istringstream in(text);
    ObjCollector collector(text, in);
    tinyobj::callback_t callbacks;
    callbacks.vertex_cb = &ObjCollector::vertex;
    callbacks.index_cb = &ObjCollector::index;
    callbacks.usemtl_cb = &ObjCollector::usemtl;
    callbacks.mtllib_cb = &ObjCollector::mtllib;
    MtlReader materials(directoryOf(path));
    std::string warn, err;
    if (!tinyobj::LoadObjWithCallback(in, callbacks, &collector, &materials, &warn, &err)) {
        error = "cannot read OBJ file \"" + path + "\"" + (err.empty() ? "" : ": " + err);
        return false;
    }
    if (collector.errorLine != 0) {
        error = at + std::to_string(collector.errorLine) + ": " + collector.error;
        return false;
    }

    Mesh& mesh = collector.mesh;
    const long known = static_cast<long>(mesh.points.size());
    for (const auto& f : collector.faces) {
        std::string where = at + std::to_string(f.line) + ": face " + std::to_string(f.number);
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
