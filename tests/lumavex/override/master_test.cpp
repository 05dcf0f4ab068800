// The master plug-in, the override shader and the settings command, driven through the real
// host: the settings block in scene files, the panel, scene editing, switching surface node
// graphs off around a render, and what happens when the master goes.
#include <gtest/gtest.h>
#include <lwsdk/lwmaster.h>
#include "lwhost/plugins/layout_commands.h"
#include "lwhost/plugins/plugins.h"
#include "lwhost/scene/envelopes.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bundle_fixtures.h"
#include "temp_dir.h"

namespace {

using bundle_test::Kind;
using override_test::OverrideHost;
using override_test::version;

const char* const kObjects =
    "Object \"Ball\"\n  Sphere \"Chrome\" 0.5 8\nEnd\nNull \"Rig\"\nEnd\n"
    "Object \"Crate\"\n  Box \"Wood\" 1 1 1\nEnd\n";

// A scene with the master plug-in holding `settings`, and the shader on both surfaces.
std::string scene(const std::string& settings, bool shaders = true) {
    std::string text =
        "LWHostScene 1\nPlugin MasterHandler qrvLumavex\n" + settings + "EndPlugin\n" + kObjects;
    if (shaders)
        text +=
            "Surface \"Chrome\" \"Ball\"\n  Plugin ShaderHandler qrvLumavex\n  EndPlugin\nEnd\n"
            "Surface \"Wood\" \"Crate\"\n  Plugin ShaderHandler qrvLumavex\n  EndPlugin\nEnd\n";
    return text;
}

// The master's controls.
constexpr unsigned kEnabled = 0x801, kSceneEditing = 0x802, kSurfaceNodes = 0x803, kPresets = 0x805,
                   kUseLightGroup = 0x809, kEditLightGroup = 0x808;
// The controls of "Edit Global Light Group".
constexpr unsigned kFilterBy = 0x9000, kFilterText = 0x9003, kPick = 0x9005;

const char* const kSettings =
    "  Version 1\n  Enabled 1\n"
    "  { Nodes\n    { Node \"ScalarConstant\" \"Shine\"\n      Value 0.75\n    }\n"
    "    Root \"Specular\" \"Shine\" \"Value\"\n  }\n"
    "  DisableSurfaceNodes 1\n  { LightGroup\n  }\n";

class MasterTest : public ::testing::Test {
  protected:
    void read(const std::string& text) {
        std::string error;
        ASSERT_TRUE(plugins.readScene(text, "t.lws", "", error)) << error;
    }
    std::string write() {
        std::string text, error;
        EXPECT_TRUE(plugins.writeScene(text, error)) << error;
        return text;
    }
    lwhost::XPanel& openMaster() {
        std::string error;
        EXPECT_TRUE(plugins.openPanel(LWMASTER_HCLASS, 1, error)) << error;
        return *plugins.panel();
    }
    size_t nodeCount() { return h.graph() ? h.graph()->nodes.size() : 0; }

