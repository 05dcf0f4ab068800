#include "surface_filters.h"

#include <vexo/files.h>

#include <algorithm>
#include <string_view>

#include "toolkit/pickers.h"
#include "toolkit/wildcard.h"

namespace {

// The owner named by a threshold parameter that no node owns.
const char* const kFilterServer = "qrvFilter";
// Widest vertex-map value read; weight maps have one value per point.
constexpr int kMaxMapDimension = 4;

// Blocks inside an "OBJT" block.
const st_LWBlockIdent kObjectBlocks[] = {
    {LWID_MAKE('S', 'R', 'F', 'S'), "Surface"},
    {LWID_MAKE('N', 'A', 'M', 'E'), "Name"},
    {0, nullptr},
};

// The mesh information of the sample's object for the length of one evaluation.
class SampleMesh {
  public:
    SampleMesh(const vexo::ObjectInfo& objects, LWItemID object)
        : m_mesh(objects.available() && object ? objects.getGlobal()->meshInfo(object, 0)
                                               : nullptr) {}
    ~SampleMesh() {
        if (m_mesh && m_mesh->destroy) m_mesh->destroy(m_mesh);
    }
    SampleMesh(const SampleMesh&) = delete;
    SampleMesh& operator=(const SampleMesh&) = delete;

    st_LWMeshInfo* get() const { return m_mesh; }
    explicit operator bool() const { return m_mesh != nullptr; }

  private:
    st_LWMeshInfo* m_mesh;
};

// Whether the surface of the sample's polygon in `mesh` is named in `names`.
template <class Names>
bool surfaceIn(st_LWMeshInfo* mesh, const LWNodalAccess_t* access, const Names& names) {
    if (!mesh || !mesh->polTag) return false;
    const char* surface = mesh->polTag(mesh, access->polygon, LWPTAG_SURF);
    return surface && names.count(std::string_view(surface)) != 0;
}

// The same from the frame's meshes when they are prepared, else from the host at once.
template <class Names>
bool sampleSurfaceIn(const FrameMeshes& meshes, const vexo::ObjectInfo& objects,
                     const LWNodalAccess_t* access, const Names& names) {
    if (!access || !access->polygon || names.empty()) return false;
    if (meshes.prepared()) return surfaceIn(meshes.find(access->objID), access, names);
    SampleMesh mesh(objects, access->objID);
    return surfaceIn(mesh.get(), access, names);
}

const char* surfaceName(const vexo::LWSurface& funcs, LWSurfaceID surface) {
    return funcs.available() && surface ? funcs.getGlobal()->name(surface) : nullptr;
}

const char* surfaceObject(const vexo::LWSurface& funcs, LWSurfaceID surface) {
    return funcs.available() && surface ? funcs.getGlobal()->sceneObject(surface) : nullptr;
}

}  // namespace

// ---- FrameMeshes

void FrameMeshes::release(std::vector<Entry>& meshes) {
    for (Entry& entry : meshes)
        if (entry.second && entry.second->destroy) entry.second->destroy(entry.second);
    meshes.clear();
}

void FrameMeshes::clear() {
    release(m_meshes);
    release(m_last);
    m_prepared = false;
}

void FrameMeshes::begin() {
    release(m_last);
    m_meshes.swap(m_last);
    if (!m_prepared) release(m_last);  // not ordered for lookups
    m_prepared = false;
    m_cursor = 0;
}

st_LWMeshInfo* FrameMeshes::add(const vexo::ObjectInfo& objects, LWItemID object) {
    // Objects usually come in ID order: the entry after the last one taken is tried first.
    auto kept = m_last.begin() + static_cast<std::ptrdiff_t>(std::min(m_cursor, m_last.size()));
    if (kept == m_last.end() || kept->first != object)
        kept = std::lower_bound(m_last.begin(), m_last.end(), object,
                                [](const Entry& entry, LWItemID id) { return entry.first < id; });
    m_cursor = static_cast<size_t>(kept - m_last.begin()) + 1;
    st_LWMeshInfo* mesh = nullptr;
    if (kept != m_last.end() && kept->first == object && kept->second) {
        mesh = kept->second;
        kept->second = nullptr;
    } else {
        mesh = objects.available() && object ? objects.getGlobal()->meshInfo(object, 0) : nullptr;
    }
    if (!mesh) return nullptr;
    try {
        m_meshes.emplace_back(object, mesh);
    } catch (...) {
        if (mesh->destroy) mesh->destroy(mesh);
        throw;
    }
    return mesh;
}

