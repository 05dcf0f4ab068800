// Node framework: node handlers, the node adaptor, wrappers of the host's node inputs and
// outputs, and a plug-in's own node editor with its root node.
//
// A node instance is created by the host with its host node ID as context; its constructor adds
// inputs and outputs and keeps them in owning pointers. The host calls Evaluate from several
// render threads at once: Evaluate reads settings and writes only to the buffers it is given.
#pragma once

#include <lwsdk/lwnode.h>

#include <exception>
#include <memory>
#include <string>

#include "vexo/adaptor.h"
#include "vexo/globals.h"
#include "vexo/handler.h"
#include "vexo/persistence.h"
#include "vexo/xpanel.h"

namespace vexo {

template <>
const char* const GlobalBase<LWNodeFuncs_t>::m_globalName;
template <>
const char* const GlobalBase<LWNodeOutputFuncs_t>::m_globalName;
template <>
const char* const GlobalBase<LWNodeUtilityFuncs_t>::m_globalName;
template <>
const char* const GlobalBase<st_LWNodeEditorFuncs>::m_globalName;

// The two node-input globals publish one record layout.
extern const char NodeInputFuncsName[];   // "NodeInputFuncs", hosts before 9.5
extern const char NodeInputFuncs2Name[];  // "NodeInputFuncs 2", hosts 9.5 onward
using NodeInputFuncs = nGlobalBase<LWNodeInputFuncs_t, NodeInputFuncsName>;
using NodeInputFuncs2 = nGlobalBase<LWNodeInputFuncs_t, NodeInputFuncs2Name>;

// The node-input record for the running host: an accessor of the right global (owned by the
// caller) and the record it supplied, read once.
struct NodeInputRecord {
    std::unique_ptr<genericGlobal> accessor;
    LWNodeInputFuncs_t* funcs = nullptr;
};
// True when the running host publishes "NodeInputFuncs 2" (9.5 onward).
bool usesNodeInputFuncs2();
NodeInputRecord chooseNodeInputRecord();

// "NodeUtilityFuncs": the host's blending and texture mapping helpers, through getGlobal().
class LWNodeUtility : public GlobalBase<LWNodeUtilityFuncs_t> {};

// One input of a node or of a root. Destroying it removes the host input when it owns it (node
// inputs); the inputs of a root belong to the host editor.
class LWNodeInput {
  public:
    LWNodeInput(NodeInputRecord record, NodeID node, NodeInputID id, bool owns);
    ~LWNodeInput();
    LWNodeInput(const LWNodeInput&) = delete;
    LWNodeInput& operator=(const LWNodeInput&) = delete;

    NodeInputID id() const { return m_id; }
    NodeID node() const { return m_node; }
    bool owns() const { return m_owns; }
    const LWNodeInputFuncs_t* funcs() const { return m_funcs; }

    // Evaluates what is connected into `value`, a buffer of the input's type, and returns 1;
    // 0 with the buffer untouched when nothing is connected.
    int evaluate(LWNodalAccess_t* access, void* value) const;
    bool connected() const;

    // Evaluations that start from the panel value: an unconnected input gives it back.
    double evaluateScalar(LWNodalAccess_t* access, double panel) const;
    int evaluateInteger(LWNodalAccess_t* access, int panel) const;
    // Colours and vectors: `out` starts as `panel` (3 values).
    void evaluateVector(LWNodalAccess_t* access, const double panel[3], double out[3]) const;

  private:
    std::unique_ptr<genericGlobal> m_accessor;  // keeps the record's global acquired
    LWNodeInputFuncs_t* m_funcs;
    NodeID m_node;  // null for root inputs
    NodeInputID m_id;
    bool m_owns;
};

// One output of a node, owned by the node; destroying it removes the host output.
class LWNodeOutput {
  public:
    LWNodeOutput(NodeID node, ConnectionType type, const std::string& name);
    ~LWNodeOutput();
    LWNodeOutput(const LWNodeOutput&) = delete;
    LWNodeOutput& operator=(const LWNodeOutput&) = delete;

