// The whole override in a render: a scene whose master plug-in holds a graph, two self-lit
// planes seen from above, the left one carrying the override shader and the right one not.
// Each plane shows its colour times its luminosity (1) and nothing else (no diffuse, no
// specular, a light of intensity 0), so the expected pixels are worked out by hand.
#include <gtest/gtest.h>
#include "lwhost/nodes/nodes.h"
#include "lwhost/plugins/plugins.h"
#include "lwhost/render/render.h"
#include "lwhost/session/session.h"

#include <sstream>
#include <string>

#include "test_paths.h"

namespace {

// The left and right planes seen from above under `lights`, with their surfaces' settings.
std::string planes(const std::string& lights, const std::string& left, const std::string& right) {
    return "Object \"Left\"\n  Plane \"Left\" 4 8\n  Position -2 0 0\nEnd\n"
           "Object \"Right\"\n  Plane \"Right\" 4 8\n  Position 2 0 0\nEnd\n" +
           lights +
           "Camera \"Camera\"\n  FieldOfView 60\n  Position 0 6 0\n  Rotation 0 90 0\nEnd\n" +
           "Surface \"Left\" \"Left\"\n" + left + "End\nSurface \"Right\" \"Right\"\n" + right +
           "End\n";
}
const std::string kShader = "  Plugin ShaderHandler qrvLumavex\n  EndPlugin\n";
const std::string kSelfLit = "  Colour 0.8 0.8 0.8\n  Luminosity 1\n  Diffuse 0\n  Specular 0\n";
const std::string kLightOff = "Light \"Off\"\n  Type distant\n  Intensity 0\nEnd\n";
// Colour 0.8 on both planes: 204 where the override leaves them alone.
const std::string kStage = planes(kLightOff, kSelfLit + kShader, kSelfLit);

// The master plug-in holding `graph`, then any other blocks of its settings.
std::string master(const std::string& graph, bool enabled = true, bool disabled = false,
                   const std::string& more = "") {
    return std::string("Plugin MasterHandler qrvLumavex") + (disabled ? " Disabled" : "") +
           "\n  Version 1\n  Enabled " + (enabled ? "1" : "0") + "\n  { Nodes\n" + graph + "  }\n" +
           more + "EndPlugin\n";
}

const char* const kColourGraph =
    "    { Node \"ColourConstant\" \"Paint\"\n      Colour 0.2 0.4 0.6\n    }\n"
    "    Root \"Colour\" \"Paint\" \"Colour\"\n";

struct Pixel {
    int r, g, b;
};

class OverrideRenderTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(loads(host, lumavexModule())); }

    // Renders the scene text; left and right are the centres of the image's two halves.
    void render(const std::string& text, int threads = 2, int width = 16, int height = 8) {
        std::string error;
        ASSERT_TRUE(plugins.readScene(text, "t.lws", "", error)) << error;
        lwhost::Renderer renderer(host, scene, &plugins, &host.nodes());
        lwhost::RenderOptions options;
        options.width = width;
        options.height = height;
        options.threads = threads;
        ASSERT_TRUE(renderer.render(
            options, {scene.frames().first},
            [&](int, const lwhost::RgbImage& image, std::string&) {
                last = image;
                left = at(image.width * 3 / 16, 4);
                right = at(image.width * 12 / 16, 4);
                return true;
            },
            error))
            << error;
    }
    Pixel at(int x, int y) const {
        const uint8_t* p = last.pixel(x, y);
        return Pixel{p[0], p[1], p[2]};
    }
    // The stage under a header of scene items.
    static std::string stage(const std::string& header) {
        return "LWHostScene 1\n" + header + kStage;
    }
    static void expectPixel(const Pixel& p, int r, int g, int b, const char* what) {
        EXPECT_NEAR(p.r, r, 1) << what;
        EXPECT_NEAR(p.g, g, 1) << what;
        EXPECT_NEAR(p.b, b, 1) << what;
    }

    lwhost::Session session;
    lwhost::Host& host = session.host();
    lwhost::Scene& scene = session.scene();
    lwhost::Plugins& plugins = session.plugins();
    Pixel left{}, right{};
    lwhost::RgbImage last;
};

TEST_F(OverrideRenderTest, RenderOverrideThreadsColourTheShadedSurfaceAndLeaveTheOtherAlone) {
    for (int threads : {1, 2}) {
        render(stage(master(kColourGraph)), threads);
        expectPixel(left, 51, 102, 153, "the override's colour");
        expectPixel(right, 204, 204, 204, "no shader: the surface's own colour");
    }
}

TEST_F(OverrideRenderTest, NothingChangesWhenTheOverrideIsOffOrTheMasterMissing) {
    render(stage(master(kColourGraph, false)));
    expectPixel(left, 204, 204, 204, "graph switched off");
    render(stage(master(kColourGraph, true, true)));
    expectPixel(left, 204, 204, 204, "master disabled");
    render(stage(""));
    expectPixel(left, 204, 204, 204, "no master");
}

