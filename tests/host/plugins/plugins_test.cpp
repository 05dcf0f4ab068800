// Plug-in instances in the scene, driven through the real loader with the test server module:
// scene loads create instances and load their blocks, saves round-trip, errors name file and
// line, missing servers keep their text, renumbering, events, the render calls and panels.
#include "lwhost/plugins/plugins.h"

#include <gtest/gtest.h>
#include "lwhost/core/handles.h"

#include <string>

#include "scene_plugins.h"

namespace {

using lwhost::PluginKind;

// Handles as the test module prints them.
std::string hexOf(const void* handle) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llX",
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(handle)));
    return text;
}
std::string numberOf(const void* handle) {
    return std::to_string(reinterpret_cast<uintptr_t>(handle));
}

const char* const kScene =
    "LWHostScene 1\n"
    "Plugin MasterHandler testmaster\n"
    "  Value 7\n"
    "  Name \"say \\\"hi\\\"\"\n"
    "  { Target\n"
    "    Item \"Ball\"\n"
    "    ItemID 99\n"
    "    ItemType 0\n"
    "  }\n"
    "EndPlugin\n"
    "Null \"Rig\"\n"
    "End\n"
    "Object \"Ball\"\n"
    "  Sphere \"Chrome\" 0.5 8\n"
    "End\n"
    "Surface \"Chrome\" \"Ball\"\n"
    "  Plugin ShaderHandler testshader\n"
    "    Tint 0.5\n"
    "  EndPlugin\n"
    "End\n";

class PluginsTest : public ::testing::Test, protected ScenePlugins {
  protected:
    void SetUp() override { ASSERT_TRUE(loads(host, testModule("testserver_module"))); }
    // What the test servers noted since the last call.
    std::string log() {
        const char* text = nullptr;
        host.activate("TestServerLog", "log", 1, &text);
        std::string out = text ? text : "";
        host.activate("TestServerLog", "log", 1, nullptr, const_cast<char*>("clear"));
        return out;
    }
    bool read(const std::string& text, std::string& why) {
        return plugins.readScene(text, "t.lws", "", why);
    }
    void readOk(const std::string& text) { ASSERT_TRUE(read(text, error)) << error; }
    std::string write() {
        std::string text, why;
        EXPECT_TRUE(plugins.writeScene(text, why)) << why;
        return text;
    }
    lwhost::Surface& chrome() { return *scene.findSurface("Chrome", "Ball"); }
    static bool has(const std::string& text, const std::string& part) {
        return text.find(part) != std::string::npos;
    }

    std::string error;
};

TEST_F(PluginsTest, ShaderVersionFollowsTheHostAndEachServerIsActivatedOnce) {
    const std::pair<const char*, int> cases[] = {{"9.3", 4}, {"9.4", 4},  {"9.5", 5},
                                                 {"9.6", 6}, {"10.0", 6}, {"11.6", 6}};
    for (const auto& [hostVersion, version] : cases) {
        lwhost::HostIdentity identity;
        ASSERT_TRUE(identity.setVersion(hostVersion, error)) << error;
        host.setIdentity(identity);
        lwhost::Plugins fresh(host, scene);
        std::string why;
        EXPECT_EQ(fresh.server(PluginKind::Shader, "versionprobe", &why), nullptr);
        EXPECT_EQ(fresh.server(PluginKind::Shader, "versionprobe"), nullptr);
        EXPECT_TRUE(has(why, "refused activation for version " + std::to_string(version))) << why;
        EXPECT_EQ(log(), "shader activate version=" + std::to_string(version) + "\n");
    }
    const lwhost::HandlerServer* master = plugins.server(PluginKind::Master, "testmaster");
    ASSERT_NE(master, nullptr);
    EXPECT_EQ(plugins.server(PluginKind::Master, "testmaster"), master);
}

TEST_F(PluginsTest, LoadingCreatesInstancesForTheirContextsAndLoadsTheirBlocks) {
    readOk(kScene);
    ASSERT_EQ(scene.masters().size(), 1u);
    void* master = scene.masters()[0].data.instance;
    void* shader = chrome().shaders[0].data.instance;
    ASSERT_TRUE(plugins.alive(master));
    ASSERT_TRUE(plugins.alive(shader));
    EXPECT_EQ(plugins.instanceCount(), 2u);
    EXPECT_EQ(plugins.description(master), "test master");

    // The target is found by name in the scene being loaded, not by its stored ID.
    const LWItemID ball = scene.findItems("Ball").at(0);
    const std::string target = hexOf(ball);
    EXPECT_EQ(log(), "master create context=set\nmaster load value=7 target=" + target +
                         "\nshader create context=" + numberOf(chrome().id) + "\n");
    EXPECT_EQ(plugins.surfaceOfContext(lwhost::Plugins::shaderContext(chrome().id)), chrome().id);
}

