// Node graphs in files: round trips in both encodings, hand-written text, every refusal with its
// line and nothing half-built, plug-in nodes' own blocks.
#include "lwhost/nodes/node_graph_file.h"
#include <gtest/gtest.h>
#include "lwhost/core/host.h"

#include <array>
#include <cstring>
#include <string>

#include "test_paths.h"

namespace {

using lwhost::GraphNode;
using lwhost::NodeGraph;
using lwhost::NodeSystem;

int g_updates = 0;
void countUpdate(NodeEditorID) {
    ++g_updates;
}

class NodeGraphFileTest : public ::testing::Test {
  protected:
    NodeGraphFileTest() : nodes(host) {
        graph = fresh();
        g_updates = 0;
    }
    NodeGraph* fresh() {
        NodeGraph* g = nodes.createEditor("Surface", "test", nullptr, nullptr);
        nodes.addRootInput(*g, LWNODE_COLOUR, "Colour", nullptr);
        nodes.addRootInput(*g, LWNODE_SCALAR, "Specular", nullptr);
        nodes.addRootInput(*g, LWNODE_MATERIAL, "Material", nullptr);
        return g;
    }
    std::string text(NodeGraph* g) {
        std::string out, why;
        EXPECT_TRUE(lwhost::saveGraphText(*g, out, why)) << why;
        return out;
    }
    std::array<double, 3> rootColour(NodeGraph* g, double x) {
        LWNodalAccess_t access{};
        access.wPos[0] = x;
        std::array<double, 3> c{{-1, -1, -1}};
        NodeSystem::evaluate(g->rootInput("Colour"), &access, c.data());
        return c;
    }

    lwhost::Host host;
    NodeSystem nodes;
    NodeGraph* graph;
    std::string error;
};

const char kHandWritten[] = R"(# A checker feeding a mix, the mix feeding the root.
{ Node "Checker" "Tiles"
  Colour1 1 0 0
  Size 2
}
Connect "Blend" "A" "Tiles" "Colour"   # connections may name nodes that come later
{ Node "Mix" "Blend"
  B 0 0 1
  Amount 0
}
Root "Colour" "Blend" "Colour"
)";

TEST_F(NodeGraphFileTest, HandWrittenGraphEvaluatesAndSavedReadsBackTheSameInBothEncodings) {
    ASSERT_TRUE(lwhost::loadGraphText(*graph, kHandWritten, 1, error)) << error;
    ASSERT_EQ(graph->nodes.size(), 2u);
    EXPECT_EQ(graph->nodes.front()->name, "Tiles");
    EXPECT_EQ(rootColour(graph, 1.0), (std::array<double, 3>{{1, 0, 0}}));
    EXPECT_EQ(rootColour(graph, 3.0), (std::array<double, 3>{{0, 0, 0}}));

    GraphNode* material = nodes.addNode(*graph, "Material", error);
    ASSERT_TRUE(nodes.connect(graph->node("Tiles"), "Colour", material, "Specular Shading", error));
    ASSERT_TRUE(nodes.connect(material, "Material", nullptr, "Material", error));
    // A negative integer, which the binary encoding once read back wrong.
    GraphNode* whole = nodes.addNode(*graph, "IntegerConstant", error);
    ASSERT_TRUE(setHostSetting(*whole, "Value", {-5}, error)) << error;
    ASSERT_TRUE(nodes.connect(whole, "Value", nullptr, "Specular", error)) << error;
    const std::string saved = text(graph);
    EXPECT_NE(saved.find("{ Node \"Checker\" \"Tiles\"\n  Colour1 1 0 0\n"), std::string::npos)
        << saved;
    EXPECT_NE(saved.find("Connect \"Material (1)\" \"Specular Shading\" \"Tiles\" \"Colour\"\n"),
              std::string::npos)
        << saved;

    NodeGraph* copy = fresh();
    ASSERT_TRUE(lwhost::loadGraphText(*copy, saved, 1, error)) << error;
    EXPECT_EQ(text(copy), saved);
    EXPECT_EQ(rootColour(copy, 1.0), rootColour(graph, 1.0));

    lwhost::MemorySaveState binary(LWIO_BINARY);
    ASSERT_TRUE(lwhost::writeGraph(*graph, binary.record(), error)) << error;
    binary.finish();
    NodeGraph* fromBinary = fresh();
    lwhost::MemoryLoadState load(binary.bytes(), LWIO_BINARY);
    ASSERT_TRUE(lwhost::readGraph(*fromBinary, load.record(), &load, error)) << error;
    EXPECT_EQ(text(fromBinary), saved);
    LWNodalAccess_t access{};
    double specular = 0;
    NodeSystem::evaluate(fromBinary->rootInput("Specular"), &access, &specular);
    EXPECT_EQ(specular, -5.0);
}