    OverrideHost h{version(11, 0)};
    lwhost::Plugins plugins{h.host, h.scene};
    lwhost::LayoutCommands commands{h.host, plugins};
};

TEST_F(MasterTest, SettingsBlockComesBackThroughASceneSaveAndLoad) {
    read(scene(kSettings));
    ASSERT_NE(h.table, nullptr);
    const std::string saved = write();
    EXPECT_NE(saved.find("Plugin MasterHandler qrvLumavex\n  Version 1\n  Enabled 1\n  { Nodes\n"),
              std::string::npos)
        << saved;
    EXPECT_NE(saved.find("Root \"Specular\" \"Shine\" \"Value\""), std::string::npos) << saved;
    EXPECT_NE(saved.find("  DisableSurfaceNodes 1\n  { LightGroup\n"), std::string::npos) << saved;

    // Cleared, then read back: the same settings and the same graph.
    read("LWHostScene 1\n");
    EXPECT_EQ(nodeCount(), 0u) << "a scene without the master starts with an empty graph";
    read(saved);
    EXPECT_EQ(h.table->ns_isEnabled(), 1);
    EXPECT_EQ(nodeCount(), 1u);
    EXPECT_EQ(write(), saved);
}

TEST_F(MasterTest, OnlyEnabledOneSwitchesTheGraphOn) {
    read(scene("  Enabled 2\n"));
    EXPECT_EQ(h.table->ns_isEnabled(), 0);
    read(scene("  Enabled 1\n"));
    EXPECT_EQ(h.table->ns_isEnabled(), 1);
    read(scene("  Enabled 0\n  Colour 1 2 3\n  { Unknown\n    Depth 3\n  }\n"));
    EXPECT_EQ(h.table->ns_isEnabled(), 0) << "unknown blocks are skipped";
}

TEST_F(MasterTest, PanelSwitchesTheOverrideAndTheSurfaceNodeFlag) {
    read(scene("  Enabled 0\n"));
    lwhost::XPanel& panel = openMaster();
    ASSERT_TRUE(panel.setInt(kEnabled, 1)) << panel.lastError();
    EXPECT_EQ(h.table->ns_isEnabled(), 1);
    ASSERT_TRUE(panel.setInt(kSurfaceNodes, 1));
    plugins.closePanel();
    EXPECT_NE(write().find("  DisableSurfaceNodes 1\n"), std::string::npos);
}

TEST_F(MasterTest, AddAllShadersSendsOneRoundPerSurfaceAndReportsAndNothingWithoutObjects) {
    read(scene("  Enabled 1\n", false));
    h.host.commands().clear();
    lwhost::XPanel& panel = openMaster();
    ASSERT_TRUE(panel.chooseCommand(kSceneEditing, 0)) << panel.lastError();
    const std::vector<std::string> expected = {"StatusMsg Applying qrvLumavex to Chrome",
                                               "Surf_SetSurf \"Chrome\" \"Ball\"",
                                               "Surf_RemShader qrvLumavex",
                                               "Surf_AddShader qrvLumavex",
                                               "StatusMsg Applying qrvLumavex to Wood",
                                               "Surf_SetSurf \"Wood\" \"Crate\"",
                                               "Surf_RemShader qrvLumavex",
                                               "Surf_AddShader qrvLumavex"};
    EXPECT_EQ(h.host.commands().lines(), expected);
    EXPECT_EQ(h.scene.findSurface("Chrome", "Ball")->shaders.size(), 1u);
    const auto messages = h.host.messages().all();
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back().line1, "Applied lumavex to 2 surfaces.");
    EXPECT_EQ(messages.back().line2, "Please save all objects to make the changes permanent");

    // Adding again leaves one shader per surface; removing takes them off.
    ASSERT_TRUE(panel.chooseCommand(kSceneEditing, 0));
    EXPECT_EQ(h.scene.findSurface("Wood", "Crate")->shaders.size(), 1u);
    h.host.commands().clear();
    ASSERT_TRUE(panel.chooseCommand(kSceneEditing, 1));
    for (const std::string& line : h.host.commands().lines())
        EXPECT_EQ(line.find("Surf_AddShader"), std::string::npos) << line;
    EXPECT_EQ(h.host.commands().lines().size(), 6u);
    EXPECT_TRUE(h.scene.findSurface("Wood", "Crate")->shaders.empty());
    EXPECT_EQ(h.host.messages().all().back().line1, "Removed lumavex from 2 surfaces.");
    plugins.closePanel();

    // A scene without objects: nothing sent, nothing said.
    read("LWHostScene 1\nPlugin MasterHandler qrvLumavex\nEndPlugin\n");
    h.host.commands().clear();
    const size_t before = h.host.messages().all().size();
    ASSERT_TRUE(openMaster().chooseCommand(kSceneEditing, 0));
    EXPECT_TRUE(h.host.commands().lines().empty());
    EXPECT_EQ(h.host.messages().all().size(), before);
}

