// The node framework against the real host in process: the node adaptor, the node-input record
// by host version, input-event and panel-change rules, the wrappers, and a plug-in's own editor.
#include <vexo/node.h>
#include "lwhost/io/blockio.h"
#include "lwhost/nodes/nodes.h"
#include "lwhost/ui/xpanel.h"

#include <string>
#include <vector>

#include "frame_test.h"
#include "test_paths.h"

namespace {

using lwhost::GraphNode;
using lwhost::NodeGraph;
using lwhost::NodeSystem;

// A node with a colour and a scalar input, a colour and a scalar output, and a panel with a
// float control and a button. Every operation throws when `fail` is set.
struct TestNode : vexo::XPanelNodeHandler {
    TestNode(void*, void* context, std::string*) : vexo::XPanelNodeHandler(context) {
        colourIn = addInput(LWNODE_COLOUR, "Colour", &NodeHandler::CB_NodeInputEvent);
        factorIn = addScalarInput("Factor", &NodeHandler::CB_NodeInputEvent);
        colourOut = addOutput(LWNODE_COLOUR, "Colour");
        valueOut = addScalarOutput("Value");
    }
    TestNode& operator=(const TestNode& o) {
        vexo::XPanelNodeHandler::operator=(o);
        factor = o.factor;
        return *this;
    }

    void Evaluate(LWNodalAccess_t* access, void* output, NodeValue value) override {
        check("evaluate failed");
        const double f = factorIn->evaluateScalar(access, factor);
        if (valueOut->is(output)) valueOut->setScalar(value, f);
        if (colourOut->is(output)) {
            static const double kGrey[3] = {0.5, 0.5, 0.5};
            double c[3];
            colourIn->evaluateVector(access, kGrey, c);
            for (double& v : c) v *= f;
            colourOut->setVector(value, c);
        }
    }
    void check(const char* what) const {
        if (fail) throw vexo::exception(what);
    }
    void CustomPreview(int, int) override { check("preview failed"), ++previews; }
    unsigned Flags() override { return check("flags failed"), 5; }

    void* DataGet(unsigned) override { return &factor; }
    int DataSet(unsigned, void* value) override {
        factor = *static_cast<double*>(value);
        return 1;
    }
    int Interface(int, st_LWInterface* local, void*) override {
        static st_LWXPanelControl controls[] = {
            {0x9001, "Factor", "float"}, {0x9002, "Reset", "vButton"}, {0, nullptr, nullptr}};
        static st_LWXPanelDataDesc data[] = {{0x9001, "Factor", "float"}, {0, nullptr, nullptr}};
        local->panel = CreateViewXPanel(controls, data, nullptr, false);
        return 0;
    }

    std::unique_ptr<vexo::LWNodeInput> colourIn, factorIn;
    std::unique_ptr<vexo::LWNodeOutput> colourOut, valueOut;
    double factor = 1.0;
    bool fail = false;
    int previews = 0;
};

using Adaptor = vexo::NodeAdaptor<TestNode, 1, 1>;

// A node class whose activation fails halfway.
struct ActivateThrows : TestNode {
    using TestNode::TestNode;
};

}  // namespace

namespace vexo {
template <>
struct InstanceAdaptor<ActivateThrows> {
    static void fill(st_LWInstanceFuncs*) { throw vexo::exception("no instance functions"); }
};
}  // namespace vexo

