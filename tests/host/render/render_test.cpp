// The renderer against the real host library and the test shaders of testshader_module: the
// shading model by hand, shaders' effect on pixels, the illumination functions, the render
// cycle, record layouts per host version, threads and bad input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "lwhost/nodes/node_graph_file.h"
#include "lwhost/render/parallel_for.h"
#include "lwhost/render/render.h"
#include "lwhost/render/render_world.h"
#include "lwhost/scene/scene.h"
#include "scene_plugins.h"

namespace {

using lwhost::HostIdentity;
using lwhost::RenderOptions;
using lwhost::RgbImage;
using lwhost::Vec3;

constexpr double kPi = 3.14159265358979323846;

int byte(double v) {
    return static_cast<int>(std::min(1.0, std::max(0.0, v)) * 255.0 + 0.5);
}

// A host with the test shaders loaded, a scene, its globals and plug-ins.
class RenderFixture : public ScenePlugins {
  public:
    explicit RenderFixture(const HostIdentity& identity = HostIdentity()) : ScenePlugins(identity) {
        EXPECT_TRUE(loads(host, testModule("testshader_module")));
    }

    // A plane of the surface, facing up, centred at x, y high.
    LWSurfaceID addPlane(const std::string& name, double x, double sizeX, double sizeZ,
                         double y = 0) {
        lwhost::ObjectData data;
        data.source.kind = lwhost::GeometryKind::Plane;
        data.mesh = lwhost::makePlane(name, sizeX, sizeZ);
        const LWItemID id = scene.addObject(name, data);
        scene.item(id)->transform.position = {x, y, 0};
        return scene.findSurface(name, name)->id;
    }
    // A camera 5 above the origin looking straight down: image right is +X, image up is +Z.
    void addCameraAbove() {
        const LWItemID camera = scene.addCamera("Camera");
        scene.item(camera)->transform.position = {0, 5, 0};
        scene.item(camera)->transform.rotation = {0, 90, 0};
    }
    // A distant light whose light falls at `pitch` degrees below the horizon, towards +Z.
    LWItemID addSun(double pitch, Vec3 colour, double intensity) {
        lwhost::LightData light;
        light.kind = lwhost::LightKind::Distant;
        light.colour = colour;
        light.intensity = intensity;
        const LWItemID id = scene.addLight("Sun", light);
        scene.item(id)->transform.rotation = {0, pitch, 0};
        return id;
    }
    // The floor: a 10 by 10 plane at the origin seen from above, under one sun.
    LWSurfaceID addFloorScene(double pitch = 90, Vec3 colour = {1, 1, 1}, double intensity = 1) {
        const LWSurfaceID floor = addPlane("Floor", 0, 10, 10);
        addCameraAbove();
        addSun(pitch, colour, intensity);
        return floor;
    }
    void addShader(LWSurfaceID surface, const std::string& server) {
        ASSERT_TRUE(plugins.addShader(surface, server, error)) << error;
    }

    // Loads a scene file with its plug-ins and its surfaces' own node graphs.
    void loadScene(const std::string& path) {
        ASSERT_TRUE(plugins.loadScene(path, error)) << error;
        lwhost::SceneFile::forEachPlugin(scene, [&](lwhost::PluginSection& section) {
            if (section.kind == lwhost::PluginKind::NodeGraph && !section.data->instance) {
                EXPECT_EQ(lwhost::loadSurfaceGraph(nodes, scene, section), "");
            }
        });
    }

    RgbImage render(RenderOptions options = small(), std::vector<int> frames = {1}) {
        lwhost::Renderer renderer(host, scene, &plugins, &nodes);
        RgbImage out;
        const bool ok = renderer.render(
            options, frames,
            [&](int, const RgbImage& image, std::string&) {
                out = image;
                return true;
            },
            error);
        EXPECT_TRUE(ok) << error;
        return out;
    }
    static RenderOptions small() {
        RenderOptions o;
        o.width = 16;
        o.height = 12;
        o.threads = 2;
        return o;
    }

