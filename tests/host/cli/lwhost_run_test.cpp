// lwhost run end to end: the program loads a module and a scene, runs a script and saves, and
// answers with its exit status.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "run_program.h"
#include "test_paths.h"

namespace {

const char* const kScene =
    "LWHostScene 1\n"
    "Plugin MasterHandler testmaster\n  Value 7\nEndPlugin\n"
    "Object \"Ball\"\n  Sphere \"Chrome\" 0.5 8\nEnd\n";

class LwhostRunTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = ::testing::TempDir() + "/run_" + std::to_string(::getpid());
        ::mkdir(dir.c_str(), 0755);
        write("scene.lws", kScene);
    }
    void TearDown() override {
        for (const std::string& f : files()) std::remove((dir + "/" + f).c_str());
        ::rmdir(dir.c_str());
    }
    void write(const std::string& name, const std::string& text) {
        std::ofstream(dir + "/" + name, std::ios::binary) << text;
    }
    std::vector<std::string> files() const {
        std::vector<std::string> out;
        if (DIR* d = ::opendir(dir.c_str())) {
            while (dirent* e = ::readdir(d))
                if (e->d_name[0] != '.') out.push_back(e->d_name);
            ::closedir(d);
        }
        std::sort(out.begin(), out.end());
        return out;
    }
    ProgramResult run(const std::string& arguments) {
        return runProgram(lwhostProgram() + " " + arguments + " --module " +
                          testModule("testserver_module"));
    }

    std::string dir;
};

TEST_F(LwhostRunTest, RunsTheScriptAndSavesTheSceneWithItsInstances) {
    write("edit.lwscript",
          "generic testgeneric\n"
          "panel click Bump\n"
          "command \"Surf_SetSurf Chrome\"\n"
          "command \"Surf_AddShader testshader\"\n"
          "print \"edited\"\n");
    ProgramResult r =
        run("run " + dir + "/scene.lws " + dir + "/edit.lwscript -o " + dir + "/out.lws");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "edited\n");
    const std::string saved = readWholeFile(dir + "/out.lws");
    EXPECT_NE(saved.find("Plugin MasterHandler testmaster\n  Value 8\n"), std::string::npos)
        << saved;
    EXPECT_NE(saved.find("  Plugin ShaderHandler testshader\n    Tint 1\n  EndPlugin\n"),
              std::string::npos)
        << saved;
    // Written through a temporary file that is gone now.
    EXPECT_EQ(files(), (std::vector<std::string>{"edit.lwscript", "out.lws", "scene.lws"}));

    // The saved scene runs again, also for the modelling application.
    write("check.lwscript", "panel open MasterHandler 1\nexpect panel-value Value 8\n");
    r = run("--modeler run " + dir + "/out.lws " + dir + "/check.lwscript");
    EXPECT_EQ(r.status, 0) << r.err;
}

TEST_F(LwhostRunTest, AFailingStatementStopsTheRunWithStatusOneAndSavesNothing) {
    write("fail.lwscript", "print \"one\"\n\nexpect masters 2\nprint \"two\"\n");
    ProgramResult r =
        run("run " + dir + "/scene.lws " + dir + "/fail.lwscript -o " + dir + "/out.lws");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "one\n");
    EXPECT_EQ(r.err,
              "lwhost: " + dir + "/fail.lwscript:3: expected 2 master plug-ins, the scene has 1\n");
    EXPECT_EQ(files(), (std::vector<std::string>{"fail.lwscript", "scene.lws"}));
}

