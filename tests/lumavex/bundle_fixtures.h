// What the bundle's tests share: the bundle in the real host with a scene, its services table
// acquired through the host's globals (so through its "Global" server fallback), the override
// graph, a surface graph for the nodes under test, block text, queued user actions, fake
// illumination and the host's renumbering.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <vexo/server.h>
#include <vexo/shading.h>
#include "lwhost/core/handles.h"
#include "lwhost/core/host.h"
#include "lwhost/io/blockio.h"
#include "lwhost/nodes/nodes.h"
#include "lwhost/scene/scene.h"
#include "lwhost/scene/scene_globals.h"
#include "lwhost/session/session.h"
#include "lwhost/ui/dialogs.h"
#include "lwhost/ui/xpanel.h"

#include <array>
#include <map>
#include <string>
#include <vector>

#include "test_paths.h"

// Handles as the host makes them, for samples filled by hand: an item's key, a point's or a
// polygon's index + 1.
inline LWItemID itemHandle(uint32_t key) {
    return lwhost::handleOf<LWItemID>(key);
}
inline LWPntID pointHandle(uint32_t indexPlusOne) {
    return lwhost::handleOf<LWPntID>(indexPlusOne);
}
inline LWPolID polygonHandle(uint32_t indexPlusOne) {
    return lwhost::handleOf<LWPolID>(indexPlusOne);
}

namespace override_test {

inline lwhost::HostIdentity version(unsigned major, unsigned minor, unsigned systemType = 0) {
    return {major, minor, 0, systemType, 0x0001};
}

// A node of the server in `graph`, its settings read from block text.
inline lwhost::GraphNode* addNode(lwhost::Host& host, lwhost::NodeGraph& graph,
                                  const std::string& server, const std::string& settings = "") {
    std::string error;
    lwhost::GraphNode* n = host.nodes().addNode(graph, server, error);
    EXPECT_NE(n, nullptr) << error;
    if (n && !settings.empty()) {
        lwhost::MemoryLoadState state(settings, LWIO_ASCII);
        EXPECT_EQ(n->server->inst.load(n->instance, state.record()), nullptr);
        EXPECT_FALSE(state.damaged()) << state.error();
    }
    return n;
}

// The node's panel, made through its interface server.
inline lwhost::XPanel& nodePanel(lwhost::Host& host, lwhost::GraphNode* node) {
    st_LWInterface local{node->instance, nullptr, nullptr, nullptr};
    EXPECT_EQ(host.activate(LWNODE_ICLASS, node->server->name, 4, &local), LWACTIVATE_OK);
    lwhost::XPanel* p = host.xpanels().find(local.panel);
    EXPECT_NE(p, nullptr);
    return *p;
}

// A host with the bundle and a scene. The table is acquired but not subscribed to.
class OverrideHost {
  public:
    explicit OverrideHost(const lwhost::HostIdentity& identity = lwhost::HostIdentity())
        : session(identity) {
        lwhost::LoadResult result;
        module = host.loadModule(lumavexModule(), result);
        EXPECT_NE(module, nullptr) << result.message;
        table = static_cast<qrvNodalShadingFuncs*>(
            host.globals().request(QRV_SHADING_GLOBAL, LWGLOBAL_ACQUIRE));
    }
    ~OverrideHost() {
        if (table) host.globals().request(QRV_SHADING_GLOBAL, LWGLOBAL_RELEASE);
        host.nodes().destroyHostEditors();
        host.unloadModules();
    }

    // Adds the bundle's master plug-in to the scene's master list (no instance is needed for
    // the services to find it).
    void addMaster(bool disabled = false, const std::string& server = "qrvLumavex") {
        scene.masters().push_back({server, disabled, {}});
    }

    lwhost::NodeGraph* graph() {
        return host.nodes().findEditor("lumavex: Global Surface Override");
    }

