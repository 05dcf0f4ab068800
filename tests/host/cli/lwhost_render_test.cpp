// lwhost render as a user meets it: images written, frame ranges, the summary, a shader that
// throws, and bad input refused with status 2 and no image.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "lwhost/io/png.h"
#include "run_program.h"
#include "test_paths.h"

namespace {

using std::filesystem::exists;

std::string workDirectory() {
    const std::string dir = ::testing::TempDir() + "/lwhost_render_" + std::to_string(::getpid());
    std::filesystem::create_directory(dir);
    return dir;
}

ProgramResult render(const std::string& args) {
    return runProgram(lwhostProgram() + " render " + args);
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

TEST(LwhostRenderTest, WritesTheImageAndOneSummaryLine) {
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

TEST(LwhostRenderTest, FrameRangeWritesOneNumberedImagePerFrame) {
    const std::string scene = writeScene("range");
    const std::string out = workDirectory() + "/range.png";
    ProgramResult r = render(scene + " -o " + out + " --frames 2-3 --width 8 --height 6 --quiet");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(exists(workDirectory() + "/range_0001.png"));
    EXPECT_TRUE(exists(workDirectory() + "/range_0002.png"));
    EXPECT_TRUE(exists(workDirectory() + "/range_0003.png"));
    EXPECT_FALSE(exists(out));
}

TEST(LwhostRenderTest, ThrowingShaderIsPrintedOnceWithItsCount) {
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

TEST(LwhostRenderTest, BadInputExitsTwoAndWritesNothing) {
    const std::string good = writeScene("good");
    const std::string out = workDirectory() + "/bad.png";
    // The renderer's own refusals (no camera, no lights, ...) are checked by the render tests.
    const std::pair<std::string, const char*> cases[] = {
        {good + " -o " + workDirectory() + "/no/such/dir/x.png", "cannot write"},
        {good + " -o " + out + " --frame 9", "frame 9 is not in the scene's frames 1 to 3"},
        {good + " -o " + out + " --width 0", "the width must be 1 to 8192, not 0"},
        {good + " -o " + out + " --samples 0", "samples per pixel must be"},
        {good + " -o " + out + " --threads 0", "--threads needs at least 1 thread"},
        {good + " -o " + out + " --frames 3-1", "--frames needs FIRST-LAST"},
        {good + " -o " + out + " --width wide", "--width needs a number of pixels, not 'wide'"},
        {good, "needs -o OUT.png"},
        {workDirectory() + "/missing.lws -o " + out, "missing.lws"},
    };
    for (const auto& [args, message] : cases) {
        ProgramResult r = render(args);
        EXPECT_EQ(r.status, 2) << args << "\n" << r.err;
        EXPECT_NE(r.err.find(message), std::string::npos) << args << "\n" << r.err;
        EXPECT_FALSE(exists(out)) << args;
    }
}

}  // namespace
