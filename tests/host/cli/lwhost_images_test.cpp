// Images for compositing read back with their own libraries: OpenEXR layers (one per pass,
// linear, unclamped, with coverage as alpha) and 16-bit PNG with alpha; and a look edited for
// one render with -e and --script, seen in the picture and in no file.
#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfInputFile.h>
#include <ImfStringAttribute.h>
#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "lwhost/io/png.h"
#include "run_program.h"
#include "temp_dir.h"
#include "test_paths.h"

namespace {

struct ExrFile {
    int width = 0;
    int height = 0;
    std::map<std::string, std::vector<float>> channels;  // by full name ("scene.R")
    std::map<std::string, std::string> text;             // the string attributes
};

ExrFile readExr(const std::string& path) {
    ExrFile out;
    Imf::InputFile file(path.c_str());
    const Imf::Header& header = file.header();
    out.width = header.dataWindow().max.x + 1;
    out.height = header.dataWindow().max.y + 1;
    Imf::FrameBuffer buffer;
    for (auto c = header.channels().begin(); c != header.channels().end(); ++c) {
        std::vector<float>& values = out.channels[c.name()];
        values.resize(static_cast<size_t>(out.width) * out.height);
        buffer.insert(c.name(), Imf::Slice(Imf::FLOAT, reinterpret_cast<char*>(values.data()),
                                           sizeof(float), sizeof(float) * out.width));
    }
    file.setFrameBuffer(buffer);
    file.readPixels(0, out.height - 1);
    for (auto a = header.begin(); a != header.end(); ++a)
        if (auto* s = dynamic_cast<const Imf::StringAttribute*>(&a.attribute()))
            out.text[a.name()] = s->value();
    return out;
}

// A PNG as stored: bit depth, channels and samples (16-bit ones big-endian joined).
struct PngSamples {
    int bits = 0;
    int channels = 0;
    std::vector<unsigned> samples;
};

PngSamples readPngSamples(const std::string& path) {
    PngSamples out;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return out;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_read_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
        out.bits = png_get_bit_depth(png, info);
        out.channels = png_get_channels(png, info);
        const size_t row = png_get_image_width(png, info) * static_cast<size_t>(out.channels);
        png_bytepp rows = png_get_rows(png, info);
        for (png_uint_32 y = 0; y < png_get_image_height(png, info); ++y)
            for (size_t i = 0; i < row; ++i)
                out.samples.push_back(out.bits == 16 ? rows[y][2 * i] << 8 | rows[y][2 * i + 1]
                                                     : rows[y][i]);
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return out;
}

const std::string kDemo = std::string(EXAMPLES_DIR) + "/demo.lws";
const char kSize[] = " --width 32 --height 24 --quiet ";
// The shipped Matte picked and its selection edited, as examples/matte.lwscript does.
const char* const kMatteEdits[] = {"panel open MasterHandler 1",
                                   "panel popcmd Presets \"[Vendor]Matte\"",
                                   "node set Selection Filter \"Glossy|Crate\""};

class LwhostImagesTest : public ::testing::Test {
  protected:
    ProgramResult lwhost(const std::string& args) {
        return runProgram(lwhostProgram() + " --dir Settings=" + settings + " " + args);
    }
    // The demo with the edited Matte saved by a script, as the gallery makes it.
    std::string matteScene() {
        const std::string scene = work / "matte.lws";
        const ProgramResult r =
            lwhost("run " + kDemo + " " + EXAMPLES_DIR + "/matte.lwscript -o " + scene);
        EXPECT_EQ(r.status, 0) << r.err;
        return scene;
    }

