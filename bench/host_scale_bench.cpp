// Host work that must grow no faster than the scene (see scaling.h for how it is measured):
//   reading a scene of one-surface objects, each surface described by a Surface statement;
//   a script adding, connecting and removing filter nodes of the override graph;
//   tearing a session down while its override graph holds many nodes.
#include <benchmark/benchmark.h>
#include "lwhost/core/host.h"
#include "lwhost/nodes/nodes.h"
#include "lwhost/plugins/plugins.h"
#include "lwhost/script/script.h"
#include "lwhost/session/session.h"
#include "scaling.h"

#include <memory>
#include <sstream>
#include <string>

namespace {

using bench::Clock;
using bench::scaling;
using bench::secondsSince;

const char* const kMaster =
    "LWHostScene 1\n"
    "Plugin MasterHandler qrvLumavex\n"
    "  Version 1\n"
    "  Enabled 1\n"
    "EndPlugin\n";

// A session with the bundle and a scene read from `text`; `error` says what failed.
struct Bundle {
    explicit Bundle(const std::string& text) {
        ok = session.loadModule(LUMAVEX_MODULE, error) &&
             session.plugins().readScene(text, "bench.lws", "", error);
    }
    lwhost::Session session;
    std::string error;
    bool ok = false;
};

// `objects` objects of one plane each, then a Surface statement for every surface.
std::string sceneText(int objects) {
    std::string text = kMaster;
    for (int i = 0; i < objects; ++i)
        text += "Object \"Part" + std::to_string(i) + "\"\n  Plane \"Skin" + std::to_string(i) +
                "\" 1 1\nEnd\n";
    for (int i = 0; i < objects; ++i)
        text += "Surface \"Skin" + std::to_string(i) + "\" \"Part" + std::to_string(i) +
                "\"\n  Diffuse 0.5\nEnd\n";
    return text;
}

void BM_LoadSceneScaling(benchmark::State& state) {
    scaling(state, 20000, [](int objects) {
        const std::string text = sceneText(objects);
        Bundle bundle(kMaster);
        if (!bundle.ok) return -1.0;
        const Clock::time_point start = Clock::now();
        if (!bundle.session.plugins().readScene(text, "bench.lws", "", bundle.error)) return -1.0;
        return secondsSince(start);
    });
}
BENCHMARK(BM_LoadSceneScaling)->Unit(benchmark::kMillisecond)->Iterations(1);

// Opens the override graph, adds `nodes` filter nodes, feeds every second one from the one
// before, then removes them all in the order they came.
std::string graphScript(int nodes) {
    std::string text = "panel open MasterHandler 1\npanel click \"Nodal Graph...\"\n";
    for (int i = 0; i < nodes; ++i) text += "graph add qrvFilter F" + std::to_string(i) + "\n";
    for (int i = 1; i < nodes; i += 2)
        text +=
            "graph connect F" + std::to_string(i - 1) + " Logic F" + std::to_string(i) + " Logic\n";
    for (int i = 0; i < nodes; ++i) text += "graph remove F" + std::to_string(i) + "\n";
    return text + "expect graph-nodes 0\n";
}

void BM_ScriptNodesScaling(benchmark::State& state) {
    scaling(state, 5000, [](int nodes) {
        Bundle bundle(kMaster);
        if (!bundle.ok) return -1.0;
        lwhost::Session& session = bundle.session;
        std::ostringstream out;
        lwhost::ScriptEnvironment env{
            session.host(), session.plugins(), session.commands(), out, "", false};
        lwhost::Script script;
        lwhost::defineLayoutVerbs(script, env);
        std::vector<lwhost::ScriptStatement> statements;
        std::string error;
        if (!script.parse(graphScript(nodes), "bench.lwscript", statements, error)) return -1.0;
        const Clock::time_point start = Clock::now();
        if (!script.run(statements, "bench.lwscript", error)) return -1.0;
        return secondsSince(start);
    });
}
BENCHMARK(BM_ScriptNodesScaling)->Unit(benchmark::kMillisecond)->Iterations(1);

// The time a session takes to go while the override graph holds `nodes` filter nodes, every
// second one fed by the one before.
void BM_GraphTeardownScaling(benchmark::State& state) {
    scaling(state, 5000, [](int nodes) {
        auto bundle = std::make_unique<Bundle>(kMaster);
        if (!bundle->ok) return -1.0;
        lwhost::NodeSystem& system = bundle->session.nodes();
        lwhost::NodeGraph* graph = system.findEditor("lumavex: Global Surface Override");
        if (!graph) return -1.0;
        std::string error;
        lwhost::GraphNode* previous = nullptr;
        for (int i = 0; i < nodes; ++i) {
            lwhost::GraphNode* node =
                system.addNode(*graph, "qrvFilter", error, "F" + std::to_string(i));
            if (!node) return -1.0;
            if (i % 2 && !system.connect(previous, "Logic", node, "Logic", error)) return -1.0;
            previous = node;
        }
        const Clock::time_point start = Clock::now();
        bundle.reset();
        return secondsSince(start);
    });
}
BENCHMARK(BM_GraphTeardownScaling)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
