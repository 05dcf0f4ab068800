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

RenderWorld::Settings worldSettings(const RenderOptions& options, const HostIdentity& identity) {
    RenderWorld::Settings settings;
    settings.width = options.width;
    settings.height = options.height;
    settings.maxBounces = options.maxBounces;
    settings.recordLevel = shaderRecordLevel(identity);
    settings.preview = options.mode == LWINIT_PREVIEW;
    return settings;
}

// One render as render() was asked for it, with the scene and the services it runs on.
struct RenderJob {
    const Scene& scene;
    Plugins* plugins;
    NodeSystem* nodes;
    const RenderOptions& options;
    const std::vector<int>& frames;
    const Renderer::FrameSink& sink;
    const Renderer::Progress& progress;
};

// The plug-in calls around one render. Made, it sends event 0x111 to the masters and finds the
// surfaces' own graphs (after the masters heard of the render); init() and newTime() reach the
// shaders and those graphs; when it goes, however the render ended, the shaders and graphs are
// cleaned up and the masters hear event 0x112.
class RenderCycle {
  public:
    explicit RenderCycle(const RenderJob& job) : m_plugins(job.plugins), m_nodes(job.nodes) {
        if (m_plugins) m_plugins->sendMasterEvent(LWEVNT_NOTIFY_RENDER_STARTING, nullptr);
        try {
            findGraphs(job.scene);
        } catch (...) {
            end();
            throw;
        }
    }
    ~RenderCycle() { end(); }
    RenderCycle(const RenderCycle&) = delete;
    RenderCycle& operator=(const RenderCycle&) = delete;

    // Why a shader's or a surface graph's init failed ("" when none did).
    std::string init(int mode) {
        std::string why;
        if (m_plugins) why = m_plugins->initShaders(mode);
        for (const GraphOfSurface& g : m_graphs) {
            if (!why.empty()) break;
            if (const char* e = m_nodes->renderInit(*g.graph, mode))
                why = g.surface + ": node graph: init: " + e;
        }
        return why;
    }
    // Likewise for new time.
    std::string newTime(int frame, double time) {
        std::string why;
        if (m_plugins) why = m_plugins->newTimeShaders(frame, time);
        for (const GraphOfSurface& g : m_graphs) {
            if (!why.empty()) break;
            if (const char* e = m_nodes->renderNewTime(*g.graph, frame, time))
                why = g.surface + ": node graph: newTime: " + e;
        }
        return why;
    }

  private:
    void findGraphs(const Scene& scene) {
        if (!m_nodes) return;
        for (size_t i = 0; i < scene.surfaceCount(); ++i) {
            const Surface& s = scene.surfaceAt(i);
            if (!s.nodes.data.instance) continue;
            if (NodeGraph* g = m_nodes->editor(static_cast<NodeEditorID>(s.nodes.data.instance)))
                m_graphs.push_back(GraphOfSurface{s.name, g});
        }
    }
    void end() {
        if (m_plugins) m_plugins->cleanupShaders();
        for (const GraphOfSurface& g : m_graphs) m_nodes->renderCleanup(*g.graph);
        if (m_plugins) m_plugins->sendMasterEvent(LWEVNT_NOTIFY_RENDER_COMPLETE, nullptr);
    }

    Plugins* m_plugins;
    NodeSystem* m_nodes;
    std::vector<GraphOfSurface> m_graphs;
};

// The frames of one render, one at a time: the frame's world is built, its image evaluated tile
// by tile on the render threads and handed to the sink. The world is kept from frame to frame.
class FrameRenderer {
  public:
    FrameRenderer(const RenderJob& job, const RenderWorld::Settings& settings, int threads)
        : m_job(job),
          m_options(job.options),
          m_settings(settings),
          m_threads(threads),
          m_tilesX((m_options.width + kTileSide - 1) / kTileSide),
          m_tiles(static_cast<size_t>(m_tilesX) *
                  static_cast<size_t>((m_options.height + kTileSide - 1) / kTileSide)) {}

