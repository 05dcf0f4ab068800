// The render cycle and the image: frames in order, tiles shared out to render threads.
#include "lwhost/render/render.h"

#include <lwsdk/lwmaster.h>

#include <atomic>
#include <chrono>
#include <exception>
#include <new>
#include <thread>

#include "lwhost/core/host.h"
#include "lwhost/nodes/nodes.h"
#include "lwhost/plugins/plugins.h"
#include "lwhost/render/parallel_for.h"
#include "lwhost/render/render_math.h"
#include "lwhost/render/render_world.h"
#include "lwhost/scene/scene.h"

namespace lwhost {

namespace {

constexpr int kTileSide = 32;

struct GraphOfSurface {
    std::string surface;
    NodeGraph* graph;
};

uint8_t toByte(double v) {
    return static_cast<uint8_t>(rmath::clamp01(v) * 255.0 + 0.5);
}

}  // namespace

int renderThreadCount(int threads) {
    if (threads > 0) return std::min(threads, kMaxRenderThreads);
    const unsigned cores = std::thread::hardware_concurrency();
    return cores ? static_cast<int>(std::min(cores, static_cast<unsigned>(kMaxRenderThreads))) : 1;
}

Renderer::Renderer(Host& host, Scene& scene, Plugins* plugins, NodeSystem* nodes)
    : m_host(host), m_scene(scene), m_plugins(plugins), m_nodes(nodes) {}

Renderer::~Renderer() = default;

std::string Renderer::checkOptions(const RenderOptions& o) {
    const std::string side = std::to_string(kMaxRenderSide);
    if (o.width < 1 || o.width > kMaxRenderSide)
        return "the width must be 1 to " + side + ", not " + std::to_string(o.width);
    if (o.height < 1 || o.height > kMaxRenderSide)
        return "the height must be 1 to " + side + ", not " + std::to_string(o.height);
    if (o.samples < 1 || o.samples > kMaxRenderSamples)
        return "the samples per pixel must be 1 to " + std::to_string(kMaxRenderSamples) +
               ", not " + std::to_string(o.samples);
    if (o.threads < 0 || o.threads > kMaxRenderThreads)
        return "the threads must be 1 to " + std::to_string(kMaxRenderThreads) + ", not " +
               std::to_string(o.threads);
    if (o.maxBounces < 0 || o.maxBounces > kMaxRenderBounces)
        return "the bounce limit must be 0 to " + std::to_string(kMaxRenderBounces);
    return std::string();
}

std::string Renderer::check(const RenderOptions& o, const std::vector<int>& frames) const {
    std::string why = checkOptions(o);
    if (!why.empty()) return why;
    if (frames.empty()) return "no frames to render";
    const FrameRange& range = m_scene.frames();
    for (int frame : frames)
        if (frame < range.first || frame > range.last)
            return "frame " + std::to_string(frame) + " is not in the scene's frames " +
                   std::to_string(range.first) + " to " + std::to_string(range.last);
    if (m_scene.first(ItemType::Camera) == LWITEM_NULL) return "the scene has no camera";
    if (m_scene.first(ItemType::Light) == LWITEM_NULL) return "the scene has no lights";
    return std::string();
}

bool Renderer::render(const RenderOptions& options, const std::vector<int>& frames,
                      const FrameSink& sink, std::string& error, RenderStats* stats,
                      const Progress& progress) {
    error = check(options, frames);
    if (!error.empty()) return false;
    const int threads = renderThreadCount(options.threads);
    RenderStats tally;
    tally.width = options.width;
    tally.height = options.height;
    tally.samples = options.samples;
    tally.threads = threads;

    if (m_plugins) m_plugins->sendMasterEvent(LWEVNT_NOTIFY_RENDER_STARTING, nullptr);

    // The surfaces' own graphs, found after the masters heard the render start.
    std::vector<GraphOfSurface> graphs;
    if (m_nodes) {
        for (size_t i = 0; i < m_scene.surfaceCount(); ++i) {
            const Surface& s = m_scene.surfaceAt(i);
            if (!s.nodes.data.instance) continue;
            if (NodeGraph* g = m_nodes->editor(static_cast<NodeEditorID>(s.nodes.data.instance)))
                graphs.push_back(GraphOfSurface{s.name, g});
        }
    }

    std::string why;
    if (m_plugins) why = m_plugins->initShaders(options.mode);
    for (const GraphOfSurface& g : graphs) {
        if (!why.empty()) break;
        if (const char* e = m_nodes->renderInit(*g.graph, options.mode))
            why = g.surface + ": node graph: init: " + e;
    }

    RenderWorld world;
    RenderWorld::Settings settings;
    settings.width = options.width;
    settings.height = options.height;
    settings.maxBounces = options.maxBounces;
    settings.recordLevel = shaderRecordLevel(m_host.identity());
    settings.preview = options.mode == LWINIT_PREVIEW;
    const double fps = m_scene.frames().fps > 0 ? m_scene.frames().fps : 30.0;
    const int tilesX = (options.width + kTileSide - 1) / kTileSide;
    const int tilesY = (options.height + kTileSide - 1) / kTileSide;
    const size_t tiles = static_cast<size_t>(tilesX) * static_cast<size_t>(tilesY);
    const int n = options.samples;

    // Running out of memory (or any exception, also one from a render thread) ends the render
    // like any failure: the cleanup calls are made, and no image of the frame is handed on.
    size_t f = 0;
    try {
        for (; f < frames.size() && why.empty(); ++f) {
            const int frame = frames[f];
            const double time = frame / fps;
            if (m_plugins) why = m_plugins->newTimeShaders(frame, time);
            for (const GraphOfSurface& g : graphs) {
                if (!why.empty()) break;
                if (const char* e = m_nodes->renderNewTime(*g.graph, frame, time))
                    why = g.surface + ": node graph: newTime: " + e;
            }
            if (!why.empty()) break;
            settings.time = time;
            if (!world.build(m_scene, m_plugins, m_nodes, settings, why)) break;

            RgbImage image(options.width, options.height);
            FloatImage* values = options.values;
            if (values) *values = FloatImage(options.width, options.height);
            std::atomic<uint64_t> rays{0};
            auto renderTile = [&](size_t tile) {
                const int x0 = static_cast<int>(tile % static_cast<size_t>(tilesX)) * kTileSide;
                const int y0 = static_cast<int>(tile / static_cast<size_t>(tilesX)) * kTileSide;
                const int x1 = std::min(x0 + kTileSide, options.width);
                const int y1 = std::min(y0 + kTileSide, options.height);
                WorldBinding binding(world);
                for (int y = y0; y < y1; ++y) {
                    for (int x = x0; x < x1; ++x) {
                        Vec3 sum{0, 0, 0};
                        Vec3 linear{0, 0, 0};
                        int covered = 0;
                        for (int k = 0; k < n; ++k) {
                            PixelSample s;
                            RenderWorld::samplePosition(x, y, k, n, s.subX, s.subY);
                            s.sx = x + s.subX;
                            s.sy = y + s.subY;
                            s.index = k;
                            bool hit = false;
                            const Vec3 c = world.shadeCameraSample(s, &hit);
                            sum.x += rmath::clamp01(c.x);
                            sum.y += rmath::clamp01(c.y);
                            sum.z += rmath::clamp01(c.z);
                            linear.x += c.x;
                            linear.y += c.y;
                            linear.z += c.z;
                            covered += hit ? 1 : 0;
                        }
                        uint8_t* p = image.pixel(x, y);
                        p[0] = toByte(sum.x / n);
                        p[1] = toByte(sum.y / n);
                        p[2] = toByte(sum.z / n);
                        if (values) {
                            const Vec3& v = options.clampValues ? sum : linear;
                            float* q = values->pixel(x, y);
                            q[0] = static_cast<float>(v.x / n);
                            q[1] = static_cast<float>(v.y / n);
                            q[2] = static_cast<float>(v.z / n);
                            q[3] = static_cast<float>(static_cast<double>(covered) / n);
                        }
                    }
                }
                rays.fetch_add(RenderWorld::threadRays(), std::memory_order_relaxed);
            };
            auto waiting = [&](size_t done) {
                if (progress)
                    progress((static_cast<double>(f) + static_cast<double>(done) / tiles) /
                             static_cast<double>(frames.size()));
            };
            const auto start = std::chrono::steady_clock::now();
            if (!parallelFor(tiles, threads, renderTile, waiting)) {
                why = "cannot start the render threads";
                break;
            }
            tally.seconds +=
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            tally.rays += rays.load();
            tally.cameraSamples += static_cast<uint64_t>(options.width) * options.height * n;
            ++tally.frames;
            if (progress) progress(static_cast<double>(f + 1) / static_cast<double>(frames.size()));
            if (sink && !sink(frame, image, why)) {
                if (why.empty()) why = "frame " + std::to_string(frame) + " was refused";
                break;
            }
        }
    } catch (const std::bad_alloc&) {
        why = "out of memory while rendering frame " + std::to_string(frames[f]) + " at " +
              std::to_string(options.width) + "x" + std::to_string(options.height);
    } catch (const std::exception& e) {
        why = "rendering frame " + std::to_string(frames[f]) + " failed: " + e.what();
    }

    if (m_plugins) m_plugins->cleanupShaders();
    for (const GraphOfSurface& g : graphs) m_nodes->renderCleanup(*g.graph);
    if (m_plugins) m_plugins->sendMasterEvent(LWEVNT_NOTIFY_RENDER_COMPLETE, nullptr);

    if (stats) *stats = tally;
    error = why;
    return why.empty();
}

}  // namespace lwhost
