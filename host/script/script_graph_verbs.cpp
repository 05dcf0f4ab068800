// The verbs that edit node graphs: they work on the node editor whose window is open (the
// master's "Nodal Graph..." button, a shader's graph button, or "graph surface") and edit it
// through the host's node system, as the user's editing does: every edit runs the editor's
// update function, so plug-ins hear about it as they would from the user.
#include <lwsdk/lwnode.h>

#include <cmath>
#include <cstdio>
#include <ostream>

#include "lwhost/core/host.h"
#include "lwhost/nodes/node_graph_file.h"
#include "lwhost/nodes/nodes.h"
#include "lwhost/plugins/plugins.h"
#include "lwhost/script/script.h"

namespace lwhost {

namespace {

std::string q(const std::string& text) {
    return scriptQuote(text);
}

// The editor whose window is open, or false with the reason.
bool openEditor(ScriptEnvironment& env, NodeGraph*& graph, std::string& why) {
    graph = env.host.nodes().window();
    if (graph) return true;
    why = "no node editor is open: click a graph button of a panel, or use 'graph surface'";
    return false;
}

// A node of the open editor by name.
bool findNode(ScriptEnvironment& env, const ScriptArg& name, GraphNode*& node, std::string& why) {
    NodeGraph* graph = nullptr;
    if (!openEditor(env, graph, why)) return false;
    node = graph->node(name.text);
    if (node) return true;
    why = "the open node editor " + q(graph->name) + " has no node " + q(name.text);
    return false;
}

// A node by name: in the open editor when it has one of that name, else the only node of that
// name in all editors.
bool anyNode(ScriptEnvironment& env, const ScriptArg& name, GraphNode*& node, std::string& why) {
    NodeGraph* open = env.host.nodes().window();
    node = open ? open->node(name.text) : nullptr;
    if (node) return true;
    size_t named = 0;
    for (NodeGraph* graph : env.host.nodes().editors()) {
        if (GraphNode* found = graph->node(name.text)) {
            if (named++ == 0) node = found;
        }
    }
    if (named == 1) return true;
    why = named == 0 ? "no node editor has a node " + q(name.text)
                     : std::to_string(named) + " node editors have a node " + q(name.text) +
                           ": open the one meant first";
    node = nullptr;
    return false;
}

bool onOff(const ScriptArg& arg, bool& out, std::string& why) {
    if (!arg.quoted && (arg.text == "on" || arg.text == "off")) {
        out = arg.text == "on";
        return true;
    }
    why = "expected on or off, found " + q(arg.text);
    return false;
}

bool numbers(const std::vector<ScriptArg>& args, size_t first, std::vector<double>& out,
             std::string& why) {
    out.clear();
    for (size_t i = first; i < args.size(); ++i) {
        double v = 0;
        if (args[i].quoted || !scriptNumber(args[i].text, v)) {
            why = "expected a number, found " + q(args[i].text);
            return false;
        }
        out.push_back(v);
    }
    return true;
}

std::string numberText(const std::vector<double>& values) {
    std::string text;
    for (double v : values) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%g", v);
        text += (text.empty() ? "" : " ") + std::string(buffer);
    }
    return text;
}

// "<- NODE OUTPUT" for a connected input.
std::string source(const GraphInput& in) {
    return in.source ? " <- " + q(in.source->node->name) + " " + q(in.source->name) : "";
}

void listGraph(const NodeGraph& graph, std::ostream& out) {
    out << "editor " << q(graph.title) << " " << q(graph.name) << ", "
        << (graph.enabled() ? "on" : "off") << "\n";
    for (const auto& node : graph.nodes) {
        out << "node " << q(node->name) << " " << q(node->server->name) << "\n";
        for (const HostSetting& s : hostSettings(*node))
            out << "  set " << s.token << " " << numberText(s.values) << "\n";
        for (const auto& in : node->inputs)
            out << "  in " << q(in->name) << " " << typeWord(in->type) << source(*in) << "\n";
        for (const auto& o : node->outputs)
            out << "  out " << q(o->name) << " " << typeWord(o->type) << "\n";
    }
    for (const auto& in : graph.rootInputs)
        out << "root " << q(in->name) << " " << typeWord(in->type) << source(*in) << "\n";
}

// The input a "connect"-style verb names: a node's, or the root's when `node` is null.
bool findInput(NodeGraph& graph, GraphNode* node, const std::string& name, GraphInput*& input,
               std::string& why) {
    input = node ? node->input(name) : graph.rootInput(name);
    if (input) return true;
    why = noInputMessage(graph, node, name);
    return false;
}

bool findOutput(GraphNode& node, const std::string& name, GraphOutput*& output, std::string& why) {
    output = node.output(name);
    if (output) return true;
    why = noOutputMessage(node, name);
    return false;
}

// Whether OUTPUT of FROM feeds INPUT of TO (the root when `to` is null).
bool expectLink(ScriptEnvironment& env, const ScriptStatement& s, bool root, std::string& why) {
    GraphNode* from = nullptr;
    GraphNode* to = nullptr;
    GraphOutput* output = nullptr;
    GraphInput* input = nullptr;
    if (!findNode(env, s.args[0], from, why) || !findOutput(*from, s.args[1].text, output, why) ||
        (!root && !findNode(env, s.args[2], to, why)) ||
        !findInput(*from->graph, to, s.args[root ? 2 : 3].text, input, why))
        return false;
    if (input->source == output) return true;
    why = "expected " + q(from->name) + " " + q(output->name) + " to feed " +
          (to ? q(to->name) : std::string("the root's")) + " " + q(input->name) + ", " +
          (input->source
               ? "it is fed by " + q(input->source->node->name) + " " + q(input->source->name)
               : std::string("it is not connected"));
    return false;
}

struct GraphVerb {
    const char* name;
    size_t minArgs;
    size_t maxArgs;
    const char* usage;
    bool (*run)(ScriptEnvironment& env, const ScriptStatement& s, std::string& why);
};

// Every graph verb, in the order the documentation gives them.
const GraphVerb kGraphVerbs[] = {
    {"graph surface", 1, 1, "SURFACE",
     [](ScriptEnvironment& env, const ScriptStatement& s, std::string& why) {
         Scene& scene = env.plugins.scene();
         Surface* surface = nullptr;
         size_t named = 0;
         for (size_t i = 0; i < scene.surfaceCount(); ++i)
             if (scene.surfaceAt(i).name == s.args[0].text && named++ == 0)
                 surface = &scene.surfaceAt(i);
         if (named != 1) {
             why = named ? std::to_string(named) + " surfaces are named " + q(s.args[0].text)
                         : "the scene has no surface " + q(s.args[0].text);
             return false;
         }
         NodeSystem& nodes = env.host.nodes();
         // The surface's own editor, made when it has none yet (as its node button does).
         NodeGraph* graph = nodes.editor(static_cast<NodeEditorID>(surface->nodes.data.instance));
         if (!graph) {
             graph = nodes.createSurfaceEditor(*surface);
             surface->nodes.data.instance = graph->id();
         }
         nodes.openWindow(*graph);
         return true;
     }},
    {"graph state", 1, 1, "on|off",
     [](ScriptEnvironment& env, const ScriptStatement& s, std::string& why) {
         NodeGraph* graph = nullptr;
         bool on = false;
         if (!onOff(s.args[0], on, why) || !openEditor(env, graph, why)) return false;
         env.host.nodes().setState(*graph, on ? 1u : 0u);
         return true;
     }},
    {"graph add", 2, 2, "SERVER NAME",
     [](ScriptEnvironment& env, const ScriptStatement& s, std::string& why) {
         NodeGraph* graph = nullptr;
         if (!openEditor(env, graph, why)) return false;
         return env.host.nodes().addNode(*graph, s.args[0].text, why, s.args[1].text) != nullptr;
     }},
    {"graph remove", 1, 1, "NODE",
     [](ScriptEnvironment& env, const ScriptStatement& s, std::string& why) {
         GraphNode* node = nullptr;
         if (!findNode(env, s.args[0], node, why)) return false;
         env.host.nodes().removeNode(node);
         return true;
     }},
    {"graph rename", 2, 2, "NODE NEW-NAME",
     [](ScriptEnvironment& env, const ScriptStatement& s, std::string& why) {
         GraphNode* node = nullptr;
         return findNode(env, s.args[0], node, why) &&
                env.host.nodes().renameNode(*node, s.args[1].text, why);
     }},
    {"graph connect", 4, 4, "NODE OUTPUT TO-NODE INPUT",
     [](ScriptEnvironment& env, const ScriptStatement& s, std::string& why) {
         GraphNode *from = nullptr, *to = nullptr;
         GraphOutput* output = nullptr;
         GraphInput* input = nullptr;
         return findNode(env, s.args[0], from, why) &&
                findOutput(*from, s.args[1].text, output, why) &&
                findNode(env, s.args[2], to, why) &&
                findInput(*to->graph, to, s.args[3].text, input, why) &&
                env.host.nodes().connect(output, input, why);
     }},
    {"graph root", 3, 3, "NODE OUTPUT ROOT-INPUT",
     [](ScriptEnvironment& env, const ScriptStatement& s, std::string& why) {
         GraphNode* from = nullptr;
         GraphOutput* output = nullptr;
         GraphInput* input = nullptr;
         return findNode(env, s.args[0], from, why) &&
                findOutput(*from, s.args[1].text, output, why) &&
                findInput(*from->graph, nullptr, s.args[2].text, input, why) &&
                env.host.nodes().connect(output, input, why);
     }},
    {"graph disconnect", 2, 2, "NODE INPUT",
     [](ScriptEnvironment& env, const ScriptStatement& s, std::string& why) {
         GraphNode* node = nullptr;
         GraphInput* input = nullptr;
         if (!findNode(env, s.args[0], node, why) ||
             !findInput(*node->graph, node, s.args[1].text, input, why))
             return false;
         if (env.host.nodes().disconnect(input)) return true;
         why = "input " + q(input->name) + " of " + q(node->name) + " is not connected";
         return false;
     }},
    {"graph unroot", 1, 1, "ROOT-INPUT",
     [](ScriptEnvironment& env, const ScriptStatement& s, std::string& why) {
         NodeGraph* graph = nullptr;
         GraphInput* input = nullptr;
         if (!openEditor(env, graph, why) ||
             !findInput(*graph, nullptr, s.args[0].text, input, why))
             return false;
         if (env.host.nodes().disconnect(input)) return true;
         why = "the root's input " + q(input->name) + " is not connected";
         return false;
     }},
    {"graph set", 3, 5, "NODE SETTING NUMBER [NUMBER NUMBER]",
     [](ScriptEnvironment& env, const ScriptStatement& s, std::string& why) {
         GraphNode* node = nullptr;
         std::vector<double> values;
         return findNode(env, s.args[0], node, why) && numbers(s.args, 2, values, why) &&
                setHostSetting(*node, s.args[1].text, values, why);
     }},
    {"graph list", 0, 0, "",
     [](ScriptEnvironment& env, const ScriptStatement&, std::string& why) {
         NodeGraph* graph = nullptr;
         if (!openEditor(env, graph, why)) return false;
         listGraph(*graph, env.out);
         return true;
     }},
    {"graph print", 0, 1, "[--dot]",
     [](ScriptEnvironment& env, const ScriptStatement& s, std::string& why) {
         NodeGraph* graph = nullptr;
         const bool dot = !s.args.empty();
         if (dot && (s.args[0].quoted || s.args[0].text != "--dot")) {
             why = "expected --dot or nothing, found " + q(s.args[0].text);
             return false;
         }
         std::string text;
         if (!openEditor(env, graph, why)) return false;
         if (dot)
             text = graphDot({graph});
         else if (!saveGraphText(*graph, text, why))
             return false;
         env.out << terminalText(text);
         return true;
     }},
    {"expect connection", 4, 4, "NODE OUTPUT TO-NODE INPUT",
     [](ScriptEnvironment& env, const ScriptStatement& s, std::string& why) {
         return expectLink(env, s, false, why);
     }},
    {"expect root", 3, 3, "NODE OUTPUT ROOT-INPUT",
     [](ScriptEnvironment& env, const ScriptStatement& s, std::string& why) {
         return expectLink(env, s, true, why);
     }},
    {"expect node-value", 3, 5, "NODE SETTING NUMBER [NUMBER NUMBER]",
     [](ScriptEnvironment& env, const ScriptStatement& s, std::string& why) {
         GraphNode* node = nullptr;
         std::vector<double> wanted;
         if (!findNode(env, s.args[0], node, why) || !numbers(s.args, 2, wanted, why)) return false;
         for (const HostSetting& held : hostSettings(*node)) {
             if (held.token != s.args[1].text) continue;
             bool same = held.values.size() == wanted.size();
             for (size_t i = 0; same && i < wanted.size(); ++i)
                 same = std::fabs(held.values[i] - wanted[i]) <=
                        1e-6 * std::fmax(1.0, std::fabs(wanted[i]));
             if (same) return true;
             why = "node " + q(node->name) + " holds " + held.token + " " +
                   numberText(held.values) + ", not " + numberText(wanted);
             return false;
         }
         why = "node " + q(node->name) + " has no setting " + q(s.args[1].text) +
               " (bundle nodes: open their panel and use expect panel-value)";
         return false;
     }},
    {"expect graph-nodes", 1, 1, "N",
     [](ScriptEnvironment& env, const ScriptStatement& s, std::string& why) {
         NodeGraph* graph = nullptr;
         long long n = 0;
         if (s.args[0].quoted || !scriptInt(s.args[0].text, n) || n < 0) {
             why = "expected a count, found " + q(s.args[0].text);
             return false;
         }
         if (!openEditor(env, graph, why)) return false;
         if (graph->nodes.size() == static_cast<unsigned long long>(n)) return true;
         why = "expected " + std::to_string(n) + " nodes, the editor holds " +
               std::to_string(graph->nodes.size());
         return false;
     }},
};

}  // namespace

