// The scene file reader: statements into a fresh scene, then references, then plug-ins.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <limits>
#include <optional>
#include <unordered_map>

#include "lwhost/core/platform.h"
#include "lwhost/io/quoted_text.h"
#include "lwhost/io/regular_file.h"
#include "lwhost/scene/scene_file.h"
#include "lwhost/scene/scene_file_text.h"

namespace lwhost {

namespace {

constexpr const char* kHeader = "LWHostScene";
constexpr long kVersion = 1;

using Token = QuotedToken;

struct Statement {
    int line = 0;
    std::vector<Token> tokens;
    const std::string& keyword() const { return tokens[0].text; }
    size_t args() const { return tokens.size() - 1; }
};

// A weight map as written, checked once the object's points are known.
struct PendingWeightMap {
    int line = 0;
    WeightMap map;
    struct Value {
        int line;
        long long polygon;  // -1: a continuous value
        long long point;
        float value;
    };
    std::vector<Value> values;
};

struct PendingItem {
    int line = 0;
    ItemType type = ItemType::Object;
    bool nullKeyword = false;
    std::string name;
    Transform transform;
    std::vector<std::string> comments;
    bool hasParent = false;
    std::string parentName;
    long long parentIndex = 0;  // 0: the only item of that name
    int parentLine = 0;
    GeometrySource source;
    int sourceLine = 0;
    Mesh inlineMesh;
    std::vector<PendingWeightMap> weightMaps;
    LightData light;
    CameraData camera;
};

// An item's Parent statement, resolved once every item is known.
struct PendingParent {
    size_t item;  // in the order items were read
    int line;
    std::string parentName;
    long long parentIndex;  // 0: the only item of that name
};

struct PendingSurface {
    int line = 0;
    std::string name;
    std::string file;
    std::optional<Vec3> colour;
    std::array<std::optional<double>, LWSURF_FLOAT_COUNT> values;
    std::vector<ShaderSlot> shaders;
    std::optional<NodeGraphSlot> nodes;
};

int channelOf(const std::string& token) {
    for (int c = 0; c < LWSURF_FLOAT_COUNT; ++c)
        if (token == SurfaceSettings::channelToken(c)) return c;
    return -1;
}

class Reader {
  public:
    Reader(const SceneFile& io, const std::string& text, const std::string& baseDir)
        : m_io(io), m_text(text), m_baseDir(baseDir) {
        // Editors may begin a UTF-8 file with a byte-order mark.
        if (m_text.compare(0, 3, "\xEF\xBB\xBF") == 0) m_pos = 3;
    }

    // Sizes the scene's indexes and the surface check for the sections the text holds, counted
    // by the lines that start one (at most one entry per line, so never beyond the text's size).
    void reserveFor(Scene& scene) {
        size_t items = 0, surfaces = 0;
        const auto starts = [this](size_t at, const char* word) {
            return m_text.compare(at, std::strlen(word), word) == 0;
        };
        for (size_t at = m_pos; at < m_text.size();) {
            if (starts(at, "Surface "))
                ++surfaces;
            else if (starts(at, "Object ") || starts(at, "Null ") || starts(at, "Light ") ||
                     starts(at, "Camera "))
                ++items;
            const size_t end = m_text.find('\n', at);
            if (end == std::string::npos) break;
            at = end + 1;
        }
        scene.reserve(items, std::max(items, surfaces));
    }

