// lwhost run end to end: the program loads a module and a scene, runs a script and saves, and
// answers with its exit status.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "run_program.h"
#include "temp_dir.h"
#include "test_paths.h"

namespace {

const char* const kScene =
    "LWHostScene 1\n"
    "Plugin MasterHandler testmaster\n  Value 7\nEndPlugin\n"
    "Object \"Ball\"\n  Sphere \"Chrome\" 0.5 8\nEnd\n";

class LwhostRunTest : public ::testing::Test {
  protected:
    void SetUp() override { write("scene.lws", kScene); }
    void write(const std::string& name, const std::string& text) {
        std::ofstream(dir + "/" + name, std::ios::binary) << text;
    }
    ProgramResult run(const std::string& arguments) {
        return runProgram(lwhostProgram() + " " + arguments + " --module " +
                          testModule("testserver_module"));
    }

    TempDir temp{"lwhost_run"};
    const std::string dir = temp.path;
};

TEST_F(LwhostRunTest, RunsTheScriptAndSavesTheSceneWithItsInstances) {
    // Both files begin with a byte order mark, as some editors write them.
    write("scene.lws", "\xEF\xBB\xBF" + std::string(kScene));
    write("edit.lwscript",
          "\xEF\xBB\xBFgeneric testgeneric\n"
          "panel click Bump\n"
          "command \"Surf_SetSurf Chrome\"\n"
          "command \"Surf_AddShader testshader\"\n"
          "print \"edited\"\n");
    ProgramResult r = run("--alert-level 2 run " + dir + "/scene.lws " + dir +
                          "/edit.lwscript -o " + dir + "/out.lws");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "edited\n");
    const std::string saved = readWholeFile(dir + "/out.lws");
    EXPECT_NE(saved.find("Plugin MasterHandler testmaster\n  Value 8\n"), std::string::npos)
        << saved;
    EXPECT_NE(saved.find("  Plugin ShaderHandler testshader\n    Tint 1\n  EndPlugin\n"),
              std::string::npos)
        << saved;
    // Written through a temporary file that is gone now.
    EXPECT_EQ(temp.files(), (std::vector<std::string>{"edit.lwscript", "out.lws", "scene.lws"}));

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
    EXPECT_EQ(temp.files(), (std::vector<std::string>{"fail.lwscript", "scene.lws"}));
}