    std::string notes(bool clear = false) {
        const char* text = nullptr;
        host.activate("RenderTestLog", "log", 0, &text,
                      clear ? const_cast<char*>("clear") : nullptr);
        return text ? text : "";
    }

    lwhost::NodeSystem& nodes = services.nodes;
    std::string error;
};

std::vector<int> pixel(const RgbImage& image, int x, int y) {
    const uint8_t* p = image.pixel(x, y);
    return {p[0], p[1], p[2]};
}

TEST(RenderShading, PlaneUnderOneDistantLightShowsTheLambertValue) {
    RenderFixture f;
    const auto floor = f.addFloorScene(60, {1, 0.8, 0.6}, 0.9);
    lwhost::Surface* s = f.scene.surface(floor);
    s->settings.colour = {0.5, 0.7, 0.9};
    s->settings.set(LWSURF_DIFFUSE, 0.8);

    const RgbImage image = f.render();
    // Light 60 degrees above the horizon: N.L = sin 60.
    const double cosine = std::sin(60 * kPi / 180);
    const std::vector<int> expected = {byte(0.5 * 0.8 * cosine * 0.9 * 1.0),
                                       byte(0.7 * 0.8 * cosine * 0.9 * 0.8),
                                       byte(0.9 * 0.8 * cosine * 0.9 * 0.6)};
    for (int y : {0, 6, 11})
        for (int x : {0, 8, 15}) {
            const std::vector<int> got = pixel(image, x, y);
            for (int c = 0; c < 3; ++c) EXPECT_NEAR(got[c], expected[c], 1) << x << "," << y;
        }
}

// A point light's shadow ray ends at the light: a lid above the bulb, on the far side of it
// from the left of the floor, leaves that part of the floor as lit as without it.
TEST(RenderShading, GeometryBeyondAPointLightCastsNoShadowTowardIt) {
    auto leftOfFloor = [](bool lid) {
        RenderFixture f;
        f.addPlane("Floor", 0, 10, 10);
        f.addCameraAbove();
        lwhost::LightData bulb;
        bulb.kind = lwhost::LightKind::Point;
        f.scene.item(f.scene.addLight("Bulb", bulb))->transform.position = {0, 1, 0};
        if (lid) f.addPlane("Lid", 4, 6, 8, 3);
        const RgbImage image = f.render();
        std::vector<int> values;
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width / 3; ++x) values.push_back(pixel(image, x, y)[0]);
        return values;
    };
    const std::vector<int> open = leftOfFloor(false);
    EXPECT_GT(*std::max_element(open.begin(), open.end()), 0) << "the bulb lights the floor";
    EXPECT_EQ(leftOfFloor(true), open);
}

TEST(RenderShading, ShaderSettingTheColourChangesExactlyThePixelsOfItsSurface) {
    RenderFixture f;
    const auto left = f.addPlane("Left", -2.5, 5, 10);
    f.addPlane("Right", 2.5, 5, 10);
    f.addCameraAbove();
    f.addSun(70, {1, 1, 1}, 1);
    const RgbImage before = f.render();

    // What the shader does equals a surface whose own colour is the shader's.
    f.scene.surface(left)->settings.colour = {0.1, 0.3, 0.9};
    const RgbImage painted = f.render();
    f.scene.surface(left)->settings.colour = lwhost::SurfaceSettings().colour;
    f.addShader(left, "rtcolour");
    const RgbImage shaded = f.render();

    EXPECT_EQ(shaded.rgb, painted.rgb);
    int changed = 0;
    for (int y = 0; y < before.height; ++y)
        for (int x = 0; x < before.width; ++x) {
            const bool differs = pixel(before, x, y) != pixel(shaded, x, y);
            if (x >= before.width / 2) {
                EXPECT_FALSE(differs) << "right half " << x << "," << y;
            }
            changed += differs;
        }
    EXPECT_EQ(changed, before.width / 2 * before.height);
}

