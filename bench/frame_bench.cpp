// One frame's new time for a scene whose every surface carries the override shader, at two sizes
// in one run: every shader instance hears the frame, and the override graph (a comment node and
// a filter node over commented objects) steps once, so the frame grows with the scene rather than
// with its square (ten times the surfaces cost 13 to 20 times the time on the machine this was
// written on, where the larger scene no longer fits the caches; a step per shader instance would
// make it a hundred times).
#include <benchmark/benchmark.h>
#include <lwsdk/lwhandler.h>
#include "lwhost/nodes/nodes.h"
#include "lwhost/plugins/plugins.h"
#include "lwhost/scene/scene.h"
#include "lwhost/session/session.h"

#include <chrono>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

// Seconds per frame for `frames` frames of `objects` shaded one-surface objects; negative when
// the scene cannot be built or a shader fails.
double secondsPerFrame(int objects, int frames) {
    lwhost::Session session;
    lwhost::Plugins& plugins = session.plugins();
    lwhost::Scene& scene = session.scene();
    std::string error;
    if (!session.loadModule(LUMAVEX_MODULE, error) || !plugins.applyMaster("qrvLumavex", error))
        return -1;
    for (int i = 0; i < objects; ++i) {
        const std::string n = std::to_string(i);
        lwhost::ObjectData data;
        data.fileName = "part" + n + ".lwo";
        data.mesh.points = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
        data.mesh.addPolygon("Skin", {0, 1, 2});
        const LWItemID id = scene.addObject("Part" + n, std::move(data));
        scene.item(id)->comments = {"#s:rough=0." + n + ";", "group part" + n};
        const lwhost::Surface* surface = scene.findSurface("Skin", "part" + n + ".lwo");
        if (!surface || !plugins.addShader(surface->id, "qrvLumavex", error)) return -1;
    }
    lwhost::NodeGraph* graph =
        session.host().nodes().findEditor("lumavex: Global Surface Override");
    if (!graph || !session.host().nodes().addNode(*graph, "qrvGetScalarComment", error) ||
        !session.host().nodes().addNode(*graph, "qrvFilter", error))
        return -1;
    if (!plugins.initShaders(LWINIT_RENDER).empty()) return -1;
    const Clock::time_point start = Clock::now();
    bool ok = true;
    for (int frame = 1; frame <= frames && ok; ++frame)
        ok = plugins.newTimeShaders(frame, frame / 30.0).empty();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    plugins.cleanupShaders();
    return ok ? seconds / frames : -1;
}

// ratio = seconds per frame at 10k shaded objects / at 1k, measured one after the other.
void BM_FrameOfAllShadedSurfacesScaling(benchmark::State& state) {
    double small = 0, large = 0;
    for (auto _ : state) {
        const double s = secondsPerFrame(1000, 20);
        const double l = s < 0 ? -1 : secondsPerFrame(10000, 20);
        if (l < 0) {
            state.SkipWithError("the shaded scene could not be stepped");
            return;
        }
        small += s;
        large += l;
    }
    state.counters["ms_per_frame_1k"] = 1e3 * small / state.iterations();
    state.counters["ms_per_frame_10k"] = 1e3 * large / state.iterations();
    state.counters["ratio"] = large / small;
}
BENCHMARK(BM_FrameOfAllShadedSurfacesScaling)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
