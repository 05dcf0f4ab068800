// The light group node through the real host: which lights the nodes upstream of it see for each
// filter, nesting, pass through, the access record left as it was, its panel, its blocks, and
// the host's item calls.
//
// Upstream of the node sits "Light Probe", an in-process node server of this test: "Colour" is
// an ambient kAmbient plus the sum, over the lights of g_lights, of what the access record's
// illumination function (of the form g_form) reports at the sample; "Material" carries the same
// colour in its first three values.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "alloc_counter.h"
#include "bundle_fixtures.h"

namespace {

using bundle_test::Kind;
using lwhost::GraphNode;
using lwhost::NodeSystem;
using Colour = std::array<double, 3>;

constexpr unsigned kFilterBy = 0x9000, kPassThrough = 0x9001, kFilterText = 0x9003, kPick = 0x9005,
                   kAbout = 0x9009;
constexpr double kAmbient = 0.0625;

// ---- the probe -------------------------------------------------------------------------------

std::vector<LWItemID> g_lights;
int g_form = 0;  // 0 illuminate, 1 illuminateNormal, 2 illuminateSample, 3 the normal sample form
std::atomic<int> g_colourCalls{0}, g_materialCalls{0};

int addSample(void* data, LWItemID, const double*, const double* colour) {
    for (int k = 0; k < 3; ++k) static_cast<double*>(data)[k] += colour[k];
    return 1;
}

void probeEvaluate(LWInstance instance, LWNodalAccess_t* a, NodeOutputID output, NodeValue value) {
    double sum[LWNODE_MATERIAL_DOUBLES] = {kAmbient, kAmbient, kAmbient};
    for (LWItemID light : g_lights) {
        double direction[3], colour[3] = {0, 0, 0};
        if (g_form == 0) a->illuminate(light, a->wPos, direction, colour);
        if (g_form == 1)
            a->illuminateNormal(light, a->render, a->wPos, direction, a->wNorm, colour);
        if (g_form == 2) a->illuminateSample(light, a->wPos, direction, addSample, colour);
        if (g_form == 3)
            a->illuminateSampleNormal(light, a->render, a->wPos, a->wNorm, addSample, colour);
        for (int k = 0; k < 3; ++k) sum[k] += colour[k];
    }
    const auto* colourOutput = static_cast<const GraphNode*>(instance)->outputs.front().get();
    ++(lwhost::GraphOutput::from(output) == colourOutput ? g_colourCalls : g_materialCalls);
    NodeSystem::setValue(value, sum);
}
LWInstance probeCreate(void*, void* context, LWError*) {
    GraphNode* node = GraphNode::from(static_cast<NodeID>(context));
    node->graph->system->addOutput(*node, LWNODE_COLOUR, "Colour");
    node->graph->system->addOutput(*node, LWNODE_MATERIAL, "Material");
    return node;
}
int probeActivate(long version, LWGlobalFunc, void* local, void*) {
    if (version != LWNODE_VERSION) return LWACTIVATE_BADVERSION;
    auto* handler = static_cast<st_LWNodeHandler*>(local);
    if (handler->inst)
        *handler->inst = {nullptr, probeCreate, [](LWInstance) {}, nullptr, nullptr,
                          nullptr, nullptr};
    handler->evaluate = probeEvaluate;
    return LWACTIVATE_OK;
}

class LightGroupNodeTest : public bundle_test::GraphTest {
  protected:
    LightGroupNodeTest() {
        h.host.nodes().addServer("LightProbe", "Light Probe", &probeActivate);
        h.scene.item(key)->comments = {"mood warm"};
        g_lights = {key, fill, rim};
        bundle_test::fakeLights = {{key, {0.5, 0, 0}}, {fill, {0, 0.5, 0}}, {rim, {0, 0, 0.5}}};
        g_form = 0;
        access = bundle_test::fakeAccess();
    }