void FrameMeshes::dropLast() {
    if (m_meshes.empty()) return;
    st_LWMeshInfo* mesh = m_meshes.back().second;
    m_meshes.pop_back();
    if (mesh->destroy) mesh->destroy(mesh);
}

void FrameMeshes::finish() {
    release(m_last);
    const auto byObject = [](const auto& a, const auto& b) { return a.first < b.first; };
    // Objects usually come in ID order already.
    if (!std::is_sorted(m_meshes.begin(), m_meshes.end(), byObject))
        std::sort(m_meshes.begin(), m_meshes.end(), byObject);
    m_prepared = true;
}

st_LWMeshInfo* FrameMeshes::find(LWItemID object) const {
    auto it = std::lower_bound(m_meshes.begin(), m_meshes.end(), object,
                               [](const auto& entry, LWItemID id) { return entry.first < id; });
    return it != m_meshes.end() && it->first == object ? it->second : nullptr;
}

std::string_view afterLastSeparator(std::string_view name) {
    const size_t sep = name.find_last_of(vexo::fSeps);
    return sep == std::string_view::npos ? name : name.substr(sep + 1);
}

// ---- SurfaceNameFilter

SurfaceNameFilter::SurfaceNameFilter(const SurfaceNameFilter& other)
    : Filter(other), m_selected(other.m_selected) {}

vexo::Reference<Filter> SurfaceNameFilter::Copy(FilterHost* node) const {
    return copyOf(*this, node);
}

const char* SurfaceNameFilter::Save(const vexo::SaveState& state) {
    state.writeStrBlk(kFilterBlocks[kBlockFilterString], m_filter);
    return nullptr;
}

const char* SurfaceNameFilter::LegacyLoad(const vexo::LoadState& state, unsigned blockId) {
    if (blockId == kFilterBlocks[kBlockFilterString].id && !state.readStr(m_filter) &&
        state.textTooLong())
        return vexo::textTooLong("the filter", "FilterString");
    return nullptr;
}

void SurfaceNameFilter::PreLoad() {
    m_selected.clear();
}

void SurfaceNameFilter::DisplayPicker() {
    NamePicker picker(&m_choices);
    picker.modifyFilter("Pick Surface", &m_filter);
}

bool SurfaceNameFilter::Evaluate(LWNodalAccess_t* access) {
    return sampleSurfaceIn(m_meshes, m_objects, access, m_selected);
}

const qrv::SurfaceScan& SurfaceNameFilter::surfaceScan() const {
    return qrv::SurfaceScan::current(m_choices.available() ? m_choices.getGlobal() : nullptr);
}

void SurfaceNameFilter::NewTime(int, double) {
    m_selected.clear();
    const qrv::PatternList patterns(m_filter);
    const qrv::SurfaceScan& scan = surfaceScan();
    std::string_view last;
    bool lastMatched = false;
    for (const qrv::SurfaceScan::Surface& surface : scan.surfaces()) {
        if (!surface.name.present()) continue;
        const std::string_view name = scan.text(surface.name);
        // Surfaces of one name often come together: matched once.
        if (last.data() == nullptr || name != last) lastMatched = patterns.matches(name);
        last = name;
        if (lastMatched) m_selected.add(name);
    }
    m_selected.seal();
    prepareMeshes();
}

void SurfaceNameFilter::prepareMeshes() {
    m_meshes.frame(m_rendering, m_objects, [&](const st_LWObjectInfo* info) {
        if (m_selected.empty()) return;
        // Only an object whose file has a surface of a selected name can show one.
        const qrv::SurfaceScan& surfaces = surfaceScan();
        m_files.clear();
        for (const qrv::SurfaceScan::Surface& surface : surfaces.surfaces())
            if (surface.name.present() && surface.file.present() &&
                m_selected.contains(surfaces.text(surface.name)))
                m_files.insert(surfaces.text(surface.file));
        const qrv::ObjectScan& objects = qrv::ObjectScan::current(m_items, info);
        for (const qrv::ObjectScan::Object& object : objects.objects())
            if (object.file.present() && m_files.contains(objects.text(object.file)))
                m_meshes.add(m_objects, object.id);
    });
}

