// The light group node: its inputs and outputs, the hooks around the evaluation of its inputs,
// its panel, its blocks, and its server records.
#include "light_group_node.h"

#include <vexo/adaptor.h>

#include "toolkit/logo.h"
#include "toolkit/node_server.h"
#include "toolkit/panel_table.h"

namespace {

// The node's blocks, in the order the reader looks for them. "Invert" belongs to no setting of
// this node; such a block is skipped.
const st_LWBlockIdent kNodeBlocks[] = {
    {LWID_MAKE('T', 'H', 'R', 'U'), "PassThrough"},
    {LWID_MAKE('F', 'T', 'Y', 'P'), "FilterType"},
    {LWID_MAKE('F', 'L', 'T', 'R'), "Filter"},
    {LWID_MAKE('I', 'N', 'V', 'T'), "Invert"},
    {0, nullptr},
};
// Holds "Filter" and "Pick..." (an ID of no control).
constexpr unsigned kFilterGroup = 0x9010;

const char* const kPassThroughMessage = "This node is set to pass through";

}  // namespace

LightGroupNode::LightGroupNode(void*, void* context, std::string*)
    : FilterHostingNode(context, kNodeBlocks) {
    m_description = "qorvan lumavex";
    makeFilters(this);

    m_ports.add(*this);
    setColour(30, 30, 80);
}

LightGroupNode& LightGroupNode::operator=(const LightGroupNode& other) {
    if (this != &other) FilterHostingNode::operator=(other);
    return *this;
}

// Render threads: reads the settings and the light set of the filter of the last step only.
void LightGroupNode::Evaluate(LWNodalAccess_t* access, void* output, NodeValue value) {
    const LightFilter* stepped = steppedFilter();
    LightGroup::Scope hooks(access, stepped && !m_passThrough ? &stepped->lights() : nullptr);
    m_ports.pass(access, output, value);
}

int LightGroupNode::Interface(int, st_LWInterface* local, void*) {
    if (!m_panel.id()) {
        static PanelTables tables{
            logoRow(kLogo),        PanelHints::passThroughRow(), PanelHints::filterByRow(),
            PanelHints::textRow(), PanelHints::pickRow(),        aboutRow(kAbout),
        };
        vexo::XPanelHints hints;
        hints.group(kFilterGroup, {kFilterText, kPick})
            .order(0, {kLogo, kPassThrough, kFilterBy, kFilterGroup, kAbout})
            // Pass through first, so that its message is the one shown.
            .disable(kPassThrough, nullptr, kPassThroughMessage, {kFilterBy, kFilterText, kPick});
        appendHostingHints(hints, {kFilterText, kPick});
        // Owned, so that the panel, which calls back into this node, goes with it.
        CreateViewXPanel(tables.controls(), tables.values(), hints.list(), true);
    }
    if (local) local->panel = m_panel.id();
    return 0;
}

namespace {

const NodeServer<LightGroupNode> g_server("qrvLightGroup", "Light Group", "qorvan/Selection");

}  // namespace