TEST_F(MasterTest, RenderNotificationsSwitchSurfaceGraphsOffAndBackInPairs) {
    read(scene(kSettings) +
         "Object \"Floor\"\n  Plane \"Floor\" 4 4\nEnd\n"
         "Surface \"Floor\" \"Floor\"\n  NodeGraph on\n  EndNodeGraph\nEnd\n"
         "Object \"Wall\"\n  Plane \"Wall\" 4 4\nEnd\n"
         "Surface \"Wall\" \"Wall\"\n  NodeGraph off\n  EndNodeGraph\nEnd\n");
    auto state = [&](const char* name) {
        const lwhost::Surface* s = h.scene.findSurface(name, name);
        return s ? s->nodes.enabled : -1;
    };
    ASSERT_EQ(state("Floor"), 1);
    ASSERT_NE(h.scene.findSurface("Floor", "Floor")->nodes.data.instance, nullptr);
    ASSERT_EQ(state("Wall"), 0);
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(plugins.sendMasterEvent(LWEVNT_NOTIFY_RENDER_STARTING, nullptr), 1);
        EXPECT_EQ(state("Floor"), 0);
        EXPECT_EQ(state("Wall"), 0);
        plugins.sendMasterEvent(LWEVNT_NOTIFY_RENDER_COMPLETE, nullptr);
        EXPECT_EQ(state("Floor"), 1) << "round " << round;
        EXPECT_EQ(state("Wall"), 0) << "round " << round;
    }
}

TEST_F(MasterTest, EditingTheGraphMakesEveryShaderReportAChange) {
    read(scene(kSettings));
    h.host.updates().clear();
    h.node("ScalarConstant");  // one edit
    int shaders = 0;
    for (const lwhost::InstanceChange& c : h.host.updates().all())
        if (c.className == "ShaderHandler") ++shaders;
    EXPECT_EQ(shaders, 2);
}

// Settings read through "Load Settings from File...".
class MasterFilesTest : public MasterTest {
  protected:
    void SetUp() override {
        for (const char* type : {"Content", "Settings"}) h.host.dialogs().setDirectory(type, dir);
    }
    void loadFromFile(const std::string& text) {
        const std::string file = dir + "/settings.cfg";
        std::ofstream(file) << text;
        bundle_test::queue(h.host, Kind::File, file);
        lwhost::XPanel& panel = openMaster();
        const int menu = static_cast<int>(panel.popupItems(kPresets).size());
        ASSERT_TRUE(panel.chooseCommand(kPresets, menu - 2)) << "Load Settings from File...";
        plugins.closePanel();
    }
    TempDir temp{"lumavex-master"};
    const std::string dir = temp.path;
};

TEST_F(MasterFilesTest, ASecondMasterNeitherReplacesNorEmptiesTheGraph) {
    const std::string presets = dir + "/SimplePresets/MasterHandler/lumavex";
    std::filesystem::create_directories(presets);
    std::ofstream(presets + "/default.cfg")
        << "Name \"default\"\n{ Preset\n  { Nodes\n    { Node \"ScalarConstant\" \"A\"\n    }\n"
           "    { Node \"ScalarConstant\" \"B\"\n    }\n  }\n}\n";
    read(scene(kSettings));
    ASSERT_EQ(nodeCount(), 1u);
    lwhost::CommandProcessor& run = h.host.commands();
    ASSERT_EQ(run.execute("ApplyServer MasterHandler qrvLumavex"), LWCMD_OK);
    EXPECT_EQ(nodeCount(), 1u) << "the default preset loads only into a master that is alone";
    ASSERT_EQ(run.execute("RemoveServer MasterHandler 2"), LWCMD_OK);
    EXPECT_EQ(nodeCount(), 1u) << "a master remains";
    ASSERT_EQ(run.execute("RemoveServer MasterHandler 1"), LWCMD_OK);
    EXPECT_EQ(nodeCount(), 0u) << "the last master takes the graph with it";
    ASSERT_EQ(run.execute("ApplyServer MasterHandler qrvLumavex"), LWCMD_OK);
    EXPECT_EQ(nodeCount(), 2u) << "alone: the default preset";
}

