// The host's node editors: records by host version, editing, evaluation with conversions, the
// render cycle, and evaluation without heap allocation.
#include <gtest/gtest.h>
#include "lwhost/core/host.h"
#include "lwhost/nodes/node_graph_file.h"
#include "lwhost/nodes/nodes.h"
#include "lwhost/scene/scene_globals.h"

#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "alloc_counter.h"

namespace {

using lwhost::GraphInput;
using lwhost::GraphNode;
using lwhost::NodeGraph;
using lwhost::NodeSystem;

// A fake node server: scalar "Out" = "In" + offset; records the events and render calls it gets.
struct FakeNode {
    NodeID node;
    NodeInputID in;
    NodeOutputID out;
    double offset = 0.0;
    std::vector<std::pair<int, int>> events;  // (event, type)
    std::vector<std::string> calls;
};

int g_destroyed = 0;

int fakeEvent(void* data, NodeInputID, LWNodalEvent_t event, ConnectionType type) {
    static_cast<FakeNode*>(data)->events.emplace_back(event, type);
    return 1;
}
LWInstance fakeCreate(void*, void* context, LWError*) {
    auto* fake = new FakeNode{static_cast<NodeID>(context), nullptr, nullptr, 0.0, {}, {}};
    fake->in = NodeSystem::inputFuncs2()->create(fake->node, LWNODE_SCALAR, "In", &fakeEvent);
    fake->out = NodeSystem::outputFuncs()->create(fake->node, LWNODE_SCALAR, "Out");
    return fake;
}
void fakeDestroy(LWInstance instance) {
    auto* fake = static_cast<FakeNode*>(instance);
    NodeSystem::inputFuncs()->destroy(fake->node, fake->in);
    NodeSystem::outputFuncs()->destroy(fake->node, fake->out);
    ++g_destroyed;
    delete fake;
}
void fakeEvaluate(LWInstance instance, LWNodalAccess_t* access, NodeOutputID, NodeValue value) {
    auto* fake = static_cast<FakeNode*>(instance);
    double v = 0.0;
    NodeSystem::inputFuncs()->evaluate(fake->in, access, &v);
    v += fake->offset;
    NodeSystem::outputFuncs()->setValue(value, &v);
}
FakeNode* fakeOf(void* instance) {
    return static_cast<FakeNode*>(instance);
}
int fakeActivate(long version, LWGlobalFunc, void* local, void*) {
    if (version != 1) return LWACTIVATE_BADVERSION;
    auto* handler = static_cast<st_LWNodeHandler*>(local);
    handler->inst->create = fakeCreate;
    handler->inst->destroy = fakeDestroy;
    handler->rend->init = [](LWInstance i, int mode) -> LWError {
        fakeOf(i)->calls.push_back("init " + std::to_string(mode));
        return mode == 7 ? "init refused" : nullptr;
    };
    handler->rend->cleanup = [](LWInstance i) { fakeOf(i)->calls.push_back("cleanup"); };
    handler->rend->newTime = [](LWInstance i, LWFrame frame, LWTime) -> LWError {
        fakeOf(i)->calls.push_back("newTime " + std::to_string(frame));
        return nullptr;
    };
    handler->evaluate = fakeEvaluate;
    return LWACTIVATE_OK;
}

// A node whose scalar "Out" writes 2.5 straight into the buffer the output record hands out,
// when asked for a scalar.
int inPlaceActivate(long, LWGlobalFunc, void* local, void*) {
    auto* handler = static_cast<st_LWNodeHandler*>(local);
    handler->inst->create = [](void*, void* context, LWError*) -> LWInstance {
        NodeSystem::outputFuncs()->create(static_cast<NodeID>(context), LWNODE_SCALAR, "Out");
        return context;
    };
    handler->evaluate = [](LWInstance, LWNodalAccess_t*, NodeOutputID, NodeValue value) {
        const LWNodeOutputFuncs_t* out = NodeSystem::outputFuncs();
        if (out->getType(value) == LWNODE_SCALAR) *static_cast<double*>(out->getValue(value)) = 2.5;
    };
    return LWACTIVATE_OK;
}

// A root that records its render calls, and the editors whose update function was called.
std::vector<std::string> g_rootCalls;
std::vector<NodeEditorID> g_updates;
const st_LWRootNode kRoot = {NPT_RENDER,
                             [](NodeEditorID, int mode) -> LWError {
                                 g_rootCalls.push_back("init " + std::to_string(mode));
                                 return "root says no";
                             },
                             [](NodeEditorID, LWFrame frame, LWTime) -> LWError {
                                 g_rootCalls.push_back("newTime " + std::to_string(frame));
                                 return nullptr;
                             },
                             [](NodeEditorID) { g_rootCalls.push_back("cleanup"); },
                             nullptr,
                             nullptr,
                             nullptr,
                             nullptr};

class NodeEditorTest : public ::testing::Test {
  protected:
    NodeEditorTest() : host(), nodes(host) {
        nodes.addServer("fake", "Fake", &fakeActivate);
        nodes.addServer("inPlace", "In Place", &inPlaceActivate);
        graph = nodes.createEditor("Surface", "test", &kRoot, this);
        g_destroyed = 0;
        g_rootCalls.clear();
        g_updates.clear();
    }

