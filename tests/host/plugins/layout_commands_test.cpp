// The host's scene-editing commands and generic servers, through the real loader with the test
// server module.
#include "lwhost/plugins/layout_commands.h"
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "scene_plugins.h"

namespace {

using lwhost::LayoutCommands;
using Lines = std::vector<std::string>;

// Two objects with a surface "Chrome" each, and a surface named with blanks.
const char* const kScene =
    "LWHostScene 1\n"
    "Object \"Ball\"\n  Sphere \"Chrome\" 0.5 8\nEnd\n"
    "Object \"Other Ball\"\n  Sphere \"Chrome\" 0.5 8\nEnd\n"
    "Object \"Box\"\n  Box \"Old Wood\" 1 1 1\nEnd\n";

class LayoutCommandsTest : public ::testing::Test, protected ScenePlugins {
  protected:
    void SetUp() override {
        ASSERT_TRUE(loads(host, testModule("testserver_module")));
        std::string error;
        ASSERT_TRUE(plugins.readScene(kScene, "t.lws", "", error)) << error;
    }
    int run(const std::string& line) { return host.commands().execute(line.c_str()); }
    const Lines& lines() { return host.commands().lines(); }
    lwhost::Surface& surface(const char* name, const char* object) {
        return *scene.findSurface(name, object);
    }
    std::vector<std::string> shaders(const char* name, const char* object) {
        std::vector<std::string> out;
        for (const auto& s : surface(name, object).shaders) out.push_back(s.server);
        return out;
    }

    std::unique_ptr<LayoutCommands> commands = std::make_unique<LayoutCommands>(host, plugins);
};

TEST_F(LayoutCommandsTest, ApplyServerAddsMastersOnlyAndEveryLineIsRecorded) {
    EXPECT_EQ(run("ApplyServer MasterHandler testmaster"), LWCMD_OK);
    ASSERT_EQ(scene.masters().size(), 1u);
    EXPECT_EQ(scene.masters()[0].server, "testmaster");
    EXPECT_TRUE(plugins.alive(scene.masters()[0].data.instance));

    for (const char* refused :
         {"ShaderHandler testshader", "MasterHandler missing", "MasterHandler testrefuse",
          "MasterHandler", "MasterHandler \"testmaster"})
        EXPECT_EQ(run(std::string("ApplyServer ") + refused), LWCMD_FAILED) << refused;
    EXPECT_EQ(run("Surf_Frobnicate"), LWCMD_UNKNOWN);
    EXPECT_EQ(scene.masters().size(), 1u);
    EXPECT_EQ(lines().size(), 7u);
    EXPECT_EQ(lines().back(), "Surf_Frobnicate");

    // Saved and loaded like any master.
    std::string text, error;
    ASSERT_TRUE(plugins.writeScene(text, error)) << error;
    EXPECT_NE(text.find("Plugin MasterHandler testmaster\n  Value 0\n"), std::string::npos);

    // Once the commands are gone their verbs are unknown; the host's own stay.
    commands.reset();
    EXPECT_EQ(run("ApplyServer MasterHandler testmaster"), LWCMD_UNKNOWN);
    EXPECT_EQ(run("StatusMsg still here"), LWCMD_OK);
}

TEST_F(LayoutCommandsTest, EditServerOpensTheServersPanelHeadless) {
    EXPECT_EQ(run("EditServer MasterHandler 1"), LWCMD_FAILED);  // no master yet
    ASSERT_EQ(run("ApplyServer MasterHandler testmaster"), LWCMD_OK);
    ASSERT_EQ(run("ApplyServer MasterHandler testmaster"), LWCMD_OK);
    for (const char* position : {"3", "0", "two"})
        EXPECT_EQ(run(std::string("EditServer MasterHandler ") + position), LWCMD_FAILED);
    EXPECT_EQ(plugins.panel(), nullptr);

    ASSERT_EQ(run("EditServer MasterHandler 2"), LWCMD_OK);
    lwhost::XPanel* panel = plugins.panel();
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isOpen());
    EXPECT_EQ(panel->title(), "Test Master");
    // The panel belongs to the second master: a change shows in its blocks only.
    ASSERT_TRUE(panel->setInt(0x800, 42));
    std::string text, error;
    ASSERT_TRUE(plugins.save(scene.masters()[1].data.instance, text, error)) << error;
    EXPECT_EQ(text.substr(0, 9), "Value 42\n");
    ASSERT_TRUE(plugins.save(scene.masters()[0].data.instance, text, error)) << error;
    EXPECT_EQ(text.substr(0, 8), "Value 0\n");
}

TEST_F(LayoutCommandsTest, AGenericServerAppliesTheMasterOnlyWhenMissingThenEditsIt) {
    EXPECT_EQ(commands->runGeneric("missing"), -1);
    ASSERT_EQ(commands->runGeneric("testgeneric"), 0);
    EXPECT_EQ(lines(),
              (Lines{"ApplyServer MasterHandler testmaster", "EditServer MasterHandler 1"}));
    ASSERT_NE(plugins.panel(), nullptr);
    EXPECT_EQ(scene.masters().size(), 1u);

    host.commands().clear();
    ASSERT_EQ(commands->runGeneric("testgeneric"), 0);
    EXPECT_EQ(lines(), Lines{"EditServer MasterHandler 1"});
    EXPECT_EQ(scene.masters().size(), 1u);
}