    GraphNode* group(const std::string& settings = "") {
        return chain({make("qrvLightGroup", settings)});
    }
    // The node's "Colour" less the ambient: the light that reached the probe, with the scene's
    // group pushed `pushes` times around the evaluation, as the override pushes it.
    Colour lit(GraphNode* node, int pushes = 0) {
        std::vector<void*> handles;
        for (int i = 0; i < pushes; ++i)
            handles.push_back(h.table->ns_pushGlobalLightGroup(&access));
        double c[3] = {-1, -1, -1};
        evaluate(node, "Colour", c);
        for (; !handles.empty(); handles.pop_back())
            h.table->ns_popGlobalLightGroup(handles.back());
        EXPECT_TRUE(bundle_test::holdsFakes(access)) << "the access record is left as it was";
        return {c[0] - kAmbient, c[1] - kAmbient, c[2] - kAmbient};
    }
    // Sets the scene's group from its blocks (a node must hold the services first); new time.
    void setGroup(const std::string& blocks) {
        lwhost::MemoryLoadState state(blocks, LWIO_ASCII);
        EXPECT_EQ(h.table->ns_lg_load(state.record()), nullptr);
        EXPECT_EQ(h.table->ns_lg_newTime(1, 0.0), 0);
    }
    // The probe feeding the first node, each node feeding the next; new time for all.
    GraphNode* chain(const std::vector<GraphNode*>& nodes) {
        GraphNode* from = make("LightProbe");
        for (GraphNode* node : nodes) {
            connect(from, "Colour", node, "Colour");
            newTime(node);
            from = node;
        }
        return from;
    }
    // The first n items the node says it uses (its list ends in a null ID).
    std::vector<LWItemID> used(GraphNode* node, size_t n) {
        const LWItemID* items = node->server->item.useItems(node->instance);
        EXPECT_NE(items, nullptr);
        return items ? std::vector<LWItemID>(items, items + n) : std::vector<LWItemID>(n);
    }