    GraphNode* add(const std::string& server) {
        GraphNode* node = nodes.addNode(*graph, server, error);
        EXPECT_NE(node, nullptr) << error;
        return node;
    }
    bool connect(GraphNode* from, const std::string& out, GraphNode* to, const std::string& in) {
        return nodes.connect(from, out, to, in, error);
    }
    std::string refusal(GraphNode* from, const std::string& out, GraphNode* to,
                        const std::string& in) {
        EXPECT_FALSE(nodes.connect(from, out, to, in, error));
        return error;
    }

    lwhost::Host host;
    NodeSystem nodes;
    NodeGraph* graph;
    LWNodalAccess_t access{};
    std::string error;
};

TEST(NodeRecordsTest, HostPublishesOneInputRecordByItsVersionAndFollowsANewIdentity) {
    auto identity = [](const char* version) {
        lwhost::HostIdentity id;
        std::string error;
        EXPECT_TRUE(id.setVersion(version, error)) << error;
        return id;
    };
    // Whether the host's version publishes the second input record.
    const std::pair<const char*, bool> versions[] = {
        {"9.3", false}, {"9.4", false}, {"9.5", true}, {"10.0", true}};
    for (const auto& [version, second] : versions) {
        lwhost::Host host(identity(version));
        NodeSystem nodes(host);
        EXPECT_EQ(host.globals().has(LWNODEINPUTFUNCS_GLOBAL), !second) << version;
        EXPECT_EQ(host.globals().has(LWNODEINPUTFUNCS2_GLOBAL), second) << version;
        for (const char* name : {LWNODEFUNCS_GLOBAL, LWNODEOUTPUTFUNCS_GLOBAL,
                                 LWNODEUTILITYFUNCS_GLOBAL, LWNODEEDITORFUNCS_GLOBAL})
            EXPECT_TRUE(host.globals().has(name)) << name;
    }

    // Publishing again follows a new identity; destruction restores the host's own records.
    lwhost::Host host(identity("9.4"));
    NodeSystem own(host);
    {
        NodeSystem nodes(host);
        host.setIdentity(lwhost::HostIdentity());
        nodes.publish();
        EXPECT_FALSE(host.globals().has(LWNODEINPUTFUNCS_GLOBAL));
        EXPECT_TRUE(host.globals().has(LWNODEINPUTFUNCS2_GLOBAL));
        // The two records are told apart by the inputs they make.
        EXPECT_NE(NodeSystem::inputFuncs()->create, NodeSystem::inputFuncs2()->create);
        EXPECT_EQ(NodeSystem::current(), &nodes);
    }
    // The host's own system takes over again, with the records of the host's version.
    EXPECT_EQ(NodeSystem::current(), &own);
    EXPECT_TRUE(host.globals().has(LWNODEINPUTFUNCS2_GLOBAL));
    host.setIdentity(identity("9.4"));
    EXPECT_TRUE(host.globals().has(LWNODEINPUTFUNCS_GLOBAL));
    EXPECT_FALSE(host.globals().has(LWNODEINPUTFUNCS2_GLOBAL));
}

TEST(NodeValuesTest, ConversionsFollowTheDocumentedRules) {
    const double colour[3] = {1.0, 0.5, 0.25}, vector[3] = {3.0, 6.0, 0.0}, half = 0.5;
    double scalar = 0.0, repeated[3] = {};
    ASSERT_TRUE(lwhost::convertValue(LWNODE_COLOUR, colour, LWNODE_SCALAR, &scalar));
    EXPECT_DOUBLE_EQ(scalar, 0.2126 + 0.7152 * 0.5 + 0.0722 * 0.25);
    ASSERT_TRUE(lwhost::convertValue(LWNODE_VECTOR, vector, LWNODE_SCALAR, &scalar));
    EXPECT_DOUBLE_EQ(scalar, 3.0);
    ASSERT_TRUE(lwhost::convertValue(LWNODE_SCALAR, &half, LWNODE_COLOUR, repeated));
    EXPECT_EQ(repeated[0], 0.5);
    EXPECT_EQ(repeated[2], 0.5);

    // Rounded half away from zero, held at the ends of the range; not a number gives 0.
    const std::pair<double, int> rounded[] = {
        {2.5, 3},         {-2.5, -3}, {0.49, 0}, {1e300, 2147483647}, {-1e300, -2147483647 - 1},
        {std::nan(""), 0}};
    int integer = 0;
    for (const auto& [value, expected] : rounded) {
        ASSERT_TRUE(lwhost::convertValue(LWNODE_SCALAR, &value, LWNODE_INTEGER, &integer));
        EXPECT_EQ(integer, expected) << value;
    }
    const int seven = 7;
    ASSERT_TRUE(lwhost::convertValue(LWNODE_INTEGER, &seven, LWNODE_VECTOR, repeated));
    EXPECT_EQ(repeated[1], 7.0);

    double material[LWNODE_MATERIAL_DOUBLES] = {};
    EXPECT_FALSE(lwhost::canConvert(LWNODE_MATERIAL, LWNODE_COLOUR));
    EXPECT_FALSE(lwhost::canConvert(LWNODE_SCALAR, LWNODE_MATERIAL));
    EXPECT_FALSE(lwhost::canConvert(LWNODE_FUNCTION, LWNODE_FUNCTION));
    EXPECT_TRUE(lwhost::canConvert(LWNODE_MATERIAL, LWNODE_MATERIAL));
    EXPECT_FALSE(lwhost::convertValue(LWNODE_MATERIAL, material, LWNODE_SCALAR, &scalar));
}

TEST_F(NodeEditorTest, ChainOfNodesEvaluatesThroughEveryLinkAndUnconnectedInputsAnswerZero) {
    GraphNode* unconnected = add("fake");
    double untouched = 42.0;
    EXPECT_EQ(NodeSystem::evaluate(unconnected->input("In"), &access, &untouched), 0);
    EXPECT_EQ(untouched, 42.0);
    GraphNode* constant = add("ScalarConstant");
    GraphNode* previous = constant;
    const char* output = "Value";
    for (int i = 0; i < 10; ++i) {
        GraphNode* fake = add("fake");
        fakeOf(fake->instance)->offset = 1.0;
        ASSERT_TRUE(connect(previous, output, fake, "In"));
        previous = fake;
        output = "Out";
    }
    GraphInput* root = nodes.addRootInput(*graph, LWNODE_SCALAR, "Result", nullptr);
    ASSERT_TRUE(connect(previous, "Out", nullptr, "Result"));
    double value = 0.0;
    EXPECT_EQ(NodeSystem::inputFuncs2()->evaluate(root->id(), &access, &value), 1);
    EXPECT_DOUBLE_EQ(value, 11.0);  // the constant's 1 plus ten offsets
}

TEST_F(NodeEditorTest, DifferingTypesConvertWithoutWritingPastTheCallersBuffer) {
    GraphNode* colour = add("ColourConstant");
    GraphInput* asInteger = nodes.addRootInput(*graph, LWNODE_INTEGER, "Whole", nullptr);
    GraphInput* asScalar = nodes.addRootInput(*graph, LWNODE_SCALAR, "Amount", nullptr);
    ASSERT_TRUE(connect(colour, "Colour", nullptr, "Whole"));
    ASSERT_TRUE(connect(colour, "Colour", nullptr, "Amount"));

    struct {
        int value;
        unsigned char guard[28];
    } integer;
    integer.value = 0;
    std::memset(integer.guard, 0xAB, sizeof integer.guard);
    EXPECT_EQ(NodeSystem::evaluate(asInteger, &access, &integer.value), 1);
    EXPECT_EQ(integer.value, 1);  // white's luminance, rounded
    for (unsigned char g : integer.guard) EXPECT_EQ(g, 0xAB);

    double scalar[2] = {0.0, -7.0};
    NodeSystem::evaluate(asScalar, &access, scalar);
    EXPECT_DOUBLE_EQ(scalar[0], 1.0);
    EXPECT_EQ(scalar[1], -7.0);
}

TEST_F(NodeEditorTest, RefusedConnectionsSayWhyAndChangeNothing) {
    GraphNode* first = add("Mix");
    GraphNode* second = add("Mix");
    GraphNode* third = add("Mix");
    GraphNode* material = add("Material");
    NodeGraph* other = nodes.createEditor("Surface", "other", nullptr, nullptr);
    GraphNode* there = nodes.addNode(*other, "Mix", error);
    ASSERT_TRUE(connect(first, "Colour", second, "A"));
    ASSERT_TRUE(connect(second, "Colour", third, "A"));
    EXPECT_EQ(refusal(material, "Material", first, "B"),
              "cannot connect the material output \"Material\" of \"Material (1)\" to the colour "
              "input \"B\" of \"Mix (1)\"");
    EXPECT_NE(refusal(third, "Colour", first, "B")
                  .find("would make a cycle: \"Mix (3)\" already depends on \"Mix (1)\""),
              std::string::npos);
    EXPECT_NE(refusal(first, "Colour", first, "B").find("a node cannot feed itself"),
              std::string::npos);
    EXPECT_EQ(refusal(there, "Colour", first, "B"), "cannot connect nodes of different editors");
    // A name the node lacks is told with the names it has.
    EXPECT_EQ(refusal(first, "Nothing", second, "B"),
              "node \"Mix (1)\" has no output \"Nothing\" (its outputs: \"Colour\")");
    EXPECT_EQ(refusal(first, "Colour", second, "Color"),
              "node \"Mix (2)\" has no input \"Color\" (its inputs: \"A\", \"B\", \"Amount\")");
    EXPECT_EQ(refusal(first, "Colour", nullptr, "Nowhere"),
              "the root has no input \"Nowhere\" (it has no inputs)");
    EXPECT_EQ(first->input("B")->source, nullptr);
    EXPECT_EQ(nodes.addNode(*graph, "noSuchServer", error), nullptr);
    EXPECT_EQ(error.rfind("unknown node server \"noSuchServer\" (servers: ColourConstant, ", 0), 0u)
        << error;
}

TEST_F(NodeEditorTest, InputEventsTellConnectionReplacementDisconnectionAndRemoval) {
    GraphNode* a = add("ScalarConstant");
    GraphNode* b = add("VectorConstant");
    GraphNode* fake = add("fake");
    FakeNode* f = fakeOf(fake->instance);
    ASSERT_TRUE(connect(a, "Value", fake, "In"));
    ASSERT_TRUE(connect(b, "Vector", fake, "In"));  // replaces: 1 then 0
    nodes.removeNode(b);
    ASSERT_TRUE(connect(a, "Value", fake, "In"));
    NodeSystem::inputFuncs2()->disconnect(fake->id(), fake->input("In")->id());
    const std::vector<std::pair<int, int>> expected = {
        {LWNODE_EVENT_CONNECTED, LWNODE_SCALAR}, {LWNODE_EVENT_DISCONNECTED, LWNODE_SCALAR},
        {LWNODE_EVENT_CONNECTED, LWNODE_VECTOR}, {LWNODE_EVENT_SOURCE_REMOVED, LWNODE_VECTOR},
        {LWNODE_EVENT_CONNECTED, LWNODE_SCALAR}, {LWNODE_EVENT_DISCONNECTED, LWNODE_SCALAR}};
    EXPECT_EQ(f->events, expected);

    // Removing a node destroys its instance and its inputs.
    nodes.removeNode(fake);
    EXPECT_EQ(g_destroyed, 1);
    EXPECT_EQ(nodes.node(reinterpret_cast<NodeID>(fake)), nullptr);
}

TEST_F(NodeEditorTest, EveryEditCallsTheUpdateFunction) {
    const st_LWNodeEditorFuncs* ed = NodeSystem::editorFuncs();
    ed->setUpdateFunc(graph->id(), [](NodeEditorID editor) { g_updates.push_back(editor); });
    GraphNode* a = add("ScalarConstant");                   // 1
    GraphNode* fake = add("fake");                          // 2
    ASSERT_TRUE(connect(a, "Value", fake, "In"));           // 3
    EXPECT_TRUE(nodes.disconnect(fake->input("In")));       // 4
    EXPECT_FALSE(nodes.disconnect(fake->input("In")));      // nothing to do: no update
    nodes.instanceChanged(fake->instance);                  // 5
    EXPECT_TRUE(nodes.renameNode(*fake, "F", error));       // 6
    EXPECT_TRUE(setHostSetting(*a, "Value", {-2}, error));  // 7
    nodes.removeNode(a);                                    // 8
    EXPECT_EQ(g_updates.size(), 8u);
    for (NodeEditorID id : g_updates) EXPECT_EQ(id, graph->id());
}

TEST_F(NodeEditorTest, RenderCycleReachesEveryNodeThenTheRootAndReportsTheFirstError) {
    GraphNode* one = add("fake");
    GraphNode* two = add("fake");
    EXPECT_STREQ(nodes.renderInit(*graph, 1), "root says no");
    EXPECT_EQ(nodes.renderNewTime(*graph, 12, 0.4), nullptr);
    nodes.renderCleanup(*graph);
    const std::vector<std::string> expected = {"init 1", "newTime 12", "cleanup"};
    EXPECT_EQ(fakeOf(one->instance)->calls, expected);
    EXPECT_EQ(fakeOf(two->instance)->calls, expected);
    EXPECT_EQ(g_rootCalls, expected);
    EXPECT_STREQ(NodeSystem::editorFuncs()->init(graph->id(), 7), "init refused");
}

TEST_F(NodeEditorTest, EditorRecordKeepsStateAndChannelGroupAndRefusesADestroyedEditor) {
    const st_LWNodeEditorFuncs* ed = NodeSystem::editorFuncs();
    NodeEditorID id = graph->id();
    EXPECT_EQ(ed->getState(id), 1u);
    ed->setState(id, 0);
    EXPECT_FALSE(graph->enabled());
    ed->setState(id, 2u);
    EXPECT_TRUE(graph->enabled());
    EXPECT_EQ(ed->getState(id), 2u);
    nodes.setState(*graph, 0x30000u);
    EXPECT_FALSE(graph->enabled());  // only the low 16 bits enable
    auto group = reinterpret_cast<LWChanGroupID>(0x1234);
    ed->setEnvGroup(id, group);
    GraphNode* node = add("Mix");
    EXPECT_EQ(NodeSystem::nodeFuncs()->chanGrp(node->id()), group);

    // Scripts edit the editor whose window was opened last, while it lives.
    EXPECT_EQ(ed->OpenNodeEditor(id), 1);
    EXPECT_EQ(nodes.window(), graph);
    ed->destroy(id);
    EXPECT_EQ(nodes.editor(id), nullptr);
    EXPECT_EQ(nodes.window(), nullptr);
    // A destroyed editor's ID is refused, not followed.
    EXPECT_EQ(ed->getState(id), 0u);
    EXPECT_EQ(ed->addInput(id, LWNODE_SCALAR, "late", nullptr), nullptr);
    ed->destroy(nullptr);
}

TEST_F(NodeEditorTest, NodeNamesCountUpAndNodeFuncsClampColours) {
    GraphNode* node = add("Mix");
    GraphNode* second = add("Mix");
    EXPECT_EQ(second->name, "Mix (2)");
    nodes.removeNode(node);
    node = add("Mix");
    EXPECT_EQ(node->name, "Mix (1)");
    GraphNode* fake = add("fake");
    EXPECT_EQ(fake->name, "Fake (1)");
    // Names given are unique and plain; host settings only of host nodes, by token, count and
    // kind. Refusals change nothing and call no update.
    GraphNode* number = nodes.addNode(*graph, "IntegerConstant", error, "N");
    ASSERT_NE(number, nullptr) << error;
    const unsigned updates = graph->updates;
    EXPECT_EQ(nodes.addNode(*graph, "Mix", error, "N"), nullptr);
    for (const char* bad : {"", "a\nb", "N"}) EXPECT_FALSE(nodes.renameNode(*node, bad, error));
    const std::tuple<GraphNode*, const char*, std::vector<double>> refused[] = {
        {node, "Amount", {1, 2}},  {number, "Value", {1.5}}, {number, "Value", {3e9}},
        {node, "Amount", {1e300}}, {fake, "Value", {1}},     {node, "C", {1}}};
    for (const auto& [target, token, values] : refused)
        EXPECT_FALSE(setHostSetting(*target, token, values, error)) << token;
    EXPECT_EQ(graph->nodes.size(), 4u);
    EXPECT_EQ(graph->updates, updates);
    EXPECT_TRUE(hostSettings(*fake).empty());
    const LWNodeFuncs_t* nf = NodeSystem::nodeFuncs();
    int rgb[3] = {30, 300, -4};
    nf->setNodeColor(node->id(), rgb);
    EXPECT_EQ(node->colour, (std::array<int, 3>{{30, 255, 0}}));
    nf->setNodeColor3(node->id(), 1, -2, 256);
    EXPECT_EQ(node->colour, (std::array<int, 3>{{1, 0, 255}}));
}

TEST_F(NodeEditorTest, NodesAreFoundOnlyByTheirNamesNowAndFreedNumbersAreGivenAgain) {
    for (int i = 0; i < 4; ++i) add("Mix");
    auto named = [&](const char* name) { return graph->node(name); };
    // After each edit: names that find a node, names that no longer do, and the name the next
    // unnamed Mix gets (the lowest number free, whatever freed it).
    const struct {
        std::function<void()> edit;
        std::vector<const char*> found, gone;
        const char* next;
    } steps[] = {
        {[&] { nodes.removeNode(named("Mix (3)")); }, {"Mix (2)"}, {"Mix (3)"}, "Mix (3)"},
        {[&] { nodes.renameNode(*named("Mix (2)"), "Two", error); },
         {"Two"},
         {"Mix (2)"},
         "Mix (2)"},
        {[&] {
             nodes.removeNode(named("Mix (4)"));
             nodes.removeNode(named("Mix (1)"));
         },
         {"Two"},
         {"Mix (1)", "Mix (4)"},
         "Mix (1)"},
        {[&] { nodes.addNode(*graph, "Mix", error, "Mix (4)"); }, {"Mix (4)"}, {}, "Mix (5)"},
        {[&] { nodes.renameNode(*named("Two"), "Mix (6)", error); },
         {"Mix (6)"},
         {"Two"},
         "Mix (7)"},
        {[&] { lwhost::loadGraphText(*graph, "{ Node \"Mix\" \"Mix (9)\"\n}\n", 1, error); },
         {"Mix (9)"},
         {"Mix (2)", "Mix (6)"},
         "Mix (1)"},
    };
    for (const auto& step : steps) {
        step.edit();
        for (const char* name : step.found) EXPECT_NE(named(name), nullptr) << name;
        for (const char* name : step.gone) EXPECT_EQ(named(name), nullptr) << name;
        EXPECT_EQ(add("Mix")->name, step.next);
    }
    std::vector<std::string> order;
    for (const auto& node : graph->nodes) order.push_back(node->name);
    EXPECT_EQ(order, (std::vector<std::string>{"Mix (9)", "Mix (1)"}));
}

TEST_F(NodeEditorTest, RunawayNestingStopsAtTheDepthLimit) {
    // A ray node whose every ray shades the same graph again: without a limit this never ends.
    static GraphInput* s_root;
    static LWNodalAccess_t* s_access;
    static int s_rays;
    s_root = nodes.addRootInput(*graph, LWNODE_SCALAR, "Length", nullptr);
    s_access = &access;
    s_rays = 0;
    ASSERT_TRUE(connect(add("Ray"), "Length", nullptr, "Length"));
    access.wNorm[1] = 1.0;
    access.raySource[1] = 1.0;
    access.rayTrace = [](const double*, const double*, double*) -> double {
        ++s_rays;
        double length = 0.0;
        NodeSystem::evaluate(s_root, s_access, &length);
        return length + 1.0;
    };
    double length = 0.0;
    EXPECT_EQ(NodeSystem::evaluate(s_root, &access, &length), 1);
    EXPECT_EQ(s_rays, lwhost::kMaxEvaluationDepth);
    EXPECT_EQ(length, lwhost::kMaxEvaluationDepth);
}

TEST_F(NodeEditorTest, RenderThreadsEvaluateOneGraphAtOnce) {
    GraphNode* checker = add("Checker");
    GraphInput* root = nodes.addRootInput(*graph, LWNODE_SCALAR, "Value", nullptr);
    ASSERT_TRUE(connect(checker, "Value", nullptr, "Value"));
    std::vector<std::thread> threads;
    std::atomic<int> wrong{0};
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 2000; ++i) {
                LWNodalAccess_t sample{};
                sample.wPos[0] = (i + t) + 0.5;
                double v = -1.0;
                NodeSystem::evaluate(root, &sample, &v);
                if (v != static_cast<double>((i + t) % 2)) ++wrong;
            }
        });
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(wrong.load(), 0);
}