    NodeOutputID id() const { return m_id; }
    bool owns() const { return m_owns; }
    bool is(const void* output) const { return m_id && output == static_cast<const void*>(m_id); }

    // Hands a result (a buffer of the output's type) to the host for `value`, the last
    // argument of Evaluate.
    void setValue(NodeValue value, const void* result) const;
    void setScalar(NodeValue value, double result) const { setValue(value, &result); }
    void setInteger(NodeValue value, int result) const { setValue(value, &result); }
    void setVector(NodeValue value, const double result[3]) const { setValue(value, result); }

  private:
    GlobalBase<LWNodeOutputFuncs_t> m_funcs;  // "NodeOutputFuncs"
    NodeID m_node;
    NodeOutputID m_id = nullptr;
    bool m_owns = true;
};

// Anything inputs can be added to: a node, or an editor's root.
class NodeInputHelper {
  public:
    virtual ~NodeInputHelper() = default;
    virtual std::unique_ptr<LWNodeInput> addInput(ConnectionType type, std::string name,
                                                  LWNodeInputEvent* callback) = 0;
    std::unique_ptr<LWNodeInput> addScalarInput(std::string name, LWNodeInputEvent* callback) {
        return addInput(LWNODE_SCALAR, std::move(name), callback);
    }
};

// The host node an instance lives in.
class LWNode : public GlobalBase<LWNodeFuncs_t>, public NodeInputHelper {
  public:
    explicit LWNode(void* nodeID);
    // A node keeps its own host node, inputs and outputs: copying settings leaves them alone.
    LWNode(const LWNode&) = delete;
    LWNode& operator=(const LWNode&) { return *this; }
    ~LWNode() override;

    NodeID nodeID() const { return m_nodeID; }
    const LWNodeInputFuncs_t* inputFuncs() const { return m_inputFuncs; }

    std::unique_ptr<LWNodeInput> addInput(ConnectionType type, std::string name,
                                          LWNodeInputEvent* callback) override;
    std::unique_ptr<LWNodeOutput> addOutput(ConnectionType type, const std::string& name);
    std::unique_ptr<LWNodeOutput> addScalarOutput(const std::string& name) {
        return addOutput(LWNODE_SCALAR, name);
    }

    // The seventh function of "NodeFuncs": the node's preview is out of date.
    void updatePreview() const;
    void setColour(int r, int g, int b) const;
    void setPreviewType(NodePreviewType type) const;
    LWChanGroupID channelGroup() const;
    const char* nodeName() const;

  private:
    NodeID m_nodeID;
    std::unique_ptr<genericGlobal> m_inputAccessor;
    LWNodeInputFuncs_t* m_inputFuncs;
    GlobalBase<LWNodeOutputFuncs_t> m_outputFuncs;
};

// A node server's handler. Slot order after the instance operations: NodeInputEvent, Evaluate,
// CustomPreview, Flags.
class NodeHandler : public InstanceHandler,
                    public virtual ItemHandler,
                    public virtual RenderHandler,
                    public LWNode {
  public:
    explicit NodeHandler(void* nodeID) : InstanceHandler(LWNODE_HCLASS), LWNode(nodeID) {}

    // Connecting (0) and the removal of the connected node (2) mark the instance changed; a
    // disconnection (1) does not. Always 1.
    virtual int NodeInputEvent(void* input, LWNodalEvent_t event, ConnectionType type);
    virtual void Evaluate(LWNodalAccess_t* access, void* output, NodeValue value);
    virtual void CustomPreview(int width, int height);
    virtual unsigned Flags() { return 0; }

    // The input event callback every node passes: `userData` is the node instance, whose
    // handler base must come first in its class.
    static int CB_NodeInputEvent(void* userData, NodeInputID input, LWNodalEvent_t event,
                                 ConnectionType type);
};

// A node handler with a view panel; every node server class of the bundle derives from it.
class XPanelNodeHandler : public NodeHandler, public XPanelInterface {
  public:
    explicit XPanelNodeHandler(void* nodeID) : NodeHandler(nodeID) {}

