// The bundle loaded into the real host with a scene, its services table acquired through the
// host's globals table (so through the host's "Global" server fallback), and helpers to edit the
// override graph with the host's own nodes. Shared by the services and override-graph tests.
#pragma once

#include <gtest/gtest.h>
#include <vexo/shading.h>
#include "lwhost/core/host.h"
#include "lwhost/io/blockio.h"
#include "lwhost/nodes/nodes.h"
#include "lwhost/scene/scene.h"
#include "lwhost/scene/scene_globals.h"
#include "lwhost/session/session.h"
#include "lwhost/ui/xpanel.h"

#include <memory>
#include <string>

#include "test_paths.h"

namespace override_test {

inline lwhost::HostIdentity version(unsigned major, unsigned minor, unsigned systemType = 0) {
    lwhost::HostIdentity id;
    id.major = major;
    id.minor = minor;
    id.systemType = systemType;
    return id;
}

const char* const kEditorName = "lumavex: Global Surface Override";

// A node of the server in `graph`, its settings read from block text.
inline lwhost::GraphNode* addNode(lwhost::Host& host, lwhost::NodeGraph& graph,
                                  const std::string& server, const std::string& settings = "") {
    std::string error;
    lwhost::GraphNode* n = host.nodes().addNode(graph, server, error);
    EXPECT_NE(n, nullptr) << error;
    if (n && !settings.empty()) {
        lwhost::MemoryLoadState state(settings, LWIO_TEXT);
        EXPECT_EQ(n->server->inst.load(n->instance, state.record()), nullptr);
        EXPECT_FALSE(state.damaged()) << state.error();
    }
    return n;
}

// The node's blocks, written as text.
inline std::string savedText(lwhost::GraphNode* node) {
    lwhost::MemorySaveState state(LWIO_TEXT);
    EXPECT_EQ(node->server->inst.save(node->instance, state.record()), nullptr);
    state.finish();
    return state.bytes();
}

// The node's panel, made through its interface server.
inline lwhost::XPanel& nodePanel(lwhost::Host& host, lwhost::GraphNode* node) {
    st_LWInterface local{node->instance, nullptr, nullptr};
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
        lwhost::MasterSlot slot;
        slot.server = server;
        slot.disabled = disabled;
        scene.masters().push_back(slot);
    }

    lwhost::NodeGraph* graph() { return host.nodes().findEditor(kEditorName); }

    // A node of the server in the override graph, its settings read from block text.
    lwhost::GraphNode* node(const std::string& server, const std::string& settings = "") {
        return addNode(host, *graph(), server, settings);
    }
    // Feeds a root input from the node's first output.
    void feed(const std::string& input, lwhost::GraphNode* from) {
        std::string error;
        ASSERT_TRUE(
            host.nodes().connect(from->outputs.front().get(), graph()->rootInput(input), error))
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