// ---- SurfaceSceneListFilter

SurfaceSceneListFilter::SurfaceSceneListFilter(const SurfaceSceneListFilter& other)
    : SurfaceNameFilter(other), m_picked(other.m_picked) {}

vexo::Reference<Filter> SurfaceSceneListFilter::Copy(FilterHost* node) const {
    return copyOf(*this, node);
}

const char* SurfaceSceneListFilter::Save(const vexo::SaveState& state) {
    for (const std::string& name : m_picked) state.writeStrBlk(kFilterBlocks[kBlockSurface], name);
    return nullptr;
}

const char* SurfaceSceneListFilter::LegacyLoad(const vexo::LoadState& state, unsigned blockId) {
    if (blockId == kFilterBlocks[kBlockSurface].id) {
        std::string name;
        if (state.readStr(name)) m_picked.insert(name);
        return state.textTooLong() ? vexo::textTooLong("the filter", "Surface") : nullptr;
    }
    return SurfaceNameFilter::LegacyLoad(state, blockId);
}

void SurfaceSceneListFilter::PreLoad() {
    SurfaceNameFilter::PreLoad();
    m_picked.clear();
}

void SurfaceSceneListFilter::DisplayPicker() {
    SelectionList dialog;
    for (LWSurfaceID s = m_choices.first(); s; s = m_choices.next(s)) {
        const char* name = surfaceName(m_choices, s);
        if (!name) continue;
        dialog.add(vexo::makeReference<SurfaceEntry>(name, s, m_picked.count(name) != 0));
    }
    if (dialog.Open("Select Surfaces") != 1) return;
    std::set<std::string> picked;
    for (const auto& entry : dialog.entries()) {
        if (!entry) continue;
        if (!vexo::acceptText(entry->name(), "A picked surface's name")) return;
        picked.insert(entry->name());
    }
    m_picked.swap(picked);
}

void SurfaceSceneListFilter::NewTime(int, double) {
    m_selected.clear();
    for (const std::string& name : m_picked) m_selected.add(name);
    m_selected.seal();
    prepareMeshes();
}

void* SurfaceSceneListFilter::DataGet(unsigned) {
    return nullptr;
}

int SurfaceSceneListFilter::DataSet(unsigned, void*) {
    return 1;
}

// ---- SurfaceObjectListFilter

SurfaceObjectListFilter::SurfaceObjectListFilter(const SurfaceObjectListFilter& other)
    : Filter(other),
      m_picked(other.m_picked),
      m_loaded(other.m_loaded),
      m_keyNames(other.m_keyNames),
      m_perFrame(other.m_perFrame) {}

vexo::Reference<Filter> SurfaceObjectListFilter::Copy(FilterHost* node) const {
    return copyOf(*this, node);
}

std::string SurfaceObjectListFilter::objectKey(const char* fileName) {
    // The file name part alone: no need to ask the host where the content directory is.
    return fileName ? std::string(afterLastSeparator(fileName)) : std::string();
}

void SurfaceObjectListFilter::resolveLoaded() {
    if (m_loaded.empty()) return;
    const int objects = m_sceneObjects.count();
    for (const auto& [key, names] : m_loaded) {
        for (int i = 0; i < objects; ++i) {
            const char* file = m_sceneObjects.fileName(i);
            if (!file || objectKey(file) != key) continue;
            for (const vexo::LWSurface& surface : m_surfaces.byObject(file)) {
                const char* name = surface.name();
                if (name && names.count(std::string(afterLastSeparator(name))))
                    m_picked[key].insert(surface);
            }
            break;
        }
    }
    m_loaded.clear();
}