    void run(Scene& scene) {
        Statement s;
        if (!next(s)) throw Located{{}, 1, "empty scene file: expected \"LWHostScene 1\""};
        if (s.keyword() != kHeader)
            fail(s,
                 "expected \"LWHostScene 1\" as the first statement, found '" + s.keyword() + "'");
        arity(s, 1);
        long long version = integer(s, 1, 0, std::numeric_limits<int>::max());
        if (version != kVersion)
            fail(s, "scene format version " + std::to_string(version) +
                        " is not supported (this host reads 1)");

        reserveFor(scene);
        while (next(s)) {
            const std::string& k = s.keyword();
            if (k == "FrameRange") {
                arity(s, 2);
                long long first = integer(s, 1, -1000000000, 1000000000);
                long long last = integer(s, 2, -1000000000, 1000000000);
                if (last < first) fail(s, "the last frame comes before the first");
                scene.frames().first = static_cast<int>(first);
                scene.frames().last = static_cast<int>(last);
            } else if (k == "FramesPerSecond") {
                arity(s, 1);
                double fps = real(s, 1);
                if (!(fps > 0) || fps > 10000)
                    fail(s, "frames per second must be above 0 and at most 10000");
                scene.frames().fps = fps;
            } else if (k == "Plugin") {
                MasterSlot master;
                readPluginHeader(s, "MasterHandler", master.server, &master.disabled);
                master.data = capture(s, "EndPlugin", nullptr, true);
                scene.masters().push_back(std::move(master));
            } else if (k == "Object" || k == "Null" || k == "Light" || k == "Camera") {
                readItem(s, scene);
            } else if (k == "Surface") {
                readSurface(s);
            } else if (k == "End" || k == "EndPlugin" || k == "EndNodeGraph") {
                fail(s, "'" + k + "' without a section to end");
            } else {
                fail(s, "unknown statement '" + k + "'");
            }
        }
        resolveParents(scene);
        applySurfaces(scene);
    }

  private:
    [[noreturn]] void fail(const Statement& s, const std::string& message) const {
        throw Located{{}, s.line, message};
    }

    // ---- lines and tokens ----

    bool rawLine(std::string& line) {
        if (m_pos >= m_text.size()) return false;
        size_t end = m_text.find('\n', m_pos);
        if (end == std::string::npos) end = m_text.size();
        line.assign(m_text, m_pos, end - m_pos);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        m_pos = end + 1;
        ++m_line;
        return true;
    }

    // Next line holding a statement; false at the end of the text.
    bool next(Statement& s) {
        while (rawLine(m_lineText)) {
            s.line = m_line;
            tokenize(m_lineText, s.tokens);
            if (!s.tokens.empty()) {
                if (s.tokens[0].quoted) fail(s, "expected a keyword, found a quoted text");
                return true;
            }
        }
        return false;
    }

    // Into `tokens`, reusing the storage of the line before: a scene has millions of tokens.
    void tokenize(const std::string& line, std::vector<Token>& tokens) const {
        std::string why;
        if (!splitQuotedLine(line, kSceneQuotes, tokens, why)) throw Located{{}, m_line, why};
    }

    // ---- arguments ----

    void arity(const Statement& s, size_t n) const {
        if (s.args() != n)
            fail(s, "'" + s.keyword() + "' takes " + std::to_string(n) + " value" +
                        (n == 1 ? "" : "s") + ", found " + std::to_string(s.args()));
    }
    void arity(const Statement& s, size_t lo, size_t hi) const {
        if (s.args() < lo || s.args() > hi)
            fail(s, "'" + s.keyword() + "' takes " + std::to_string(lo) + " to " +
                        std::to_string(hi) + " values, found " + std::to_string(s.args()));
    }

    const std::string& text(const Statement& s, size_t i) const { return s.tokens[i].text; }

    double real(const Statement& s, size_t i) const {
        const Token& t = s.tokens[i];
        const char* b = t.text.data();
        const char* e = b + t.text.size();
        if (b != e && *b == '+') ++b;
        double v = 0;
        auto r = std::from_chars(b, e, v);
        if (t.quoted || b == e || r.ec != std::errc() || r.ptr != e || !std::isfinite(v))
            fail(s, "'" + s.keyword() + "' expects a number, found '" + t.text + "'");
        return v;
    }

    float realFloat(const Statement& s, size_t i) const {
        const Token& t = s.tokens[i];
        const char* b = t.text.data();
        const char* e = b + t.text.size();
        if (b != e && *b == '+') ++b;
        float v = 0;
        auto r = std::from_chars(b, e, v);
        if (t.quoted || b == e || r.ec != std::errc() || r.ptr != e || !std::isfinite(v))
            fail(s, "'" + s.keyword() + "' expects a number, found '" + t.text + "'");
        return v;
    }

    Vec3 vec(const Statement& s) const {
        arity(s, 3);
        return {real(s, 1), real(s, 2), real(s, 3)};
    }

    long long integer(const Statement& s, size_t i, long long lo, long long hi) const {
        const Token& t = s.tokens[i];
        const char* b = t.text.data();
        const char* e = b + t.text.size();
        if (b != e && *b == '+') ++b;
        long long v = 0;
        auto r = std::from_chars(b, e, v);
        if (t.quoted || b == e || r.ec != std::errc() || r.ptr != e)
            fail(s, "'" + s.keyword() + "' expects a whole number, found '" + t.text + "'");
        if (v < lo || v > hi)
            fail(s, "'" + s.keyword() + "' value " + t.text + " is out of range (" +
                        std::to_string(lo) + " to " + std::to_string(hi) + ")");
        return v;
    }

