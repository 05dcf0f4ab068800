// The light group node: passes its "Colour" and "Material" inputs to the outputs of the same
// name, and while an input is being evaluated every light outside the node's group returns no
// light. The group is chosen by one of three light filters (light_filters.h); the node keeps all
// three for its whole life, so switching "Filter by" keeps each filter's settings.
#pragma once

#include <vexo/node.h>
#include <vexo/shading.h>
#include <vexo/utility.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "light_filters.h"

class LightGroupNode : public vexo::XPanelNodeHandler {
  public:
    enum Control : unsigned {
        kFilterBy = 0x9000,
        kPassThrough = 0x9001,
        kFilterText = kLightFilterText,
        kPick = 0x9005,
        kLogo = 0x9008,
        kAbout = 0x9009,
    };
    // Stored filter types; the "Filter by" pop-up lists them in this order.
    enum Type : unsigned {
        kNone = 0,
        kLightList = 1,
        kLightName = 2,
        kLightComment = 3,
        kTypeCount = 4,
    };

    LightGroupNode(void* priv, void* context, std::string* error);
    ~LightGroupNode() override;
    LightGroupNode& operator=(const LightGroupNode& other);

    void Evaluate(LWNodalAccess_t* access, void* output, NodeValue value) override;
    const char* NewTime(int frame, double time) override;
    const LWItemID* UseItems() override;
    void ChangeID(const LWItemID* pairs) override;

    int Interface(int version, st_LWInterface* local, void* serverData) override;
    void* DataGet(unsigned id) override;
    int DataSet(unsigned id, void* value) override;
    void ButtonClick(unsigned id) override;
    void ControlDraw(unsigned id, vexo::XPDrawArea& area) override;

    const char* Load(const vexo::LoadState& state) override;
    const char* Save(const vexo::SaveState& state) override;

    // Makes the filter of the filter type current; whether there is one.
    bool selectFilter();

    unsigned filterType() const { return m_filterType; }
    bool passThrough() const { return m_passThrough; }
    LightFilter* currentFilter() const { return m_current.get(); }
    LightFilter* filter(unsigned type) const;

  private:
    std::map<int, vexo::Reference<LightFilter>> m_filters;
    std::vector<LWItemID> m_usedItems{LWITEM_NULL};
    vexo::Reference<LightFilter> m_current;
    unsigned m_filterType = kNone;
    bool m_passThrough = false;
    vexo::qrvShadingGlobal m_services;

    std::unique_ptr<vexo::LWNodeInput> m_colourIn, m_materialIn;
    std::unique_ptr<vexo::LWNodeOutput> m_colourOut, m_materialOut;
};