TEST_F(NodeEditorTest, EvaluatingAllocatesNothing) {
    // Conversions, a material, a chain, a checker and the plain C records all take part.
    GraphNode* checker = add("Checker");
    GraphNode* mix = add("Mix");
    GraphNode* material = add("Material");
    GraphNode* fake = add("fake");
    GraphNode* scalar = add("ScalarConstant");
    ASSERT_TRUE(connect(checker, "Colour", mix, "A"));
    ASSERT_TRUE(connect(checker, "Value", mix, "Amount"));
    ASSERT_TRUE(connect(mix, "Colour", material, "Diffuse Shading"));
    ASSERT_TRUE(connect(scalar, "Value", fake, "In"));
    ASSERT_TRUE(connect(fake, "Out", material, "Transparency"));
    GraphInput* m = nodes.addRootInput(*graph, LWNODE_MATERIAL, "Material", nullptr);
    GraphInput* i = nodes.addRootInput(*graph, LWNODE_INTEGER, "Override", nullptr);
    GraphInput* c = nodes.addRootInput(*graph, LWNODE_COLOUR, "Colour", nullptr);
    ASSERT_TRUE(connect(material, "Material", nullptr, "Material"));
    ASSERT_TRUE(connect(mix, "Colour", nullptr, "Override"));
    ASSERT_TRUE(connect(fake, "Out", nullptr, "Colour"));

    // The counter sees what it should: one plain allocation.
    alloc_counter::start();
    ::operator delete(::operator new(16));
    ASSERT_EQ(alloc_counter::stop(), 1);

    double sink = 0.0;
    alloc_counter::start();
    for (int n = 0; n < 10000; ++n) {
        access.wPos[0] = n * 0.37;
        double mv[LWNODE_MATERIAL_DOUBLES];
        int iv = 0;
        double cv[3];
        NodeSystem::inputFuncs()->evaluate(m->id(), &access, mv);
        NodeSystem::evaluate(i, &access, &iv);
        NodeSystem::evaluate(c, &access, cv);
        sink += mv[0] + iv + cv[0];
    }
    EXPECT_EQ(alloc_counter::stop(), 0);
    EXPECT_GT(sink, 0.0);
}