    LWItemID key = h.scene.addLight("Key"), fill = h.scene.addLight("Fill"),
             rim = h.scene.addLight("Rim");
};

const std::string kByName = "FilterType 2\n{ Filter\n  FilterString \"Key|Rim\"\n}\n";

TEST_F(LightGroupNodeTest, EachOutputPassesOnlyItsOwnInputAndUnconnectedInputsGiveZero) {
    GraphNode* node = make("qrvLightGroup", kByName);
    EXPECT_EQ(lit(node), (Colour{-kAmbient, -kAmbient, -kAmbient})) << "black";
    double material[LWNODE_MATERIAL_DOUBLES];
    for (double& m : material) m = -1;
    evaluate(node, "Material", material);
    for (double m : material) EXPECT_EQ(m, 0.0);

    chain({node});
    connect(make("LightProbe"), "Material", node, "Material");
    g_colourCalls = g_materialCalls = 0;
    evaluate(node, "Material", material);
    EXPECT_EQ(g_colourCalls, 0);
    EXPECT_EQ(g_materialCalls, 1);
    EXPECT_EQ(Colour({material[0], material[1], material[2]}),
              (Colour{0.5 + kAmbient, kAmbient, 0.5 + kAmbient}))
        << "Fill is not in the group";
    lit(node);
    EXPECT_EQ(g_colourCalls, 1);
    EXPECT_EQ(g_materialCalls, 1);
}

TEST_F(LightGroupNodeTest, EveryFilterKindRestrictsTheLightsInEveryIlluminationForm) {
    struct Case {
        std::string settings;
        Colour expected;
    };
    const Case cases[] = {
        {"", {0.5, 0.5, 0.5}},                           // "none": every light
        {kByName, {0.5, 0, 0.5}},                        // "Light Name"
        {"PassThrough 1\n" + kByName, {0.5, 0.5, 0.5}},  // as if it were not there
        {"FilterType 3\n{ Filter\n  FilterString \"mood *\"\n}\n", {0.5, 0, 0}},  // comment
        {"FilterType 2\n{ Filter\n  FilterString \"nothing\"\n}\n", {0, 0, 0}},   // ambient stays
        {"FilterType 1\n", {0, 0, 0}},                                            // nothing picked
        {"FilterType 99\n", {0.5, 0.5, 0.5}},  // no such filter: no restriction
    };
    for (const Case& c : cases) {
        GraphNode* node = group(c.settings);
        for (g_form = 0; g_form < 4; ++g_form)
            EXPECT_EQ(lit(node), c.expected) << c.settings << " form " << g_form;
        g_form = 0;
    }
}

TEST_F(LightGroupNodeTest, ListPickedInThePanelFollowsRenumberingWhileAnotherFilterIsShown) {
    GraphNode* node = group("FilterType 1\n");
    queue(Kind::Press, "Deselect All");
    for (const char* name : {"Rim", "Key"}) {
        queue(Kind::Click, "Unselected", name);
        queue(Kind::Press, "Select");
    }
    queue(Kind::Press, "Ok");
    ASSERT_TRUE(panel(node).click(kPick)) << panel(node).lastError();
    newTime(node);
    EXPECT_EQ(lit(node), (Colour{0.5, 0, 0.5}));
    EXPECT_EQ(used(node, 3), (std::vector<LWItemID>{key, rim, LWITEM_NULL}));

    // The host renumbers while another filter is shown; the list follows all the same.
    ASSERT_TRUE(panel(node).setInt(kFilterBy, 2));
    std::map<LWItemID, LWItemID> ids = renumberNodes();
    EXPECT_EQ(used(node, 1), std::vector<LWItemID>{LWITEM_NULL})
        << "only the current filter's items are in use";
    ASSERT_TRUE(panel(node).setInt(kFilterBy, 1));
    const std::vector<LWItemID> now = used(node, 2);
    EXPECT_EQ(std::set<LWItemID>(now.begin(), now.end()), (std::set<LWItemID>{ids[key], ids[rim]}));
}

TEST_F(LightGroupNodeTest, BlocksRoundTripAndAFileWithoutAFilterLeavesTheFiltersAlone) {
    GraphNode* node = group("PassThrough 1\n" + kByName);
    const std::string text = saved(node);
    EXPECT_EQ(text.find("PassThrough 1"), 0u) << text;
    EXPECT_LT(text.find("FilterType 2"), text.find("FilterString \"Key|Rim\""));
    EXPECT_EQ(saved(group(text)), text);

    GraphNode* none = group("FilterType 0\nInvert 1\n");
    const std::string plain = saved(none);
    EXPECT_EQ(plain.find("Filter\n"), std::string::npos) << "nothing to nest: " << plain;
    EXPECT_EQ(plain.find("Invert"), std::string::npos);
    lwhost::XPanel& p = panel(none);
    for (int type : {1, 2, 3}) {
        ASSERT_TRUE(p.setInt(kFilterBy, type));
        EXPECT_EQ(p.value(kFilterText).s, "") << type;
    }

    GraphNode* copy = group();
    ASSERT_EQ(copy->server->inst.copy(copy->instance, node->instance), nullptr);
    EXPECT_EQ(saved(copy), text);
    lwhost::XPanel& source = panel(node);
    ASSERT_TRUE(source.setInt(kPassThrough, 0));
    ASSERT_TRUE(source.setString(kFilterText, "Fill")) << source.lastError();
    EXPECT_EQ(saved(copy), text) << "the copy has filters of its own";
}

TEST_F(LightGroupNodeTest, PanelFollowsFilterByAndPassThroughAndPickWritesThePattern) {
    GraphNode* node = group();
    lwhost::XPanel& p = panel(node);
    EXPECT_FALSE(p.enabled(kFilterText).enabled);
    EXPECT_FALSE(p.enabled(kPick).enabled);
    ASSERT_TRUE(p.setInt(kFilterBy, 3));
    EXPECT_TRUE(p.enabled(kFilterText).enabled);
    EXPECT_FALSE(p.enabled(kPick).enabled) << "no picker for comments";
    ASSERT_TRUE(p.setString(kFilterText, "mood*"));
    ASSERT_TRUE(p.setInt(kFilterBy, 1));
    EXPECT_TRUE(p.enabled(kPick).enabled);
    EXPECT_EQ(p.value(kFilterText).s, "") << "the list shows no pattern";
    ASSERT_TRUE(p.setInt(kFilterBy, 2));
    ASSERT_TRUE(p.setString(kFilterText, "Key"));

    queue(Kind::Click, "", "Rim");
    queue(Kind::Press, "Append");
    ASSERT_TRUE(p.click(kPick)) << p.lastError();
    EXPECT_EQ(p.value(kFilterText).s, "Key|Rim");
    newTime(node);
    EXPECT_EQ(lit(node), (Colour{0.5, 0, 0.5}));
    ASSERT_TRUE(p.setInt(kFilterBy, 3));
    EXPECT_EQ(p.value(kFilterText).s, "mood*") << "each filter keeps its settings";

    ASSERT_TRUE(p.setInt(kPassThrough, 1));
    EXPECT_EQ(p.enabled(kFilterBy).message, "This node is set to pass through");
    EXPECT_FALSE(p.enabled(kFilterText).enabled);
    EXPECT_TRUE(p.enabled(kAbout).enabled);
}

// ---- the global light group node ---------------------------------------------------------

constexpr unsigned kEdit = 0x9005;

using GlobalLightGroupNodeTest = LightGroupNodeTest;

const std::string kKeyAndFill = "FilterType 2\n{ Filter\n  FilterString \"Key|Fill\"\n}\n";

// The group lets Key and Fill through, the light group node Key and Rim: nested either way
// only Key passes, and pushing the group again, however deep, restricts nothing more.
TEST_F(GlobalLightGroupNodeTest, NestedGroupsPassOnlyLightsOfEveryGroupAndEveryNestingEnds) {
    auto global = [&](const std::string& settings = "") {
        return make("qrvGlobalLightGroup", settings);
    };
    auto named = [&] { return make("qrvLightGroup", kByName); };
    const Colour keyFill{0.5, 0.5, 0}, keyOnly{0.5, 0, 0}, all{0.5, 0.5, 0.5};
    struct Case {
        const char* what;
        GraphNode* node;
        int pushes;
        Colour expected;
    };
    GraphNode* alone = chain({global()});
    setGroup(kKeyAndFill);
    const Case cases[] = {
        {"node alone", alone, 0, keyFill},
        {"passed through", chain({global("PassThrough 1\n")}), 0, all},
        {"inside the override's push", alone, 1, keyFill},
        {"deeper than the per-thread records", alone, 40, keyFill},
        {"light group inside it", chain({named(), global()}), 0, keyOnly},
        {"inside a light group", chain({global(), named()}), 0, keyOnly},
        {"inside itself, inside the push", chain({global(), global()}), 1, keyFill},
        {"light group under the push alone", chain({named()}), 1, keyOnly},
    };
    for (const Case& c : cases)
        for (g_form = 0; g_form < 4; ++g_form)
            EXPECT_EQ(lit(c.node, c.pushes), c.expected) << c.what << " form " << g_form;
    g_form = 0;
    setGroup("FilterType 0\nUseByLV 1\n");
    EXPECT_EQ(lit(alone, 1), all) << "\"none\" restricts nothing";
}

// A group block that cannot be read whole changes nothing; a "Filter" stored before its
// "FilterType" belongs to that type all the same.
TEST_F(GlobalLightGroupNodeTest, GroupBlocksLoadWholeOrNotAtAllInAnyOrder) {
    GraphNode* node = chain({make("qrvGlobalLightGroup")});
    const std::string onlyRim = "{ Filter\n  FilterString \"Rim\"\n}\n";
    const Colour keyFill{0.5, 0.5, 0};
    const struct {
        const char* what;
        std::string blocks;
        bool loads;
        Colour expected;
    } cases[] = {
        {"unreadable type", "FilterType abc\n", false, keyFill},
        {"switch without a value", "FilterType 2\n" + onlyRim + "UseByLV\n", false, keyFill},
        {"pattern without a value", "FilterType 2\n{ Filter\n  FilterString\n}\n", false, keyFill},
        {"filter before its type", onlyRim + "UseByLV 1\nFilterType 2\n", true, {0, 0, 0.5}},
    };
    for (const auto& c : cases) {
        setGroup(kKeyAndFill);
        lwhost::MemoryLoadState state(c.blocks, LWIO_ASCII);
        EXPECT_EQ(h.table->ns_lg_load(state.record()) == nullptr, c.loads) << c.what;
        h.table->ns_lg_newTime(1, 0.0);
        EXPECT_EQ(lit(node), c.expected) << c.what;
        EXPECT_EQ(h.table->ns_usesGlobalLightGroup(), c.loads ? 1 : 0) << c.what;
    }
}

// Each render thread allocates on its first sample at most; after that a sample through a light
// group node, a global light group node and the override's push allocates nothing.
TEST_F(GlobalLightGroupNodeTest, SamplesAllocateNothingAfterEachThreadsFirst) {
    GraphNode* top = chain({make("qrvLightGroup", kByName), make("qrvGlobalLightGroup")});
    setGroup(kKeyAndFill);
    lwhost::GraphInput* colour = root(top, "Colour");
    auto sample = [&](LWNodalAccess_t& record) {
        void* handle = h.table->ns_pushGlobalLightGroup(&record);
        double c[3];
        NodeSystem::evaluate(colour, &record, c);
        h.table->ns_popGlobalLightGroup(handle);
        return c[0] == 0.5 + kAmbient && c[1] == kAmbient && c[2] == kAmbient;
    };
    std::atomic<long> allocations{0};
    std::atomic<int> right{0};
    auto work = [&] {
        LWNodalAccess_t record = access;
        right += sample(record);
        alloc_counter::Scope count;
        for (int i = 0; i < 100; ++i) right += sample(record);
        allocations += count.stop();
    };
    std::thread a(work), b(work);
    a.join();
    b.join();
    EXPECT_EQ(allocations, 0);
    EXPECT_EQ(right, 202);
}

TEST_F(GlobalLightGroupNodeTest, PanelEditsTheOneGroupAndPassThroughIsStored) {
    GraphNode* node = chain({make("qrvGlobalLightGroup")});
    lwhost::XPanel& p = panel(node);

    // The node's button opens the group's panel; what is chosen there is what the node applies.
    h.host.xpanels().setModalDriver([](lwhost::XPanel& group) {
        EXPECT_TRUE(group.setInt(kFilterBy, 2));
        EXPECT_TRUE(group.setString(kFilterText, "Rim"));
        return 1;
    });
    ASSERT_TRUE(p.click(kEdit)) << p.lastError();
    newTime(node);
    EXPECT_EQ(lit(node), (Colour{0, 0, 0.5}));

    ASSERT_TRUE(p.setInt(kPassThrough, 1));
    EXPECT_EQ(p.enabled(kEdit).message, "This node is set to pass through");
    EXPECT_EQ(lit(node), (Colour{0.5, 0.5, 0.5}));
    const std::string text = saved(node);
    EXPECT_EQ(text, "PassThrough 1\n");
    GraphNode* copy = make("qrvGlobalLightGroup");
    ASSERT_EQ(copy->server->inst.copy(copy->instance, node->instance), nullptr);
    EXPECT_EQ(saved(copy), text);
    EXPECT_EQ(saved(make("qrvGlobalLightGroup", text)), text);
}

}  // namespace
