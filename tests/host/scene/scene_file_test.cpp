// Scene files: reading, writing, round trips, plug-in sections and hooks, bad input, saving,
// and the `lwhost info` command (its refusals are the program's tests').
#include "lwhost/scene/scene_file.h"
#include <gtest/gtest.h>

#include <fstream>

#include "run_program.h"
#include "temp_dir.h"
#include "test_paths.h"

namespace {

using lwhost::Scene;
using lwhost::SceneFile;

const std::string kExample = std::string(EXAMPLES_DIR) + "/basic.lws";

std::string write(const SceneFile& io, const Scene& scene) {
    std::string text, error;
    EXPECT_TRUE(io.write(scene, text, error)) << error;
    return text;
}

class SceneFileTest : public ::testing::Test {
  protected:
    SceneFile io;
    Scene scene;
    std::string error;
};

// The example's items are checked through the scene globals' tests; here: it saves stably.
TEST_F(SceneFileTest, TheExampleSceneSavesIdenticallyAfterAReload) {
    Scene again;
    ASSERT_TRUE(io.load(kExample, scene, error)) << error;
    const std::string first = write(io, scene);
    ASSERT_TRUE(io.read(first, "first.lws", EXAMPLES_DIR, again, error)) << error;
    EXPECT_EQ(write(io, again), first);
}

// A scene using every statement, with awkward names, texts and plug-in data.
Scene everything() {
    Scene scene;
    scene.frames() = {-5, 250, 24};
    lwhost::MasterSlot master{"qrvLumavex", true, {}};
    master.data.text =
        "Version 1\n{ Nodes\n  Name \"a } \\\" {\"  # } comment\n\n  { Inner\n  }\n}\n";
    scene.masters().push_back(master);
    scene.masters().push_back({"Other Master", false, {"Flag 1\n", 0, nullptr}});

    lwhost::ObjectData mesh;
    mesh.source.kind = lwhost::GeometryKind::Inline;
    mesh.mesh.points = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0.1}};
    mesh.mesh.addPolygon("Odd \"name\"", {0, 1, 2, 3});
    mesh.mesh.addPolygon("Plain", {0, 2, 3});
    lwhost::WeightMap w;
    w.name = "Ramp and values";
    w.ramp = {1, -0.5, 2.25, 0.1f, 0.9f};
    w.setValue(3, 0.3f);
    w.polygonValues[{1, 2}] = 0.7f;
    mesh.mesh.weightMaps.push_back(w);
    LWItemID twinA = scene.addNull("Twin");
    LWItemID obj = scene.addObject("Mesh", mesh);
    LWItemID twinB = scene.addNull("Twin");
    lwhost::ObjectData sphere;
    sphere.source = {lwhost::GeometryKind::Sphere, "", "Ball", {0.75, 0, 0}, 6};
    sphere.mesh = lwhost::makeSphere("Ball", 0.75, 6);
    LWItemID ball = scene.addObject("Ball", sphere);
    LWItemID light = scene.addLight("Lamp", {lwhost::LightKind::Point, {0.5, 0.25, 1}, 2.5});
    LWItemID cam = scene.addCamera("Cam", {35.5});
    scene.setParent(obj, twinB);
    scene.setParent(ball, twinA);
    scene.setParent(light, obj);
    scene.item(obj)->transform = {{1e-7, -2, 3.5}, {10, 20, 30}, {1, 2, -1}};
    scene.item(obj)->comments = {"#s:k=0.25;", "quote \" backslash \\ tab\there", "line\nbreak"};
    scene.item(cam)->transform.position = {0.1, 0.2, 0.3};

    lwhost::Surface* odd = scene.findSurface("Odd \"name\"", "Mesh");
    odd->settings.colour = {0.1, 0.2, 0.3};
    for (int c = 0; c < LWSURF_FLOAT_COUNT; ++c) odd->settings.set(c, c * 0.125);
    odd->shaders.push_back({"qrvLumavex", {}});
    odd->shaders.push_back({"Second", {"Level 3\n", 0, nullptr}});
    odd->nodes.enabled = true;
    odd->nodes.data.text = "{ Root\n  Position 1 2\n}\n";
    scene.findSurface("Plain", "Mesh")->nodes.data.text = "Kept 1\n";
    return scene;
}

