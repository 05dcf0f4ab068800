// Node graphs in blocks: writing, reading all or nothing, and the scene file's NodeGraph sections.
#include "lwhost/nodes/node_graph_file.h"

#include <cstring>
#include <map>
#include <vector>

#include "lwhost/scene/scene.h"

namespace lwhost {

namespace {

constexpr LWID kVersionId = LWID_MAKE('V', 'E', 'R', 'S');
constexpr LWID kNodeId = LWID_MAKE('N', 'O', 'D', 'E');
constexpr LWID kConnectId = LWID_MAKE('C', 'O', 'N', 'N');
constexpr LWID kRootId = LWID_MAKE('R', 'O', 'O', 'T');

const st_LWBlockIdent& ident(LWID id) {
    for (const st_LWBlockIdent* i = kGraphBlocks; i->id; ++i)
        if (i->id == id) return *i;
    return kGraphBlocks[0];
}

// ---- writing ---------------------------------------------------------------------------------

class GraphWriter {
  public:
    explicit GraphWriter(const st_LWSaveState& save) : m_save(save) {}

    void text(const std::string& value) { m_save.writeStr(m_save.writeData, value.c_str()); }
    void begin(LWID id, bool leaf) { m_save.beginBlk(m_save.writeData, &ident(id), leaf ? 1 : 0); }
    void end() { m_save.endBlk(m_save.writeData); }
    int depth() const { return m_save.depth ? m_save.depth(m_save.writeData) : -1; }
    // Closes blocks a node left open inside its own.
    void closeTo(int level) {
        if (level < 0) return;
        while (depth() > level) end();
    }
    const st_LWSaveState& record() const { return m_save; }

  private:
    const st_LWSaveState& m_save;
};

// ---- reading ---------------------------------------------------------------------------------

struct PendingLink {
    long line;
    bool root;
    std::string toNode;  // empty for the root
    std::string input;
    std::string fromNode;
    std::string output;
};

class GraphReader {
  public:
    GraphReader(NodeGraph& graph, const st_LWLoadState& load, MemoryLoadState* source)
        : m_graph(graph), m_system(*graph.system), m_load(load), m_source(source) {}

    bool run(Located& problem) {
        // Tokens the graph's own blocks do not know are charged to the graph, not its owner.
        std::string owner;
        if (m_source) owner = m_source->setReader("the node graph");
        bool ok = readBlocks() && checkDamage() && link();
        if (m_source) m_source->setReader(owner);
        if (!ok) {
            m_system.discardStaged(m_staged);
            // A plug-in reading its graph through the host's reader hands this on as its error.
            if (m_source) m_source->report(m_problem);
            problem = m_problem;
            return false;
        }
        m_system.replaceGraph(m_graph, std::move(m_staged), m_rootLinks);
        return true;
    }

  private:
    long position() const { return m_source ? m_source->position() : 0; }

    bool fail(long line, const std::string& message) {
        m_problem = {{}, line > 0 ? line : 0, message};
        return false;
    }

    // A read that failed: damaged data says so itself; otherwise the block is short.
    bool failRead(long line, const std::string& message) {
        return checkDamage() ? fail(line, message) : false;
    }

    bool checkDamage() {
        if (m_source && m_source->damaged()) {
            m_problem = m_source->problem();
            return false;
        }
        return true;
    }

    // A name of at most kMaxNodeNameBytes; false when it cannot be read or is longer
    // (m_tooLong), never cut.
    bool readText(std::string& out) {
        // One byte more than a name holds: a text that fills it is too long.
        char buffer[kMaxNodeNameBytes + 2];
        int n = m_load.readStr(m_load.readData, buffer, sizeof buffer);
        if (n < 0) return false;
        if (static_cast<size_t>(n) > kMaxNodeNameBytes) {
            m_tooLong = true;
            return false;
        }
        // Names are C texts for plug-ins: a zero byte ends one.
        out.assign(buffer, strnlen(buffer, static_cast<size_t>(n)));
        return true;
    }

    bool failName(long line) {
        return fail(line, "a name is longer than " + std::to_string(kMaxNodeNameBytes) + " bytes");
    }

    int depth() const { return m_load.depth ? m_load.depth(m_load.readData) : -1; }

    bool readBlocks() {
        for (;;) {
            LWID id = m_load.findBlk(m_load.readData, kGraphBlocks);
            if (id == 0) return true;
            long line = position();
            bool ok = true;
            switch (id) {
                case kVersionId:
                    ok = readVersion(line);
                    break;
                case kNodeId:
                    ok = readNode(line);
                    break;
                case kConnectId:
                case kRootId:
                    ok = readLink(line, id == kRootId);
                    break;
                default:
                    break;
            }
            if (!ok) return false;
            m_load.endBlk(m_load.readData);
        }
    }

    bool readVersion(long line) {
        int16_t version = 0;
        if (m_load.readI2(m_load.readData, &version, 1) == 1 && version > kGraphVersion)
            return fail(line, "graph version " + std::to_string(version) +
                                  " is newer than this host reads (" +
                                  std::to_string(kGraphVersion) + ")");
        return true;
    }

