// The host's scene: items in a hierarchy (objects, nulls, lights, cameras) with transforms and
// comments, object geometry with weight maps, surfaces with their shading settings, shader and
// node-graph slots, master plug-ins and the frame range.
//
// Coordinates are left-handed: X right, Y up, Z forward. Rotations are heading (about Y, +Z
// turning towards +X), pitch (about X, +Z turning towards -Y) and bank (about Z, +X turning
// towards -Y), in degrees, applied bank first, then pitch, then heading. A polygon faces the
// side its normal (v1 - v0) x (v2 - v0) points to.
//
// The scene is edited on the main thread only; while nobody edits it, any thread may read it.
#pragma once

#include <lwsdk/lwitem.h>
#include <lwsdk/lwobject.h>
#include <lwsdk/lwsurface.h>
#include "lwhost/scene/id_index.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace lwhost {

struct Vec3 {
    double x = 0, y = 0, z = 0;
    double operator[](int axis) const { return axis == 0 ? x : axis == 1 ? y : z; }
    bool operator==(const Vec3& o) const { return x == o.x && y == o.y && z == o.z; }
    bool operator!=(const Vec3& o) const { return !(*this == o); }
};

// Row-major 4x4 matrix acting on column vectors: p' = M p. Translation in m[3], m[7], m[11].
using Matrix4 = std::array<double, 16>;
Matrix4 identityMatrix();
Matrix4 multiply(const Matrix4& a, const Matrix4& b);
Vec3 transformPoint(const Matrix4& m, const Vec3& p);
Vec3 transformDirection(const Matrix4& m, const Vec3& d);  // no translation
Vec3 normalized(const Vec3& v);

enum class ItemType : int { Object = LWI_OBJECT, Light = LWI_LIGHT, Camera = LWI_CAMERA };
const char* itemTypeName(ItemType type);  // "object", "light", "camera"

struct Transform {
    Vec3 position;
    Vec3 rotation;  // heading, pitch, bank in degrees
    Vec3 scale{1, 1, 1};
    // Local to parent: translate * heading * pitch * bank * scale.
    Matrix4 matrix() const;
};

// ---- geometry ----

struct Polygon {
    std::array<uint32_t, 4> points{};  // point indices; the first `size` are used
    uint8_t size = 0;                  // 3 or 4
    uint32_t surface = 0;              // index into Mesh::surfaces
};

// Continuous values come from explicit per-point values, else from the ramp when there is one.
// Discontinuous values belong to one point on one polygon and override the continuous value
// there.
struct WeightMap {
    std::string name;
    // Generated values: along `axis` (0 x, 1 y, 2 z; -1 none) a point at `from` or before gets
    // `low`, at `to` or beyond gets `high`, and linear in between.
    struct Ramp {
        int axis = -1;
        double from = 0, to = 1;
        float low = 0, high = 1;
    } ramp;
    std::vector<float> values;      // explicit continuous values by point index
    std::vector<uint8_t> assigned;  // 1 where `values` holds a value; same size as `values`
    std::map<std::pair<uint32_t, uint32_t>, float> polygonValues;  // (polygon, point) -> value

    void setValue(uint32_t point, float value);
};

struct Mesh {
    std::vector<Vec3> points;
    std::vector<Polygon> polygons;
    std::vector<std::string> surfaces;  // surface names in order of first use
    std::vector<WeightMap> weightMaps;

    // Index of the surface name, added when new.
    uint32_t surfaceIndex(const std::string& name);
    // Adds a triangle or quad; false with `error` for a bad size or a point that does not exist.
    bool addPolygon(const std::string& surface, const std::vector<uint32_t>& pointIndices,
                    std::string* error = nullptr);
    const WeightMap* weightMap(std::string_view name) const;
    WeightMap* weightMap(std::string_view name);
    // Continuous value of the point; false when the map has none for it.
    bool weight(const WeightMap& map, uint32_t point, float& value) const;
    // Discontinuous value of the point on the polygon; false when there is none.
    static bool polygonWeight(const WeightMap& map, uint32_t polygon, uint32_t point, float& value);
};

// The scalar shading channels of SurfaceSettings. Plug-ins read them by name (SURF_*).
#define LWSURF_LUMINOSITY 0
#define LWSURF_DIFFUSE 1
#define LWSURF_SPECULAR 2
#define LWSURF_GLOSSINESS 3
#define LWSURF_REFLECTION 4
#define LWSURF_TRANSPARENCY 5
#define LWSURF_REFRACTION_INDEX 6
#define LWSURF_TRANSLUCENCY 7
#define LWSURF_COLOUR_HIGHLIGHTS 8
#define LWSURF_COLOUR_FILTER 9
#define LWSURF_DIFFUSE_SHARPNESS 10
#define LWSURF_ADDITIVE_TRANSPARENCY 11
#define LWSURF_REFLECTION_BLURRING 12
#define LWSURF_REFRACTION_BLURRING 13
#define LWSURF_FLOAT_COUNT 14

// Shading settings; the scalar channels are indexed by the LWSURF_* codes.
struct SurfaceSettings {
    Vec3 colour{0.78, 0.78, 0.78};
    std::array<double, LWSURF_FLOAT_COUNT> values = defaults();

