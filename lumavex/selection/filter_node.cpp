// The filter node: its inputs and outputs, the choice between "new" and "base" values per
// sample, its panel, its blocks, and its server records.
#include <vexo/adaptor.h>

#include "filter_node.h"
#include "toolkit/logo.h"
#include "toolkit/node_server.h"
#include "toolkit/panel_table.h"

namespace {

#define LWID4(a, b, c, d) LWID_MAKE(a, b, c, d)

// The node's own blocks, in the order the reader looks for them.
const st_LWBlockIdent kNodeBlocks[] = {
    {LWID4('L', 'O', 'O', 'P'), "LogicOperation"},  {LWID4('I', 'N', 'V', 'T'), "Invert"},
    {LWID4('F', 'T', 'Y', 'P'), "FilterType"},      {LWID4('F', 'T', 'S', 'T'), "FilterString"},
    {LWID4('W', 'M', 'A', 'P'), "WeightMap"},       {LWID4('W', 'T', 'H', 'R'), "WeightThreshold"},
    {LWID4('F', 'C', 'H', 'I'), "IncludeChildren"}, {LWID4('T', 'H', 'R', 'U'), "PassThrough"},
    {LWID4('I', 'T', 'M', 'S'), "Items"},           {LWID4('S', 'R', 'F', 'S'), "Surfaces"},
    {LWID4('F', 'L', 'T', 'R'), "Filter"},          {0, nullptr},
};
enum { kLoop, kInvt };  // the node's own settings; the table's others are the hosting's or older

const char* const kLogicItems[] = {"None", "Logic AND Filter", "Logic OR Filter",
                                   "Logic XOR Filter", nullptr};

// The filter-specific stack and its groups (IDs of no control).
constexpr unsigned kTextGroup = 0x9010;
constexpr unsigned kWeightGroup = 0x9011;
constexpr unsigned kFilterStack = 0x9012;

const char* const kPassThroughMessage = "This node is set to pass through";
const char* const kItemOnlyMessage = "Only available if you filter by Item";

bool isOn(void* value) {
    return value && *static_cast<int*>(value) != 0;
}

}  // namespace

FilterNode::FilterNode(void*, void* context, std::string*)
    : FilterHostingNode(context, kNodeBlocks) {
    m_description = "qorvan lumavex";
    // The weight-map filter adds its input first, before the node's own.
    makeFilters(this);

    auto event = &NodeHandler::CB_NodeInputEvent;
    m_logicIn = addInput(LWNODE_INTEGER, "Logic", event);
    m_baseVector = addInput(LWNODE_VECTOR, "baseVector", event);
    m_baseColour = addInput(LWNODE_COLOUR, "baseColour", event);
    m_baseScalar = addInput(LWNODE_SCALAR, "baseScalar", event);
    m_baseMaterial = addInput(LWNODE_MATERIAL, "baseMaterial", event);
    m_newVector = addInput(LWNODE_VECTOR, "newVector", event);
    m_newColour = addInput(LWNODE_COLOUR, "newColour", event);
    m_newScalar = addInput(LWNODE_SCALAR, "newScalar", event);
    m_newMaterial = addInput(LWNODE_MATERIAL, "newMaterial", event);
    m_invertIn = addInput(LWNODE_INTEGER, "Invert", event);

    m_logicOut = addOutput(LWNODE_INTEGER, "Logic");
    m_vectorOut = addOutput(LWNODE_VECTOR, "Vector");
    m_colourOut = addOutput(LWNODE_COLOUR, "Colour");
    m_scalarOut = addOutput(LWNODE_SCALAR, "Scalar");
    m_materialOut = addOutput(LWNODE_MATERIAL, "Material");
    setColour(30, 30, 80);
}

FilterNode::~FilterNode() {
    // Filters point back at the node: let them go while it is whole.
    releaseFilters();
}

vexo::LWNodeInput* FilterNode::weightThresholdInput() {
    if (!m_weightThreshold)
        m_weightThreshold = addScalarInput("weightThreshold", &NodeHandler::CB_NodeInputEvent);
    return m_weightThreshold.get();
}

FilterNode& FilterNode::operator=(const FilterNode& other) {
    if (this == &other) return *this;
    FilterHostingNode::operator=(other);
    m_invert = other.m_invert;
    m_logic = other.m_logic;
    m_weightMaps = other.m_weightMaps;
    return *this;
}

// Render threads: reads settings and the per-frame selection of the filter of the last step only.
bool FilterNode::evaluateSelection(LWNodalAccess_t* access) {
    if (m_passThrough) return false;
    Filter* stepped = steppedFilter();
    bool result = stepped ? stepped->Evaluate(access) : true;
    if (m_logic != kLogicNone) {
        const bool other = m_logicIn->evaluateInteger(access, 1) != 0;
        if (m_logic == kLogicAnd) result = result && other;
        if (m_logic == kLogicOr) result = result || other;
        if (m_logic == kLogicXor) result = result != other;
    }
    if (m_invertIn->evaluateInteger(access, m_invert ? 1 : 0) != 0) result = !result;
    return result;
}

void FilterNode::Evaluate(LWNodalAccess_t* access, void* output, NodeValue value) {
    const bool selected = evaluateSelection(access);
    if (m_logicOut->is(output)) {
        m_logicOut->setInteger(value, selected ? 1 : 0);
        return;
    }
    struct Route {
        const vexo::LWNodeOutput* out;
        const vexo::LWNodeInput* selected;
        const vexo::LWNodeInput* base;
    };
    const Route routes[] = {{m_vectorOut.get(), m_newVector.get(), m_baseVector.get()},
                            {m_colourOut.get(), m_newColour.get(), m_baseColour.get()},
                            {m_scalarOut.get(), m_newScalar.get(), m_baseScalar.get()},
                            {m_materialOut.get(), m_newMaterial.get(), m_baseMaterial.get()}};
    for (const Route& route : routes) {
        if (!route.out->is(output)) continue;
        // An unconnected input leaves zero.
        double buffer[LWNODE_MATERIAL_DOUBLES] = {};
        (selected ? route.selected : route.base)->evaluate(access, buffer);
        route.out->setValue(value, buffer);
        return;
    }
}

