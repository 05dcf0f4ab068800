// Filters that select by what is being shaded: the surface of the sample's polygon (by name
// pattern, by surface names picked over the scene, or by surfaces picked per object file) or the
// value of a weight map at the sample.
//
// NewTime builds the per-frame sets on the main thread, and takes the mesh information of the
// objects that can be selected, so that Evaluate reads the sample's surface name or map value
// without asking the host (no lock, no allocation). Until the first NewTime, and after the
// render's cleanup, Evaluate asks the host for the sample's mesh and releases it before it
// returns. A sample without a polygon is never selected.
#pragma once

#include <vexo/items.h>
#include <vexo/vparm.h>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "filter.h"
#include "toolkit/frame_sets.h"
#include "toolkit/scene_scan.h"
#include "toolkit/selection_entry.h"

// Surface names; looked up on render threads by the host's text without building a string.
using SurfaceNames = std::set<std::string, std::less<>>;

// The mesh information of chosen objects for one frame, taken on the main thread and read on
// render threads. A mesh stays from frame to frame while its object is chosen again, so a
// render asks the host for each object's mesh once. A copy starts unprepared, so no mesh is
// ever released twice.
class FrameMeshes {
  public:
    FrameMeshes() = default;
    FrameMeshes(const FrameMeshes&) {}
    FrameMeshes& operator=(const FrameMeshes&) = delete;
    ~FrameMeshes() { clear(); }

    // Releases every mesh; unprepared until the next finish().
    void clear();
    // Starts a frame's list: the last frame's meshes wait for add() to take them again.
    void begin();
    // The object's mesh, kept for the frame; null when it has none.
    st_LWMeshInfo* add(const vexo::ObjectInfo& objects, LWItemID object);
    // Releases the mesh added last (one the filter found it has no use for).
    void dropLast();
    // Releases the last frame's meshes not taken again, orders the list for lookups and puts
    // it in place; after the last add of the frame.
    void finish();
    // One frame's list while a render runs: begin, `take(info)` adds the meshes with the host's
    // object functions (when it has them), finish. Outside a render every mesh goes, and samples
    // ask the host.
    template <class Take>
    void frame(bool rendering, vexo::ObjectInfo& objects, Take&& take) {
        begin();
        if (!rendering) {
            clear();
            return;
        }
        if (const st_LWObjectInfo* info = objects.available() ? objects.getGlobal() : nullptr)
            take(info);
        finish();
    }

    // Whether the frame's list is in place: then an object missing from it is not selected.
    bool prepared() const { return m_prepared; }
    // The object's mesh of this frame, or null.
    st_LWMeshInfo* find(LWItemID object) const;

  private:
    using Entry = std::pair<LWItemID, st_LWMeshInfo*>;
    static void release(std::vector<Entry>& meshes);

    std::vector<Entry> m_meshes;  // by object once prepared
    std::vector<Entry> m_last;    // the last frame's, by object; taken ones are null
    size_t m_cursor = 0;          // in m_last: where the next object is looked for first
    bool m_prepared = false;
};

// `name` after its last path separator ("/" or "\\"); the whole name when it has none.
std::string_view afterLastSeparator(std::string_view name);

// A row of "Select Surfaces": the surface name, or by object "object -> surface" (the surface
// name alone when the surface's object is not in the scene).
class SurfaceEntry : public SelectionEntry {
  public:
    SurfaceEntry(std::string name, LWSurfaceID surface, bool selected = false)
        : SelectionEntry(std::move(name), selected), m_surface(surface) {}

    LWSurfaceID surface() const { return m_surface; }

  private:
    LWSurfaceID m_surface;
};

// "Surface Name": surfaces whose names match the pattern list.
class SurfaceNameFilter : public Filter {
  public:
    explicit SurfaceNameFilter(FilterHost* node) : Filter(node) {}
    SurfaceNameFilter(const SurfaceNameFilter& other);

    const char* Save(const vexo::SaveState& state) override;
    void DisplayPicker() override;
    using Filter::DisplayPicker;
    vexo::Reference<Filter> Copy(FilterHost* node) const override;
    bool Evaluate(LWNodalAccess_t* access) override;
    void NewTime(int frame, double time) override;
    const char* LegacyLoad(const vexo::LoadState& state, unsigned blockId) override;
    void PreLoad() override;

    void renderEnds() override {
        Filter::renderEnds();
        m_meshes.clear();
    }
    const qrv::NameSet& selectedNames() const { return m_selected; }

  protected:
    // Takes the meshes of the objects whose files have a surface named in m_selected.
    void prepareMeshes();
    // The surfaces as read for this step of the graph (shared with the other filters).
    const qrv::SurfaceScan& surfaceScan() const;

    vexo::SurfaceReference<false> m_choices;  // the picker's list; also the surface functions
    vexo::ObjectInfo m_objects;
    qrv::NameSet m_selected;  // rebuilt by NewTime
    vexo::ItemInfo m_items;
    FrameMeshes m_meshes;
    qrv::ViewSet m_files;  // prepareMeshes': files with a selected surface
};

// "Surface List (by Scene)": surface names picked from every surface of the scene.
class SurfaceSceneListFilter : public SurfaceNameFilter {
  public:
    explicit SurfaceSceneListFilter(FilterHost* node) : SurfaceNameFilter(node) {}
    SurfaceSceneListFilter(const SurfaceSceneListFilter& other);