    double get(int channel) const { return values[static_cast<size_t>(channel)]; }
    void set(int channel, double v) { values[static_cast<size_t>(channel)] = v; }
    static std::array<double, LWSURF_FLOAT_COUNT> defaults();
    // The scene-file token of a channel ("Luminosity", "RefractionIndex", ...).
    static const char* channelToken(int channel);
};

// How an object's geometry was made, kept so that saving writes the same description.
enum class GeometryKind { None, Inline, ObjFile, Plane, Box, Sphere };
struct GeometrySource {
    GeometryKind kind = GeometryKind::None;  // None: a null
    std::string path;     // ObjFile: the path as written (relative to the scene's directory)
    std::string surface;  // primitives: the surface name
    Vec3 size;            // Plane: x, z; Box: x, y, z; Sphere: x = radius
    int segments = 0;     // Sphere: segments around; half as many rings
};

// Built-in primitives, centred on the origin, polygons facing outwards.
Mesh makePlane(const std::string& surface, double sizeX, double sizeZ);  // in XZ, facing +Y
Mesh makeBox(const std::string& surface, const Vec3& size);
Mesh makeSphere(const std::string& surface, double radius, int segments);  // segments >= 4
constexpr int kMaxSphereSegments = 512;

// Geometry of a Wavefront OBJ file: polygons of more than four points become triangle fans,
// "usemtl" names the surfaces (polygons before any take "Default"), and materials of the
// "mtllib" files (read when present) give the surfaces' first settings.
struct ObjGeometry {
    Mesh mesh;
    std::map<std::string, SurfaceSettings> materials;
};
bool loadObjFile(const std::string& path, ObjGeometry& out, std::string& error);

struct ObjectData {
    GeometrySource source;
    std::string fileName;  // the OBJ path, or the item name for anything else
    std::string refName;   // fileName after its last '/', without its last extension
    Mesh mesh;
};

enum class LightKind { Distant, Point };
struct LightData {
    LightKind kind = LightKind::Distant;  // distant lights shine along their +Z axis
    Vec3 colour{1, 1, 1};
    double intensity = 1;
};

struct CameraData {
    double fieldOfView = 50;  // horizontal, degrees; the camera looks along its +Z axis
};

struct Item {
    LWItemID id = LWITEM_NULL;
    ItemType type = ItemType::Object;
    std::string name;
    Transform transform;
    std::vector<std::string> comments;  // comment lines; tag number n is comments[n - 1]
    ObjectData object;                  // objects
    LightData light;                    // lights
    CameraData camera;                  // cameras

    bool isNull() const {
        return type == ItemType::Object && object.source.kind == GeometryKind::None;
    }

    // Kept by the scene: change them only through Scene.
    LWItemID parent = LWITEM_NULL;
    std::vector<LWItemID> children;  // in scene order
    size_t childIndex = 0;           // its position among its parent's children
    size_t order = 0;                // position in the scene
    size_t typeOrder = 0;            // position among the items of its type
};

// ---- plug-in slots ----

// Stored settings of a plug-in instance, and the instance made from them once plug-ins are
// loaded.
struct PluginData {
    std::string text;  // its blocks in the text encoding; lines without common indentation,
                       // each ending in '\n'
    int line = 0;      // line of its Plugin/NodeGraph statement in the file; the text starts on
                       // the next line (0: not read from a file)
    void* instance = nullptr;
};

struct ShaderSlot {
    std::string server;
    PluginData data;
};

// A surface's own node graph: its enable state and stored blocks. data.instance is the host
// node editor once one exists ("Surface Functions 3" getNodeEditor hands it out).
struct NodeGraphSlot {
    bool enabled = false;
    PluginData data;
};

struct MasterSlot {
    std::string server;
    bool disabled = false;  // LWSRVF_DISABLED
    PluginData data;
};

struct Surface {
    LWSurfaceID id = 0;
    std::string name;
    std::string objectFile;  // file name of the objects it belongs to
    SurfaceSettings settings;
    std::vector<ShaderSlot> shaders;  // in evaluation order
    NodeGraphSlot nodes;
};

struct FrameRange {
    int first = 1;
    int last = 1;
    double fps = 30;
};

// (object file, surface name): what a surface is found by.
using SurfaceKey = std::pair<std::string, std::string>;
struct SurfaceKeyHash {
    size_t operator()(const SurfaceKey& key) const noexcept;
};

// Deepest item hierarchy allowed; deeper parenting is refused.
constexpr int kMaxHierarchyDepth = 1000;

class Scene {
  public:
    Scene();
    ~Scene();
    Scene(Scene&&) noexcept;
    Scene& operator=(Scene&&) noexcept;
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;
    void swap(Scene& other) noexcept;

    // ---- items ----
    // Adds an item at the end of the scene, top level. Objects create the surfaces their
    // mesh names that their file does not have yet, with `materials` settings when given.
    LWItemID addNull(const std::string& name);
    LWItemID addObject(const std::string& name, ObjectData data,
                       const std::map<std::string, SurfaceSettings>* materials = nullptr);
    LWItemID addLight(const std::string& name, const LightData& light = LightData());
    LWItemID addCamera(const std::string& name, const CameraData& camera = CameraData());

