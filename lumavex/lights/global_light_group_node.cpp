// The global light group node: its inputs and outputs, the group applied around the evaluation
// of its inputs, its panel, its block, and its server records.
#include "global_light_group_node.h"

#include <vexo/adaptor.h>

#include <cstdint>

#include "toolkit/logo.h"
#include "toolkit/node_server.h"
#include "toolkit/panel_data.h"
#include "toolkit/panel_table.h"

namespace {

const st_LWBlockIdent kBlocks[] = {
    {LWID_MAKE('T', 'H', 'R', 'U'), "PassThrough"},
    {0, nullptr},
};

const char* const kPassThroughMessage = "This node is set to pass through";

PanelData<int> g_value;

// The group pushed for as long as it lives; pops with the handle of its push.
class Pushed {
  public:
    Pushed(qrvNodalShadingFuncs* services, LWNodalAccess_t* access) : m_services(services) {
        if (m_services) m_handle = m_services->ns_pushGlobalLightGroup(access);
    }
    ~Pushed() {
        if (m_services) m_services->ns_popGlobalLightGroup(m_handle);
    }
    Pushed(const Pushed&) = delete;
    Pushed& operator=(const Pushed&) = delete;

  private:
    qrvNodalShadingFuncs* m_services;
    void* m_handle = nullptr;
};

}  // namespace

GlobalLightGroupNode::GlobalLightGroupNode(void*, void* context, std::string*)
    : vexo::XPanelNodeHandler(context) {
    m_description = "qorvan lumavex";
    m_ports.add(*this);
    setColour(30, 30, 80);
}

GlobalLightGroupNode& GlobalLightGroupNode::operator=(const GlobalLightGroupNode& other) {
    if (this != &other) {
        vexo::XPanelNodeHandler::operator=(other);
        m_passThrough = other.m_passThrough;
    }
    return *this;
}

// Render threads: the services push and pop the group on this thread's records only.
void GlobalLightGroupNode::Evaluate(LWNodalAccess_t* access, void* output, NodeValue value) {
    Pushed group(m_passThrough ? nullptr : services(), access);
    m_ports.pass(access, output, value);
}

const char* GlobalLightGroupNode::NewTime(int frame, double time) {
    vexo::XPanelNodeHandler::NewTime(frame, time);
    if (qrvNodalShadingFuncs* ns = services()) ns->ns_lg_newTime(frame, time);
    return nullptr;
}

const char* GlobalLightGroupNode::Save(const vexo::SaveState& state) {
    state.writeU1Blk(kBlocks[0], m_passThrough ? 1 : 0);
    return nullptr;
}

const char* GlobalLightGroupNode::Load(const vexo::LoadState& state) {
    while (const LWID id = state.findBlk(kBlocks)) {
        uint8_t flag = 0;
        if (id == kBlocks[0].id && state.readU1(flag)) m_passThrough = flag == 1;
        state.endBlk();
    }
    return nullptr;
}

int GlobalLightGroupNode::Interface(int, st_LWInterface* local, void*) {
    if (!m_panel.id()) {
        static PanelTables tables{
            logoRow(kLogo),
            {kPassThrough, "Pass Through", "iBoolean", "integer"},
            {kEdit, "Edit Global Light Group...", "vButton"},
            aboutRow(kAbout),
        };
        vexo::XPanelHints hints;
        hints.order(0, {kLogo, kPassThrough, kEdit, kAbout})
            .disable(kPassThrough, nullptr, kPassThroughMessage, {kEdit})
            .button(kEdit, &LWXPanelBtnClickFunc);
        logoAndAbout(hints, kLogo, kAbout);
        // The modelling application has no scene-wide group to edit.
        if (vexo::LightWave::isModeler()) hints.remove(kEdit);
        // Owned, so that the panel, which calls back into this node, goes with it.
        CreateViewXPanel(tables.controls(), tables.values(), hints.list(), true);
    }
    if (local) local->panel = m_panel.id();
    return 0;
}

void* GlobalLightGroupNode::DataGet(unsigned id) {
    if (id != kPassThrough) return nullptr;
    return g_value(m_passThrough ? 1 : 0);
}

int GlobalLightGroupNode::DataSet(unsigned id, void* value) {
    if (id == kPassThrough) m_passThrough = value && *static_cast<int*>(value) != 0;
    return 1;
}

void GlobalLightGroupNode::ButtonClick(unsigned id) {
    if (id != kEdit) return;
    if (qrvNodalShadingFuncs* ns = services()) ns->ns_DisplayLightGroup();
}

void GlobalLightGroupNode::ControlDraw(unsigned id, vexo::XPDrawArea& area) {
    if (id == kLogo) drawLogo(area);
}

namespace {

const NodeServer<GlobalLightGroupNode> g_server("qrvGlobalLightGroup", "Global Light Group",
                                                "qorvan/Selection");

}  // namespace