    const char* Save(const vexo::SaveState& state) override;
    void DisplayPicker() override;
    using Filter::DisplayPicker;
    vexo::Reference<Filter> Copy(FilterHost* node) const override;
    void NewTime(int frame, double time) override;
    void* DataGet(unsigned id) override;
    int DataSet(unsigned id, void* value) override;
    const char* LegacyLoad(const vexo::LoadState& state, unsigned blockId) override;
    void PreLoad() override;

    const std::set<std::string>& pickedNames() const { return m_picked; }
    void setPickedNames(const std::set<std::string>& names) { m_picked = names; }

  private:
    std::set<std::string> m_picked;
};

// "Surface List (by Object)": surfaces picked per object file, so clones of one file share
// their picks. Objects are keyed by their file name after its last separator.
class SurfaceObjectListFilter : public Filter {
  public:
    using Picks = std::map<std::string, std::set<vexo::LWSurface>, std::less<>>;
    using Names = std::map<std::string, std::set<std::string>>;

    explicit SurfaceObjectListFilter(FilterHost* node) : Filter(node) {}
    SurfaceObjectListFilter(const SurfaceObjectListFilter& other);

    const char* Save(const vexo::SaveState& state) override;
    void DisplayPicker() override;
    using Filter::DisplayPicker;
    vexo::Reference<Filter> Copy(FilterHost* node) const override;
    bool Evaluate(LWNodalAccess_t* access) override;
    void NewTime(int frame, double time) override;
    void* DataGet(unsigned id) override;
    int DataSet(unsigned id, void* value) override;
    const char* LegacyLoad(const vexo::LoadState& state, unsigned blockId) override;
    void PreLoad() override;

    // The key of an object file: its name after the last separator.
    static std::string objectKey(const char* fileName);

    const Picks& pickedSurfaces() const { return m_picked; }
    void setPickedSurfaces(const Picks& picks) { m_picked = picks; }
    const Names& loadedNames() const { return m_loaded; }

  private:
    // Turns the names read from a file into picks of the scene's surfaces, then forgets them.
    void resolveLoaded();
    const char* loadObject(const vexo::LoadState& state);

    vexo::SceneObjects m_sceneObjects;
    vexo::ObjectInfo m_objects;
    vexo::LWSurface m_surfaces;
    Picks m_picked;
    Names m_loaded;  // read, not yet resolved
    vexo::ItemInfo m_items;
    // Rebuilt by NewTime: the picked surfaces' names per object key (in the order of m_picked),
    // the keys, and the position there of each object item's key.
    std::vector<qrv::NameSet> m_keyNames;
    std::vector<std::string_view> m_keys;
    qrv::IdMap<uint32_t> m_perFrame;
    FrameMeshes m_meshes;  // of the objects in m_perFrame
};

// "Weight Map Value": the weight map interpolated at the sample, against a threshold that the
// node's "weightThreshold" input may replace. A change of the map (panel or setMapName) takes
// effect at the next NewTime: samples read only the map and meshes the last step chose.
class WeightMapFilter : public Filter {
  public:
    static constexpr double kDefaultThreshold = 0.5;

    explicit WeightMapFilter(FilterHost* node);
    WeightMapFilter(const WeightMapFilter& other);
    ~WeightMapFilter() override;

    const char* Save(const vexo::SaveState& state) override;
    // Attaches to the node: its threshold input and a new parameter in its channel group,
    // keeping the value and envelope of the parameter before.
    void setNode(FilterHost* node) override;
    void DisplayPicker() override;
    using Filter::DisplayPicker;
    vexo::Reference<Filter> Copy(FilterHost* node) const override;
    bool Evaluate(LWNodalAccess_t* access) override;
    void NewTime(int frame, double time) override;
    void renderEnds() override {
        Filter::renderEnds();
        m_meshes.clear();
    }
    void* DataGet(unsigned id) override;
    int DataSet(unsigned id, void* value) override;
    const char* LegacyLoad(const vexo::LoadState& state, unsigned blockId) override;

    const std::string& mapName() const { return m_mapName; }
    void setMapName(const std::string& name) { m_mapName = name; }
    vexo::VParm& threshold() { return *m_threshold; }
    // The threshold used when the input is not connected: the value cached by NewTime.
    double thresholdValue() const { return m_threshold->value().x; }

  private:
    void attach(FilterHost* node);
    // Selects the map of the last step in the mesh; false when the mesh lacks it or its values
    // are too wide.
    bool selectMap(st_LWMeshInfo* info) const;
    // The map's value interpolated at the sample against the threshold.
    bool selects(st_LWMeshInfo* info, LWNodalAccess_t* access) const;
    // The "Weight Map" pop-up: the node's, or this filter's own without a node.
    vexo::VMapCallbacks& mapList();

    std::unique_ptr<vexo::VParm> m_threshold;
    std::string m_mapName;     // as chosen; the panel's
    std::string m_steppedMap;  // as of the last NewTime or load; what samples use
    unsigned m_mapIndex = 0;
    double m_time = 0;                               // of the last NewTime
    vexo::LWNodeInput* m_input = nullptr;            // the node's "weightThreshold"; not owned
    std::unique_ptr<vexo::VMapCallbacks> m_ownMaps;  // without a node
    vexo::ObjectInfo m_objects;
    vexo::ItemInfo m_items;
    FrameMeshes m_meshes;  // of the objects that have the map, with the map selected
};