TEST_F(NodeEditorTest, InputAndOutputRecordsWalkTheirListsFromOneAndHandOutTheValueBuffer) {
    const LWNodeInputFuncs_t* in = NodeSystem::inputFuncs2();
    const LWNodeOutputFuncs_t* out = NodeSystem::outputFuncs();
    GraphNode* mix = add("Mix");          // inputs "A", "B", "Amount"
    GraphNode* checker = add("Checker");  // outputs "Colour", "Value"
    const NodeID m = mix->id(), c = checker->id();
    auto inName = [&](NodeInputID i) { return std::string(i ? in->name(i) : "-"); };
    auto outName = [&](NodeOutputID o) { return std::string(o ? out->name(o) : "-"); };
    const std::pair<NodeInputID, const char*> inputs[] = {{in->first(m), "A"},
                                                          {in->byIndex(m, 3), "Amount"},
                                                          {in->next(in->first(m)), "B"},
                                                          {in->previous(in->byIndex(m, 2)), "A"},
                                                          {in->byIndex(m, 0), "-"},
                                                          {in->byIndex(m, 4), "-"},
                                                          {in->next(in->byIndex(m, 3)), "-"},
                                                          {in->previous(in->first(m)), "-"}};
    for (const auto& [got, want] : inputs) EXPECT_EQ(inName(got), want);
    const std::pair<NodeOutputID, const char*> outputs[] = {
        {out->first(c), "Colour"},           {out->byIndex(c, 2), "Value"},
        {out->next(out->first(c)), "Value"}, {out->previous(out->byIndex(c, 2)), "Colour"},
        {out->byIndex(c, 3), "-"},           {out->next(out->byIndex(c, 2)), "-"}};
    for (const auto& [got, want] : outputs) EXPECT_EQ(outName(got), want);
    EXPECT_EQ(in->numInputs(m), 3);
    EXPECT_EQ(out->numInputs(c), 2);
    const NodeInputID b = mix->input("B")->id();
    EXPECT_EQ(in->getIndex(m, b), 2);
    EXPECT_EQ(in->getIndex(c, b), 0);  // not the checker's
    EXPECT_EQ(out->getIndex(c, checker->output("Value")->id()), 2);
    EXPECT_EQ(in->node(b), m);
    EXPECT_EQ(out->node(out->first(c)), c);

    // Root inputs: no node; indexes and neighbours among the root's inputs.
    GraphInput* whole = nodes.addRootInput(*graph, LWNODE_INTEGER, "Whole", nullptr);
    GraphInput* amount = nodes.addRootInput(*graph, LWNODE_SCALAR, "Amount", nullptr);
    EXPECT_EQ(in->node(amount->id()), nullptr);
    EXPECT_EQ(in->getIndex(nullptr, amount->id()), 2);
    EXPECT_EQ(in->next(whole->id()), amount->id());

    // Connections: seen from the input, and cut only through the input's own node.
    ASSERT_TRUE(connect(checker, "Colour", mix, "B"));
    EXPECT_EQ(in->connectedOutput(b), out->first(c));
    EXPECT_EQ(in->check(b), 1);
    in->disconnect(c, b);
    EXPECT_EQ(in->check(b), 1);
    in->disconnect(m, b);
    EXPECT_EQ(in->check(b), 0);
    EXPECT_EQ(in->connectedOutput(b), nullptr);

    // A node writing through getValue: straight into a scalar, converted into an integer.
    GraphNode* inPlace = add("inPlace");
    ASSERT_TRUE(connect(inPlace, "Out", nullptr, "Whole"));
    ASSERT_TRUE(connect(inPlace, "Out", nullptr, "Amount"));
    int integer = 0;
    double scalar = 0.0;
    EXPECT_EQ(in->evaluate(whole->id(), &access, &integer), 1);
    EXPECT_EQ(in->evaluate(amount->id(), &access, &scalar), 1);
    EXPECT_EQ(integer, 3);  // 2.5 rounded away from zero
    EXPECT_EQ(scalar, 2.5);
    in->disconnect(nullptr, amount->id());
    EXPECT_EQ(amount->source, nullptr);
}

