// Node evaluation: ns per evaluation of an unconnected input, an input fed by a constant, a
// chain of ten nodes, and a plug-in's node input read through the frame.
#include <benchmark/benchmark.h>
#include <vexo/node.h>
#include "lwhost/core/host.h"
#include "lwhost/nodes/nodes.h"
#include "lwhost/session/session.h"

#include <stdexcept>
#include <string>

namespace {

using lwhost::GraphInput;
using lwhost::GraphNode;
using lwhost::NodeGraph;
using lwhost::NodeSystem;

struct Setup {
    Setup() { graph = nodes.createEditor("Surface", "bench", nullptr, nullptr); }
    GraphNode* add(const char* server) {
        std::string error;
        return nodes.addNode(*graph, server, error);
    }
    GraphInput* root(ConnectionType type) {
        return nodes.addRootInput(*graph, type, "in" + std::to_string(++count), nullptr);
    }
    void connect(GraphNode* from, const char* output, GraphNode* to, const char* input) {
        std::string error;
        if (!nodes.connect(from->output(output), to ? to->input(input) : graph->rootInput(input),
                           error))
            throw std::runtime_error(error);
    }

    lwhost::Session session;
    NodeSystem& nodes = session.nodes();
    NodeGraph* graph;
    int count = 0;
};

void UnconnectedInput(benchmark::State& state) {
    Setup s;
    GraphInput* in = s.root(LWNODE_SCALAR);
    LWNodalAccess_t access{};
    double value = 0.5;
    for (auto _ : state) {
        benchmark::DoNotOptimize(NodeSystem::inputFuncs()->evaluate(in->id(), &access, &value));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(UnconnectedInput);

void ConnectedConstant(benchmark::State& state) {
    Setup s;
    GraphInput* in = s.root(LWNODE_SCALAR);
    s.connect(s.add("ScalarConstant"), "Value", nullptr, in->name.c_str());
    LWNodalAccess_t access{};
    double value = 0.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(NodeSystem::inputFuncs()->evaluate(in->id(), &access, &value));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(ConnectedConstant);

void ChainOfTenNodes(benchmark::State& state) {
    Setup s;
    GraphInput* in = s.root(LWNODE_COLOUR);
    GraphNode* previous = s.add("Multiply");
    for (int i = 1; i < 10; ++i) {
        GraphNode* next = s.add("Multiply");
        s.connect(previous, "Colour", next, "A");
        previous = next;
    }
    s.connect(previous, "Colour", nullptr, in->name.c_str());
    LWNodalAccess_t access{};
    double colour[3];
    for (auto _ : state) {
        benchmark::DoNotOptimize(NodeSystem::inputFuncs()->evaluate(in->id(), &access, colour));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(ChainOfTenNodes);

void FrameInputFedByAConstant(benchmark::State& state) {
    Setup s;
    vexo::SetSuperGlobal(lwhost::Host::globalFunction());
    vexo::NodeEditor editor;
    editor.create("Surface", "frame", nullptr, NPT_RENDER);
    auto input = editor.addScalarInput("Gain", nullptr);
    NodeGraph* graph = s.nodes.editor(editor.id());
    std::string error;
    GraphNode* constant = s.nodes.addNode(*graph, "ScalarConstant", error);
    s.nodes.connect(constant->output("Value"), graph->rootInput("Gain"), error);
    LWNodalAccess_t access{};
    for (auto _ : state) benchmark::DoNotOptimize(input->evaluateScalar(&access, 0.0));
}
BENCHMARK(FrameInputFedByAConstant);

}  // namespace