    bool readNode(long line) {
        std::string server, name, why;
        if (!readText(server) || !readText(name))
            return m_tooLong
                       ? failName(line)
                       : failRead(line, "a Node block needs the server's name and the node's name");
        // Held to what naming a node in the editor allows.
        if (!NodeSystem::validNodeName(name, why)) return fail(line, why);
        if (m_byName.count(name)) return fail(line, "two nodes are named " + quoted(name));
        if (m_staged.size() >= kMaxGraphNodes)
            return fail(line, "more than " + std::to_string(kMaxGraphNodes) + " nodes");
        std::unique_ptr<GraphNode> node = m_system.stageNode(m_graph, server, name, why);
        if (!node) return fail(line, why);
        GraphNode* staged = node.get();
        m_staged.push_back(std::move(node));
        m_byName[name] = staged;
        if (staged->server->inst.load) {
            const int level = depth();
            std::string graphReader;
            const size_t filled = m_source ? m_source->filledTexts() : 0;
            if (m_source) graphReader = m_source->setReader(staged->server->name);
            LWError failed = staged->server->inst.load(staged->instance, &m_load);
            if (m_source) m_source->setReader(graphReader);
            // Blocks the node left open belong to it.
            if (level >= 0)
                while (depth() > level) m_load.endBlk(m_load.readData);
            if (failed) {
                if (!checkDamage()) return false;
                // The host's own nodes name the value they refused; a plug-in node failing
                // after a text filled its buffer most likely refused that text.
                const long at = hostNodeRefusedAt(*staged);
                if (at > 0)
                    line = at;
                else if (m_source && m_source->filledTexts() > filled &&
                         m_source->filledTextAt(filled) > 0)
                    line = m_source->filledTextAt(filled);
                return fail(line, "node " + quoted(name) + ": " + failed);
            }
        }
        return checkDamage();
    }

    bool readLink(long line, bool root) {
        PendingLink link{line, root, {}, {}, {}, {}};
        bool ok = root ? readText(link.input) && readText(link.fromNode) && readText(link.output)
                       : readText(link.toNode) && readText(link.input) && readText(link.fromNode) &&
                             readText(link.output);
        if (!ok && m_tooLong) return failName(line);
        if (!ok)
            return failRead(line, root ? "a Root block needs three texts: the root's input, the "
                                         "source node and its output"
                                       : "a Connect block needs four texts: the node, its input, "
                                         "the source node and its output");
        m_links.push_back(std::move(link));
        return true;
    }

    GraphNode* named(const std::string& name) const {
        auto it = m_byName.find(name);
        return it == m_byName.end() ? nullptr : it->second;
    }

    bool link() {
        for (const PendingLink& l : m_links) {
            GraphNode* from = named(l.fromNode);
            if (!from) return fail(l.line, "no node is named " + quoted(l.fromNode));
            GraphOutput* output = from->output(l.output);
            if (!output) return fail(l.line, noOutputMessage(*from, l.output));
            GraphInput* input = nullptr;
            if (l.root) {
                input = m_graph.rootInput(l.input);
                if (!input) return fail(l.line, noInputMessage(m_graph, nullptr, l.input));
                for (const RootLink& done : m_rootLinks)
                    if (done.input == input)
                        return fail(l.line,
                                    "the root's input " + quoted(l.input) + " is fed twice");
            } else {
                GraphNode* to = named(l.toNode);
                if (!to) return fail(l.line, "no node is named " + quoted(l.toNode));
                input = to->input(l.input);
                if (!input) return fail(l.line, noInputMessage(m_graph, to, l.input));
                if (input->source)
                    return fail(l.line, "input " + quoted(l.input) + " of " + quoted(l.toNode) +
                                            " is fed twice");
            }
            std::string why;
            if (!NodeSystem::canConnect(output, input, why)) return fail(l.line, why);
            if (l.root)
                m_rootLinks.push_back({input, output});
            else
                NodeSystem::link(*input, output);
        }
        return true;
    }

    NodeGraph& m_graph;
    NodeSystem& m_system;
    const st_LWLoadState& m_load;
    MemoryLoadState* m_source;
    std::vector<std::unique_ptr<GraphNode>> m_staged;
    std::map<std::string, GraphNode*> m_byName;
    std::vector<PendingLink> m_links;
    std::vector<RootLink> m_rootLinks;
    Located m_problem;
    bool m_tooLong = false;  // the last name read was longer than kMaxNodeNameBytes
};

// Whether section text holds anything but blank lines and comments.
bool blank(const std::string& text) {
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        size_t first = text.find_first_not_of(" \t\r", pos);
        if (first < end && text[first] != '#') return false;
        pos = end + 1;
    }
    return true;
}

}  // namespace