    // ---- plug-in sections ----

    void readPluginHeader(const Statement& s, const char* className, std::string& server,
                          bool* disabled) {
        arity(s, 2, disabled ? 3 : 2);
        if (text(s, 1) != className)
            fail(s,
                 "a '" + text(s, 1) + "' plug-in is not allowed here (expected " + className + ")");
        server = text(s, 2);
        if (server.empty()) fail(s, "a plug-in needs a server name");
        if (s.args() == 3) {
            if (s.tokens[3].quoted || text(s, 3) != "Disabled")
                fail(s, "expected 'Disabled' after the server name, found '" + text(s, 3) + "'");
            *disabled = true;
        }
    }

    // Keeps the section's lines up to its end word at brace depth 0, without their common
    // indentation. `enclosingEnd`, when given, is the end line of the section around this one:
    // met at depth 0 it means this section was never ended, and its lines are not taken in.
    // Whether the line opens a top-level statement: a section keyword at the line's start.
    static bool opensTopLevel(const std::string& line, std::string& word) {
        if (line.empty() || line[0] == ' ' || line[0] == '\t') return false;
        word = scenetext::firstWord(line);
        for (const char* k : {"Plugin", "Object", "Null", "Light", "Camera", "Surface",
                              "FrameRange", "FramesPerSecond"})
            if (word == k) return true;
        return false;
    }

    // A section's lines up to its end word. A section inside another fails at the enclosing
    // section's end; a top-level one (`topLevel`) fails at the next top-level statement, so that
    // a missing end line never takes in the items that follow.
    PluginData capture(const Statement& header, const std::string& endWord,
                       const char* enclosingEnd = nullptr, bool topLevel = false) {
        PluginData data;
        data.line = header.line;
        std::vector<std::string> lines;
        std::string line;
        int depth = 0;
        while (true) {
            if (!rawLine(line))
                fail(header, "'" + header.keyword() + "' section has no " + endWord);
            if (depth == 0 && scenetext::firstWord(line) == endWord) {
                Statement end;
                end.line = m_line;
                tokenize(line, end.tokens);
                if (end.args() != 0) fail(end, "'" + endWord + "' takes no values");
                break;
            }
            if (depth == 0 && enclosingEnd && scenetext::firstWord(line) == enclosingEnd)
                fail(header, "'" + header.keyword() + "' section has no " + endWord +
                                 " before the " + enclosingEnd + " at line " +
                                 std::to_string(m_line));
            std::string word;
            if (depth == 0 && topLevel && opensTopLevel(line, word))
                fail(header, "'" + header.keyword() + "' section has no " + endWord +
                                 " before the " + word + " at line " + std::to_string(m_line));
            std::string why;
            if (!scenetext::scanBraces(line, depth, why)) throw Located{{}, m_line, why};
            lines.push_back(line);
        }
        std::string body;
        for (const std::string& l : lines) body += l + '\n';
        data.text = scenetext::dedent(body);
        return data;
    }

    // ---- items ----

    void readItem(const Statement& header, Scene& scene) {
        arity(header, 1);
        if (m_ids.size() >= kMaxSceneItems)
            fail(header, "too many items (at most " + std::to_string(kMaxSceneItems) + ")");
        PendingItem item;
        item.line = header.line;
        item.name = text(header, 1);
        const std::string& k = header.keyword();
        item.type = k == "Light"    ? ItemType::Light
                    : k == "Camera" ? ItemType::Camera
                                    : ItemType::Object;
        item.nullKeyword = k == "Null";

        Statement s;
        while (true) {
            if (!next(s)) fail(header, "'" + k + "' section has no End");
            const std::string& w = s.keyword();
            if (w == "End") {
                arity(s, 0);
                break;
            }
            bool known = readCommonStatement(s, item);
            if (!known && item.type == ItemType::Object) known = readObjectStatement(s, item);
            if (!known && item.type == ItemType::Light) known = readLightStatement(s, item.light);
            if (!known && item.type == ItemType::Camera)
                known = readCameraStatement(s, item.camera);
            if (!known) fail(s, "unknown statement '" + w + "' in " + k + " \"" + item.name + "\"");
        }
        build(item, scene);
        if (item.hasParent)
            m_parents.push_back(
                {m_ids.size() - 1, item.parentLine, std::move(item.parentName), item.parentIndex});
    }

