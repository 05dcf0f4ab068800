// The global light group node: passes its "Colour" and "Material" inputs to the outputs of the
// same name, and while an input is being evaluated every light outside the scene's global light
// group returns no light. The group itself lives with the services; the node only applies it,
// steps it to each frame and opens its panel.
#pragma once

#include <vexo/node.h>
#include <vexo/shading.h>

#include <memory>
#include <string>

#include "light_ports.h"

class GlobalLightGroupNode : public vexo::XPanelNodeHandler {
  public:
    enum Control : unsigned {
        kPassThrough = 0x9001,
        kEdit = 0x9005,
        kLogo = 0x9008,
        kAbout = 0x9009,
    };

    GlobalLightGroupNode(void* priv, void* context, std::string* error);
    GlobalLightGroupNode& operator=(const GlobalLightGroupNode& other);

    void Evaluate(LWNodalAccess_t* access, void* output, NodeValue value) override;
    const char* NewTime(int frame, double time) override;
    // No ChangeID of its own: the master hands renumbered items to the group, once per
    // renumbering, and the node holds none.
    const char* Load(const vexo::LoadState& state) override;
    const char* Save(const vexo::SaveState& state) override;

    int Interface(int version, st_LWInterface* local, void* serverData) override;
    void* DataGet(unsigned id) override;
    int DataSet(unsigned id, void* value) override;
    void ButtonClick(unsigned id) override;
    void ControlDraw(unsigned id, vexo::XPDrawArea& area) override;

    bool passThrough() const { return m_passThrough; }

  private:
    qrvNodalShadingFuncs* services() const {
        return m_services.available() ? m_services.getGlobal() : nullptr;
    }

    vexo::qrvShadingGlobal m_services;
    bool m_passThrough = false;
    LightPorts m_ports;
};
