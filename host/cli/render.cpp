// lwhost render: load a module and a scene with its plug-ins, render frames to PNG or EXR files.
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>

#include "cli.h"
#include "edits.h"
#include "inputs.h"
#include "lwhost/core/host.h"
#include "lwhost/core/platform.h"
#include "lwhost/io/atomic_file.h"
#include "lwhost/io/exr.h"
#include "lwhost/io/png.h"
#include "lwhost/nodes/nodes.h"
#include "lwhost/plugins/plugins.h"
#include "lwhost/render/render.h"
#include "lwhost/scene/scene.h"
#include "lwhost/session/session.h"
#include "output_names.h"
#include "passes.h"

namespace lwhost::cli {

namespace {

const char kCommand[] = "render";

bool parseInt(const std::string& text, int& out) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < INT_MIN || v > INT_MAX) return false;
    out = static_cast<int>(v);
    return true;
}

// "A-B" with A <= B; A and B may be negative ("-3--1").
bool parseRange(const std::string& text, int& first, int& last) {
    for (size_t dash = 1; dash < text.size(); ++dash) {
        if (text[dash] != '-') continue;
        if (parseInt(text.substr(0, dash), first) && parseInt(text.substr(dash + 1), last))
            return first <= last;
    }
    return false;
}

// A bar with the time left, redrawn on one terminal line.
class ProgressBar {
  public:
    explicit ProgressBar(bool shown) : m_shown(shown), m_start(std::chrono::steady_clock::now()) {}
    void update(double done) {
        if (!m_shown) return;
        constexpr int kWidth = 30;
        const int filled = static_cast<int>(done * kWidth + 0.5);
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
        std::string bar(static_cast<size_t>(filled), '#');
        bar.append(static_cast<size_t>(kWidth - filled), '.');
        char line[128];
        if (done > 0.001) {
            const double left = elapsed * (1.0 - done) / done;
            std::snprintf(line, sizeof line, "\r[%s] %3d%%  %.1f s left   ", bar.c_str(),
                          static_cast<int>(done * 100), left);
        } else {
            std::snprintf(line, sizeof line, "\r[%s] %3d%%             ", bar.c_str(),
                          static_cast<int>(done * 100));
        }
        std::cerr << line << std::flush;
        m_drawn = true;
    }
    void finish() {
        if (m_drawn) std::cerr << "\r" << std::string(60, ' ') << "\r" << std::flush;
        m_drawn = false;
    }

  private:
    bool m_shown;
    bool m_drawn = false;
    std::chrono::steady_clock::time_point m_start;
};

// Every message the plug-ins left, once each, with how often it was shown.
void printMessages(const Host& host, bool quiet) {
    for (const Message& m : const_cast<Host&>(host).messages().all()) {
        if (quiet && m.kind != MessageKind::Error) continue;
        std::cerr << messageLine(m);
        if (m.count > 1) std::cerr << " (" << m.count << " times)";
        std::cerr << "\n";
    }
}

// A master that acts through a shader no surface carries changes nothing in the images: the usual
// case for an imported model, and an expensive one to find on a farm. The host says so rather
// than the plug-in, whose dialog would stop a batch render.
void warnUnusedMasters(Plugins& plugins, const std::string& scenePath) {
    const Scene& scene = plugins.scene();
    if (scene.surfaceCount() == 0) return;
    for (const std::string& shader : plugins.masterShaders()) {
        if (surfacesCarrying(scene, shader) != 0) continue;
        std::cerr << "lwhost: warning: " << scenePath << ": no surface carries the shader "
                  << shader << ", so the master plug-in " << shader
                  << " changes nothing in these images; --add-shaders puts it on every surface "
                     "for this render (\"Add All Shaders\" in the master's \"Scene Editing\" "
                     "menu does it in the scene)\n";
    }
}

// What the images hold: PNG at 8 or 16 bits, RGB or RGBA; EXR in half or full float, RGBA.
struct ImageDepth {
    std::string depth;  // --depth as given; empty: 8 for PNG, half for EXR
    bool alpha = false;
    // For a PNG file: 8-bit RGB from the renderer's bytes, as it always was.
    bool plain() const { return (depth.empty() || depth == "8") && !alpha; }
};

struct RenderCommand {
    std::string scene;
    std::string output;
    std::string module;
    bool frameGiven = false;
    int firstFrame = 0;
    int lastFrame = 0;
    bool range = false;
    std::vector<RenderPass> passes;  // after the scene as loaded
    bool addShaders = false;         // the master's shader on every surface, for this run
    OutputNames names;
    RenderOptions options;
    ImageDepth image;
    SceneEdits edits;
};