    // Statements every item takes.
    bool readCommonStatement(const Statement& s, PendingItem& item) {
        const std::string& w = s.keyword();
        if (w == "Position") {
            item.transform.position = vec(s);
        } else if (w == "Rotation") {
            item.transform.rotation = vec(s);
        } else if (w == "Scale") {
            item.transform.scale = vec(s);
        } else if (w == "Parent") {
            arity(s, 1, 2);
            item.hasParent = true;
            item.parentName = text(s, 1);
            item.parentIndex = s.args() == 2 ? integer(s, 2, 1, 1LL << 31) : 0;
            item.parentLine = s.line;
        } else if (w == "Comment") {
            arity(s, 1);
            item.comments.push_back(text(s, 1));
        } else {
            return false;
        }
        return true;
    }

    bool readCameraStatement(const Statement& s, CameraData& camera) {
        if (s.keyword() != "FieldOfView") return false;
        arity(s, 1);
        double fov = real(s, 1);
        if (!(fov > 0 && fov < 180))
            fail(s, "the field of view must be above 0 and below 180 degrees");
        camera.fieldOfView = fov;
        return true;
    }

    void setSource(const Statement& s, PendingItem& item, GeometryKind kind) {
        if (item.nullKeyword) fail(s, "a Null has no geometry; use Object");
        if (item.source.kind != GeometryKind::None &&
            !(kind == GeometryKind::Inline && item.source.kind == kind))
            fail(s, "the object already has its geometry (line " + std::to_string(item.sourceLine) +
                        ")");
        if (item.source.kind == GeometryKind::None) item.sourceLine = s.line;
        item.source.kind = kind;
    }

    double positive(const Statement& s, size_t i) const {
        double v = real(s, i);
        if (!(v > 0)) fail(s, "'" + s.keyword() + "' sizes must be above 0");
        return v;
    }

    bool readObjectStatement(const Statement& s, PendingItem& item) {
        const std::string& w = s.keyword();
        if (w == "File") {
            arity(s, 1);
            setSource(s, item, GeometryKind::ObjFile);
            if (!m_io.allowExternalFiles) fail(s, "external files are not read here");
            item.source.path = text(s, 1);
            if (item.source.path.empty()) fail(s, "'File' needs a path");
        } else if (w == "Plane") {
            arity(s, 3);
            setSource(s, item, GeometryKind::Plane);
            item.source.surface = text(s, 1);
            item.source.size = {positive(s, 2), 0, positive(s, 3)};
        } else if (w == "Box") {
            arity(s, 4);
            setSource(s, item, GeometryKind::Box);
            item.source.surface = text(s, 1);
            item.source.size = {positive(s, 2), positive(s, 3), positive(s, 4)};
        } else if (w == "Sphere") {
            arity(s, 2, 3);
            setSource(s, item, GeometryKind::Sphere);
            item.source.surface = text(s, 1);
            item.source.size = {positive(s, 2), 0, 0};
            item.source.segments =
                s.args() == 3 ? static_cast<int>(integer(s, 3, 4, kMaxSphereSegments)) : 24;
        } else if (w == "Point") {
            setSource(s, item, GeometryKind::Inline);
            item.inlineMesh.points.push_back(vec(s));
        } else if (w == "Polygon") {
            arity(s, 4, 5);
            setSource(s, item, GeometryKind::Inline);
            std::vector<uint32_t> points;
            for (size_t i = 2; i <= s.args(); ++i)
                points.push_back(static_cast<uint32_t>(integer(s, i, 0, 0xFFFFFFFELL)));
            std::string why;
            if (!item.inlineMesh.addPolygon(text(s, 1), points, &why))
                fail(s, "bad polygon: " + why);
        } else if (w == "WeightMap") {
            readWeightMap(s, item);
        } else {
            return false;
        }
        return true;
    }