    // A node of the server in the override graph, its settings read from block text.
    lwhost::GraphNode* node(const std::string& server, const std::string& settings = "") {
        return addNode(host, *graph(), server, settings);
    }
    // Feeds a root input from the node's output (its first by default).
    void feed(const std::string& input, lwhost::GraphNode* from, const std::string& output = "") {
        lwhost::GraphOutput* out =
            output.empty() ? from->outputs.front().get() : from->output(output);
        std::string error;
        ASSERT_TRUE(host.nodes().connect(out, graph()->rootInput(input), error))
            << input << ": " << error;
    }
    void feedScalar(const std::string& input, double value) {
        feed(input, node("ScalarConstant", "Value " + std::to_string(value) + "\n"));
    }
    void feedColour(const std::string& input, double r, double g, double b) {
        feed(input, node("ColourConstant", "Colour " + std::to_string(r) + " " + std::to_string(g) +
                                               " " + std::to_string(b) + "\n"));
    }
    void feedInteger(const std::string& input, int value) {
        feed(input, node("IntegerConstant", "Value " + std::to_string(value) + "\n"));
    }

    lwhost::Session session;
    lwhost::Host& host = session.host();
    lwhost::Scene& scene = session.scene();
    lwhost::Module* module = nullptr;
    qrvNodalShadingFuncs* table = nullptr;
};

}  // namespace override_test

namespace bundle_test {

using Kind = lwhost::UserAction::Kind;

// Queues a user action for the host's next dialog: a row by its text, or by index when >= 0.
inline void queue(lwhost::Host& host, Kind kind, const std::string& control = "",
                  const std::string& row = "", int rowIndex = -1, int qualifiers = 0) {
    lwhost::UserAction a;
    a.kind = kind;
    a.control = control;
    a.row = row;
    a.rowIndex = rowIndex;
    a.qualifiers = qualifiers;
    a.text = control;
    host.dialogs().queue(a);
}

// A frame object's blocks as text, and read back from text.
template <class T>
std::string saveText(T& object) {
    lwhost::MemorySaveState state(LWIO_ASCII);
    EXPECT_EQ(object.Save(vexo::SaveState(state.record())), nullptr);
    state.finish();
    return state.bytes();
}
template <class T>
void loadText(T& object, const std::string& text) {
    lwhost::MemoryLoadState state(text, LWIO_ASCII);
    EXPECT_EQ(object.Load(vexo::LoadState(state.record())), nullptr);
    EXPECT_FALSE(state.failed()) << state.error();
}

// Fake illumination functions, reporting as the host's would: each light of fakeLights shines its
// colour straight down, any other is out of reach. Every call counts in fakeCalls.
inline std::map<LWItemID, std::array<double, 3>> fakeLights;
inline int fakeCalls = 0;

inline int fakeIlluminate(LWItemID light, const double*, double* direction, double* colour) {
    ++fakeCalls;
    auto found = fakeLights.find(light);
    if (found == fakeLights.end()) return 0;
    for (int k = 0; k < 3; ++k) {
        colour[k] = found->second[k];
        direction[k] = k == 1 ? -1.0 : 0.0;
    }
    return 1;
}
inline int fakeIlluminateNormal(LWItemID light, void*, const double* p, double* d, const double*,
                                double* colour) {
    return fakeIlluminate(light, p, d, colour);
}
inline double fakeIlluminateSample(LWItemID light, const double* p, double* d,
                                   LightSampleFunc* callback, void* data) {
    double colour[3];
    if (!fakeIlluminate(light, p, d, colour)) return 0;
    callback(data, light, d, colour);
    return 1;
}
inline double fakeIlluminateSampleNormal(LWItemID light, LWRenderData, const double* p,
                                         const double*, LightSampleFunc* callback, void* data) {
    double d[3];
    return fakeIlluminateSample(light, p, d, callback, data);
}
// An access record holding the fakes, and whether one still holds them all.
inline LWNodalAccess_t fakeAccess() {
    LWNodalAccess_t access{};
    access.illuminate = fakeIlluminate;
    access.illuminateNormal = fakeIlluminateNormal;
    access.illuminateSample = fakeIlluminateSample;
    access.illuminateSampleNormal = fakeIlluminateSampleNormal;
    return access;
}
inline bool holdsFakes(const LWNodalAccess_t& access) {
    return access.illuminate == fakeIlluminate && access.illuminateNormal == fakeIlluminateNormal &&
           access.illuminateSample == fakeIlluminateSample &&
           access.illuminateSampleNormal == fakeIlluminateSampleNormal;
}

// A directory in the build tree for the pictures the tests save for people to look at; each run
// replaces them.
inline std::string pictureDir() {
    const std::string dir = TEST_PICTURES_DIR;
    ::mkdir(dir.c_str(), 0755);
    return dir;
}

// Renumbers the scene's items: old ID -> new ID.
inline std::map<LWItemID, LWItemID> renumber(lwhost::Scene& scene) {
    std::map<LWItemID, LWItemID> ids;
    for (const auto& pair : scene.renumber())
        if (pair.first) ids[pair.first] = pair.second;
    return ids;
}

// A session whose scene the frame's globals reach, set up before any member of a derived fixture.
class SceneTest : public ::testing::Test {
  protected:
    explicit SceneTest(const lwhost::HostIdentity& identity = lwhost::HostIdentity())
        : session(identity) {}
    ~SceneTest() override { vexo::ForgetHost(); }
    void queue(Kind kind, const std::string& control = "", const std::string& row = "") {
        bundle_test::queue(host, kind, control, row);
    }