void defineGraphVerbs(Script& script, ScriptEnvironment& env) {
    for (const GraphVerb& verb : kGraphVerbs) {
        auto run = verb.run;
        script.define(
            verb.name, verb.minArgs, verb.maxArgs, verb.usage,
            [&env, run](const ScriptStatement& s, std::string& why) { return run(env, s, why); });
    }
    // "node set NODE CONTROL VALUE..." opens the panel of the node of that name (in the open
    // editor, else the one node of that name in any editor) and sets a control there, as
    // "panel set" does: one line for what a user does in four steps.
    if (const Script::Verb* set = script.find("panel set")) {
        Script::Handler setControl = set->handler;
        script.define(
            "node set", 3, 5, "NODE CONTROL VALUE",
            [&env, setControl](const ScriptStatement& s, std::string& why) {
                GraphNode* node = nullptr;
                if (!anyNode(env, s.args[0], node, why) || !env.plugins.openNodePanel(*node, why))
                    return false;
                ScriptStatement control = s;
                control.args.erase(control.args.begin());
                return setControl(control, why);
            });
    }
    // "panel open NodeHandler NODE" opens a node's panel of the open editor; other classes go
    // on as before.
    const Script::Verb* open = script.find("panel open");
    if (!open) return;
    Script::Handler plain = open->handler;
    script.define("panel open", 2, 2, "CLASS POSITION|NODE",
                  [&env, plain](const ScriptStatement& s, std::string& why) {
                      if (s.args[0].text != LWNODE_HCLASS) return plain(s, why);
                      GraphNode* node = nullptr;
                      return findNode(env, s.args[1], node, why) &&
                             env.plugins.openNodePanel(*node, why);
                  });
}

}  // namespace lwhost