    bool readLightStatement(const Statement& s, LightData& light) {
        const std::string& w = s.keyword();
        if (w == "Type") {
            arity(s, 1);
            if (text(s, 1) == "distant")
                light.kind = LightKind::Distant;
            else if (text(s, 1) == "point")
                light.kind = LightKind::Point;
            else
                fail(s, "unknown light type '" + text(s, 1) + "' (distant or point)");
        } else if (w == "Colour") {
            light.colour = vec(s);
        } else if (w == "Intensity") {
            arity(s, 1);
            light.intensity = real(s, 1);
        } else {
            return false;
        }
        return true;
    }

    void readWeightMap(const Statement& header, PendingItem& item) {
        arity(header, 1);
        PendingWeightMap pending;
        pending.line = header.line;
        pending.map.name = text(header, 1);
        for (const PendingWeightMap& other : item.weightMaps)
            if (other.map.name == pending.map.name)
                fail(header, "weight map \"" + pending.map.name + "\" is already defined (line " +
                                 std::to_string(other.line) + ")");
        Statement s;
        bool hasRamp = false;
        while (true) {
            if (!next(s)) fail(header, "'WeightMap' section has no End");
            const std::string& w = s.keyword();
            if (w == "End") {
                arity(s, 0);
                break;
            }
            if (w == "Ramp") {
                arity(s, 5);
                if (hasRamp) fail(s, "the weight map already has a ramp");
                hasRamp = true;
                const std::string& axis = text(s, 1);
                int a = axis == "X" ? 0 : axis == "Y" ? 1 : axis == "Z" ? 2 : -1;
                if (a < 0 || s.tokens[1].quoted)
                    fail(s, "the ramp's axis is X, Y or Z, not '" + axis + "'");
                pending.map.ramp = {a, real(s, 2), real(s, 3), realFloat(s, 4), realFloat(s, 5)};
            } else if (w == "Value") {
                arity(s, 2);
                pending.values.push_back(
                    {s.line, -1, integer(s, 1, 0, 0xFFFFFFFELL), realFloat(s, 2)});
            } else if (w == "PolygonValue") {
                arity(s, 3);
                pending.values.push_back({s.line, integer(s, 1, 0, 0xFFFFFFFELL),
                                          integer(s, 2, 0, 0xFFFFFFFELL), realFloat(s, 3)});
            } else {
                fail(s, "unknown statement '" + w + "' in WeightMap \"" + pending.map.name + "\"");
            }
        }
        item.weightMaps.push_back(std::move(pending));
    }

    // Builds the item's geometry and weight maps and adds it to the scene.
    void build(PendingItem& p, Scene& scene) {
        LWItemID id;
        if (p.type == ItemType::Light) {
            id = scene.addLight(p.name, p.light);
        } else if (p.type == ItemType::Camera) {
            id = scene.addCamera(p.name, p.camera);
        } else {
            ObjectData data;
            data.source = p.source;
            const std::map<std::string, SurfaceSettings>* materials = nullptr;
            Statement at;
            at.line = p.sourceLine;
            switch (p.source.kind) {
                case GeometryKind::None:
                    break;
                case GeometryKind::Inline:
                    data.mesh = std::move(p.inlineMesh);
                    break;
                case GeometryKind::Plane:
                    data.mesh = makePlane(p.source.surface, p.source.size.x, p.source.size.z);
                    break;
                case GeometryKind::Box:
                    data.mesh = makeBox(p.source.surface, p.source.size);
                    break;
                case GeometryKind::Sphere:
                    data.mesh = makeSphere(p.source.surface, p.source.size.x, p.source.segments);
                    break;
                case GeometryKind::ObjFile: {
                    const ObjGeometry& obj = objFile(at, p.source.path);
                    data.mesh = obj.mesh;
                    materials = &obj.materials;
                    break;
                }
            }
            for (PendingWeightMap& w : p.weightMaps) {
                for (const PendingWeightMap::Value& v : w.values) {
                    Statement vs;
                    vs.line = v.line;
                    const uint64_t points = data.mesh.points.size();
                    if (static_cast<uint64_t>(v.point) >= points)
                        fail(vs, "point " + std::to_string(v.point) +
                                     " does not exist (the object has " + std::to_string(points) +
                                     " points)");
                    if (v.polygon < 0) {
                        w.map.setValue(static_cast<uint32_t>(v.point), v.value);
                        continue;
                    }
                    if (static_cast<uint64_t>(v.polygon) >= data.mesh.polygons.size())
                        fail(vs, "polygon " + std::to_string(v.polygon) +
                                     " does not exist (the object has " +
                                     std::to_string(data.mesh.polygons.size()) + " polygons)");
                    const Polygon& poly = data.mesh.polygons[static_cast<size_t>(v.polygon)];
                    bool onPolygon = false;
                    for (int i = 0; i < poly.size; ++i) onPolygon |= poly.points[i] == v.point;
                    if (!onPolygon)
                        fail(vs, "point " + std::to_string(v.point) +
                                     " is not a corner of polygon " + std::to_string(v.polygon));
                    w.map.polygonValues[{static_cast<uint32_t>(v.polygon),
                                         static_cast<uint32_t>(v.point)}] = v.value;
                }
                data.mesh.weightMaps.push_back(std::move(w.map));
            }
            m_points += data.mesh.points.size();
            if (m_points > m_io.maxPoints) {
                at.line = p.line;
                fail(at, "the scene's objects have more than " + std::to_string(m_io.maxPoints) +
                             " points");
            }
            id = scene.addObject(p.name, std::move(data), materials);
        }
        Item* item = scene.item(id);
        item->transform = p.transform;
        item->comments = std::move(p.comments);
        m_ids.push_back(id);
    }

