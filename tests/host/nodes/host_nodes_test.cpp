// The host's own nodes: values at known points, the material layout, the ray node with nested
// shading on one thread, settings copies, connections resolved at render start, and shading a
// sample with a surface graph.
#include <gtest/gtest.h>
#include "lwhost/core/handles.h"
#include "lwhost/core/host.h"
#include "lwhost/io/blockio.h"
#include "lwhost/nodes/nodes.h"
#include "lwhost/scene/scene.h"

#include <array>
#include <string>
#include <tuple>

namespace {

using lwhost::GraphInput;
using lwhost::GraphNode;
using lwhost::NodeGraph;
using lwhost::NodeSystem;
using Colour = std::array<double, 3>;

class HostNodesTest : public ::testing::Test {
  protected:
    HostNodesTest() : nodes(host) {
        graph = nodes.createEditor("Surface", "test", nullptr, nullptr);
    }

    // A node of the server in `in` (the test's graph by default), settings from block text.
    GraphNode* make(const std::string& server, const std::string& settings = "",
                    NodeGraph* in = nullptr) {
        GraphNode* node = nodes.addNode(in ? *in : *graph, server, error);
        EXPECT_NE(node, nullptr) << error;
        if (node && !settings.empty()) {
            lwhost::MemoryLoadState state(settings, LWIO_ASCII);
            EXPECT_EQ(node->server->inst.load(node->instance, state.record()), nullptr);
            EXPECT_FALSE(state.damaged()) << state.error();
        }
        return node;
    }
    // A root input of the type fed by the node's output.
    GraphInput* feed(GraphNode* node, const std::string& output, ConnectionType type) {
        GraphInput* in =
            nodes.addRootInput(*graph, type, "in" + std::to_string(++m_inputs), nullptr);
        EXPECT_TRUE(nodes.connect(node->output(output), in, error)) << error;
        return in;
    }
    Colour colour(GraphNode* node, const std::string& output = "Colour") {
        Colour c{{-1, -1, -1}};
        NodeSystem::evaluate(feed(node, output, LWNODE_COLOUR), &access, c.data());
        return c;
    }
    double scalar(GraphNode* node, const std::string& output) {
        double v = -99.0;
        NodeSystem::evaluate(feed(node, output, LWNODE_SCALAR), &access, &v);
        return v;
    }
    void at(double x, double y, double z) {
        const double p[3] = {x, y, z};
        for (int k = 0; k < 3; ++k) access.wPos[k] = p[k];
    }