TEST_F(NodeEditorTest, EditorRecordRenamesCopiesRemovesRootInputsAndAsksTheAutosizeFunction) {
    const st_LWNodeEditorFuncs* ed = NodeSystem::editorFuncs();
    const NodeEditorID id = graph->id();
    ed->rename("Renamed", id);
    EXPECT_EQ(graph->title, "Renamed");
    ed->setUserData(id, &error);
    EXPECT_EQ(ed->getUserData(id), &error);
    const NodeInputID colour = ed->addInput(id, LWNODE_COLOUR, "Colour", nullptr);
    const NodeInputID amount = ed->addInput(id, LWNODE_SCALAR, "Amount", nullptr);
    EXPECT_EQ(ed->getInputByName(id, "Amount"), amount);
    EXPECT_EQ(ed->getInputByName(id, "None"), nullptr);
    EXPECT_EQ(ed->getInputByIndex(id, 1), colour);
    EXPECT_EQ(ed->getInputByIndex(id, 3), nullptr);

    GraphNode* checker = add("Checker");
    ASSERT_TRUE(connect(checker, "Colour", nullptr, "Colour"));
    const NodeEditorID copy = ed->create("Surface", "copy", nullptr, nullptr);
    ed->addInput(copy, LWNODE_COLOUR, "Colour", nullptr);
    EXPECT_EQ(ed->copy(copy, id), nullptr);
    EXPECT_EQ(ed->numberOfNodes(copy), 1);
    EXPECT_NE(nodes.editor(copy)->rootInput("Colour")->source, nullptr);
    // A graph the target cannot hold (no root input "Colour") is refused whole.
    const NodeEditorID bare = ed->create("Surface", "bare", nullptr, nullptr);
    EXPECT_NE(ed->copy(bare, id), nullptr);
    EXPECT_EQ(ed->numberOfNodes(bare), 0);

    // Removing a connected root input is an edit; an unconnected one is not.
    ed->setUpdateFunc(id, [](NodeEditorID editor) { g_updates.push_back(editor); });
    ed->remInput(id, colour);
    ed->remInput(id, amount);
    EXPECT_EQ(g_updates.size(), 1u);
    EXPECT_EQ(ed->getInputByIndex(id, 1), nullptr);
    EXPECT_EQ(checker->output("Colour")->firstTarget, nullptr);

    // Autosize: the editor's function answers for its nodes; without one, unit scale at 0.
    const LWNodeUtilityFuncs_t* ut = NodeSystem::utilityFuncs();
    double scale[3] = {9, 9, 9}, position[3] = {9, 9, 9};
    ut->NodeAutosize(checker->id(), scale, position);
    EXPECT_EQ(scale[1], 1.0);
    EXPECT_EQ(position[1], 0.0);
    ed->setAutosize(id, [](NodeEditorID, double s[3], double p[3]) {
        for (int i = 0; i < 3; ++i) s[i] = 2.0, p[i] = -1.0;
        return 1;
    });
    ut->NodeAutosize(checker->id(), scale, position);
    EXPECT_EQ(scale[2], 2.0);
    EXPECT_EQ(position[0], -1.0);
}