TEST(RenderShading, ShadingColoursCountOnlyWhenClaimedAndReplacementMixesIn) {
    RenderFixture f;
    const auto floor = f.addFloorScene(90, {1, 1, 1}, 0.5);
    const RgbImage before = f.render();
    const int base = byte(0.78 * 1.0 * 0.5);  // default colour and diffuse, light straight down
    ASSERT_EQ(pixel(before, 8, 6), (std::vector<int>{base, base, base}));

    f.addShader(floor, "rtshadeunclaimed");
    EXPECT_EQ(f.render().rgb, before.rgb);

    f.plugins.removeShader(floor, "rtshadeunclaimed");
    f.addShader(floor, "rtshade");
    // Colour = diffuse shade + specular shade: luminosity 0, no mirror, no transparency.
    EXPECT_EQ(pixel(f.render(), 8, 6), (std::vector<int>{0, byte(0.5), byte(0.25)}));

    f.plugins.removeShader(floor, "rtshade");
    f.addShader(floor, "rtreplace");
    const int mixed = byte(0.75 * 0.78 * 0.5 + 0.25);
    const std::vector<int> got = pixel(f.render(), 8, 6);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(got[c], mixed, 1);
}

// A sun straight above in (0.5, 0.25, 0.125) and a point light under the plane in
// (0.25, 0.5, 0): the plain forms see both, the normal forms only the sun.
TEST(RenderShading, EveryIlluminationFunctionReportsTheLightAtTheSample) {
    for (int mode = 0; mode < 4; ++mode) {
        RenderFixture f;
        const auto floor = f.addFloorScene(90, {0.5, 0.25, 0.125});
        lwhost::LightData below;
        below.kind = lwhost::LightKind::Point;
        below.colour = {0.25, 0.5, 0};
        f.scene.item(f.scene.addLight("Below", below))->transform.position = {0, -1, 0};
        f.addShader(floor, "rtlight" + std::to_string(mode));
        const bool normalForm = mode == 1 || mode == 3;
        const std::vector<int> expected =
            normalForm ? std::vector<int>{byte(0.5), byte(0.25), byte(0.125)}
                       : std::vector<int>{byte(0.75), byte(0.75), byte(0.125)};
        EXPECT_EQ(pixel(f.render(), 8, 6), expected) << "mode " << mode;
    }
}

TEST(RenderShading, IlluminationFunctionsSeeShadowsOnlyOnABoundThread) {
    RenderFixture f;
    f.addPlane("Floor", 0, 10, 10);
    f.addCameraAbove();
    const LWItemID sun = f.addSun(90, {0.5, 0.5, 0.5}, 1);
    lwhost::ObjectData box;
    box.source.kind = lwhost::GeometryKind::Box;
    box.mesh = lwhost::makeBox("Box", {1, 1, 1});
    f.scene.item(f.scene.addObject("Box", box))->transform.position = {0, 2, 0};

    lwhost::RenderWorld world;
    ASSERT_TRUE(world.build(f.scene, nullptr, nullptr, lwhost::RenderWorld::Settings(), f.error))
        << f.error;
    const double shaded[3] = {0, 0, 0}, open[3] = {3, 0, 0}, up[3] = {0, 1, 0},
                 down[3] = {0, -1, 0};
    double direction[3], colour[3];
    auto* illuminate = lwhost::RenderWorld::illuminateFunction();
    auto* illuminateNormal = lwhost::RenderWorld::illuminateNormalFunction();
    auto* illuminateSample = lwhost::RenderWorld::illuminateSampleFunction();

    EXPECT_EQ(illuminate(sun, open, direction, colour), 0) << "no world bound to this thread";
    {
        lwhost::WorldBinding binding(world);
        EXPECT_EQ(illuminate(sun, shaded, direction, colour), 0);
        EXPECT_EQ(colour[0], 0);
        ASSERT_EQ(illuminate(sun, open, direction, colour), 1);
        EXPECT_NEAR(direction[1], 1, 1e-9);
        EXPECT_EQ(colour[0], 0.5);
        EXPECT_EQ(illuminateNormal(sun, nullptr, open, direction, up, colour), 1);
        EXPECT_EQ(illuminateNormal(sun, nullptr, open, direction, down, colour), 0);
        EXPECT_EQ(illuminate(reinterpret_cast<LWItemID>(uintptr_t{12345}), open, direction, colour),
                  0)
            << "not a light";
        int calls = 0;
        auto* count = +[](void* data, LWItemID, const double*, const double*) {
            return ++*static_cast<int*>(data);
        };
        EXPECT_EQ(illuminateSample(sun, open, direction, count, &calls), 1);
        EXPECT_EQ(illuminateSample(sun, shaded, direction, count, &calls), 0);
        EXPECT_EQ(calls, 1);
        // A ray straight down from above the box meets its top, 1.5 away.
        const double above[3] = {0, 4, 0};
        EXPECT_NEAR(lwhost::RenderWorld::rayCastFunction()(above, down), 1.5, 1e-4);
    }
    EXPECT_EQ(lwhost::RenderWorld::rayCastFunction()(open, up), -1);
}

