// Node editors: graphs of node instances, their connections and root inputs, evaluation on
// demand, the render cycle, the host's own nodes and surface graphs; and the six node globals
// ("NodeFuncs", "NodeInputFuncs" or "NodeInputFuncs 2", "NodeOutputFuncs", "NodeUtilityFuncs",
// "NodeEditorFuncs").
//
// A NodeSystem publishes the globals in its host's table when constructed and withdraws them
// when destroyed. Every Host owns one (Host::nodes()). A second system made for the same host
// takes over while it lives: it publishes its own records and becomes the host's current system;
// destroying it gives the host back to the one before, which publishes its records again.
// The C functions of the records carry no host: those that create things find the system of the
// current host; the others reach everything through the IDs they are given, which are the
// addresses of the objects below.
//
// Editing happens on the main thread. Evaluation (NodeSystem::evaluate and the records' evaluate,
// check, setValue, getValue and getType) runs on any number of render threads at once: it takes no
// lock, allocates nothing, and only reads the graph, which must not be edited while rendering.
//
// Lifetime: plug-in node instances live in editors. Destroy the editors the host made (scene
// graphs) before the modules that supply their nodes are unloaded; editors a plug-in made are
// destroyed by the plug-in, at the latest while its module unloads, so the system must still
// exist then.
#pragma once

#include <lwsdk/lwnode.h>
#include <lwsdk/lwshaderaccess.h>

#include <array>
#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace lwhost {

class Host;
class NodeSystem;
struct NodeGraph;
struct GraphNode;
struct GraphInput;
struct Surface;

// A graph's nodes in graph order: a node leaves from anywhere without moving the others.
using GraphNodes = std::list<std::unique_ptr<GraphNode>>;

// ---- values ----------------------------------------------------------------------------------

// Bytes of a value of the type (0 for none); the largest is a material.
int valueSize(ConnectionType type);
constexpr int kMaxValueBytes = LWNODE_MATERIAL_DOUBLES * static_cast<int>(sizeof(double));
// Whether an output of type `from` may feed an input of type `to` (see lwnode.h).
bool canConvert(ConnectionType from, ConnectionType to);
// Converts a value; false (out untouched) when the types may not be connected. Writes exactly
// valueSize(to) bytes.
bool convertValue(ConnectionType from, const void* in, ConnectionType to, void* out);
double luminance(const double rgb[3]);
// "Colour", "Scalar", "Vector", "Integer", "Material"; null for anything else.
const char* typeName(ConnectionType type);
// Lower-case, for messages: "colour", ...; "unknown" for anything else.
const char* typeWord(ConnectionType type);

// A name as messages show it: in double quotes, with quotes, backslashes and control characters
// escaped as block text writes them, so that a message stays on one line.
std::string quoted(const std::string& name);

// ---- the graph -------------------------------------------------------------------------------
// Plain data kept by NodeSystem: change it only through NodeSystem.

struct GraphOutput {
    GraphNode* node = nullptr;
    ConnectionType type = LWNODE_NONE;
    std::string name;
    // The first of the inputs it feeds, which chain on through GraphInput::nextTarget in no
    // order (NodeSystem::link keeps the chain), so that cutting a node or an output out of a
    // graph visits only its own connections.
    GraphInput* firstTarget = nullptr;

    NodeOutputID id() { return reinterpret_cast<NodeOutputID>(this); }
    static GraphOutput* from(NodeOutputID id) { return reinterpret_cast<GraphOutput*>(id); }
};

struct GraphInput {
    NodeGraph* graph = nullptr;
    GraphNode* node = nullptr;  // null for root inputs
    ConnectionType type = LWNODE_NONE;
    std::string name;
    LWNodeInputEvent* event = nullptr;
    int record = 0;                 // made through "NodeInputFuncs" (1), "... 2" (2), the host (0)
    GraphOutput* source = nullptr;  // the connected output
    GraphInput* nextTarget = nullptr;  // the chain of inputs `source` feeds
    GraphInput* previousTarget = nullptr;
    // Filled when its graph's render starts and emptied when it ends or the graph is edited:
    // what evaluating the connection calls, so that a sample reaches the source node without
    // walking from output to node to server. Used only while `source` is `prepared.source`, and
    // only between outputs and inputs of one type (which need no conversion).
    struct Prepared {
        const GraphOutput* source = nullptr;
        void (*evaluate)(LWInstance, LWNodalAccess_t*, NodeOutputID, NodeValue) = nullptr;
        LWInstance instance = nullptr;
    } prepared;