TEST_F(LwhostRunTest, BadScriptsScenesModulesAndCommandLinesExitWithStatusTwo) {
    write("bad.lwscript", "print \"fine\"\npanel wave\n");
    write("ok.lwscript", "print \"fine\"\n");
    write("broken.lws", "LWHostScene 1\nPlugin MasterHandler testrefuse\nEndPlugin\n");

    // The script is checked before anything runs.
    ProgramResult r = run("run " + dir + "/scene.lws " + dir + "/bad.lwscript");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(dir + "/bad.lwscript:2: unknown 'panel' verb 'wave'"), std::string::npos)
        << r.err;

    r = run("run " + dir + "/broken.lws " + dir + "/ok.lwscript");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(dir + "/broken.lws:2: MasterHandler testrefuse: cannot create an "
                               "instance: the test server refuses to start"),
              std::string::npos)
        << r.err;

    EXPECT_EQ(run("run " + dir + "/missing.lws " + dir + "/ok.lwscript").status, 2);
    EXPECT_EQ(run("run " + dir + "/scene.lws " + dir + "/missing.lwscript").status, 2);
    EXPECT_EQ(run("run " + dir + "/scene.lws").status, 2);
    EXPECT_EQ(run("run " + dir + "/scene.lws " + dir + "/ok.lwscript --bogus").status, 2);
    r = runProgram(lwhostProgram() + " run " + dir + "/scene.lws " + dir +
                   "/ok.lwscript --module " + dir + "/ok.lwscript");
    EXPECT_EQ(r.status, 2);
}

TEST_F(LwhostRunTest, TheExampleScriptRunsOnTheExampleScene) {
    ProgramResult r =
        runProgram(lwhostProgram() + " --quiet run " + EXAMPLES_DIR + "/basic.lws " + EXAMPLES_DIR +
                   "/surface_commands.lwscript -o " + dir + "/edited.lws");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "qrvLumavex removed from Chrome\n");
    const std::string saved = readWholeFile(dir + "/edited.lws");
    const size_t chrome = saved.find("Surface \"Chrome\" \"Ball\"\n");
    ASSERT_NE(chrome, std::string::npos);
    const std::string section = saved.substr(chrome, saved.find("\nEnd\n", chrome) - chrome);
    EXPECT_EQ(section.find("Plugin"), std::string::npos) << section;
    EXPECT_NE(saved.find("  Plugin ShaderHandler qrvLumavex\n"), std::string::npos);  // Floor's
    EXPECT_NE(saved.find("Plugin MasterHandler qrvLumavex\n  Version 1\n"), std::string::npos);

    r = runProgram(lwhostProgram() + " run --help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("usage: lwhost run SCENE SCRIPT"), std::string::npos);
}

// The global light group set up as a user would: through the master's panel and the group's own
// modal panel, its "Pick..." button and the name picker behind it, all from queued actions.
TEST_F(LwhostRunTest, GlobalLightGroupSetUpFromTheMastersPanelIsSavedAndComesBackUnchanged) {
    write("lights.lws",
          "LWHostScene 1\nPlugin MasterHandler qrvLumavex\n  Enabled 1\nEndPlugin\n"
          "Light \"Key\"\nEnd\nLight \"Fill\"\nEnd\nLight \"Rim\"\nEnd\n");
    write("group.lwscript",
          "panel open MasterHandler 1\n"
          "queue form-set \"Filter by\" \"Light Name\"\n"
          "queue form-set \"Filter\" \"Key\"\n"
          "queue form-press \"Pick...\"\n"
          "queue click \"\" \"Fill\"\n"
          "queue press \"Append\"\n"
          "queue form-ok\n"
          "panel click \"Edit Global Light Group...\"\n"
          "expect dialog form \"Edit Global Light Group\"\n"
          "expect queue-empty\n"
          "panel set \"Use Global Light Group\" on\n"
          "expect panel-value \"Use Global Light Group\" on\n"
          "panel close\n");
    write("nothing.lwscript", "print \"again\"\n");
    auto lwhostRun = [&](const std::string& scene, const std::string& script,
                         const std::string& out) {
        return runProgram(lwhostProgram() + " --quiet run " + dir + "/" + scene + " " + dir + "/" +
                          script + " -o " + dir + "/" + out);
    };
    ProgramResult r = lwhostRun("lights.lws", "group.lwscript", "set.lws");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string saved = readWholeFile(dir + "/set.lws");
    EXPECT_NE(saved.find("  { LightGroup\n    FilterType 2\n    { Filter\n"
                         "      FilterString \"Key|Fill\"\n    }\n    UseByLV 1\n  }\n"),
              std::string::npos)
        << saved;
    r = lwhostRun("set.lws", "nothing.lwscript", "again.lws");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readWholeFile(dir + "/again.lws"), saved);
}

}  // namespace
