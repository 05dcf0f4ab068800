// lwhost info: read a scene file and describe it.
#include <cstdio>
#include <iostream>
#include <sstream>

#include "cli.h"
#include "edits.h"
#include "inputs.h"
#include "lwhost/core/handles.h"
#include "lwhost/core/host.h"
#include "lwhost/io/atomic_file.h"
#include "lwhost/nodes/node_graph_file.h"
#include "lwhost/plugins/plugins.h"
#include "lwhost/plugins/selections.h"
#include "lwhost/scene/scene_file.h"
#include "lwhost/session/session.h"
#include "lwhost/ui/user_action.h"

namespace lwhost::cli {

namespace {

// Items are shown by the key their handle carries, as scene files store it.
std::string id(LWItemID value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", keyOf(value));
    return buf;
}

std::string num(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

std::string vec(const Vec3& v) {
    return num(v.x) + " " + num(v.y) + " " + num(v.z);
}

// Names and texts from the file reach the terminal with their control characters escaped.
std::string quoted(const std::string& s) {
    return scriptQuote(s);
}

std::string shown(const std::string& s) {
    return scriptOneLine(s);
}

std::string count(size_t n, const char* what) {
    return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

std::string geometry(const Item& item) {
    const GeometrySource& g = item.object.source;
    switch (g.kind) {
        case GeometryKind::None:
            return "null";
        case GeometryKind::Inline:
            return "mesh";
        case GeometryKind::ObjFile:
            return "OBJ " + shown(g.path);
        case GeometryKind::Plane:
            return "plane " + num(g.size.x) + " x " + num(g.size.z);
        case GeometryKind::Box:
            return "box " + num(g.size.x) + " x " + num(g.size.y) + " x " + num(g.size.z);
        case GeometryKind::Sphere:
            return "sphere radius " + num(g.size.x) + ", " + std::to_string(g.segments) +
                   " segments";
    }
    return "";
}

void printHierarchy(std::ostream& out, const Scene& scene) {
    out << "Items (" << scene.itemCount() << "):\n";
    // Depth-first over the hierarchy without recursion: top-level items in scene order, each
    // followed by its descendants.
    std::vector<std::pair<LWItemID, int>> stack;
    for (size_t i = scene.itemCount(); i-- > 0;)
        if (!scene.itemAt(i).parent) stack.emplace_back(scene.itemAt(i).id, 0);
    while (!stack.empty()) {
        auto [itemId, depth] = stack.back();
        stack.pop_back();
        const Item& item = *scene.item(itemId);
        out << std::string(2 + 2 * static_cast<size_t>(depth), ' ') << id(item.id) << " "
            << (item.isNull() ? "null" : itemTypeName(item.type)) << " " << quoted(item.name)
            << "\n";
        for (size_t t = 1; t <= item.comments.size(); ++t)
            out << std::string(6 + 2 * static_cast<size_t>(depth), ' ') << "comment " << t << ": "
                << shown(item.comments[t - 1]) << "\n";
        for (auto c = item.children.rbegin(); c != item.children.rend(); ++c)
            stack.emplace_back(*c, depth + 1);
    }
}

void printObjects(std::ostream& out, const Scene& scene) {
    out << "\nObjects (" << scene.objectCount() << "):\n";
    for (size_t i = 0; i < scene.objectCount(); ++i) {
        const Item& item = *scene.item(scene.objectAt(i));
        const Mesh& mesh = item.object.mesh;
        out << "  " << quoted(item.name) << ": file " << quoted(item.object.fileName) << ", "
            << geometry(item) << ", " << count(mesh.points.size(), "point") << ", "
            << count(mesh.polygons.size(), "polygon") << "\n";
        for (const WeightMap& w : mesh.weightMaps) {
            size_t withValue = 0;
            float v;
            for (uint32_t p = 0; p < mesh.points.size(); ++p) withValue += mesh.weight(w, p, v);
            out << "    weight map " << quoted(w.name) << ": " << count(withValue, "point value")
                << ", " << count(w.polygonValues.size(), "polygon value") << "\n";
        }
    }
}

void printSurfaces(std::ostream& out, const Scene& scene) {
    out << "\nSurfaces (" << scene.surfaceCount() << "):\n";
    for (size_t i = 0; i < scene.surfaceCount(); ++i) {
        const Surface& s = scene.surfaceAt(i);
        const SurfaceSettings& v = s.settings;
        out << "  " << quoted(s.name) << " of " << quoted(s.objectFile) << ": colour "
            << vec(v.colour) << ", diffuse " << num(v.get(LWSURF_DIFFUSE)) << ", specular "
            << num(v.get(LWSURF_SPECULAR)) << ", glossiness " << num(v.get(LWSURF_GLOSSINESS))
            << ", luminosity " << num(v.get(LWSURF_LUMINOSITY)) << ", reflection "
            << num(v.get(LWSURF_REFLECTION)) << ", transparency " << num(v.get(LWSURF_TRANSPARENCY))
            << ", refraction index " << num(v.get(LWSURF_REFRACTION_INDEX)) << "\n";
        if (!s.shaders.empty()) {
            out << "    shaders:";
            for (const ShaderSlot& sh : s.shaders) out << " " << shown(sh.server);
            out << "\n";
        }
        if (s.nodes.enabled || !s.nodes.data.text.empty())
            out << "    node graph: " << (s.nodes.enabled ? "on" : "off") << "\n";
    }
}

void printLightsAndCameras(std::ostream& out, const Scene& scene) {
    out << "\nLights (" << scene.count(ItemType::Light) << "):\n";
    for (LWItemID l = scene.first(ItemType::Light); l; l = scene.next(l)) {
        const Item& item = *scene.item(l);
        Matrix4 world = scene.worldMatrix(l);
        out << "  " << quoted(item.name) << ": ";
        if (item.light.kind == LightKind::Distant)
            out << "distant, direction " << vec(normalized(transformDirection(world, {0, 0, 1})));
        else
            out << "point, position " << vec(transformPoint(world, {}));
        out << ", colour " << vec(item.light.colour) << ", intensity " << num(item.light.intensity)
            << "\n";
    }
    out << "\nCameras (" << scene.count(ItemType::Camera) << "):\n";
    for (LWItemID c = scene.first(ItemType::Camera); c; c = scene.next(c)) {
        const Item& item = *scene.item(c);
        Matrix4 world = scene.worldMatrix(c);
        out << "  " << quoted(item.name) << ": position " << vec(transformPoint(world, {}))
            << ", looking " << vec(normalized(transformDirection(world, {0, 0, 1})))
            << ", field of view " << num(item.camera.fieldOfView) << "\n";
    }
}

// The master plug-ins, each with its settings as the plug-in holds them now (a preset it loaded
// by itself included); the scene's text when no loaded module offers the server. False after
// printing why when a plug-in cannot give its settings.
bool printMasters(std::ostream& out, const Scene& scene, Plugins& plugins) {
    out << "\nMaster plug-ins (" << scene.masters().size() << "):\n";
    for (const MasterSlot& m : scene.masters()) {
        out << "  " << shown(m.server) << (m.disabled ? " (disabled)" : "") << "\n";
        std::string text = m.data.text, error;
        if (m.data.instance && !plugins.save(m.data.instance, text, error)) {
            std::cerr << "lwhost: " << m.server << ": " << error << "\n";
            return false;
        }
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);) out << "    " << shown(line) << "\n";
    }
    return true;
}

struct InfoCommand {
    std::string scene;
    std::string module;
    std::string dotFile;
    bool frameGiven = false;
    long long frame = 0;
    SceneEdits edits;
};

// Parses the command line; returns kExitOk or the usage error's status.
int parse(Args& args, InfoCommand& c) {
    while (!args.empty()) {
        std::string a = args.next();
        if (bool ok = true; c.edits.take(a, args, "info", ok)) {
            if (!ok) return kExitUsage;
        } else if (a == "--module") {
            if (!args.value(a, c.module) || c.module.empty())
                return usageError("info", "--module needs a PATH");
        } else if (a == "--graph-dot") {
            if (!args.value(a, c.dotFile) || c.dotFile.empty())
                return usageError("info", "--graph-dot needs a FILE");
        } else if (a == "--frame") {
            std::string v;
            if (!args.value(a, v) || !scriptInt(v, c.frame) || c.frame < -1000000 ||
                c.frame > 1000000)
                return usageError("info", "--frame needs a frame number");
            c.frameGiven = true;
        } else if (!a.empty() && a[0] == '-') {
            return usageError("info", "unknown option '" + a + "'");
        } else if (!c.scene.empty()) {
            return usageError("info", "one SCENE only");
        } else {
            c.scene = a;
        }
    }
    if (c.scene.empty()) return usageError("info", "which SCENE?");
    if (c.module.empty()) c.module = defaultModulePath();
    return kExitOk;
}

// Every node editor, the plug-ins' (the override's) and each surface's own, to the DOT file.
int writeGraphDot(Session& session, InputFiles& inputs, const std::string& dotFile) {
    AtomicFile file;
    const std::string text = graphDot(session.nodes().editors());
    std::string error, why;
    if (!inputs.mayWrite(dotFile, error)) {
        std::cerr << "lwhost: " << error << "\n";
        return kExitUsage;
    }
    if (!file.open(dotFile, why) || !file.write(text.data(), text.size(), why) ||
        !file.commit(why)) {
        std::cerr << "lwhost: cannot write " << dotFile << ": " << why << "\n";
        return kExitFailure;
    }
    return kExitOk;
}

// The listing of the loaded scene; kExitFailure after printing why when a plug-in's settings or
// the selections cannot be had.
int describe(std::ostream& out, Session& session, const InfoCommand& c, bool quiet) {
    const Scene& scene = session.scene();
    Plugins& plugins = session.plugins();
    const FrameRange& f = scene.frames();
    if (!quiet) out << "Scene " << shown(c.scene) << "\n";
    out << "Frames " << f.first << " to " << f.last << " at " << num(f.fps)
        << " frames per second\n\n";
    printHierarchy(out, scene);
    printObjects(out, scene);
    printSurfaces(out, scene);
    printLightsAndCameras(out, scene);
    if (!printMasters(out, scene, plugins)) return kExitFailure;
    if (c.frameGiven) {
        std::vector<ExplainedGraph> graphs;
        std::string error;
        if (!explainSelections(plugins, static_cast<int>(c.frame), graphs, error)) {
            std::cerr << "lwhost: " << c.scene << ": " << error << "\n";
            return kExitFailure;
        }
        out << "\n" << formatSelections(static_cast<int>(c.frame), graphs);
    }
    return kExitOk;
}

}  // namespace

int runInfo(Args& args, const GlobalOptions& options) {
    InfoCommand c;
    if (int status = parse(args, c); status != kExitOk) return status;

    // The scene is loaded with its plug-ins the way run and render load it, so that all three
    // refuse the same files with the same message.
    if (!canWriteOutput(c.dotFile)) return kExitUsage;
    Session session(options.identity);
    Host& host = session.host();
    InputFiles inputs;
    if (!configureHost(host, options, &inputs)) return kExitUsage;
    inputs.add("the scene", c.scene);
    inputs.add("the module", c.module);
    c.edits.addInputs(inputs);
    echoMessages(host, options);
    std::string error;
    if (!session.loadModule(c.module, error) || !c.edits.prepare(session, error) ||
        !session.plugins().loadScene(c.scene, error)) {
        std::cerr << "lwhost: " << error << "\n";
        return kExitUsage;
    }
    // The edits print before the listing; one that fails lists nothing.
    if (!c.edits.apply(std::cout, error)) {
        std::cout.flush();
        std::cerr << "lwhost: " << error << "\n";
        return kExitFailure;
    }
    inputs.addObjects(session.scene(), c.scene);
    if (!c.dotFile.empty())
        if (int status = writeGraphDot(session, inputs, c.dotFile); status != kExitOk)
            return status;
    std::ostringstream out;
    if (int status = describe(out, session, c, options.quiet); status != kExitOk) return status;
    std::cout << out.str();
    return kExitOk;
}

}  // namespace lwhost::cli