void SurfaceObjectListFilter::NewTime(int, double) {
    resolveLoaded();
    m_perFrame.clear();
    m_keys.clear();
    m_meshes.begin();
    const st_LWObjectInfo* info = m_objects.available() ? m_objects.getGlobal() : nullptr;
    if (!m_picked.empty() && info) {
        // The names of the picked surfaces, read once per key.
        if (m_keyNames.size() < m_picked.size()) m_keyNames.resize(m_picked.size());
        for (const auto& [key, surfaces] : m_picked) {
            qrv::NameSet& names = m_keyNames[m_keys.size()];
            names.clear();
            for (const vexo::LWSurface& surface : surfaces)
                if (const char* name = surface.name()) names.add(name);
            names.seal();
            m_keys.push_back(key);  // in the map's order, so sorted
        }
        const qrv::ObjectScan& scan = qrv::ObjectScan::current(m_items, info);
        for (const qrv::ObjectScan::Object& object : scan.objects()) {
            if (!object.file.present()) continue;
            const std::string_view key = afterLastSeparator(scan.text(object.file));
            const auto found = std::lower_bound(m_keys.begin(), m_keys.end(), key);
            if (found != m_keys.end() && *found == key)
                m_perFrame.set(object.id, static_cast<uint32_t>(found - m_keys.begin()));
        }
        m_perFrame.seal();
    }
    if (!m_rendering) {
        m_meshes.clear();
        return;
    }
    for (const auto& entry : m_perFrame) m_meshes.add(m_objects, entry.first);
    m_meshes.finish();
}

bool SurfaceObjectListFilter::Evaluate(LWNodalAccess_t* access) {
    if (!access) return false;
    const uint32_t* key = m_perFrame.find(access->objID);
    return key && sampleSurfaceIn(m_meshes, m_objects, access, m_keyNames[*key]);
}

void SurfaceObjectListFilter::DisplayPicker() {
    // Names read from a file become picks first, so the dialog shows them and its answer
    // replaces them.
    resolveLoaded();
    SelectionList dialog;
    for (LWSurfaceID s = m_surfaces.first(); s; s = m_surfaces.next(s)) {
        const char* name = surfaceName(m_surfaces, s);
        if (!name) continue;
        const char* file = surfaceObject(m_surfaces, s);
        std::string label = name;
        const int object = m_sceneObjects.findObject(file);
        if (object >= 0) {
            const char* user = m_sceneObjects.userName(object);
            label = std::string(user ? user : "") + " -> " + name;
        }
        const auto picks = m_picked.find(objectKey(file));
        const bool selected =
            picks != m_picked.end() && picks->second.count(vexo::LWSurface(s)) != 0;
        dialog.add(vexo::makeReference<SurfaceEntry>(label, s, selected));
    }
    if (dialog.Open("Select Surfaces") != 1) return;
    Picks picked;
    for (const auto& entry : dialog.entries()) {
        const auto* surface = dynamic_cast<const SurfaceEntry*>(entry.get());
        if (!surface) continue;
        // Stored as the object's file name and the surface's name.
        const std::string key = objectKey(surfaceObject(m_surfaces, surface->surface()));
        const char* name = surfaceName(m_surfaces, surface->surface());
        if (!vexo::acceptText(key, "A picked surface's object file name") ||
            !vexo::acceptText(afterLastSeparator(name ? name : ""), "A picked surface's name"))
            return;
        picked[key].insert(vexo::LWSurface(surface->surface()));
    }
    m_picked.swap(picked);
}

const char* SurfaceObjectListFilter::Save(const vexo::SaveState& state) {
    // Names read from a file and not yet found in the scene are written too, so that saving
    // before the next frame change loses nothing.
    Names names = m_loaded;
    for (const auto& [key, surfaces] : m_picked) {
        std::set<std::string>& keyNames = names[key];
        for (const vexo::LWSurface& surface : surfaces)
            if (const char* name = surface.name()) keyNames.emplace(afterLastSeparator(name));
    }
    // The host may have renamed a picked surface since: a name longer than a load reads is not
    // written to be cut.
    for (const auto& [key, surfaceNames] : names)
        for (const std::string& name : surfaceNames)
            if (name.size() > static_cast<size_t>(vexo::kMaxTextBytes))
                return vexo::textTooLong("the filter", "Surface");
    for (const auto& [key, surfaceNames] : names) {
        state.beginBlk(kFilterBlocks[kBlockObject], false);
        state.writeStrBlk(kFilterBlocks[kBlockName], key);
        for (const std::string& name : surfaceNames)
            state.writeStrBlk(kFilterBlocks[kBlockSurface], name);
        state.endBlk();
    }
    return nullptr;
}