// Light from a sun above reaching the origin through two panes. A pane whose shader claims
// transparency is shaded as a shadow sample ("rtshadow" passes half there, and asks for the sun
// and a light below itself, so the panes' shadow samples would nest without end); a pane whose
// shader does not claim it stays opaque.
TEST(RenderShading, ShadowRaysShadeThePanesWhoseShadersClaimTransparency) {
    struct Row {
        const char* low;
        const char* high;
        double passes;
    };
    for (const Row& row : {Row{"rtshadow", "rtshadow", 0.25}, Row{"rtshadow", "rtcolour", 0}}) {
        RenderFixture f;
        f.addShader(f.addPlane("Low", 0, 4, 4, 1), row.low);
        f.addShader(f.addPlane("High", 0, 4, 4, 2), row.high);
        f.addCameraAbove();
        const LWItemID sun = f.addSun(90, {1, 1, 1}, 0.8);
        lwhost::LightData below;
        below.kind = lwhost::LightKind::Point;
        f.scene.item(f.scene.addLight("Below", below))->transform.position = {0, -1, 0};
        lwhost::RenderWorld world;
        ASSERT_TRUE(
            world.build(f.scene, &f.plugins, &f.nodes, lwhost::RenderWorld::Settings(), f.error))
            << f.error;
        lwhost::WorldBinding binding(world);
        const double origin[3] = {0, 0, 0};
        double direction[3], colour[3];
        lwhost::RenderWorld::illuminateFunction()(sun, origin, direction, colour);
        EXPECT_DOUBLE_EQ(colour[1], 0.8 * row.passes) << row.low << " under " << row.high;
    }
}

TEST(RenderCycle, MastersHearStartAndEndAroundInitNewTimeAndCleanup) {
    RenderFixture f;
    const auto floor = f.addFloorScene();
    f.scene.frames().last = 3;
    ASSERT_TRUE(f.plugins.applyMaster("rtmaster", f.error)) << f.error;
    f.addShader(floor, "rtnotes");
    f.notes(true);
    f.render(RenderFixture::small(), {1, 3});
    EXPECT_EQ(f.notes(),
              "event 0x111\ninit mode=1\nnewtime frame=1 time=0.03333\n"
              "newtime frame=3 time=0.1\ncleanup\nevent 0x112\n");
}