TEST_F(MasterFilesTest, SettingsThatFailAnywhereChangeNothing) {
    read(scene(kSettings));
    const std::string before = write();
    const size_t groups = h.session.envelopes().groupCount();
    const std::string other = "    { Node \"ScalarConstant\" \"Other\"\n    }\n";
    const std::string group = "  { LightGroup\n    FilterType 2\n    UseByLV 1\n  }\n";
    const std::pair<const char*, std::string> bodies[] = {
        {"cycle",
         "  { Nodes\n    { Node \"Mix\" \"M1\"\n    }\n    { Node \"Mix\" \"M2\"\n    }\n"
         "    Connect \"M1\" \"A\" \"M2\" \"Colour\"\n    Connect \"M2\" \"A\" \"M1\" \"Colour\"\n "
         " }\n"},
        {"unknown node", "  { Nodes\n    { Node \"NoSuchNode\" \"X\"\n    }\n  }\n"},
        {"bad root line",
         "  { Nodes\n" + other + "    Root \"Nowhere\" \"Other\" \"Value\"\n  }\n"},
        {"bad value after a good graph", "  { Nodes\n" + other + "  }\n  DisableSurfaceNodes x\n"},
        {"unreadable filter type", "  { LightGroup\n    FilterType abc\n  }\n"},
        {"switch without a value", "  { LightGroup\n    FilterType 2\n    UseByLV\n  }\n"},
        {"pattern without a value",
         "  { LightGroup\n    FilterType 2\n    { Filter\n      FilterString\n    }\n  }\n"},
    };
    for (const auto& [why, body] : bodies) {
        loadFromFile("Name \"bad\"\n{ Preset\n  Enabled 0\n  DisableSurfaceNodes 0\n" + group +
                     body + "}\n");
        EXPECT_EQ(write(), before) << why;
        const lwhost::Message shown = h.host.messages().all().back();
        EXPECT_EQ(shown.kind, lwhost::MessageKind::Error) << why;
        EXPECT_EQ(shown.line1.rfind("Error loading Preset: ", 0), 0u) << why << ": " << shown.line1;
    }
    loadFromFile("Name \"good\"\n{ Preset\n  Enabled 0\n" + group + "  { Nodes\n" + other +
                 "  }\n}\n");
    EXPECT_EQ(h.table->ns_isEnabled(), 0);
    EXPECT_EQ(h.table->ns_usesGlobalLightGroup(), 1);
    ASSERT_EQ(nodeCount(), 1u);
    EXPECT_EQ(h.graph()->nodes.front()->name, "Other");
    EXPECT_EQ(h.session.envelopes().groupCount(), groups) << "loads leave no channel groups";
}

TEST_F(MasterTest, ANewerSettingsVersionLoadsAndWarnsOnce) {
    read(scene("  Version 3\n  Enabled 1\n"));
    read(scene("  Version 3\n  Enabled 1\n"));
    EXPECT_EQ(h.table->ns_isEnabled(), 1);
    int warnings = 0;
    for (const lwhost::Message& m : h.host.messages().all())
        if (m.kind == lwhost::MessageKind::Warning &&
            m.line1.find("version 3") != std::string::npos)
            warnings += static_cast<int>(m.count);
    EXPECT_EQ(warnings, 1);
}

