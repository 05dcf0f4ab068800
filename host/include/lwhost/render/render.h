// The host's renderer: one render of a scene's frames to 8-bit RGB images, and on request to
// linear values with alpha.
//
// The render cycle, once per render (several frames are one render):
//   1. event 0x111 to the master plug-ins that ask for notifications;
//   2. init(mode) for every shader instance, then for every node of the surfaces' own graphs;
//   3. per frame, on the main thread: new time for the shaders and the surface graphs, then the
//      frame's world is built (geometry, lights, camera, the surfaces' shaders and their flags)
//      and the image is evaluated on the render threads;
//   4. cleanup of the shaders and surface graphs, also when a step above failed;
//   5. event 0x112 to the same masters.
//
// Images are deterministic: every pixel depends only on its own samples, so any number of
// render threads gives the same image. The shading model is described in render_world.h.
#pragma once

#include <lwsdk/lwhandler.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "lwhost/io/png.h"

namespace lwhost {

class Host;
class Scene;
class Plugins;
class NodeSystem;

constexpr int kMaxRenderSide = 8192;
constexpr int kMaxRenderSamples = 4096;
constexpr int kMaxRenderThreads = 256;
constexpr int kMaxRenderBounces = 32;

struct RenderOptions {
    int width = 640;
    int height = 480;
    int samples = 1;           // camera samples per pixel
    int threads = 0;           // render threads; 0: one per processor
    int maxBounces = 4;        // reflections and refractions a path may take
    int mode = LWINIT_RENDER;  // handed to init
    // When set, each frame is also made here before the sink hears it: linear values with the
    // pixel's coverage by geometry as alpha (see FloatImage). `clampValues` clamps each sample
    // to 0..1 first, as the 8-bit image does; without it highlights keep their values.
    FloatImage* values = nullptr;
    bool clampValues = true;
};

struct RenderStats {
    int width = 0;
    int height = 0;
    int samples = 0;
    int threads = 0;
    int frames = 0;
    double seconds = 0;          // time spent evaluating images, all frames
    uint64_t cameraSamples = 0;  // camera samples evaluated
    uint64_t rays = 0;           // rays cast: camera, reflected, refracted, shadow and shaders'
};

// The render threads a request for `threads` gets (0: one per processor).
int renderThreadCount(int threads);

class Renderer {
  public:
    // Plug-ins and nodes may be null: the scene then renders without shaders or surface graphs
    // and no master hears the render.
    Renderer(Host& host, Scene& scene, Plugins* plugins = nullptr, NodeSystem* nodes = nullptr);
    ~Renderer();
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    // Why these frames of the scene cannot be rendered with the options ("" when they can):
    // sizes, samples, threads or bounces out of range, a frame outside the scene's range, no
    // camera, no lights.
    std::string check(const RenderOptions& options, const std::vector<int>& frames) const;
    // The part of check() that needs no scene.
    static std::string checkOptions(const RenderOptions& options);

    // Hears each finished frame on the main thread; false with `error` ends the render.
    using FrameSink = std::function<bool(int frame, const RgbImage& image, std::string& error)>;
    // Hears the share of the render done (0..1) on the main thread, a few times a second.
    using Progress = std::function<void(double done)>;

    // Renders the frames in order as one render. False with `error` when the options or scene
    // fail check(), a plug-in's init or new time fails, the world cannot be built, memory runs
    // out or the sink refuses a frame; the cleanup calls and event 0x112 are made in every case
    // once event 0x111 was sent.
    bool render(const RenderOptions& options, const std::vector<int>& frames, const FrameSink& sink,
                std::string& error, RenderStats* stats = nullptr,
                const Progress& progress = Progress());

  private:
    Host& m_host;
    Scene& m_scene;
    Plugins* m_plugins;
    NodeSystem* m_nodes;
};

}  // namespace lwhost