    const ObjGeometry& objFile(const Statement& s, const std::string& path) {
        std::string full =
            platform::absolutePath(path) || m_baseDir.empty() ? path : m_baseDir + "/" + path;
        auto it = m_objCache.find(full);
        if (it != m_objCache.end()) return it->second;
        ObjGeometry geometry;
        std::string why;
        if (!loadObjFile(full, geometry, why)) fail(s, why);
        return m_objCache.emplace(full, std::move(geometry)).first->second;
    }

    void resolveParents(Scene& scene) {
        if (m_parents.empty()) return;
        std::unordered_map<std::string, std::vector<LWItemID>> byName;
        for (LWItemID id : m_ids) byName[scene.item(id)->name].push_back(id);
        for (const PendingParent& p : m_parents) {
            Statement s;
            s.line = p.line;
            auto it = byName.find(p.parentName);
            if (it == byName.end()) fail(s, "no item is named \"" + p.parentName + "\"");
            const auto& candidates = it->second;
            if (p.parentIndex == 0 && candidates.size() > 1)
                fail(s, std::to_string(candidates.size()) + " items are named \"" + p.parentName +
                            "\"; pick one with Parent \"" + p.parentName + "\" N");
            if (p.parentIndex > static_cast<long long>(candidates.size()))
                fail(s, "there is no item " + std::to_string(p.parentIndex) + " named \"" +
                            p.parentName + "\"");
            LWItemID parent =
                candidates[p.parentIndex ? static_cast<size_t>(p.parentIndex) - 1 : 0];
            std::string why;
            const LWItemID child = m_ids[p.item];
            if (!scene.setParent(child, parent, &why))
                fail(s, "cannot parent \"" + scene.item(child)->name + "\" to \"" + p.parentName +
                            "\": " + why);
        }
    }

    // ---- surfaces ----

    void readSurface(const Statement& header) {
        arity(header, 2);
        PendingSurface surface;
        surface.line = header.line;
        surface.name = text(header, 1);
        surface.file = text(header, 2);
        Statement s;
        while (true) {
            if (!next(s)) fail(header, "'Surface' section has no End");
            const std::string& w = s.keyword();
            if (w == "End") {
                arity(s, 0);
                break;
            }
            int channel = channelOf(w);
            if (w == "Colour") {
                surface.colour = vec(s);
            } else if (channel >= 0) {
                arity(s, 1);
                surface.values[static_cast<size_t>(channel)] = real(s, 1);
            } else if (w == "Plugin") {
                ShaderSlot shader;
                readPluginHeader(s, "ShaderHandler", shader.server, nullptr);
                shader.data = capture(s, "EndPlugin", "End");
                surface.shaders.push_back(std::move(shader));
            } else if (w == "NodeGraph") {
                arity(s, 1);
                if (surface.nodes) fail(s, "the surface already has its node graph");
                NodeGraphSlot nodes;
                if (text(s, 1) == "on")
                    nodes.enabled = true;
                else if (text(s, 1) != "off")
                    fail(s, "'NodeGraph' is on or off, not '" + text(s, 1) + "'");
                // The host's graph blocks never use "End": met at depth 0, it ends the surface.
                nodes.data = capture(s, "EndNodeGraph", "End");
                surface.nodes = std::move(nodes);
            } else {
                fail(s, "unknown statement '" + w + "' in Surface \"" + surface.name + "\"");
            }
        }
        m_surfaces.push_back(std::move(surface));
    }

