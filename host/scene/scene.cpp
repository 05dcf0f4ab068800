#include "lwhost/scene/scene.h"

#include "lwhost/core/handles.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <set>

namespace lwhost {

namespace {

constexpr double kDegrees = 3.14159265358979323846 / 180.0;
constexpr uint32_t kSerialMask = 0x0FFFFFFFu;

// Scene revisions and surface IDs are unique over the process: a revision identifies one
// state of one scene even after scenes are swapped, and a surface ID kept past a scene change
// never names another surface.
std::atomic<uint64_t> g_revision{0};
std::atomic<uint32_t> g_surfaceSerial{0};

LWSurfaceID newSurfaceId() {
    uint32_t key;
    do key = ++g_surfaceSerial;
    while (key == 0);
    return handleOf<LWSurfaceID>(key);
}

std::string referenceName(const std::string& fileName) {
    size_t slash = fileName.rfind('/');
    std::string base = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
    size_t dot = base.rfind('.');
    if (dot != std::string::npos && dot > 0) base.erase(dot);
    return base;
}

}  // namespace

// ---- vectors and matrices ----

Matrix4 identityMatrix() {
    return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}

Matrix4 multiply(const Matrix4& a, const Matrix4& b) {
    Matrix4 r{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            double s = 0;
            for (int k = 0; k < 4; ++k) s += a[i * 4 + k] * b[k * 4 + j];
            r[i * 4 + j] = s;
        }
    return r;
}

Vec3 transformPoint(const Matrix4& m, const Vec3& p) {
    return {m[0] * p.x + m[1] * p.y + m[2] * p.z + m[3],
            m[4] * p.x + m[5] * p.y + m[6] * p.z + m[7],
            m[8] * p.x + m[9] * p.y + m[10] * p.z + m[11]};
}

Vec3 transformDirection(const Matrix4& m, const Vec3& d) {
    return {m[0] * d.x + m[1] * d.y + m[2] * d.z, m[4] * d.x + m[5] * d.y + m[6] * d.z,
            m[8] * d.x + m[9] * d.y + m[10] * d.z};
}

Vec3 normalized(const Vec3& v) {
    double len = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (len == 0 || !std::isfinite(len)) return v;
    return {v.x / len, v.y / len, v.z / len};
}

const char* itemTypeName(ItemType type) {
    switch (type) {
        case ItemType::Object:
            return "object";
        case ItemType::Light:
            return "light";
        case ItemType::Camera:
            return "camera";
    }
    return "item";
}

Matrix4 Transform::matrix() const {
    double ch = std::cos(rotation.x * kDegrees), sh = std::sin(rotation.x * kDegrees);
    double cp = std::cos(rotation.y * kDegrees), sp = std::sin(rotation.y * kDegrees);
    double cb = std::cos(rotation.z * kDegrees), sb = std::sin(rotation.z * kDegrees);
    Matrix4 h = {ch, 0, sh, 0, 0, 1, 0, 0, -sh, 0, ch, 0, 0, 0, 0, 1};
    Matrix4 p = {1, 0, 0, 0, 0, cp, -sp, 0, 0, sp, cp, 0, 0, 0, 0, 1};
    Matrix4 b = {cb, sb, 0, 0, -sb, cb, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    Matrix4 r = multiply(h, multiply(p, b));
    for (int row = 0; row < 3; ++row) {
        r[row * 4 + 0] *= scale.x;
        r[row * 4 + 1] *= scale.y;
        r[row * 4 + 2] *= scale.z;
    }
    r[3] = position.x;
    r[7] = position.y;
    r[11] = position.z;
    return r;
}

// ---- geometry ----

void WeightMap::setValue(uint32_t point, float value) {
    if (point >= values.size()) {
        values.resize(point + 1, 0.0f);
        assigned.resize(point + 1, 0);
    }
    values[point] = value;
    assigned[point] = 1;
}

uint32_t Mesh::surfaceIndex(const std::string& name) {
    for (size_t i = 0; i < surfaces.size(); ++i)
        if (surfaces[i] == name) return static_cast<uint32_t>(i);
    surfaces.push_back(name);
    return static_cast<uint32_t>(surfaces.size() - 1);
}

bool Mesh::addPolygon(const std::string& surface, const std::vector<uint32_t>& pointIndices,
                      std::string* error) {
    if (pointIndices.size() != 3 && pointIndices.size() != 4) {
        if (error)
            *error = "a polygon has 3 or 4 points, not " + std::to_string(pointIndices.size());
        return false;
    }
    Polygon p;
    for (size_t i = 0; i < pointIndices.size(); ++i) {
        if (pointIndices[i] >= points.size()) {
            if (error)
                *error = "point " + std::to_string(pointIndices[i]) +
                         " does not exist (the object has " + std::to_string(points.size()) +
                         " points)";
            return false;
        }
        p.points[i] = pointIndices[i];
    }
    p.size = static_cast<uint8_t>(pointIndices.size());
    p.surface = surfaceIndex(surface);
    polygons.push_back(p);
    return true;
}

const WeightMap* Mesh::weightMap(std::string_view name) const {
    for (const WeightMap& m : weightMaps)
        if (m.name == name) return &m;
    return nullptr;
}

WeightMap* Mesh::weightMap(std::string_view name) {
    for (WeightMap& m : weightMaps)
        if (m.name == name) return &m;
    return nullptr;
}

bool Mesh::weight(const WeightMap& map, uint32_t point, float& value) const {
    if (point >= points.size()) return false;
    if (point < map.assigned.size() && map.assigned[point]) {
        value = map.values[point];
        return true;
    }
    const WeightMap::Ramp& r = map.ramp;
    if (r.axis < 0 || r.axis > 2) return false;
    double c = points[point][r.axis];
    double lo = std::min(r.from, r.to), hi = std::max(r.from, r.to);
    double t;
    if (lo == hi) {
        t = c < r.from ? 0.0 : 1.0;
    } else {
        t = (std::clamp(c, lo, hi) - r.from) / (r.to - r.from);
    }
    value = static_cast<float>(r.low + (r.high - r.low) * t);
    return true;
}

bool Mesh::polygonWeight(const WeightMap& map, uint32_t polygon, uint32_t point, float& value) {
    auto it = map.polygonValues.find({polygon, point});
    if (it == map.polygonValues.end()) return false;
    value = it->second;
    return true;
}

std::array<double, LWSURF_FLOAT_COUNT> SurfaceSettings::defaults() {
    std::array<double, LWSURF_FLOAT_COUNT> v{};
    v[LWSURF_DIFFUSE] = 1.0;
    v[LWSURF_GLOSSINESS] = 0.4;
    v[LWSURF_REFRACTION_INDEX] = 1.0;
    return v;
}

const char* SurfaceSettings::channelToken(int channel) {
    static const char* const tokens[LWSURF_FLOAT_COUNT] = {
        "Luminosity",         "Diffuse",           "Specular",         "Glossiness",
        "Reflection",         "Transparency",      "RefractionIndex",  "Translucency",
        "ColourHighlights",   "ColourFilter",      "DiffuseSharpness", "AdditiveTransparency",
        "ReflectionBlurring", "RefractionBlurring"};
    return channel >= 0 && channel < LWSURF_FLOAT_COUNT ? tokens[channel] : nullptr;
}

size_t SurfaceKeyHash::operator()(const SurfaceKey& key) const noexcept {
    const size_t file = std::hash<std::string>()(key.first);
    return file ^
           (std::hash<std::string>()(key.second) + 0x9e3779b97f4a7c15u + (file << 6) + (file >> 2));
}

// ---- scene ----

Scene::Scene() {
    touch();
}
Scene::~Scene() = default;
Scene::Scene(Scene&& other) noexcept {
    swap(other);
}
Scene& Scene::operator=(Scene&& other) noexcept {
    Scene fresh;
    fresh.swap(other);
    swap(fresh);
    return *this;
}

void Scene::swap(Scene& other) noexcept {
    m_items.swap(other.m_items);
    m_index.swap(other.m_index);
    m_byType.swap(other.m_byType);
    std::swap(m_nextSerial, other.m_nextSerial);
    m_surfaces.swap(other.m_surfaces);
    m_surfaceIndex.swap(other.m_surfaceIndex);
    m_surfaceByName.swap(other.m_surfaceByName);
    m_surfacesByFile.swap(other.m_surfacesByFile);
    m_masters.swap(other.m_masters);
    std::swap(m_frames, other.m_frames);
    touch();
    other.touch();
}

void Scene::reserve(size_t items, size_t surfaces) {
    m_items.reserve(m_items.size() + items);
    m_index.reserve(m_index.size() + items);
    m_surfaces.reserve(m_surfaces.size() + surfaces);
    m_surfaceIndex.reserve(m_surfaceIndex.size() + surfaces);
    m_surfaceByName.reserve(m_surfaceByName.size() + surfaces);
    m_surfacesByFile.reserve(m_surfacesByFile.size() + items);
}

void Scene::touch() {
    m_revision = ++g_revision;
}

LWItemID Scene::allocateId(ItemType type, const IdIndex<LWItemID, Item*>* avoid) {
    const uint32_t typeBits = (static_cast<uint32_t>(type) + 1u) << 28;
    for (;;) {
        uint32_t serial = m_nextSerial & kSerialMask;
        if (serial == 0) serial = 1;
        m_nextSerial = serial + 1;
        LWItemID id = handleOf<LWItemID>(typeBits | serial);
        if (m_index.contains(id) || (avoid && avoid->contains(id))) continue;
        return id;
    }
}

Item& Scene::addItem(ItemType type, const std::string& name) {
    auto item = std::make_unique<Item>();
    item->id = allocateId(type, nullptr);
    item->type = type;
    item->name = name;
    item->order = m_items.size();
    auto& list = m_byType[static_cast<int>(type)];
    item->typeOrder = list.size();
    list.push_back(item->order);
    m_index.set(item->id, item.get());
    m_items.push_back(std::move(item));
    touch();
    return *m_items.back();
}

LWItemID Scene::addNull(const std::string& name) {
    return addObject(name, ObjectData());
}

LWItemID Scene::addObject(const std::string& name, ObjectData data,
                          const std::map<std::string, SurfaceSettings>* materials) {
    if (data.fileName.empty())
        data.fileName = data.source.kind == GeometryKind::ObjFile ? data.source.path : name;
    data.refName = referenceName(data.fileName);
    Item& item = addItem(ItemType::Object, name);
    item.object = std::move(data);
    const std::string& file = item.object.fileName;
    for (const std::string& surfaceName : item.object.mesh.surfaces) {
        // One lookup finds the surface, or makes the entry of a new one.
        const size_t order = m_surfaces.size();
        if (!m_surfaceByName.try_emplace(SurfaceKey(file, surfaceName), order).second) continue;
        auto s = std::make_unique<Surface>();
        s->id = newSurfaceId();
        s->name = surfaceName;
        s->objectFile = file;
        if (materials) {
            auto m = materials->find(surfaceName);
            if (m != materials->end()) s->settings = m->second;
        }
        m_surfaceIndex.set(s->id, order);
        m_surfacesByFile[file].push_back(s->id);
        m_surfaces.push_back(std::move(s));
    }
    return item.id;
}

LWItemID Scene::addLight(const std::string& name, const LightData& light) {
    Item& item = addItem(ItemType::Light, name);
    item.light = light;
    return item.id;
}

LWItemID Scene::addCamera(const std::string& name, const CameraData& camera) {
    Item& item = addItem(ItemType::Camera, name);
    item.camera = camera;
    return item.id;
}

Item* Scene::item(LWItemID id) {
    Item* const* found = m_index.find(id);
    return found ? *found : nullptr;
}

const Item* Scene::item(LWItemID id) const {
    const Item* const* found = m_index.find(id);
    return found ? *found : nullptr;
}

std::vector<LWItemID> Scene::findItems(const std::string& name) const {
    std::vector<LWItemID> found;
    for (const auto& i : m_items)
        if (i->name == name) found.push_back(i->id);
    return found;
}

LWItemID Scene::first(ItemType type) const {
    const auto& list = m_byType[static_cast<int>(type)];
    return list.empty() ? LWITEM_NULL : m_items[list.front()]->id;
}

LWItemID Scene::next(LWItemID id) const {
    const Item* i = item(id);
    if (!i) return LWITEM_NULL;
    const auto& list = m_byType[static_cast<int>(i->type)];
    return i->typeOrder + 1 < list.size() ? m_items[list[i->typeOrder + 1]]->id : LWITEM_NULL;
}

LWItemID Scene::parent(LWItemID id) const {
    const Item* i = item(id);
    return i ? i->parent : LWITEM_NULL;
}

LWItemID Scene::firstChild(LWItemID id) const {
    const Item* i = item(id);
    return i && !i->children.empty() ? i->children.front() : LWITEM_NULL;
}

LWItemID Scene::nextChild(LWItemID parentId, LWItemID child) const {
    const Item* p = item(parentId);
    const Item* c = item(child);
    if (!p || !c || c->parent != parentId) return LWITEM_NULL;
    // Found by its kept position: plug-ins walk every child of a parent this way each frame.
    const size_t next = c->childIndex + 1;
    return next < p->children.size() ? p->children[next] : LWITEM_NULL;
}

int Scene::depth(LWItemID id) const {
    int d = 0;
    for (const Item* i = item(id); i && i->parent; i = item(i->parent)) ++d;
    return d;
}

bool Scene::setParent(LWItemID childId, LWItemID parentId, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    Item* child = item(childId);
    if (!child) return fail("no such item");
    Item* newParent = parentId ? item(parentId) : nullptr;
    if (parentId && !newParent) return fail("no such parent item");
    if (child->parent == parentId) return true;

    int parentDepth = -1;
    for (const Item* a = newParent; a; a = a->parent ? item(a->parent) : nullptr) {
        if (a == child) return fail("it would make a cycle in the hierarchy");
        ++parentDepth;
    }
    // Height of the child's subtree, walked level by level (no recursion on deep trees).
    int height = 0;
    std::vector<const Item*> level{child};
    while (true) {
        std::vector<const Item*> below;
        for (const Item* i : level)
            for (LWItemID c : i->children) below.push_back(item(c));
        if (below.empty()) break;
        ++height;
        level.swap(below);
    }
    if (parentDepth + 1 + height > kMaxHierarchyDepth)
        return fail("the hierarchy would be deeper than " + std::to_string(kMaxHierarchyDepth) +
                    " levels");

    // The siblings after the place the child leaves or takes move by one.
    const auto renumberFrom = [this](std::vector<LWItemID>& c, size_t from) {
        for (size_t k = from; k < c.size(); ++k) item(c[k])->childIndex = k;
    };
    if (Item* old = item(child->parent)) {
        auto& c = old->children;
        c.erase(c.begin() + static_cast<std::ptrdiff_t>(child->childIndex));
        renumberFrom(c, child->childIndex);
    }
    child->parent = parentId;
    child->childIndex = 0;
    if (newParent) {
        auto& c = newParent->children;
        auto pos =
            std::lower_bound(c.begin(), c.end(), child->order,
                             [&](LWItemID id, size_t order) { return item(id)->order < order; });
        const auto at = static_cast<size_t>(pos - c.begin());
        c.insert(pos, childId);
        renumberFrom(c, at);
    }
    touch();
    return true;
}

Matrix4 Scene::worldMatrix(LWItemID id) const {
    std::vector<const Item*> chain;
    for (const Item* i = item(id); i; i = i->parent ? item(i->parent) : nullptr) chain.push_back(i);
    Matrix4 m = identityMatrix();
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        m = multiply(m, (*it)->transform.matrix());
    return m;
}

const std::string* Scene::comment(LWItemID id, int tag) const {
    const Item* i = item(id);
    if (!i || tag < 1 || static_cast<size_t>(tag) > i->comments.size()) return nullptr;
    return &i->comments[static_cast<size_t>(tag) - 1];
}

std::vector<std::pair<LWItemID, LWItemID>> Scene::renumber() {
    IdIndex<LWItemID, Item*> fresh;
    fresh.reserve(m_items.size());
    std::unordered_map<LWItemID, LWItemID> mapping;
    std::vector<std::pair<LWItemID, LWItemID>> pairs;
    for (const auto& i : m_items) {
        LWItemID id = allocateId(i->type, &fresh);
        fresh.set(id, i.get());
        mapping[i->id] = id;
        pairs.emplace_back(i->id, id);
    }
    for (auto& i : m_items) {
        i->id = mapping[i->id];
        if (i->parent) i->parent = mapping[i->parent];
        for (LWItemID& c : i->children) c = mapping[c];
    }
    m_index.swap(fresh);
    pairs.emplace_back(LWITEM_NULL, LWITEM_NULL);
    touch();
    return pairs;
}

LWItemID Scene::objectAt(size_t index) const {
    const auto& list = m_byType[static_cast<int>(ItemType::Object)];
    return index < list.size() ? m_items[list[index]]->id : LWITEM_NULL;
}

int Scene::objectIndex(LWItemID id) const {
    const Item* i = item(id);
    return i && i->type == ItemType::Object ? static_cast<int>(i->typeOrder) : -1;
}

Surface* Scene::surface(LWSurfaceID id) {
    const size_t* order = m_surfaceIndex.find(id);
    return order ? m_surfaces[*order].get() : nullptr;
}

const Surface* Scene::surface(LWSurfaceID id) const {
    const size_t* order = m_surfaceIndex.find(id);
    return order ? m_surfaces[*order].get() : nullptr;
}

LWSurfaceID Scene::nextSurface(LWSurfaceID id) const {
    const size_t* order = m_surfaceIndex.find(id);
    if (!order || *order + 1 >= m_surfaces.size()) return 0;
    return m_surfaces[*order + 1]->id;
}

Surface* Scene::findSurface(const std::string& name, const std::string& objectFile) {
    auto it = m_surfaceByName.find({objectFile, name});
    return it == m_surfaceByName.end() ? nullptr : m_surfaces[it->second].get();
}

const Surface* Scene::findSurface(const std::string& name, const std::string& objectFile) const {
    auto it = m_surfaceByName.find({objectFile, name});
    return it == m_surfaceByName.end() ? nullptr : m_surfaces[it->second].get();
}

std::vector<LWSurfaceID> Scene::surfacesOf(const std::string& objectFile) const {
    // One lookup, not a walk over the scene's surfaces: scene editing asks once per object.
    auto it = m_surfacesByFile.find(objectFile);
    return it == m_surfacesByFile.end() ? std::vector<LWSurfaceID>() : it->second;
}

LWSurfaceID Scene::polygonSurface(LWItemID object, uint32_t polygon) const {
    const Item* i = item(object);
    if (!i || i->type != ItemType::Object || polygon >= i->object.mesh.polygons.size()) return 0;
    const Mesh& mesh = i->object.mesh;
    const Surface* s =
        findSurface(mesh.surfaces[mesh.polygons[polygon].surface], i->object.fileName);
    return s ? s->id : 0;
}

std::vector<std::pair<LWID, const std::string*>> Scene::vertexMaps() const {
    std::vector<std::pair<LWID, const std::string*>> maps;
    std::set<std::string> seen;
    for (size_t order : m_byType[static_cast<int>(ItemType::Object)])
        for (const WeightMap& m : m_items[order]->object.mesh.weightMaps)
            if (seen.insert(m.name).second) maps.emplace_back(LWVMAP_WGHT, &m.name);
    return maps;
}

const ShaderSlot* Scene::objectShader(const Item& object, const std::string& className,
                                      int index) const {
    if (className != "ShaderHandler" || object.type != ItemType::Object) return nullptr;
    int position = 0;
    for (const auto& s : m_surfaces) {
        if (s->objectFile != object.object.fileName) continue;
        for (const ShaderSlot& shader : s->shaders)
            if (++position == index) return &shader;
    }
    return nullptr;
}

const char* Scene::serverName(LWItemID itemId, const std::string& className, int index) const {
    if (index < 1) return nullptr;
    if (itemId == LWITEM_NULL) {
        if (className != "MasterHandler" || static_cast<size_t>(index) > m_masters.size())
            return nullptr;
        return m_masters[static_cast<size_t>(index) - 1].server.c_str();
    }
    const Item* i = item(itemId);
    const ShaderSlot* shader = i ? objectShader(*i, className, index) : nullptr;
    return shader ? shader->server.c_str() : nullptr;
}

unsigned Scene::serverFlags(LWItemID itemId, const std::string& className, int index) const {
    if (itemId != LWITEM_NULL || className != "MasterHandler" || index < 1 ||
        static_cast<size_t>(index) > m_masters.size())
        return 0;
    return m_masters[static_cast<size_t>(index) - 1].disabled ? LWSRVF_DISABLED : 0u;
}

}  // namespace lwhost