namespace {

// A root that records what reaches it.
struct RecordingRoot : vexo::RootNode {
    const char* init(void* data, int mode) override {
        calls.push_back("init " + std::to_string(mode));
        lastData = data;
        if (fail) throw vexo::exception("root init failed");
        return mode == 3 ? "not now" : nullptr;
    }
    const char* newTime(void*, int frame, double) override {
        return calls.push_back("newTime " + std::to_string(frame)), nullptr;
    }
    void cleanup(void*) override { calls.push_back("cleanup"); }
    LWXPanelID rootPanel(void*) override { return this; }
    const char* rootOptions(void*) override { return "no options"; }
    void rootPreview(void*, LWNodalAccess_t* access, double* colour) override {
        if (fail) throw vexo::exception("preview failed");
        colour[0] = 0.25;
        colour[1] = access && access->wNorm[2] == -1.0 ? 0.5 : 0.0;
    }
    void rootCustomPreview(void*, int width, int height) override {
        calls.push_back("custom " + std::to_string(width) + "x" + std::to_string(height));
    }
    std::vector<std::string> calls;
    void* lastData = nullptr;
    bool fail = false;
};

TestNode* test(GraphNode* node) {
    return static_cast<TestNode*>(node->instance);
}

class NodeFrameworkTest : public FrameTest {
  protected:
    NodeFrameworkTest() {
        nodes.addServer("testNode", "Test", &Adaptor::Activate);
        graph = nodes.createEditor("Surface", "test", nullptr, nullptr);
    }

    GraphNode* add(const std::string& server) {
        std::string error;
        GraphNode* node = nodes.addNode(*graph, server, error);
        EXPECT_NE(node, nullptr) << error;
        return node;
    }
    // The last dialog's two lines, joined by " | ".
    std::string lastDialog() {
        auto all = host.messages().all();
        return all.empty() ? "" : all.back().line1 + " | " + all.back().line2;
    }
    // The node's panel as the host shows it.
    lwhost::XPanel* panelOf(TestNode* node) {
        st_LWInterface local{node, nullptr, nullptr, nullptr};
        vexo::XPanelAdaptor<TestNode>::Interface(4, lwhost::Host::globalFunction(), &local,
                                                 nullptr);
        return host.xpanels().find(local.panel);
    }
    size_t updatesOf(void* instance) {
        size_t n = 0;
        for (const auto& change : host.updates().all())
            if (change.className == LWNODE_HCLASS && change.instance == instance) ++n;
        return n;
    }