const st_LWBlockIdent kGraphBlocks[] = {{kVersionId, "Version"},
                                        {kNodeId, "Node"},
                                        {kConnectId, "Connect"},
                                        {kRootId, "Root"},
                                        {0, nullptr}};

bool writeGraph(NodeGraph& graph, const st_LWSaveState* save, std::string& error) {
    if (!save) {
        error = "no save record";
        return false;
    }
    // A name the loader would refuse is not written.
    for (const auto& node : graph.nodes)
        if (!NodeSystem::validNodeName(node->name, error)) return false;
    GraphWriter w(*save);
    w.begin(kVersionId, true);
    const int16_t version = kGraphVersion;
    save->writeI2(save->writeData, &version, 1);
    w.end();

    for (const auto& node : graph.nodes) {
        w.begin(kNodeId, false);
        const int level = w.depth();
        w.text(node->server->name);
        w.text(node->name);
        if (node->server->inst.save) {
            LWError failed = node->server->inst.save(node->instance, save);
            if (failed && error.empty()) error = "node " + quoted(node->name) + ": " + failed;
        }
        w.closeTo(level);
        w.end();
    }
    for (const auto& node : graph.nodes)
        for (const auto& in : node->inputs)
            if (in->source) {
                w.begin(kConnectId, true);
                w.text(node->name);
                w.text(in->name);
                w.text(in->source->node->name);
                w.text(in->source->name);
                w.end();
            }
    for (const auto& in : graph.rootInputs)
        if (in->source) {
            w.begin(kRootId, true);
            w.text(in->name);
            w.text(in->source->node->name);
            w.text(in->source->name);
            w.end();
        }
    return error.empty();
}

bool readGraph(NodeGraph& graph, const st_LWLoadState* load, MemoryLoadState* source,
               Located& problem) {
    if (!load) {
        problem = {{}, 0, "no load record"};
        return false;
    }
    GraphReader reader(graph, *load, source);
    return reader.run(problem);
}

bool readGraph(NodeGraph& graph, const st_LWLoadState* load, MemoryLoadState* source,
               std::string& error) {
    Located problem;
    if (readGraph(graph, load, source, problem)) return true;
    error = formatLocated(problem);
    return false;
}

bool saveGraphText(NodeGraph& graph, std::string& text, std::string& error) {
    MemorySaveState state(LWIO_ASCII);
    bool ok = writeGraph(graph, state.record(), error);
    state.finish();
    if (state.failed()) {
        if (error.empty()) error = state.error();
        ok = false;
    }
    text = state.bytes();
    return ok;
}

bool loadGraphText(NodeGraph& graph, const std::string& text, int firstLine, Located& problem,
                   std::vector<UnreadBlock>* unread) {
    MemoryLoadState state(text, LWIO_ASCII, firstLine);
    // Damaged text makes no node at all, not the nodes before the damage.
    if (!state.check()) {
        problem = state.problem();
        return false;
    }
    if (!readGraph(graph, state.record(), &state, problem)) return false;
    if (unread) *unread = state.unread();
    return true;
}

bool loadGraphText(NodeGraph& graph, const std::string& text, int firstLine, std::string& error,
                   std::vector<UnreadBlock>* unread) {
    Located problem;
    if (loadGraphText(graph, text, firstLine, problem, unread)) return true;
    error = formatLocated(problem);
    return false;
}

bool loadSurfaceGraph(NodeSystem& system, Scene& scene, PluginSection& section, Located& problem,
                      std::vector<UnreadBlock>* unread) {
    if (section.kind != PluginKind::NodeGraph) return true;
    Surface* surface = scene.surface(section.surface);
    if (!surface) {
        problem = {{}, 0, "the node graph belongs to no surface"};
        return false;
    }
    if (!surface->nodes.enabled && blank(section.data->text)) return true;
    NodeGraph* graph = system.createSurfaceEditor(*surface);
    if (!loadGraphText(*graph, section.data->text, section.data->line + 1, problem, unread)) {
        system.destroyEditor(graph);
        return false;
    }
    section.data->instance = graph->id();
    return true;
}

std::string loadSurfaceGraph(NodeSystem& system, Scene& scene, PluginSection& section,
                             std::vector<UnreadBlock>* unread) {
    Located problem;
    return loadSurfaceGraph(system, scene, section, problem, unread) ? std::string()
                                                                     : formatLocated(problem);
}

std::string saveSurfaceGraph(NodeSystem& system, const PluginSection& section, std::string& text) {
    NodeGraph* graph = system.editor(static_cast<NodeEditorID>(section.data->instance));
    if (!graph) {
        text = section.data->text;
        return {};
    }
    std::string error;
    saveGraphText(*graph, text, error);
    return error;
}

void releaseSurfaceGraph(NodeSystem& system, PluginSection& section) {
    if (section.kind != PluginKind::NodeGraph || !section.data->instance) return;
    system.destroyEditor(system.editor(static_cast<NodeEditorID>(section.data->instance)));
    section.data->instance = nullptr;
}

}  // namespace lwhost
