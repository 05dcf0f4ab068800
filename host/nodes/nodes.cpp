// Node editors and their globals: the system that owns the graphs, edits them, drives their render
// cycle, and publishes the six records plug-ins reach them through (node_records.cpp,
// node_utility.cpp).
#include "lwhost/nodes/nodes.h"

#include <lwsdk/lwmodule.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <set>
#include <utility>

#include "lwhost/core/host.h"
#include "lwhost/nodes/node_graph_file.h"
#include "lwhost/scene/scene.h"

namespace lwhost {

namespace {

// Per host, its systems from the first made to the current one (the last).
std::mutex g_registryMutex;
std::map<const Host*, std::vector<NodeSystem*>> g_systems;
// The system current() found last. Render threads reach the editor records through current(), so
// the common case reads this one atomic instead of taking the registry's lock.
std::atomic<NodeSystem*> g_lastFound{nullptr};

template <class T>
void* asRecord(const T* record) {
    return const_cast<T*>(record);
}

// The user name a module's server record gives, else its server name.
std::string userNameOf(const st_ServerRecord& record) {
    for (const st_ServerTagInfo* t = record.tagInfo; t && t->string; ++t)
        if (t->tag == LWTAG_USERNAME) return t->string;
    return record.name ? record.name : "";
}

// The name freeName makes: "Checker (1)".
std::string numberedName(const std::string& base, uint64_t n) {
    return base + " (" + std::to_string(n) + ")";
}

// Every input of the graph: those of its nodes, then the root's.
template <class F>
void forEachInput(NodeGraph& graph, F f) {
    for (auto& node : graph.nodes)
        for (auto& input : node->inputs) f(*input);
    for (auto& input : graph.rootInputs) f(*input);
}

}  // namespace

// ---- lookups ---------------------------------------------------------------------------------

GraphInput* GraphNode::input(const std::string& inputName) const {
    for (const auto& in : inputs)
        if (in->name == inputName) return in.get();
    return nullptr;
}

GraphOutput* GraphNode::output(const std::string& outputName) const {
    for (const auto& out : outputs)
        if (out->name == outputName) return out.get();
    return nullptr;
}

GraphInput* NodeGraph::rootInput(const std::string& inputName) const {
    for (const auto& in : rootInputs)
        if (in->name == inputName) return in.get();
    return nullptr;
}

GraphNode* NodeGraph::node(const std::string& nodeName) const {
    auto found = named.find(nodeName);
    return found == named.end() ? nullptr : found->second;
}

namespace {

// "(its inputs: "A", "B")": what a misspelt name could have been.
template <typename Ports>
std::string portList(const char* what, const Ports& ports) {
    if (ports.empty()) return std::string(" (it has no ") + what + "s)";
    std::string list;
    for (const auto& p : ports) list += (list.empty() ? "" : ", ") + quoted(p->name);
    return std::string(" (its ") + what + "s: " + list + ")";
}

}  // namespace

std::string noInputMessage(const NodeGraph& graph, const GraphNode* node, const std::string& name) {
    return node ? "node " + quoted(node->name) + " has no input " + quoted(name) +
                      portList("input", node->inputs)
                : "the root has no input " + quoted(name) + portList("input", graph.rootInputs);
}

std::string noOutputMessage(const GraphNode& node, const std::string& name) {
    return "node " + quoted(node.name) + " has no output " + quoted(name) +
           portList("output", node.outputs);
}

// ---- the system ------------------------------------------------------------------------------

NodeSystem::NodeSystem(Host& host) : m_host(host) {
    {
        std::lock_guard<std::mutex> lock(g_registryMutex);
        g_systems[&host].push_back(this);
        g_lastFound.store(this, std::memory_order_release);
    }
    addHostNodes(*this);
    listen();
    publish();
}

void NodeSystem::listen() {
    m_host.attach(this);
    m_host.setIdentityListener([this] { publish(); });
    m_host.updates().setListener([this](const char* className, void* instance) {
        if (className && std::strcmp(className, LWNODE_HCLASS) == 0) instanceChanged(instance);
    });
}

NodeSystem::~NodeSystem() {
    while (!m_editors.empty()) destroyEditor(m_editors.back().get());
    NodeSystem* previous = nullptr;
    bool wasCurrent = false;
    {
        std::lock_guard<std::mutex> lock(g_registryMutex);
        auto it = g_systems.find(&m_host);
        if (it != g_systems.end()) {
            std::vector<NodeSystem*>& stack = it->second;
            wasCurrent = !stack.empty() && stack.back() == this;
            stack.erase(std::remove(stack.begin(), stack.end(), this), stack.end());
            if (!stack.empty()) previous = stack.back();
            if (stack.empty()) g_systems.erase(it);
        }
        g_lastFound.store(previous, std::memory_order_release);
    }
    if (!wasCurrent) return;
    if (previous) {
        previous->listen();
        previous->publish();
        return;
    }
    m_host.attach(static_cast<NodeSystem*>(nullptr));
    m_host.setIdentityListener(nullptr);
    m_host.updates().setListener(nullptr);
    GlobalsRegistry& globals = m_host.globals();
    for (const char* name :
         {LWNODEFUNCS_GLOBAL, LWNODEINPUTFUNCS_GLOBAL, LWNODEINPUTFUNCS2_GLOBAL,
          LWNODEOUTPUTFUNCS_GLOBAL, LWNODEUTILITYFUNCS_GLOBAL, LWNODEEDITORFUNCS_GLOBAL})
        globals.withdraw(name);
}

NodeSystem* NodeSystem::current() {
    Host* host = Host::current();
    if (!host) return nullptr;
    NodeSystem* last = g_lastFound.load(std::memory_order_acquire);
    if (last && &last->m_host == host) return last;
    std::lock_guard<std::mutex> lock(g_registryMutex);
    auto it = g_systems.find(host);
    if (it == g_systems.end() || it->second.empty()) return nullptr;
    g_lastFound.store(it->second.back(), std::memory_order_release);
    return it->second.back();
}

void NodeSystem::publish() {
    GlobalsRegistry& globals = m_host.globals();
    globals.publish(LWNODEFUNCS_GLOBAL, asRecord(nodeFuncs()));
    globals.publish(LWNODEOUTPUTFUNCS_GLOBAL, asRecord(outputFuncs()));
    globals.publish(LWNODEUTILITYFUNCS_GLOBAL, asRecord(utilityFuncs()));
    globals.publish(LWNODEEDITORFUNCS_GLOBAL, asRecord(editorFuncs()));
    const HostIdentity& identity = m_host.identity();
    const bool second = !(identity.major < 10 && !(identity.major == 9 && identity.minor >= 5));
    if (second) {
        globals.withdraw(LWNODEINPUTFUNCS_GLOBAL);
        globals.publish(LWNODEINPUTFUNCS2_GLOBAL, asRecord(inputFuncs2()));
    } else {
        globals.withdraw(LWNODEINPUTFUNCS2_GLOBAL);
        globals.publish(LWNODEINPUTFUNCS_GLOBAL, asRecord(inputFuncs()));
    }
}

// ---- servers ---------------------------------------------------------------------------------

void NodeSystem::addServer(const std::string& name, const std::string& userName,
                           LWActivateFunc activate, bool builtIn) {
    Offered offer{userName, activate, builtIn};
    for (auto& entry : m_offered)
        if (entry.first == name) {
            entry.second = offer;
            m_servers.erase(name);
            return;
        }
    m_offered.emplace_back(name, offer);
}

std::vector<std::string> NodeSystem::serverNames() const {
    std::vector<std::string> names;
    for (const auto& entry : m_offered) names.push_back(entry.first);
    return names;
}

const NodeServer* NodeSystem::server(const std::string& name, std::string& error) {
    auto found = m_servers.find(name);
    if (found != m_servers.end()) {
        // A module's server is used only while the module that gave it is still loaded.
        const NodeServer* known = found->second.get();
        if (!known->fromModule) return known;
        const st_ServerRecord* record = m_host.findServer(LWNODE_HCLASS, name);
        if (record && record->activate == known->activate) return known;
        m_retired.push_back(std::move(found->second));
        m_servers.erase(found);
    }

    auto srv = std::make_unique<NodeServer>();
    srv->name = name;
    srv->handler.inst = &srv->inst;
    srv->handler.item = &srv->item;
    srv->handler.rend = &srv->rend;
    LWActivateFunc activate = nullptr;
    for (const auto& entry : m_offered)
        if (entry.first == name) {
            activate = entry.second.activate;
            srv->userName = entry.second.userName;
            srv->builtIn = entry.second.builtIn;
        }
    if (!activate) {
        if (const st_ServerRecord* record = m_host.findServer(LWNODE_HCLASS, name)) {
            activate = record->activate;
            srv->userName = userNameOf(*record);
            srv->fromModule = true;
        }
    }
    if (!activate) {
        // The names the user could have meant: the host's nodes, then the modules'.
        std::string known;
        std::set<std::string> listed;
        auto list = [&](const std::string& n) {
            if (listed.insert(n).second) known += (known.empty() ? "" : ", ") + n;
        };
        for (const auto& entry : m_offered) list(entry.first);
        for (const auto& module : m_host.modules())
            for (const st_ServerRecord* record : module->records())
                if (record->className && record->name &&
                    std::string(record->className) == LWNODE_HCLASS)
                    list(record->name);
        error = "unknown node server " + quoted(name) + " (servers: " + known + ")";
        return nullptr;
    }
    if (srv->userName.empty()) srv->userName = name;
    srv->activate = activate;
    int result = activate(LWNODE_VERSION, Host::globalFunction(), &srv->handler, nullptr);
    if (result != LWACTIVATE_OK) {
        error =
            "node server " + quoted(name) + " refused activation (" + std::to_string(result) + ")";
        return nullptr;
    }
    if (srv->handler.inst != &srv->inst || !srv->inst.create) {
        error = "node server " + quoted(name) + " gave no instance functions";
        return nullptr;
    }
    const NodeServer* ready = srv.get();
    m_servers[name] = std::move(srv);
    return ready;
}

// ---- editors ---------------------------------------------------------------------------------

NodeGraph* NodeSystem::createEditor(const std::string& title, const std::string& name,
                                    const st_LWRootNode* root, void* userData) {
    auto graph = std::make_unique<NodeGraph>();
    graph->system = this;
    graph->title = title;
    graph->name = name;
    graph->hasRoot = root != nullptr;
    if (root) graph->root = *root;
    graph->userData = userData;
    NodeGraph* made = graph.get();
    m_editors.push_back(std::move(graph));
    try {
        m_liveEditors.emplace(made, std::prev(m_editors.end()));
    } catch (...) {
        m_editors.pop_back();
        throw;
    }
    return made;
}

void NodeSystem::destroyEditor(NodeGraph* graph) {
    if (!graph || !m_liveEditors.count(graph)) return;
    // The whole graph goes: no node hears about the others leaving.
    forEachInput(*graph, [](GraphInput& in) { link(in, nullptr); });
    while (!graph->nodes.empty()) {
        destroyNode(*graph->nodes.back());
        graph->nodes.pop_back();
    }
    graph->named.clear();
    auto live = m_liveEditors.find(graph);
    if (live == m_liveEditors.end()) return;
    const auto it = live->second;
    m_liveEditors.erase(live);
    if (m_window == graph) m_window = nullptr;
    // Moved out first: a node's destructor may not reach the list while it shrinks.
    std::unique_ptr<NodeGraph> gone = std::move(*it);
    m_editors.erase(it);
}

void NodeSystem::destroyHostEditors() {
    std::vector<NodeGraph*> doomed;
    for (const auto& graph : m_editors)
        if (graph->madeByHost) doomed.push_back(graph.get());
    for (NodeGraph* graph : doomed) destroyEditor(graph);
}

std::vector<NodeGraph*> NodeSystem::editors() const {
    std::vector<NodeGraph*> all;
    for (const auto& graph : m_editors) all.push_back(graph.get());
    return all;
}

NodeGraph* NodeSystem::findEditor(const std::string& editorName) const {
    for (const auto& graph : m_editors)
        if (graph->name == editorName) return graph.get();
    return nullptr;
}

NodeGraph* NodeSystem::rootOwner(const GraphInput* input) const {
    for (const auto& graph : m_editors)
        for (const auto& in : graph->rootInputs)
            if (in.get() == input) return graph.get();
    return nullptr;
}

NodeGraph* NodeSystem::editor(NodeEditorID id) const {
    NodeGraph* graph = NodeGraph::from(id);
    return graph && m_liveEditors.count(graph) ? graph : nullptr;
}

GraphNode* NodeSystem::node(NodeID id) const {
    GraphNode* n = GraphNode::from(id);
    return n && m_liveNodes.count(n) ? n : nullptr;
}

// ---- editing ---------------------------------------------------------------------------------

void NodeSystem::edited(NodeGraph& graph) {
    // An edit may free what a prepared connection points at. Only a render prepares them, so
    // edits outside one skip the walk over every input.
    if (graph.prepared) {
        forEachInput(graph, [](GraphInput& in) { in.prepared = GraphInput::Prepared{}; });
        graph.prepared = false;
    }
    ++graph.updates;
    if (graph.update) graph.update(graph.id());
}

void NodeSystem::fire(GraphInput& input, LWNodalEvent_t event, ConnectionType type) {
    if (!input.event) return;
    if (input.node && !input.node->settled) return;
    void* data = input.node ? input.node->instance : input.graph->userData;
    input.event(data, input.id(), event, type);
}

std::string NodeSystem::freeName(NodeGraph& graph, const std::string& base) {
    NodeGraph::NameNumbers& numbers = graph.numbers[base];
    // The lowest number given back that no node took meanwhile (one that was taken comes back
    // when that node lets go of it), else the next one above them all that is free.
    while (!numbers.released.empty()) {
        std::string candidate = numberedName(base, *numbers.released.begin());
        numbers.released.erase(numbers.released.begin());
        if (!graph.node(candidate)) return candidate;
    }
    for (;;) {
        std::string candidate = numberedName(base, numbers.next++);
        if (!graph.node(candidate)) return candidate;
    }
}

void NodeSystem::releaseNumber(NodeGraph& graph, const std::string& name) {
    // "<base> (<n>)" with n written as freeName writes it.
    if (name.size() < 4 || name.back() != ')') return;
    const size_t open = name.rfind(" (");
    if (open == std::string::npos) return;
    const std::string digits = name.substr(open + 2, name.size() - open - 3);
    if (digits.empty() || digits.size() > 18 || digits[0] == '0' ||
        digits.find_first_not_of("0123456789") != std::string::npos)
        return;
    auto found = graph.numbers.find(name.substr(0, open));
    const uint64_t n = std::stoull(digits);
    if (found != graph.numbers.end() && n < found->second.next) found->second.released.insert(n);
}

GraphNode& NodeSystem::settle(std::unique_ptr<GraphNode>& made) {
    GraphNode& node = *made;
    NodeGraph& graph = *node.graph;
    graph.named.emplace(node.name, &node);
    try {
        if (node.instance) m_settledByInstance.emplace(node.instance, &node);
        graph.nodes.push_back(std::move(made));
    } catch (...) {
        graph.named.erase(node.name);
        if (node.instance) m_settledByInstance.erase(node.instance);
        throw;
    }
    node.place = std::prev(graph.nodes.end());
    node.settled = true;
    node.order = graph.nextOrder++;
    return node;
}

void NodeSystem::releaseName(NodeGraph& graph, const GraphNode& node) {
    auto found = graph.named.find(node.name);
    if (found == graph.named.end() || found->second != &node) return;
    graph.named.erase(found);
    releaseNumber(graph, node.name);
}

void NodeSystem::link(GraphInput& input, GraphOutput* output) {
    if (input.source == output) return;
    if (GraphOutput* old = input.source) {
        (input.previousTarget ? input.previousTarget->nextTarget : old->firstTarget) =
            input.nextTarget;
        if (input.nextTarget) input.nextTarget->previousTarget = input.previousTarget;
        input.nextTarget = input.previousTarget = nullptr;
    }
    input.source = output;
    if (!output) return;
    input.nextTarget = output->firstTarget;
    if (input.nextTarget) input.nextTarget->previousTarget = &input;
    output->firstTarget = &input;
}

void NodeSystem::inGraphOrder(NodeGraph& graph, std::vector<GraphInput*>& inputs) {
    if (inputs.size() < 2) return;
    // Nodes' inputs in node order and then in input order, the root's inputs last.
    auto key = [&graph](const GraphInput* in) {
        const auto& list = in->node ? in->node->inputs : graph.rootInputs;
        size_t at = 0;
        while (at < list.size() && list[at].get() != in) ++at;
        return std::make_pair(in->node ? in->node->order : UINT64_MAX, at);
    };
    std::vector<std::pair<std::pair<uint64_t, size_t>, GraphInput*>> keyed;
    keyed.reserve(inputs.size());
    for (GraphInput* in : inputs) keyed.emplace_back(key(in), in);
    std::sort(keyed.begin(), keyed.end());
    for (size_t i = 0; i < inputs.size(); ++i) inputs[i] = keyed[i].second;
}

GraphInput* NodeSystem::addRootInput(NodeGraph& graph, ConnectionType type, const std::string& name,
                                     LWNodeInputEvent* event) {
    auto input = std::make_unique<GraphInput>();
    input->graph = &graph;
    input->type = type;
    input->name = name;
    input->event = event;
    graph.rootInputs.push_back(std::move(input));
    return graph.rootInputs.back().get();
}

void NodeSystem::removeRootInput(NodeGraph& graph, GraphInput* input) {
    auto it = std::find_if(graph.rootInputs.begin(), graph.rootInputs.end(),
                           [&](const auto& in) { return in.get() == input; });
    if (it == graph.rootInputs.end()) return;
    const bool wasConnected = input->source != nullptr;
    link(*input, nullptr);
    graph.rootInputs.erase(it);
    // Its connection going is an edit; prepared connections are dropped with it.
    if (wasConnected) edited(graph);
}

bool NodeSystem::copyGraph(NodeGraph& to, NodeGraph& from, std::string& error) {
    std::string text;
    if (!saveGraphText(from, text, error)) return false;
    return loadGraphText(to, text, 1, error);
}

std::unique_ptr<GraphNode> NodeSystem::makeNode(NodeGraph& graph, const NodeServer& server,
                                                const std::string& name, std::string& error) {
    auto node = std::make_unique<GraphNode>();
    node->graph = &graph;
    node->server = &server;
    node->name = name;
    m_liveNodes.insert(node.get());
    LWError why = nullptr;
    node->instance = server.inst.create(server.inst.priv, node->id(), &why);
    if (!node->instance) {
        m_liveNodes.erase(node.get());
        error = "node server " + quoted(server.name) + " made no node";
        if (why && *why) error += std::string(": ") + why;
        return nullptr;
    }
    return node;
}

void NodeSystem::destroyNode(GraphNode& node) {
    node.settled = false;
    for (auto& in : node.inputs) link(*in, nullptr);
    const LWInstance instance = node.instance;
    if (node.instance && node.server->inst.destroy) node.server->inst.destroy(node.instance);
    node.instance = nullptr;
    // No connection may outlive its ends, whatever the instance did while it went.
    for (auto& in : node.inputs) link(*in, nullptr);
    for (auto& out : node.outputs)
        while (out->firstTarget) link(*out->firstTarget, nullptr);
    node.inputs.clear();
    node.outputs.clear();
    m_liveNodes.erase(&node);
    auto found = m_settledByInstance.find(instance);
    if (found != m_settledByInstance.end() && found->second == &node)
        m_settledByInstance.erase(found);
}

namespace {

bool freeNodeName(const NodeGraph& graph, const GraphNode* self, const std::string& name,
                  std::string& error) {
    if (!NodeSystem::validNodeName(name, error)) return false;
    const GraphNode* other = graph.node(name);
    if (other && other != self) {
        error = "the graph already has a node named " + quoted(name);
        return false;
    }
    return true;
}

}  // namespace

bool NodeSystem::validNodeName(const std::string& name, std::string& error) {
    if (name.empty()) {
        error = "a node needs a name";
        return false;
    }
    // Names are C texts for plug-ins and lines in files, read back whole.
    if (name.size() > kMaxNodeNameBytes) {
        error = "a node name holds at most " + std::to_string(kMaxNodeNameBytes) + " bytes, not " +
                std::to_string(name.size());
        return false;
    }
    for (char c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            error = "the name " + quoted(name) + " holds a control character";
            return false;
        }
    return true;
}

GraphNode* NodeSystem::addNode(NodeGraph& graph, const std::string& serverName, std::string& error,
                               const std::string& name) {
    if (graph.nodes.size() >= kMaxGraphNodes) {
        error = "the graph already holds " + std::to_string(kMaxGraphNodes) + " nodes";
        return nullptr;
    }
    if (!name.empty() && !freeNodeName(graph, nullptr, name, error)) return nullptr;
    const NodeServer* srv = server(serverName, error);
    if (!srv) return nullptr;
    const std::string chosen = name.empty() ? freeName(graph, srv->userName) : name;
    auto node = makeNode(graph, *srv, chosen, error);
    if (!node) {
        if (name.empty()) releaseNumber(graph, chosen);
        return nullptr;
    }
    GraphNode* added = nullptr;
    try {
        added = &settle(node);
    } catch (...) {
        destroyNode(*node);
        throw;
    }
    edited(graph);
    return added;
}

bool NodeSystem::renameNode(GraphNode& node, const std::string& name, std::string& error) {
    NodeGraph& graph = *node.graph;
    if (!freeNodeName(graph, &node, name, error)) return false;
    if (node.name == name) return true;
    const bool indexed = graph.node(node.name) == &node;
    releaseName(graph, node);
    node.name = name;
    if (indexed) graph.named[name] = &node;
    edited(graph);
    return true;
}

void NodeSystem::removeNode(GraphNode* node) {
    if (!node || !m_liveNodes.count(node)) return;
    NodeGraph& graph = *node->graph;
    // Cut first, then tell: the events may reach plug-ins that look at the graph.
    std::vector<GraphInput*> fed;
    for (const auto& out : node->outputs)
        for (GraphInput* in = out->firstTarget; in; in = in->nextTarget) fed.push_back(in);
    inGraphOrder(graph, fed);
    std::vector<std::pair<GraphInput*, ConnectionType>> cut;
    for (GraphInput* in : fed) {
        cut.emplace_back(in, in->source->type);
        link(*in, nullptr);
    }
    for (auto& [in, type] : cut) fire(*in, LWNODE_EVENT_SOURCE_REMOVED, type);
    destroyNode(*node);
    // A staged node (not in the graph's nodes yet) stays with whoever staged it.
    if (graph.node(node->name) == node) {
        releaseName(graph, *node);
        std::unique_ptr<GraphNode> gone = std::move(*node->place);
        graph.nodes.erase(gone->place);
    }
    edited(graph);
}

bool NodeSystem::dependsOn(const GraphNode* node, const GraphNode* upstream) {
    if (!node || !upstream) return false;
    // Iterative, so that a long chain cannot exhaust the stack.
    std::vector<const GraphNode*> pending{node};
    std::set<const GraphNode*> seen{node};
    while (!pending.empty()) {
        const GraphNode* n = pending.back();
        pending.pop_back();
        if (n == upstream) return true;
        for (const auto& in : n->inputs) {
            const GraphNode* next = in->source ? in->source->node : nullptr;
            if (next && seen.insert(next).second) pending.push_back(next);
        }
    }
    return false;
}

int NodeSystem::chainLength(const GraphNode* node, bool downstream) {
    if (!node) return 0;
    // Longest paths measured depth first without recursion, so that no graph can exhaust the
    // stack; each node is measured once (0 while its neighbours are being measured).
    const auto neighbours = [downstream](const GraphNode* n, auto&& visit) {
        if (downstream) {
            for (const auto& out : n->outputs)
                for (const GraphInput* in = out->firstTarget; in; in = in->nextTarget)
                    if (in->node) visit(in->node);
        } else {
            for (const auto& in : n->inputs)
                if (in->source && in->source->node) visit(in->source->node);
        }
    };
    std::unordered_map<const GraphNode*, int> length;
    std::vector<const GraphNode*> pending{node};
    while (!pending.empty()) {
        const GraphNode* n = pending.back();
        const auto [at, fresh] = length.try_emplace(n, 0);
        if (fresh) {
            neighbours(n, [&](const GraphNode* next) {
                if (!length.count(next)) pending.push_back(next);
            });
            continue;
        }
        pending.pop_back();
        if (at->second > 0) continue;  // met again after it was measured
        int longest = 0;
        neighbours(n, [&](const GraphNode* next) {
            const auto found = length.find(next);
            if (found != length.end()) longest = std::max(longest, found->second);
        });
        at->second = std::min(longest, kMaxEvaluationDepth) + 1;
    }
    return length[node];
}

namespace {

std::string describeOutput(const GraphOutput& out) {
    return std::string("the ") + typeWord(out.type) + " output " + quoted(out.name) + " of " +
           quoted(out.node->name);
}

std::string describeInput(const GraphInput& in) {
    return std::string("the ") + typeWord(in.type) + " input " + quoted(in.name) + " of " +
           (in.node ? quoted(in.node->name) : std::string("the root"));
}

}  // namespace

bool NodeSystem::canConnect(const GraphOutput* output, const GraphInput* input,
                            std::string& error) {
    if (!output || !input || !output->node) {
        error = "no such input or output";
        return false;
    }
    if (output->node->graph != input->graph) {
        error = "cannot connect nodes of different editors";
        return false;
    }
    if (!canConvert(output->type, input->type)) {
        error = "cannot connect " + describeOutput(*output) + " to " + describeInput(*input);
        return false;
    }
    if (input->node && dependsOn(output->node, input->node)) {
        error = "connecting " + describeOutput(*output) + " to " + describeInput(*input) +
                " would make a cycle: " +
                (output->node == input->node ? std::string("a node cannot feed itself")
                                             : quoted(output->node->name) + " already depends on " +
                                                   quoted(input->node->name));
        return false;
    }
    // Evaluation goes no deeper than kMaxEvaluationDepth: a longer chain's far end would act
    // as unconnected.
    if (input->node) {
        const int chain = chainLength(output->node, false) + chainLength(input->node, true);
        if (chain > kMaxEvaluationDepth) {
            error = "connecting " + describeOutput(*output) + " to " + describeInput(*input) +
                    " would make a chain of more than " + std::to_string(kMaxEvaluationDepth) +
                    " nodes, each feeding the next (the most a graph evaluates)";
            return false;
        }
    }
    return true;
}

bool NodeSystem::connect(GraphOutput* output, GraphInput* input, std::string& error) {
    if (!canConnect(output, input, error)) return false;
    if (input->source == output) return true;
    if (GraphOutput* old = input->source) {
        link(*input, nullptr);
        fire(*input, LWNODE_EVENT_DISCONNECTED, old->type);
    }
    link(*input, output);
    fire(*input, LWNODE_EVENT_CONNECTED, output->type);
    edited(*input->graph);
    return true;
}

bool NodeSystem::connect(GraphNode* fromNode, const std::string& output, GraphNode* toNode,
                         const std::string& input, std::string& error) {
    if (!fromNode) {
        error = "no node to connect from";
        return false;
    }
    GraphOutput* out = fromNode->output(output);
    if (!out) {
        error = noOutputMessage(*fromNode, output);
        return false;
    }
    GraphInput* in = toNode ? toNode->input(input) : fromNode->graph->rootInput(input);
    if (!in) {
        error = noInputMessage(*fromNode->graph, toNode, input);
        return false;
    }
    return connect(out, in, error);
}

bool NodeSystem::disconnect(GraphInput* input) {
    if (!input || !input->source) return false;
    GraphOutput* old = input->source;
    link(*input, nullptr);
    fire(*input, LWNODE_EVENT_DISCONNECTED, old->type);
    edited(*input->graph);
    return true;
}

void NodeSystem::instanceChanged(LWInstance instance) {
    if (!instance) return;
    auto found = m_settledByInstance.find(instance);
    if (found != m_settledByInstance.end()) edited(*found->second->graph);
}

void NodeSystem::openWindow(NodeGraph& graph) {
    ++graph.windowOpens;
    m_window = &graph;
}

void NodeSystem::setState(NodeGraph& graph, unsigned state) {
    graph.state = state;
    if (graph.enabledMirror) *graph.enabledMirror = graph.enabled();
}

GraphInput* NodeSystem::addInput(GraphNode& node, ConnectionType type, const std::string& name,
                                 LWNodeInputEvent* event, int record) {
    auto input = std::make_unique<GraphInput>();
    input->graph = node.graph;
    input->node = &node;
    input->type = type;
    input->name = name;
    input->event = event;
    input->record = record;
    node.inputs.push_back(std::move(input));
    GraphInput* added = node.inputs.back().get();
    if (node.settled) edited(*node.graph);
    return added;
}

void NodeSystem::removeInput(GraphNode& node, GraphInput* input) {
    for (auto it = node.inputs.begin(); it != node.inputs.end(); ++it)
        if (it->get() == input) {
            link(*input, nullptr);
            std::unique_ptr<GraphInput> gone = std::move(*it);
            node.inputs.erase(it);
            if (node.settled) edited(*node.graph);
            return;
        }
}

GraphOutput* NodeSystem::addOutput(GraphNode& node, ConnectionType type, const std::string& name) {
    auto output = std::make_unique<GraphOutput>();
    output->node = &node;
    output->type = type;
    output->name = name;
    node.outputs.push_back(std::move(output));
    GraphOutput* added = node.outputs.back().get();
    if (node.settled) edited(*node.graph);
    return added;
}

void NodeSystem::removeOutput(GraphNode& node, GraphOutput* output) {
    auto it = std::find_if(node.outputs.begin(), node.outputs.end(),
                           [&](const auto& o) { return o.get() == output; });
    if (it == node.outputs.end()) return;
    std::vector<GraphInput*> cut;
    for (GraphInput* in = output->firstTarget; in; in = in->nextTarget) cut.push_back(in);
    inGraphOrder(*node.graph, cut);
    for (GraphInput* in : cut) link(*in, nullptr);
    std::unique_ptr<GraphOutput> gone = std::move(*it);
    node.outputs.erase(it);
    for (GraphInput* in : cut) fire(*in, LWNODE_EVENT_DISCONNECTED, gone->type);
    if (node.settled) edited(*node.graph);
}

// ---- loading ---------------------------------------------------------------------------------

std::unique_ptr<GraphNode> NodeSystem::stageNode(NodeGraph& graph, const std::string& serverName,
                                                 const std::string& name, std::string& error) {
    const NodeServer* srv = server(serverName, error);
    if (!srv) return nullptr;
    return makeNode(graph, *srv, name, error);
}

void NodeSystem::discardStaged(std::vector<std::unique_ptr<GraphNode>>& nodes) {
    for (auto& node : nodes)
        for (auto& in : node->inputs) link(*in, nullptr);
    while (!nodes.empty()) {
        destroyNode(*nodes.back());
        nodes.pop_back();
    }
}

void NodeSystem::replaceGraph(NodeGraph& graph, std::vector<std::unique_ptr<GraphNode>> nodes,
                              const std::vector<RootLink>& rootLinks) {
    // The new nodes' places and indexes are made aside first: when that cannot allocate, the
    // staged nodes go and the old graph stays whole.
    GraphNodes fresh;
    std::unordered_map<std::string, GraphNode*> named;
    size_t indexed = 0;
    try {
        for (const auto& node : nodes) {
            fresh.emplace_back();
            named.emplace(node->name, node.get());
            if (node->instance) m_settledByInstance.emplace(node->instance, node.get());
            ++indexed;
        }
    } catch (...) {
        for (size_t i = 0; i < indexed; ++i) m_settledByInstance.erase(nodes[i]->instance);
        discardStaged(nodes);
        throw;
    }
    forEachInput(graph, [](GraphInput& in) { link(in, nullptr); });
    while (!graph.nodes.empty()) {
        destroyNode(*graph.nodes.back());
        graph.nodes.pop_back();
    }
    graph.nodes.swap(fresh);
    graph.named.swap(named);
    graph.numbers.clear();
    auto place = graph.nodes.begin();
    for (auto& node : nodes) {
        node->place = place;
        node->settled = true;
        node->order = graph.nextOrder++;
        *place++ = std::move(node);
    }
    for (const RootLink& root : rootLinks) link(*root.input, root.source);
    forEachInput(graph, [&](GraphInput& in) {
        if (in.source) fire(in, LWNODE_EVENT_CONNECTED, in.source->type);
    });
    edited(graph);
}

// ---- render cycle and root -------------------------------------------------------------------

const char* NodeSystem::renderInit(NodeGraph& graph, int mode) {
    forEachInput(graph, [](GraphInput& in) {
        const GraphNode* node = in.source ? in.source->node : nullptr;
        in.prepared = GraphInput::Prepared{};
        if (node && node->server && node->server->handler.evaluate && in.source->type == in.type)
            in.prepared = {in.source, node->server->handler.evaluate, node->instance};
    });
    graph.prepared = true;
    const char* first = nullptr;
    for (const auto& node : graph.nodes)
        if (node->server->rend.init) {
            const char* why = node->server->rend.init(node->instance, mode);
            if (why && !first) first = why;
        }
    if (graph.hasRoot && graph.root.init) {
        const char* why = graph.root.init(graph.id(), mode);
        if (why && !first) first = why;
    }
    return first;
}

const char* NodeSystem::renderNewTime(NodeGraph& graph, int frame, double time) {
    const char* first = nullptr;
    for (const auto& node : graph.nodes)
        if (node->server->rend.newTime) {
            const char* why = node->server->rend.newTime(node->instance, frame, time);
            if (why && !first) first = why;
        }
    if (graph.hasRoot && graph.root.newTime) {
        const char* why = graph.root.newTime(graph.id(), frame, time);
        if (why && !first) first = why;
    }
    return first;
}

void NodeSystem::renderCleanup(NodeGraph& graph) {
    forEachInput(graph, [](GraphInput& in) { in.prepared = GraphInput::Prepared{}; });
    graph.prepared = false;
    for (const auto& node : graph.nodes)
        if (node->server->rend.cleanup) node->server->rend.cleanup(node->instance);
    if (graph.hasRoot && graph.root.cleanup) graph.root.cleanup(graph.id());
}

std::array<double, 3> NodeSystem::rootPreviewColour(NodeGraph& graph) {
    std::array<double, 3> colour{{0.0, 0.0, 0.0}};
    if (!graph.hasRoot || !graph.root.rootPreview) return colour;
    // The preview sample: the origin, facing a viewer one unit away along -Z.
    LWNodalAccess96_t record{};
    LWNodalAccess_t& na = record.base.base;
    for (double* normal : {na.gNorm, na.wNorm, na.wNorm0}) normal[2] = -1.0;
    na.raySource[2] = -1.0;
    na.rayLength = 1.0;
    na.cosine = 1.0;
    na.spotSize = 0.01;
    for (int i = 0; i < 3; ++i) na.oXfrm[i * 4] = na.wXfrm[i * 4] = 1.0;
    na.polNum = -1;
    na.flags = LWRT_CAMERA | LWRT_PREVIEW;
    graph.root.rootPreview(graph.id(), &na, colour.data());
    return colour;
}

LWXPanelID NodeSystem::rootPanel(NodeGraph& graph) {
    return graph.hasRoot && graph.root.rootPanel ? graph.root.rootPanel(graph.id()) : nullptr;
}

LWError NodeSystem::rootOptions(NodeGraph& graph) {
    return graph.hasRoot && graph.root.rootOptions ? graph.root.rootOptions(graph.id()) : nullptr;
}

void NodeSystem::rootCustomPreview(NodeGraph& graph, int width, int height) {
    if (graph.hasRoot && graph.root.rootCustomPreview)
        graph.root.rootCustomPreview(graph.id(), width, height);
}

// ---- items -----------------------------------------------------------------------------------

void NodeSystem::changeID(const LWItemID* pairs) {
    if (!pairs) return;
    for (const auto& graph : m_editors)
        for (const auto& node : graph->nodes)
            if (node->server->item.changeID) node->server->item.changeID(node->instance, pairs);
}

// ---- surface graphs --------------------------------------------------------------------------

NodeGraph* NodeSystem::createSurfaceEditor(Surface& surface) {
    NodeGraph* graph = createEditor("Surface", surface.name, nullptr, nullptr);
    graph->madeByHost = true;
    static const std::pair<const char*, ConnectionType> kChannels[] = {
        {"Colour", LWNODE_COLOUR},       {"Luminosity", LWNODE_SCALAR},
        {"Diffuse", LWNODE_SCALAR},      {"Specular", LWNODE_SCALAR},
        {"Glossiness", LWNODE_SCALAR},   {"Reflection", LWNODE_SCALAR},
        {"Transparency", LWNODE_SCALAR}, {"Refraction Index", LWNODE_SCALAR},
        {"Translucency", LWNODE_SCALAR}, {"Normal", LWNODE_VECTOR},
        {"Material", LWNODE_MATERIAL}};
    for (const auto& [name, type] : kChannels) addRootInput(*graph, type, name, nullptr);
    graph->state = surface.nodes.enabled ? 1u : 0u;
    graph->enabledMirror = &surface.nodes.enabled;
    return graph;
}

}  // namespace lwhost