    NodeSystem& nodes = session.nodes();
    NodeGraph* graph;
    LWNodalAccess_t access{};
};

TEST_F(NodeFrameworkTest, ServerAnswersOnlyVersionOneAndCallbacksIgnoreNullAndShieldExceptions) {
    st_LWInstanceFuncs inst{};
    st_LWItemFuncs item{};
    st_LWRenderFuncs rend{};
    st_LWNodeHandler handler{&inst, &item, &rend, nullptr, nullptr, nullptr, nullptr};
    const LWGlobalFunc global = lwhost::Host::globalFunction();
    for (int v : {0, 2})
        EXPECT_EQ(Adaptor::Activate(v, global, &handler, nullptr), LWACTIVATE_BADVERSION) << v;
    EXPECT_EQ(handler.evaluate, nullptr);
    EXPECT_EQ(inst.create, nullptr);

    EXPECT_EQ(Adaptor::Activate(1, global, &handler, nullptr), LWACTIVATE_OK);
    EXPECT_EQ(handler.flags, nullptr);  // not handed to the host

    double value = 3.0;
    Adaptor::evaluate(nullptr, &access, nullptr, &value);
    Adaptor::customPreview(nullptr, 10, 10);
    EXPECT_EQ(Adaptor::flags(nullptr), 0u);
    EXPECT_EQ(value, 3.0);
    EXPECT_TRUE(host.messages().all().empty());

    handler = st_LWNodeHandler{};
    using Throwing = vexo::NodeAdaptor<ActivateThrows, 1, 1>;
    EXPECT_EQ(Throwing::Activate(1, lwhost::Host::globalFunction(), &handler, nullptr),
              LWACTIVATE_FAILED);
    EXPECT_EQ(lastDialog(),
              "An exception occured in NodeHandler::Activate(): | no instance functions");

    GraphNode* graphNode = add("testNode");
    TestNode* node = test(graphNode);
    Adaptor::customPreview(node, 10, 10);
    EXPECT_EQ(node->previews, 1);
    EXPECT_EQ(Adaptor::flags(node), 5u);
    node->fail = true;
    double colour[3] = {0, 0, 0};
    lwhost::GraphInput* root = nodes.addRootInput(*graph, LWNODE_COLOUR, "Colour", nullptr);
    std::string error;
    ASSERT_TRUE(nodes.connect(graphNode, "Colour", nullptr, "Colour", error));
    EXPECT_EQ(NodeSystem::evaluate(root, &access, colour), 1);
    EXPECT_EQ(lastDialog(), "An exception occured in NodeHandler::evaluate(): | evaluate failed");
    Adaptor::customPreview(node, 1, 1);
    EXPECT_EQ(lastDialog(),
              "An exception occured in NodeHandler::customPreview(): | preview failed");
    EXPECT_EQ(Adaptor::flags(node), 0u);
    EXPECT_EQ(lastDialog(), "An exception occured in NodeHandler::Flags(): | flags failed");
}

TEST(NodeInputRecordTest, NodesHereAndInModulesTakeTheInputRecordOfTheirHostVersion) {
    struct Case {
        unsigned major, minor;
        int record;
    };
    for (Case c : {Case{9, 4, 1}, Case{9, 5, 2}, Case{10, 0, 2}}) {
        SCOPED_TRACE(std::to_string(c.major) + "." + std::to_string(c.minor));
        lwhost::HostIdentity identity;
        identity.major = c.major;
        identity.minor = c.minor;
        lwhost::Session session(identity);
        lwhost::Host& host = session.host();
        const ForgetsHost forgets;
        ASSERT_TRUE(loads(host, testModule("testnode_module")));
        NodeSystem nodes(host);
        vexo::SetSuperGlobal(lwhost::Host::globalFunction());
        nodes.addServer("testNode", "Test", &Adaptor::Activate);
        NodeGraph* graph = nodes.createEditor("Surface", "test", nullptr, nullptr);
        std::string error;
        GraphNode* node = nodes.addNode(*graph, "testNode", error);
        ASSERT_NE(node, nullptr) << error;
        for (const auto& input : node->inputs) EXPECT_EQ(input->record, c.record) << input->name;
        const LWNodeInputFuncs_t* expected =
            c.record == 2 ? NodeSystem::inputFuncs2() : NodeSystem::inputFuncs();
        EXPECT_EQ(test(node)->inputFuncs(), expected);
        EXPECT_EQ(test(node)->factorIn->funcs(), expected);

        GraphNode* scale = nodes.addNode(*graph, "testScale", error);
        ASSERT_NE(scale, nullptr) << error;
        for (const auto& input : scale->inputs) EXPECT_EQ(input->record, c.record) << input->name;
        GraphNode* constant = nodes.addNode(*graph, "ScalarConstant", error);
        lwhost::GraphInput* root = nodes.addRootInput(*graph, LWNODE_COLOUR, "Colour", nullptr);
        ASSERT_TRUE(nodes.connect(constant, "Value", scale, "Colour", error)) << error;
        ASSERT_TRUE(nodes.connect(scale, "Colour", nullptr, "Colour", error)) << error;
        double colour[3] = {};
        LWNodalAccess_t access{};
        EXPECT_EQ(NodeSystem::evaluate(root, &access, colour), 1);
        EXPECT_EQ(colour[1], 2.0);  // 1 repeated into a colour, times the factor 2

        // The server of an unloaded module is no longer offered.
        nodes.removeNode(scale);
        host.unloadModules();
        EXPECT_EQ(nodes.addNode(*graph, "testScale", error), nullptr);
        EXPECT_EQ(error.rfind("unknown node server \"testScale\" (servers: ", 0), 0u) << error;
        EXPECT_EQ(error.find("testScale", error.find("(servers: ")), std::string::npos) << error;
    }
}

TEST_F(NodeFrameworkTest,
       FinishedPanelChangesAndInputEventsMarkTheInstanceButNotDragsOrDisconnects) {
    GraphNode* target = add("testNode");
    TestNode* node = test(target);
    lwhost::XPanel* panel = panelOf(node);
    ASSERT_NE(panel, nullptr);

    ASSERT_TRUE(panel->setFloat(0x9001, 0.5, true));  // dragging: the preview only
    EXPECT_EQ(target->previewUpdates, 1u);
    EXPECT_EQ(updatesOf(node), 0u);
    ASSERT_TRUE(panel->setFloat(0x9001, 0.75));  // finished
    EXPECT_EQ(updatesOf(node), 1u);
    ASSERT_TRUE(panel->click(0x9002));
    EXPECT_EQ(updatesOf(node), 2u);
    node->ChangeNotify(panel->id(), 0x9001, 0x9001, 0);
    node->ChangeNotify(panel->id(), 0x9001, 0x9001, 4);
    EXPECT_EQ(updatesOf(node), 2u);
    EXPECT_EQ(target->previewUpdates, 1u);

    const unsigned refreshes = panel->refreshCount();
    GraphNode* source = add("ScalarConstant");
    std::string error;
    ASSERT_TRUE(nodes.connect(source, "Value", target, "Factor", error));
    EXPECT_EQ(updatesOf(node), 3u);
    ASSERT_TRUE(nodes.disconnect(target->input("Factor")));
    EXPECT_EQ(updatesOf(node), 3u);
    ASSERT_TRUE(nodes.connect(source, "Value", target, "Factor", error));
    EXPECT_EQ(updatesOf(node), 4u);
    nodes.removeNode(source);
    EXPECT_EQ(updatesOf(node), 5u);
    // The open panel was refreshed for every input event, disconnection included.
    EXPECT_EQ(panel->refreshCount(), refreshes + 4);
    EXPECT_EQ(node->NodeInputEvent(nullptr, static_cast<LWNodalEvent_t>(9), LWNODE_SCALAR), 1);
    EXPECT_EQ(updatesOf(node), 5u);
    EXPECT_EQ(vexo::NodeHandler::CB_NodeInputEvent(nullptr, nullptr, LWNODE_EVENT_CONNECTED,
                                                   LWNODE_SCALAR),
              0);
}

TEST_F(NodeFrameworkTest,
       InputsGoWithTheirWrappersRootInputsStayStartFromThePanelAndSaveWithTheGraph) {
    GraphNode* graphNode = add("testNode");
    TestNode* node = test(graphNode);
    node->factorIn.reset();
    node->valueOut.reset();
    EXPECT_EQ(graphNode->inputs.size(), 1u);
    EXPECT_EQ(graphNode->input("Factor"), nullptr);
    EXPECT_EQ(graphNode->outputs.size(), 1u);

    vexo::NodeEditor editor;
    ASSERT_TRUE(editor.create("Surface", "mine", nullptr, NPT_RENDER));
    auto input = editor.addInput(LWNODE_SCALAR, "Kept", nullptr);
    NodeGraph* mine = nodes.editor(editor.id());
    input.reset();
    EXPECT_NE(mine->rootInput("Kept"), nullptr);

    // Evaluation starts from the panel value.
    auto gain = editor.addScalarInput("Gain", nullptr);
    auto tint = editor.addInput(LWNODE_COLOUR, "Tint", nullptr);
    EXPECT_FALSE(gain->connected());
    EXPECT_EQ(gain->evaluateScalar(&access, 0.3), 0.3);
    std::string error;
    GraphNode* source = nodes.addNode(*mine, "testNode", error);
    test(source)->factor = 4.0;
    ASSERT_TRUE(nodes.connect(source, "Value", nullptr, "Gain", error));
    ASSERT_TRUE(nodes.connect(source, "Colour", nullptr, "Tint", error));
    EXPECT_TRUE(gain->connected());
    EXPECT_EQ(gain->evaluateScalar(&access, 0.3), 4.0);
    const double black[3] = {0, 0, 0};
    double c[3];
    tint->evaluateVector(&access, black, c);
    EXPECT_EQ(c[0], 2.0);  // the node's grey panel colour times its factor

    // Save and load hand the whole graph to the host.
    lwhost::MemorySaveState save(LWIO_ASCII);
    EXPECT_EQ(editor.Save(vexo::SaveState(save.record())), nullptr);
    save.finish();

    vexo::NodeEditor second;
    ASSERT_TRUE(second.create("Surface", "second", nullptr, NPT_RENDER));
    auto gain2 = second.addScalarInput("Gain", nullptr);
    auto tint2 = second.addInput(LWNODE_COLOUR, "Tint", nullptr);
    lwhost::MemoryLoadState load(save.bytes(), LWIO_ASCII);
    EXPECT_EQ(second.Load(vexo::LoadState(load.record())), nullptr) << save.bytes();
    EXPECT_TRUE(gain2->connected() && tint2->connected());
    // The node's factor is a panel value the test node does not save: it comes back as 1.
    EXPECT_EQ(gain2->evaluateScalar(&access, 0.0), 1.0);

    host.globals().withdraw(LWNODEEDITORFUNCS_GLOBAL);  // a host without node editors
    vexo::NodeEditor nowhere;
    EXPECT_FALSE(nowhere.create("Surface", "nowhere", nullptr, NPT_RENDER));
    EXPECT_EQ(nowhere.id(), nullptr);
    EXPECT_EQ(nowhere.addInput(LWNODE_SCALAR, "x", nullptr)->id(), nullptr);
    EXPECT_EQ(nowhere.Save(vexo::SaveState()), nullptr);
}

TEST_F(NodeFrameworkTest, EditorForwardsEveryRootCallbackAnswersZeroWithoutARootAndShieldsIt) {
    RecordingRoot root;
    {
        vexo::NodeEditor editor;
        ASSERT_TRUE(editor.create("Surface", "lumavex: test", &root, NPT_RENDER));
        NodeGraph* mine = nodes.editor(editor.id());
        ASSERT_NE(mine, nullptr);

        EXPECT_STREQ(editor.renderInit(3), "not now");
        EXPECT_EQ(root.lastData, static_cast<void*>(editor.id()));
        EXPECT_EQ(editor.renderNewTime(5, 0.2), nullptr);
        editor.renderCleanup();
        EXPECT_EQ(nodes.rootPanel(*mine), static_cast<LWXPanelID>(&root));
        EXPECT_STREQ(nodes.rootOptions(*mine), "no options");
        nodes.rootCustomPreview(*mine, 32, 16);
        const std::array<double, 3> colour = nodes.rootPreviewColour(*mine);
        EXPECT_EQ(colour, (std::array<double, 3>{{0.25, 0.5, 0.0}}));
        EXPECT_EQ(root.calls,
                  (std::vector<std::string>{"init 3", "newTime 5", "cleanup", "custom 32x16"}));

        // Creating again replaces the host editor.
        const size_t before = nodes.editorCount();
        ASSERT_TRUE(editor.create("Surface", "again", &root, NPT_RENDER));
        EXPECT_EQ(nodes.editorCount(), before);
        EXPECT_EQ(nodes.editor(editor.id())->name, "again");
        // A wrapper of someone else's editor owns what it creates, and only that.
        vexo::NodeEditor wrapper(graph->id());
        ASSERT_TRUE(wrapper.create("Surface", "made", nullptr, NPT_RENDER));
    }
    EXPECT_EQ(nodes.editorCount(), 1u);  // the fixture's own

    vexo::NodeEditor editor;
    ASSERT_TRUE(editor.create("Surface", "rootless", nullptr, NPT_RENDER));
    NodeGraph* mine = nodes.editor(editor.id());
    EXPECT_EQ(nodes.rootPanel(*mine), nullptr);
    EXPECT_EQ(nodes.rootOptions(*mine), nullptr);
    EXPECT_EQ(nodes.renderInit(*mine, 1), nullptr);
    EXPECT_EQ(nodes.rootPreviewColour(*mine), (std::array<double, 3>{{0, 0, 0}}));
    using Root = vexo::RootNodeAdaptor<vexo::RootNode>;
    EXPECT_EQ(Root::CB_rootPanel(nullptr), nullptr);
    EXPECT_EQ(Root::CB_init(nullptr, 1), nullptr);

    root.fail = true;
    vexo::NodeEditor failing;
    ASSERT_TRUE(failing.create("Surface", "failing", &root, NPT_RENDER));
    EXPECT_STREQ(failing.renderInit(1), "root init failed");
    nodes.rootPreviewColour(*nodes.editor(failing.id()));
    EXPECT_EQ(lastDialog(), "An exception occured in RootNode::rootPreview(): | preview failed");
}

}  // namespace
