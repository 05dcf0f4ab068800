// The light group node: its inputs and outputs, the hooks around the evaluation of its inputs,
// its panel, its blocks, and its server records.
#include "light_group_node.h"

#include <vexo/adaptor.h>
#include <vexo/server.h>

#include <lwsdk/lwmodule.h>

#include "logo.h"

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
enum { kThru, kFtyp, kFltr, kInvt };

const char* const kFilterByItems[] = {"none", "Light List", "Light Name", "Light Comment"};

// Holds "Filter" and "Pick..." (an ID of no control).
constexpr unsigned kFilterGroup = 0x9010;

const char* const kPassThroughMessage = "This node is set to pass through";

// What DataGet hands out; the host reads it before the next call (main thread).
int g_value = 0;

int* valueOf(int v) {
    g_value = v;
    return &g_value;
}

}  // namespace

LightGroupNode::LightGroupNode(void*, void* context, std::string*)
    : vexo::XPanelNodeHandler(context) {
    m_description = "qorvan lumavex";
    m_filters[kLightList] = new LightListFilter;
    m_filters[kLightName] = new LightNameFilter;
    m_filters[kLightComment] = new LightCommentFilter;
    selectFilter();

    auto event = &NodeHandler::CB_NodeInputEvent;
    m_colourIn = addInput(LWNODE_COLOUR, "Colour", event);
    m_materialIn = addInput(LWNODE_MATERIAL, "Material", event);
    m_colourOut = addOutput(LWNODE_COLOUR, "Colour");
    m_materialOut = addOutput(LWNODE_MATERIAL, "Material");
    setColour(30, 30, 80);
}

LightGroupNode::~LightGroupNode() {
    m_current.reset();
    m_filters.clear();
}

LightGroupNode& LightGroupNode::operator=(const LightGroupNode& other) {
    if (this == &other) return *this;
    vexo::XPanelNodeHandler::operator=(other);
    m_filterType = other.m_filterType;
    m_passThrough = other.m_passThrough;
    m_current.reset();
    std::map<int, vexo::Reference<LightFilter>> copies;
    for (const auto& entry : other.m_filters)
        copies[entry.first] = vexo::Reference<LightFilter>(entry.second->Copy());
    m_filters.swap(copies);
    selectFilter();
    return *this;
}

LightFilter* LightGroupNode::filter(unsigned type) const {
    auto it = m_filters.find(static_cast<int>(type));
    return it == m_filters.end() ? nullptr : it->second.get();
}

bool LightGroupNode::selectFilter() {
    auto it = m_filters.find(static_cast<int>(m_filterType));
    m_current = it == m_filters.end() ? vexo::Reference<LightFilter>() : it->second;
    return static_cast<bool>(m_current);
}

// Render threads: reads the settings and the current filter's light set only.
void LightGroupNode::Evaluate(LWNodalAccess_t* access, void* output, NodeValue value) {
    const LightFilter* current = m_current.get();
    LightGroup::Scope hooks(access, current && !m_passThrough ? &current->lights() : nullptr);
    // An unconnected input gives black, or a zero material.
    if (m_materialOut->is(output)) {
        double material[LWNODE_MATERIAL_DOUBLES] = {};
        m_materialIn->evaluate(access, material);
        m_materialOut->setValue(value, material);
    } else if (m_colourOut->is(output)) {
        double colour[3] = {};
        m_colourIn->evaluate(access, colour);
        m_colourOut->setValue(value, colour);
    }
}

const char* LightGroupNode::NewTime(int frame, double time) {
    vexo::XPanelNodeHandler::NewTime(frame, time);
    if (LightFilter* current = m_current.get()) current->NewTime(frame, time);
    return nullptr;
}

const LWItemID* LightGroupNode::UseItems() {
    std::set<LWItemID> used;
    if (LightFilter* current = m_current.get()) current->UseItems(used);
    m_usedItems.assign(used.begin(), used.end());
    m_usedItems.push_back(LWITEM_NULL);
    return m_usedItems.data();
}

void LightGroupNode::ChangeID(const LWItemID* pairs) {
    if (!pairs) return;
    std::map<LWItemID, LWItemID> ids;
    for (const LWItemID* pair = pairs; pair[0]; pair += 2) ids[pair[0]] = pair[1];
    // Every filter follows, not only the current one: the picked lights of a list that is not
    // shown now must still name the right lights when it is chosen again.
    for (auto& entry : m_filters) entry.second->ChangeID(ids);
}