TEST(NodeUtilityTest, MappingsBlendingAndTheCameraMatrix) {
    lwhost::Host host;
    lwhost::Scene scene;
    lwhost::SceneGlobals globals(host, scene);
    const LWNodeUtilityFuncs_t* ut = NodeSystem::utilityFuncs();
    using Mapping = void (*)(double*, int, double*, double*);
    const struct {
        Mapping map;
        std::array<double, 3> p;
        int axis;
        double u, v;
    } mappings[] = {
        {ut->PlanarMapping, {0.25, -0.5, 1}, 0, 1.5, 0.0},
        {ut->PlanarMapping, {0.25, -0.5, 1}, 1, 0.75, 1.5},
        {ut->PlanarMapping, {0.25, -0.5, 1}, 2, 0.75, 0.0},
        {ut->CubicMapping, {0.25, -0.5, 1}, 0, 0.75, 0.0},  // Z: the largest component
        {ut->CylindricalMapping, {1, 0.25, 0}, 1, 0.25, 0.75},
        {ut->SphericalMapping, {0, 1, 0}, 1, 0.0, 1.0},
        {ut->SphericalMapping, {0, -1, 0}, 2, 0.5, 0.5},
    };
    for (const auto& m : mappings) {
        std::array<double, 3> p = m.p;
        double u = -1, v = -1;
        m.map(p.data(), m.axis, &u, &v);
        EXPECT_DOUBLE_EQ(u, m.u) << p[0] << " " << p[1] << " " << p[2] << " axis " << m.axis;
        EXPECT_DOUBLE_EQ(v, m.v) << p[0] << " " << p[1] << " " << p[2] << " axis " << m.axis;
    }
    double d[3] = {1, 0, 0}, u = -1, v = -1;
    ut->ReflectionMapping(0.0, d, &u, &v);
    EXPECT_DOUBLE_EQ(u, 0.25);
    EXPECT_DOUBLE_EQ(v, 0.5);

    double bg[3] = {0, 0, 0}, fg[3] = {1, 2, 4};
    ut->Blend(bg, bg, fg, 0.25, LWNODE_BLEND_NORMAL);
    EXPECT_EQ((std::array<double, 3>{{bg[0], bg[1], bg[2]}}),
              (std::array<double, 3>{{0.25, 0.5, 1}}));

    // A 90 degree camera 5 units behind the origin: x / z and y * aspect / z across the frame.
    lwhost::CameraData lens;
    lens.fieldOfView = 90;
    const LWItemID camera = scene.addCamera("Camera", lens);
    scene.item(camera)->transform.position = {0, 0, -5};
    double m[4][4];
    ut->BuildCameraMatrix(0.0, camera, m);
    const struct {
        std::array<double, 3> p;
        double aspect, u, v;
    } projected[] = {
        {{1, 0, 0}, 1.0, 0.6, 0.5}, {{0, 1, 0}, 2.0, 0.5, 0.7}, {{0, 0, -6}, 1.0, 0, 0}};
    for (const auto& f : projected) {
        std::array<double, 3> p = f.p;
        ut->FrontMapping(p.data(), f.aspect, &u, &v, m);
        EXPECT_NEAR(u, f.u, 1e-12) << p[0] << " " << p[1] << " " << p[2];
        EXPECT_NEAR(v, f.v, 1e-12) << p[0] << " " << p[1] << " " << p[2];
    }
    ut->BuildCameraMatrix(0.0, LWITEM_NULL, m);
    EXPECT_EQ(m[0][0] + m[1][1] + m[2][2] + m[3][3] + m[0][3], 4.0);  // the identity
    EXPECT_EQ(ut->UVMapping("Texture", nullptr, &u, &v), 0);
}

}  // namespace