// However a render ends once the masters heard it start, the shaders are cleaned up and the
// masters hear it end.
TEST(RenderCycle, ARenderEndedBySinkOrExceptionStillMakesTheEndCalls) {
    using Sink = bool (*)(std::string&);
    const struct {
        Sink sink;
        const char* error;
    } rows[] = {
        {[](std::string&) { return false; }, "frame 1 was refused"},
        {[](std::string& why) {
             why = "disk full";
             return false;
         },
         "disk full"},
        {[](std::string&) -> bool { throw std::runtime_error("sink broke"); },
         "rendering frame 1 failed: sink broke"},
        {[](std::string&) -> bool { throw std::bad_alloc(); },
         "out of memory while rendering frame 1 at 16x12"},
    };
    RenderFixture f;
    const auto floor = f.addFloorScene();
    ASSERT_TRUE(f.plugins.applyMaster("rtmaster", f.error)) << f.error;
    f.addShader(floor, "rtnotes");
    lwhost::Renderer renderer(f.host, f.scene, &f.plugins, &f.nodes);
    for (const auto& row : rows) {
        f.notes(true);
        std::string why;
        EXPECT_FALSE(renderer.render(
            RenderFixture::small(), {1},
            [&](int, const RgbImage&, std::string& error) { return row.sink(error); }, why));
        EXPECT_EQ(why, row.error);
        EXPECT_EQ(f.notes(),
                  "event 0x111\ninit mode=1\nnewtime frame=1 time=0.03333\ncleanup\n"
                  "event 0x112\n")
            << row.error;
    }
}

TEST(RenderCycle, BadRequestsAreRefusedBeforeAnyPlugInHearsOfThem) {
    RenderFixture f;
    f.addPlane("Floor", 0, 10, 10);
    ASSERT_TRUE(f.plugins.applyMaster("rtmaster", f.error)) << f.error;
    lwhost::Renderer renderer(f.host, f.scene, &f.plugins);
    RenderOptions o = RenderFixture::small();
    f.notes(true);
    auto refused = [&](const RenderOptions& options, std::vector<int> frames) {
        bool sunk = false;
        std::string why;
        const bool ok = renderer.render(
            options, frames, [&](int, const RgbImage&, std::string&) { return sunk = true; }, why);
        EXPECT_FALSE(sunk);
        return ok ? std::string() : why;
    };
    EXPECT_EQ(refused(o, {1}), "the scene has no camera");
    f.addCameraAbove();
    EXPECT_EQ(refused(o, {1}), "the scene has no lights");
    f.addSun(90, {1, 1, 1}, 1);
    EXPECT_EQ(refused(o, {2}), "frame 2 is not in the scene's frames 1 to 1");
    o.width = 0;
    EXPECT_EQ(refused(o, {1}), "the width must be 1 to 8192, not 0");
    o.width = 16;
    o.height = -3;
    EXPECT_EQ(refused(o, {1}), "the height must be 1 to 8192, not -3");
    EXPECT_EQ(f.notes(), "");
}

TEST(RenderRecord, ShadersGetTheRecordLayoutOfTheHostVersion) {
    // Pixel 0 0 sees the floor obliquely: 1 / |(-0.9375 t, 0.9167 t 3/4, 1)| with t = tan 25.
    // The pixel is whole, the position inside it from version 5; a camera ray says so.
    const std::string common = "sx=0 sy=0 flags=512 bounces=0 polNum=0 cosine=0.8791 weights=1";
    const std::pair<const char*, std::string> cases[] = {
        {"9.3", "probe version=4 " + common + "\n"},
        {"9.5", "probe version=5 " + common + " sub=0.5,0.5 render=1\n"},
        {"11.6", "probe version=6 " + common + " sub=0.5,0.5 render=1\n"},
    };
    for (const auto& [version, expected] : cases) {
        HostIdentity identity;
        std::string error;
        ASSERT_TRUE(identity.setVersion(version, error)) << error;
        RenderFixture f(identity);
        const auto floor = f.addFloorScene();
        f.addShader(floor, "rtprobe");
        f.notes(true);
        f.render();
        EXPECT_EQ(f.notes(), expected);
    }
}

TEST(RenderThreads, ImageIsIdenticalForOneAndTwoThreads) {
    // The demo: reflections, refraction, shadows and a surface node graph.
    RenderFixture f;
    f.loadScene(std::string(EXAMPLES_DIR) + "/demo.lws");
    RenderOptions o;
    o.width = 48;
    o.height = 36;
    o.samples = 2;
    o.threads = 1;
    const RgbImage one = f.render(o);
    o.threads = 2;
    const RgbImage two = f.render(o);
    ASSERT_EQ(one.rgb.size(), 48u * 36u * 3u);
    EXPECT_EQ(one.rgb, two.rgb);
    // Not a blank image: the scene is lit.
    int bright = 0;
    for (uint8_t v : one.rgb) bright += v > 40;
    EXPECT_GT(bright, 1000);
}