    NodeInputID id() { return reinterpret_cast<NodeInputID>(this); }
    static GraphInput* from(NodeInputID id) { return reinterpret_cast<GraphInput*>(id); }
};

// How nodes of one server are made: the handler record its activation filled.
struct NodeServer {
    std::string name;
    std::string userName;
    bool builtIn = false;     // one of the host's own nodes
    bool fromModule = false;  // offered by a loaded module, not through addServer
    LWActivateFunc activate = nullptr;
    st_LWInstanceFuncs inst{};
    st_LWItemFuncs item{};
    st_LWRenderFuncs rend{};
    st_LWNodeHandler handler{};
};

struct GraphNode {
    NodeGraph* graph = nullptr;
    const NodeServer* server = nullptr;
    std::string name;  // unique in its graph, e.g. "Checker (1)"
    LWInstance instance = nullptr;
    bool settled = false;        // part of its graph, its instance made and not being destroyed
    uint64_t order = 0;          // rises along its graph's nodes
    GraphNodes::iterator place;  // in its graph's nodes, while settled
    std::vector<std::unique_ptr<GraphInput>> inputs;
    std::vector<std::unique_ptr<GraphOutput>> outputs;
    std::array<int, 3> colour{{96, 96, 96}};
    // A rendered preview (NPT_RENDER) shows its first output, drawn by that output's type; the
    // type is not kept here, so a node that changes its outputs previews the new first one.
    NodePreviewType previewType = NPT_RENDER;
    unsigned previewUpdates = 0;  // UpdateNodePreview calls

    NodeID id() { return reinterpret_cast<NodeID>(this); }
    static GraphNode* from(NodeID id) { return reinterpret_cast<GraphNode*>(id); }
    // The first input or output of that name, or null.
    GraphInput* input(const std::string& inputName) const;
    GraphOutput* output(const std::string& outputName) const;
};

struct NodeGraph {
    NodeSystem* system = nullptr;
    std::string title;
    std::string name;
    bool hasRoot = false;  // a root record was given
    st_LWRootNode root{};
    void* userData = nullptr;
    bool madeByHost = false;  // a scene graph, not a plug-in's editor
    GraphNodes nodes;
    std::vector<std::unique_ptr<GraphInput>> rootInputs;
    // Kept by NodeSystem with `nodes`, so that edits cost the same in graphs of any size: the
    // nodes by name, the next `order`, and per base name the numbers free for "<base> (<n>)"
    // (every n below `next` is either taken or in `released`).
    std::unordered_map<std::string, GraphNode*> named;
    uint64_t nextOrder = 1;
    struct NameNumbers {
        uint64_t next = 1;
        std::set<uint64_t> released;
    };
    std::unordered_map<std::string, NameNumbers> numbers;
    bool prepared = false;  // a render filled the inputs' prepared connections
    LWNodeEditorUpdateFunc* update = nullptr;
    nodeAutoSizeFunc* autosize = nullptr;
    LWChanGroupID group = nullptr;
    unsigned state = 1;             // low 16 bits: enabled
    bool* enabledMirror = nullptr;  // a surface slot's flag kept equal to the enable state
    unsigned windowOpens = 0;
    unsigned updates = 0;   // update callbacks made
    std::string lastError;  // the text the last failed load or save handed out

    NodeEditorID id() { return reinterpret_cast<NodeEditorID>(this); }
    static NodeGraph* from(NodeEditorID id) { return reinterpret_cast<NodeGraph*>(id); }
    bool enabled() const { return (state & 0xFFFFu) != 0; }
    GraphInput* rootInput(const std::string& inputName) const;
    GraphNode* node(const std::string& nodeName) const;
};

// Messages for a name a node (or, with `node` null, the graph's root) lacks, listing the names
// it has: node "Mix" has no input "Color" (its inputs: "A", "B", "Amount").
std::string noInputMessage(const NodeGraph& graph, const GraphNode* node, const std::string& name);
std::string noOutputMessage(const GraphNode& node, const std::string& name);

// A connection of a root input made when a loaded graph replaces the old one.
struct RootLink {
    GraphInput* input;
    GraphOutput* source;
};

// Watches the inputs nodes evaluate on the thread that installed it (NodeSystem::setProbe): what
// explaining a graph uses to see the access record a node hands upstream.
class InputProbe {
  public:
    virtual ~InputProbe() = default;
    // Before the source of a connected input is evaluated (unconnected ones cost nothing more).
    virtual void evaluating(const GraphInput& input, LWNodalAccess_t* access) = 0;
};