    size_t itemCount() const { return m_items.size(); }
    Item& itemAt(size_t order) { return *m_items[order]; }
    const Item& itemAt(size_t order) const { return *m_items[order]; }
    Item* item(LWItemID id);
    const Item* item(LWItemID id) const;
    // Items with that name, in scene order.
    std::vector<LWItemID> findItems(const std::string& name) const;

    LWItemID first(ItemType type) const;
    LWItemID next(LWItemID id) const;  // next of the same type
    size_t count(ItemType type) const { return m_byType[static_cast<int>(type)].size(); }
    LWItemID parent(LWItemID id) const;
    LWItemID firstChild(LWItemID id) const;
    LWItemID nextChild(LWItemID parent, LWItemID child) const;
    // Number of ancestors.
    int depth(LWItemID id) const;
    // Makes `parent` (0: none) the parent of `child`. Refuses unknown items, cycles and
    // hierarchies deeper than kMaxHierarchyDepth, with a reason in `error`.
    bool setParent(LWItemID child, LWItemID parent, std::string* error = nullptr);
    // Object to world.
    Matrix4 worldMatrix(LWItemID id) const;
    // Comment line `tag` (from 1) or null.
    const std::string* comment(LWItemID id, int tag) const;

    // Gives every item a new ID, never one in use before, and returns the (old, new) pairs in
    // scene order followed by a (0, 0) pair.
    std::vector<std::pair<LWItemID, LWItemID>> renumber();

    // ---- objects (object items in scene order, nulls included) ----
    size_t objectCount() const { return count(ItemType::Object); }
    LWItemID objectAt(size_t index) const;
    int objectIndex(LWItemID id) const;  // -1 when not an object

    // ---- surfaces ----
    size_t surfaceCount() const { return m_surfaces.size(); }
    Surface& surfaceAt(size_t index) { return *m_surfaces[index]; }
    const Surface& surfaceAt(size_t index) const { return *m_surfaces[index]; }
    Surface* surface(LWSurfaceID id);
    const Surface* surface(LWSurfaceID id) const;
    LWSurfaceID nextSurface(LWSurfaceID id) const;  // the surface after it, or 0
    Surface* findSurface(const std::string& name, const std::string& objectFile);
    const Surface* findSurface(const std::string& name, const std::string& objectFile) const;
    // Surfaces of an object file, in order.
    std::vector<LWSurfaceID> surfacesOf(const std::string& objectFile) const;
    // The surface of a polygon of an object, or 0.
    LWSurfaceID polygonSurface(LWItemID object, uint32_t polygon) const;

    // ---- vertex maps: (type, name) once each, in order of first appearance over the objects
    std::vector<std::pair<LWID, const std::string*>> vertexMaps() const;

    // ---- plug-ins ----
    std::vector<MasterSlot>& masters() { return m_masters; }
    const std::vector<MasterSlot>& masters() const { return m_masters; }
    // Server of the class at `index` (from 1) on the item; LWITEM_NULL is the scene, whose
    // "MasterHandler" servers are the masters. An object's "ShaderHandler" servers are the
    // shaders of its surfaces, surface by surface. Null past the last one.
    const char* serverName(LWItemID item, const std::string& className, int index) const;
    unsigned serverFlags(LWItemID item, const std::string& className, int index) const;

    // ---- frames ----
    FrameRange& frames() { return m_frames; }
    const FrameRange& frames() const { return m_frames; }

    // Changes whenever items, surfaces or the hierarchy change through this class; unique over
    // all scenes of the process. Call touch() after editing names or files through pointers.
    uint64_t revision() const { return m_revision; }
    void touch();

    // Room for this many more items and surfaces, so that a large load sizes the scene's
    // indexes once instead of rehashing them as they grow.
    void reserve(size_t items, size_t surfaces);

  private:
    LWItemID allocateId(ItemType type, const IdIndex<LWItemID, Item*>* avoid);
    Item& addItem(ItemType type, const std::string& name);
    void rebuildIndex();
    const ShaderSlot* objectShader(const Item& object, const std::string& className,
                                   int index) const;

    std::vector<std::unique_ptr<Item>> m_items;
    IdIndex<LWItemID, Item*> m_index;             // items stay put: found without m_items
    std::array<std::vector<size_t>, 3> m_byType;  // orders of the items of each type
    uint32_t m_nextSerial = 1;

    std::vector<std::unique_ptr<Surface>> m_surfaces;
    IdIndex<LWSurfaceID, size_t> m_surfaceIndex;
    std::unordered_map<SurfaceKey, size_t, SurfaceKeyHash> m_surfaceByName;
    // Surface IDs of each object file, in scene order: kept whole, so that listing a file's
    // surfaces touches no surface.
    std::unordered_map<std::string, std::vector<LWSurfaceID>> m_surfacesByFile;

    std::vector<MasterSlot> m_masters;
    FrameRange m_frames;
    uint64_t m_revision = 0;
};

}  // namespace lwhost