TEST_F(PluginsTest, SavedScenesReadBackToTheSameTextAfterTheOldInstancesWent) {
    readOk(kScene);
    const std::string first = write();
    EXPECT_TRUE(has(first, "  Value 7\n  Enabled 0\n  Name \"say \\\"hi\\\"\"\n  Flags 2\n"))
        << first;
    EXPECT_TRUE(has(first, "    Tint 0.5\n")) << first;
    log();
    readOk(first);
    EXPECT_EQ(write(), first);
    EXPECT_EQ(plugins.instanceCount(), 2u);
    // The old instances went before the new scene was loaded.
    const std::string notes = log();
    EXPECT_LT(notes.find("master destroy"), notes.find("master create")) << notes;
    EXPECT_LT(notes.find("shader destroy"), notes.find("master create")) << notes;
}

TEST_F(PluginsTest, LoadErrorsNameTheFileAndLineAndKeepTheSceneBefore) {
    readOk(kScene);
    log();
    const std::pair<const char*, const char*> cases[] = {
        {"LWHostScene 1\nPlugin MasterHandler testrefuse\nEndPlugin\n",
         "t.lws:2: MasterHandler testrefuse: cannot create an instance: the test server refuses "
         "to start"},
        // A damaged block names the line inside the section.
        {"LWHostScene 1\n\nPlugin MasterHandler testmaster\n  Value 1\n\n  { \n  }\nEndPlugin\n",
         "t.lws:6: MasterHandler testmaster: '{' is not followed by a block token"},
        {"LWHostScene 1\nPlugin MasterHandler testmaster\n  Fail\nEndPlugin\n",
         "t.lws:2: MasterHandler testmaster: told to fail by its settings"},
    };
    for (const auto& [text, message] : cases) {
        EXPECT_FALSE(read(text, error));
        EXPECT_EQ(error, message);
        // The old scene is back, its master rebuilt from the blocks it left.
        ASSERT_EQ(scene.masters().size(), 1u);
        EXPECT_NE(scene.masters()[0].data.instance, nullptr);
        EXPECT_EQ(scene.findItems("Ball").size(), 1u);
    }
    // Each attempt released the old master first and rebuilt it afterwards.
    const std::string notes = log();
    EXPECT_EQ(notes.find("master destroy value=7\n"), 0u) << notes;
    EXPECT_TRUE(has(notes, "master create context=set\nmaster load value=7"));
    EXPECT_TRUE(has(write(), "  Value 7\n"));
    EXPECT_EQ(plugins.instanceCount(), 2u);
}

TEST_F(PluginsTest, ASceneUsingServersTheModuleLacksLoadsAndSavesThemUnchanged) {
    const std::string text =
        "LWHostScene 1\n"
        "Plugin MasterHandler elsewhere\n  Anything { goes } here 1 2 3\nEndPlugin\n"
        "Plugin MasterHandler elsewhere Disabled\n  Second\nEndPlugin\n"
        "Object \"Ball\"\n  Sphere \"Chrome\" 0.5 8\nEnd\n"
        "Surface \"Chrome\" \"Ball\"\n  Plugin ShaderHandler gone\n    Tint 3\n  EndPlugin\nEnd\n";
    readOk(text);
    EXPECT_EQ(plugins.instanceCount(), 0u);
    const auto messages = host.messages().all();
    ASSERT_EQ(messages.size(), 2u);  // once per server
    EXPECT_EQ(messages[0].line1,
              "t.lws:2: no loaded module offers the MasterHandler server \"elsewhere\"; its "
              "sections are kept as they are");
    const std::string saved = write();
    EXPECT_TRUE(has(saved, "Plugin MasterHandler elsewhere\n  Anything { goes } here 1 2 3\n"));
    EXPECT_TRUE(has(saved, "Plugin MasterHandler elsewhere Disabled\n  Second\n"));
    EXPECT_TRUE(has(saved, "  Plugin ShaderHandler gone\n    Tint 3\n"));
}

TEST_F(PluginsTest, RenumberingReachesChangeIDAndUsedItems) {
    readOk(kScene);
    const LWItemID oldBall = scene.findItems("Ball").at(0);
    EXPECT_EQ(plugins.usedItems(), std::vector<LWItemID>{oldBall});
    log();
    const auto pairs = plugins.renumber();
    const LWItemID newBall = scene.findItems("Ball").at(0);
    ASSERT_NE(newBall, oldBall);
    EXPECT_EQ(pairs.back(), std::make_pair(LWITEM_NULL, LWITEM_NULL));
    EXPECT_EQ(log(), "master changeID target=" + hexOf(newBall) + "\n");
    EXPECT_EQ(plugins.usedItems(), std::vector<LWItemID>{newBall});
    EXPECT_TRUE(has(write(), "ItemID " + std::to_string(lwhost::keyOf(newBall))));
}

TEST_F(PluginsTest, TheModellingApplicationGetsNoItemCallbacks) {
    lwhost::HostIdentity modeler;
    modeler.systemType = 1;
    host.setIdentity(modeler);
    readOk(kScene);
    EXPECT_EQ(plugins.instanceCount(), 2u);
    log();
    plugins.renumber();
    EXPECT_EQ(log(), "");
    EXPECT_TRUE(plugins.usedItems().empty());
}