    // Refreshes an open panel first, then as NodeHandler.
    int NodeInputEvent(void* input, LWNodalEvent_t event, ConnectionType type) override;
    // A drag (1) updates the node preview only; a finished change (2) or a button hit (3) marks
    // the instance changed.
    void ChangeNotify(void* panel, unsigned controlId, unsigned valueId, int event) override;
};

// The root node of a plug-in's own editor. Every operation receives the host's root data
// (the editor) first. rootPanel gives the panel the editor shows for the root (null: none);
// rootOptions opens the root's options when it has no panel (an error text or null);
// rootPreview writes the preview's colour (three values, starting black).
class RootNode {
  public:
    virtual ~RootNode() = default;
    virtual const char* init(void* data, int mode);
    virtual const char* newTime(void* data, int frame, double time);
    virtual void cleanup(void* data);
    virtual LWXPanelID rootPanel(void* data);
    virtual const char* rootOptions(void* data);
    virtual void rootPreview(void* data, LWNodalAccess_t* access, double* colour);
    virtual void rootCustomPreview(void* data, int width, int height);
};

// A node editor owned by the plug-in ("NodeEditorFuncs"): its graph is the host's, its root
// node is a RootNode. Destroyed with its host editor when it owns one.
class NodeEditor : public GlobalBase<st_LWNodeEditorFuncs>,
                   public Storeable,
                   public NodeInputHelper {
  public:
    NodeEditor() = default;
    // Wraps someone else's editor (a surface's own, say): never destroys it.
    explicit NodeEditor(NodeEditorID id) : m_id(id), m_owns(false) {}
    ~NodeEditor() override;
    NodeEditor(const NodeEditor&) = delete;
    NodeEditor& operator=(const NodeEditor&) = delete;

    // Creates the host editor with `root` (may be null) as its root behaviour, destroying an
    // owned one first; the new one is owned. False when the host refused.
    bool create(const char* title, const char* name, RootNode* root, NodePreviewType preview);
    void destroy();

    NodeEditorID id() const { return m_id; }
    bool owns() const { return m_owns; }
    const st_LWRootNode& rootRecord() const { return m_root; }

    // An input of the root; it belongs to the host editor.
    std::unique_ptr<LWNodeInput> addInput(ConnectionType type, std::string name,
                                          LWNodeInputEvent* callback) override;

    const char* Load(const LoadState& state) override;
    const char* Save(const SaveState& state) override;

    void setUpdateFunc(LWNodeEditorUpdateFunc* func) const;
    void setChannelGroup(LWChanGroupID group) const;
    unsigned state() const;               // 0 without an editor
    void setState(unsigned state) const;  // its low 16 bits: the host keeps no more
    const char* renderInit(int mode) const;
    const char* renderNewTime(int frame, double time) const;
    void renderCleanup() const;
    int openWindow() const;

    // The editor record as published, for callbacks that hold no accessor of their own (valid
    // while any editor accessor lives).
    static st_LWNodeEditorFuncs* funcs() { return globPtr; }

  private:
    st_LWRootNode m_root{};
    NodeEditorID m_id = nullptr;
    bool m_owns = true;
};

// The root record's callbacks: each finds the root object stored with the editor and forwards
// to it; without one it answers 0 or does nothing.
template <class R>
struct RootNodeAdaptor {
    static R* rootOf(NodeEditorID editor) {
        st_LWNodeEditorFuncs* f = NodeEditor::funcs();
        if (!editor || !f || !f->getUserData) return nullptr;
        return static_cast<R*>(static_cast<RootNode*>(f->getUserData(editor)));
    }

