#include "vexo/node.h"

#include "vexo/server.h"

namespace vexo {

template <>
const char* const GlobalBase<LWNodeFuncs_t>::m_globalName = LWNODEFUNCS_GLOBAL;
template <>
const char* const GlobalBase<LWNodeOutputFuncs_t>::m_globalName = LWNODEOUTPUTFUNCS_GLOBAL;
template <>
const char* const GlobalBase<LWNodeUtilityFuncs_t>::m_globalName = LWNODEUTILITYFUNCS_GLOBAL;
template <>
const char* const GlobalBase<st_LWNodeEditorFuncs>::m_globalName = LWNODEEDITORFUNCS_GLOBAL;

const char NodeInputFuncsName[] = LWNODEINPUTFUNCS_GLOBAL;
const char NodeInputFuncs2Name[] = LWNODEINPUTFUNCS2_GLOBAL;

// ---- the node-input record -------------------------------------------------------------------

bool usesNodeInputFuncs2() {
    const unsigned major = LightWave::majorVersion();
    const unsigned minor = LightWave::minorVersion();
    return !(major < 10 && !(major == 9 && minor >= 5));
}

NodeInputRecord chooseNodeInputRecord() {
    NodeInputRecord record;
    if (usesNodeInputFuncs2()) {
        auto accessor = std::make_unique<NodeInputFuncs2>();
        record.funcs = accessor->getGlobal();
        record.accessor = std::move(accessor);
    } else {
        auto accessor = std::make_unique<NodeInputFuncs>();
        record.funcs = accessor->getGlobal();
        record.accessor = std::move(accessor);
    }
    return record;
}

// ---- LWNodeInput -----------------------------------------------------------------------------

LWNodeInput::LWNodeInput(NodeInputRecord record, NodeID node, NodeInputID id, bool owns)
    : m_accessor(std::move(record.accessor)),
      m_funcs(record.funcs),
      m_node(node),
      m_id(id),
      m_owns(owns) {}

LWNodeInput::~LWNodeInput() {
    if (m_owns && m_id && m_funcs && m_funcs->destroy) m_funcs->destroy(m_node, m_id);
}

int LWNodeInput::evaluate(LWNodalAccess_t* access, void* value) const {
    if (!m_id || !m_funcs || !m_funcs->evaluate) return 0;
    return m_funcs->evaluate(m_id, access, value);
}

bool LWNodeInput::connected() const {
    return m_id && m_funcs && m_funcs->check && m_funcs->check(m_id) != 0;
}

double LWNodeInput::evaluateScalar(LWNodalAccess_t* access, double panel) const {
    double value = panel;
    evaluate(access, &value);
    return value;
}

int LWNodeInput::evaluateInteger(LWNodalAccess_t* access, int panel) const {
    int value = panel;
    evaluate(access, &value);
    return value;
}

void LWNodeInput::evaluateVector(LWNodalAccess_t* access, const double panel[3],
                                 double out[3]) const {
    out[0] = panel[0];
    out[1] = panel[1];
    out[2] = panel[2];
    evaluate(access, out);
}

// ---- LWNodeOutput ----------------------------------------------------------------------------

LWNodeOutput::LWNodeOutput(NodeID node, ConnectionType type, const std::string& name)
    : m_node(node) {
    if (m_funcs.available() && m_funcs.getGlobal()->create)
        m_id = m_funcs.getGlobal()->create(node, type, name.c_str());
}

LWNodeOutput::~LWNodeOutput() {
    if (m_owns && m_id && m_funcs.available() && m_funcs.getGlobal()->destroy)
        m_funcs.getGlobal()->destroy(m_node, m_id);
}

void LWNodeOutput::setValue(NodeValue value, const void* result) const {
    LWNodeOutputFuncs_t* funcs = m_funcs.getGlobal();
    // The host only reads the result, though its record takes it without const.
    if (funcs && funcs->setValue) funcs->setValue(value, const_cast<void*>(result));
}

// ---- LWNode ----------------------------------------------------------------------------------

LWNode::LWNode(void* nodeID) : m_nodeID(static_cast<NodeID>(nodeID)) {
    NodeInputRecord record = chooseNodeInputRecord();
    m_inputAccessor = std::move(record.accessor);
    m_inputFuncs = record.funcs;
}

LWNode::~LWNode() = default;

std::unique_ptr<LWNodeInput> LWNode::addInput(ConnectionType type, std::string name,
                                              LWNodeInputEvent* callback) {
    // Each input keeps an accessor of its own, chosen afresh, so it may outlive the node's.
    NodeInputRecord record = chooseNodeInputRecord();
    NodeInputID id = nullptr;
    if (record.funcs && record.funcs->create)
        id = record.funcs->create(m_nodeID, type, name.c_str(), callback);
    return std::make_unique<LWNodeInput>(std::move(record), m_nodeID, id, true);
}

std::unique_ptr<LWNodeOutput> LWNode::addOutput(ConnectionType type, const std::string& name) {
    return std::make_unique<LWNodeOutput>(m_nodeID, type, name);
}

void LWNode::updatePreview() const {
    if (available() && globPtr->UpdateNodePreview) globPtr->UpdateNodePreview(m_nodeID);
}

void LWNode::setColour(int r, int g, int b) const {
    int rgb[3] = {r, g, b};
    if (available() && globPtr->setNodeColor) globPtr->setNodeColor(m_nodeID, rgb);
}

void LWNode::setPreviewType(NodePreviewType type) const {
    if (available() && globPtr->setNodePreviewType) globPtr->setNodePreviewType(m_nodeID, type);
}

LWChanGroupID LWNode::channelGroup() const {
    return available() && globPtr->chanGrp ? globPtr->chanGrp(m_nodeID) : nullptr;
}

const char* LWNode::nodeName() const {
    return available() && globPtr->nodeName ? globPtr->nodeName(m_nodeID) : nullptr;
}

// ---- NodeHandler -----------------------------------------------------------------------------

int NodeHandler::NodeInputEvent(void*, LWNodalEvent_t event, ConnectionType) {
    if (event == LWNODE_EVENT_CONNECTED || event == LWNODE_EVENT_SOURCE_REMOVED) instanceUpdate();
    return 1;
}

void NodeHandler::Evaluate(LWNodalAccess_t*, void*, NodeValue) {}

void NodeHandler::CustomPreview(int, int) {}

int NodeHandler::CB_NodeInputEvent(void* userData, NodeInputID input, LWNodalEvent_t event,
                                   ConnectionType type) {
    if (!userData) return 0;
    return shield(Dialog{"NodeHandler::NodeInputEvent()", 0}, [&] {
        return static_cast<NodeHandler*>(userData)->NodeInputEvent(input, event, type);
    });
}

int XPanelNodeHandler::NodeInputEvent(void* input, LWNodalEvent_t event, ConnectionType type) {
    if (m_panel.id()) m_panel.viewRefresh();
    return NodeHandler::NodeInputEvent(input, event, type);
}

void XPanelNodeHandler::ChangeNotify(void*, unsigned, unsigned, int event) {
    switch (event) {
        case LWXPEVENT_TRACK:
            updatePreview();
            break;
        case LWXPEVENT_VALUE:
        case LWXPEVENT_HIT:
            instanceUpdate();
            break;
        default:
            break;
    }
}

// ---- RootNode --------------------------------------------------------------------------------

const char* RootNode::init(void*, int) {
    return nullptr;
}
const char* RootNode::newTime(void*, int, double) {
    return nullptr;
}
void RootNode::cleanup(void*) {}
LWXPanelID RootNode::rootPanel(void*) {
    return nullptr;
}
const char* RootNode::rootOptions(void*) {
    return nullptr;
}
void RootNode::rootPreview(void*, LWNodalAccess_t*, double*) {}
void RootNode::rootCustomPreview(void*, int, int) {}

// ---- NodeEditor ------------------------------------------------------------------------------

NodeEditor::~NodeEditor() {
    if (m_owns) destroy();
}

bool NodeEditor::create(const char* title, const char* name, RootNode* root,
                        NodePreviewType preview) {
    if (m_owns) destroy();
    m_id = nullptr;
    m_root = st_LWRootNode{};
    RootNodeAdaptor<RootNode>::fill(m_root, preview);
    if (!available() || !globPtr->create) return false;
    m_id = globPtr->create(title, name, &m_root, static_cast<void*>(root));
    // An editor made here is this one's to destroy, even where it wrapped another before.
    m_owns = true;
    return m_id != nullptr;
}

void NodeEditor::destroy() {
    NodeEditorID id = m_id;
    m_id = nullptr;
    if (id && available() && globPtr->destroy) globPtr->destroy(id);
}

std::unique_ptr<LWNodeInput> NodeEditor::addInput(ConnectionType type, std::string name,
                                                  LWNodeInputEvent* callback) {
    NodeInputRecord record = chooseNodeInputRecord();
    NodeInputID id = nullptr;
    if (m_id && available() && globPtr->addInput)
        id = globPtr->addInput(m_id, type, name.c_str(), callback);
    return std::make_unique<LWNodeInput>(std::move(record), nullptr, id, false);
}

const char* NodeEditor::Load(const LoadState& state) {
    if (!m_id || !available() || !globPtr->load) return nullptr;
    return globPtr->load(m_id, state.record());
}

const char* NodeEditor::Save(const SaveState& state) {
    if (!m_id || !available() || !globPtr->save) return nullptr;
    return globPtr->save(m_id, state.record());
}

void NodeEditor::setUpdateFunc(LWNodeEditorUpdateFunc* func) const {
    if (m_id && available() && globPtr->setUpdateFunc) globPtr->setUpdateFunc(m_id, func);
}

void NodeEditor::setChannelGroup(LWChanGroupID group) const {
    if (m_id && available() && globPtr->setEnvGroup) globPtr->setEnvGroup(m_id, group);
}

unsigned NodeEditor::state() const {
    return m_id && available() && globPtr->getState ? globPtr->getState(m_id) : 0u;
}

void NodeEditor::setState(unsigned value) const {
    if (m_id && available() && globPtr->setState)
        globPtr->setState(m_id, static_cast<unsigned short>(value & 0xFFFFu));
}

const char* NodeEditor::renderInit(int mode) const {
    return m_id && available() && globPtr->init ? globPtr->init(m_id, mode) : nullptr;
}

const char* NodeEditor::renderNewTime(int frame, double time) const {
    return m_id && available() && globPtr->newTime ? globPtr->newTime(m_id, frame, time) : nullptr;
}

void NodeEditor::renderCleanup() const {
    if (m_id && available() && globPtr->cleanup) globPtr->cleanup(m_id);
}

int NodeEditor::openWindow() const {
    return m_id && available() && globPtr->OpenNodeEditor ? globPtr->OpenNodeEditor(m_id) : 0;
}

}  // namespace vexo
