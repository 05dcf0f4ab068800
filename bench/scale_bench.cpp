// Scene-wide work that grows with the scene: "Add All Shaders" then "Remove All Shaders" over
// many one-surface objects (and how 100k objects compare with 10k in one run), rebuilding the
// override graph over and over, and the per-frame step of a graph of selection, light group and
// comment nodes over many commented items.
#include <benchmark/benchmark.h>
#include <lwsdk/lwmaster.h>
#include <vexo/shading.h>
#include "lwhost/core/host.h"
#include "lwhost/io/blockio.h"
#include "lwhost/nodes/nodes.h"
#include "lwhost/plugins/plugins.h"
#include "lwhost/scene/scene.h"
#include "lwhost/session/session.h"
#include "lwhost/ui/xpanel.h"
#include "scaling.h"

#include <chrono>
#include <string>

namespace {

using bench::Clock;
using bench::secondsSince;

lwhost::ObjectData triangle(const std::string& file) {
    lwhost::ObjectData data;
    data.fileName = file;
    data.mesh.points = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    data.mesh.addPolygon("Skin", {0, 1, 2});
    return data;
}

// The bundle's services in the session, loading the module; null when either fails.
qrvNodalShadingFuncs* services(lwhost::Session& session) {
    std::string error;
    if (!session.loadModule(LUMAVEX_MODULE, error)) return nullptr;
    return static_cast<qrvNodalShadingFuncs*>(
        session.host().globals().request(QRV_SHADING_GLOBAL, LWGLOBAL_ACQUIRE));
}

// A session with the bundle, an enabled master and `objects` one-surface objects.
struct Editing {
    explicit Editing(int objects) {
        std::string error;
        ok = session.loadModule(LUMAVEX_MODULE, error) &&
             session.plugins().applyMaster("qrvLumavex", error);
        for (int i = 0; i < objects; ++i)
            session.scene().addObject("Part" + std::to_string(i),
                                      triangle("part" + std::to_string(i) + ".lwo"));
        ok = ok && session.plugins().openPanel(LWMASTER_HCLASS, 1, error);
    }
    // Seconds for "Add All Shaders" then "Remove All Shaders"; negative when a command fails.
    double addThenRemove() {
        constexpr unsigned kSceneEditing = 0x802;
        lwhost::XPanel* panel = session.plugins().panel();
        const Clock::time_point start = Clock::now();
        if (!panel || !panel->chooseCommand(kSceneEditing, 0) ||
            !panel->chooseCommand(kSceneEditing, 1))
            return -1;
        return secondsSince(start);
    }
    lwhost::Session session;
    bool ok = false;
};

void BM_AddRemoveAllShaders(benchmark::State& state) {
    Editing editing(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        const double seconds = editing.ok ? editing.addThenRemove() : -1;
        if (seconds < 0) {
            state.SkipWithError("scene editing failed");
            return;
        }
        state.SetIterationTime(seconds);
    }
}
BENCHMARK(BM_AddRemoveAllShaders)
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// How 100k objects compare with 10k (scaling.h).
void BM_AddRemoveAllShadersScaling(benchmark::State& state) {
    bench::scaling(state, 10000, [](int objects) {
        Editing editing(objects);
        return editing.ok ? editing.addThenRemove() : -1;
    });
}
BENCHMARK(BM_AddRemoveAllShadersScaling)->Unit(benchmark::kMillisecond)->Iterations(1);

// The services' first subscription builds the graph and the last one destroys it: each round is
// one rebuild, leaving its channel group behind. Time per rebuild, for N rebuilds in a row.
void BM_OverrideGraphRebuilds(benchmark::State& state) {
    const int rounds = static_cast<int>(state.range(0));
    for (auto _ : state) {
        lwhost::Session session;
        qrvNodalShadingFuncs* table = services(session);
        if (!table) {
            state.SkipWithError("no services table");
            return;
        }
        const Clock::time_point start = Clock::now();
        for (int i = 0; i < rounds; ++i) {
            table->ns_subscribe();
            table->ns_unsubscribe();
        }
        const double seconds = secondsSince(start);
        state.SetIterationTime(seconds);
        state.counters["us_per_rebuild"] = seconds * 1e6 / rounds;
    }
}
BENCHMARK(BM_OverrideGraphRebuilds)
    ->Arg(1000)
    ->Arg(10000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// One filter node of each kind, two light group nodes and four comment nodes, with starred
// patterns, over 10k objects that each carry three comment lines; time of one frame's step.
void BM_PerFrameStep(benchmark::State& state) {
    lwhost::Session session;
    lwhost::Host& host = session.host();
    lwhost::Scene& scene = session.scene();
    qrvNodalShadingFuncs* table = services(session);
    if (!table) {
        state.SkipWithError("no services table");
        return;
    }
    lwhost::MasterSlot master;
    master.server = "qrvLumavex";
    scene.masters().push_back(master);
    for (int i = 0; i < 10000; ++i) {
        const std::string n = std::to_string(i);
        lwhost::ObjectData data = triangle("part" + n + ".lwo");
        data.mesh.weightMaps.push_back({});
        data.mesh.weightMaps.back().name = "Wear";
        const LWItemID id = scene.addObject("Part" + n, std::move(data));
        scene.item(id)->comments = {"#s:rough=0." + n + ";", "#c:tint=0.5 0.25 0." + n + ";",
                                    "group part" + n};
    }
    for (const char* light : {"Key", "Fill", "Rim"}) scene.addLight(light);
    table->ns_subscribe();
    lwhost::NodeGraph* graph = host.nodes().findEditor("lumavex: Global Surface Override");
    if (!graph) {
        state.SkipWithError("no override graph");
        return;
    }
    auto setting = [](const char* name) {
        return std::string("{ Setting\n  CommentName \"") + name + "\"\n}\n";
    };
    const std::string kinds[][2] = {
        {"qrvFilter", "FilterType 1\n{ Filter\n  FilterString \"Sk*|Wo*\"\n}\n"},
        {"qrvFilter", "FilterType 2\n{ Filter\n  FilterString \"Part*1|Part?2*\"\n}\n"},
        {"qrvFilter", "FilterType 3\n{ Filter\n  FilterString \"part*3\"\n}\n"},
        {"qrvFilter", "FilterType 4\n{ Filter\n  WeightMap \"Wear\"\n}\n"},
        {"qrvFilter", "FilterType 5\n{ Filter\n  FilterString \"group*4|*part1*\"\n}\n"},
        {"qrvFilter",
         "FilterType 6\n{ Filter\n  { Object\n    Name \"part1.lwo\"\n    Surface \"Skin\"\n"
         "  }\n}\n"},
        {"qrvFilter", "FilterType 7\n{ Filter\n  Surface \"Skin\"\n}\n"},
        {"qrvFilter", "FilterType 8\n"},
        {"qrvLightGroup", "FilterType 2\n{ Filter\n  FilterString \"K*|R*\"\n}\n"},
        {"qrvLightGroup", "FilterType 3\n{ Filter\n  FilterString \"*\"\n}\n"},
        {"qrvGetScalarComment", setting("rough")},
        {"qrvGetColourComment", setting("tint")},
        {"qrvGetVectorComment", setting("offset")},
        {"qrvGetIntegerComment", setting("count")},
    };
    for (const auto& f : kinds) {
        std::string error;
        lwhost::GraphNode* node = host.nodes().addNode(*graph, f[0], error);
        if (!node) {
            state.SkipWithError(error.c_str());
            return;
        }
        lwhost::MemoryLoadState blocks(f[1], LWIO_ASCII);
        node->server->inst.load(node->instance, blocks.record());
    }
    table->ns_init(LWINIT_RENDER);
    int frame = 0;
    for (auto _ : state) {
        ++frame;
        // The editor steps every node of the graph.
        table->ns_newTime(frame, frame / 30.0);
    }
    table->ns_done();
    table->ns_unsubscribe();
}
BENCHMARK(BM_PerFrameStep)->Unit(benchmark::kMillisecond);

}  // namespace