// --depth and --alpha against the format the file name says.
bool checkDepth(const RenderCommand& c, std::string& why) {
    const std::string& d = c.image.depth;
    if (c.names.format() == ImageFormat::Exr) {
        if (d.empty() || d == "half" || d == "float") return true;
        why = "--depth " + d + " is for PNG files: an .exr file takes half or float";
        return false;
    }
    if (d.empty() || d == "8" || d == "16") return true;
    why = "--depth " + d + " needs an .exr file name (PNG takes 8 or 16)";
    return false;
}

// Parses the command line; returns kExitOk or the usage error's status.
int parse(Args& args, RenderCommand& c) {
    std::vector<std::string> positional;
    while (!args.empty()) {
        const std::string a = args.next();
        std::string v;
        auto number = [&](const char* what, int& out) -> bool {
            if (args.value(a, v) && parseInt(v, out)) return true;
            usageError(kCommand, a + " needs " + what + (v.empty() ? "" : ", not '" + v + "'"));
            return false;
        };
        if (a == "-o" || a == "--output") {
            if (!args.value(a, c.output) || c.output.empty())
                return usageError(kCommand, a + " needs a PATH");
        } else if (a == "--module") {
            if (!args.value(a, c.module) || c.module.empty())
                return usageError(kCommand, "--module needs a PATH");
        } else if (a == "--frame") {
            if (!number("a frame number", c.firstFrame)) return kExitUsage;
            c.lastFrame = c.firstFrame;
            c.frameGiven = true;
            c.range = false;
        } else if (a == "--frames") {
            if (!args.value(a, v) || !parseRange(v, c.firstFrame, c.lastFrame))
                return usageError(kCommand, "--frames needs FIRST-LAST with FIRST <= LAST");
            c.frameGiven = true;
            c.range = true;
        } else if (a == "--pass") {
            std::string why = "--pass needs NAME=PRESET";
            if (!args.value(a, v) || !addPass(v, c.passes, why)) return usageError(kCommand, why);
        } else if (a == "--depth") {
            if (!args.value(a, c.image.depth) ||
                (c.image.depth != "8" && c.image.depth != "16" && c.image.depth != "half" &&
                 c.image.depth != "float"))
                return usageError(kCommand, "--depth needs 8, 16, half or float");
        } else if (a == "--alpha") {
            c.image.alpha = true;
        } else if (bool ok = true; c.edits.take(a, args, kCommand, ok)) {
            if (!ok) return kExitUsage;
        } else if (a == "--add-shaders") {
            c.addShaders = true;
        } else if (a == "--width") {
            if (!number("a number of pixels", c.options.width)) return kExitUsage;
        } else if (a == "--height") {
            if (!number("a number of pixels", c.options.height)) return kExitUsage;
        } else if (a == "--samples") {
            if (!number("a number of samples", c.options.samples)) return kExitUsage;
        } else if (a == "--threads") {
            if (!number("a number of threads", c.options.threads)) return kExitUsage;
            if (c.options.threads < 1)
                return usageError(kCommand, "--threads needs at least 1 thread");
        } else if (!a.empty() && a[0] == '-' && a.size() > 1) {
            return usageError(kCommand, "unknown option '" + a + "'");
        } else {
            positional.push_back(a);
        }
    }
    if (positional.size() != 1) return usageError(kCommand, "needs one SCENE");
    if (c.output.empty()) return usageError(kCommand, "needs -o OUT.png (or OUT.exr)");
    c.scene = positional[0];
    if (c.module.empty()) c.module = defaultModulePath();
    if (c.range && static_cast<long long>(c.lastFrame) - c.firstFrame >= 100000)
        return usageError(kCommand, "--frames covers more than 100000 frames");
    std::string why;
    if (!c.names.parse(c.output, c.scene, c.range, !c.passes.empty(), why) || !checkDepth(c, why))
        return usageError(kCommand, why);
    return kExitOk;
}

// The header of an EXR file: how its frame was rendered.
std::vector<std::pair<std::string, std::string>> exrAttributes(const RenderCommand& c,
                                                               const GlobalOptions& global,
                                                               int frame) {
    std::string passes = kScenePass;
    for (const RenderPass& pass : c.passes) passes += "; " + pass.name + "=" + pass.preset;
    const HostIdentity& id = global.identity;
    std::vector<std::pair<std::string, std::string>> a = {
        {"lwhost:scene", c.scene},
        {"lwhost:frame", std::to_string(frame)},
        {"lwhost:samples", std::to_string(c.options.samples)},
        {"lwhost:bounces", std::to_string(c.options.maxBounces)},
        {"lwhost:hostVersion", std::to_string(id.major) + "." + std::to_string(id.minor)},
    };
    if (c.names.layered()) a.emplace_back("lwhost:passes", passes);
    if (c.addShaders) a.emplace_back("lwhost:addShaders", "1");
    if (!c.edits.empty()) a.emplace_back("lwhost:edits", c.edits.describe());
    return a;
}