TEST_F(MasterTest, SceneEditingQuotesNamesAndCountsOnlySurfacesThatChanged) {
    read(
        "LWHostScene 1\nPlugin MasterHandler qrvLumavex\nEndPlugin\n"
        "Object \"Ball \\\"big\\\"\"\n  Sphere \"Say \\\"Hi\\\"\" 0.5 8\nEnd\n");
    lwhost::XPanel& panel = openMaster();
    ASSERT_TRUE(panel.chooseCommand(kSceneEditing, 0));
    EXPECT_EQ(h.host.messages().all().back().line1, "Applied lumavex to 1 surfaces.");
    EXPECT_EQ(h.scene.findSurface("Say \"Hi\"", "Ball \"big\"")->shaders.size(), 1u);

    h.host.commands().define("Surf_AddShader", [](const std::string&) { return LWCMD_FAILED; });
    const size_t shown = h.host.messages().all().size();
    ASSERT_TRUE(panel.chooseCommand(kSceneEditing, 0));
    const auto messages = h.host.messages().all();
    ASSERT_EQ(messages.size(), shown + 1) << "no success reported";
    EXPECT_EQ(messages.back().kind, lwhost::MessageKind::Error);
    EXPECT_EQ(messages.back().line1, "lumavex could not be applied to 1 surfaces.");
    EXPECT_EQ(messages.back().line2, "Say \"Hi\"");
}

TEST_F(MasterTest, SceneEditingCountsTheSurfacesOfClonedObjectsOnce) {
    // Clones of one file share its surfaces: each is changed and counted once.
    const std::string pyramid = "  File \"" + std::string(EXAMPLES_DIR) + "/pyramid.obj\"\nEnd\n";
    read("LWHostScene 1\nPlugin MasterHandler qrvLumavex\nEndPlugin\nObject \"A\"\n" + pyramid +
         "Object \"B\"\n" + pyramid);
    ASSERT_TRUE(openMaster().chooseCommand(kSceneEditing, 0));
    EXPECT_EQ(h.host.messages().all().back().line1, "Applied lumavex to 2 surfaces.");
}

// A settings block that ends early at "EndPlugin" is complete; one cut off inside an open
// block is damage and changes nothing.
TEST_F(MasterFilesTest, SettingsStopAtEndPluginAndACutOffFileChangesNothing) {
    read(scene("  Enabled 0\n"));
    loadFromFile(
        "Version 1\nName \"early\"\n{ Preset\n  Version 1\n  EndPlugin\n"
        "  Enabled 1\n  DisableSurfaceNodes 1\n}\n");
    EXPECT_EQ(h.host.messages().all().back().line1, "Loaded Preset: early");
    EXPECT_EQ(h.table->ns_isEnabled(), 0);
    EXPECT_NE(write().find("  DisableSurfaceNodes 0\n"), std::string::npos);

    read(scene(kSettings));
    const std::string before = write();
    // Read up to the cut, it would switch the override off and empty the graph.
    loadFromFile("Version 1\nName \"cut\"\n{ Preset\n  Version 1\n  Enabled 0\n  { Nodes\n");
    EXPECT_EQ(h.table->ns_isEnabled(), 1);
    EXPECT_EQ(nodeCount(), 1u);
    EXPECT_EQ(write(), before);
    // The host names the damage; the bundle reports that the file could not be read.
    const auto messages = h.host.messages().all();
    ASSERT_GE(messages.size(), 2u);
    EXPECT_EQ(messages[messages.size() - 2].line1,
              dir + "/settings.cfg:7: the block begun at line 3 has no closing '}'");
    EXPECT_EQ(messages.back().line1, "Error loading Preset: the file cannot be read.");
}

const char* const kLights =
    "Light \"Key\"\n  Type distant\nEnd\nLight \"Fill\"\n  Type distant\nEnd\n";

// The global light group as the master's "LightGroup" block holds it.
std::string lightGroup(const std::string& type, const std::string& filter, bool use) {
    return "  { LightGroup\n    FilterType " + type + "\n" + filter + "    UseByLV " +
           (use ? "1" : "0") + "\n  }\n";
}
const std::string kNamedKey = "    { Filter\n      FilterString \"Key*\"\n    }\n";
const std::string kListedFill =
    "    { Filter\n      { Items\n        Item \"Fill\"\n        ItemType 1\n      }\n    }\n";
const std::string kListedKey =
    "    { Filter\n      { Items\n        Item \"Key\"\n        ItemType 1\n      }\n    }\n";
