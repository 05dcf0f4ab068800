// The light group node: passes its "Colour" and "Material" inputs to the outputs of the same
// name, and while an input is being evaluated every light outside the node's group returns no
// light. The group is chosen by one of three light filters (light_filters.h); the node keeps all
// three for its whole life, so switching "Filter by" keeps each filter's settings.
#pragma once

#include <vexo/node.h>
#include <vexo/shading.h>
#include <vexo/utility.h>

#include <memory>
#include <string>

#include "light_filters.h"
#include "light_ports.h"
#include "toolkit/filter_hosting.h"

class LightGroupNode : public FilterHostingNode<LightGroupNode, LightFilter> {
  public:
    enum Control : unsigned {
        kFilterBy = 0x9000,
        kPassThrough = 0x9001,
        kFilterText = kLightFilterText,
        kPick = 0x9005,
        kLogo = 0x9008,
        kAbout = 0x9009,
    };
    static constexpr unsigned kChoiceCount = kLightFilterTypeCount;
    static constexpr const Choice (&kChoices)[kChoiceCount] = kLightFilterChoices<LightGroupNode>;
    static constexpr FilterControls kControls = {kFilterBy, kPassThrough, kFilterText,
                                                 kPick,     kLogo,        kAbout};
    // Every filter follows renumbering, the ones not shown now too.
    static constexpr Renumbering kRenumbering = Renumbering::EveryFilter;

    LightGroupNode(void* priv, void* context, std::string* error);
    LightGroupNode& operator=(const LightGroupNode& other);
    vexo::Reference<LightFilter> copyFilter(const LightFilter& filter) { return filter.Copy(); }

    void Evaluate(LWNodalAccess_t* access, void* output, NodeValue value) override;
    int Interface(int version, st_LWInterface* local, void* serverData) override;

  private:
    vexo::qrvShadingGlobal m_services;

    LightPorts m_ports;
};
