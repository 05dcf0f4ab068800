// Surface node graphs in scene files, through the plug-in host's scene loading: each surface
// with a graph gets an editor the scene globals hand out, graphs and their switch round-trip, a
// broken graph refuses the whole scene and leaves no editor.
#include <gtest/gtest.h>
#include "lwhost/nodes/node_graph_file.h"

#include <string>

#include "scene_plugins.h"

namespace {

using lwhost::NodeGraph;
using lwhost::NodeSystem;

class SurfaceGraphSceneTest : public ::testing::Test, protected ScenePlugins {
  protected:
    NodeGraph* graphOf(const std::string& surface, const std::string& object) {
        lwhost::Surface* s = scene.findSurface(surface, object);
        return s ? nodes.editor(static_cast<NodeEditorID>(s->nodes.data.instance)) : nullptr;
    }
    static std::string text(NodeGraph* g) {
        std::string out, error;
        EXPECT_TRUE(lwhost::saveGraphText(*g, out, error)) << error;
        return out;
    }

    NodeSystem& nodes = services.nodes;
    std::string error;
};

TEST_F(SurfaceGraphSceneTest,
       ExampleSceneGivesItsSurfacesTheirGraphsWhichRoundTripWithTheirSwitch) {
    ASSERT_TRUE(plugins.loadScene(std::string(EXAMPLES_DIR) + "/nodes.lws", error)) << error;
    NodeGraph* floor = graphOf("Floor", "Floor");
    NodeGraph* ball = graphOf("Ball", "Ball");
    ASSERT_NE(floor, nullptr);
    ASSERT_NE(ball, nullptr);
    EXPECT_TRUE(floor->enabled());
    EXPECT_EQ(ball->nodes.size(), 4u);

    const LWSurfaceID id = scene.findSurface("Floor", "Floor")->id;
    EXPECT_EQ(lwhost::SceneGlobals::surfaceFuncs()->getNodeEditor(id), floor->id());

    st_LWShaderAccess96 record{};
    st_LWShaderAccess& sa = record.base.base;
    sa.wPos[0] = 0.25;
    lwhost::applySurfaceGraph(*floor, record);
    EXPECT_FLOAT_EQ(static_cast<float>(sa.color[2]), 0.85f);
    sa.wPos[0] = 0.75;
    lwhost::applySurfaceGraph(*floor, record);
    EXPECT_FLOAT_EQ(static_cast<float>(sa.color[2]), 0.2f);
    lwhost::applySurfaceGraph(*ball, record);
    EXPECT_FLOAT_EQ(static_cast<float>(sa.specular), 0.8f);

    // A round trip keeps the graphs and their switch.
    NodeSystem::editorFuncs()->setState(ball->id(), 0);
    const std::string ballGraph = text(ball);
    std::string written;
    ASSERT_TRUE(plugins.writeScene(written, error)) << error;
    EXPECT_NE(written.find("  NodeGraph off\n    Version 1\n    { Node \"ColourConstant\" \"Red\""),
              std::string::npos)
        << written;

    ASSERT_TRUE(plugins.readScene(written, "again.lws", "", error)) << error;
    EXPECT_FALSE(scene.findSurface("Ball", "Ball")->nodes.enabled);
    NodeGraph* copy = graphOf("Ball", "Ball");
    ASSERT_NE(copy, nullptr);
    EXPECT_FALSE(copy->enabled());
    EXPECT_EQ(text(copy), ballGraph);
}

TEST_F(SurfaceGraphSceneTest, BrokenGraphRefusesTheWholeSceneAndLeavesNoEditor) {
    const char kScene[] =
        "LWHostScene 1\n"
        "Object \"Floor\"\n"
        "  Plane \"Floor\" 10 10\n"
        "End\n"
        "Surface \"Floor\" \"Floor\"\n"
        "  NodeGraph on\n"
        "    { Node \"Checker\" \"Tiles\"\n"
        "    }\n"
        "    Root \"Colour\" \"Tiles\" \"Value\"\n"
        "    Root \"Colour\" \"Tiles\" \"Colour\"\n"
        "  EndNodeGraph\n"
        "End\n";
    const size_t editors = nodes.editorCount();
    EXPECT_FALSE(plugins.readScene(kScene, "broken.lws", "", error));
    EXPECT_EQ(error, "broken.lws:10: the root's input \"Colour\" is fed twice");
    EXPECT_EQ(nodes.editorCount(), editors);
    EXPECT_EQ(scene.surfaceCount(), 0u);
}

TEST_F(SurfaceGraphSceneTest, SurfacesWithoutAGraphGetNoEditor) {
    const char kScene[] =
        "LWHostScene 1\n"
        "Object \"Floor\"\n  Plane \"Floor\" 10 10\nEnd\n"
        "Object \"Wall\"\n  Plane \"Wall\" 1 1\nEnd\n"
        "Surface \"Wall\" \"Wall\"\n  NodeGraph on\n  EndNodeGraph\nEnd\n";
    ASSERT_TRUE(plugins.readScene(kScene, "plain.lws", "", error)) << error;
    EXPECT_EQ(graphOf("Floor", "Floor"), nullptr);
    NodeGraph* wall = graphOf("Wall", "Wall");
    ASSERT_NE(wall, nullptr);  // switched on, though empty
    EXPECT_TRUE(wall->nodes.empty());
}

}  // namespace
