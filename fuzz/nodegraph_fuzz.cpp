// Node graph reader fuzzing: any text either is refused with one message, leaving the graph as it
// was, or loads into a graph that evaluates, writes out, reads back and writes out again byte for
// byte. The same bytes read as the binary encoding are refused or load, never more. Only the
// host's own nodes exist here.
#include "lwhost/core/host.h"
#include "lwhost/nodes/node_graph_file.h"

#include <cstdint>
#include <string>

namespace {

lwhost::NodeGraph* freshGraph(lwhost::NodeSystem& nodes) {
    lwhost::NodeGraph* graph = nodes.createEditor("Surface", "fuzz", nullptr, nullptr);
    nodes.addRootInput(*graph, LWNODE_COLOUR, "Colour", nullptr);
    nodes.addRootInput(*graph, LWNODE_SCALAR, "Specular", nullptr);
    nodes.addRootInput(*graph, LWNODE_INTEGER, "Override", nullptr);
    nodes.addRootInput(*graph, LWNODE_MATERIAL, "Material", nullptr);
    return graph;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static lwhost::Host host;
    static lwhost::NodeSystem nodes(host);
    const std::string text(reinterpret_cast<const char*>(data), size);

    {
        lwhost::NodeGraph* graph = freshGraph(nodes);
        lwhost::MemoryLoadState binary(text, LWIO_BINARY);
        std::string error;
        if (!lwhost::readGraph(*graph, binary.record(), &binary, error) && !graph->nodes.empty())
            __builtin_trap();
        nodes.destroyEditor(graph);
    }

    lwhost::NodeGraph* graph = freshGraph(nodes);
    std::string error;
    if (!lwhost::loadGraphText(*graph, text, 1, error)) {
        if (error.empty() || error.find('\n') != std::string::npos || !graph->nodes.empty())
            __builtin_trap();
        nodes.destroyEditor(graph);
        return 0;
    }
    LWNodalAccess_t access{};
    access.wPos[0] = 0.5;
    double value[LWNODE_MATERIAL_DOUBLES];
    for (const auto& input : graph->rootInputs)
        lwhost::NodeSystem::evaluate(input.get(), &access, value);

    std::string first, second;
    if (!lwhost::saveGraphText(*graph, first, error)) __builtin_trap();
    lwhost::NodeGraph* again = freshGraph(nodes);
    if (!lwhost::loadGraphText(*again, first, 1, error)) __builtin_trap();
    if (!lwhost::saveGraphText(*again, second, error) || second != first) __builtin_trap();
    nodes.destroyEditor(again);
    nodes.destroyEditor(graph);
    return 0;
}
