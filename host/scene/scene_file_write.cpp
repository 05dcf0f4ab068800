// The scene file writer, and saving that replaces the file whole.
#include <map>

#include "lwhost/io/atomic_file.h"
#include "lwhost/scene/scene_file.h"
#include "lwhost/scene/scene_file_text.h"

namespace lwhost {

namespace {

using scenetext::number;
using scenetext::quote;

std::string vec(const Vec3& v) {
    return number(v.x) + " " + number(v.y) + " " + number(v.z);
}

class Writer {
  public:
    explicit Writer(const Scene& scene) : m_scene(scene) {}

    void run(std::string& out) {
        out = "LWHostScene 1\n\n";
        const FrameRange& f = m_scene.frames();
        out += "FrameRange " + std::to_string(f.first) + " " + std::to_string(f.last) + "\n";
        out += "FramesPerSecond " + number(f.fps) + "\n";
        for (const MasterSlot& m : m_scene.masters()) {
            out += "\n";
            PluginSection section{PluginKind::Master, m.server, 0,
                                  const_cast<PluginData*>(&m.data)};
            out += plugin("",
                          "Plugin MasterHandler " + scenetext::word(m.server) +
                              (m.disabled ? " Disabled" : ""),
                          section, "EndPlugin");
        }
        std::map<std::string, int> nameCount;
        for (size_t i = 0; i < m_scene.itemCount(); ++i) ++nameCount[m_scene.itemAt(i).name];
        std::map<LWItemID, int> namePosition;
        std::map<std::string, int> seen;
        for (size_t i = 0; i < m_scene.itemCount(); ++i) {
            const Item& item = m_scene.itemAt(i);
            namePosition[item.id] = ++seen[item.name];
        }
        for (size_t i = 0; i < m_scene.itemCount(); ++i) {
            out += "\n";
            writeItem(out, m_scene.itemAt(i), nameCount, namePosition);
        }
        for (size_t i = 0; i < m_scene.surfaceCount(); ++i) {
            out += "\n";
            writeSurface(out, m_scene.surfaceAt(i));
        }
    }

    std::string error;

  private:
    void writeItem(std::string& out, const Item& item, const std::map<std::string, int>& nameCount,
                   const std::map<LWItemID, int>& namePosition) {
        const char* keyword = item.type == ItemType::Light    ? "Light"
                              : item.type == ItemType::Camera ? "Camera"
                              : item.isNull()                 ? "Null"
                                                              : "Object";
        out += std::string(keyword) + " " + quote(item.name) + "\n";
        if (item.type == ItemType::Object) writeGeometry(out, item.object);
        if (item.type == ItemType::Light) {
            out += std::string("  Type ") +
                   (item.light.kind == LightKind::Point ? "point" : "distant") + "\n";
            out += "  Colour " + vec(item.light.colour) + "\n";
            out += "  Intensity " + number(item.light.intensity) + "\n";
        }
        if (item.type == ItemType::Camera)
            out += "  FieldOfView " + number(item.camera.fieldOfView) + "\n";
        const Transform& t = item.transform;
        if (t.position != Vec3{}) out += "  Position " + vec(t.position) + "\n";
        if (t.rotation != Vec3{}) out += "  Rotation " + vec(t.rotation) + "\n";
        if (t.scale != Vec3{1, 1, 1}) out += "  Scale " + vec(t.scale) + "\n";
        if (const Item* parent = m_scene.item(item.parent)) {
            out += "  Parent " + quote(parent->name);
            if (nameCount.at(parent->name) > 1)
                out += " " + std::to_string(namePosition.at(parent->id));
            out += "\n";
        }
        for (const std::string& c : item.comments) out += "  Comment " + quote(c) + "\n";
        if (item.type == ItemType::Object)
            for (const WeightMap& w : item.object.mesh.weightMaps) writeWeightMap(out, w);
        out += "End\n";
    }

    void writeGeometry(std::string& out, const ObjectData& object) {
        const GeometrySource& g = object.source;
        switch (g.kind) {
            case GeometryKind::None:
                break;
            case GeometryKind::ObjFile:
                out += "  File " + quote(g.path) + "\n";
                break;
            case GeometryKind::Plane:
                out += "  Plane " + quote(g.surface) + " " + number(g.size.x) + " " +
                       number(g.size.z) + "\n";
                break;
            case GeometryKind::Box:
                out += "  Box " + quote(g.surface) + " " + vec(g.size) + "\n";
                break;
            case GeometryKind::Sphere:
                out += "  Sphere " + quote(g.surface) + " " + number(g.size.x) + " " +
                       std::to_string(g.segments) + "\n";
                break;
            case GeometryKind::Inline: {
                const Mesh& mesh = object.mesh;
                for (const Vec3& p : mesh.points) out += "  Point " + vec(p) + "\n";
                for (const Polygon& p : mesh.polygons) {
                    out += "  Polygon " + quote(mesh.surfaces[p.surface]);
                    for (int i = 0; i < p.size; ++i) out += " " + std::to_string(p.points[i]);
                    out += "\n";
                }
                break;
            }
        }
    }