const char* SurfaceObjectListFilter::loadObject(const vexo::LoadState& state) {
    std::string key;
    const char* error = nullptr;
    while (const LWID id = state.findBlk(kObjectBlocks)) {
        std::string text;
        if (state.readStr(text)) {
            if (id == kObjectBlocks[1].id)
                key = text;
            else
                m_loaded[key].insert(text);
        } else if (state.textTooLong() && !error) {
            error = vexo::textTooLong("the filter", id == kObjectBlocks[1].id ? "Name" : "Surface");
        }
        state.endBlk();
    }
    return error;
}

const char* SurfaceObjectListFilter::LegacyLoad(const vexo::LoadState& state, unsigned blockId) {
    if (blockId == kFilterBlocks[kBlockObject].id) return loadObject(state);
    return nullptr;
}

void SurfaceObjectListFilter::PreLoad() {
    m_picked.clear();
    m_loaded.clear();
    m_perFrame.clear();
}

void* SurfaceObjectListFilter::DataGet(unsigned) {
    return nullptr;
}

int SurfaceObjectListFilter::DataSet(unsigned, void*) {
    return 1;
}

// ---- WeightMapFilter

WeightMapFilter::WeightMapFilter(FilterHost* node) : Filter(node) {
    attach(node);
}

WeightMapFilter::WeightMapFilter(const WeightMapFilter& other)
    : Filter(other),
      m_mapName(other.m_mapName),
      m_steppedMap(other.m_steppedMap),
      m_mapIndex(other.m_mapIndex),
      m_time(other.m_time) {
    attach(nullptr);
    *m_threshold = *other.m_threshold;
}

WeightMapFilter::~WeightMapFilter() = default;

vexo::Reference<Filter> WeightMapFilter::Copy(FilterHost* node) const {
    return copyOf(*this, node);
}

void WeightMapFilter::setNode(FilterHost* node) {
    Filter::setNode(node);
    attach(node);
}

void WeightMapFilter::attach(FilterHost* node) {
    m_input = node ? node->weightThresholdInput() : nullptr;
    if (node)
        m_ownMaps.reset();
    else if (!m_ownMaps)
        m_ownMaps = std::make_unique<vexo::VMapCallbacks>(LWVMAP_WGHT, true);

    auto parm = std::make_unique<vexo::VParm>();
    parm->setValue(m_threshold ? m_threshold->value()
                               : vexo::Vector3<double>(kDefaultThreshold, kDefaultThreshold,
                                                       kDefaultThreshold));
    const char* const owner = kFilterServer;  // the filter node's server
    const LWChanGroupID group = node ? node->filterChannelGroup() : nullptr;
    // In the node's channel group when it has one; else without a group; else value only.
    if (!parm->create(vexo::VParm::Percent, "Weight Threshold", owner, group) && group)
        parm->create(vexo::VParm::Percent, "Weight Threshold", owner, nullptr);
    if (m_threshold) *parm = *m_threshold;
    m_threshold = std::move(parm);
}

vexo::VMapCallbacks& WeightMapFilter::mapList() {
    if (m_node) return m_node->weightMaps();
    if (!m_ownMaps) m_ownMaps = std::make_unique<vexo::VMapCallbacks>(LWVMAP_WGHT, true);
    return *m_ownMaps;
}

const char* WeightMapFilter::Save(const vexo::SaveState& state) {
    state.writeStrBlk(kFilterBlocks[kBlockWeightMap], m_mapName);
    state.WriteItem(kFilterBlocks[kBlockWeightThreshold], *m_threshold, false);
    return nullptr;
}

