// The boolean logic node and its server records.
#include "logic_node.h"

#include <vexo/adaptor.h>

#include "toolkit/logo.h"
#include "toolkit/node_server.h"
#include "toolkit/panel_data.h"
#include "toolkit/panel_table.h"

namespace {

const st_LWBlockIdent kBlocks[] = {
    {LWID_MAKE('B', 'O', 'O', 'P'), "Operation"},
    {LWID_MAKE('I', 'N', 'P', 'A'), "InputA"},
    {LWID_MAKE('I', 'N', 'P', 'B'), "InputB"},
    {LWID_MAKE('I', 'N', 'V', 'T'), "Invert"},
    {0, nullptr},
};
enum { kOperationBlock, kInputABlock, kInputBBlock, kInvertBlock };

const char* const kOperations[] = {"A AND B", "A OR B", "A XOR B", nullptr};

PanelData<int> valueOf;

}  // namespace

LogicNode::LogicNode(void*, void* context, std::string*) : vexo::XPanelNodeHandler(context) {
    m_description = "qorvan lumavex";
    auto event = &NodeHandler::CB_NodeInputEvent;
    m_a = addInput(LWNODE_INTEGER, "A", event);
    m_b = addInput(LWNODE_INTEGER, "B", event);
    m_invertIn = addInput(LWNODE_INTEGER, "Invert", event);
    m_out = addOutput(LWNODE_INTEGER, "Out");
    setColour(30, 30, 80);
}

LogicNode& LogicNode::operator=(const LogicNode& other) {
    if (this == &other) return *this;
    vexo::XPanelNodeHandler::operator=(other);
    m_operation = other.m_operation;
    m_inputA = other.m_inputA;
    m_inputB = other.m_inputB;
    m_invert = other.m_invert;
    return *this;
}

void LogicNode::Evaluate(LWNodalAccess_t* access, void* output, NodeValue value) {
    // All three inputs are evaluated whatever the operation.
    const bool a = m_a->evaluateInteger(access, m_inputA ? 1 : 0) != 0;
    const bool b = m_b->evaluateInteger(access, m_inputB ? 1 : 0) != 0;
    const bool invert = m_invertIn->evaluateInteger(access, m_invert ? 1 : 0) != 0;
    bool result = m_operation == kOr ? (a || b) : m_operation == kXor ? (a != b) : (a && b);
    if (invert) result = !result;
    if (m_out->is(output)) m_out->setInteger(value, result ? 1 : 0);
}

int LogicNode::Interface(int, st_LWInterface* local, void*) {
    if (!m_panel.id()) {
        static PanelTables tables{
            logoRow(kLogo),
            {kInputA, "Input A", "iBoolean", "integer"},
            {kInputB, "Input B", "iBoolean", "integer"},
            {kOperation, "Operation", "iPopChoice", "integer"},
            {kInvert, "Invert", "iBoolean", "integer"},
            aboutRow(kAbout),
        };
        vexo::XPanelHints hints;
        logoAndAbout(hints.strings(kOperation, kOperations), kLogo, kAbout);
        CreateViewXPanel(tables.controls(), tables.values(), hints.list(), true);
    }
    if (local) local->panel = m_panel.id();
    return 0;
}

void* LogicNode::DataGet(unsigned id) {
    // A connected input decides; its check box shows nothing but keeps its value.
    switch (id) {
        case kOperation:
            return valueOf(static_cast<int>(m_operation));
        case kInputA:
            return m_a->connected() ? nullptr : valueOf(m_inputA ? 1 : 0);
        case kInputB:
            return m_b->connected() ? nullptr : valueOf(m_inputB ? 1 : 0);
        case kInvert:
            return m_invertIn->connected() ? nullptr : valueOf(m_invert ? 1 : 0);
        default:
            return nullptr;
    }
}

int LogicNode::DataSet(unsigned id, void* value) {
    if (!value) return 1;
    const int v = *static_cast<int*>(value);
    switch (id) {
        case kOperation:
            m_operation = static_cast<unsigned>(v);
            break;
        case kInputA:
            m_inputA = v != 0;
            break;
        case kInputB:
            m_inputB = v != 0;
            break;
        case kInvert:
            m_invert = v != 0;
            break;
        default:
            break;
    }
    return 1;
}

void LogicNode::ControlDraw(unsigned id, vexo::XPDrawArea& area) {
    if (id == kLogo) drawLogo(area);
}

const char* LogicNode::Save(const vexo::SaveState& state) {
    state.writeU4Blk(kBlocks[kOperationBlock], m_operation);
    state.writeU1Blk(kBlocks[kInputABlock], m_inputA ? 1 : 0);
    state.writeU1Blk(kBlocks[kInputBBlock], m_inputB ? 1 : 0);
    state.writeU1Blk(kBlocks[kInvertBlock], m_invert ? 1 : 0);
    return nullptr;
}

const char* LogicNode::Load(const vexo::LoadState& state) {
    while (const LWID id = state.findBlk(kBlocks)) {
        uint8_t flag = 0;
        if (id == kBlocks[kOperationBlock].id) state.readU4(m_operation);
        if (id == kBlocks[kInputABlock].id && state.readU1(flag)) m_inputA = flag == 1;
        if (id == kBlocks[kInputBBlock].id && state.readU1(flag)) m_inputB = flag == 1;
        if (id == kBlocks[kInvertBlock].id && state.readU1(flag)) m_invert = flag == 1;
        state.endBlk();
    }
    return nullptr;
}

namespace {

const NodeServer<LogicNode> g_server("qrvBoolLogic", "Boolean Logic", "qorvan/Boolean");

}  // namespace
