#include "lwhost/scene/scene_globals.h"

#include <cstring>
#include <set>
#include <string_view>

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

// The map as the record handed it out, when it is one of the mesh's (no allocation: render
// threads read maps per sample).
const WeightMap* mapOf(const Mesh& mesh, const void* map) {
    for (const WeightMap& w : mesh.weightMaps)
        if (static_cast<const void*>(&w) == map) return &w;
    return nullptr;
}

// Maps looked up or read while an explanation watches this thread: a node that reads a map per
// point answers per sample, whether it looked the map up now or when its frame was prepared.
thread_local std::set<std::string>* t_vmapWatch = nullptr;

int pointValue(const Mesh& m, const WeightMap* map, LWPntID point, float* value) {
    float v;
    if (t_vmapWatch && map) t_vmapWatch->insert(map->name);
    const size_t at = indexOf(point, m.points.size());
    if (!map || !value || at == kNoIndex || !m.weight(*map, static_cast<uint32_t>(at), v)) return 0;
    *value = v;
    return 1;
}
int polygonValue(const Mesh& m, const WeightMap* map, LWPntID point, LWPolID polygon,
                 float* value) {
    float v;
    if (t_vmapWatch && map) t_vmapWatch->insert(map->name);
    const size_t pnt = indexOf(point, m.points.size());
    const size_t pol = indexOf(polygon, m.polygons.size());
    if (!map || !value || pnt == kNoIndex || pol == kNoIndex ||
        !Mesh::polygonWeight(*map, static_cast<uint32_t>(pol), static_cast<uint32_t>(pnt), v))
        return 0;
    *value = v;
    return 1;
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
int miScanPoints(st_LWMeshInfo* info, LWPntScanFunc* func, void* data) {
    return withMesh(info, 0, [&](MeshInfo&, const Mesh& m) {
        if (!func) return 0;
        for (size_t i = 0; i < m.points.size(); ++i)
            if (const int stop = func(data, handleOf<LWPntID>(static_cast<uint32_t>(i + 1))))
                return stop;
        return 0;
    });
}
int miScanPolys(st_LWMeshInfo* info, LWPolScanFunc* func, void* data) {
    return withMesh(info, 0, [&](MeshInfo&, const Mesh& m) {
        if (!func) return 0;
        for (size_t i = 0; i < m.polygons.size(); ++i)
            if (const int stop = func(data, handleOf<LWPolID>(static_cast<uint32_t>(i + 1))))
                return stop;
        return 0;
    });
}
void miPntBasePos(st_LWMeshInfo* info, LWPntID point, LWFVector position) {
    if (!position) return;
    position[0] = position[1] = position[2] = 0;
    withMesh(info, 0, [&](MeshInfo&, const Mesh& m) {
        const size_t at = indexOf(point, m.points.size());
        if (at == kNoIndex) return 0;
        const Vec3& p = m.points[at];
        position[0] = static_cast<float>(p.x);
        position[1] = static_cast<float>(p.y);
        position[2] = static_cast<float>(p.z);
        return 1;
    });
}
LWID miPolType(st_LWMeshInfo* info, LWPolID polygon) {
    return withMesh(info, LWID(0), [&](MeshInfo&, const Mesh& m) -> LWID {
        return polygonOf(m, polygon) ? LWPOLY_FACE : 0;
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
unsigned int miPolFlags(st_LWMeshInfo*, LWPolID) {
    return 0;
}
void* miPntVLookup(st_LWMeshInfo* info, LWID type, const char* name) {
    if (t_vmapWatch && name) t_vmapWatch->insert(name);
    return withMesh(info, static_cast<void*>(nullptr), [&](MeshInfo& mi, const Mesh& m) -> void* {
        if (type != LWVMAP_WGHT || !name) return nullptr;
        const WeightMap* map = m.weightMap(name);
        if (map) mi.selected = map;
        return const_cast<WeightMap*>(map);
    });
}
int miPntVSelect(st_LWMeshInfo* info, void* map) {
    return withMesh(info, 0, [&](MeshInfo& mi, const Mesh& m) {
        mi.selected = mapOf(m, map);
        return mi.selected ? 1 : 0;
    });
}
int miPntVGet(st_LWMeshInfo* info, LWPntID point, float* value) {
    return withMesh(info, 0, [&](MeshInfo& mi, const Mesh& m) {
        return pointValue(m, mi.selected, point, value);
    });
}
int miPntVPGet(st_LWMeshInfo* info, LWPntID point, LWPolID polygon, float* value) {
    return withMesh(info, 0, [&](MeshInfo& mi, const Mesh& m) {
        return polygonValue(m, mi.selected, point, polygon, value);
    });
}
int miPntVIDGet(st_LWMeshInfo* info, LWPntID point, float* value, void* map) {
    return withMesh(info, 0, [&](MeshInfo&, const Mesh& m) {
        return pointValue(m, mapOf(m, map), point, value);
    });
}
int miPntVPIDGet(st_LWMeshInfo* info, LWPntID point, LWPolID polygon, float* value, void* map) {
    return withMesh(info, 0, [&](MeshInfo&, const Mesh& m) {
        return polygonValue(m, mapOf(m, map), point, polygon, value);
    });
}

// A new mesh information record of an object item; the caller destroys it.
st_LWMeshInfo* newMeshInfo(const Item& object) {
    auto* mi = new MeshInfo{};
    mi->object = &object;
    mi->record = {mi,          miDestroy,    miNumPoints,  miNumPolygons, miScanPoints,
                  miScanPolys, miPntBasePos, miPntBasePos, miPntVLookup,  miPntVSelect,
                  miPntVGet,   miPolType,    miPolSize,    miPolVertex,   miPolTag,
                  miPntVPGet,  miPolFlags,   miPntVIDGet,  miPntVPIDGet};
    return &mi->record;
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
LWItemID iiNoItem(LWItemID) {
    return LWITEM_NULL;
}
const char* iiName(LWItemID item) {
    return withScene(static_cast<const char*>(nullptr), [&](SceneGlobals&, const Scene& s) {
        const Item* i = s.item(item);
        return i ? i->name.c_str() : nullptr;
    });
}
LWItemType iiType(LWItemID item) {
    return withScene(LWI_NONE, [&](SceneGlobals&, const Scene& s) {
        const Item* i = s.item(item);
        return i ? static_cast<int>(i->type) : LWI_NONE;
    });
}
void iiParam(LWItemID item, LWItemParam which, LWTime, LWDVector vector) {
    if (!vector) return;
    Vec3 v;
    withScene(0, [&](SceneGlobals&, const Scene& s) {
        const Item* i = s.item(item);
        if (!i) return 0;
        const Matrix4 local = i->transform.matrix();
        switch (which) {
            case LWIP_POSITION:
                v = i->transform.position;
                break;
            case LWIP_RIGHT:
                v = normalized(transformDirection(local, {1, 0, 0}));
                break;
            case LWIP_UP:
                v = normalized(transformDirection(local, {0, 1, 0}));
                break;
            case LWIP_FORWARD:
                v = normalized(transformDirection(local, {0, 0, 1}));
                break;
            case LWIP_ROTATION:
                v = i->transform.rotation;
                break;
            case LWIP_SCALING:
                v = i->transform.scale;
                break;
            case LWIP_W_POSITION:
                v = transformPoint(s.worldMatrix(item), {});
                break;
            case LWIP_W_RIGHT:
                v = normalized(transformDirection(s.worldMatrix(item), {1, 0, 0}));
                break;
            case LWIP_W_UP:
                v = normalized(transformDirection(s.worldMatrix(item), {0, 1, 0}));
                break;
            case LWIP_W_FORWARD:
                v = normalized(transformDirection(s.worldMatrix(item), {0, 0, 1}));
                break;
            default:  // LWIP_PIVOT, LWIP_PIVOT_ROT: this host's items have none
                break;
        }
        return 1;
    });
    vector[0] = v.x;
    vector[1] = v.y;
    vector[2] = v.z;
}
unsigned int iiLimits(LWItemID, LWItemParam, LWDVector, LWDVector) {
    return 0;
}
void iiSetTag(LWItemID, int, const char*) {}
LWChanGroupID iiChanGroup(LWItemID) {
    return nullptr;
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
unsigned int iiServerFlags(LWItemID item, const char* className, int index) {
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
unsigned int oiShadowOpts(LWItemID) {
    return 0;
}
double oiDissolve(LWItemID, LWTime) {
    return 0.0;
}
st_LWMeshInfo* oiMeshInfo(LWItemID object, int) {
    // A failed allocation throws and answers null through withScene.
    return withScene(static_cast<st_LWMeshInfo*>(nullptr),
                     [&](SceneGlobals&, const Scene& s) -> st_LWMeshInfo* {
                         const Item* i = objectItem(s, object);
                         return i ? newMeshInfo(*i) : nullptr;
                     });
}

// ---- "Scene Objects 4": object files ----

// The first object item of file `object`, or null.
const Item* fileObject(SceneGlobals& g, const Scene& s, int object) {
    return s.item(g.objectFileItem(object));
}
bool layerOf(SceneGlobals& g, const Scene& s, int object, int layer) {
    return layer == 0 && fileObject(g, s, object);
}

int soNumObjects() {
    return withScene(0, [](SceneGlobals& g, const Scene&) { return g.objectFileCount(); });
}
const char* soFilename(int object) {
    return withScene(static_cast<const char*>(nullptr), [&](SceneGlobals& g, const Scene& s) {
        const Item* i = fileObject(g, s, object);
        return i ? i->object.fileName.c_str() : nullptr;
    });
}
int soMaxLayers(int object) {
    return withScene(
        0, [&](SceneGlobals& g, const Scene& s) { return fileObject(g, s, object) ? 1 : 0; });
}
int soLayerExists(int object, int layer) {
    return withScene(
        0, [&](SceneGlobals& g, const Scene& s) { return layerOf(g, s, object, layer) ? 1 : 0; });
}
void soPivotPoint(int, int, LWFVector pivot) {
    if (pivot) pivot[0] = pivot[1] = pivot[2] = 0;
}
st_LWMeshInfo* soLayerMesh(int object, int layer) {
    return withScene(
        static_cast<st_LWMeshInfo*>(nullptr),
        [&](SceneGlobals& g, const Scene& s) -> st_LWMeshInfo* {
            return layerOf(g, s, object, layer) ? newMeshInfo(*fileObject(g, s, object)) : nullptr;
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
const char* soLayerName(int object, int layer) {
    return withScene(static_cast<const char*>(nullptr), [&](SceneGlobals& g, const Scene& s) {
        return layerOf(g, s, object, layer) ? "" : nullptr;
    });
}
int soLayerVis(int object, int layer) {
    return withScene(
        0, [&](SceneGlobals& g, const Scene& s) { return layerOf(g, s, object, layer) ? 1 : 0; });
}
const char* soUserName(int object) {
    return withScene(static_cast<const char*>(nullptr), [&](SceneGlobals& g, const Scene& s) {
        const Item* i = fileObject(g, s, object);
        return i ? i->name.c_str() : nullptr;
    });
}
const char* soRefName(int object) {
    return withScene(static_cast<const char*>(nullptr), [&](SceneGlobals& g, const Scene& s) {
        const Item* i = fileObject(g, s, object);
        return i ? i->object.refName.c_str() : nullptr;
    });
}

// ---- "Surface Functions 3" ----

LWSurfaceID sfCreate(const char*, const char*) {
    return nullptr;
}
LWSurfaceID sfFirst() {
    return withScene(LWSurfaceID(0), [](SceneGlobals&, const Scene& s) -> LWSurfaceID {
        return s.surfaceCount() ? s.surfaceAt(0).id : 0;
    });
}
LWSurfaceID sfNext(LWSurfaceID surface) {
    return withScene(LWSurfaceID(0),
                     [&](SceneGlobals&, const Scene& s) { return s.nextSurface(surface); });
}
LWSurfaceID* sfByName(const char* name, const char* objectName) {
    return withScene(static_cast<LWSurfaceID*>(nullptr),
                     [&](SceneGlobals& g, const Scene&) -> LWSurfaceID* {
                         if (!name) return nullptr;
                         std::string file = objectName ? objectName : "";
                         return g.surfacesByName(name, objectName ? &file : nullptr);
                     });
}
LWSurfaceID* sfByObject(const char* objectName) {
    return withScene(static_cast<LWSurfaceID*>(nullptr), [&](SceneGlobals& g, const Scene&) {
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
int sfGetInt(LWSurfaceID, const char*) {
    return 0;
}
// The scalar channel a setting's name reads, or -1.
int scalarChannel(const char* name) {
    static const std::pair<const char*, int> kChannels[] = {
        {SURF_LUMI, LWSURF_LUMINOSITY},
        {SURF_DIFF, LWSURF_DIFFUSE},
        {SURF_SPEC, LWSURF_SPECULAR},
        {SURF_REFL, LWSURF_REFLECTION},
        {SURF_TRAN, LWSURF_TRANSPARENCY},
        {SURF_TRNL, LWSURF_TRANSLUCENCY},
        {SURF_RIND, LWSURF_REFRACTION_INDEX},
        {SURF_GLOS, LWSURF_GLOSSINESS},
        {SURF_SHRP, LWSURF_DIFFUSE_SHARPNESS},
        {SURF_RBLR, LWSURF_REFLECTION_BLURRING},
        {SURF_TBLR, LWSURF_REFRACTION_BLURRING},
        {SURF_CLRF, LWSURF_COLOUR_FILTER},
        {SURF_CLRH, LWSURF_COLOUR_HIGHLIGHTS},
        {SURF_ADTR, LWSURF_ADDITIVE_TRANSPARENCY},
    };
    for (const auto& [channelName, channel] : kChannels)
        if (std::strcmp(name, channelName) == 0) return channel;
    return -1;
}
// Points into the scene's settings: valid until the scene is edited, like every text here.
double* sfGetFlt(LWSurfaceID surface, const char* channel) {
    return withScene(static_cast<double*>(nullptr), [&](SceneGlobals&, const Scene& s) -> double* {
        const Surface* f = s.surface(surface);
        if (!f || !channel) return nullptr;
        SurfaceSettings& settings = const_cast<SurfaceSettings&>(f->settings);
        if (std::strcmp(channel, SURF_COLR) == 0) return &settings.colour.x;
        const int at = scalarChannel(channel);
        return at < 0 ? nullptr : &settings.values[static_cast<size_t>(at)];
    });
}
LWEnvelopeID sfGetEnv(LWSurfaceID, const char*) {
    return nullptr;
}
LWTextureID sfGetTex(LWSurfaceID, const char*) {
    return nullptr;
}
LWImageID sfGetImg(LWSurfaceID, const char*) {
    return nullptr;
}
LWChanGroupID sfChanGrp(LWSurfaceID) {
    return nullptr;
}
const char* sfGetColorVMap(LWSurfaceID) {
    return nullptr;
}
void sfSetColorVMap(LWSurfaceID, const char*, int) {}
LWSurfLibID sfCreateLib() {
    return nullptr;
}
void sfDestroyLib(LWSurfLibID) {}
void sfCopyLib(LWSurfLibID, LWSurfLibID) {}
LWSurfLibID sfObjectLib(const char*) {
    return nullptr;
}
LWSurfLibID sfLoadLib(const char*) {
    return nullptr;
}
LWError sfSaveLib(LWSurfLibID, const char*) {
    return "This host has no surface libraries";
}
int sfSlibCount(LWSurfLibID) {
    return 0;
}
LWSurfaceID sfSlibByIndex(LWSurfLibID, int) {
    return nullptr;
}
NodeEditorID sfGetNodeEditor(LWSurfaceID surface) {
    return withScene(static_cast<NodeEditorID>(nullptr), [&](SceneGlobals&, const Scene& s) {
        const Surface* f = s.surface(surface);
        return f ? static_cast<NodeEditorID>(f->nodes.data.instance) : nullptr;
    });
}

const st_LWItemInfo kItemInfo = {
    iiFirst, iiNext,  iiFirstChild, iiNextChild, iiParent, iiNoItem,    iiNoItem, iiType,
    iiName,  iiParam, iiLimits,     iiGetTag,    iiSetTag, iiChanGroup, iiServer, iiServerFlags};
const st_LWObjectInfo kObjectInfo = {oiFilename,   oiNumPoints, oiNumPolygons,
                                     oiShadowOpts, oiDissolve,  oiMeshInfo};
const st_LWObjectFuncs kObjectFuncs = {
    soNumObjects, soFilename, soMaxLayers, soLayerExists, soPivotPoint, soLayerMesh, soNumVMaps,
    soVMapName,   soVMapDim,  soVMapType,  soLayerName,   soLayerVis,   soUserName,  soRefName};
const st_LWSurfaceFuncs kSurfaceFuncs = {
    sfCreate,      sfFirst,        sfNext,         sfByName,    sfByObject,    sfName,
    sfSceneObject, sfGetInt,       sfGetFlt,       sfGetEnv,    sfGetTex,      sfGetImg,
    sfChanGrp,     sfGetColorVMap, sfSetColorVMap, sfCreateLib, sfDestroyLib,  sfCopyLib,
    sfObjectLib,   sfLoadLib,      sfSaveLib,      sfSlibCount, sfSlibByIndex, sfGetNodeEditor};

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
    m_objectFiles.clear();
    m_objectFilesRead = false;
    m_listRevision = m_scene.revision();
}

LWSurfaceID* SceneGlobals::surfacesByObject(const std::string& objectFile) {
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

LWSurfaceID* SceneGlobals::surfacesByName(const std::string& name, const std::string* objectFile) {
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

void SceneGlobals::readObjectFiles() {
    std::set<std::string_view> seen;
    for (LWItemID id = m_scene.first(ItemType::Object); id; id = m_scene.next(id)) {
        const Item* item = m_scene.item(id);
        if (item && seen.insert(item->object.fileName).second) m_objectFiles.push_back(id);
    }
    m_objectFilesRead = true;
}

int SceneGlobals::objectFileCount() {
    std::lock_guard<std::mutex> lock(m_listMutex);
    dropStaleLists();
    if (!m_objectFilesRead) readObjectFiles();
    return static_cast<int>(m_objectFiles.size());
}

LWItemID SceneGlobals::objectFileItem(int index) {
    std::lock_guard<std::mutex> lock(m_listMutex);
    dropStaleLists();
    if (!m_objectFilesRead) readObjectFiles();
    return index >= 0 && static_cast<size_t>(index) < m_objectFiles.size()
               ? m_objectFiles[static_cast<size_t>(index)]
               : LWITEM_NULL;
}

std::set<std::string>* SceneGlobals::watchVMapLookups(std::set<std::string>* names) {
    std::set<std::string>* before = t_vmapWatch;
    t_vmapWatch = names;
    return before;
}

}  // namespace lwhost