const char* WeightMapFilter::LegacyLoad(const vexo::LoadState& state, unsigned blockId) {
    if (blockId == kFilterBlocks[kBlockWeightMap].id) {
        // No render runs during a load: the map read is in use at once.
        if (!state.readStr(m_mapName) && state.textTooLong())
            return vexo::textTooLong("the filter", "WeightMap");
        m_steppedMap = m_mapName;
        m_meshes.clear();
    } else if (blockId == kFilterBlocks[kBlockWeightThreshold].id) {
        const char* error = state.read(*m_threshold);
        // Evaluation reads the cached value: bring it up to the loaded envelope.
        m_threshold->evaluate(m_time);
        return error;
    }
    return nullptr;
}

void WeightMapFilter::DisplayPicker() {
    NamePicker picker(&mapList());
    picker.modifyFilter("Pick Weight Map", &m_filter);
}

void WeightMapFilter::NewTime(int, double time) {
    m_time = time;
    m_threshold->evaluate(time);
    m_steppedMap = m_mapName;
    // Each object's mesh with the map selected, so that render threads only read values.
    m_meshes.frame(m_rendering, m_objects, [&](const st_LWObjectInfo* info) {
        if (m_steppedMap.empty()) return;
        for (const qrv::ObjectScan::Object& object :
             qrv::ObjectScan::current(m_items, info).objects()) {
            st_LWMeshInfo* mesh = m_meshes.add(m_objects, object.id);
            if (mesh && !selectMap(mesh)) m_meshes.dropLast();
        }
    });
}

bool WeightMapFilter::selectMap(st_LWMeshInfo* info) const {
    if (!info->pntVLookup || !info->pntVSelect || !info->pntVGet) return false;
    void* map = info->pntVLookup(info, LWVMAP_WGHT, m_steppedMap.c_str());
    if (!map) return false;
    const int dimension = info->pntVSelect(info, map);
    return dimension >= 1 && dimension <= kMaxMapDimension;
}

void* WeightMapFilter::DataGet(unsigned id) {
    if (id == kWeightMap) {
        if (m_mapName.empty()) return filterIntValue(0);
        vexo::VMapCallbacks& maps = mapList();
        const int count = maps.popCount();
        for (int i = 1; i < count; ++i) {
            const char* name = maps.popName(i);
            if (name && m_mapName == name) return filterIntValue(i);
        }
        return filterIntValue(0);
    }
    if (id == kWeightThreshold) {
        if (m_input && m_input->connected()) return nullptr;
        return m_threshold->id();
    }
    return nullptr;
}

int WeightMapFilter::DataSet(unsigned id, void* value) {
    if (id == kWeightMap && value) {
        const int index = *static_cast<const int*>(value);
        const char* name =
            index >= 1 && index < mapList().popCount() ? mapList().popName(index) : nullptr;
        if (name && !vexo::acceptText(name, "The weight map's name")) return 1;
        m_mapIndex = static_cast<unsigned>(index);
        // Samples may be reading the meshes now: the next NewTime selects the new map in them.
        m_mapName = name ? name : "";
    }
    return 1;
}

bool WeightMapFilter::Evaluate(LWNodalAccess_t* access) {
    if (!access || !access->polygon) return false;
    if (m_meshes.prepared()) {
        st_LWMeshInfo* info = m_meshes.find(access->objID);
        return info && selects(info, access);
    }
    SampleMesh mesh(m_objects, access->objID);
    return mesh && selectMap(mesh.get()) && selects(mesh.get(), access);
}

bool WeightMapFilter::selects(st_LWMeshInfo* info, LWNodalAccess_t* access) const {
    double sum = 0;
    int used = 0;
    for (int k = 0; k < 4; ++k) {
        const LWPntID point = access->verts[k];
        // A triangle leaves its fourth slot empty; an empty slot adds nothing.
        if (!point) continue;
        float value[kMaxMapDimension] = {};
        const bool found =
            (info->pntVPGet && info->pntVPGet(info, point, access->polygon, value)) ||
            info->pntVGet(info, point, value);
        if (!found) return false;
        ++used;
        sum += static_cast<double>(access->weights[k]) * value[0];
    }
    if (used == 0) return false;
    const double threshold =
        m_input ? m_input->evaluateScalar(access, thresholdValue()) : thresholdValue();
    return sum >= threshold;
}
