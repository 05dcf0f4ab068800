// The expose-surface node: hands the override graph the surface values of the sample being
// shaded, as they were before the override changed anything. Outside an evaluation of the
// override there is no such sample and the node leaves its outputs alone.
#pragma once

#include <vexo/node.h>
#include <vexo/shading.h>

#include <memory>
#include <string>

class SurfaceNode : public vexo::XPanelNodeHandler {
  public:
    static constexpr unsigned kLogo = 0x9004;

    SurfaceNode(void* priv, void* context, std::string* error);
    // No settings: a copy keeps its own outputs and subscription.
    SurfaceNode& operator=(const SurfaceNode&) { return *this; }

    void Evaluate(LWNodalAccess_t* access, void* output, NodeValue value) override;
    int Interface(int version, st_LWInterface* local, void* serverData) override;
    void ControlDraw(unsigned id, vexo::XPDrawArea& area) override;

    // Output names in creation order; the first is the colour.
    static const char* const outputNames[];
    static constexpr int outputCount = 15;

  private:
    vexo::qrvShadingGlobal m_services;
    std::unique_ptr<vexo::LWNodeOutput> m_outputs[outputCount];
};