// The images' names per pass: the scene as loaded first when there are passes; one unnamed pass
// without them.
std::vector<std::string> passNamesOf(const RenderCommand& c) {
    std::vector<std::string> names;
    if (!c.passes.empty()) names.push_back(kScenePass);
    for (const RenderPass& pass : c.passes) names.push_back(pass.name);
    if (names.empty()) names.push_back("");
    return names;
}

// What is refused before anything is loaded: sizes and similar, and every image's place (a
// directory, device or pipe, or a directory where no file can be made). Frames outside the
// scene's range are refused later, by the renderer's check.
int checkBeforeLoading(const RenderCommand& c, const std::vector<std::string>& passNames) {
    std::string error = Renderer::checkOptions(c.options);
    if (error.empty()) canWriteBeside(c.names.file(passNames[0], c.firstFrame), error);
    if (!error.empty()) {
        std::cerr << "lwhost: " << error << "\n";
        return kExitUsage;
    }
    const long long lastChecked = c.frameGiven ? c.lastFrame : c.firstFrame;
    for (const std::string& pass : passNames) {
        for (long long f = c.firstFrame; f <= lastChecked; ++f) {
            const std::string name = c.names.file(pass, static_cast<int>(f));
            std::string target, why;
            if (!replacementTarget(name, target, why)) {
                std::cerr << "lwhost: cannot write " << name << ": " << why << "\n";
                return kExitUsage;
            }
        }
    }
    return kExitOk;
}

// The render of a loaded session, pass by pass, each pass from the scene as loaded.
class RenderRun {
  public:
    RenderRun(RenderCommand& c, const GlobalOptions& global, Session& session)
        : m_c(c),
          m_global(global),
          m_session(session),
          m_passNames(passNamesOf(c)),
          m_exr(c.names.format() == ImageFormat::Exr),
          m_plainPng(!m_exr && c.image.plain()),
          m_layers(c.names.layered() ? m_passNames.size() : 1) {
        m_c.options.clampValues = !m_exr;
    }

    // Prepares every pass once before anything renders, so that a missing or bad preset or a
    // failing edit is refused with nothing written; the edits print then only. Finds the frames
    // and checks that no image replaces a file this run reads.
    int prepareAll(InputFiles& inputs) {
        for (size_t p = 0; p < m_passNames.size(); ++p) {
            if (!prepare(p, std::cout)) {
                std::cout.flush();
                printMessages(m_session.host(), m_global.quiet);
                std::cerr << "lwhost: " << m_error << "\n";
                return kExitUsage;
            }
            if (p > 0) continue;
            const Scene& scene = m_session.scene();
            const int first = m_c.frameGiven ? m_c.firstFrame : scene.frames().first;
            const int last = m_c.frameGiven ? m_c.lastFrame : first;
            for (long long f = first; f <= last; ++f) m_frames.push_back(static_cast<int>(f));
            // No image may replace a file this run reads; known whole once the scene is loaded.
            inputs.addObjects(scene, m_c.scene);
            for (const std::string& pass : m_passNames) {
                for (int frame : m_frames) {
                    if (inputs.mayWrite(m_c.names.file(pass, frame), m_error)) continue;
                    std::cerr << "lwhost: " << m_error << "\n";
                    return kExitUsage;
                }
            }
        }
        m_session.host().messages().clear();  // each pass's own load says it again
        return kExitOk;
    }

    // The passes of one frame are layers of one file: each frame is rendered pass by pass and
    // written after the last. Otherwise each pass renders every frame in one render.
    int renderAll() {
        std::vector<std::vector<int>> renders;
        if (m_c.names.layered())
            for (int frame : m_frames) renders.push_back({frame});
        else
            renders.push_back(m_frames);
        int status = kExitOk;
        for (size_t r = 0; r < renders.size() && status == kExitOk; ++r)
            for (size_t p = 0; p < m_passNames.size() && status == kExitOk; ++p)
                status = renderPass(p, renders[r], r == 0 && p == 0);
        return status;
    }

  private:
    // Each pass starts from the scene as loaded: its preset, the shaders for this run, then the
    // edits.
    bool prepare(size_t p, std::ostream& out) {
        return m_session.plugins().loadScene(m_c.scene, m_error) &&
               (p == 0 || loadPassPreset(m_session, m_c.passes[p - 1], m_error)) &&
               (!m_c.addShaders || addAllShaders(m_session, m_shader, m_carriers, m_error)) &&
               m_c.edits.apply(out, m_error);
    }