    static LWError CB_init(NodeEditorID editor, int mode) {
        return shield(Returned{"RootNode::init()", detail::keptText<R, 0>()}, [&]() -> LWError {
            R* root = rootOf(editor);
            return root ? root->init(editor, mode) : nullptr;
        });
    }
    static LWError CB_newTime(NodeEditorID editor, LWFrame frame, LWTime time) {
        return shield(Returned{"RootNode::newTime()", detail::keptText<R, 1>()}, [&]() -> LWError {
            R* root = rootOf(editor);
            return root ? root->newTime(editor, frame, time) : nullptr;
        });
    }
    static void CB_cleanup(NodeEditorID editor) {
        shield(Dialog{"RootNode::cleanup()"}, [&] {
            if (R* root = rootOf(editor)) root->cleanup(editor);
        });
    }
    static LWXPanelID CB_rootPanel(NodeEditorID editor) {
        return shield(Dialog<LWXPanelID>{"RootNode::rootPanel()", nullptr}, [&]() -> LWXPanelID {
            R* root = rootOf(editor);
            return root ? root->rootPanel(editor) : nullptr;
        });
    }
    static LWError CB_rootOptions(NodeEditorID editor) {
        return shield(Dialog<LWError>{"RootNode::rootOptions()", nullptr}, [&]() -> LWError {
            R* root = rootOf(editor);
            return root ? root->rootOptions(editor) : nullptr;
        });
    }
    static void CB_rootPreview(NodeEditorID editor, LWNodalAccess_t* access, double* colour) {
        shield(Dialog{"RootNode::rootPreview()"}, [&] {
            if (R* root = rootOf(editor)) root->rootPreview(editor, access, colour);
        });
    }
    static void CB_rootCustomPreview(NodeEditorID editor, int width, int height) {
        shield(Dialog{"RootNode::rootCustomPreview()"}, [&] {
            if (R* root = rootOf(editor)) root->rootCustomPreview(editor, width, height);
        });
    }

    static void fill(st_LWRootNode& record, NodePreviewType preview) {
        record.previewType = preview;
        record.init = &CB_init;
        record.newTime = &CB_newTime;
        record.cleanup = &CB_cleanup;
        record.rootPanel = &CB_rootPanel;
        record.rootOptions = &CB_rootOptions;
        record.rootPreview = &CB_rootPreview;
        record.rootCustomPreview = &CB_rootCustomPreview;
    }
};

// The node server's activate function and the forwarding functions of its handler record.
// Every node uses NodeAdaptor<T, 1, 1>.
template <class T, int Highest, int Lowest>
struct NodeAdaptor {
    static int Activate(long version, LWGlobalFunc global, void* local, void*) {
        if (version < Lowest || version > Highest) return LWACTIVATE_BADVERSION;
        return shield(Dialog{"NodeHandler::Activate()", LWACTIVATE_FAILED}, [&]() -> int {
            SetSuperGlobal(global);
            auto* node = static_cast<st_LWNodeHandler*>(local);
            if (!node) return LWACTIVATE_BADLOCAL;
            InstanceAdaptor<T>::fill(node->inst);
            RenderAdaptor<T>::fill(node->rend);
            ItemAdaptor<T>::fill(node->item);
            node->evaluate = &evaluate;
            node->customPreview = &customPreview;
            return LWACTIVATE_OK;
        });
    }

    // Runs on render threads: the shield adds no allocation or lock to the normal path.
    static void evaluate(LWInstance instance, LWNodalAccess_t* access, NodeOutputID output,
                         NodeValue value) {
        if (!instance) return;
        shield(Dialog{"NodeHandler::evaluate()"},
               [&] { detail::handlerOf<T>(instance)->Evaluate(access, output, value); });
    }

    static void customPreview(LWInstance instance, int width, int height) {
        if (!instance) return;
        shield(Dialog{"NodeHandler::customPreview()"},
               [&] { detail::handlerOf<T>(instance)->CustomPreview(width, height); });
    }

    static unsigned flags(LWInstance instance) {
        if (!instance) return 0;
        return shield(Dialog{"NodeHandler::Flags()", 0u},
                      [&]() -> unsigned { return detail::handlerOf<T>(instance)->Flags(); });
    }
};

}  // namespace vexo