    TempDir work{"lwhost_images"};
    TempDir settingsDir{"lwhost_images_settings"};
    std::string settings = settingsDir.path;
};

TEST_F(LwhostImagesTest, ExrHoldsEachPassAsALayerOfLinearUnclampedValues) {
    const std::string matte = matteScene();
    ASSERT_EQ(
        lwhost("render " + matte + kSize + "-o " + work / "m.exr --pass clay=[Vendor]Clay").status,
        0);
    const ExrFile m = readExr(work / "m.exr");
    std::string names;
    for (const auto& [name, values] : m.channels) names += name + " ";
    EXPECT_EQ(names, "clay.A clay.B clay.G clay.R scene.A scene.B scene.G scene.R ");
    EXPECT_EQ(m.text.at("lwhost:passes"), "scene; clay=[Vendor]Clay");
    EXPECT_EQ(m.text.at("lwhost:samples"), "1");
    // The Matte as a layer: white on the selection, black elsewhere, nothing between.
    size_t white = 0, black = 0;
    for (float v : m.channels.at("scene.R")) (v == 1.0f ? white : black) += v == 1.0f || v == 0;
    EXPECT_GT(white, 0u);
    EXPECT_GT(black, 0u);
    EXPECT_EQ(white + black, m.channels.at("scene.R").size());

    // Against the 8-bit PNG of the same render: the same values where the PNG does not clip,
    // and highlights beyond 1 where it does.
    ASSERT_EQ(lwhost("render " + kDemo + kSize + "-o " + work / "d.png").status, 0);
    ASSERT_EQ(lwhost("render " + kDemo + kSize + "-o " + work / "d.exr --depth float").status, 0);
    lwhost::RgbImage png;
    std::string error;
    ASSERT_TRUE(lwhost::readPng(work / "d.png", png, error)) << error;
    const ExrFile d = readExr(work / "d.exr");
    float brightest = 0;
    for (int c = 0; c < 3; ++c) {
        const std::vector<float>& values = d.channels.at(std::string(1, "RGB"[c]));
        for (size_t i = 0; i < values.size(); ++i) {
            const int byte = png.rgb[i * 3 + static_cast<size_t>(c)];
            brightest = std::max(brightest, values[i]);
            if (byte < 255) {
                EXPECT_NEAR(values[i], byte / 255.0, 0.5 / 255 + 1e-6) << i;
            }
        }
    }
    EXPECT_GT(brightest, 1.0f);
}

TEST_F(LwhostImagesTest, AlphaIsCoverageInExrAndStraightIn16BitPng) {
    const std::string scene = work / "ball.lws";
    std::ofstream(scene) << "LWHostScene 1\nFrameRange 1 1\n"
                            "Object \"Ball\"\n  Sphere \"Ball\" 1 24\nEnd\n"
                            "Light \"Sun\"\n  Type distant\nEnd\n"
                            "Camera \"Camera\"\n  Position 0 0 -6\nEnd\n";
    const std::string args = "render " + scene + kSize + "--samples 16 -o ";
    ASSERT_EQ(lwhost(args + work / "b.exr").status, 0);
    ASSERT_EQ(lwhost(args + work / "b.png --depth 16 --alpha").status, 0);
    const ExrFile exr = readExr(work / "b.exr");
    const PngSamples png = readPngSamples(work / "b.png");
    ASSERT_EQ(png.bits, 16);
    ASSERT_EQ(png.channels, 4);
    const std::vector<float>& alpha = exr.channels.at("A");
    ASSERT_EQ(png.samples.size(), alpha.size() * 4);
    size_t edges = 0;
    for (size_t i = 0; i < alpha.size(); ++i) {
        edges += alpha[i] > 0 && alpha[i] < 1;
        EXPECT_EQ(png.samples[i * 4 + 3], std::lround(alpha[i] * 65535)) << i;
        const float red = exr.channels.at("R")[i];
        if (alpha[i] == 0) {
            EXPECT_EQ(red, 0.0f) << "the backdrop is black and clear";
        } else if (red < alpha[i]) {
            // The PNG's colour is the covered part's alone.
            EXPECT_NEAR(png.samples[i * 4] / 65535.0, red / alpha[i], 2e-3) << i;
        }
    }
    EXPECT_EQ(alpha.front(), 0.0f);
    EXPECT_EQ(alpha[alpha.size() / 2 + 16], 1.0f);
    EXPECT_GT(edges, 10u) << "the ball's edge is anti-aliased in alpha";
}

TEST_F(LwhostImagesTest, EditsShowInThePictureAndInNoFile) {
    const std::string matte = matteScene();
    ASSERT_EQ(lwhost("render " + matte + kSize + "-o " + work / "saved.png").status, 0);
    const std::string demoBefore = readWholeFile(kDemo);
    std::string edits;
    const std::string script = work / "edit.lwscript";
    std::ofstream lines(script);
    for (const char* e : kMatteEdits) {
        edits += " -e '" + std::string(e) + "'";
        lines << e << "\n";
    }
    lines.close();
    for (const std::string& how : {edits, " --script " + script}) {
        const std::string out = work / "out";
        std::filesystem::create_directories(out);
        const ProgramResult r = lwhost("render " + kDemo + kSize + "-o " + out + "/e.png" + how);
        ASSERT_EQ(r.status, 0) << how << "\n" << r.err;
        EXPECT_EQ(readWholeFile(out + "/e.png"), readWholeFile(work / "saved.png")) << how;
        EXPECT_EQ(filesIn(out), std::vector<std::string>{"e.png"});
        std::filesystem::remove_all(out);
    }
    EXPECT_EQ(readWholeFile(kDemo), demoBefore);
    EXPECT_EQ(settingsDir.files(), std::vector<std::string>{});
    // info lists the scene as edited.
    EXPECT_EQ(lwhost("info " + kDemo + " --quiet").out.find("Glossy|Crate"), std::string::npos);
    const ProgramResult info = lwhost("info " + kDemo + " --quiet" + edits);
    EXPECT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("Glossy|Crate"), std::string::npos) << info.out;
}

}  // namespace