    lwhost::Host host;
    NodeSystem nodes;
    NodeGraph* graph;
    LWNodalAccess_t access{};
    std::string error;
    int m_inputs = 0;
};

TEST_F(HostNodesTest, CheckerAlternatesCubesOfItsSizeAndColourInputsReplaceItsPanelValues) {
    GraphNode* checker = make("Checker", "Colour1 1 0 0\nColour2 0 0 1\n");
    const Colour red{{1, 0, 0}}, blue{{0, 0, 1}};
    struct Point {
        double x, y, z;
        bool second;
    };
    for (Point p : {Point{0.5, 0.5, 0.5, false}, Point{1.5, 0.5, 0.5, true},
                    Point{-0.5, 0.5, 0.5, true}, Point{1.5, 1.5, 0.5, false},
                    Point{-0.5, -0.5, -0.5, true}, Point{2.0, 0.0, 0.0, false}}) {
        at(p.x, p.y, p.z);
        EXPECT_EQ(colour(checker), p.second ? blue : red) << p.x << " " << p.y << " " << p.z;
        EXPECT_EQ(scalar(checker, "Value"), p.second ? 1.0 : 0.0);
    }

    GraphNode* fine = make("Checker", "Size 0.5\n");
    at(0.75, 0.1, 0.1);
    EXPECT_EQ(scalar(fine, "Value"), 1.0);
    // A size that is not positive, and points too far out to place, fall in the first kind.
    GraphNode* flat = make("Checker", "Size 0\n");
    EXPECT_EQ(scalar(flat, "Value"), 0.0);
    at(1e308, -1e308, 1e308);
    EXPECT_EQ(scalar(checker, "Value"), 0.0);

    // A connected colour input replaces its panel value.
    GraphNode* plain = make("Checker");
    GraphNode* green = make("ColourConstant", "Colour 0 1 0\n");
    ASSERT_TRUE(nodes.connect(green, "Colour", plain, "Colour 2", error));
    at(1.5, 0.5, 0.5);
    EXPECT_EQ(colour(plain), (Colour{{0, 1, 0}}));
    at(0.5, 0.5, 0.5);
    EXPECT_EQ(colour(plain), (Colour{{1, 1, 1}}));
}

TEST_F(HostNodesTest, MaterialValueHasTheHostLayout) {
    GraphNode* material = make("Material",
                               "DiffuseShading 0.125 0.25 0.375\n"
                               "SpecularShading 0.5 0.625 0.75\n"
                               "ReflectionShading 1 2 3\n"
                               "RefractionShading 4 5 6\n"
                               "Transparency 0.25\n");
    double m[LWNODE_MATERIAL_DOUBLES + 1];
    m[LWNODE_MATERIAL_DOUBLES] = 77.0;
    GraphInput* in = feed(material, "Material", LWNODE_MATERIAL);
    ASSERT_EQ(NodeSystem::evaluate(in, &access, m), 1);
    const double expected[] = {0.125, 0.25, 0.375, 0.5, 0.625, 0.75, 1, 2, 3, 4, 5, 6, 0.25};
    for (int i = 0; i < LWNODE_MATERIAL_DOUBLES; ++i) EXPECT_EQ(m[i], expected[i]) << i;
    EXPECT_EQ(m[LWNODE_MATERIAL_DOUBLES], 77.0);

    GraphNode* tint = make("ColourConstant", "Colour 9 8 7\n");
    ASSERT_TRUE(nodes.connect(tint, "Colour", material, "Refraction Shading", error));
    NodeSystem::evaluate(in, &access, m);
    EXPECT_EQ(m[9], 9.0);
    EXPECT_EQ(m[11], 7.0);
    EXPECT_EQ(m[6], 1.0);  // reflection kept its panel value
}

TEST_F(HostNodesTest, ConstantsMixAndMultiplyGiveTheirValues) {
    EXPECT_EQ(colour(make("Mix")), (Colour{{0.5, 0.5, 0.5}}));
    EXPECT_EQ(colour(make("Mix", "A 1 0 0\nB 0 0 1\nAmount 0.25\n")), (Colour{{0.75, 0, 0.25}}));
    EXPECT_EQ(colour(make("Multiply", "A 0.5 1 2\nB 2 0.5 0.25\n")), (Colour{{1, 0.5, 0.5}}));
    EXPECT_EQ(scalar(make("ScalarConstant", "Value 0.75\n"), "Value"), 0.75);

    GraphNode* integer = make("IntegerConstant", "Value -3\n");  // written by hand
    int whole = 0;
    NodeSystem::evaluate(feed(integer, "Value", LWNODE_INTEGER), &access, &whole);
    EXPECT_EQ(whole, -3);
    double asVector[3];
    GraphNode* vector = make("VectorConstant", "Value 1 2 3\n");
    NodeSystem::evaluate(feed(vector, "Vector", LWNODE_VECTOR), &access, asVector);
    EXPECT_EQ(asVector[2], 3.0);
}

TEST_F(HostNodesTest, ConnectionsResolvedWhenTheRenderStartsFollowEditsMadeSince) {
    GraphInput* in = feed(make("ScalarConstant", "Value 0.25\n"), "Value", LWNODE_SCALAR);
    ASSERT_EQ(nodes.renderInit(*graph, 0), nullptr);
    auto value = [&] {
        double v = -1;
        NodeSystem::evaluate(in, &access, &v);
        return v;
    };
    EXPECT_EQ(value(), 0.25);
    // The source goes and a new node, perhaps at the same address, takes its place.
    nodes.removeNode(in->source->node);
    ASSERT_TRUE(nodes.connect(make("ScalarConstant", "Value 0.5\n")->output("Value"), in, error));
    EXPECT_EQ(value(), 0.5);
    nodes.renderCleanup(*graph);
    EXPECT_EQ(value(), 0.5);
}

TEST_F(HostNodesTest, CopyTakesTheOtherNodesSettings) {
    GraphNode* from = make("Checker", "Colour1 0.25 0.5 0.75\nSize 3\n");
    GraphNode* to = make("Checker");
    EXPECT_EQ(to->server->inst.copy(to->instance, from->instance), nullptr);
    at(1.5, 0.5, 0.5);  // the first kind of cube at size 3, the second at size 1
    EXPECT_EQ(colour(to), (Colour{{0.25, 0.5, 0.75}}));
}

// ---- the ray node ----------------------------------------------------------------------------

// Notes the direction of the ray it is asked to trace.
double g_direction[3];
double recordingTrace(const double*, const double direction[3], double colour[3]) {
    for (int k = 0; k < 3; ++k) g_direction[k] = direction[k];
    colour[0] = 0.125;
    colour[1] = 0.25;
    colour[2] = 0.5;
    return 2.5;
}

TEST_F(HostNodesTest, RayNodeReportsWhatTheRayTracingFunctionSees) {
    GraphNode* ray = make("Ray");
    access.raySource[2] = -2.0;  // looking along +Z at the origin, on a surface facing -Z
    access.wNorm[2] = -1.0;
    access.wPos[0] = 0.0;
    access.rayTrace = recordingTrace;
    EXPECT_EQ(colour(ray), (Colour{{0.125, 0.25, 0.5}}));
    EXPECT_EQ(scalar(ray, "Length"), 2.5);
    EXPECT_EQ(g_direction[2], -1.0);  // the mirror direction

    GraphNode* up = make("VectorConstant", "Value 0 4 0\n");
    ASSERT_TRUE(nodes.connect(up, "Vector", ray, "Direction", error));
    colour(ray);
    EXPECT_EQ(g_direction[1], 1.0);  // made unit length

    access.rayTrace = nullptr;
    EXPECT_EQ(colour(ray), (Colour{{0, 0, 0}}));
    EXPECT_EQ(scalar(ray, "Length"), -1.0);
}

// The scene a ray sees: a second graph, shaded on the ray's thread.
GraphInput* g_hitRoot;
double nestedTrace(const double position[3], const double direction[3], double colour[3]) {
    LWNodalAccess_t hit{};
    for (int k = 0; k < 3; ++k) hit.wPos[k] = position[k] + 2.0 * direction[k];
    colour[0] = colour[1] = colour[2] = 0.0;
    NodeSystem::evaluate(g_hitRoot, &hit, colour);
    return 2.0;
}

TEST_F(HostNodesTest, RayShadesAnotherGraphNestedOnTheSameThread) {
    NodeGraph* scene = nodes.createEditor("Surface", "hit", nullptr, nullptr);
    GraphNode* checker = make("Checker", "", scene);
    g_hitRoot = nodes.addRootInput(*scene, LWNODE_COLOUR, "Colour", nullptr);
    ASSERT_TRUE(nodes.connect(checker, "Colour", nullptr, "Colour", error));

    GraphNode* ray = make("Ray");
    GraphNode* mix = make("Mix", "A 0 0 0\nAmount 1\n");
    ASSERT_TRUE(nodes.connect(ray, "Colour", mix, "B", error));
    access.rayTrace = nestedTrace;
    access.wNorm[2] = -1.0;
    // Viewed straight on, the mirror ray goes back along -Z and hits two units away.
    auto viewFrom = [&](double x, double y) {
        at(x, y, 0.0);
        access.raySource[0] = x;
        access.raySource[1] = y;
        access.raySource[2] = -1.0;
    };
    viewFrom(0.5, 0.5);  // hits (0.5, 0.5, -2): the first kind of cube, white
    EXPECT_EQ(colour(mix), (Colour{{1, 1, 1}}));
    viewFrom(1.5, 0.5);  // hits (1.5, 0.5, -2): the second kind, black
    EXPECT_EQ(colour(mix), (Colour{{0, 0, 0}}));
}

// ---- surface graphs --------------------------------------------------------------------------

TEST_F(HostNodesTest, SurfaceGraphShadesTheSampleWhileItIsOn) {
    lwhost::Surface surface;
    surface.name = "Floor";
    surface.nodes.enabled = true;
    NodeGraph* floor = nodes.createSurfaceEditor(surface);
    EXPECT_TRUE(floor->madeByHost);
    ASSERT_EQ(floor->rootInputs.size(), 11u);
    for (const auto& [server, settings, output, input] :
         {std::tuple{"ColourConstant", "Colour 0.25 0.5 1\n", "Colour", "Colour"},
          {"ScalarConstant", "Value 0.5\n", "Value", "Glossiness"},
          {"Material", "RefractionShading 0 0 1\nTransparency 0.5\n", "Material", "Material"}})
        ASSERT_TRUE(nodes.connect(make(server, settings, floor), output, nullptr, input, error));

    st_LWShaderAccess96 record{};
    st_LWShaderAccess& sa = record.base.base;
    sa.roughness = 0.25;
    sa.diffuse = 0.7;
    sa.color[0] = 9.0;
    lwhost::applySurfaceGraph(*floor, record);
    EXPECT_EQ(sa.color[0], 0.25);
    EXPECT_EQ(sa.color[2], 1.0);
    EXPECT_EQ(sa.roughness, 2.0);  // 1 / glossiness
    EXPECT_EQ(sa.diffuse, 0.7);    // not connected: kept
    EXPECT_EQ(record.base.refract_shade[2], 1.0);
    EXPECT_EQ(record.base.diffuse_shade[0], 0.8);
    EXPECT_EQ(sa.transparency, 0.5);

    NodeSystem::editorFuncs()->setState(floor->id(), 0);
    EXPECT_FALSE(surface.nodes.enabled);  // the slot follows the editor
    st_LWShaderAccess96 untouched{};
    untouched.base.base.color[0] = 9.0;
    lwhost::applySurfaceGraph(*floor, untouched);
    EXPECT_EQ(untouched.base.base.color[0], 9.0);
    nodes.destroyHostEditors();
    EXPECT_EQ(nodes.editor(floor->id()), nullptr);
    EXPECT_NE(nodes.editor(graph->id()), nullptr);
}

TEST(NodalAccessTest, SharedFieldsAreCopiedFromTheShaderRecord) {
    st_LWShaderAccess96 record{};
    st_LWShaderAccess& sa = record.base.base;
    record.base.subsx = 0.5;
    record.base.render = &record;  // any state pointer: handed on as it is
    sa.sx = 3;
    sa.wPos[1] = 2.0;
    sa.wNorm0[2] = 1.0;
    sa.objID = lwhost::handleOf<LWItemID>(0x10000003u);
    sa.polygon = lwhost::handleOf<LWPolID>(7);
    sa.polNum = 6;
    sa.verts[3] = lwhost::handleOf<LWPntID>(11);
    sa.weights[3] = 0.25f;
    sa.vertsWPos[3][2] = 4.0f;
    sa.rayTrace = recordingTrace;
    sa.bounces = 2;
    sa.flags = LWRT_SAMPLEDRAY;
    LWNodalAccess96_t nodal{};
    lwhost::fillNodalAccess(record, nodal);
    const LWNodalAccess_t& na = nodal.base.base;
    auto shared = [](const auto& r) {
        return std::make_tuple(r.sx, r.wPos[1], r.wNorm0[2], r.objID, r.polygon, r.polNum,
                               r.verts[3], r.weights[3], r.vertsWPos[3][2], r.rayTrace, r.bounces,
                               r.flags);
    };
    EXPECT_EQ(shared(na), shared(sa));
    EXPECT_EQ(std::make_pair(na.subsx, na.render), std::make_pair(0.5, record.base.render));
}

}  // namespace