// As the list writes it back: the light's name, then its ID.
const std::string kListedFillSaved =
    "    { Filter\n      { Items\n        Item \"Fill\"\n        ItemID";

// A node elsewhere in the host keeps the services, and so the one group, alive across scenes.
TEST_F(MasterTest, GlobalLightGroupComesBackFromItsBlockAndGoesWithTheScenesMaster) {
    ASSERT_NE(h.table, nullptr);
    h.table->ns_subscribe();
    const std::string named = lightGroup("2", kNamedKey, true);
    read(scene("  Enabled 1\n" + named) + kLights);
    EXPECT_EQ(h.table->ns_usesGlobalLightGroup(), 1);
    const std::string saved = write();
    EXPECT_NE(saved.find(named), std::string::npos) << saved;
    read(saved);
    EXPECT_EQ(write(), saved);

    // Blocks in another order come back in the written one; an empty block is "none" and off.
    read(scene("  { LightGroup\n    UseByLV 1\n    FilterType 1\n" + kListedFill + "  }\n") +
         kLights);
    const std::string listed = write();
    EXPECT_NE(listed.find("    FilterType 1\n" + kListedFillSaved), std::string::npos) << listed;
    EXPECT_NE(listed.find("    UseByLV 1\n"), std::string::npos) << listed;
    const std::string none = lightGroup("0", "", false);
    read(scene(kSettings) + kLights);
    EXPECT_NE(write().find(none), std::string::npos) << write();

    // The next scene's master, without a block, and an empty scene find the group reset.
    read(saved);
    read(scene("  Enabled 1\n") + kLights);
    EXPECT_EQ(h.table->ns_usesGlobalLightGroup(), 0);
    EXPECT_NE(write().find(none), std::string::npos) << write();
    read(saved);
    read("LWHostScene 1\n");
    EXPECT_EQ(h.table->ns_usesGlobalLightGroup(), 0);
    read(scene("") + kLights);
    EXPECT_NE(write().find(none), std::string::npos) << write();
    h.table->ns_unsubscribe();
}

TEST_F(MasterTest, RenumberedLightsReachTheGlobalLightGroupsList) {
    read(scene("  Enabled 1\n" + lightGroup("1", kListedFill, true)) + kLights);
    plugins.renumber();
    EXPECT_NE(write().find(kListedFillSaved), std::string::npos)
        << "the list still names Fill under its new ID: " << write();
}

// The master's switch and button reach the group; its panel is titled, laid out and ruled by
// "Filter by".
TEST_F(MasterTest, UseSwitchSticksAndEditOpensTheGlobalLightGroupsPanel) {
    read(scene("  Enabled 1\n") + kLights);
    lwhost::XPanel& master = openMaster();
    ASSERT_TRUE(master.setInt(kUseLightGroup, 1));
    EXPECT_EQ(master.value(kUseLightGroup).i, 1);

    std::vector<std::string> seen;
    h.host.xpanels().setModalDriver([&](lwhost::XPanel& p) {
        seen.push_back(p.title());
        EXPECT_EQ(p.layoutOrder(),
                  (std::vector<unsigned>{0x9008, kFilterBy, kFilterText, kPick, 0x9009}));
        EXPECT_EQ(p.popupItems(kFilterBy),
                  (std::vector<std::string>{"none", "Light List", "Light Name", "Light Comment"}));
        EXPECT_FALSE(p.enabled(kFilterText).enabled);
        EXPECT_TRUE(p.setInt(kFilterBy, 3));
        EXPECT_TRUE(p.enabled(kFilterText).enabled);
        EXPECT_FALSE(p.enabled(kPick).enabled) << "no picker for comments";
        EXPECT_TRUE(p.setInt(kFilterBy, 2));
        EXPECT_TRUE(p.enabled(kPick).enabled);
        EXPECT_TRUE(p.setString(kFilterText, "Key*"));
        return 1;
    });
    ASSERT_TRUE(master.click(0x808)) << master.lastError();
    EXPECT_EQ(seen, std::vector<std::string>{"Edit Global Light Group"});
    plugins.closePanel();
    EXPECT_NE(write().find(lightGroup("2", kNamedKey, true)), std::string::npos) << write();

    // A global light group node's button edits the same group.
    h.host.xpanels().setModalDriver([&](lwhost::XPanel& p) {
        EXPECT_EQ(p.value(kFilterText).s, "Key*");
        EXPECT_TRUE(p.setString(kFilterText, "Fill"));
        return 1;
    });
    lwhost::GraphNode* node = h.node("qrvGlobalLightGroup");
    ASSERT_TRUE(override_test::nodePanel(h.host, node).click(0x9005));
    EXPECT_NE(write().find("      FilterString \"Fill\"\n"), std::string::npos) << write();
}

