// The filter node: its inputs and outputs, the choice between "new" and "base" values per
// sample, its panel, its blocks, and its server records.
#include <vexo/adaptor.h>
#include <vexo/server.h>

#include <lwsdk/lwmodule.h>

#include "filter.h"
#include "item_filters.h"
#include "logo.h"
#include "surface_filters.h"

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
enum { kLoop, kInvt, kFtyp, kFtst, kWmap, kWthr, kFchi, kThru, kItms, kSrfs, kFltr };

// "Filter by" lists the types in this order.
const unsigned kTypeOfPopup[kFilterTypeCount] = {0, 6, 7, 1, 8, 2, 3, 4, 5};
const unsigned kPopupOfType[kFilterTypeCount] = {0, 3, 5, 6, 7, 8, 1, 2, 4};

const char* const kFilterByItems[] = {"none",
                                      "Surface List (by Object)",
                                      "Surface List (by Scene)",
                                      "Surface Name",
                                      "Item List",
                                      "Item Name",
                                      "Object Name",
                                      "Weight Map Value",
                                      "Item Comment",
                                      nullptr};
const char* const kLogicItems[] = {"None", "Logic AND Filter", "Logic OR Filter",
                                   "Logic XOR Filter", nullptr};

// Groups of the filter-specific stack (IDs of no control).
constexpr unsigned kTextGroup = 0x9010;
constexpr unsigned kWeightGroup = 0x9011;

const char* const kPassThroughMessage = "This node is set to pass through";
const char* const kItemOnlyMessage = "Only available if you filter by Item";

bool isOn(void* value) {
    return value && *static_cast<int*>(value) != 0;
}

}  // namespace

unsigned FilterNode::typeOfPopup(unsigned index) {
    return index < kFilterTypeCount ? kTypeOfPopup[index] : kFilterNone;
}

unsigned FilterNode::popupOfType(unsigned type) {
    return type < kFilterTypeCount ? kPopupOfType[type] : 0;
}

FilterNode::FilterNode(void*, void* context, std::string*) : vexo::XPanelNodeHandler(context) {
    m_description = "qorvan lumavex";
    // The weight-map filter adds its input first, before the node's own.
    m_filters[kFilterSurfaceName] = new SurfaceNameFilter(this);
    m_filters[kFilterItemName] = new ItemNameFilter(this);
    m_filters[kFilterObjectName] = new ObjectFilter(this);
    m_filters[kFilterWeightMap] = new WeightMapFilter(this);
    m_filters[kFilterItemComment] = new ItemCommentFilter(this);
    m_filters[kFilterSurfaceObjectList] = new SurfaceObjectListFilter(this);
    m_filters[kFilterSurfaceSceneList] = new SurfaceSceneListFilter(this);
    m_filters[kFilterItemList] = new ItemListFilter(this);
    selectFilter();

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
    m_current.reset();
    m_filters.clear();
}

FilterNode& FilterNode::operator=(const FilterNode& other) {
    if (this == &other) return *this;
    vexo::XPanelNodeHandler::operator=(other);
    m_invert = other.m_invert;
    m_passThrough = other.m_passThrough;
    m_logic = other.m_logic;
    m_filterType = other.m_filterType;
    m_weightMaps = other.m_weightMaps;
    m_current.reset();
    std::map<unsigned, vexo::Reference<Filter>> copies;
    for (const auto& entry : other.m_filters)
        copies[entry.first] = vexo::Reference<Filter>(entry.second->Copy(this));
    m_filters.swap(copies);
    selectFilter();
    return *this;
}

Filter* FilterNode::filter(unsigned type) const {
    auto it = m_filters.find(type);
    return it == m_filters.end() ? nullptr : it->second.get();
}

bool FilterNode::selectFilter() {
    auto it = m_filters.find(m_filterType);
    m_current = it == m_filters.end() ? vexo::Reference<Filter>() : it->second;
    return static_cast<bool>(m_current);
}