// An exception on a render thread (out of memory, say) ends the work and is thrown again on the
// calling thread, whichever thread met it: escaping its own thread would end the program.
TEST(RenderThreads, AnExceptionOnARenderThreadIsThrownOnTheCaller) {
    for (int threads : {1, 3}) {
        auto body = [](size_t i) {
            if (i == 5) throw std::bad_alloc();
        };
        EXPECT_THROW(lwhost::parallelFor(200, threads, body, [](size_t) {}), std::bad_alloc)
            << threads;
    }
}

// A ball on a floor under a coloured sun and a point light, shaded by the host's own model, and
// again with each surface's graph giving its diffuse and specular shading from the Lambert and
// Blinn nodes set to the surface's values: the nodes ask the record for the same light, so the
// pictures agree, shadows and highlights included.
TEST(RenderShading, LambertAndBlinnNodesLightTheSampleAsTheHostDoes) {
    const std::string surface =
        "  Colour 0.9 0.5 0.2\n  Diffuse 0.8\n  Specular 0.6\n  Glossiness 0.5\n"
        "  NodeGraph on\n"
        "    { Node \"Lambert\" \"Diffuse\"\n      Colour 0.9 0.5 0.2\n      Diffuse 0.8\n    }\n"
        "    { Node \"Blinn\" \"Highlight\"\n      Specular 0.6\n      Glossiness 0.5\n    }\n"
        "    { Node \"Material\" \"Lit\"\n    }\n"
        "    Connect \"Lit\" \"Diffuse Shading\" \"Diffuse\" \"Colour\"\n"
        "    Connect \"Lit\" \"Specular Shading\" \"Highlight\" \"Colour\"\n"
        "    Root \"Material\" \"Lit\" \"Material\"\n"
        "  EndNodeGraph\nEnd\n";
    const std::string text =
        "LWHostScene 1\n"
        "Object \"Floor\"\n  Plane \"Floor\" 10 10\nEnd\n"
        "Object \"Ball\"\n  Sphere \"Ball\" 1 24\n  Position 0 1 0\nEnd\n"
        "Light \"Sun\"\n  Type distant\n  Colour 1 0.9 0.7\n  Rotation 30 50 0\nEnd\n"
        "Light \"Bulb\"\n  Type point\n  Colour 0.3 0.4 1\n  Position -2 3 -2\nEnd\n"
        "Camera \"Camera\"\n  Position 0 2 -6\n  Rotation 0 10 0\nEnd\n"
        "Surface \"Floor\" \"Floor\"\n" +
        surface + "Surface \"Ball\" \"Ball\"\n" + surface;
    RenderFixture f;
    ASSERT_TRUE(f.plugins.readScene(text, "lit.lws", "", f.error)) << f.error;
    RenderOptions o = RenderFixture::small();
    o.width = 32;
    o.height = 24;
    const RgbImage nodes = f.render(o);
    for (size_t i = 0; i < f.scene.surfaceCount(); ++i) {
        lwhost::Surface& s = f.scene.surfaceAt(i);
        lwhost::NodeGraph* graph = f.nodes.editor(static_cast<NodeEditorID>(s.nodes.data.instance));
        ASSERT_NE(graph, nullptr) << s.name;
        f.nodes.setState(*graph, 0);
    }
    const RgbImage own = f.render(o);
    ASSERT_EQ(nodes.rgb.size(), own.rgb.size());
    int lit = 0;
    for (size_t i = 0; i < own.rgb.size(); ++i) {
        EXPECT_NEAR(nodes.rgb[i], own.rgb[i], 1) << "byte " << i;
        lit += own.rgb[i] > 30;
    }
    EXPECT_GT(lit, 600) << "both lights reach the scene";
}

}  // namespace
