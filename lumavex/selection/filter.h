// The base of the filter node's filters, and what they ask of the node that holds them. The
// node (filter_node.h) asks its current filter whether the sample being shaded is selected.
//
// The filters (filter.cpp, item_filters.cpp, surface_filters.cpp) know their node only through
// FilterHost, so they build and test without the node's unit.
//
// Filters build their per-frame selection in NewTime on the main thread; Evaluate runs on render
// threads and only looks the sample up in that selection.
#pragma once

#include <vexo/items.h>
#include <vexo/node.h>
#include <vexo/persistence.h>
#include <vexo/shading.h>
#include <vexo/utility.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

// What a filter asks of the node that holds it: the weight-map filters share the node's "Weight
// Map" pop-up, its threshold input and its channel group.
class FilterHost {
  public:
    // The "Weight Map" pop-up: "(none)" and the scene's weight maps.
    virtual vexo::VMapCallbacks& weightMaps() = 0;
    // The scalar input "weightThreshold", made on first use so that a node has one whatever
    // weight-map filters are attached to it.
    virtual vexo::LWNodeInput* weightThresholdInput() = 0;
    virtual LWChanGroupID filterChannelGroup() const = 0;

  protected:
    ~FilterHost() = default;
};

// Filter types as stored; the "Filter by" pop-up lists them in another order
// (the filter node's kChoices).
enum FilterType : unsigned {
    kFilterNone = 0,
    kFilterSurfaceName = 1,
    kFilterItemName = 2,
    kFilterObjectName = 3,
    kFilterWeightMap = 4,
    kFilterItemComment = 5,
    kFilterSurfaceObjectList = 6,
    kFilterSurfaceSceneList = 7,
    kFilterItemList = 8,
    kFilterTypeCount = 9,
};

// Panel controls of the node; the filter-specific ones are forwarded to the current filter.
enum FilterControl : unsigned {
    kFilterBy = 0x9000,
    kPassThrough = 0x9001,
    kInvertFilter = 0x9003,
    kFilterText = 0x9004,
    kIncludeChildren = 0x9005,
    kLogicOperation = 0x9006,
    kPick = 0x9009,
    kFilterLogo = 0x900c,
    kWeightThreshold = 0x900d,
    kWeightMap = 0x900e,
    kFilterAbout = 0x900f,
};

// Blocks inside a node's "FLTR" block (and, in older files, directly in the node block).
extern const st_LWBlockIdent kFilterBlocks[];
enum FilterBlock {
    kBlockFilterString,     // "FTST" "FilterString"
    kBlockIncludeChildren,  // "FCHI" "IncludeChildren"
    kBlockWeightMap,        // "WMAP" "WeightMap"
    kBlockWeightThreshold,  // "WTHR" "WeightThreshold"
    kBlockItems,            // "ITMS" "Items"
    kBlockSurface,          // "SRFS" "Surface"
    kBlockObject,           // "OBJT" "Object"
    kBlockName,             // "NAME" "Name"
};

// One way of selecting samples. Held through vexo::Reference; all live as long as their node.
class Filter : public vexo::Storeable, public vexo::ReferenceCounted {
  public:
    explicit Filter(FilterHost* node) : m_node(node) {}
    // Copies the filter string; Copy attaches the copy to its node.
    Filter(const Filter& other)
        : vexo::Storeable(other), vexo::ReferenceCounted(other), m_filter(other.m_filter) {}
    Filter& operator=(const Filter&) = delete;

    // PreLoad, then every block of kFilterBlocks through LegacyLoad; the first error or null.
    const char* Load(const vexo::LoadState& state) override;
    const char* Save(const vexo::SaveState& state) override = 0;
    virtual void setNode(FilterHost* node) { m_node = node; }
    // Opens the filter's picker; the base has none.
    virtual void DisplayPicker() {}
    ~Filter() override = default;

    // A new filter of the same class and settings, attached to `node`.
    virtual vexo::Reference<Filter> Copy(FilterHost* node) const = 0;
    // Whether the sample is selected. Render threads; reads only the per-frame selection.
    virtual bool Evaluate(LWNodalAccess_t* access) = 0;
    virtual void NewTime(int frame, double time) = 0;
    // The pattern as the panel's "Filter" text; a filter with other controls adds them.
    virtual void* DataGet(unsigned id);
    virtual int DataSet(unsigned id, void* value);
    // Reads one block of the filter's own data; null or an error text.
    virtual const char* LegacyLoad(const vexo::LoadState& state, unsigned blockId) = 0;
    // Before a load: filters with per-frame sets or lists clear them.
    virtual void PreLoad() {}
    // A render starts and ends. Between them NewTime may keep host data for render threads;
    // renderEnds releases it, so nothing taken for a render outlives the scene it came from.
    void renderStarts() { m_rendering = true; }
    virtual void renderEnds() { m_rendering = false; }
    // DisplayPicker(), then the (possibly changed) filter string into the panel's "Filter".
    virtual void DisplayPicker(vexo::XPanel& panel);
    // Item IDs are the host's LWItemID (an integer here, a pointer on other hosts).
    virtual void UseItems(std::set<LWItemID>& items) { (void)items; }
    virtual void ChangeID(std::map<LWItemID, LWItemID>& ids) { (void)ids; }

    FilterHost* node() const { return m_node; }
    const std::string& filterString() const { return m_filter; }
    void setFilterString(const std::string& text) { m_filter = text; }

  protected:
    // What each Copy returns: a copy of `filter`, of its own class, attached to `node`.
    template <class F>
    static vexo::Reference<Filter> copyOf(const F& filter, FilterHost* node) {
        vexo::Reference<F> copy = vexo::makeReference<F>(filter);
        copy->setNode(node);
        return copy;
    }

    FilterHost* m_node = nullptr;  // not owned
    std::string m_filter;          // a pattern list, or the text showing the selection
    bool m_rendering = false;      // between renderStarts and renderEnds
};

// Shared by DataGet implementations: the value handed out, valid until the next DataGet on the
// main thread.
int* filterIntValue(int value);