const char* FilterNode::Init(int mode) {
    FilterHostingNode::Init(mode);
    forEachFilter([](Filter& filter) { filter.renderStarts(); });
    return nullptr;
}

void FilterNode::Cleanup() {
    forEachFilter([](Filter& filter) { filter.renderEnds(); });
}

namespace {

// The member of the filter-specific stack by pop-up position: the text group (0), the
// weight-map group (1), or none (2).
const int* stackMap() {
    static const std::vector<int> map = [] {
        std::vector<int> m;
        for (const FilterNode::Choice& c : FilterNode::kChoices)
            m.push_back((c.uses & kUsesText) ? 0 : (c.uses & kUsesWeightMap) ? 1 : 2);
        m.push_back(LWXP_MAP_END);
        return m;
    }();
    return map.data();
}

}  // namespace

int FilterNode::Interface(int, st_LWInterface* local, void*) {
    if (!m_panel.id()) {
        static PanelTables tables{
            logoRow(kFilterLogo),
            PanelHints::passThroughRow(),
            {kLogicOperation, "Logic Operation", "iPopChoice", "integer"},
            PanelHints::filterByRow(),
            PanelHints::textRow(),
            {kIncludeChildren, "Include Children", "iBoolean", "integer"},
            {kWeightMap, "Weight Map", "iPopChoice", "integer"},
            {kWeightThreshold, "Weight Threshold", "percent-env", "percent-env"},
            PanelHints::pickRow(),
            {kInvertFilter, "Invert Filter", "iBoolean", "integer"},
            aboutRow(kFilterAbout),
        };
        vexo::XPanelHints hints;
        hints.group(kTextGroup, {kFilterText, kIncludeChildren, kPick})
            .group(kWeightGroup, {kWeightMap, kWeightThreshold})
            // The stack shows the group of the chosen filter, or none.
            .stack(kFilterStack, kFilterBy, stackMap(), {kTextGroup, kWeightGroup})
            .order(0, {kFilterLogo, kPassThrough, kLogicOperation, kInvertFilter, kFilterBy,
                       kFilterStack, kFilterAbout})
            // Pass through first, so that its message is the one shown.
            .disable(kPassThrough, nullptr, kPassThroughMessage,
                     {kLogicOperation, kFilterBy, kFilterText, kIncludeChildren, kWeightMap,
                      kWeightThreshold, kPick, kInvertFilter})
            .enable(kFilterBy, usesMap(kUsesChildren), kItemOnlyMessage, {kIncludeChildren})
            .strings(kLogicOperation, kLogicItems)
            .popUp(kWeightMap, &vexo::PopUpCallback::PopCount, &vexo::PopUpCallback::PopName);
        appendHostingHints(hints,
                           {kFilterText, kIncludeChildren, kPick, kWeightMap, kWeightThreshold});
        if (CreateViewXPanel(tables.controls(), tables.values(), hints.list(), true))
            m_panel.setData(kWeightMap, static_cast<vexo::PopUpCallback*>(&m_weightMaps));
    }
    if (local) local->panel = m_panel.id();
    return 0;
}

void* FilterNode::DataGet(unsigned id) {
    switch (id) {
        case kLogicOperation:
            return filterIntValue(static_cast<int>(m_logic));
        case kInvertFilter:
            // The connected input decides; the checkbox shows nothing.
            return m_invertIn->connected() ? nullptr : filterIntValue(m_invert ? 1 : 0);
        default:
            return FilterHostingNode::DataGet(id);
    }
}

int FilterNode::DataSet(unsigned id, void* value) {
    switch (id) {
        case kInvertFilter:
            m_invert = isOn(value);
            return 1;
        case kLogicOperation:
            if (value) m_logic = static_cast<unsigned>(*static_cast<int*>(value));
            return 1;
        default:
            return FilterHostingNode::DataSet(id, value);
    }
}

void FilterNode::SaveSettings(const vexo::SaveState& state) {
    state.writeU4Blk(kNodeBlocks[kLoop], m_logic);
    state.writeU1Blk(kNodeBlocks[kInvt], m_invert ? 1 : 0);
}

void FilterNode::LoadSetting(const vexo::LoadState& state, LWID id, const char*& result) {
    uint8_t flag = 0;
    if (id == kNodeBlocks[kLoop].id) {
        // Only an operation of the pop-up: anything else would be stored and act as none.
        unsigned logic = 0;
        if (state.readU4(logic) && logic <= kLogicXor)
            m_logic = logic;
        else
            result = "the filter node holds an unreadable \"LogicOperation\".";
    } else if (id == kNodeBlocks[kInvt].id) {
        if (state.readU1(flag)) m_invert = flag == 1;
    } else if (Filter* current = currentFilter()) {
        // Older files kept the filter's blocks in the node's own: same IDs, no nesting.
        for (const st_LWBlockIdent* ident = kFilterBlocks; ident->id; ++ident)
            if (ident->id == id) {
                const char* read = current->LegacyLoad(state, id);
                if (!result) result = read;
            }
    }
}

namespace {

const NodeServer<FilterNode> g_server("qrvFilter", "Filter", "qorvan/Selection");

}  // namespace