TEST_F(SceneFileTest, EveryDetailSurvivesARoundTripAndTheSecondSaveIsIdentical) {
    Scene original = everything();
    std::string first = write(io, original);
    Scene loaded;
    ASSERT_TRUE(io.read(first, "x.lws", "", loaded, error)) << error << "\n" << first;
    EXPECT_EQ(write(io, loaded), first);

    ASSERT_EQ(loaded.itemCount(), original.itemCount());
    for (size_t i = 0; i < loaded.itemCount(); ++i) {
        const lwhost::Item &a = original.itemAt(i), &b = loaded.itemAt(i);
        EXPECT_EQ(a.name, b.name);
        EXPECT_EQ(a.type, b.type);
        EXPECT_EQ(a.comments, b.comments);
        EXPECT_EQ(a.transform.position, b.transform.position);
        EXPECT_EQ(a.transform.rotation, b.transform.rotation);
        EXPECT_EQ(a.transform.scale, b.transform.scale);
        EXPECT_EQ(a.object.mesh.points.size(), b.object.mesh.points.size());
        // Parents are found again by name, the second "Twin" included.
        EXPECT_EQ(a.parent ? original.item(a.parent)->order : 99u,
                  b.parent ? loaded.item(b.parent)->order : 99u);
    }
    const lwhost::Item& mesh = loaded.itemAt(1);
    const lwhost::WeightMap* w = mesh.object.mesh.weightMap("Ramp and values");
    ASSERT_NE(w, nullptr);
    float v;
    EXPECT_TRUE(mesh.object.mesh.weight(*w, 3, v));
    EXPECT_FLOAT_EQ(v, 0.3f);
    EXPECT_TRUE(lwhost::Mesh::polygonWeight(*w, 1, 2, v));
    EXPECT_FLOAT_EQ(v, 0.7f);
    EXPECT_EQ(w->ramp.axis, 1);
    EXPECT_EQ(w->ramp.from, -0.5);

    EXPECT_EQ(loaded.masters()[0].data.text, original.masters()[0].data.text);
    EXPECT_TRUE(loaded.masters()[0].disabled);
    EXPECT_EQ(loaded.masters()[1].server, "Other Master");
    const lwhost::Surface* odd = loaded.findSurface("Odd \"name\"", "Mesh");
    ASSERT_NE(odd, nullptr);
    EXPECT_EQ(odd->settings.get(LWSURF_REFRACTION_BLURRING), 13 * 0.125);
    ASSERT_EQ(odd->shaders.size(), 2u);
    EXPECT_EQ(odd->shaders[1].data.text, "Level 3\n");
    EXPECT_TRUE(odd->nodes.enabled);
    EXPECT_EQ(odd->nodes.data.text, "{ Root\n  Position 1 2\n}\n");
    EXPECT_EQ(loaded.findSurface("Plain", "Mesh")->nodes.data.text, "Kept 1\n");
    EXPECT_EQ(loaded.frames().first, -5);
    EXPECT_EQ(loaded.frames().fps, 24);
}

TEST_F(SceneFileTest, PluginSectionsAreKeptVerbatimUpToTheirEndAtBraceDepthZero) {
    const std::string text =
        "LWHostScene 1\n"
        "# a comment line\n"
        "Plugin MasterHandler \"qrv Lumavex\" Disabled\n"
        "      Version 1\n"
        "      { Nodes   # { in a comment\n"
        "        EndPlugin\n"
        "        Name \"}\\\" {\"\n"
        "\n"
        "      }\n"
        "    EndPlugin\n";
    ASSERT_TRUE(io.read(text, "v.lws", "", scene, error)) << error;
    ASSERT_EQ(scene.masters().size(), 1u);
    const lwhost::MasterSlot& m = scene.masters()[0];
    EXPECT_EQ(m.server, "qrv Lumavex");
    EXPECT_TRUE(m.disabled);
    EXPECT_EQ(m.data.line, 3);
    EXPECT_EQ(m.data.text,
              "Version 1\n{ Nodes   # { in a comment\n  EndPlugin\n  Name \"}\\\" {\"\n\n}\n");
    EXPECT_NE(write(io, scene).find("Plugin MasterHandler \"qrv Lumavex\" Disabled\n  Version 1\n"),
              std::string::npos);
}

struct BadScene {
    std::string text;
    int line;
    const char* message;
};

