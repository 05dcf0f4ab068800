// lwhost render as a user meets it: images written, output patterns and frame ranges, passes,
// the summary, a shader that throws, and bad input refused with status 2 and no image.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "lwhost/io/png.h"
#include "run_program.h"
#include "temp_dir.h"
#include "test_paths.h"

namespace {

using std::filesystem::exists;

// `global` goes before the command: presets are looked for under `settings` only.
ProgramResult render(const std::string& args, const std::string& global = "") {
    return runProgram(lwhostProgram() + " " + global + " render " + args);
}

std::string settingsOptions(const std::string& settings) {
    return "--dir Settings=" + settings + " --dir Content=" + settings;
}

// The file names a directory holds, sorted, separated by blanks.
std::string listing(const std::string& dir) {
    std::string out;
    for (const std::string& n : filesIn(dir)) out += (out.empty() ? "" : " ") + n;
    return out;
}

// Each test works in a directory of its own, removed with everything in it when the test ends.
class LwhostRenderTest : public ::testing::Test {
  protected:
    std::string workDirectory(const std::string& sub = "") const {
        const std::string dir = work.path + (sub.empty() ? "" : "/" + sub);
        std::filesystem::create_directories(dir);
        return dir;
    }

    // A floor seen from above under one sun; `extra` goes at the end (surfaces).
    std::string writeScene(const std::string& name, const std::string& extra = "") {
        const std::string path = workDirectory() + "/" + name + ".lws";
        std::ofstream(path) << "LWHostScene 1\nFrameRange 1 3\n"
                               "Object \"Floor\"\n  Plane \"Floor\" 10 10\nEnd\n"
                               "Light \"Sun\"\n  Type distant\n  Rotation 0 90 0\nEnd\n"
                               "Camera \"Camera\"\n  Position 0 5 0\n  Rotation 0 90 0\nEnd\n"
                            << extra;
        return path;
    }

