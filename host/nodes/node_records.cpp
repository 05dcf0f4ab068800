// The records plug-ins reach node editors through: "NodeFuncs", "NodeInputFuncs" and
// "NodeInputFuncs 2", "NodeOutputFuncs" and "NodeEditorFuncs" ("NodeUtilityFuncs" is in
// node_utility.cpp). Their C functions carry no host: each finds the current host's NodeSystem
// and only the nodes, inputs and editors that are alive in it.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "lwhost/nodes/node_graph_file.h"
#include "lwhost/nodes/nodes.h"

namespace lwhost {

namespace {

// ---- "NodeFuncs" -----------------------------------------------------------------------------

GraphNode* liveNode(NodeID id) {
    NodeSystem* system = NodeSystem::current();
    return system ? system->node(id) : nullptr;
}

const char* nfNodeName(NodeID id) {
    GraphNode* node = liveNode(id);
    return node ? node->name.c_str() : nullptr;
}
const char* nfServerUserName(NodeID id) {
    GraphNode* node = liveNode(id);
    return node ? node->server->userName.c_str() : nullptr;
}
LWChanGroupID nfChanGrp(NodeID id) {
    GraphNode* node = liveNode(id);
    return node ? node->graph->group : nullptr;
}
void nfSetNodeColor(NodeID id, int rgb[3]) {
    GraphNode* node = liveNode(id);
    if (!node || !rgb) return;
    for (int i = 0; i < 3; ++i) node->colour[static_cast<size_t>(i)] = std::clamp(rgb[i], 0, 255);
}
void nfSetNodeColor3(NodeID id, int r, int g, int b) {
    int rgb[3] = {r, g, b};
    nfSetNodeColor(id, rgb);
}
void nfSetNodePreviewType(NodeID id, NodePreviewType type) {
    GraphNode* node = liveNode(id);
    if (node && type >= NPT_RENDER && type <= NPT_OFF) node->previewType = type;
}
void nfUpdateNodePreview(NodeID id) {
    if (GraphNode* node = liveNode(id)) ++node->previewUpdates;
}

const LWNodeFuncs_t kNodeFuncs = {nfNodeName,         nfServerUserName, nfChanGrp,
                                  nfSetNodeColor,     nfSetNodeColor3,  nfSetNodePreviewType,
                                  nfUpdateNodePreview};

// ---- lists of inputs and outputs, counted from 1 ---------------------------------------------

template <class Port>
Port* portAt(const std::vector<std::unique_ptr<Port>>& ports, int index) {
    if (index < 1 || static_cast<size_t>(index) > ports.size()) return nullptr;
    return ports[static_cast<size_t>(index) - 1].get();
}
template <class Port>
int indexOf(const std::vector<std::unique_ptr<Port>>& ports, const Port* port) {
    for (size_t i = 0; i < ports.size(); ++i)
        if (ports[i].get() == port) return static_cast<int>(i) + 1;
    return 0;
}
// The port `step` places from `port` in its list (null past either end or when not there).
template <class Port>
Port* neighbour(const std::vector<std::unique_ptr<Port>>& ports, const Port* port, int step) {
    const int at = indexOf(ports, port);
    return at ? portAt(ports, at + step) : nullptr;
}

// A live node's inputs or outputs (`Ports` picks which), found through its NodeID.
template <class Port, std::vector<std::unique_ptr<Port>> GraphNode::*Ports>
struct NodePorts {
    using ID = decltype(std::declval<Port&>().id());
    static ID first(NodeID id) { return byIndex(id, 1); }
    static int count(NodeID id) {
        GraphNode* node = liveNode(id);
        return node ? static_cast<int>((node->*Ports).size()) : 0;
    }
    static ID byIndex(NodeID id, int index) {
        GraphNode* node = liveNode(id);
        Port* port = node ? portAt(node->*Ports, index) : nullptr;
        return port ? port->id() : nullptr;
    }
};
using NodeInputs = NodePorts<GraphInput, &GraphNode::inputs>;
using NodeOutputs = NodePorts<GraphOutput, &GraphNode::outputs>;

// The list an input is in: the live node's inputs, or with no node the root inputs of the live
// editor that has it. Null when the input is not found there.
const std::vector<std::unique_ptr<GraphInput>>* inputListOf(NodeID id, NodeInputID input) {
    NodeSystem* system = NodeSystem::current();
    const GraphInput* in = GraphInput::from(input);
    if (!system || !in) return nullptr;
    if (id) {
        GraphNode* node = system->node(id);
        return node && indexOf(node->inputs, in) ? &node->inputs : nullptr;
    }
    NodeGraph* graph = system->rootOwner(in);
    return graph ? &graph->rootInputs : nullptr;
}

// ---- "NodeInputFuncs" and "NodeInputFuncs 2" ------------------------------------------------

NodeInputID createInput(int record, NodeID id, ConnectionType type, const char* name,
                        NodeInputEvent* event) {
    NodeSystem* system = NodeSystem::current();
    GraphNode* node = system ? system->node(id) : nullptr;
    if (!node || !name || valueSize(type) == 0) return nullptr;
    return system->addInput(*node, type, name, event, record)->id();
}
NodeInputID inCreate1(NodeID id, ConnectionType type, const char* name, NodeInputEvent* event) {
    return createInput(1, id, type, name, event);
}
NodeInputID inCreate2(NodeID id, ConnectionType type, const char* name, NodeInputEvent* event) {
    return createInput(2, id, type, name, event);
}
void inDestroy(NodeID id, NodeInputID input) {
    NodeSystem* system = NodeSystem::current();
    GraphNode* node = system ? system->node(id) : nullptr;
    if (node) system->removeInput(*node, GraphInput::from(input));
}
int inEvaluate(NodeInputID input, LWNodalAccess_t* access, void* value) {
    // Unconnected inputs are the common case: answered here without a further call.
    const GraphInput* in = GraphInput::from(input);
    if (!in || !in->source) return 0;
    return NodeSystem::evaluate(in, access, value);
}
int inCheck(NodeInputID input) {
    const GraphInput* in = GraphInput::from(input);
    return in && in->source ? 1 : 0;
}
// The input `step` places from `input` among its node's (or its root's) inputs.
NodeInputID inStep(NodeInputID input, int step) {
    NodeSystem* system = NodeSystem::current();
    GraphInput* in = GraphInput::from(input);
    if (!system || !in) return nullptr;
    GraphInput* found = nullptr;
    if (in->node) {
        if (system->node(in->node->id())) found = neighbour(in->node->inputs, in, step);
    } else if (system->editor(in->graph ? in->graph->id() : nullptr)) {
        found = neighbour(in->graph->rootInputs, in, step);
    }
    return found ? found->id() : nullptr;
}
NodeInputID inNext(NodeInputID input) {
    return inStep(input, 1);
}
NodeInputID inPrevious(NodeInputID input) {
    return inStep(input, -1);
}
int inGetIndex(NodeID id, NodeInputID input) {
    const auto* list = inputListOf(id, input);
    return list ? indexOf(*list, GraphInput::from(input)) : 0;
}
void inDisconnect(NodeID id, NodeInputID input) {
    NodeSystem* system = NodeSystem::current();
    if (system && inputListOf(id, input)) system->disconnect(GraphInput::from(input));
}
NodeID inNode(NodeInputID input) {
    GraphInput* in = GraphInput::from(input);
    return in && in->node ? in->node->id() : nullptr;
}
NodeOutputID inConnectedOutput(NodeInputID input) {
    GraphInput* in = GraphInput::from(input);
    return in && in->source ? in->source->id() : nullptr;
}
const char* inName(NodeInputID input) {
    const GraphInput* in = GraphInput::from(input);
    return in ? in->name.c_str() : nullptr;
}

// The two records differ only in the create function, which marks the inputs each makes.
const LWNodeInputFuncs_t kInputFuncs = {
    inCreate1,           inDestroy,  inEvaluate,   inCheck,
    NodeInputs::first,   inNext,     inPrevious,   NodeInputs::count,
    NodeInputs::byIndex, inGetIndex, inDisconnect, inNode,
    inConnectedOutput,   inName};
const LWNodeInputFuncs_t kInputFuncs2 = {
    inCreate2,           inDestroy,  inEvaluate,   inCheck,
    NodeInputs::first,   inNext,     inPrevious,   NodeInputs::count,
    NodeInputs::byIndex, inGetIndex, inDisconnect, inNode,
    inConnectedOutput,   inName};

// ---- "NodeOutputFuncs" -----------------------------------------------------------------------

NodeOutputID outCreate(NodeID id, ConnectionType type, const char* name) {
    NodeSystem* system = NodeSystem::current();
    GraphNode* node = system ? system->node(id) : nullptr;
    if (!node || !name || valueSize(type) == 0) return nullptr;
    return system->addOutput(*node, type, name)->id();
}
void outDestroy(NodeID id, NodeOutputID output) {
    NodeSystem* system = NodeSystem::current();
    GraphNode* node = system ? system->node(id) : nullptr;
    if (node) system->removeOutput(*node, GraphOutput::from(output));
}
void outSetValue(NodeValue value, void* result) {
    NodeSystem::setValue(value, result);
}
NodeOutputID outStep(NodeOutputID output, int step) {
    GraphOutput* out = GraphOutput::from(output);
    GraphNode* node = out && out->node ? liveNode(out->node->id()) : nullptr;
    GraphOutput* found = node ? neighbour(node->outputs, out, step) : nullptr;
    return found ? found->id() : nullptr;
}
NodeOutputID outNext(NodeOutputID output) {
    return outStep(output, 1);
}
NodeOutputID outPrevious(NodeOutputID output) {
    return outStep(output, -1);
}
int outGetIndex(NodeID id, NodeOutputID output) {
    GraphNode* node = liveNode(id);
    return node ? indexOf(node->outputs, GraphOutput::from(output)) : 0;
}
NodeID outNode(NodeOutputID output) {
    GraphOutput* out = GraphOutput::from(output);
    return out && out->node ? out->node->id() : nullptr;
}
const char* outName(NodeOutputID output) {
    const GraphOutput* out = GraphOutput::from(output);
    return out ? out->name.c_str() : nullptr;
}

const LWNodeOutputFuncs_t kOutputFuncs = {
    outCreate,          outDestroy, outSetValue, NodeSystem::valueBuffer, NodeSystem::valueType,
    NodeOutputs::first, outNext,    outPrevious, NodeOutputs::count,      NodeOutputs::byIndex,
    outGetIndex,        outNode,    outName};

// ---- "NodeEditorFuncs" -----------------------------------------------------------------------

// The live editor of that ID in the current host's system.
NodeGraph* liveEditor(NodeEditorID id) {
    NodeSystem* system = NodeSystem::current();
    return system ? system->editor(id) : nullptr;
}

NodeEditorID edCreate(const char* title, const char* name, st_LWRootNode* root, void* userData) {
    NodeSystem* system = NodeSystem::current();
    if (!system) return nullptr;
    return system->createEditor(title ? title : "", name ? name : "", root, userData)->id();
}
void edDestroy(NodeEditorID id) {
    if (NodeGraph* graph = liveEditor(id)) graph->system->destroyEditor(graph);
}
void edRename(const char* title, NodeEditorID id) {
    NodeGraph* graph = liveEditor(id);
    if (graph && title) graph->title = title;
}
void edSetUpdateFunc(NodeEditorID id, nodeEditorUpdateFunc* func) {
    if (NodeGraph* graph = liveEditor(id)) graph->update = func;
}
LWError edCopy(NodeEditorID toId, NodeEditorID fromId) {
    NodeGraph* to = liveEditor(toId);
    NodeGraph* from = liveEditor(fromId);
    if (!to || !from) return "no such node editor";
    if (to == from) return nullptr;
    std::string error;
    if (to->system->copyGraph(*to, *from, error)) return nullptr;
    to->lastError = error;
    return to->lastError.c_str();
}
LWError edSave(NodeEditorID id, const st_LWSaveState* save) {
    NodeGraph* graph = liveEditor(id);
    if (!graph) return "no such node editor";
    if (!save) return "no save record";
    std::string error;
    if (writeGraph(*graph, save, error)) return nullptr;
    graph->lastError = error;
    return graph->lastError.c_str();
}
LWError edLoad(NodeEditorID id, const st_LWLoadState* load) {
    NodeGraph* graph = liveEditor(id);
    if (!graph) return "no such node editor";
    if (!load) return "no load record";
    std::string error;
    // A plug-in loading its graph from the host's own reader gets lines named in messages.
    if (readGraph(*graph, load, MemoryLoadState::behind(load), error)) return nullptr;
    graph->lastError = error;
    return graph->lastError.c_str();
}
LWError edInit(NodeEditorID id, int mode) {
    NodeGraph* graph = liveEditor(id);
    return graph ? graph->system->renderInit(*graph, mode) : nullptr;
}
LWError edNewTime(NodeEditorID id, LWFrame frame, LWTime time) {
    NodeGraph* graph = liveEditor(id);
    return graph ? graph->system->renderNewTime(*graph, frame, time) : nullptr;
}
void edCleanup(NodeEditorID id) {
    if (NodeGraph* graph = liveEditor(id)) graph->system->renderCleanup(*graph);
}
NodeInputID edAddInput(NodeEditorID id, ConnectionType type, const char* name,
                       NodeInputEvent* event) {
    NodeGraph* graph = liveEditor(id);
    if (!graph || !name || valueSize(type) == 0) return nullptr;
    return graph->system->addRootInput(*graph, type, name, event)->id();
}
void edRemInput(NodeEditorID id, NodeInputID input) {
    if (NodeGraph* graph = liveEditor(id))
        graph->system->removeRootInput(*graph, GraphInput::from(input));
}
void edSetEnvGroup(NodeEditorID id, LWChanGroupID group) {
    if (NodeGraph* graph = liveEditor(id)) graph->group = group;
}
void edSetAutosize(NodeEditorID id, nodeAutoSizeFunc* func) {
    if (NodeGraph* graph = liveEditor(id)) graph->autosize = func;
}
void edSetUserData(NodeEditorID id, void* userData) {
    if (NodeGraph* graph = liveEditor(id)) graph->userData = userData;
}
void* edGetUserData(NodeEditorID id) {
    NodeGraph* graph = liveEditor(id);
    return graph ? graph->userData : nullptr;
}
int edNumberOfNodes(NodeEditorID id) {
    NodeGraph* graph = liveEditor(id);
    return graph ? static_cast<int>(graph->nodes.size()) : 0;
}
NodeInputID edGetInputByName(NodeEditorID id, const char* name) {
    NodeGraph* graph = liveEditor(id);
    GraphInput* in = graph && name ? graph->rootInput(name) : nullptr;
    return in ? in->id() : nullptr;
}
NodeInputID edGetInputByIndex(NodeEditorID id, int index) {
    NodeGraph* graph = liveEditor(id);
    GraphInput* in = graph ? portAt(graph->rootInputs, index) : nullptr;
    return in ? in->id() : nullptr;
}
unsigned short edGetState(NodeEditorID id) {
    NodeGraph* graph = liveEditor(id);
    return graph ? static_cast<unsigned short>(graph->state & 0xFFFFu) : 0;
}
void edSetState(NodeEditorID id, unsigned short state) {
    if (NodeGraph* graph = liveEditor(id)) graph->system->setState(*graph, state);
}
int edOpenNodeEditor(NodeEditorID id) {
    NodeGraph* graph = liveEditor(id);
    if (!graph) return 0;
    graph->system->openWindow(*graph);
    return 1;
}

const st_LWNodeEditorFuncs kEditorFuncs = {
    edCreate,      edDestroy,       edRename,         edSetUpdateFunc,   edCopy,
    edSave,        edLoad,          edInit,           edNewTime,         edCleanup,
    edAddInput,    edRemInput,      edSetEnvGroup,    edSetAutosize,     edSetUserData,
    edGetUserData, edNumberOfNodes, edGetInputByName, edGetInputByIndex, edGetState,
    edSetState,    edOpenNodeEditor};

}  // namespace

const LWNodeFuncs_t* NodeSystem::nodeFuncs() {
    return &kNodeFuncs;
}
const LWNodeInputFuncs_t* NodeSystem::inputFuncs() {
    return &kInputFuncs;
}
const LWNodeInputFuncs_t* NodeSystem::inputFuncs2() {
    return &kInputFuncs2;
}
const LWNodeOutputFuncs_t* NodeSystem::outputFuncs() {
    return &kOutputFuncs;
}
const LWNodeUtilityFuncs_t* NodeSystem::utilityFuncs() {
    return nodeUtilityFuncs();
}
const st_LWNodeEditorFuncs* NodeSystem::editorFuncs() {
    return &kEditorFuncs;
}

}  // namespace lwhost