// Cancel puts the group back as it was, a list picked meanwhile included; OK keeps the edits.
TEST_F(MasterTest, CancelInTheGlobalLightGroupsPanelPutsTheGroupBack) {
    read(scene("  Enabled 1\n" + lightGroup("2", kNamedKey, true)) + kLights);
    const std::string before = write();
    h.host.xpanels().setModalDriver([&](lwhost::XPanel& p) {
        EXPECT_TRUE(p.setString(kFilterText, "Fill"));
        EXPECT_TRUE(p.setInt(kFilterBy, 1));
        bundle_test::queue(h.host, Kind::Click, "Unselected", "Fill");
        bundle_test::queue(h.host, Kind::Press, "Select");
        bundle_test::queue(h.host, Kind::Press, "Ok");
        EXPECT_TRUE(p.click(kPick)) << p.lastError();
        return 0;
    });
    ASSERT_TRUE(openMaster().click(kEditLightGroup));
    plugins.closePanel();
    EXPECT_EQ(write(), before);

    h.host.xpanels().setModalDriver([](lwhost::XPanel& p) { return p.setInt(kFilterBy, 1); });
    ASSERT_TRUE(openMaster().click(kEditLightGroup));
    plugins.closePanel();
    EXPECT_NE(write().find(lightGroup("1", "    { Filter\n    }\n", true)), std::string::npos)
        << "the list picked in the cancelled panel is gone: " << write();
}

// A load replaces the chosen filter only: a list chosen before a preset of names is still there
// when the list is chosen again.
TEST_F(MasterFilesTest, ALoadKeepsTheSettingsOfTheFiltersNotChosen) {
    read(scene("  Enabled 1\n" + lightGroup("1", kListedFill, false)) + kLights);
    loadFromFile("Name \"names\"\n{ Preset\n" + lightGroup("2", kNamedKey, true) + "}\n");
    EXPECT_NE(write().find(lightGroup("2", kNamedKey, true)), std::string::npos) << write();
    h.host.xpanels().setModalDriver([](lwhost::XPanel& p) { return p.setInt(kFilterBy, 1); });
    ASSERT_TRUE(openMaster().click(kEditLightGroup));
    plugins.closePanel();
    EXPECT_NE(write().find("    FilterType 1\n" + kListedFillSaved), std::string::npos) << write();
}

// The host hands renumbered IDs to the master and to every global light group node; the group's
// list moves once. An old ID that is another light's new ID would move it again.
TEST_F(MasterTest, RenumberingMovesTheGlobalLightGroupsListOnce) {
    read(scene("  Enabled 1\n" + lightGroup("1", kListedKey, true)) + kLights +
         "Light \"Rim\"\n  Type distant\nEnd\n");
    h.node("qrvGlobalLightGroup");
    auto id = [&](const char* name) { return h.scene.findItems(name).at(0); };
    plugins.changeIDs({{id("Key"), id("Fill")}, {id("Fill"), id("Rim")}});
    const std::string text = write();
    EXPECT_NE(text.find("Item \"Fill\""), std::string::npos) << text;
}

}  // namespace
