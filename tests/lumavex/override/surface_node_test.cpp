// The expose-surface node: inside the override it reports the sample's surface as it was before
// the override changed it; elsewhere it leaves its outputs alone. Its subscription to the
// services lives inside the graph it subscribes to, so emptying the graph and unloading the
// module with the node still in it are exercised here too.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "bundle_fixtures.h"

namespace {

using lwhost::GraphNode;

class SurfaceNodeTest : public bundle_test::RenderingTest {
  protected:
    void SetUp() override {
        RenderingTest::SetUp();
        surface = h.node("qrvExposeSurface");
        ASSERT_NE(surface, nullptr);
    }
    st_LWShaderAccess96 shade(double roughness) {
        st_LWShaderAccess96 rec;
        std::memset(&rec, 0, sizeof rec);
        st_LWShaderAccess& sa = rec.base.base;
        sa.color[0] = 0.2, sa.color[1] = 0.4, sa.color[2] = 0.6;
        sa.specular = 0.7, sa.mirror = 0.3, sa.refractionBlur = 0.05, sa.roughness = roughness;
        h.table->ns_evaluate(&sa);
        return rec;
    }

    GraphNode* surface = nullptr;
};

TEST_F(SurfaceNodeTest, ReportsTheSurfaceAsItWasBeforeTheOverride) {
    h.feed("Luminosity", surface,
           "Colour");  // colour to scalar: the luminance of the original colour
    h.feedColour("Colour", 1, 0, 0);
    h.feed("Diffuse", surface, "Reflection");
    h.feed("Translucency", surface, "Refraction Blurring");
    h.feed("Specular", surface, "Glossiness");
    const st_LWShaderAccess sa = shade(0.5).base.base;
    EXPECT_NEAR(sa.luminous, 0.2126 * 0.2 + 0.7152 * 0.4 + 0.0722 * 0.6, 1e-9);
    EXPECT_EQ(sa.color[0], 1.0);
    EXPECT_EQ(sa.diffuse, 0.3);
    EXPECT_EQ(sa.translucency, 0.05);
    EXPECT_EQ(sa.specular, 2.0);
    EXPECT_TRUE(std::isinf(shade(0.0).base.base.specular));
    // Emptying the graph destroys the node, whose subscription goes with it.
    h.table->ns_reset();
    EXPECT_TRUE(h.graph()->nodes.empty());
}

TEST_F(SurfaceNodeTest, OutsideTheOverrideOutputsStayUnset) {
    lwhost::NodeGraph* other = h.host.nodes().createEditor("Surface", "plain", nullptr, nullptr);
    GraphNode* node = override_test::addNode(h.host, *other, "qrvExposeSurface");
    lwhost::GraphInput* in = h.host.nodes().addRootInput(*other, LWNODE_COLOUR, "c", nullptr);
    std::string error;
    ASSERT_TRUE(h.host.nodes().connect(node->output("Colour"), in, error)) << error;
    LWNodalAccess_t access{};
    double colour[3] = {-1, -1, -1};
    lwhost::NodeSystem::evaluate(in, &access, colour);
    EXPECT_EQ(colour[0], -1.0);
    h.host.nodes().destroyEditor(other);
}

}  // namespace
