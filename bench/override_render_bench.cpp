// What the override costs a render: the demo scene with the override shader on every surface,
// an enabled master plug-in and an empty graph, against the same scene without shader or
// master, with the same render settings. One iteration renders both; overhead = with / without.
#include <benchmark/benchmark.h>
#include "lwhost/core/host.h"
#include "lwhost/nodes/nodes.h"
#include "lwhost/plugins/plugins.h"
#include "lwhost/render/render.h"
#include "lwhost/scene/scene.h"
#include "lwhost/scene/scene_globals.h"
#include "lwhost/session/session.h"

#include <fstream>
#include <memory>
#include <sstream>
#include <string>

namespace {

// The demo scene without the override's plug-in sections.
std::string plainDemo(std::string& error) {
    std::ifstream in(std::string(EXAMPLES_DIR) + "/demo.lws");
    if (!in) {
        error = "cannot read demo.lws";
        return {};
    }
    std::ostringstream text;
    text << in.rdbuf();
    std::string s = text.str();
    const size_t master = s.find("Plugin MasterHandler qrvLumavex\n");
    if (master != std::string::npos) {
        const std::string end = "\nEndPlugin\n";
        s.erase(master, s.find(end, master) + end.size() - master);
    }
    const std::string shader = "  Plugin ShaderHandler qrvLumavex\n  EndPlugin\n";
    for (size_t at; (at = s.find(shader)) != std::string::npos;) s.erase(at, shader.size());
    return s;
}

// The same scene with an enabled master holding an empty graph and the shader on every surface.
std::string overriddenDemo(const std::string& plain) {
    std::string s = plain;
    const std::string header = "LWHostScene 1\n";
    s.insert(s.find(header) + header.size(),
             "Plugin MasterHandler qrvLumavex\n  Version 1\n  Enabled 1\nEndPlugin\n");
    for (size_t at = s.find("\nSurface "); at != std::string::npos;
         at = s.find("\nSurface ", at + 1)) {
        const size_t end = s.find("\nEnd\n", at);
        s.insert(end, "\n  Plugin ShaderHandler qrvLumavex\n  EndPlugin");
    }
    return s;
}

struct Stage {
    lwhost::Session session;
    lwhost::Host& host = session.host();
    lwhost::Scene& scene = session.scene();
    lwhost::Plugins* plugins = &session.plugins();

    explicit Stage(std::string& error) { session.loadModule(LUMAVEX_MODULE, error); }
    // Seconds spent rendering the scene text, or a negative value with `error`.
    double render(const std::string& text, std::string& error) {
        if (!plugins->readScene(text, "demo.lws", EXAMPLES_DIR, error)) return -1;
        lwhost::Renderer renderer(host, scene, plugins, &host.nodes());
        lwhost::RenderOptions o;
        o.width = 480;
        o.height = 360;
        o.samples = 1;
        o.threads = 1;
        lwhost::RenderStats stats;
        const bool ok = renderer.render(
            o, {scene.frames().first},
            [](int, const lwhost::RgbImage&, std::string&) { return true; }, error, &stats);
        return ok ? stats.seconds : -1;
    }
};

void BM_OverrideRenderOverhead(benchmark::State& state) {
    std::string error;
    const std::string plain = plainDemo(error);
    Stage stage(error);
    if (!error.empty()) {
        state.SkipWithError(error.c_str());
        return;
    }
    const std::string overridden = overriddenDemo(plain);
    double without = 0, with = 0;
    bool plainFirst = true;
    for (auto _ : state) {
        // Alternating the order cancels a machine that speeds up or slows down over the run.
        const std::string& first = plainFirst ? plain : overridden;
        const std::string& second = plainFirst ? overridden : plain;
        const double a = stage.render(first, error);
        const double b = a < 0 ? -1 : stage.render(second, error);
        if (a < 0 || b < 0) {
            state.SkipWithError(error.c_str());
            return;
        }
        without += plainFirst ? a : b;
        with += plainFirst ? b : a;
        plainFirst = !plainFirst;
    }
    state.counters["seconds_without"] = without / state.iterations();
    state.counters["seconds_with"] = with / state.iterations();
    state.counters["overhead"] = with / without;
}
BENCHMARK(BM_OverrideRenderOverhead)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

}  // namespace