    TempDir work{"lwhost_render"};
};

// A preset whose block never closes.
const char kDamagedPreset[] = "Version 1\nName \"Broken\"\n{ Preset\n  Enabled 1\n";

TEST_F(LwhostRenderTest, WritesTheImageAndOneSummaryLine) {
    const std::string out = workDirectory() + "/demo.png";
    ProgramResult r = render(std::string(EXAMPLES_DIR) + "/demo.lws -o " + out +
                             " --width 40 --height 30 --samples 2 --threads 2");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("rendered 1 frame of 40x30, 2 samples per pixel, 2 threads, ", 0), 0u)
        << r.out;
    EXPECT_NE(r.out.find(" samples per second\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "") << "no progress bar when standard error is not a terminal";
    lwhost::RgbImage image;
    std::string error;
    ASSERT_TRUE(lwhost::readPng(out, image, error)) << error;
    EXPECT_EQ(image.width, 40);
    EXPECT_EQ(image.height, 30);
}

TEST_F(LwhostRenderTest, OutputPatternNamesEveryFrame) {
    const std::string scene = writeScene("range");
    const struct {
        const char* output;  // under a fresh directory
        const char* frames;
        const char* files;
    } rows[] = {
        {"shot_##.png", "--frames 2-3", "shot_02.png shot_03.png"},
        {"f#.png", "--frame 3", "f3.png"},
        {"", "--frames 2-3", "range_0002.png range_0003.png"},
        {"", "", "range.png"},
        {"range.png", "--frames 2-3", "range_0002.png range_0003.png"},
        {"plain", "", "plain"},
        {"frame", "--frames 2-3", "frame_0002 frame_0003"},  // the directory's dot is not one
        {"f.#.PNG", "--frame 3", "f.3.PNG"},                 // any case; '#' before the extension
    };
    int n = 0;
    for (const auto& row : rows) {
        const std::string dir = workDirectory("pattern" + std::to_string(n++) + ".v2");
        ProgramResult r = render(scene + " -o " + dir + "/" + row.output + " " + row.frames +
                                 " --width 4 --height 3 --quiet");
        ASSERT_EQ(r.status, 0) << row.output << "\n" << r.err;
        EXPECT_EQ(listing(dir), row.files) << row.output << " " << row.frames;
    }
}

TEST_F(LwhostRenderTest, FrameImagesDoNotDependOnTheRangeOrTheThreads) {
    // The floor glows more from frame to frame: an animated default of a comment node.
    const std::string scene = writeScene(
        "anim",
        "Surface \"Floor\" \"Floor\"\n  Colour 0.2 0.2 0.2\n  Plugin ShaderHandler qrvLumavex\n  "
        "EndPlugin\nEnd\n"
        "Plugin MasterHandler qrvLumavex\n  Enabled 1\n  { Nodes\n"
        "    { Node \"qrvGetScalarComment\" \"Glow\"\n      { Setting\n        { Default\n"
        "          { Channel\n            KeyCount 2\n            Key 0 0\n            Key 0.1 1\n"
        "          }\n        }\n      }\n    }\n    Root \"Luminosity\" \"Glow\" \"Scalar\"\n"
        "  }\nEndPlugin\n");
    const std::string whole = workDirectory("whole"), split = workDirectory("split");
    const std::string args = scene + " --width 4 --height 3 --quiet -o ";
    ASSERT_EQ(render(args + whole + "/ --frames 1-3 --threads 1").status, 0);
    ASSERT_EQ(render(args + split + "/ --frames 1-1 --threads 2").status, 0);
    ASSERT_EQ(render(args + split + "/ --frames 2-3 --threads 3").status, 0);
    ASSERT_EQ(listing(split), "anim_0001.png anim_0002.png anim_0003.png");
    EXPECT_NE(readWholeFile(split + "/anim_0001.png"), readWholeFile(split + "/anim_0003.png"));
    for (const auto& e : std::filesystem::directory_iterator(split))
        EXPECT_EQ(readWholeFile(e.path()),
                  readWholeFile(whole + "/" + e.path().filename().string()))
            << e.path();
}

TEST_F(LwhostRenderTest, PassesRenderTheSceneOncePerPresetFromTheMenuOrAFile) {
    // Two presets saved from the demo scene as a user would: as loaded, and with the override off.
    const std::string settings = workDirectory("settings"), out = workDirectory("passes");
    const std::string script = settings + "/save.lwscript";
    std::ofstream(script) << "panel open MasterHandler 1\n"
                             "queue form-set Preset Tiles\nqueue form-set Type User\n"
                             "queue form-ok\npanel popcmd Presets \"Save as Preset...\"\n"
                             "panel set \"Global Shading Enabled\" off\n"
                             "queue form-set Preset Plain\nqueue form-set Type User\n"
                             "queue form-ok\npanel popcmd Presets \"Save as Preset...\"\n";
    const std::string demo = std::string(EXAMPLES_DIR) + "/demo.lws";
    ASSERT_EQ(runProgram(lwhostProgram() + " " + settingsOptions(settings) + " run " + demo + " " +
                         script)
                  .status,
              0);
    const std::string presets = settings + "/SimplePresets/MasterHandler/lumavex/";
    const std::string plainFile = presets + "Plain.cfg";
    // A damaged preset beside them is no pass's concern.
    std::ofstream(presets + "Broken.cfg") << kDamagedPreset;
    ProgramResult r = render(demo + " -o " + out + "/ --width 12 --height 9 --pass off=Plain " +
                                 "'--pass' 'tiles=[User]Tiles' --pass file=" + plainFile,
                             settingsOptions(settings));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("scene: rendered 1 frame", 0), 0u) << r.out;
    ASSERT_EQ(listing(out), "demo_file.png demo_off.png demo_scene.png demo_tiles.png");
    const std::string scene = readWholeFile(out + "/demo_scene.png");
    EXPECT_EQ(readWholeFile(out + "/demo_tiles.png"), scene);
    EXPECT_NE(readWholeFile(out + "/demo_off.png"), scene);
    EXPECT_EQ(readWholeFile(out + "/demo_file.png"), readWholeFile(out + "/demo_off.png"));
}

TEST_F(LwhostRenderTest, ThrowingShaderIsPrintedOnceWithItsCount) {
    const std::string scene = writeScene(
        "throw", "Surface \"Floor\" \"Floor\"\n  Plugin ShaderHandler rtthrow\n  EndPlugin\nEnd\n");
    const std::string out = workDirectory() + "/throw.png";
    ProgramResult r = render(scene + " -o " + out + " --width 8 --height 6 --module " +
                             testModule("testshader_module"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err,
              "lwhost: error: An exception occured in ShaderHandler::Evaluate(): render test "
              "failure (48 times)\n");
    EXPECT_TRUE(exists(out));
}

#ifndef __has_feature
#define __has_feature(x) 0
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__) || \
    __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// Out of memory, a render says so and fails, writing nothing: under a limit on its memory that a
// small render fits in with room to spare, an image of 8192 by 8192 (192 MiB) cannot be made.
TEST_F(LwhostRenderTest, RunningOutOfMemoryIsReportedAndWritesNothing) {
    if (kSanitized) GTEST_SKIP() << "a sanitizer reserves more address space than a limit leaves";
    const std::string scene = writeScene("memory"), dir = workDirectory("memory");
    auto limited = [&](int kib, const std::string& size) {
        return runProgram("ulimit -v " + std::to_string(kib) + " && " + lwhostProgram() +
                          " --quiet render " + scene + " -o " + dir + "/memory.png --threads 1 " +
                          size);
    };
    constexpr int kStep = 16 * 1024;
    int fits = 0;
    for (int kib = 4 * kStep; kib <= 64 * kStep && fits == 0; kib += kStep)
        if (limited(kib, "--width 8 --height 8").status == 0) fits = kib;
    ASSERT_NE(fits, 0) << "no limit up to 1 GiB lets a small render run";
    std::filesystem::remove(dir + "/memory.png");
    const ProgramResult r = limited(fits + 4 * kStep, "--width 8192 --height 8192");
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.err, "lwhost: out of memory while rendering frame 1 at 8192x8192\n");
    EXPECT_EQ(listing(dir), "");
}