// Both planes carry the shader; a filter node confines the paint to the left one, and the right
// one gets its own colour back through the expose-surface node. By item name, and by surface
// name, which render threads read from the meshes the filter took for the frame.
TEST_F(OverrideRenderTest, RenderFilterNodeConfinesTheOverrideOnTwoThreads) {
    const std::string twoShaders = planes(kLightOff, kSelfLit + kShader, kSelfLit + kShader);
    for (const char* filter : {"FilterType 2\n      { Filter\n        FilterString \"left\"\n",
                               "FilterType 1\n      { Filter\n        FilterString \"le*\"\n"}) {
        const std::string graph =
            std::string("    { Node \"qrvFilter\" \"Select\"\n      ") + filter +
            "      }\n    }\n"
            "    { Node \"ColourConstant\" \"Paint\"\n      Colour 0.2 0.4 0.6\n    }\n"
            "    { Node \"qrvExposeSurface\" \"Own\"\n    }\n"
            "    Connect \"Select\" \"newColour\" \"Paint\" \"Colour\"\n"
            "    Connect \"Select\" \"baseColour\" \"Own\" \"Colour\"\n"
            "    Root \"Colour\" \"Select\" \"Colour\"\n";
        render("LWHostScene 1\n" + master(graph) + twoShaders);
        expectPixel(left, 51, 102, 153, filter);
        expectPixel(right, 204, 204, 204, "not selected: the surface's own colour");
    }
}

// A 2 x 2 pane 1 above a white floor, under a sun 45 degrees high: seen from above, the floor
// shows cos 45 (180) where lit, and in the pane's shadow that times what the pane lets through,
// whether the pane is transparent by its own setting or by the override.
TEST_F(OverrideRenderTest, RenderShadowOfAPaneIsWhatTheOverrideLetsThroughOnTwoThreads) {
    const std::string see = "    { Node \"ScalarConstant\" \"See\"\n      Value ";
    const std::string root = "\n    }\n    Root \"Transparency\" \"See\" \"Value\"\n";
    struct Row {
        const char* what;
        double own;
        bool shader;
        std::string graph;
        int shadow;
    };
    const Row rows[] = {
        {"own setting 0.5", 0.5, false, kColourGraph, 90},
        {"override 0.5", 0, true, see + "0.5" + root, 90},
        {"override 0 over own 0.5", 0.5, true, see + "0" + root, 0},
        {"override leaves transparency alone", 0, true, kColourGraph, 0},
    };
    for (const Row& row : rows) {
        std::ostringstream text;
        text << "LWHostScene 1\n"
             << master(row.graph)
             << "Object \"Floor\"\n  Plane \"Floor\" 12 12\nEnd\n"
                "Object \"Pane\"\n  Plane \"Pane\" 2 2\n  Position 0 1 0\nEnd\n"
                "Light \"Sun\"\n  Type distant\n  Rotation 0 45 0\nEnd\n"
                "Camera \"Camera\"\n  FieldOfView 60\n  Position 0 6 0\n  Rotation 0 90 0\nEnd\n"
                "Surface \"Floor\" \"Floor\"\n  Colour 1 1 1\nEnd\n"
                "Surface \"Pane\" \"Pane\"\n  Transparency "
             << row.own << "\n"
             << (row.shader ? kShader : "") << "End\n";
        render(text.str(), 2, 16, 16);
        // Pixel 8 12 sees the floor at (0.22, 0, -1.95), pixel 8 4 at (0.22, 0, 1.52), whose
        // light comes through the pane at (0.22, 1, 0.52).
        expectPixel(at(8, 12), 180, 180, 180, row.what);
        expectPixel(at(8, 4), row.shadow, row.shadow, row.shadow, row.what);
    }
}

// Two planes under two lights straight overhead, Key (0.5, 0.25, 0) and Fill (0, 0.25, 0.5).
// The left one carries the override, whose graph lights it through a Lambert node; the right one
// is lit by the host alone. With the global light group in use and naming Key, only Key reaches
// the left plane: (128, 64, 0); the right one sees both: (128, 128, 128).
TEST_F(OverrideRenderTest, RenderGlobalLightGroupOnTwoThreadsLetsOnlyItsLightsReachTheOverride) {
    const std::string stage = planes(
        "Light \"Key\"\n  Type distant\n  Colour 0.5 0.25 0\n  Rotation 0 90 0\nEnd\n"
        "Light \"Fill\"\n  Type distant\n  Colour 0 0.25 0.5\n  Rotation 0 90 0\nEnd\n",
        "  Colour 1 1 1\n  Diffuse 0\n  Specular 0\n" + kShader,
        "  Colour 1 1 1\n  Diffuse 1\n  Specular 0\n");
    auto withGroup = [&](const std::string& type, bool use) {
        return "LWHostScene 1\n" +
               master(
                   "    { Node \"Lambert\" \"Lit\"\n    }\n"
                   "    Root \"Diffuse Shading\" \"Lit\" \"Colour\"\n",
                   true, false,
                   "  { LightGroup\n    FilterType " + type +
                       "\n    { Filter\n      FilterString \"key\"\n    }\n    UseByLV " +
                       (use ? "1" : "0") + "\n  }\n") +
               stage;
    };
    render(withGroup("2", true));
    expectPixel(left, 128, 64, 0, "Key alone");
    expectPixel(right, 128, 128, 128, "no override: both lights");
    render(withGroup("2", false));
    expectPixel(left, 128, 128, 128, "the group not in use");
    const lwhost::RgbImage off = last;
    render(withGroup("0", true));
    EXPECT_EQ(last.rgb, off.rgb) << "\"Filter by\" \"none\" restricts nothing";
}

}  // namespace