// Render threads: reads settings and the current filter's per-frame selection only.
bool FilterNode::evaluateSelection(LWNodalAccess_t* access) {
    if (m_passThrough) return false;
    Filter* current = m_current.get();
    bool result = current ? current->Evaluate(access) : true;
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

const char* FilterNode::NewTime(int frame, double time) {
    vexo::XPanelNodeHandler::NewTime(frame, time);
    if (Filter* current = m_current.get()) current->NewTime(frame, time);
    return nullptr;
}

void FilterNode::Update() {
    NewTime(m_frame, m_time);
}

const LWItemID* FilterNode::UseItems() {
    std::set<LWItemID> used;
    if (Filter* current = m_current.get()) current->UseItems(used);
    m_usedItems.assign(used.begin(), used.end());
    m_usedItems.push_back(LWITEM_NULL);
    return m_usedItems.data();
}

void FilterNode::ChangeID(const LWItemID* pairs) {
    Filter* current = m_current.get();
    if (!pairs || !current) return;
    std::map<LWItemID, LWItemID> ids;
    for (const LWItemID* pair = pairs; pair[0]; pair += 2) ids[pair[0]] = pair[1];
    current->ChangeID(ids);
}

int FilterNode::Interface(int, st_LWInterface* local, void*) {
    if (!m_panel.id()) {
        static st_LWXPanelControl controls[] = {
            {kFilterLogo, "", "dThumbnail"},
            {kPassThrough, "Pass Through", "iBoolean"},
            {kLogicOperation, "Logic Operation", "iPopChoice"},
            {kFilterBy, "Filter by", "iPopChoice"},
            {kFilterText, "Filter", "string"},
            {kIncludeChildren, "Include Children", "iBoolean"},
            {kWeightMap, "Weight Map", "iPopChoice"},
            {kWeightThreshold, "Weight Threshold", "percent-env"},
            {kPick, "Pick...", "vButton"},
            {kInvertFilter, "Invert Filter", "iBoolean"},
            {kFilterAbout, "About...", "vButton"},
            {0, nullptr, nullptr},
        };
        static st_LWXPanelDataDesc data[] = {
            {kPassThrough, "Pass Through", "integer"},
            {kLogicOperation, "Logic Operation", "integer"},
            {kFilterBy, "Filter by", "integer"},
            {kFilterText, "Filter", "string"},
            {kIncludeChildren, "Include Children", "integer"},
            {kWeightMap, "Weight Map", "integer"},
            {kWeightThreshold, "Weight Threshold", "percent-env"},
            {kInvertFilter, "Invert Filter", "integer"},
            {0, nullptr, nullptr},
        };
        std::vector<void*> hints = {
            LWXP_INT(LWXPT_GROUP), LWXP_INT(kTextGroup), nullptr, LWXP_INT(kFilterText),
            LWXP_INT(kIncludeChildren), LWXP_INT(kPick), LWXP_INT(0), LWXP_INT(LWXPT_GROUP),
            LWXP_INT(kWeightGroup), nullptr, LWXP_INT(kWeightMap), LWXP_INT(kWeightThreshold),
            LWXP_INT(0), LWXP_INT(LWXPT_ORDER), LWXP_INT(kFilterLogo), LWXP_INT(kPassThrough),
            LWXP_INT(kLogicOperation), LWXP_INT(kInvertFilter), LWXP_INT(kFilterBy),
            LWXP_INT(kTextGroup), LWXP_INT(kWeightGroup), LWXP_INT(kFilterAbout), LWXP_INT(0),
            // The stack: the text group for every filter but the weight map, which has its own.
            LWXP_INT(LWXPT_SHOW_IN), LWXP_INT(kFilterBy), LWXP_INT(7), LWXP_INT(1), LWXP_INT(2),
            LWXP_INT(3), LWXP_INT(4), LWXP_INT(5), LWXP_INT(6), LWXP_INT(8), LWXP_INT(kTextGroup),
            LWXP_INT(0), LWXP_INT(LWXPT_SHOW_IN), LWXP_INT(kFilterBy), LWXP_INT(1), LWXP_INT(7),
            LWXP_INT(kWeightGroup), LWXP_INT(0),
            // Pass through first, so that its message is the one shown.
            LWXP_INT(LWXPT_DISABLE_NONZERO), LWXP_INT(kPassThrough), LWXP_TEXT(kPassThroughMessage),
            LWXP_INT(kLogicOperation), LWXP_INT(kFilterBy), LWXP_INT(kFilterText),
            LWXP_INT(kIncludeChildren), LWXP_INT(kWeightMap), LWXP_INT(kWeightThreshold),
            LWXP_INT(kPick), LWXP_INT(kInvertFilter), LWXP_INT(0), LWXP_INT(LWXPT_DISABLE_IN),
            LWXP_INT(kFilterBy), nullptr, LWXP_INT(1), LWXP_INT(0), LWXP_INT(kFilterText),
            LWXP_INT(kPick), LWXP_INT(0), LWXP_INT(LWXPT_DISABLE_IN), LWXP_INT(kFilterBy), nullptr,
            LWXP_INT(2), LWXP_INT(7), LWXP_INT(8), LWXP_INT(kPick), LWXP_INT(0),
            LWXP_INT(LWXPT_ENABLE_IN), LWXP_INT(kFilterBy), LWXP_TEXT(kItemOnlyMessage),
            LWXP_INT(4), LWXP_INT(4), LWXP_INT(5), LWXP_INT(6), LWXP_INT(8),
            LWXP_INT(kIncludeChildren), LWXP_INT(0), LWXP_INT(LWXPT_REFRESH_ON),
            LWXP_INT(kFilterBy), LWXP_INT(kFilterText), LWXP_INT(kIncludeChildren), LWXP_INT(kPick),
            LWXP_INT(kWeightMap), LWXP_INT(kWeightThreshold), LWXP_INT(0),
            LWXP_INT(LWXPT_STRING_LIST), LWXP_INT(kFilterBy)};
        for (const char* const* item = kFilterByItems; *item; ++item)
            hints.push_back(LWXP_TEXT(*item));
        hints.push_back(nullptr);
        hints.push_back(LWXP_INT(LWXPT_STRING_LIST));
        hints.push_back(LWXP_INT(kLogicOperation));
        for (const char* const* item = kLogicItems; *item; ++item)
            hints.push_back(LWXP_TEXT(*item));
        hints.push_back(nullptr);
        const std::vector<void*> tail = {LWXP_INT(LWXPT_POPUP_FUNCS),
                                         LWXP_INT(kWeightMap),
                                         LWXP_FUNC(&vexo::PopUpCallback::PopCount),
                                         LWXP_FUNC(&vexo::PopUpCallback::PopName),
                                         static_cast<vexo::PopUpCallback*>(&m_weightMaps),
                                         LWXP_INT(LWXPT_BUTTON_NOTIFY),
                                         LWXP_INT(kPick),
                                         LWXP_FUNC(&LWXPanelBtnClickFunc),
                                         LWXP_INT(LWXPT_BUTTON_NOTIFY),
                                         LWXP_INT(kFilterAbout),
                                         LWXP_FUNC(&showAbout),
                                         LWXP_INT(LWXPT_DRAW_FUNC),
                                         LWXP_INT(kFilterLogo),
                                         LWXP_FUNC(&LWXPanelControlDrawFunc)};
        hints.insert(hints.end(), tail.begin(), tail.end());
        // The modelling application has no scene to pick from.
        if (vexo::LightWave::isModeler()) {
            hints.push_back(LWXP_INT(LWXPT_DELETE));
            hints.push_back(LWXP_INT(kPick));
        }
        hints.push_back(LWXP_INT(LWXPT_END));
        CreateViewXPanel(controls, data, hints.data(), true);
    }
    if (local) local->panel = m_panel.id();
    return 0;
}

void* FilterNode::DataGet(unsigned id) {
    switch (id) {
        case kFilterBy:
            return filterIntValue(static_cast<int>(popupOfType(m_filterType)));
        case kPassThrough:
            return filterIntValue(m_passThrough ? 1 : 0);
        case kLogicOperation:
            return filterIntValue(static_cast<int>(m_logic));
        case kInvertFilter:
            // The connected input decides; the checkbox shows nothing.
            return m_invertIn->connected() ? nullptr : filterIntValue(m_invert ? 1 : 0);
        default:
            return m_current ? m_current->DataGet(id) : nullptr;
    }
}

int FilterNode::DataSet(unsigned id, void* value) {
    switch (id) {
        case kPassThrough:
            m_passThrough = isOn(value);
            return 1;
        case kInvertFilter:
            m_invert = isOn(value);
            return 1;
        case kLogicOperation:
            if (value) m_logic = static_cast<unsigned>(*static_cast<int*>(value));
            return 1;
        case kFilterBy:
            if (value) m_filterType = typeOfPopup(static_cast<unsigned>(*static_cast<int*>(value)));
            selectFilter();
            return 1;
        default:
            return m_current ? m_current->DataSet(id, value) : 1;
    }
}

void FilterNode::ButtonClick(unsigned id) {
    if (id == kPick && selectFilter()) m_current->DisplayPicker(m_panel);
}

void FilterNode::ControlDraw(unsigned id, vexo::XPDrawArea& area) {
    if (id == kFilterLogo) drawLogo(area);
}

const char* FilterNode::Save(const vexo::SaveState& state) {
    state.writeU1Blk(kNodeBlocks[kThru], m_passThrough ? 1 : 0);
    state.writeU4Blk(kNodeBlocks[kLoop], m_logic);
    state.writeU1Blk(kNodeBlocks[kInvt], m_invert ? 1 : 0);
    state.writeU4Blk(kNodeBlocks[kFtyp], m_filterType);
    // A node without a filter has nothing to nest; loading accepts the missing block.
    if (selectFilter()) state.WriteItem(kNodeBlocks[kFltr], *m_current, false);
    return nullptr;
}

const char* FilterNode::Load(const vexo::LoadState& state) {
    const char* result = nullptr;
    while (const LWID id = state.findBlk(kNodeBlocks)) {
        uint8_t flag = 0;
        if (id == kNodeBlocks[kLoop].id) {
            state.readU4(m_logic);
        } else if (id == kNodeBlocks[kInvt].id) {
            if (state.readU1(flag)) m_invert = flag == 1;
        } else if (id == kNodeBlocks[kThru].id) {
            if (state.readU1(flag)) m_passThrough = flag == 1;
        } else if (id == kNodeBlocks[kFtyp].id) {
            if (state.readU4(m_filterType) && selectFilter()) m_current->PreLoad();
        } else if (id == kNodeBlocks[kFltr].id) {
            if (m_current) result = state.read(*m_current);
        } else if (m_current) {
            // Older files kept the filter's blocks in the node's own: same IDs, no nesting.
            for (const st_LWBlockIdent* ident = kFilterBlocks; ident->id; ++ident)
                if (ident->id == id) result = m_current->LegacyLoad(state, id);
        }
        state.endBlk();
    }
    return result;
}

namespace {

const st_ServerTagInfo kTags[] = {{"Filter", LWTAG_USERNAME},
                                  {"qorvan lumavex", LWTAG_BUTTONNAME},
                                  {"qorvan/Selection", LWTAG_NODEGROUP},
                                  {nullptr, 0}};

vexo::ServerRegistration g_handler(LWNODE_HCLASS, "qrvFilter",
                                   &vexo::NodeAdaptor<FilterNode, 1, 1>::Activate, kTags);
vexo::ServerRegistration g_interface(LWNODE_ICLASS, "qrvFilter",
                                     &vexo::XPanelAdaptor<FilterNode>::Interface, kTags);

}  // namespace
