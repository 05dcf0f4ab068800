// The boolean logic node: joins two truth values (filter nodes' "Logic" outputs, say) by AND,
// OR or XOR, optionally inverted. Unconnected inputs take the panel's check boxes.
#pragma once

#include <vexo/node.h>
#include <vexo/shading.h>

#include <memory>
#include <string>

class LogicNode : public vexo::XPanelNodeHandler {
  public:
    enum Control : unsigned {
        kInputA = 0x9000,
        kInputB = 0x9001,
        kInvert = 0x9002,
        kOperation = 0x9003,
        kLogo = 0x9004,
        kAbout = 0x9005,
    };
    enum Operation : unsigned { kAnd = 0, kOr = 1, kXor = 2 };

    LogicNode(void* priv, void* context, std::string* error);
    LogicNode& operator=(const LogicNode& other);

    void Evaluate(LWNodalAccess_t* access, void* output, NodeValue value) override;
    int Interface(int version, st_LWInterface* local, void* serverData) override;
    void* DataGet(unsigned id) override;
    int DataSet(unsigned id, void* value) override;
    void ControlDraw(unsigned id, vexo::XPDrawArea& area) override;
    const char* Load(const vexo::LoadState& state) override;
    const char* Save(const vexo::SaveState& state) override;

  private:
    unsigned m_operation = kAnd;  // any other stored value behaves as AND
    bool m_inputA = false;
    bool m_inputB = false;
    bool m_invert = false;
    vexo::qrvShadingGlobal m_services;
    std::unique_ptr<vexo::LWNodeInput> m_a, m_b, m_invertIn;
    std::unique_ptr<vexo::LWNodeOutput> m_out;
};
