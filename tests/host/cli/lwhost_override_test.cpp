// The override driven the way a technical director scripts the host: the example scripts run
// on the example scenes through the lwhost program with the bundle, and renders of a scene whose
// surfaces lack the override's shader.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "run_program.h"
#include "temp_dir.h"
#include "test_paths.h"

namespace {

class LwhostOverrideTest : public ::testing::Test {
  protected:
    // Runs a script (a path, or an example's name) on an example scene.
    ProgramResult run(const std::string& scene, const std::string& script,
                      const std::string& options = "") {
        const std::string path =
            script.find('/') == std::string::npos ? EXAMPLES_DIR + ("/" + script) : script;
        return runProgram(lwhostProgram() + " --dir Settings=" + dir +
                          "/settings --dir Content=" + dir + " " + options + " run " +
                          EXAMPLES_DIR + "/" + scene + " " + path + " -o " + dir + "/out.lws");
    }
    static size_t count(const std::string& text, const std::string& part) {
        size_t n = 0;
        for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
            ++n;
        return n;
    }

    TempDir temp{"lwhost_override"};
    const std::string dir = temp.path;
};

TEST_F(LwhostOverrideTest, SettingsCommandOpensTheMasterAndAddsTheShaderEverywhere) {
    const ProgramResult r = run("basic.lws", "open_settings.lwscript");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("Applied lumavex to 5 surfaces."), std::string::npos) << r.err;
    const std::string saved = readWholeFile(dir + "/out.lws");
    EXPECT_EQ(count(saved, "Plugin ShaderHandler qrvLumavex\n"), 5u) << saved;
    EXPECT_EQ(count(saved, "Plugin MasterHandler qrvLumavex\n"), 1u);
}

TEST_F(LwhostOverrideTest, PresetIsSavedLoadedAndDeletedFromAScript) {
    const ProgramResult r = run("basic.lws", "presets.lwscript");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("Preset saved: " + dir +
                         "/settings/SimplePresets/MasterHandler/lumavex/Bright tiles.cfg"),
              std::string::npos)
        << r.err;
    struct stat st;
    EXPECT_NE(
        ::stat((dir + "/settings/SimplePresets/MasterHandler/lumavex/Bright tiles.cfg").c_str(),
               &st),
        0)
        << "deleted";
}

TEST_F(LwhostOverrideTest, WarningOnOldHostsIsAnsweredFromTheScript) {
    // Without an answer the question is cancelled, so the script's shader checks fail.
    ProgramResult r = run("basic.lws", "open_settings.lwscript", "--host-version 9.6");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("ok/cancel: lumavex: Add/Remove Shader"), std::string::npos) << r.err;

    const std::string script = dir + "/ok.lwscript";
    std::ofstream(script) << "panel open MasterHandler 1\n"
                             "queue answer ok\n"
                             "panel popcmd \"Scene Editing\" \"Add All Shaders\"\n"
                             "expect dialog ok-cancel \"lumavex: Add/Remove Shader\"\n"
                             "expect shaders Wood 1\n";
    r = run("basic.lws", script, "--host-version 9.6");
    EXPECT_EQ(r.status, 0) << r.err;
}

TEST_F(LwhostOverrideTest, SwitchingTheOverrideOffIsStoredWithTheScene) {
    const ProgramResult r = run("demo.lws", "override_off.lwscript");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string saved = readWholeFile(dir + "/out.lws");
    EXPECT_NE(saved.find("Plugin MasterHandler qrvLumavex\n  Version 1\n  Enabled 0\n  { Nodes\n"),
              std::string::npos)
        << saved;
    EXPECT_NE(saved.find("Root \"Colour\" \"Tiles\" \"Colour\""), std::string::npos);
}

// An imported model: a red override in the master, on a floor that lacks the shader. The render
// says the override changes nothing; --add-shaders puts it on for that render, every pass
// included, and leaves the scene file as it was.
TEST_F(LwhostOverrideTest, RenderWarnsOfAShaderNoSurfaceCarriesAndAddsItOnRequest) {
    const std::string scene = dir + "/imported.lws";
    const std::string text =
        "LWHostScene 1\nObject \"Floor\"\n  Plane \"Floor\" 10 10\nEnd\n"
        "Light \"Sun\"\n  Type distant\n  Rotation 0 90 0\nEnd\n"
        "Camera \"Camera\"\n  Position 0 5 0\n  Rotation 0 90 0\nEnd\n"
        "Plugin MasterHandler qrvLumavex\n  Enabled 1\n  { Nodes\n"
        "    { Node \"ColourConstant\" \"Red\"\n      Colour 1 0 0\n    }\n"
        "    Root \"Colour\" \"Red\" \"Colour\"\n  }\nEndPlugin\n";
    std::ofstream(scene) << text;
    const std::string warning = "warning: " + scene + ": no surface carries the shader qrvLumavex";
    const struct {
        const char* name;
        const char* options;
        bool warned;
    } rows[] = {
        {"plain", "", true},
        {"added", "--add-shaders", false},
        {"quiet", "--quiet", false},
    };
    for (const auto& row : rows) {
        const std::string out = dir + "/" + row.name + "/";
        ::mkdir(out.c_str(), 0777);
        const ProgramResult r =
            runProgram(lwhostProgram() + " --dir Settings=" + dir + "/settings render " + scene +
                       " --width 8 --height 6 --pass clay=Clay -o " + out + " " + row.options);
        ASSERT_EQ(r.status, 0) << row.name << "\n" << r.err;
        EXPECT_EQ(r.err.find(warning) != std::string::npos, row.warned) << row.name << r.err;
        EXPECT_EQ(count(r.err, "warning:"), row.warned ? 1u : 0u) << row.name << r.err;
    }
    EXPECT_NE(
        runProgram(lwhostProgram() + " render " + scene + " --width 8 --height 6 -o " + dir +
                   "/note.png --add-shaders")
            .err.find("qrvLumavex on 1 surface for this render (" + scene + " is not changed)"),
        std::string::npos);
    // Without the shader every pass is the scene as it is; with it the override shows, pass by
    // pass.
    const std::string plain = readWholeFile(dir + "/plain/imported_scene.png");
    EXPECT_EQ(readWholeFile(dir + "/plain/imported_clay.png"), plain);
    const std::string added = readWholeFile(dir + "/added/imported_scene.png");
    EXPECT_NE(added, plain);
    EXPECT_NE(readWholeFile(dir + "/added/imported_clay.png"), added);
    EXPECT_NE(readWholeFile(dir + "/added/imported_clay.png"), plain);
    EXPECT_EQ(readWholeFile(scene), text);
}

}  // namespace