    // The job's frame at `index`, at `time`. "" or why the render ends here; `tally` counts the
    // frame once its image is made.
    std::string render(size_t index, double time, RenderStats& tally) {
        std::string why;
        m_settings.time = time;
        if (!m_world.build(m_job.scene, m_job.plugins, m_job.nodes, m_settings, why)) return why;

        RgbImage image(m_options.width, m_options.height);
        FloatImage* values = m_options.values;
        if (values) *values = FloatImage(m_options.width, m_options.height);
        std::atomic<uint64_t> rays{0};
        auto tileJob = [&](size_t tile) {
            WorldBinding binding(m_world);
            renderTile(tile, image, values);
            rays.fetch_add(RenderWorld::threadRays(), std::memory_order_relaxed);
        };
        const Renderer::Progress& progress = m_job.progress;
        const double count = static_cast<double>(m_job.frames.size());
        auto waiting = [&](size_t done) {
            if (progress)
                progress((static_cast<double>(index) + static_cast<double>(done) / m_tiles) /
                         count);
        };
        const auto start = std::chrono::steady_clock::now();
        if (!parallelFor(m_tiles, m_threads, tileJob, waiting))
            return "cannot start the render threads";
        tally.seconds +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        tally.rays += rays.load();
        tally.cameraSamples +=
            static_cast<uint64_t>(m_options.width) * m_options.height * m_options.samples;
        ++tally.frames;
        if (progress) progress(static_cast<double>(index + 1) / count);
        const int frame = m_job.frames[index];
        if (m_job.sink && !m_job.sink(frame, image, why) && why.empty())
            why = "frame " + std::to_string(frame) + " was refused";
        return why;
    }

  private:
    // The pixels of one tile, on a thread bound to the world: each averages its camera samples.
    void renderTile(size_t tile, RgbImage& image, FloatImage* values) const {
        const int n = m_options.samples;
        const int x0 = static_cast<int>(tile % static_cast<size_t>(m_tilesX)) * kTileSide;
        const int y0 = static_cast<int>(tile / static_cast<size_t>(m_tilesX)) * kTileSide;
        const int x1 = std::min(x0 + kTileSide, m_options.width);
        const int y1 = std::min(y0 + kTileSide, m_options.height);
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
                    const Vec3 c = m_world.shadeCameraSample(s, &hit);
                    sum += rmath::clamp01(c);
                    linear += c;
                    covered += hit ? 1 : 0;
                }
                uint8_t* p = image.pixel(x, y);
                p[0] = toByte(sum.x / n);
                p[1] = toByte(sum.y / n);
                p[2] = toByte(sum.z / n);
                if (values) {
                    const Vec3& v = m_options.clampValues ? sum : linear;
                    float* q = values->pixel(x, y);
                    q[0] = static_cast<float>(v.x / n);
                    q[1] = static_cast<float>(v.y / n);
                    q[2] = static_cast<float>(v.z / n);
                    q[3] = static_cast<float>(static_cast<double>(covered) / n);
                }
            }
        }
    }

    const RenderJob& m_job;
    const RenderOptions& m_options;
    RenderWorld::Settings m_settings;
    const int m_threads;
    const int m_tilesX;
    const size_t m_tiles;
    RenderWorld m_world;
};

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
    RenderStats tally;
    tally.width = options.width;
    tally.height = options.height;
    tally.samples = options.samples;
    tally.threads = renderThreadCount(options.threads);
    const double fps = m_scene.frames().fps > 0 ? m_scene.frames().fps : 30.0;

    const RenderJob job{m_scene, m_plugins, m_nodes, options, frames, sink, progress};
    std::string why;
    FrameRenderer renderer(job, worldSettings(options, m_host.identity()), tally.threads);
    {
        RenderCycle cycle(job);
        why = cycle.init(options.mode);
        // Running out of memory (or any exception, also one from a render thread) ends the
        // render like any failure: the cleanup calls are made, and no image of the frame is
        // handed on.
        size_t f = 0;
        try {
            for (; f < frames.size() && why.empty(); ++f) {
                const double time = frames[f] / fps;
                why = cycle.newTime(frames[f], time);
                if (why.empty()) why = renderer.render(f, time, tally);
            }
        } catch (const std::bad_alloc&) {
            why = "out of memory while rendering frame " + std::to_string(frames[f]) + " at " +
                  std::to_string(options.width) + "x" + std::to_string(options.height);
        } catch (const std::exception& e) {
            why = "rendering frame " + std::to_string(frames[f]) + " failed: " + e.what();
        }
    }
    if (stats) *stats = tally;
    error = why;
    return why.empty();
}

}  // namespace lwhost