TEST_F(LayoutCommandsTest, SurfaceCommandsActOnTheChosenSurfaces) {
    // One surface of one object file; names and files in quotes may hold blanks.
    ASSERT_EQ(run("Surf_SetSurf \"Chrome\" \"Other Ball\""), LWCMD_OK);
    ASSERT_EQ(run("Surf_AddShader testshader"), LWCMD_OK);
    EXPECT_EQ(shaders("Chrome", "Other Ball"), Lines{"testshader"});
    EXPECT_TRUE(shaders("Chrome", "Ball").empty());
    void* instance = surface("Chrome", "Other Ball").shaders[0].data.instance;
    EXPECT_TRUE(plugins.alive(instance));

    // Adding again changes nothing; an unknown server is refused.
    ASSERT_EQ(run("Surf_AddShader testshader"), LWCMD_OK);
    EXPECT_EQ(surface("Chrome", "Other Ball").shaders.size(), 1u);
    EXPECT_EQ(surface("Chrome", "Other Ball").shaders[0].data.instance, instance);
    EXPECT_EQ(run("Surf_AddShader missing"), LWCMD_FAILED);

    // Without the file every surface of that name is chosen.
    ASSERT_EQ(run("Surf_SetSurf Chrome"), LWCMD_OK);
    ASSERT_EQ(run("Surf_AddShader testshader"), LWCMD_OK);
    EXPECT_EQ(shaders("Chrome", "Ball"), Lines{"testshader"});
    EXPECT_EQ(run("EditServer ShaderHandler 2"), LWCMD_OK);  // the second chosen surface's shader
    EXPECT_EQ(run("EditServer ShaderHandler 3"), LWCMD_FAILED);
    ASSERT_EQ(run("Surf_RemShader testshader"), LWCMD_OK);
    EXPECT_TRUE(shaders("Chrome", "Ball").empty());
    EXPECT_TRUE(shaders("Chrome", "Other Ball").empty());
    EXPECT_FALSE(plugins.alive(instance));
    EXPECT_EQ(plugins.panel(), nullptr);                    // closed with its instance
    EXPECT_EQ(run("Surf_RemShader testshader"), LWCMD_OK);  // none left is no error

    // A surface that cannot be chosen leaves none chosen, so later edits fail.
    ASSERT_EQ(run("Surf_SetSurf \"Old Wood\" \"Box\""), LWCMD_OK);
    EXPECT_EQ(run("Surf_SetSurf \"Old Wood\" \"Ball\""), LWCMD_FAILED);
    EXPECT_EQ(run("Surf_AddShader testshader"), LWCMD_FAILED);
    EXPECT_TRUE(shaders("Old Wood", "Box").empty());
    EXPECT_EQ(run("Surf_SetSurf"), LWCMD_FAILED);
    EXPECT_EQ(run("Surf_SetSurf \"Chrome"), LWCMD_FAILED);
}

TEST_F(LayoutCommandsTest, TheMastersSceneEditingSendsOneLineSetPerSurface) {
    ASSERT_EQ(run("ApplyServer MasterHandler testmaster"), LWCMD_OK);
    ASSERT_EQ(run("EditServer MasterHandler 1"), LWCMD_OK);
    host.commands().clear();
    ASSERT_TRUE(plugins.panel()->chooseCommand(0x804, 0));
    EXPECT_EQ(lines(), (Lines{"Surf_SetSurf \"Chrome\" \"Ball\"", "Surf_RemShader testshader",
                              "Surf_AddShader testshader", "Surf_SetSurf \"Chrome\" \"Other Ball\"",
                              "Surf_RemShader testshader", "Surf_AddShader testshader",
                              "Surf_SetSurf \"Old Wood\" \"Box\"", "Surf_RemShader testshader",
                              "Surf_AddShader testshader"}));
    for (const auto* s : {&surface("Chrome", "Ball"), &surface("Old Wood", "Box")})
        EXPECT_EQ(s->shaders.size(), 1u);
    ASSERT_TRUE(plugins.panel()->chooseCommand(0x804, 1));
    EXPECT_TRUE(shaders("Old Wood", "Box").empty());
    EXPECT_EQ(plugins.instanceCount(), 1u);
}

// Quotes take their text as it is, two quotes inside one standing for one.
TEST(LayoutCommandArgumentsTest, SplitOnBlanksAndQuotesOrRefuseAnOpenQuote) {
    const std::pair<const char*, Lines> rows[] = {
        {"  a \"b c\"\t\"C:\\obj\\x.lwo\" \"\"d", {"a", "b c", "C:\\obj\\x.lwo", "", "d"}},
        {"\"Say \"\"Hi\"\"\" \"\"\"\" x", {"Say \"Hi\"", "\"", "x"}},
    };
    std::vector<std::string> args;
    for (const auto& [line, expected] : rows) {
        ASSERT_TRUE(LayoutCommands::splitArguments(line, args)) << line;
        EXPECT_EQ(args, expected);
    }
    for (const char* open : {"a \"b", "\"a\"\""})
        EXPECT_FALSE(LayoutCommands::splitArguments(open, args)) << open;
}

}  // namespace