    // Pass `p` of the frames as one render; the first render of the run also says what the
    // masters' shaders do.
    int renderPass(size_t p, const std::vector<int>& frames, bool first) {
        std::ostream silent(nullptr);
        Host& host = m_session.host();
        if (!prepare(p, silent)) {
            printMessages(host, m_global.quiet);
            std::cerr << "lwhost: " << m_error << "\n";
            return kExitFailure;
        }
        Renderer renderer(host, m_session.scene(), &m_session.plugins(), &m_session.nodes());
        m_error = renderer.check(m_c.options, frames);
        if (!m_error.empty()) {
            std::cerr << "lwhost: " << m_c.scene << ": " << m_error << "\n";
            return kExitUsage;
        }
        if (first && !m_global.quiet) {
            if (m_c.addShaders)
                std::cerr << "lwhost: " << m_shader << " on " << m_carriers << " surface"
                          << (m_carriers == 1 ? "" : "s") << " for this render (" << m_c.scene
                          << " is not changed)\n";
            else
                warnUnusedMasters(m_session.plugins(), m_c.scene);
        }
        FloatImage& values = m_layers[m_c.names.layered() ? p : 0];
        m_c.options.values = m_plainPng ? nullptr : &values;
        ProgressBar bar(!m_global.quiet && platform::standardErrorIsTerminal());
        RenderStats stats;
        auto sink = [&](int frame, const RgbImage& image, std::string& why) {
            return write(p, frame, image, values, why);
        };
        const bool ok = renderer.render(m_c.options, frames, sink, m_error, &stats,
                                        [&](double done) { bar.update(done); });
        bar.finish();
        printMessages(host, m_global.quiet);
        host.messages().clear();
        if (!ok) {
            std::cerr << "lwhost: " << m_error << "\n";
            return kExitFailure;
        }
        if (!m_global.quiet) printSummary(m_passNames[p], stats);
        return kExitOk;
    }

    // Writes pass `p` of the frame: its PNG file, or the EXR file of the frame once its last
    // layer is made.
    bool write(size_t p, int frame, const RgbImage& image, const FloatImage& values,
               std::string& why) {
        const std::string file = m_c.names.file(m_passNames[p], frame);
        if (m_plainPng) return writePng(file, image, why);
        if (!m_exr)
            return writePng(file, values, m_c.image.depth == "16" ? 16 : 8, m_c.image.alpha, why);
        if (m_c.names.layered() && p + 1 < m_passNames.size()) return true;
        std::vector<ExrLayer> written;
        for (size_t l = 0; l < m_layers.size(); ++l)
            written.push_back(
                ExrLayer{m_c.names.layered() ? m_passNames[l] : std::string(), &m_layers[l]});
        return writeExr(file, written, m_c.image.depth == "float",
                        exrAttributes(m_c, m_global, frame), why);
    }

    static void printSummary(const std::string& pass, const RenderStats& stats) {
        const double perSecond = stats.seconds > 0 ? stats.cameraSamples / stats.seconds : 0.0;
        char line[256];
        std::snprintf(line, sizeof line,
                      "%s%srendered %d frame%s of %dx%d, %d sample%s per pixel, %d "
                      "thread%s, %.2f s, %.0f samples per second\n",
                      pass.c_str(), pass.empty() ? "" : ": ", stats.frames,
                      stats.frames == 1 ? "" : "s", stats.width, stats.height, stats.samples,
                      stats.samples == 1 ? "" : "s", stats.threads, stats.threads == 1 ? "" : "s",
                      stats.seconds, perSecond);
        std::cout << line;
    }

    RenderCommand& m_c;
    const GlobalOptions& m_global;
    Session& m_session;
    const std::vector<std::string> m_passNames;
    const bool m_exr;
    const bool m_plainPng;
    std::vector<FloatImage> m_layers;
    std::vector<int> m_frames;
    std::string m_error;
    std::string m_shader;  // the master's shader --add-shaders put on m_carriers surfaces
    size_t m_carriers = 0;
};

}  // namespace

int runRender(Args& args, const GlobalOptions& global) {
    RenderCommand c;
    if (int status = parse(args, c); status != kExitOk) return status;
    if (int status = checkBeforeLoading(c, passNamesOf(c)); status != kExitOk) return status;

    Session session(global.identity);
    InputFiles inputs;
    if (!configureHost(session.host(), global, &inputs)) return kExitUsage;
    inputs.add("the scene", c.scene);
    inputs.add("the module", c.module);
    c.edits.addInputs(inputs);
    for (const RenderPass& pass : c.passes)
        inputs.add("the settings file of pass '" + pass.name + "'", settingsFile(pass));
    std::string error;
    if (!session.loadModule(c.module, error) || !c.edits.prepare(session, error)) {
        std::cerr << "lwhost: " << error << "\n";
        return kExitUsage;
    }
    RenderRun run(c, global, session);
    if (int status = run.prepareAll(inputs); status != kExitOk) return status;
    return run.renderAll();
}

}  // namespace lwhost::cli
