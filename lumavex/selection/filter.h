// The filter node and the base of its filters. The node asks its current filter whether the
// sample being shaded is selected, combines the answer with its "Logic" and "Invert" inputs, and
// passes its "new" inputs (selected) or its "base" inputs (not selected) to its outputs.
//
// The filters (filter.cpp, item_filters.cpp, surface_filters.cpp) use only the inline parts of
// FilterNode, so they build and test without the node's server unit.
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

#include "toolkit/filter_hosting.h"

class FilterNode;

// Filter types as stored; the "Filter by" pop-up lists them in another order
// (FilterNode::kChoices).
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
    explicit Filter(FilterNode* node) : m_node(node) {}
    // Copies the filter string; Copy attaches the copy to its node.
    Filter(const Filter& other)
        : vexo::Storeable(other), vexo::ReferenceCounted(other), m_filter(other.m_filter) {}
    Filter& operator=(const Filter&) = delete;

    // PreLoad, then every block of kFilterBlocks through LegacyLoad; the first error or null.
    const char* Load(const vexo::LoadState& state) override;
    const char* Save(const vexo::SaveState& state) override = 0;
    virtual void setNode(FilterNode* node) { m_node = node; }
    // Opens the filter's picker; the base has none.
    virtual void DisplayPicker() {}
    ~Filter() override = default;

    // A new filter of the same class and settings, attached to `node`.
    virtual vexo::Reference<Filter> Copy(FilterNode* node) const = 0;
    // Whether the sample is selected. Render threads; reads only the per-frame selection.
    virtual bool Evaluate(LWNodalAccess_t* access) = 0;
    virtual void NewTime(int frame, double time) = 0;
    virtual void* DataGet(unsigned id) = 0;
    virtual int DataSet(unsigned id, void* value) = 0;
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

    FilterNode* node() const { return m_node; }
    const std::string& filterString() const { return m_filter; }
    void setFilterString(const std::string& text) { m_filter = text; }

  protected:
    // What each Copy returns: a copy of `filter`, of its own class, attached to `node`.
    template <class F>
    static vexo::Reference<Filter> copyOf(const F& filter, FilterNode* node) {
        vexo::Reference<F> copy = vexo::makeReference<F>(filter);
        copy->setNode(node);
        return copy;
    }

    FilterNode* m_node = nullptr;  // not owned
    std::string m_filter;          // a pattern list, or the text showing the selection
    bool m_rendering = false;      // between renderStarts and renderEnds
};

// Shared by DataGet implementations: the value handed out, valid until the next DataGet on the
// main thread.
int* filterIntValue(int value);

class FilterNode : public FilterHostingNode<FilterNode, Filter> {
  public:
    enum Logic : unsigned { kLogicNone = 0, kLogicAnd = 1, kLogicOr = 2, kLogicXor = 3 };

    // "Filter by" in pop-up order: each kind's stored type, label, panel use and filter class.
    static constexpr unsigned kChoiceCount = kFilterTypeCount;
    static const Choice kChoices[kChoiceCount];
    static constexpr FilterControls kControls = {kFilterBy, kPassThrough, kFilterText,
                                                 kPick,     kFilterLogo,  kFilterAbout};
    // Every filter follows renumbering, the ones not shown now too.
    static constexpr Renumbering kRenumbering = Renumbering::EveryFilter;

    FilterNode(void* priv, void* context, std::string* error);
    ~FilterNode() override;
    FilterNode& operator=(const FilterNode& other);
    vexo::Reference<Filter> copyFilter(const Filter& filter) { return filter.Copy(this); }

    void Evaluate(LWNodalAccess_t* access, void* output, NodeValue value) override;
    // Every filter, shown or not, learns that a render starts and ends.
    const char* Init(int mode) override;
    void Cleanup() override;

    int Interface(int version, st_LWInterface* local, void* serverData) override;
    void* DataGet(unsigned id) override;
    int DataSet(unsigned id, void* value) override;

    unsigned logicOperation() const { return m_logic; }
    bool invert() const { return m_invert; }

    // The "Weight Map" pop-up: "(none)" and the scene's weight maps.
    vexo::VMapCallbacks& weightMaps() { return m_weightMaps; }
    // The scalar input "weightThreshold", made on first use so that a node has one whatever
    // weight-map filters are attached to it. Inline: filters are built without the node's unit.
    vexo::LWNodeInput* weightThresholdInput() {
        if (!m_weightThreshold)
            m_weightThreshold = addScalarInput("weightThreshold", &NodeHandler::CB_NodeInputEvent);
        return m_weightThreshold.get();
    }

  private:
    bool evaluateSelection(LWNodalAccess_t* access);
    void SaveSettings(const vexo::SaveState& state) override;
    void LoadSetting(const vexo::LoadState& state, LWID id, const char*& result) override;
    void FilterTypeLoaded(Filter& filter) override { filter.PreLoad(); }

    unsigned m_logic = kLogicNone;
    bool m_invert = false;
    vexo::VMapCallbacks m_weightMaps{LWVMAP_WGHT, true};
    vexo::qrvShadingGlobal m_services;

    std::unique_ptr<vexo::LWNodeInput> m_weightThreshold;
    std::unique_ptr<vexo::LWNodeInput> m_logicIn;
    std::unique_ptr<vexo::LWNodeInput> m_baseVector, m_baseColour, m_baseScalar, m_baseMaterial;
    std::unique_ptr<vexo::LWNodeInput> m_newVector, m_newColour, m_newScalar, m_newMaterial;
    std::unique_ptr<vexo::LWNodeInput> m_invertIn;
    std::unique_ptr<vexo::LWNodeOutput> m_logicOut, m_vectorOut, m_colourOut, m_scalarOut,
        m_materialOut;
};