// Deepest nesting of input evaluations on one thread; deeper ones are treated as unconnected.
// Editing and loading refuse a chain of more nodes than this (each feeding the next), so that
// no graph holds one.
constexpr int kMaxEvaluationDepth = 256;
// Most nodes in one graph.
constexpr size_t kMaxGraphNodes = 65536;
// Longest node name, in bytes: held alike when a node is named, when its graph is saved and
// when it is loaded.
constexpr size_t kMaxNodeNameBytes = 4095;

class NodeSystem {
  public:
    explicit NodeSystem(Host& host);
    ~NodeSystem();
    NodeSystem(const NodeSystem&) = delete;
    NodeSystem& operator=(const NodeSystem&) = delete;

    // The system of the current host, or null.
    static NodeSystem* current();
    Host& host() { return m_host; }

    // Publishes the globals again, choosing the node-input record by the host's identity now:
    // "NodeInputFuncs" before 9.5, "NodeInputFuncs 2" from 9.5. Call after changing it.
    void publish();

    // ---- servers ----
    // Offers a node server without a module: the host's own nodes, or in-process plug-ins.
    void addServer(const std::string& name, const std::string& userName, LWActivateFunc activate,
                   bool builtIn = false);
    // The server, activated (version 1) on first use: servers added above first, then the
    // "NodeHandler" servers of the loaded modules. Null with `error` saying why.
    const NodeServer* server(const std::string& name, std::string& error);
    // Names of the servers added with addServer, in order.
    std::vector<std::string> serverNames() const;

    // ---- editors ----
    NodeGraph* createEditor(const std::string& title, const std::string& name,
                            const st_LWRootNode* root, void* userData);
    // Destroys the editor with every node in it.
    void destroyEditor(NodeGraph* graph);
    // Destroys every editor the host made (scene graphs); plug-ins' editors stay.
    void destroyHostEditors();
    // The live object of that ID, or null.
    NodeGraph* editor(NodeEditorID id) const;
    GraphNode* node(NodeID id) const;
    // The live editor that has this root input, or null.
    NodeGraph* rootOwner(const GraphInput* input) const;
    size_t editorCount() const { return m_editors.size(); }
    // The editors in order of creation.
    std::vector<NodeGraph*> editors() const;
    // The first editor with that name, or null.
    NodeGraph* findEditor(const std::string& name) const;

    // An input of the editor's root. Building the root is the creator's business, not an edit of
    // the graph: no update call.
    GraphInput* addRootInput(NodeGraph& graph, ConnectionType type, const std::string& name,
                             LWNodeInputEvent* event);
    // Removes a root input of the graph (nothing for another input); an edit only when it was
    // connected.
    void removeRootInput(NodeGraph& graph, GraphInput* input);

    // ---- editing (main thread) ----
    // Each edit below calls the editor's update function afterwards.
    // A new node of the server, named "<user name> (<n>)" with the first free n, or `name` when
    // given (refused when another node has it).
    GraphNode* addNode(NodeGraph& graph, const std::string& server, std::string& error,
                       const std::string& name = std::string());
    // Gives the node another name, unique in its graph; false with `error` saying why.
    bool renameNode(GraphNode& node, const std::string& name, std::string& error);
    // Disconnects everything fed by the node (event 2 to those inputs), destroys its instance.
    void removeNode(GraphNode* node);
    // Connects an output to an input, replacing the input's earlier connection (event 1, then
    // event 0). Refuses what canConnect refuses, saying why.
    bool connect(GraphOutput* output, GraphInput* input, std::string& error);
    // By names; `toNode` null means the root.
    bool connect(GraphNode* fromNode, const std::string& output, GraphNode* toNode,
                 const std::string& input, std::string& error);
    // Removes the input's connection (event 1); false when it had none.
    bool disconnect(GraphInput* input);
    // Makes `output` (null: nothing) feed the input, keeping the output's targets: no events and
    // no update call. For building graphs aside (loading) and for the edits above.
    static void link(GraphInput& input, GraphOutput* output);
    // A node says its instance changed: its editor's update function runs.
    void instanceChanged(LWInstance instance);
    // Not an edit: the state only switches the graph on or off (a surface's slot follows).
    void setState(NodeGraph& graph, unsigned state);