    // A surface described twice is found by the ID its lookup gives, in a flat index: the one
    // lookup by name per description is all a scene of thousands of surfaces pays.
    void applySurfaces(Scene& scene) {
        IdIndex<LWSurfaceID, int> described;
        described.reserve(m_surfaces.size());
        for (PendingSurface& p : m_surfaces) {
            Statement s;
            s.line = p.line;
            Surface* surface = scene.findSurface(p.name, p.file);
            if (!surface)
                fail(s, "no object of file \"" + p.file + "\" has a surface \"" + p.name + "\"");
            if (const int* first = described.find(surface->id))
                fail(s, "surface \"" + p.name + "\" of \"" + p.file +
                            "\" is already described (line " + std::to_string(*first) + ")");
            described.set(surface->id, p.line);
            if (p.colour) surface->settings.colour = *p.colour;
            for (int c = 0; c < LWSURF_FLOAT_COUNT; ++c)
                if (p.values[static_cast<size_t>(c)])
                    surface->settings.set(c, *p.values[static_cast<size_t>(c)]);
            surface->shaders = std::move(p.shaders);
            if (p.nodes) surface->nodes = std::move(*p.nodes);
        }
    }

    const SceneFile& m_io;
    const std::string& m_text;
    const std::string& m_baseDir;
    size_t m_pos = 0;
    size_t m_points = 0;  // points of the objects built so far
    int m_line = 0;
    std::string m_lineText;       // the line being read, its storage kept from line to line
    std::vector<LWItemID> m_ids;  // scene IDs of the items read, in order
    std::vector<PendingParent> m_parents;
    std::deque<PendingSurface> m_surfaces;  // in blocks: thousands are never moved
    std::map<std::string, ObjGeometry> m_objCache;
};

// A message on one line: texts quoted from the file may hold line breaks and other control
// characters, which are shown as escapes.
std::string oneLine(const std::string& message) {
    std::string out;
    for (unsigned char c : message) {
        if (c >= 0x20 && c != 0x7f) {
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

}  // namespace

void SceneFile::forEachPlugin(Scene& scene, const std::function<void(PluginSection&)>& f) {
    for (MasterSlot& m : scene.masters()) {
        PluginSection section{PluginKind::Master, m.server, 0, &m.data};
        f(section);
    }
    for (size_t i = 0; i < scene.surfaceCount(); ++i) {
        Surface& s = scene.surfaceAt(i);
        for (ShaderSlot& shader : s.shaders) {
            PluginSection section{PluginKind::Shader, shader.server, s.id, &shader.data};
            f(section);
        }
        PluginSection section{PluginKind::NodeGraph, std::string(), s.id, &s.nodes.data};
        f(section);
    }
}

bool SceneFile::read(const std::string& text, const std::string& fileName,
                     const std::string& baseDir, Scene& scene, std::string& error) const {
    Scene fresh;
    try {
        Reader reader(*this, text, baseDir);
        reader.run(fresh);
    } catch (Located& e) {
        e.file = fileName;
        error = oneLine(formatLocated(e));
        return false;
    } catch (const std::bad_alloc&) {
        error = fileName + ": not enough memory to read the scene";
        return false;
    }
    scene.swap(fresh);
    return true;
}

bool SceneFile::load(const std::string& path, Scene& scene, std::string& error) const {
    std::string content, why;
    switch (readRegularFile(path, kMaxSceneFileBytes, content, why)) {
        case FileStatus::Ok:
            break;
        case FileStatus::Missing:
            error = path + ": no such scene file";
            return false;
        case FileStatus::NotRegular:
            error = path + ": not a regular file";
            return false;
        case FileStatus::TooLarge:
            error = path + ": the scene file is larger than " +
                    std::to_string(kMaxSceneFileBytes >> 20) + " MiB";
            return false;
        case FileStatus::Unreadable:
            error = path + ": cannot read the scene file: " + why;
            return false;
    }
    size_t slash = path.rfind('/');
    std::string baseDir =
        slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
    return read(content, path, baseDir, scene, error);
}

}  // namespace lwhost
