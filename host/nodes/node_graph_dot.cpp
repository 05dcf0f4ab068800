// Node graphs as pictures: the DOT language of Graphviz.
#include <cstdio>
#include <string>
#include <unordered_map>
#include <vector>

#include "lwhost/nodes/node_graph_file.h"

namespace lwhost {

namespace {

constexpr size_t kMaxSettingsShown = 8;
constexpr size_t kMaxSettingBytes = 48;

// A DOT string's inside: quotes and backslashes escaped, control characters as \xHH text.
std::string dotText(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7f) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// At most `bytes` bytes, cut at a character's start, with "..." when cut.
std::string shortened(const std::string& text, size_t bytes) {
    if (text.size() <= bytes) return text;
    size_t end = bytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end) + "...";
}

// Each node's settings as its saved block holds them ("Token value" lines, nested blocks
// flattened), in graph order.
std::vector<std::vector<std::string>> nodeSettings(const std::string& saved) {
    std::vector<std::vector<std::string>> nodes;
    int depth = 0;
    size_t start = 0;
    while (start < saved.size()) {
        size_t end = saved.find('\n', start);
        if (end == std::string::npos) end = saved.size();
        const size_t first = saved.find_first_not_of(" \t", start);
        const std::string line = first < end ? saved.substr(first, end - first) : std::string();
        start = end + 1;
        if (depth == 0) {
            if (line.rfind("{ Node ", 0) == 0) {
                nodes.emplace_back();
                depth = 1;
            }
        } else if (!line.empty() && line[0] == '{') {
            ++depth;
        } else if (line == "}") {
            --depth;
        } else if (!line.empty()) {
            nodes.back().push_back(line);
        }
    }
    return nodes;
}

void writeEditor(NodeGraph& graph, size_t index, std::string& out) {
    std::string saved, why;
    // A node whose save fails is shown without settings.
    saveGraphText(graph, saved, why);
    const std::vector<std::vector<std::string>> settings = nodeSettings(saved);
    const std::string id = "e" + std::to_string(index);
    out += "  subgraph cluster_" + id + " {\n";
    out += "    label=\"" + dotText(graph.title + ": " + graph.name) +
           (graph.enabled() ? "" : " (off)") + "\";\n";
    size_t n = 0;
    std::vector<std::string> ids;
    std::unordered_map<const GraphNode*, size_t> place;
    for (const auto& node : graph.nodes) {
        place[node.get()] = n;
        std::string label = dotText(node->name) + "\\n" + dotText(node->server->name);
        if (n < settings.size()) {
            const std::vector<std::string>& lines = settings[n];
            for (size_t s = 0; s < lines.size() && s < kMaxSettingsShown; ++s)
                label += "\\n" + dotText(shortened(lines[s], kMaxSettingBytes));
            if (lines.size() > kMaxSettingsShown) label += "\\n...";
        }
        ids.push_back(id + "n" + std::to_string(n++));
        out += "    " + ids.back() + " [label=\"" + label + "\"];\n";
    }
    out += "    " + id + "root [label=\"Root\", shape=doubleoctagon];\n";
    auto edge = [&](const GraphInput& in, const std::string& to) {
        const auto from = in.source ? place.find(in.source->node) : place.end();
        if (from == place.end()) return;
        out += "    " + ids[from->second] + " -> " + to + " [label=\"" + dotText(in.source->name) +
               " > " + dotText(in.name) + "\"];\n";
    };
    n = 0;
    for (const auto& node : graph.nodes) {
        for (const auto& in : node->inputs) edge(*in, ids[n]);
        ++n;
    }
    for (const auto& in : graph.rootInputs) edge(*in, id + "root");
    out += "  }\n";
}

}  // namespace

std::string graphDot(const std::vector<NodeGraph*>& graphs) {
    std::string out =
        "digraph \"node graphs\" {\n"
        "  rankdir=LR;\n"
        "  fontname=\"Helvetica\";\n"
        "  node [shape=box, style=rounded, fontname=\"Helvetica\", fontsize=10];\n"
        "  edge [fontname=\"Helvetica\", fontsize=9];\n";
    for (size_t i = 0; i < graphs.size(); ++i) writeEditor(*graphs[i], i, out);
    return out + "}\n";
}

}  // namespace lwhost