TEST_F(SceneFileTest, BadScenesGiveOneMessageWithFileAndLineAndChangeNothing) {
    const TempDir dir("scenefile");
    std::ofstream(dir / "tri.obj") << "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";
    const std::string h = "LWHostScene 1\n";
    const std::vector<BadScene> cases = {
        {"", 1, "empty scene file"},
        {"Scene 1\n", 1, "LWHostScene"},
        {"LWHostScene 2\n", 1, "version 2"},
        {h + "Object \"A\"\n  Colour 1 2 3\nEnd\n", 3, "unknown statement 'Colour'"},
        {h + "\nNull \"A\"\n  Position 1 2 3\n", 3, "has no End"},
        {h + "End\n", 2, "without a section"},
        {h + "Null \"A\"\n  Position 1 x 3\nEnd\n", 3, "expects a number"},
        {h + "Null \"A\"\n  Scale 1 inf 3\nEnd\n", 3, "expects a number"},
        {h + "Null \"A\"\n  Position 1 2\nEnd\n", 3, "takes 3 values"},
        {h + "Null \"A\n", 2, "unterminated text"},
        {h + "Null \"A\\q\"\n", 2, "unknown escape"},
        {h + "Null \"A\\x00\"\n", 2, "zero character"},
        {h + "Object \"O\"\n  File \"nowhere.obj\"\nEnd\n", 3, "nowhere.obj"},
        {h + "Object \"O\"\n  Box S 1 1 1\n  File \"tri.obj\"\nEnd\n", 4,
         "already has its geometry"},
        {h + "Null \"N\"\n  Plane S 1 1\nEnd\n", 3, "a Null has no geometry"},
        {h + "Object \"O\"\n  Point 0 0 0\n  Point 1 0 0\n  Polygon S 0 1 2\nEnd\n", 5,
         "point 2 does not exist"},
        {h + "Object \"O\"\n  Point 0 0 0\n  Polygon S 0 0\nEnd\n", 4, "takes 4 to 5 values"},
        {h + "Object \"O\"\n  Box S 1 1 1\n  WeightMap W\n    Value 8 1\n  End\nEnd\n", 5,
         "point 8 does not exist"},
        {h + "Object \"O\"\n  File tri.obj\n  WeightMap W\n    PolygonValue 0 5 1\n  End\nEnd\n", 5,
         "point 5 does not exist"},
        {h + "Null N\n  WeightMap W\n  End\n  WeightMap W\n  End\nEnd\n", 5, "already defined"},
        {h + "Null \"A\"\n  Parent \"Ghost\"\nEnd\n", 3, "no item is named \"Ghost\""},
        {h + "Null P\nEnd\nNull P\nEnd\nNull C\n  Parent P\nEnd\n", 7, "2 items are named"},
        {h + "Null P\nEnd\nNull C\n  Parent P 2\nEnd\n", 5, "no item 2 named"},
        {h + "Null A\n  Parent B\nEnd\nNull B\n  Parent C\nEnd\nNull C\n  Parent A\nEnd\n", 9,
         "cycle"},
        {h + "Null A\n  Parent A\nEnd\n", 3, "cycle"},
        {h + "Object O\n  Sphere S 1 100000000\nEnd\n", 3, "out of range"},
        {h + "Object O\n  Point 0 0 0\n  Polygon S 0 0 99999999999999999999\nEnd\n", 4,
         "whole number"},
        {h + "Object O\n  Box S 1 0 1\nEnd\n", 3, "above 0"},
        {h + "FrameRange 10 1\n", 2, "before the first"},
        {h + "Object O\n  Box S 1 1 1\nEnd\nSurface T O\nEnd\n", 5, "has a surface \"T\""},
        {h + "Object O\n  Box S 1 1 1\nEnd\nSurface S O\nEnd\nSurface S O\nEnd\n", 7,
         "already described"},
        {h + "Plugin ShaderHandler X\nEndPlugin\n", 2, "not allowed here"},
        {h + "Plugin MasterHandler X\n  { Open\nEndPlugin\n", 2, "no EndPlugin"},
        {h + "Plugin MasterHandler X\n  }\nEndPlugin\n", 3, "without a matching"},
        {h + "Plugin MasterHandler X\n  Name \"open\nEndPlugin\n", 3, "unterminated"},
        {h + "Object O\n  Box S 1 1 1\nEnd\nSurface S O\n  NodeGraph maybe\n", 6, "on or off"},
        {h + "Light L\n  Type spot\nEnd\n", 3, "unknown light type"},
        {h + "Camera C\n  FieldOfView 180\nEnd\n", 3, "field of view"},
        {h + "Null A\x01\n", 2, "control character"},
        {h + "Null \"A\\nB\"\n  Bogus\nEnd\n", 3, "in Null \"A\\nB\""},
    };
    const LWItemID keep = scene.addLight("Keep");
    for (const BadScene& c : cases) {
        EXPECT_FALSE(io.read(c.text, "bad.lws", dir.path, scene, error)) << c.text;
        std::string where = "bad.lws:" + std::to_string(c.line) + ": ";
        EXPECT_EQ(error.rfind(where, 0), 0u) << c.text << ": " << error;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.text << ": " << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << c.text;
        EXPECT_EQ(scene.itemCount(), 1u) << c.text;
        EXPECT_EQ(scene.first(lwhost::ItemType::Light), keep) << c.text;
    }
}