TEST_F(PluginsTest, MasterEventsReachEnabledMastersThatAskForThem) {
    readOk(
        "LWHostScene 1\n"
        "Plugin MasterHandler testmaster\n  Value 1\nEndPlugin\n"
        "Plugin MasterHandler testmaster\n  Value 2\n  Flags 0\nEndPlugin\n"
        "Plugin MasterHandler testmaster Disabled\n  Value 3\nEndPlugin\n"
        "Plugin MasterHandler testmaster\n  Value 4\n  Flags 3\nEndPlugin\n");
    log();
    EXPECT_EQ(plugins.sendMasterEvent(LWEVNT_NOTIFY_RENDER_STARTING, nullptr), 2);
    EXPECT_EQ(log(), "master event 0x111\nmaster event 0x111\n");
    // The access record's evaluate ran host command lines.
    EXPECT_EQ(host.commands().statusMessages(),
              (std::vector<std::string>{"event 0x111", "event 0x111"}));
    EXPECT_EQ(plugins.sendMasterEvent(LWEVNT_COMMAND, nullptr), 1);  // only Flags 3 wants it
}

TEST_F(PluginsTest, RenderCallsVisitEveryShaderAndReportTheFirstError) {
    readOk(
        "LWHostScene 1\n"
        "Object \"Ball\"\n  Sphere \"Chrome\" 0.5 8\nEnd\n"
        "Object \"Box\"\n  Box \"Wood\" 1 1 1\nEnd\n"
        "Surface \"Chrome\" \"Ball\"\n  Plugin ShaderHandler testshader\n  EndPlugin\nEnd\n"
        "Surface \"Wood\" \"Box\"\n  Plugin ShaderHandler testshader\n    Tint -1\n"
        "  EndPlugin\nEnd\n");
    const std::string chromeId = numberOf(chrome().id);
    const std::string woodId = numberOf(scene.findSurface("Wood", "Box")->id);
    log();
    EXPECT_EQ(plugins.initShaders(LWINIT_RENDER), "Wood: testshader: init: negative tint");
    EXPECT_EQ(plugins.newTimeShaders(3, 0.1), "");
    plugins.cleanupShaders();
    EXPECT_EQ(log(), "shader init context=" + chromeId + " mode=1\nshader init context=" + woodId +
                         " mode=1\nshader newtime context=" + chromeId +
                         " frame=3\nshader newtime context=" + woodId +
                         " frame=3\nshader cleanup context=" + chromeId +
                         "\nshader cleanup context=" + woodId + "\n");
}

TEST_F(PluginsTest, CopiesAreIndependentInstancesOfTheSameServer) {
    readOk(kScene);
    void* original = chrome().shaders[0].data.instance;
    void* copy = plugins.copy(
        original, lwhost::Plugins::shaderContext(lwhost::handleOf<LWSurfaceID>(77)), error);
    ASSERT_NE(copy, nullptr) << error;
    EXPECT_EQ(plugins.serverOf(copy), plugins.serverOf(original));
    std::string text;
    ASSERT_TRUE(plugins.save(copy, text, error)) << error;
    EXPECT_EQ(text, "Tint 0.5\n");
    log();
    plugins.destroy(copy);
    EXPECT_EQ(log(),
              "shader destroy context=" + numberOf(lwhost::handleOf<LWSurfaceID>(77)) + "\n");
    EXPECT_TRUE(plugins.alive(original));
    EXPECT_EQ(plugins.copy(&error, nullptr, error), nullptr);  // not an instance
}

TEST_F(PluginsTest, PanelsOpenHeadlessAndCloseBeforeTheirInstanceGoes) {
    readOk(kScene);
    EXPECT_FALSE(plugins.openPanel("MasterHandler", 2, error));
    EXPECT_FALSE(plugins.openPanel("NodeHandler", 1, error));
    EXPECT_FALSE(plugins.openPanel("ShaderHandler", 1, error));  // no current surface

    ASSERT_TRUE(plugins.openPanel("MasterHandler", 1, error)) << error;
    lwhost::XPanel* panel = plugins.panel();
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isOpen());
    EXPECT_EQ(panel->value(0x800).i, 7);
    const LWXPanelID id = panel->id();

    plugins.currentSurfaces() = {chrome().id};
    ASSERT_TRUE(plugins.openPanel("ShaderHandler", 1, error)) << error;
    EXPECT_NE(plugins.panel()->id(), id);
    EXPECT_TRUE(plugins.closePanel());
    EXPECT_EQ(plugins.panel(), nullptr);
    EXPECT_FALSE(plugins.closePanel());

    // Releasing the scene's instances destroys the master's panel first.
    plugins.releaseAll(false);
    EXPECT_EQ(host.xpanels().find(id), nullptr);
    EXPECT_EQ(plugins.instanceCount(), 0u);
}

}  // namespace