TEST_F(LwhostRenderTest, BadInputExitsTwoAndWritesNothing) {
    const std::string good = writeScene("good");
    const std::string demo = std::string(EXAMPLES_DIR) + "/demo.lws";
    const std::string dir = workDirectory("bad"), out = dir + "/bad.png";
    const std::string damaged = workDirectory() + "/damaged.cfg";
    std::ofstream(damaged) << kDamagedPreset;
    // The renderer's own refusals (no camera, no lights, ...) are checked by the render tests.
    const std::pair<std::string, const char*> cases[] = {
        {good + " -o " + workDirectory() + "/no/such/dir/x.png", "cannot write"},
        {good + " -o " + out + " --frame 9", "frame 9 is not in the scene's frames 1 to 3"},
        {good + " -o " + out + " --samples 0", "samples per pixel must be"},
        {good + " -o " + out + " --threads 0", "--threads needs at least 1 thread"},
        {good + " -o " + out + " --frames 3-1", "--frames needs FIRST-LAST"},
        {good + " -o " + out + " --width wide", "--width needs a number of pixels, not 'wide'"},
        {good, "needs -o OUT.png"},
        {workDirectory() + "/missing.lws -o " + out, "missing.lws"},
        {good + " -o " + dir + "/a#_#.png", "one run of '#', not several"},
        {good + " -o " + dir + "/#/a.png", "'#' stands for the frame number only in the file"},
        {good + " -o " + dir + "#/", "'#' stands for the frame number only in the file"},
        {good + " -o " + dir + "/x.tif", "unknown image extension '.tif' (accepted: .png, .exr)"},
        {good + " -o " + dir + "/x.exr --depth 16", "--depth 16 is for PNG files"},
        {good + " -o " + out + " --depth half", "--depth half needs an .exr file name"},
        {good + " -o " + out + " --depth 12", "--depth needs 8, 16, half or float"},
        {good + " -o " + out + " -e 'panel click Go'", "-e:1: no panel is open"},
        {good + " -o " + out + " -e 'print hi' -e 'no such verb'", "-e:2: "},
        {good + " -o " + out + " --script " + dir + "/none.lwscript", "none.lwscript"},
        // Fine for the scene, failing for the pass: nothing of the scene pass is written.
        {demo + " -o " + dir +
             "/x.exr --pass a=[Vendor]Clay -e 'panel open MasterHandler 1' "
             "-e 'panel click \"Nodal Graph...\"' -e 'expect graph-nodes 2'",
         "-e:3: expected 2 nodes"},
        {good + " -o " + dir + "/x_##.jpg --frames 1-2", "unknown image extension '.jpg'"},
        {good + " -o " + out + " --add-shaders", "--add-shaders: the scene has no master"},
        {good + " -o " + out + " --pass a=b", "--pass needs -o DIR/ or an .exr file"},
        {good + " -o " + dir + "/ --pass clay", "--pass needs NAME=PRESET, not 'clay'"},
        {good + " -o " + dir + "/ --pass scene=x", "pass name 'scene' is the render of"},
        {good + " -o " + dir + "/ --pass a/b=x", "letters, digits, '-' and '_' only"},
        {good + " -o " + dir + "/ --pass a=x --pass a=y", "pass 'a' is named twice"},
        {good + " -o " + dir + "/ --pass a=x", "pass 'a': the scene has no master plug-in"},
        {demo + " -o " + dir + "/ --pass a=clay",
         "no preset \"clay\" (names are case-sensitive; it lists \"[Vendor]"},
        {demo + " -o " + dir + "/ --pass a=" + dir + "/none.cfg", "cannot read the settings"},
        {demo + " -o " + dir + "/ --pass a=" + damaged, "damaged.cfg:5: the block begun at line 3"},
    };
    for (const auto& [args, message] : cases) {
        ProgramResult r = render("--width 4 --height 3 " + args, settingsOptions(dir));
        EXPECT_EQ(r.status, 2) << args << "\n" << r.err;
        EXPECT_NE(r.err.find(message), std::string::npos) << args << "\n" << r.err;
        EXPECT_EQ(r.err.find(message), r.err.rfind(message)) << "said once: " << r.err;
        EXPECT_EQ(listing(dir), "") << args;
    }
}

}  // namespace
