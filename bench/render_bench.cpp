// Rendering the demo scene: samples and rays per second, per thread, with 1 and 2 render
// threads, and the speed-up of 2 threads over 1 measured in one run.
#include <benchmark/benchmark.h>
#include "lwhost/core/host.h"
#include "lwhost/render/render.h"
#include "lwhost/scene/scene.h"
#include "lwhost/scene/scene_file.h"
#include "lwhost/session/session.h"

#include <chrono>
#include <string>

namespace {

struct DemoScene {
    lwhost::Session session;
    lwhost::Scene& scene = session.scene();
    bool loaded = false;
    std::string error;

    DemoScene() {
        lwhost::SceneFile io;
        loaded = io.load(std::string(EXAMPLES_DIR) + "/demo.lws", scene, error);
    }
};

lwhost::RenderOptions options(int threads) {
    lwhost::RenderOptions o;
    o.width = 320;
    o.height = 240;
    o.samples = 1;
    o.threads = threads;
    return o;
}

bool renderOnce(DemoScene& demo, const lwhost::RenderOptions& o, lwhost::RenderStats& stats,
                std::string& error) {
    lwhost::Renderer renderer(demo.session.host(), demo.scene);
    return renderer.render(
        o, {1}, [](int, const lwhost::RgbImage&, std::string&) { return true; }, error, &stats);
}

void BM_RenderDemo(benchmark::State& state) {
    DemoScene demo;
    if (!demo.loaded) {
        state.SkipWithError(demo.error.c_str());
        return;
    }
    const int threads = static_cast<int>(state.range(0));
    double samples = 0, rays = 0, seconds = 0;
    for (auto _ : state) {
        lwhost::RenderStats stats;
        std::string error;
        if (!renderOnce(demo, options(threads), stats, error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        samples += static_cast<double>(stats.cameraSamples);
        rays += static_cast<double>(stats.rays);
        seconds += stats.seconds;
    }
    state.counters["samples/s"] = samples / seconds;
    state.counters["rays/s"] = rays / seconds;
    state.counters["samples/s/thread"] = samples / seconds / threads;
    state.counters["rays/s/thread"] = rays / seconds / threads;
}
BENCHMARK(BM_RenderDemo)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// One iteration renders with 1 thread, then with 2; speedup = time(1) / time(2).
void BM_RenderTwoThreadSpeedup(benchmark::State& state) {
    DemoScene demo;
    if (!demo.loaded) {
        state.SkipWithError(demo.error.c_str());
        return;
    }
    double one = 0, two = 0;
    for (auto _ : state) {
        lwhost::RenderStats a, b;
        std::string error;
        if (!renderOnce(demo, options(1), a, error) || !renderOnce(demo, options(2), b, error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        one += a.seconds;
        two += b.seconds;
    }
    state.counters["seconds_1_thread"] = one / state.iterations();
    state.counters["seconds_2_threads"] = two / state.iterations();
    state.counters["speedup"] = one / two;
}
BENCHMARK(BM_RenderTwoThreadSpeedup)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