int LightGroupNode::Interface(int, st_LWInterface* local, void*) {
    if (!m_panel.id()) {
        static st_LWXPanelControl controls[] = {
            {kLogo, "", "dThumbnail"},
            {kPassThrough, "Pass Through", "iBoolean"},
            {kFilterBy, "Filter by", "iPopChoice"},
            {kFilterText, "Filter", "string"},
            {kPick, "Pick...", "vButton"},
            {kAbout, "About...", "vButton"},
            {0, nullptr, nullptr},
        };
        static st_LWXPanelDataDesc data[] = {
            {kPassThrough, "Pass Through", "integer"},
            {kFilterBy, "Filter by", "integer"},
            {kFilterText, "Filter", "string"},
            {0, nullptr, nullptr},
        };
        std::vector<void*> hints = {
            LWXP_INT(LWXPT_GROUP), LWXP_INT(kFilterGroup), nullptr, LWXP_INT(kFilterText),
            LWXP_INT(kPick), LWXP_INT(0), LWXP_INT(LWXPT_ORDER), LWXP_INT(kLogo),
            LWXP_INT(kPassThrough), LWXP_INT(kFilterBy), LWXP_INT(kFilterGroup), LWXP_INT(kAbout),
            LWXP_INT(0),
            // Pass through first, so that its message is the one shown.
            LWXP_INT(LWXPT_DISABLE_NONZERO), LWXP_INT(kPassThrough), LWXP_TEXT(kPassThroughMessage),
            LWXP_INT(kFilterBy), LWXP_INT(kFilterText), LWXP_INT(kPick), LWXP_INT(0),
            LWXP_INT(LWXPT_DISABLE_IN), LWXP_INT(kFilterBy), nullptr, LWXP_INT(1), LWXP_INT(kNone),
            LWXP_INT(kFilterText), LWXP_INT(kPick), LWXP_INT(0),
            // The comment filter has no picker.
            LWXP_INT(LWXPT_ENABLE_IN), LWXP_INT(kFilterBy), nullptr, LWXP_INT(2),
            LWXP_INT(kLightList), LWXP_INT(kLightName), LWXP_INT(kPick), LWXP_INT(0),
            LWXP_INT(LWXPT_REFRESH_ON), LWXP_INT(kFilterBy), LWXP_INT(kFilterText), LWXP_INT(kPick),
            LWXP_INT(0), LWXP_INT(LWXPT_STRING_LIST), LWXP_INT(kFilterBy)};
        for (const char* item : kFilterByItems) hints.push_back(LWXP_TEXT(item));
        hints.push_back(nullptr);
        const std::vector<void*> tail = {
            LWXP_INT(LWXPT_BUTTON_NOTIFY), LWXP_INT(kPick),  LWXP_FUNC(&LWXPanelBtnClickFunc),
            LWXP_INT(LWXPT_BUTTON_NOTIFY), LWXP_INT(kAbout), LWXP_FUNC(&showAbout),
            LWXP_INT(LWXPT_DRAW_FUNC),     LWXP_INT(kLogo),  LWXP_FUNC(&LWXPanelControlDrawFunc)};
        hints.insert(hints.end(), tail.begin(), tail.end());
        // The modelling application has no scene to pick from.
        if (vexo::LightWave::isModeler()) {
            hints.push_back(LWXP_INT(LWXPT_DELETE));
            hints.push_back(LWXP_INT(kPick));
        }
        hints.push_back(LWXP_INT(LWXPT_END));
        // Owned, so that the panel, which calls back into this node, goes with it.
        CreateViewXPanel(controls, data, hints.data(), true);
    }
    if (local) local->panel = m_panel.id();
    return 0;
}

void* LightGroupNode::DataGet(unsigned id) {
    switch (id) {
        case kFilterBy:
            return valueOf(m_filterType < kTypeCount ? static_cast<int>(m_filterType) : 0);
        case kPassThrough:
            return valueOf(m_passThrough ? 1 : 0);
        default:
            return m_current ? m_current->DataGet(id) : nullptr;
    }
}

int LightGroupNode::DataSet(unsigned id, void* value) {
    switch (id) {
        case kFilterBy:
            if (value) {
                const int index = *static_cast<int*>(value);
                m_filterType = index >= 0 && index < static_cast<int>(kTypeCount)
                                   ? static_cast<unsigned>(index)
                                   : kNone;
            }
            selectFilter();
            return 1;
        case kPassThrough:
            m_passThrough = value && *static_cast<int*>(value) != 0;
            return 1;
        default:
            return m_current ? m_current->DataSet(id, value) : 1;
    }
}

void LightGroupNode::ButtonClick(unsigned id) {
    if (id == kPick && selectFilter()) m_current->DisplayPicker(m_panel);
}

void LightGroupNode::ControlDraw(unsigned id, vexo::XPDrawArea& area) {
    if (id == kLogo) drawLogo(area);
}

const char* LightGroupNode::Save(const vexo::SaveState& state) {
    state.writeU1Blk(kNodeBlocks[kThru], m_passThrough ? 1 : 0);
    state.writeU4Blk(kNodeBlocks[kFtyp], m_filterType);
    if (selectFilter()) state.WriteItem(kNodeBlocks[kFltr], *m_current, false);
    return nullptr;
}

const char* LightGroupNode::Load(const vexo::LoadState& state) {
    const char* result = nullptr;
    while (const LWID id = state.findBlk(kNodeBlocks)) {
        uint8_t flag = 0;
        if (id == kNodeBlocks[kFtyp].id) {
            if (state.readU4(m_filterType)) selectFilter();
        } else if (id == kNodeBlocks[kThru].id) {
            if (state.readU1(flag)) m_passThrough = flag == 1;
        } else if (id == kNodeBlocks[kFltr].id) {
            if (m_current) result = state.read(*m_current);
        }
        state.endBlk();
    }
    return result;
}

namespace {

const st_ServerTagInfo kTags[] = {{"Light Group", LWTAG_USERNAME},
                                  {"qorvan lumavex", LWTAG_BUTTONNAME},
                                  {"qorvan/Selection", LWTAG_NODEGROUP},
                                  {nullptr, 0}};

vexo::ServerRegistration g_handler(LWNODE_HCLASS, "qrvLightGroup",
                                   &vexo::NodeAdaptor<LightGroupNode, 1, 1>::Activate, kTags);
vexo::ServerRegistration g_interface(LWNODE_ICLASS, "qrvLightGroup",
                                     &vexo::XPanelAdaptor<LightGroupNode>::Interface, kTags);

}  // namespace
