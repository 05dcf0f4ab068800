// The filter node: asks its current filter whether the sample being shaded is selected, combines
// the answer with its "Logic" and "Invert" inputs, and passes its "new" inputs (selected) or its
// "base" inputs (not selected) to its outputs.
#pragma once

#include <vexo/node.h>
#include <vexo/shading.h>
#include <vexo/utility.h>

#include <memory>
#include <string>

#include "filter.h"
#include "item_filters.h"
#include "surface_filters.h"
#include "toolkit/filter_hosting.h"

class FilterNode : public FilterHostingNode<FilterNode, Filter>, public FilterHost {
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

    vexo::VMapCallbacks& weightMaps() override { return m_weightMaps; }
    vexo::LWNodeInput* weightThresholdInput() override;
    LWChanGroupID filterChannelGroup() const override { return channelGroup(); }

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

// Here rather than in the node's unit, so that the pop-up's order is known wherever the node is.
inline const FilterNode::Choice FilterNode::kChoices[kChoiceCount] = {
    {kFilterNone, "none", 0, nullptr},
    {kFilterSurfaceObjectList, "Surface List (by Object)", kUsesText | kUsesPick,
     makeFilter<FilterNode, Filter, SurfaceObjectListFilter>},
    {kFilterSurfaceSceneList, "Surface List (by Scene)", kUsesText | kUsesPick,
     makeFilter<FilterNode, Filter, SurfaceSceneListFilter>},
    {kFilterSurfaceName, "Surface Name", kUsesText | kUsesPick,
     makeFilter<FilterNode, Filter, SurfaceNameFilter>},
    {kFilterItemList, "Item List", kUsesText | kUsesPick | kUsesChildren,
     makeFilter<FilterNode, Filter, ItemListFilter>},
    {kFilterItemName, "Item Name", kUsesText | kUsesPick | kUsesChildren,
     makeFilter<FilterNode, Filter, ItemNameFilter>},
    {kFilterObjectName, "Object Name", kUsesText | kUsesPick | kUsesChildren,
     makeFilter<FilterNode, Filter, ObjectFilter>},
    {kFilterWeightMap, "Weight Map Value", kUsesWeightMap,
     makeFilter<FilterNode, Filter, WeightMapFilter>},
    {kFilterItemComment, "Item Comment", kUsesText | kUsesChildren,
     makeFilter<FilterNode, Filter, ItemCommentFilter>},
};
