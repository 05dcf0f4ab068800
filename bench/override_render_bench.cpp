// What the override costs a render: the demo scene with the override shader on every surface,
// an enabled master plug-in and an empty graph, against the same scene without shader or
// master, with the same render settings. One iteration renders both; overhead = with / without.
// And the override against its peer: the demo's look made by the override graph, against the
// same look made by giving every surface that carries the shader that graph as its own.
#include <benchmark/benchmark.h>
#include "lwhost/core/host.h"
#include "lwhost/nodes/nodes.h"
#include "lwhost/plugins/plugins.h"
#include "lwhost/render/render.h"
#include "lwhost/scene/scene.h"
#include "lwhost/scene/scene_globals.h"
#include "lwhost/session/session.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

namespace {

const std::string kShaderLines = "  Plugin ShaderHandler qrvLumavex\n  EndPlugin\n";

std::string demoText(std::string& error) {
    std::ifstream in(std::string(EXAMPLES_DIR) + "/demo.lws");
    if (!in) error = "cannot read demo.lws";
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The demo scene without the override's plug-in sections.
std::string plainDemo(std::string& error) {
    std::string s = demoText(error);
    const size_t master = s.find("Plugin MasterHandler qrvLumavex\n");
    if (master != std::string::npos) {
        const std::string end = "\nEndPlugin\n";
        s.erase(master, s.find(end, master) + end.size() - master);
    }
    for (size_t at; (at = s.find(kShaderLines)) != std::string::npos;)
        s.erase(at, kShaderLines.size());
    return s;
}

// The demo with the master's graph moved into every surface that carries the shader, in place
// of the surface's own graph; no master and no shader remain.
std::string peerDemo(std::string& error) {
    const std::string demo = demoText(error);
    const std::string open = "  { Nodes\n", close = "\n  }\n";
    const size_t from = demo.find(open), to = demo.find(close, from);
    if (from == std::string::npos || to == std::string::npos) {
        error = "no graph in demo.lws";
        return {};
    }
    const std::string graph = "  NodeGraph on\n" +
                              demo.substr(from + open.size(), to + 1 - from - open.size()) +
                              "  EndNodeGraph\n";
    std::string out;
    for (size_t at = 0; at < demo.size();) {
        size_t end = demo.find("\nEnd\n", at);
        end = end == std::string::npos ? demo.size() : end + 1;
        std::string block = demo.substr(at, end - at);
        if (block.find("\nSurface ") != std::string::npos &&
            block.find(kShaderLines) != std::string::npos) {
            block.erase(block.find(kShaderLines), kShaderLines.size());
            const size_t own = block.find("  NodeGraph ");
            if (own != std::string::npos) {
                const std::string last = "  EndNodeGraph\n";
                block.erase(own, block.find(last, own) + last.size() - own);
            }
            block += graph;
        }
        out += block;
        at = end;
    }
    // The master goes too.
    const size_t master = out.find("Plugin MasterHandler qrvLumavex\n");
    const std::string endPlugin = "\nEndPlugin\n";
    out.erase(master, out.find(endPlugin, master) + endPlugin.size() - master);
    return out;
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
    // Seconds spent rendering the scene text, or a negative value with `error`; the picture in
    // `image` when given.
    double render(const std::string& text, std::string& error, lwhost::RgbImage* image = nullptr) {
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
            [image](int, const lwhost::RgbImage& made, std::string&) {
                if (image) *image = made;
                return true;
            },
            error, &stats);
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

// ratio = seconds(override) / seconds(surface graphs); max_difference: the largest difference of
// one channel between the two pictures, in 1/255 steps.
void BM_OverrideAgainstSurfaceGraphs(benchmark::State& state) {
    std::string error;
    const std::string override = demoText(error);
    const std::string peer = peerDemo(error);
    Stage stage(error);
    if (!error.empty()) {
        state.SkipWithError(error.c_str());
        return;
    }
    double overrideSeconds = 0, peerSeconds = 0;
    int difference = 0;
    bool overrideFirst = true;
    for (auto _ : state) {
        lwhost::RgbImage a, b;
        const double first = stage.render(overrideFirst ? override : peer, error, &a);
        const double second =
            first < 0 ? -1 : stage.render(overrideFirst ? peer : override, error, &b);
        if (first < 0 || second < 0 || a.rgb.size() != b.rgb.size()) {
            state.SkipWithError(error.empty() ? "pictures of different sizes" : error.c_str());
            return;
        }
        overrideSeconds += overrideFirst ? first : second;
        peerSeconds += overrideFirst ? second : first;
        for (size_t i = 0; i < a.rgb.size(); ++i)
            difference = std::max(difference, std::abs(int(a.rgb[i]) - int(b.rgb[i])));
        overrideFirst = !overrideFirst;
    }
    state.counters["seconds_override"] = overrideSeconds / state.iterations();
    state.counters["seconds_surface_graphs"] = peerSeconds / state.iterations();
    state.counters["ratio"] = overrideSeconds / peerSeconds;
    state.counters["max_difference"] = difference;
}
BENCHMARK(BM_OverrideAgainstSurfaceGraphs)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(10);

}  // namespace
