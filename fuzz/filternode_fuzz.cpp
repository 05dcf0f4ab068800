// Filter node block fuzzing: any bytes load into a filter node of the bundle (as text, or as the
// binary encoding when the first byte is odd) without crashing; the node then steps to a frame,
// evaluates samples of every object, and saves blocks that load into a fresh node and save again
// byte for byte.
#include <vexo/shading.h>
#include "lwhost/core/handles.h"
#include "lwhost/core/host.h"
#include "lwhost/io/blockio.h"
#include "lwhost/nodes/nodes.h"
#include "lwhost/scene/scene.h"
#include "lwhost/scene/scene_file.h"
#include "lwhost/scene/scene_globals.h"
#include "lwhost/session/session.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// An object with a comment, two objects of one file, and a null parented to the first.
const char* const kScene = R"(LWHostScene 1
Object "Ball"
  Sphere "Shiny" 1 8
  Comment "shiny"
End
Object "Crate"
  Box "Wood" 1 1 1
End
Object "Crate"
  Box "Wood" 1 1 1
End
Null "Handle"
  Parent "Ball"
End
)";

struct World {
    lwhost::Session session;
    lwhost::Host& host = session.host();
    lwhost::Scene& scene = session.scene();
    lwhost::NodeGraph* graph = nullptr;
    qrvNodalShadingFuncs* services = nullptr;

    World() {
        lwhost::SceneFile io;
        io.allowExternalFiles = false;
        std::string error;
        if (!io.read(kScene, "fuzz.lws", "", scene, error)) std::abort();
        lwhost::LoadResult result;
        if (!host.loadModule(LUMAVEX_MODULE, result)) std::abort();
        // One subscription for the whole run keeps one override graph: otherwise every node
        // would build a new one, each leaving a channel group behind in the host.
        services = static_cast<qrvNodalShadingFuncs*>(
            host.globals().request(QRV_SHADING_GLOBAL, LWGLOBAL_ACQUIRE));
        if (!services) std::abort();
        services->ns_subscribe();
        graph = host.nodes().createEditor("Surface", "fuzz", nullptr, nullptr);
        host.nodes().addRootInput(*graph, LWNODE_INTEGER, "Logic", nullptr);
    }
    // Nodes go before the module that made them.
    ~World() {
        host.nodes().destroyEditor(graph);
        services->ns_unsubscribe();
        host.globals().request(QRV_SHADING_GLOBAL, LWGLOBAL_RELEASE);
    }
};

std::string save(lwhost::GraphNode* node) {
    lwhost::MemorySaveState state(LWIO_ASCII);
    if (node->server->inst.save(node->instance, state.record())) std::abort();
    state.finish();
    if (state.failed()) std::abort();
    return state.bytes();
}

lwhost::GraphNode* load(World& w, const std::string& bytes, int mode) {
    std::string error;
    lwhost::GraphNode* node = w.host.nodes().addNode(*w.graph, "qrvFilter", error);
    if (!node) std::abort();
    lwhost::MemoryLoadState state(bytes, mode);
    node->server->inst.load(node->instance, state.record());
    node->server->rend.newTime(node->instance, 1, 0.0);
    return node;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static World world;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const int mode = size > 0 && (data[0] & 1) ? LWIO_BINARY : LWIO_ASCII;
    lwhost::GraphNode* node = load(world, size > 0 ? bytes.substr(1) : bytes, mode);

    std::string error;
    lwhost::GraphInput* root = world.graph->rootInput("Logic");
    if (!world.host.nodes().connect(node->output("Logic"), root, error)) std::abort();
    for (size_t i = 0; i < world.scene.objectCount(); ++i) {
        LWNodalAccess_t access{};
        access.objID = world.scene.objectAt(i);
        access.polygon = lwhost::handleOf<LWPolID>(1);
        access.verts[0] = access.verts[1] = access.verts[2] = lwhost::handleOf<LWPntID>(1);
        access.weights[0] = 1.0f;
        int selected = -1;
        lwhost::NodeSystem::evaluate(root, &access, &selected);
        if (selected != 0 && selected != 1) std::abort();
    }

    const std::string first = save(node);
    lwhost::GraphNode* again = load(world, first, LWIO_ASCII);
    if (save(again) != first) {
        fprintf(stderr, "FIRST<%s>\nSECOND<%s>\n", first.c_str(), save(again).c_str());
        std::abort();
    }
    world.host.nodes().removeNode(again);
    world.host.nodes().removeNode(node);
    return 0;
}
