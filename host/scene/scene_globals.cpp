#include "lwhost/scene/scene_globals.h"

#include <cstring>

#include "lwhost/core/handles.h"
#include "lwhost/core/host.h"

namespace lwhost {

namespace {

// Every C function of the four records comes through here: find the current host's scene, run
// the query, and keep exceptions on this side. No lock: the host's SceneGlobals is made and
// destroyed on the main thread while no render runs, and queries only read the scene.
template <class R, class F>
R withScene(R none, F&& query) {
    Host* host = Host::current();
    SceneGlobals* globals = host ? host->sceneGlobals() : nullptr;
    if (!globals) return none;
    try {
        return query(*globals, static_cast<const Scene&>(globals->scene()));
    } catch (...) {
        return none;
    }
}

const char* cstr(const std::string* s) {
    return s ? s->c_str() : nullptr;
}

const Item* objectItem(const Scene& scene, LWItemID id) {
    const Item* item = scene.item(id);
    return item && item->type == ItemType::Object ? item : nullptr;
}

const Item* objectByIndex(const Scene& scene, int index) {
    return index >= 0 ? scene.item(scene.objectAt(static_cast<size_t>(index))) : nullptr;
}

// ---- mesh information ----

struct MeshInfo {
    st_LWMeshInfo record;
    const Item* object;
    const WeightMap* selected = nullptr;
};

const Mesh* meshOf(st_LWMeshInfo* info) {
    return info && info->priv ? &static_cast<MeshInfo*>(info->priv)->object->object.mesh : nullptr;
}

// Point and polygon handles carry the index + 1 as their key.
constexpr size_t kNoIndex = ~size_t(0);
template <class Handle>
size_t indexOf(Handle handle, size_t count) {
    const uint32_t key = keyOf(handle);
    return key >= 1 && key <= count ? key - 1 : kNoIndex;
}

const Polygon* polygonOf(const Mesh& mesh, LWPolID id) {
    const size_t at = indexOf(id, mesh.polygons.size());
    return at == kNoIndex ? nullptr : &mesh.polygons[at];
}

template <class R, class F>
R withMesh(st_LWMeshInfo* info, R none, F&& query) {
    const Mesh* mesh = meshOf(info);
    if (!mesh) return none;
    return query(*static_cast<MeshInfo*>(info->priv), *mesh);
}

// Plain functions with internal linkage: the records hold their addresses.
void miDestroy(st_LWMeshInfo* info) {
    if (info) delete static_cast<MeshInfo*>(info->priv);
}
int miNumPoints(st_LWMeshInfo* info) {
    return withMesh(info, 0,
                    [](MeshInfo&, const Mesh& m) { return static_cast<int>(m.points.size()); });
}
int miNumPolygons(st_LWMeshInfo* info) {
    return withMesh(info, 0,
                    [](MeshInfo&, const Mesh& m) { return static_cast<int>(m.polygons.size()); });
}
int miPntBasePos(st_LWMeshInfo* info, LWPntID point, float position[3]) {
    return withMesh(info, 0, [&](MeshInfo&, const Mesh& m) {
        const size_t at = indexOf(point, m.points.size());
        if (at == kNoIndex || !position) return 0;
        const Vec3& p = m.points[at];
        position[0] = static_cast<float>(p.x);
        position[1] = static_cast<float>(p.y);
        position[2] = static_cast<float>(p.z);
        return 1;
    });
}
int miPolSize(st_LWMeshInfo* info, LWPolID polygon) {
    return withMesh(info, 0, [&](MeshInfo&, const Mesh& m) {
        const Polygon* p = polygonOf(m, polygon);
        return p ? static_cast<int>(p->size) : 0;
    });
}
LWPntID miPolVertex(st_LWMeshInfo* info, LWPolID polygon, int vertex) {
    return withMesh(info, LWPntID(0), [&](MeshInfo&, const Mesh& m) -> LWPntID {
        const Polygon* p = polygonOf(m, polygon);
        return p && vertex >= 0 && vertex < p->size
                   ? handleOf<LWPntID>(p->points[static_cast<size_t>(vertex)] + 1)
                   : nullptr;
    });
}
const char* miPolTag(st_LWMeshInfo* info, LWPolID polygon, LWID tagType) {
    return withMesh(
        info, static_cast<const char*>(nullptr), [&](MeshInfo&, const Mesh& m) -> const char* {
            const Polygon* p = polygonOf(m, polygon);
            return p && tagType == LWPTAG_SURF ? m.surfaces[p->surface].c_str() : nullptr;
        });
}
// Maps looked up or read while an explanation watches this thread: a node that reads a map per
// point answers per sample, whether it looked the map up now or when its frame was prepared.
thread_local std::set<std::string>* t_vmapWatch = nullptr;

LWVMapID miPntVLookup(st_LWMeshInfo* info, LWID type, const char* name) {
    if (t_vmapWatch && name) t_vmapWatch->insert(name);
    return withMesh(info, LWVMapID(nullptr), [&](MeshInfo&, const Mesh& m) -> LWVMapID {
        if (type != LWVMAP_WGHT || !name) return nullptr;
        return reinterpret_cast<LWVMapID>(m.weightMap(name));
    });
}
int miPntVSelect(st_LWMeshInfo* info, LWVMapID map) {
    return withMesh(info, 0, [&](MeshInfo& mi, const Mesh& m) {
        mi.selected = nullptr;
        for (const WeightMap& w : m.weightMaps)
            if (reinterpret_cast<LWVMapID>(&w) == map) mi.selected = &w;
        return mi.selected ? 1 : 0;
    });
}
int miPntVGet(st_LWMeshInfo* info, LWPntID point, float* value) {
    return withMesh(info, 0, [&](MeshInfo& mi, const Mesh& m) {
        float v;
        if (t_vmapWatch && mi.selected) t_vmapWatch->insert(mi.selected->name);
        const size_t at = indexOf(point, m.points.size());
        if (!mi.selected || !value || at == kNoIndex ||
            !m.weight(*mi.selected, static_cast<uint32_t>(at), v))
            return 0;
        *value = v;
        return 1;
    });
}
int miPntVPGet(st_LWMeshInfo* info, LWPntID point, LWPolID polygon, float* value) {
    return withMesh(info, 0, [&](MeshInfo& mi, const Mesh& m) {
        float v;
        if (t_vmapWatch && mi.selected) t_vmapWatch->insert(mi.selected->name);
        const size_t pnt = indexOf(point, m.points.size());
        const size_t pol = indexOf(polygon, m.polygons.size());
        if (!mi.selected || !value || pnt == kNoIndex || pol == kNoIndex ||
            !Mesh::polygonWeight(*mi.selected, static_cast<uint32_t>(pol),
                                 static_cast<uint32_t>(pnt), v))
            return 0;
        *value = v;
        return 1;
    });
}

// ---- "LW Item Info 3" ----

LWItemID iiFirst(int type, LWItemID owner) {
    return withScene(LWItemID(0), [&](SceneGlobals&, const Scene& s) -> LWItemID {
        if (owner || type < LWI_OBJECT || type > LWI_CAMERA) return 0;
        return s.first(static_cast<ItemType>(type));
    });
}
LWItemID iiNext(LWItemID item) {
    return withScene(LWItemID(0), [&](SceneGlobals&, const Scene& s) { return s.next(item); });
}
LWItemID iiFirstChild(LWItemID parent) {
    return withScene(LWItemID(0),
                     [&](SceneGlobals&, const Scene& s) { return s.firstChild(parent); });
}
LWItemID iiNextChild(LWItemID parent, LWItemID prev) {
    return withScene(LWItemID(0),
                     [&](SceneGlobals&, const Scene& s) { return s.nextChild(parent, prev); });
}
LWItemID iiParent(LWItemID item) {
    return withScene(LWItemID(0), [&](SceneGlobals&, const Scene& s) { return s.parent(item); });
}
const char* iiName(LWItemID item) {
    return withScene(static_cast<const char*>(nullptr), [&](SceneGlobals&, const Scene& s) {
        const Item* i = s.item(item);
        return i ? i->name.c_str() : nullptr;
    });
}
int iiType(LWItemID item) {
    return withScene(LWI_NONE, [&](SceneGlobals&, const Scene& s) {
        const Item* i = s.item(item);
        return i ? static_cast<int>(i->type) : LWI_NONE;
    });
}
int iiParam(LWItemID item, int which, LWTime, double vector[3]) {
    return withScene(0, [&](SceneGlobals&, const Scene& s) {
        const Item* i = s.item(item);
        if (!i || !vector) return 0;
        Vec3 v;
        switch (which) {
            case LWIP_POSITION:
                v = i->transform.position;
                break;
            case LWIP_ROTATION:
                v = i->transform.rotation;
                break;
            case LWIP_SCALE:
                v = i->transform.scale;
                break;
            case LWIP_W_POSITION:
                v = transformPoint(s.worldMatrix(item), {});
                break;
            case LWIP_RIGHT:
                v = normalized(transformDirection(s.worldMatrix(item), {1, 0, 0}));
                break;
            case LWIP_UP:
                v = normalized(transformDirection(s.worldMatrix(item), {0, 1, 0}));
                break;
            case LWIP_FORWARD:
                v = normalized(transformDirection(s.worldMatrix(item), {0, 0, 1}));
                break;
            default:
                return 0;
        }
        vector[0] = v.x;
        vector[1] = v.y;
        vector[2] = v.z;
        return 1;
    });
}
const char* iiGetTag(LWItemID item, int tag) {
    return withScene(static_cast<const char*>(nullptr),
                     [&](SceneGlobals&, const Scene& s) { return cstr(s.comment(item, tag)); });
}
const char* iiServer(LWItemID item, const char* className, int index) {
    return withScene(static_cast<const char*>(nullptr), [&](SceneGlobals&, const Scene& s) {
        return className ? s.serverName(item, className, index) : nullptr;
    });
}
unsigned iiServerFlags(LWItemID item, const char* className, int index) {
    return withScene(0u, [&](SceneGlobals&, const Scene& s) {
        return className ? s.serverFlags(item, className, index) : 0u;
    });
}

// ---- "LW Object Info 4" ----

const char* oiFilename(LWItemID object) {
    return withScene(static_cast<const char*>(nullptr), [&](SceneGlobals&, const Scene& s) {
        const Item* i = objectItem(s, object);
        return i ? i->object.fileName.c_str() : nullptr;
    });
}
int oiNumPoints(LWItemID object) {
    return withScene(0, [&](SceneGlobals&, const Scene& s) {
        const Item* i = objectItem(s, object);
        return i ? static_cast<int>(i->object.mesh.points.size()) : 0;
    });
}
int oiNumPolygons(LWItemID object) {
    return withScene(0, [&](SceneGlobals&, const Scene& s) {
        const Item* i = objectItem(s, object);
        return i ? static_cast<int>(i->object.mesh.polygons.size()) : 0;
    });
}
st_LWMeshInfo* oiMeshInfo(LWItemID object, int) {
    return withScene(static_cast<st_LWMeshInfo*>(nullptr),
                     [&](SceneGlobals&, const Scene& s) -> st_LWMeshInfo* {
                         const Item* i = objectItem(s, object);
                         if (!i) return nullptr;
                         // A failed allocation throws and answers null through withScene.
                         auto* mi = new MeshInfo{};
                         mi->object = i;
                         mi->record = {mi,           miDestroy,    miNumPoints, miNumPolygons,
                                       miPntBasePos, miPolSize,    miPolVertex, miPolTag,
                                       miPntVLookup, miPntVSelect, miPntVGet,   miPntVPGet};
                         return &mi->record;
                     });
}

// ---- "Scene Objects 4" ----

int soNumObjects() {
    return withScene(
        0, [](SceneGlobals&, const Scene& s) { return static_cast<int>(s.objectCount()); });
}
const char* soFilename(int object) {
    return withScene(static_cast<const char*>(nullptr), [&](SceneGlobals&, const Scene& s) {
        const Item* i = objectByIndex(s, object);
        return i ? i->object.fileName.c_str() : nullptr;
    });
}
int soNumPoints(int object) {
    return withScene(0, [&](SceneGlobals&, const Scene& s) {
        const Item* i = objectByIndex(s, object);
        return i ? static_cast<int>(i->object.mesh.points.size()) : 0;
    });
}
int soNumPolygons(int object) {
    return withScene(0, [&](SceneGlobals&, const Scene& s) {
        const Item* i = objectByIndex(s, object);
        return i ? static_cast<int>(i->object.mesh.polygons.size()) : 0;
    });
}
int soNumSurfaces(int object) {
    return withScene(0, [&](SceneGlobals&, const Scene& s) {
        const Item* i = objectByIndex(s, object);
        return i ? static_cast<int>(i->object.mesh.surfaces.size()) : 0;
    });
}
const char* soSurfaceName(int object, int surface) {
    return withScene(
        static_cast<const char*>(nullptr), [&](SceneGlobals&, const Scene& s) -> const char* {
            const Item* i = objectByIndex(s, object);
            if (!i || surface < 0 || static_cast<size_t>(surface) >= i->object.mesh.surfaces.size())
                return nullptr;
            return i->object.mesh.surfaces[static_cast<size_t>(surface)].c_str();
        });
}
// The scene's vertex maps of a type (0: all) and the one at an index.
const std::pair<LWID, const std::string*>* vmapAt(
    const std::vector<std::pair<LWID, const std::string*>>& maps, LWID type, int index) {
    int n = 0;
    for (const auto& m : maps)
        if ((type == 0 || m.first == type) && n++ == index) return &m;
    return nullptr;
}
int soNumVMaps(LWID type) {
    return withScene(0, [&](SceneGlobals&, const Scene& s) {
        int n = 0;
        for (const auto& m : s.vertexMaps()) n += type == 0 || m.first == type;
        return n;
    });
}
const char* soVMapName(LWID type, int index) {
    return withScene(static_cast<const char*>(nullptr), [&](SceneGlobals&, const Scene& s) {
        const auto maps = s.vertexMaps();
        auto* m = vmapAt(maps, type, index);
        return m ? m->second->c_str() : nullptr;
    });
}
int soVMapDim(LWID type, int index) {
    return withScene(0, [&](SceneGlobals&, const Scene& s) {
        const auto maps = s.vertexMaps();
        return vmapAt(maps, type, index) ? 1 : 0;
    });
}
LWID soVMapType(int index) {
    return withScene(LWID(0), [&](SceneGlobals&, const Scene& s) -> LWID {
        const auto maps = s.vertexMaps();
        auto* m = vmapAt(maps, 0, index);
        return m ? m->first : 0;
    });
}
LWItemID soItem(int object) {
    return withScene(LWItemID(0), [&](SceneGlobals&, const Scene& s) -> LWItemID {
        return object >= 0 ? s.objectAt(static_cast<size_t>(object)) : 0;
    });
}
int soObjectIndex(LWItemID item) {
    return withScene(-1, [&](SceneGlobals&, const Scene& s) { return s.objectIndex(item); });
}
const char* soUserName(int object) {
    return withScene(static_cast<const char*>(nullptr), [&](SceneGlobals&, const Scene& s) {
        const Item* i = objectByIndex(s, object);
        return i ? i->name.c_str() : nullptr;
    });
}
const char* soRefName(int object) {
    return withScene(static_cast<const char*>(nullptr), [&](SceneGlobals&, const Scene& s) {
        const Item* i = objectByIndex(s, object);
        return i ? i->object.refName.c_str() : nullptr;
    });
}

// ---- "Surface Functions 3" ----

LWSurfaceID sfFirst() {
    return withScene(LWSurfaceID(0), [](SceneGlobals&, const Scene& s) -> LWSurfaceID {
        return s.surfaceCount() ? s.surfaceAt(0).id : 0;
    });
}
LWSurfaceID sfNext(LWSurfaceID surface) {
    return withScene(LWSurfaceID(0),
                     [&](SceneGlobals&, const Scene& s) { return s.nextSurface(surface); });
}
const LWSurfaceID* sfByName(const char* name, const char* objectName) {
    return withScene(static_cast<const LWSurfaceID*>(nullptr),
                     [&](SceneGlobals& g, const Scene&) -> const LWSurfaceID* {
                         if (!name) return nullptr;
                         std::string file = objectName ? objectName : "";
                         return g.surfacesByName(name, objectName ? &file : nullptr);
                     });
}
const LWSurfaceID* sfByObject(const char* objectName) {
    return withScene(static_cast<const LWSurfaceID*>(nullptr), [&](SceneGlobals& g, const Scene&) {
        return objectName ? g.surfacesByObject(objectName) : nullptr;
    });
}
const char* sfName(LWSurfaceID surface) {
    return withScene(static_cast<const char*>(nullptr), [&](SceneGlobals&, const Scene& s) {
        const Surface* f = s.surface(surface);
        return f ? f->name.c_str() : nullptr;
    });
}
const char* sfSceneObject(LWSurfaceID surface) {
    return withScene(static_cast<const char*>(nullptr), [&](SceneGlobals&, const Scene& s) {
        const Surface* f = s.surface(surface);
        return f ? f->objectFile.c_str() : nullptr;
    });
}
double sfGetFlt(LWSurfaceID surface, int channel) {
    return withScene(0.0, [&](SceneGlobals&, const Scene& s) {
        const Surface* f = s.surface(surface);
        return f && channel >= 0 && channel < LWSURF_FLOAT_COUNT ? f->settings.get(channel) : 0.0;
    });
}
int sfGetColour(LWSurfaceID surface, double rgb[3]) {
    return withScene(0, [&](SceneGlobals&, const Scene& s) {
        const Surface* f = s.surface(surface);
        if (!f || !rgb) return 0;
        rgb[0] = f->settings.colour.x;
        rgb[1] = f->settings.colour.y;
        rgb[2] = f->settings.colour.z;
        return 1;
    });
}
void* sfGetNodeEditor(LWSurfaceID surface) {
    return withScene(static_cast<void*>(nullptr), [&](SceneGlobals&, const Scene& s) {
        const Surface* f = s.surface(surface);
        return f ? f->nodes.data.instance : nullptr;
    });
}
const char* sfServer(LWSurfaceID surface, int index) {
    return withScene(static_cast<const char*>(nullptr),
                     [&](SceneGlobals&, const Scene& s) -> const char* {
                         const Surface* f = s.surface(surface);
                         if (!f || index < 1 || static_cast<size_t>(index) > f->shaders.size())
                             return nullptr;
                         return f->shaders[static_cast<size_t>(index) - 1].server.c_str();
                     });
}

const st_LWItemInfo kItemInfo = {iiFirst, iiNext,  iiFirstChild, iiNextChild, iiParent,     iiName,
                                 iiType,  iiParam, iiGetTag,     iiServer,    iiServerFlags};
const st_LWObjectInfo kObjectInfo = {oiFilename, oiNumPoints, oiNumPolygons, oiMeshInfo};
const st_LWObjectFuncs kObjectFuncs = {
    soNumObjects, soFilename, soNumPoints, soNumPolygons, soNumSurfaces, soSurfaceName, soNumVMaps,
    soVMapName,   soVMapDim,  soVMapType,  soItem,        soObjectIndex, soUserName,    soRefName};
const st_LWSurfaceFuncs kSurfaceFuncs = {sfFirst,         sfNext,        sfByName, sfByObject,
                                         sfName,          sfSceneObject, sfGetFlt, sfGetColour,
                                         sfGetNodeEditor, sfServer};

template <class T>
void* asRecord(const T* record) {
    return const_cast<T*>(record);
}

}  // namespace

SceneGlobals::SceneGlobals(Host& host, Scene& scene) : m_host(host), m_scene(scene) {
    host.attach(this);
    host.globals().publish(LWITEMINFO_GLOBAL, asRecord(&kItemInfo));
    host.globals().publish(LWOBJECTINFO_GLOBAL, asRecord(&kObjectInfo));
    host.globals().publish(LWOBJECTFUNCS_GLOBAL, asRecord(&kObjectFuncs));
    host.globals().publish(LWSURFACEFUNCS_GLOBAL, asRecord(&kSurfaceFuncs));
}

SceneGlobals::~SceneGlobals() {
    m_host.globals().withdraw(LWITEMINFO_GLOBAL);
    m_host.globals().withdraw(LWOBJECTINFO_GLOBAL);
    m_host.globals().withdraw(LWOBJECTFUNCS_GLOBAL);
    m_host.globals().withdraw(LWSURFACEFUNCS_GLOBAL);
    if (m_host.sceneGlobals() == this) m_host.attach(static_cast<SceneGlobals*>(nullptr));
}

const st_LWItemInfo* SceneGlobals::itemInfo() {
    return &kItemInfo;
}
const st_LWObjectInfo* SceneGlobals::objectInfo() {
    return &kObjectInfo;
}
const st_LWObjectFuncs* SceneGlobals::objectFuncs() {
    return &kObjectFuncs;
}
const st_LWSurfaceFuncs* SceneGlobals::surfaceFuncs() {
    return &kSurfaceFuncs;
}

void SceneGlobals::dropStaleLists() {
    if (m_listRevision == m_scene.revision()) return;
    m_byObject.clear();
    m_byName.clear();
    m_listRevision = m_scene.revision();
}

const LWSurfaceID* SceneGlobals::surfacesByObject(const std::string& objectFile) {
    std::lock_guard<std::mutex> lock(m_listMutex);
    dropStaleLists();
    auto it = m_byObject.find(objectFile);
    if (it == m_byObject.end()) {
        std::vector<LWSurfaceID> ids = m_scene.surfacesOf(objectFile);
        ids.push_back(0);
        it = m_byObject.emplace(objectFile, std::move(ids)).first;
    }
    return it->second.data();
}

const LWSurfaceID* SceneGlobals::surfacesByName(const std::string& name,
                                                const std::string* objectFile) {
    std::lock_guard<std::mutex> lock(m_listMutex);
    dropStaleLists();
    // The key's second part marks "any object" apart from an object file named like it.
    std::pair<std::string, std::string> key{name, objectFile ? "=" + *objectFile : "*"};
    auto it = m_byName.find(key);
    if (it == m_byName.end()) {
        std::vector<LWSurfaceID> ids;
        for (size_t i = 0; i < m_scene.surfaceCount(); ++i) {
            const Surface& s = m_scene.surfaceAt(i);
            if (s.name == name && (!objectFile || s.objectFile == *objectFile)) ids.push_back(s.id);
        }
        ids.push_back(0);
        it = m_byName.emplace(key, std::move(ids)).first;
    }
    return it->second.data();
}

std::set<std::string>* SceneGlobals::watchVMapLookups(std::set<std::string>* names) {
    std::set<std::string>* before = t_vmapWatch;
    t_vmapWatch = names;
    return before;
}

}  // namespace lwhost