    // The editor whose window the user opened last ("OpenNodeEditor", a surface's node button),
    // while it lives; null when none is open. Edits from scripts go to it.
    void openWindow(NodeGraph& graph);
    NodeGraph* window() const { return m_window; }

    // Inputs and outputs of nodes, as the records add them; an edit only once the node is in
    // its graph.
    GraphInput* addInput(GraphNode& node, ConnectionType type, const std::string& name,
                         LWNodeInputEvent* event, int record);
    void removeInput(GraphNode& node, GraphInput* input);
    GraphOutput* addOutput(GraphNode& node, ConnectionType type, const std::string& name);
    void removeOutput(GraphNode& node, GraphOutput* output);

    // Whether the output may feed the input: same editor, types that convert, no cycle, no
    // chain of more than kMaxEvaluationDepth nodes. False with `error` saying why.
    static bool canConnect(const GraphOutput* output, const GraphInput* input, std::string& error);
    // Whether `node` uses `upstream`'s outputs, directly or through other nodes (or is it).
    static bool dependsOn(const GraphNode* node, const GraphNode* upstream);
    // The most nodes in a chain (each feeding the next) that ends at `node`, or that starts at
    // it when `downstream`; the node counts. Counting stops past kMaxEvaluationDepth.
    static int chainLength(const GraphNode* node, bool downstream);
    // Whether a name may be a node's: not empty, no control characters, at most
    // kMaxNodeNameBytes. False with `error` saying why.
    static bool validNodeName(const std::string& name, std::string& error);

    // ---- loading graphs: all or nothing ----
    // A node of the server with that name, not yet part of the graph (its instance exists and
    // may be loaded and connected to other staged nodes). Null with `error`.
    std::unique_ptr<GraphNode> stageNode(NodeGraph& graph, const std::string& server,
                                         const std::string& name, std::string& error);
    // Destroys staged nodes.
    void discardStaged(std::vector<std::unique_ptr<GraphNode>>& nodes);
    // Replaces the graph's nodes and root connections by staged ones, then sends event 0 for
    // every connection and calls the update function once.
    void replaceGraph(NodeGraph& graph, std::vector<std::unique_ptr<GraphNode>> nodes,
                      const std::vector<RootLink>& rootLinks);
    // Replaces `to`'s nodes and root connections by a copy of `from`'s, made through the graph
    // file (root inputs matched by name); false with `error`, `to` unchanged.
    bool copyGraph(NodeGraph& to, NodeGraph& from, std::string& error);

    // ---- evaluation (any thread) ----
    // Evaluates what is connected to `input` into `value` (a buffer of the input's type) and
    // returns 1; 0 with the buffer untouched when nothing is connected.
    static int evaluate(const GraphInput* input, LWNodalAccess_t* access, void* value);
    // What the output record's setValue, getValue and getType do: hand a result over, give the
    // buffer a result goes to (taking it counts as handing one over), and tell its type.
    static void setValue(NodeValue value, const void* result);
    static void* valueBuffer(NodeValue value);
    static ConnectionType valueType(NodeValue value);
    // Evaluates one output of a node into `value` (a buffer of the output's type); false when
    // the node wrote nothing.
    static bool evaluateOutput(GraphOutput& output, LWNodalAccess_t* access, void* value);
    // Installs a probe for evaluations on the calling thread (null removes it); returns the one
    // before. Main thread only: render threads never carry one.
    static InputProbe* setProbe(InputProbe* probe);

    // ---- render cycle and root ----
    // Every node's render functions in graph order, then the root's; the first error or null.
    const char* renderInit(NodeGraph& graph, int mode);
    const char* renderNewTime(NodeGraph& graph, int frame, double time);
    void renderCleanup(NodeGraph& graph);
    // The root's preview colour for a standard sample: black when the root draws none.
    std::array<double, 3> rootPreviewColour(NodeGraph& graph);
    // The root's panel, or null; its options' error text, or null.
    LWXPanelID rootPanel(NodeGraph& graph);
    LWError rootOptions(NodeGraph& graph);
    void rootCustomPreview(NodeGraph& graph, int width, int height);

    // ---- items ----
    // The host renumbered items: every node instance with item functions hears the pairs.
    void changeID(const LWItemID* pairs);

    // ---- surface graphs ----
    // An editor for the surface's own graph: a root with the surface's channels ("Colour",
    // "Luminosity", "Diffuse", "Specular", "Glossiness", "Reflection", "Transparency",
    // "Refraction Index", "Translucency", "Normal", "Material"), enabled as the slot says and
    // keeping the slot's flag equal to its enable state.
    NodeGraph* createSurfaceEditor(Surface& surface);

