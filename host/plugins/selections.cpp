// Explaining selections: the scene stepped to a frame, every graph's selection, light group and
// comment nodes asked through host-made access records.
#include "lwhost/plugins/selections.h"

#include <lwsdk/lwhandler.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <set>

#include "lwhost/core/handles.h"
#include "lwhost/core/host.h"
#include "lwhost/io/blockio.h"
#include "lwhost/nodes/nodes.h"
#include "lwhost/plugins/plugins.h"
#include "lwhost/scene/scene.h"
#include "lwhost/scene/scene_globals.h"
#include "lwhost/ui/user_action.h"

namespace lwhost {

namespace {

enum class Kind { Selection, Lights, Values };

// The nodes worth explaining, by server; a selection names its integer answer.
struct ExplainedServer {
    const char* server;
    Kind kind;
    const char* answer;
};
constexpr ExplainedServer kExplained[] = {
    {"qrvFilter", Kind::Selection, "Logic"},         {"qrvBoolLogic", Kind::Selection, "Out"},
    {"qrvLightGroup", Kind::Lights, nullptr},        {"qrvGlobalLightGroup", Kind::Lights, nullptr},
    {"qrvGetIntegerComment", Kind::Values, nullptr}, {"qrvGetVectorComment", Kind::Values, nullptr},
    {"qrvGetColourComment", Kind::Values, nullptr},  {"qrvGetScalarComment", Kind::Values, nullptr},
};

// What a light filter a shader puts around a whole graph is listed as.
const char kAroundGraph[] = "(around the graph)";

// What a pattern that selects nothing is told: the two ways a name that looks right misses.
const char kPatternAdvice[] =
    "nothing matches: a pattern is matched whole (\"Ball\" is not \"Ball2\": write \"Ball*\") "
    "and blanks count (\"Ball | Rock\" is \"Ball \" or \" Rock\")";

// The inputs whose connection makes a selection depend on the sample.
constexpr const char* kSampleInputs[] = {"Logic", "Invert"};

const ExplainedServer* explained(const GraphNode& node) {
    for (const ExplainedServer& e : kExplained)
        if (node.server && node.server->name == e.server) return &e;
    return nullptr;
}

std::string num(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

std::string plural(size_t n, const char* what) {
    return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

// Lights that reached the host's own illumination function during one probe call.
std::set<LWItemID>* g_reached = nullptr;

int reachHost(LWItemID light, const double[3], double direction[3], double colour[3]) {
    if (g_reached) g_reached->insert(light);
    if (direction) {
        direction[0] = direction[1] = 0;
        direction[2] = 1;
    }
    if (colour) colour[0] = colour[1] = colour[2] = 1;
    return 1;
}

// One shading sample: a polygon of an object, at its centre.
struct Sample {
    LWItemID object = 0;
    uint32_t polygon = 0;  // index
    uint32_t surface = 0;  // index into the mesh's surfaces
};

void fillAccess(const Scene& scene, const Sample& s, LWNodalAccess96_t& record) {
    std::memset(&record, 0, sizeof record);
    LWNodalAccess_t& na = record.base.base;
    na.objID = s.object;
    na.polNum = -1;
    na.illuminate = &reachHost;
    const Item* item = scene.item(s.object);
    if (!item || s.polygon >= item->object.mesh.polygons.size()) return;
    const Mesh& mesh = item->object.mesh;
    const Polygon& p = mesh.polygons[s.polygon];
    const Matrix4 world = scene.worldMatrix(s.object);
    Vec3 o{0, 0, 0};
    for (int k = 0; k < p.size; ++k) {
        const uint32_t point = p.points[static_cast<size_t>(k)];
        const Vec3& v = mesh.points[point];
        o = {o.x + v.x / p.size, o.y + v.y / p.size, o.z + v.z / p.size};
        const Vec3 w = transformPoint(world, v);
        na.verts[k] = handleOf<LWPntID>(point + 1);
        na.weights[k] = 1.0f / static_cast<float>(p.size);
        for (int a = 0; a < 3; ++a) na.vertsWPos[k][a] = static_cast<float>(w[a]);
    }
    const Vec3 w = transformPoint(world, o);
    for (int a = 0; a < 3; ++a) {
        na.oPos[a] = o[a];
        na.wPos[a] = w[a];
    }
    na.wNorm[2] = na.wNorm0[2] = na.gNorm[2] = 1;
    na.polNum = static_cast<int>(s.polygon);
    na.polygon = handleOf<LWPolID>(static_cast<uint32_t>(s.polygon) + 1);
}

// Watches the inputs nodes evaluate: where the illumination function handed upstream is not the
// host's own, a light filter stands between; every light of the scene is offered to it.
class LightProbe final : public InputProbe {
  public:
    explicit LightProbe(const Scene& scene) : m_scene(scene) {}
    void evaluating(const GraphInput& input, LWNodalAccess_t* access) override {
        if (!access || !access->illuminate || access->illuminate == &reachHost) return;
        // A root input's filter stands around the whole graph.
        const void* key = input.node ? static_cast<const void*>(input.node) : input.graph;
        std::set<LWItemID>& reached = lights[key];
        std::set<LWItemID>* before = g_reached;
        g_reached = &reached;
        const double position[3] = {access->wPos[0], access->wPos[1], access->wPos[2]};
        for (LWItemID l = m_scene.first(ItemType::Light); l; l = m_scene.next(l)) {
            double direction[3] = {0, 0, 1}, colour[3] = {0, 0, 0};
            access->illuminate(l, position, direction, colour);
        }
        g_reached = before;
    }
    std::map<const void*, std::set<LWItemID>> lights;  // by node, or by graph for its root

  private:
    const Scene& m_scene;
};

std::string name(const Scene& scene, LWItemID id) {
    const Item* item = scene.item(id);
    return item ? scriptOneLine(item->name) : "?";
}

// Every polygon of every object, object by object.
std::vector<Sample> samples(const Scene& scene) {
    std::vector<Sample> out;
    for (size_t i = 0; i < scene.objectCount(); ++i) {
        const LWItemID id = scene.objectAt(i);
        const Mesh& mesh = scene.item(id)->object.mesh;
        if (mesh.polygons.empty()) out.push_back({id, 0, 0});
        for (uint32_t p = 0; p < mesh.polygons.size(); ++p)
            out.push_back({id, p, mesh.polygons[p].surface});
    }
    return out;
}

std::string surfaceOf(const Scene& scene, const Sample& s) {
    const Mesh& mesh = scene.item(s.object)->object.mesh;
    return s.surface < mesh.surfaces.size() ? scriptOneLine(mesh.surfaces[s.surface]) : "(none)";
}

// The node's stored settings on one line: what shows a weight map and its threshold.
std::string storedSettings(GraphNode& node) {
    if (!node.server->inst.save) return {};
    MemorySaveState state(LWIO_ASCII);
    if (node.server->inst.save(node.instance, state.record())) return {};
    state.finish();
    std::string line;
    for (char c : state.bytes()) {
        if (c == '\n') c = ' ';
        if (c == ' ' && (line.empty() || line.back() == ' ')) continue;
        line += c;
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    return scriptOneLine(line);
}

// A node that selected nothing by a name pattern shows its settings and how patterns match.
void advisePattern(GraphNode& node, ExplainedNode& out) {
    const std::string settings = storedSettings(node);
    if (settings.find("FilterString") == std::string::npos) return;
    out.notes.push_back("settings: " + settings);
    out.notes.push_back(kPatternAdvice);
}

// The mark of a selected surface that carries none of the shaders through which the graph's
// master acts: the graph never reaches it.
std::string unreached(const Scene& scene, const Sample& s,
                      const std::vector<std::string>& shaders) {
    if (shaders.empty()) return {};
    const Item& item = *scene.item(s.object);
    const Surface* surface =
        s.surface < item.object.mesh.surfaces.size()
            ? scene.findSurface(item.object.mesh.surfaces[s.surface], item.object.fileName)
            : nullptr;
    std::string names;
    for (const std::string& shader : shaders) {
        if (surface && carriesShader(*surface, shader)) return {};
        names += (names.empty() ? "" : " or ") + scriptOneLine(shader);
    }
    return "no " + names + " shader: not overridden";
}

// `shaders`: those through which the graph acts (empty for a surface's own graph).
void explainSelection(const Scene& scene, GraphNode& node, const char* answer,
                      const std::vector<Sample>& all, const std::vector<std::string>& shaders,
                      ExplainedNode& out) {
    GraphOutput* logic = node.output(answer);
    if (!logic || logic->type != LWNODE_INTEGER) return;
    // Per object and surface: polygons selected and polygons in all, in scene order.
    std::vector<std::pair<std::pair<LWItemID, uint32_t>, std::pair<size_t, size_t>>> counts;
    std::map<std::pair<LWItemID, uint32_t>, size_t> at;
    std::set<std::string> maps;  // vertex maps the node looked up: it answers per point
    std::set<std::string>* watching = SceneGlobals::watchVMapLookups(&maps);
    for (const Sample& s : all) {
        if (s.object && scene.item(s.object)->object.mesh.polygons.empty()) continue;
        LWNodalAccess96_t record;
        fillAccess(scene, s, record);
        int value = 0;
        NodeSystem::evaluateOutput(*logic, &record.base.base, &value);
        const auto key = std::make_pair(s.object, s.surface);
        auto it = at.find(key);
        if (it == at.end()) {
            it = at.emplace(key, counts.size()).first;
            counts.push_back({key, {0, 0}});
        }
        counts[it->second].second.first += value != 0;
        counts[it->second].second.second += 1;
    }
    SceneGlobals::watchVMapLookups(watching);
    std::string why;
    for (const std::string& map : maps)
        why += std::string(why.empty() ? "" : ", ") + "it reads the weight map " +
               scriptQuote(map) + " per point";
    for (const char* input : kSampleInputs)
        if (GraphInput* in = node.input(input); in && in->source)
            why +=
                std::string(why.empty() ? "" : ", ") + "its \"" + input + "\" input is connected";
    size_t selected = 0;
    for (const auto& [key, c] : counts) {
        if (c.first == 0) continue;
        ++selected;
        Sample s{key.first, 0, key.second};
        std::string member = name(scene, key.first) + " / " + surfaceOf(scene, s);
        if (c.first != c.second) {
            member += ": " + std::to_string(c.first) + " of " + plural(c.second, "polygon");
            if (why.empty()) why = "its answer differs between polygons";
        }
        out.members.push_back(member);
        out.marks.push_back(unreached(scene, s, shaders));
    }
    out.line += ": selects " + std::to_string(selected) + " of " + plural(counts.size(), "surface");
    if (!why.empty()) {
        out.line += "; depends on the sample (" + why + ")";
        const std::string settings = storedSettings(node);
        if (!settings.empty()) out.notes.push_back("settings: " + settings);
    } else if (selected == 0) {
        advisePattern(node, out);
    }
}

// What the probe saw reach the host through `key`'s filter; the number of lights passed, or -1
// when nothing was evaluated through it.
int listLights(const Scene& scene, const LightProbe& probe, const void* key, ExplainedNode& out) {
    const auto it = probe.lights.find(key);
    size_t passed = 0;
    for (LWItemID l = scene.first(ItemType::Light); l; l = scene.next(l))
        if (it != probe.lights.end() && it->second.count(l)) {
            ++passed;
            out.members.push_back(name(scene, l));
        }
    out.line += ": passes " + std::to_string(passed) + " of " +
                plural(scene.count(ItemType::Light), "light");
    if (it == probe.lights.end()) out.line += " (no input of it was evaluated)";
    return it == probe.lights.end() ? -1 : static_cast<int>(passed);
}

void explainLights(const Scene& scene, GraphNode& node, const std::vector<Sample>& all,
                   const LightProbe& probe, ExplainedNode& out) {
    std::set<LWItemID> objects;  // one sample per object: light sets are built per frame
    for (const Sample& s : all) {
        if (!objects.insert(s.object).second) continue;
        LWNodalAccess96_t record;
        fillAccess(scene, s, record);
        for (auto& output : node.outputs) {
            alignas(double) unsigned char value[kMaxValueBytes] = {};
            NodeSystem::evaluateOutput(*output, &record.base.base, value);
        }
    }
    if (listLights(scene, probe, &node, out) == 0) advisePattern(node, out);
}

// Hands one sample of every object and surface to the shaders the surface carries, so that the
// probe sees what a shader puts around the graphs it evaluates (a scene-wide light group).
void shadeSamples(Plugins& plugins, const std::vector<Sample>& all) {
    const Scene& scene = plugins.scene();
    std::set<std::pair<LWItemID, uint32_t>> done;
    for (const Sample& s : all) {
        if (!done.insert({s.object, s.surface}).second) continue;
        const Item& item = *scene.item(s.object);
        if (s.surface >= item.object.mesh.surfaces.size()) continue;
        const Surface* surface =
            scene.findSurface(item.object.mesh.surfaces[s.surface], item.object.fileName);
        if (!surface) continue;
        for (const ShaderSlot& slot : surface->shaders) {
            const HandlerServer* server =
                plugins.alive(slot.data.instance) ? plugins.serverOf(slot.data.instance) : nullptr;
            if (!server || server->kind != PluginKind::Shader || !server->shader.evaluate) continue;
            LWNodalAccess96_t na;
            fillAccess(scene, s, na);
            const LWNodalAccess_t& n = na.base.base;
            st_LWShaderAccess96 record;
            std::memset(&record, 0, sizeof record);
            st_LWShaderAccess& sa = record.base.base;
            std::memcpy(sa.oPos, n.oPos, sizeof sa.oPos);
            std::memcpy(sa.wPos, n.wPos, sizeof sa.wPos);
            std::memcpy(sa.wNorm, n.wNorm, sizeof sa.wNorm);
            std::memcpy(sa.wNorm0, n.wNorm0, sizeof sa.wNorm0);
            std::memcpy(sa.gNorm, n.gNorm, sizeof sa.gNorm);
            std::memcpy(sa.verts, n.verts, sizeof sa.verts);
            std::memcpy(sa.weights, n.weights, sizeof sa.weights);
            std::memcpy(sa.vertsWPos, n.vertsWPos, sizeof sa.vertsWPos);
            sa.objID = n.objID;
            sa.polNum = n.polNum;
            sa.polygon = n.polygon;
            sa.roughness = 1;
            sa.eta = 1;
            sa.illuminate = &reachHost;
            server->shader.evaluate(slot.data.instance, &sa);
        }
    }
}

std::string valueText(ConnectionType type, const unsigned char* value) {
    double d[3];
    int i = 0;
    switch (type) {
        case LWNODE_INTEGER:
            std::memcpy(&i, value, sizeof i);
            return std::to_string(i);
        case LWNODE_SCALAR:
            std::memcpy(d, value, sizeof(double));
            return num(d[0]);
        case LWNODE_COLOUR:
        case LWNODE_VECTOR:
            std::memcpy(d, value, sizeof d);
            return num(d[0]) + " " + num(d[1]) + " " + num(d[2]);
        default:
            return "(" + std::string(typeWord(type)) + ")";
    }
}

void explainValues(const Scene& scene, GraphNode& node, const std::vector<Sample>& all,
                   ExplainedNode& out) {
    std::set<LWItemID> objects;
    for (const Sample& s : all) {
        if (!objects.insert(s.object).second) continue;
        LWNodalAccess96_t record;
        fillAccess(scene, s, record);
        std::string member = name(scene, s.object) + ":";
        for (auto& output : node.outputs) {
            alignas(double) unsigned char value[kMaxValueBytes] = {};
            NodeSystem::evaluateOutput(*output, &record.base.base, value);
            member += " " + scriptOneLine(output->name) + " " + valueText(output->type, value);
        }
        out.members.push_back(member);
    }
    out.line += ": values per object";
}

}  // namespace

bool explainSelections(Plugins& plugins, int frame, std::vector<ExplainedGraph>& out,
                       std::string& error) {
    out.clear();
    NodeSystem& nodes = plugins.host().nodes();
    const Scene& scene = plugins.scene();
    const std::vector<NodeGraph*> graphs = nodes.editors();
    const double fps = scene.frames().fps > 0 ? scene.frames().fps : 30.0;
    const double time = frame / fps;

    // Stepped as a render steps them: shaders (which step the graphs they use), then the graphs.
    error = plugins.initShaders(LWINIT_RENDER);
    for (NodeGraph* g : graphs)
        if (const char* e = error.empty() ? nodes.renderInit(*g, LWINIT_RENDER) : nullptr)
            error = quoted(g->name) + ": init: " + e;
    if (error.empty()) error = plugins.newTimeShaders(frame, time);
    for (NodeGraph* g : graphs)
        if (const char* e = error.empty() ? nodes.renderNewTime(*g, frame, time) : nullptr)
            error = quoted(g->name) + ": new time: " + e;

    if (error.empty()) {
        const std::vector<Sample> all = samples(scene);
        const std::vector<std::string> masterShaders = plugins.masterShaders();
        const std::vector<std::string> none;
        LightProbe probe(scene);
        InputProbe* before = NodeSystem::setProbe(&probe);
        shadeSamples(plugins, all);
        for (NodeGraph* g : graphs) {
            ExplainedGraph graph;
            graph.line = "graph " + quoted(g->name.empty() ? g->title : g->name) +
                         (g->madeByHost ? " (a surface's own)" : " (a plug-in's)") + ", " +
                         plural(g->nodes.size(), "node");
            if (probe.lights.count(g)) {
                ExplainedNode around;
                around.name = kAroundGraph;
                around.line = kAroundGraph;
                listLights(scene, probe, g, around);
                graph.nodes.push_back(std::move(around));
            }
            for (auto& n : g->nodes) {
                ExplainedNode node;
                node.name = n->name;
                node.line = quoted(n->name) + " " + scriptOneLine(n->server->name);
                if (const ExplainedServer* e = explained(*n)) {
                    if (e->kind == Kind::Selection)
                        explainSelection(scene, *n, e->answer, all,
                                         g->madeByHost ? none : masterShaders, node);
                    if (e->kind == Kind::Lights) explainLights(scene, *n, all, probe, node);
                    if (e->kind == Kind::Values) explainValues(scene, *n, all, node);
                }
                graph.nodes.push_back(std::move(node));
            }
            out.push_back(std::move(graph));
        }
        NodeSystem::setProbe(before);
    }
    plugins.cleanupShaders();
    for (NodeGraph* g : graphs) nodes.renderCleanup(*g);
    return error.empty();
}

std::string formatSelections(int frame, const std::vector<ExplainedGraph>& graphs) {
    std::string out = "Selections at frame " + std::to_string(frame) + " (" +
                      plural(graphs.size(), "graph") + "):\n";
    for (const ExplainedGraph& g : graphs) {
        out += g.line + "\n";
        for (const ExplainedNode& n : g.nodes) {
            out += "  " + n.line + "\n";
            for (const std::string& m : n.notes) out += "    " + m + "\n";
            for (size_t i = 0; i < n.members.size(); ++i)
                out += "    " + n.members[i] +
                       (i < n.marks.size() && !n.marks[i].empty() ? "  (" + n.marks[i] + ")" : "") +
                       "\n";
        }
    }
    return out;
}

}  // namespace lwhost