    void writeWeightMap(std::string& out, const WeightMap& w) {
        out += "  WeightMap " + quote(w.name) + "\n";
        const WeightMap::Ramp& r = w.ramp;
        if (r.axis >= 0 && r.axis <= 2)
            out += std::string("    Ramp ") + "XYZ"[r.axis] + " " + number(r.from) + " " +
                   number(r.to) + " " + number(r.low) + " " + number(r.high) + "\n";
        for (size_t p = 0; p < w.assigned.size(); ++p)
            if (w.assigned[p])
                out += "    Value " + std::to_string(p) + " " + number(w.values[p]) + "\n";
        for (const auto& [key, value] : w.polygonValues)
            out += "    PolygonValue " + std::to_string(key.first) + " " +
                   std::to_string(key.second) + " " + number(value) + "\n";
        out += "  End\n";
    }

    void writeSurface(std::string& out, const Surface& s) {
        out += "Surface " + quote(s.name) + " " + quote(s.objectFile) + "\n";
        out += "  Colour " + vec(s.settings.colour) + "\n";
        for (int c = 0; c < LWSURF_FLOAT_COUNT; ++c)
            out += std::string("  ") + SurfaceSettings::channelToken(c) + " " +
                   number(s.settings.get(c)) + "\n";
        for (const ShaderSlot& shader : s.shaders) {
            PluginSection section{PluginKind::Shader, shader.server, s.id,
                                  const_cast<PluginData*>(&shader.data)};
            out += plugin("  ", "Plugin ShaderHandler " + scenetext::word(shader.server), section,
                          "EndPlugin");
        }
        PluginSection nodes{PluginKind::NodeGraph, std::string(), s.id,
                            const_cast<PluginData*>(&s.nodes.data)};
        std::string body = sectionText(nodes);
        if (s.nodes.enabled || !body.empty())
            out += indentSection("  ", std::string("NodeGraph ") + (s.nodes.enabled ? "on" : "off"),
                                 body, "EndNodeGraph", nodes);
        out += "End\n";
    }

    std::string sectionText(const PluginSection& section) { return section.data->text; }

    std::string plugin(const std::string& indent, const std::string& header,
                       const PluginSection& section, const std::string& endWord) {
        return indentSection(indent, header, sectionText(section), endWord, section);
    }

    // The section's header, its body one level in, and its end line. A body the reader would
    // not get back intact (unbalanced braces or quotes, or its own end line) is refused.
    std::string indentSection(const std::string& indent, const std::string& header,
                              const std::string& body, const std::string& endWord,
                              const PluginSection& section) {
        std::string out = indent + header + "\n";
        const std::string text = scenetext::dedent(body);
        int depth = 0;
        size_t pos = 0;
        while (pos < text.size()) {
            size_t end = text.find('\n', pos);
            if (end == std::string::npos) end = text.size();
            std::string line = text.substr(pos, end - pos);
            pos = end + 1;
            std::string why;
            if ((depth == 0 && scenetext::firstWord(line) == endWord) ||
                (!line.empty() && line.back() == '\r') ||
                !scenetext::scanBraces(line, depth, why)) {
                if (error.empty())
                    error =
                        "the stored data of " +
                        (section.server.empty() ? std::string("a node graph") : section.server) +
                        " cannot be written to a scene file" + (why.empty() ? "" : ": " + why);
                break;
            }
            out += line.find_first_not_of(" \t") == std::string::npos ? "\n"
                                                                      : indent + "  " + line + "\n";
        }
        if (depth != 0 && error.empty())
            error = "the stored data of " +
                    (section.server.empty() ? std::string("a node graph") : section.server) +
                    " leaves a '{' open";
        return out + indent + endWord + "\n";
    }

    const Scene& m_scene;
};

}  // namespace

bool SceneFile::write(const Scene& scene, std::string& text, std::string& error) const {
    Writer writer(scene);
    writer.run(text);
    if (!writer.error.empty()) {
        error = writer.error;
        return false;
    }
    return true;
}

bool SceneFile::save(const std::string& path, const Scene& scene, std::string& error) const {
    std::string text;
    if (!write(scene, text, error)) {
        error = path + ": " + error;
        return false;
    }
    AtomicFile file;
    std::string why;
    if (!file.open(path, why) || !file.write(text.data(), text.size(), why) || !file.commit(why)) {
        error = path + ": cannot write the scene: " + why;
        return false;
    }
    return true;
}

}  // namespace lwhost