TEST_F(NodeGraphFileTest, LoadingReplacesTheGraphAndTellsTheEditorOnce) {
    nodes.addNode(*graph, "Ray", error);
    graph->update = countUpdate;
    ASSERT_TRUE(lwhost::loadGraphText(*graph, kHandWritten, 1, error)) << error;
    EXPECT_EQ(graph->nodes.size(), 2u);
    EXPECT_EQ(graph->node("Ray (1)"), nullptr);
    EXPECT_EQ(g_updates, 1);
    // An empty graph empties it.
    ASSERT_TRUE(lwhost::loadGraphText(*graph, "", 1, error)) << error;
    EXPECT_TRUE(graph->nodes.empty());
    EXPECT_EQ(graph->rootInput("Colour")->source, nullptr);
}

// Every refusal names its line (the text starts at line 10) and leaves the graph as it was.
TEST_F(NodeGraphFileTest, RefusedGraphsNameTheirLineAndLeaveTheGraphAsItWas) {
    GraphNode* before = nodes.addNode(*graph, "ColourConstant", error);
    ASSERT_TRUE(nodes.connect(before, "Colour", nullptr, "Colour", error));
    graph->update = countUpdate;
    const std::string saved = text(graph);
    const std::string m = "{ Node \"Mix\" \"M\"\n}\n", mn = m + "{ Node \"Mix\" \"N\"\n}\n";
    const std::pair<std::string, const char*> refusals[] = {
        {m + "{ Node \"Marble\" \"X\"\n}\n", "line 12: unknown node server \"Marble\""},
        // A name with a line break stays on the message's one line.
        {"{ Node \"Mar\\nble\" \"X\"\n}\n", "line 10: unknown node server \"Mar\\nble\""},
        {mn + "Connect \"M\" \"C\" \"N\" \"Colour\"\n",
         "line 14: node \"M\" has no input \"C\" (its inputs: \"A\", \"B\", \"Amount\")"},
        {mn + "Connect \"M\" \"A\" \"N\" \"Color\"\n",
         "line 14: node \"N\" has no output \"Color\" (its outputs: \"Colour\")"},
        {m + "Root \"Colour\" \"Mixer\" \"Colour\"\n", "line 12: no node is named \"Mixer\""},
        {m + "Root \"Bump\" \"M\" \"Colour\"\n", "line 12: the root has no input \"Bump\""},
        {"{ Node \"Material\" \"M\"\n}\n{ Node \"Mix\" \"N\"\n}\nConnect \"N\" \"A\" \"M\" "
         "\"Material\"\n",
         "line 14: cannot connect the material output \"Material\" of \"M\" to the colour "
         "input \"A\" of \"N\""},
        {mn + "Connect \"M\" \"A\" \"N\" \"Colour\"\nConnect \"N\" \"B\" \"M\" \"Colour\"\n",
         "line 15: connecting the colour output \"Colour\" of \"M\" to the colour input "
         "\"B\" of \"N\" would make a cycle: \"M\" already depends on \"N\""},
        {mn + "{ Node \"Mix\" \"O\"\n}\nConnect \"M\" \"A\" \"N\" \"Colour\"\nConnect \"M\" \"A\" "
              "\"O\" \"Colour\"\n",
         "line 17: input \"A\" of \"M\" is fed twice"},
        {m + "Root \"Colour\" \"M\" \"Colour\"\nRoot \"Colour\" \"M\" \"Colour\"\n",
         "line 13: the root's input \"Colour\" is fed twice"},
        {m + "{ Node \"Ray\" \"M\"\n}\n", "line 12: two nodes are named \"M\""},
        {"{ Node \"Mix\"\n  A 1 1 1\n}\n",
         "line 10: a Node block needs the server's name and the node's name"},
        {"Connect \"M\" \"A\" \"N\"\n",
         "line 10: a Connect block needs four texts: the node, its input, the source "
         "node and its output"},
        {"Version 2\n", "line 10: graph version 2 is newer than this host reads (1)"},
        {"{ Node \"Mix\" \"M\"\n  A 1 1 1\n",
         "line 12: the block begun at line 10 has no closing '}'"},
        {"{ Node \"Mix\" \"M\n}\n", "line 10: a text without its closing quote"},
        // Host nodes' values that do not read, or not as a float or integer, at their own line.
        {"{ Node \"Checker\" \"T\"\n  Colour1 1 0 0\n  Size 0,6\n}\n",
         "line 12: node \"T\": \"Size\" takes 1 number from -3.40282e+38 to 3.40282e+38"},
        {"{ Node \"Checker\" \"T\"\n  Size 1e39\n}\n", "line 11: node \"T\": \"Size\" takes 1"},
        {"{ Node \"Checker\" \"T\"\n  Size +nan\n}\n", "line 11: node \"T\": \"Size\" takes 1"},
        {"{ Node \"Mix\" \"T\"\n  A 1 abc 1\n}\n", "line 11: node \"T\": \"A\" takes 3 numbers"},
        {"{ Node \"IntegerConstant\" \"T\"\n  Value 1.5\n}\n",
         "line 11: node \"T\": \"Value\" takes an integer"},
        {"{ Node \"IntegerConstant\" \"T\"\n  Value -20000000\n}\n",
         "line 11: node \"T\": \"Value\" takes an integer"},
        // Names as the editor allows them: never cut, nor holding what it refuses.
        {"Connect \"M\" \"A\" \"" + std::string(4096, 'n') + "\" \"Colour\"\n",
         "line 10: a name is longer than 4095 bytes"},
        {"{ Node \"Mix\" \"a\\x01b\"\n}\n",
         "line 10: the name \"a\\x01b\" holds a control character"}};
    for (const auto& [graphText, message] : refusals) {
        EXPECT_FALSE(lwhost::loadGraphText(*graph, graphText, 10, error));
        EXPECT_EQ(error.substr(0, std::strlen(message)), message);
        EXPECT_EQ(text(graph), saved);
        EXPECT_EQ(g_updates, 0);
        ASSERT_EQ(graph->nodes.size(), 1u);
        EXPECT_EQ(graph->rootInput("Colour")->source, before->output("Colour"));
    }
    // Nor is a graph written that could not be read back.
    before->name.assign(4096, 'n');
    std::string out;
    EXPECT_FALSE(lwhost::saveGraphText(*graph, out, error));
    EXPECT_EQ(error, "a node name holds at most 4095 bytes, not 4096");
}

TEST_F(NodeGraphFileTest, PluginNodesKeepTheirOwnBlocks) {
    ASSERT_TRUE(loads(host, testModule("testnode_module")));
    const char graphText[] =
        "{ Node \"testScale\" \"Scale\"\n  Factor 3\n}\n"
        "Root \"Colour\" \"Scale\" \"Colour\"\n";
    ASSERT_TRUE(lwhost::loadGraphText(*graph, graphText, 1, error)) << error;
    EXPECT_EQ(rootColour(graph, 0.0), (std::array<double, 3>{{3, 3, 3}}));
    EXPECT_EQ(text(graph), std::string("Version 1\n") + graphText);
}

}  // namespace