    lwhost::Session session;
    lwhost::Host& host = session.host();
    lwhost::Scene& scene = session.scene();
    const bool hosted = (vexo::SetSuperGlobal(lwhost::Host::globalFunction()), true);
};

// The bundle in a host with a surface graph of the test's own; nodes go before the module.
class GraphTest : public ::testing::Test {
  protected:
    explicit GraphTest(const lwhost::HostIdentity& identity = lwhost::HostIdentity())
        : h(identity) {}
    ~GraphTest() override { h.host.nodes().destroyEditor(graph); }

    lwhost::GraphNode* make(const std::string& server, const std::string& settings = "") {
        return override_test::addNode(h.host, *graph, server, settings);
    }
    void connect(lwhost::GraphNode* from, const std::string& output, lwhost::GraphNode* to,
                 const std::string& input) {
        std::string error;
        EXPECT_TRUE(h.host.nodes().connect(from, output, to, input, error)) << error;
    }
    // A new root input fed by the node's output (its first by default).
    lwhost::GraphInput* root(lwhost::GraphNode* node, const std::string& output = "") {
        lwhost::GraphOutput* out =
            output.empty() ? node->outputs.front().get() : node->output(output);
        lwhost::GraphInput* in =
            h.host.nodes().addRootInput(*graph, out->type, "in" + std::to_string(++roots), nullptr);
        std::string error;
        EXPECT_TRUE(h.host.nodes().connect(out, in, error)) << error;
        return in;
    }
    // Evaluates the node's output for `access` into `value`.
    void evaluate(lwhost::GraphNode* node, const std::string& output, void* value) {
        lwhost::NodeSystem::evaluate(root(node, output), &access, value);
    }
    void newTime(lwhost::GraphNode* node, int frame = 1, double time = 0.0) {
        EXPECT_EQ(node->server->rend.newTime(node->instance, frame, time), nullptr);
    }
    void queue(Kind kind, const std::string& control, const std::string& row = "") {
        bundle_test::queue(h.host, kind, control, row);
    }
    // The node's blocks, written as text.
    std::string saved(lwhost::GraphNode* node) {
        lwhost::MemorySaveState state(LWIO_ASCII);
        EXPECT_EQ(node->server->inst.save(node->instance, state.record()), nullptr);
        state.finish();
        return state.bytes();
    }
    lwhost::XPanel& panel(lwhost::GraphNode* node) {
        return override_test::nodePanel(h.host, node);
    }
    // Renumbers the scene's items and hands the pairs to the nodes: old ID -> new ID.
    std::map<LWItemID, LWItemID> renumberNodes() {
        std::map<LWItemID, LWItemID> ids = renumber(h.scene);
        std::vector<LWItemID> pairs;
        for (const auto& pair : ids) pairs.insert(pairs.end(), {pair.first, pair.second});
        pairs.insert(pairs.end(), {LWITEM_NULL, LWITEM_NULL});
        h.host.nodes().changeID(pairs.data());
        return ids;
    }

    override_test::OverrideHost h;
    lwhost::NodeGraph* graph = h.host.nodes().createEditor("Surface", "test", nullptr, nullptr);
    LWNodalAccess_t access{};
    int roots = 0;
};

// The bundle with a master plug-in, the services subscribed and started for a render.
class RenderingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(h.table, nullptr);
        h.addMaster();
        h.table->ns_subscribe();
        ASSERT_NE(h.graph(), nullptr);
        ASSERT_EQ(h.table->ns_init(LWINIT_RENDER), nullptr);
    }
    void TearDown() override {
        if (!h.table) return;
        h.table->ns_done();
        h.table->ns_unsubscribe();
    }

    override_test::OverrideHost h;
};

}  // namespace bundle_test