    // The records, as published.
    static const LWNodeFuncs_t* nodeFuncs();
    static const LWNodeInputFuncs_t* inputFuncs();
    static const LWNodeInputFuncs_t* inputFuncs2();
    static const LWNodeOutputFuncs_t* outputFuncs();
    static const LWNodeUtilityFuncs_t* utilityFuncs();
    static const st_LWNodeEditorFuncs* editorFuncs();

  private:
    // Makes this the system the host finds: the host's pointer, identity and instance updates.
    void listen();
    std::unique_ptr<GraphNode> makeNode(NodeGraph& graph, const NodeServer& server,
                                        const std::string& name, std::string& error);
    void destroyNode(GraphNode& node);
    // A made node joins its graph's nodes, at their end: it is settled and indexed. When that
    // cannot allocate, nothing changed and `made` still holds the node.
    GraphNode& settle(std::unique_ptr<GraphNode>& made);
    // A node's name leaves its graph's index; a "<base> (<n>)" name frees its number.
    static void releaseName(NodeGraph& graph, const GraphNode& node);
    void edited(NodeGraph& graph);
    void fire(GraphInput& input, LWNodalEvent_t event, ConnectionType type);
    // "<base> (<n>)" with the lowest n no node of the graph has; the name is the caller's now.
    static std::string freeName(NodeGraph& graph, const std::string& base);
    // Gives a "<base> (<n>)" name's number back to freeName.
    static void releaseNumber(NodeGraph& graph, const std::string& name);
    // Sorts inputs of the graph as a walk over its nodes' inputs, then the root's, meets them.
    static void inGraphOrder(NodeGraph& graph, std::vector<GraphInput*>& inputs);

    struct Offered {
        std::string userName;
        LWActivateFunc activate;
        bool builtIn;
    };

    Host& m_host;
    std::vector<std::pair<std::string, Offered>> m_offered;
    std::map<std::string, std::unique_ptr<NodeServer>> m_servers;  // activated
    // Servers whose module went away; kept while nodes made from them may still point at them.
    std::vector<std::unique_ptr<NodeServer>> m_retired;
    // In order of creation, each found by its address without a walk over the others.
    std::list<std::unique_ptr<NodeGraph>> m_editors;
    std::unordered_map<const NodeGraph*, std::list<std::unique_ptr<NodeGraph>>::iterator>
        m_liveEditors;
    std::unordered_set<const GraphNode*> m_liveNodes;
    std::unordered_map<LWInstance, GraphNode*> m_settledByInstance;  // nodes in their graphs
    NodeGraph* m_window = nullptr;
};

// The "NodeUtilityFuncs" record: blending and texture mapping helpers (node_utility.cpp).
const LWNodeUtilityFuncs_t* nodeUtilityFuncs();

// Registers the host's own nodes with a system (its constructor does).
void addHostNodes(NodeSystem& system);

// One setting of a host node, named by its block token ("Colour1", "Size", "Value"): one or
// three numbers, or an integer.
struct HostSetting {
    std::string token;
    bool integer = false;
    std::vector<double> values;
};
// The settings of one of the host's own nodes, in panel order; empty for plug-ins' nodes.
std::vector<HostSetting> hostSettings(const GraphNode& node);
// Sets a host node's setting as its panel does (an edit: the update function runs). False with
// `error` for another node's, an unknown token, the wrong count of numbers or a value its file
// cannot keep (not finite, beyond a float, an integer beyond an int).
bool setHostSetting(GraphNode& node, const std::string& token, const std::vector<double>& values,
                    std::string& error);
// Where the reader was (line or offset) when the last load of a host node refused a value;
// 0 when that load refused nothing or the node is not the host's.
long hostNodeRefusedAt(const GraphNode& node);

// ---- shading with a surface graph ------------------------------------------------------------

// Copies every field the two records share from a shader access record into a nodal one; the
// fields without a counterpart are left as they are (callers start from zero).
void fillNodalAccess(const st_LWShaderAccess96& record, LWNodalAccess96_t& nodal);
// Evaluates a surface graph's connected root inputs into the sample (nothing while the editor
// is switched off). "Glossiness" g starts at 1 / roughness and sets roughness = 1 / g (g > 0);
// "Material" replaces the four shading colours and transparency.
void applySurfaceGraph(const NodeGraph& graph, st_LWShaderAccess96& record);

}  // namespace lwhost
