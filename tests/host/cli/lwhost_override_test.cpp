// The override driven the way a technical director scripts the host: the example scripts run
// on the example scenes through the lwhost program with the bundle.
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

}  // namespace