TEST_F(LwhostRunTest, BadScriptsScenesModulesAndCommandLinesExitWithStatusTwo) {
    write("bad.lwscript", "print \"fine\"\npanel wave\n");
    write("ok.lwscript", "print \"fine\"\n");
    write("broken.lws", "LWHostScene 1\nPlugin MasterHandler testrefuse\nEndPlugin\n");
    const std::string scene = dir + "/scene.lws ", ok = dir + "/ok.lwscript";
    // The script is checked before anything runs; the scene's reason is the plug-in tests'.
    const std::pair<std::string, std::string> rows[] = {
        {scene + dir + "/bad.lwscript", dir + "/bad.lwscript:2: unknown 'panel' verb 'wave'"},
        {dir + "/broken.lws " + ok, dir + "/broken.lws:2: MasterHandler testrefuse: "},
        {dir + "/missing.lws " + ok, ""},
        {scene + dir + "/missing.lwscript", ""},
        {scene, ""},
        {scene + ok + " --bogus", ""},
        {scene + ok + " --module " + ok, ""},
    };
    for (const auto& [args, message] : rows) {
        const ProgramResult r = run("run " + args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_EQ(r.out, "") << args;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    }
}

TEST_F(LwhostRunTest, TheExampleScriptRunsOnTheExampleScene) {
    ProgramResult r =
        runProgram(lwhostProgram() + " --quiet run " + EXAMPLES_DIR + "/basic.lws " + EXAMPLES_DIR +
                   "/surface_commands.lwscript -o " + dir + "/edited.lws");
    ASSERT_EQ(r.status, 0) << r.err;
    // The script checks the surfaces itself; saving is checked above.
    EXPECT_EQ(r.out, "qrvLumavex removed from Chrome\n");
}

// A plug-in's error dialog fails the run, which saves nothing (neither save nor -o), unless the
// script expects it. The settings directory lies under a regular file: no folder can be made there,
// not even by root.
TEST_F(LwhostRunTest, ARunWithAnErrorItDidNotExpectFailsAndSavesNothing) {
    write("file.txt", "");
    const std::string load =
        "panel open MasterHandler 1\nqueue file \"" + dir +
        "/missing.cfg\"\npanel popcmd Presets \"Load Settings from File...\"\n";
    const std::string missing = "\"Error loading Preset: the file does not exist.\"";
    const struct {
        std::string script;
        int status;
        std::string message;
    } rows[] = {
        {load + "save\n", 1,
         "t.lwscript:3: the error " + missing + " (\"" + dir + "/missing.cfg\")"},
        {"panel open MasterHandler 1\nqueue form-set Preset Mine\nqueue form-set Type User\n"
         "queue form-ok\npanel popcmd Presets \"Save as Preset...\"\n",
         1,
         "t.lwscript:5: the error \"Error saving Preset: the file cannot be opened for writing.\""},
        {load + "expect dialog file \"Load Settings\"\nexpect dialog error " + missing + "\n", 0,
         ""},
    };
    for (const auto& row : rows) {
        write("t.lwscript", row.script);
        const ProgramResult r =
            runProgram(lwhostProgram() + " --dir Settings=" + dir + "/file.txt/sub run " +
                       EXAMPLES_DIR + "/basic.lws " + dir + "/t.lwscript -o " + dir + "/out.lws");
        EXPECT_EQ(r.status, row.status) << row.script << r.err;
        EXPECT_NE(r.err.find(row.message), std::string::npos) << r.err;
        EXPECT_EQ(::access((dir + "/out.lws").c_str(), F_OK) == 0, row.status == 0) << row.script;
    }
}

// render -o and run -o refuse what is not a regular file before anything runs and leave it as
// it was (each kind of file is the atomic file's tests'); a link leads to the file replaced.
TEST_F(LwhostRunTest, OutputsThatAreNotRegularFilesAreRefusedAndLinksFollowed) {
    write("lit.lws",
          "LWHostScene 1\nObject \"Floor\"\n  Plane \"Floor\" 4 4\nEnd\n"
          "Light \"Sun\"\n  Type distant\n  Rotation 0 90 0\nEnd\n"
          "Camera \"Camera\"\n  Position 0 5 0\n  Rotation 0 90 0\nEnd\n");
    write("ok.lwscript", "print \"fine\"\n");
    const std::string commands[] = {
        "render " + dir + "/lit.lws --width 4 --height 3 -o ",
        "run " + dir + "/scene.lws " + dir + "/ok.lwscript -o ",
    };
    ASSERT_EQ(::mkfifo((dir + "/pipe").c_str(), 0600), 0);
    const std::vector<std::string> before = temp.files();
    for (const std::string& command : commands) {
        ProgramResult r = run(command + dir + "/pipe");
        EXPECT_EQ(r.status, 2) << command << "\n" << r.err;
        EXPECT_NE(
            r.err.find("lwhost: cannot write " + dir + "/pipe: is a pipe, not a regular file"),
            std::string::npos)
            << r.err;
        struct stat pipe;
        ASSERT_EQ(::lstat((dir + "/pipe").c_str(), &pipe), 0);
        EXPECT_TRUE(S_ISFIFO(pipe.st_mode));
        EXPECT_EQ(temp.files(), before) << command;
        // A link to a regular file stays a link; the file it names is replaced.
        write("target", "old");
        ASSERT_EQ(::symlink("target", (dir + "/link").c_str()), 0);
        r = run(command + dir + "/link");
        EXPECT_EQ(r.status, 0) << command << "\n" << r.err;
        struct stat link;
        ASSERT_EQ(::lstat((dir + "/link").c_str(), &link), 0);
        EXPECT_TRUE(S_ISLNK(link.st_mode));
        EXPECT_NE(readWholeFile(dir + "/target"), "old") << command;
        std::remove((dir + "/link").c_str());
        std::remove((dir + "/target").c_str());
    }
}

// No output replaces a file the run reads, however it is named: the scene (also through a link
// or another spelling), an object file, the module, the configuration, a pass's settings file,
// the script. Refused before anything runs, every file left as it was. A render writes .png
// names only, so it meets its inputs through links of that name.
TEST_F(LwhostRunTest, AnOutputThatIsAnInputIsRefused) {
    write("lit.lws",
          "LWHostScene 1\nObject \"Tri\"\n  File \"tri.obj\"\nEnd\nLight \"Sun\"\nEnd\n"
          "Camera \"Camera\"\nEnd\n");
    write("tri.obj", "v 0 0 0\nv 1 0 0\nv 0 0 1\nf 1 2 3\n");
    write("ok.lwscript", "print \"fine\"\n");
    write("my.cfg", "alert-level 1\n");
    std::filesystem::copy_file(testModule("testserver_module"), dir + "/mod.p");
    for (const char* name : {"lit.lws", "tri.obj", "mod.p", "my.cfg"})
        ASSERT_EQ(::symlink(name, (dir + "/" + name + ".png").c_str()), 0);
    // A shipped look as the pass's settings file, under the name of the pass's image.
    const std::string program = lwhostProgram();
    std::filesystem::copy_file(
        program.substr(0, program.rfind('/')) + "/SimplePresets/MasterHandler/lumavex/Clay.cfg",
        dir + "/demo_a.png");
    const std::string lit = dir + "/lit.lws", module = " --module " + dir + "/mod.p";
    const std::string render = "render " + lit + module + " --width 4 --height 3 -o ";
    const std::string script =
        "run " + dir + "/scene.lws " + dir + "/ok.lwscript" + module + " -o ";
    const std::pair<std::string, std::string> rows[] = {
        {render + lit + ".png", "the scene " + lit},
        {render + dir + "/./lit.lws.png", "the scene " + lit},
        {render + dir + "/tri.obj.png", "the object file " + dir + "/tri.obj"},
        {render + dir + "/mod.p.png", "the module " + dir + "/mod.p"},
        {"--config " + dir + "/my.cfg " + render + dir + "/my.cfg.png",
         "the configuration " + dir + "/my.cfg"},
        {"render " + std::string(EXAMPLES_DIR) + "/demo.lws --width 4 --height 3 -o " + dir +
             "/ --pass a=" + dir + "/demo_a.png",
         "the settings file of pass 'a' " + dir + "/demo_a.png"},
        {script + dir + "/ok.lwscript", "the script " + dir + "/ok.lwscript"},
        {script + dir + "/scene.lws", "the scene " + dir + "/scene.lws"},
    };
    std::map<std::string, std::string> before;
    for (const std::string& name : temp.files()) before[name] = readWholeFile(dir + "/" + name);
    for (const auto& [args, input] : rows) {
        const ProgramResult r = runProgram(program + " " + args);
        EXPECT_EQ(r.status, 2) << args << "\n" << r.err;
        EXPECT_NE(r.err.find(": it is " + input + ", which this run reads"), std::string::npos)
            << args << "\n"
            << r.err;
        std::map<std::string, std::string> after;
        for (const std::string& name : temp.files()) after[name] = readWholeFile(dir + "/" + name);
        EXPECT_EQ(after, before) << args;
    }
}

// The global light group set up as a user would: through the master's panel and the group's own
// modal panel, its "Pick..." button and the name picker behind it, all from queued actions.
TEST_F(LwhostRunTest, GlobalLightGroupSetUpFromTheMastersPanelIsSaved) {
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
    ProgramResult r = runProgram(lwhostProgram() + " --quiet run " + dir + "/lights.lws " + dir +
                                 "/group.lwscript -o " + dir + "/set.lws");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string saved = readWholeFile(dir + "/set.lws");
    EXPECT_NE(saved.find("  { LightGroup\n    FilterType 2\n    { Filter\n"
                         "      FilterString \"Key|Fill\"\n    }\n    UseByLV 1\n  }\n"),
              std::string::npos)
        << saved;
}

}  // namespace