TEST_F(SceneFileTest, UntrustedTextCanBeKeptFromFilesAndFromHugeGeometry) {
    io.allowExternalFiles = false;
    io.maxPoints = 10;
    EXPECT_FALSE(io.read("LWHostScene 1\nObject O\n  File \"/etc/passwd\"\nEnd\n", "u.lws", "",
                         scene, error));
    EXPECT_EQ(error, "u.lws:3: external files are not read here");
    // Two spheres of 6 points each: the second passes the limit.
    const std::string spheres =
        "LWHostScene 1\nObject A\n  Sphere S 1 4\nEnd\nObject B\n  Sphere S 1 4\nEnd\n";
    EXPECT_FALSE(io.read(spheres, "u.lws", "", scene, error));
    EXPECT_EQ(error, "u.lws:5: the scene's objects have more than 10 points");
    io.maxPoints = 12;
    EXPECT_TRUE(io.read(spheres, "u.lws", "", scene, error)) << error;
}

TEST_F(SceneFileTest, SavingReplacesTheFileWholeAndAFailedSaveKeepsTheOldOne) {
    const TempDir dir("scenefile");
    std::string path = dir / "scene.lws";
    scene = everything();
    ASSERT_TRUE(io.save(path, scene, error)) << error;
    EXPECT_EQ(readWholeFile(path), write(io, scene));
    EXPECT_EQ(dir.files(), std::vector<std::string>{"scene.lws"});

    // Section text that would not read back intact is refused rather than written; the earlier
    // file stays and no temporary is left.
    const std::string before = readWholeFile(path);
    scene.addNull("Added");
    scene.masters()[0].data.text = "  EndPlugin\n";
    EXPECT_FALSE(io.save(path, scene, error));
    EXPECT_EQ(readWholeFile(path), before);
    EXPECT_EQ(dir.files(), std::vector<std::string>{"scene.lws"});

    EXPECT_FALSE(io.save(dir / "no/such/dir/x.lws", scene, error));
    EXPECT_FALSE(io.load(dir / "missing.lws", scene, error));
    EXPECT_FALSE(io.load(dir.path, scene, error));  // a directory is not a scene file
}

TEST_F(SceneFileTest, InfoDescribesTheExampleScene) {
    const ProgramResult r = runProgram(lwhostProgram() + " info " + kExample);
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* expected :
         {"Frames 1 to 60 at 30 frames per second", "0x10000002 null \"Rig\"",
          "    0x10000003 object \"Crate\"", "comment 1: #s:roughness=0.8;",
          "\"Pyramid\": file \"pyramid.obj\", OBJ pyramid.obj, 5 points, 5 polygons",
          "weight map \"Fade\"", "\"Gold\" of \"pyramid.obj\": colour 0.9 0.7 0.2",
          "shaders: qrvLumavex", "\"Fill\": point, position -3 3 -3", "\"Camera\": position 0 2 -8",
          "Master plug-ins (1):\n  qrvLumavex"})
        EXPECT_NE(r.out.find(expected), std::string::npos) << expected << "\n" << r.out;
}

TEST_F(SceneFileTest, ASectionWithoutItsEndLineFailsWhereItWasOpened) {
    // Without the check the section took in the next surface up to that surface's end line, and
    // the next surface silently kept its defaults.
    const struct {
        const char *open, *end, *error;
    } rows[] = {
        {"  NodeGraph on\n    Root \"Colour\" \"Tiles\" \"Colour\"\n", "  EndNodeGraph\n",
         "g.lws:9: 'NodeGraph' section has no EndNodeGraph before the End at line 11"},
        {"  Plugin ShaderHandler qrvLumavex\n    Version 1\n", "  EndPlugin\n",
         "g.lws:9: 'Plugin' section has no EndPlugin before the End at line 11"},
    };
    for (const auto& row : rows) {
        const std::string text = std::string("LWHostScene 1\n") +
                                 "Object O\n  Box A 1 1 1\nEnd\n"
                                 "Object P\n  Box B 1 1 1\nEnd\n"
                                 "Surface A O\n" +
                                 row.open + "End\nSurface B P\n  Colour 1 0 0\n" + row.open +
                                 row.end + "End\n";
        EXPECT_FALSE(io.read(text, "g.lws", "", scene, error));
        EXPECT_EQ(error, row.error);
    }
    // A master's section runs to its own EndPlugin, not to a later master's: the object between
    // them was taken in as settings, and the load succeeded without it.
    const std::string masters =
        "LWHostScene 1\nPlugin MasterHandler qrvLumavex\n  Version 1\nObject O\n  Box A 1 1 1\n"
        "End\nPlugin MasterHandler qrvLumavex\n  Version 1\nEndPlugin\n";
    EXPECT_FALSE(io.read(masters, "m.lws", "", scene, error));
    EXPECT_EQ(error, "m.lws:2: 'Plugin' section has no EndPlugin before the Object at line 4");
}

}  // namespace
