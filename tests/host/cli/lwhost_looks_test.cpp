// The shipped looks as a user meets them: listed by the master's "Presets" menu with no set-up,
// and each rendering pixels worked out by hand.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "lwhost/io/png.h"
#include "run_program.h"
#include "temp_dir.h"
#include "test_paths.h"

namespace {

// Settings and content of their own: only the shipped location holds presets.
std::string lwhost(const std::string& dir) {
    return lwhostProgram() + " --dir Settings=" + dir + " --dir Content=" + dir + " ";
}

// A surface block, carrying the override's shader unless told not to.
std::string surface(const std::string& name, const std::string& object, const std::string& settings,
                    bool shader = true) {
    return "Surface \"" + name + "\" \"" + object + "\"\n" + settings +
           (shader ? "  Plugin ShaderHandler qrvLumavex\n  EndPlugin\n" : "") + "End\n";
}

// Seen from above, three columns, one pixel each: left the object "Hero" (red, its comment gives
// it the tint blue), middle "Crate" (orange, no comment), right a fully transparent pane over a
// blue floor without the override's shader. Two white distant lights shine straight down: "Key"
// at 0.5 and "Fill" at 0.25, so a surface of diffuse 1 takes 0.75 of its colour, 0.5 from Key.
const std::string kMatte = "  Diffuse 1\n  Specular 0\n";
const std::string kStage =
    R"(LWHostScene 1
FrameRange 1 1
Plugin MasterHandler qrvLumavex
  Enabled 1
EndPlugin
Object "Hero"
  Plane "Red" 4.08 10
  Position -3 0 0
  Comment "#c:tint=0, 0, 1;"
End
Object "Crate"
  Plane "Wood" 1.92 10
End
Object "Floor"
  Plane "Floor" 4.08 10
  Position 3 0 0
End
Object "Pane"
  Plane "Glass" 4.08 10
  Position 3 1 0
End
Light "Key"
  Type distant
  Intensity 0.5
  Rotation 0 90 0
End
Light "Fill"
  Type distant
  Intensity 0.25
  Rotation 0 90 0
End
Camera "Camera"
  FieldOfView 60
  Position 0 5 0
  Rotation 0 90 0
End
)" + surface("Red", "Hero", "  Colour 0.8 0.2 0.1\n" + kMatte) +
    surface("Wood", "Crate", "  Colour 0.9 0.6 0.3\n" + kMatte) +
    surface("Floor", "Floor", "  Colour 0.2 0.4 0.8\n" + kMatte, false) +
    surface("Glass", "Pane",
            "  Colour 1 1 1\n  Specular 0\n  Transparency 1\n  RefractionIndex 1\n");

TEST(LwhostLooksTest, MenuListsTheShippedLooksAfterTheUsersOwn) {
    const TempDir temp("lwhost_looks");
    const std::string dir = temp.path, scene = dir + "/menu.lws", script = dir + "/menu.lwscript";
    std::ofstream(scene) << kStage;
    std::ofstream(script) << "panel open MasterHandler 1\n"
                             "queue form-set Preset Clay\nqueue form-set Type User\nqueue form-ok\n"
                             "panel popcmd Presets \"Save as Preset...\"\npanel items Presets\n";
    ProgramResult r = runProgram(lwhost(dir) + "run " + scene + " " + script);
    ASSERT_EQ(r.status, 0) << r.err;
    // The names start in one column, as the items' alignment code asks ("[Content]" is longest).
    for (const char* look : {"Chrome", "Clay", "Comment Colours", "Key Light Only", "Matte"})
        EXPECT_NE(r.out.find(std::string("[Vendor]  ") + look + "\n"), std::string::npos) << r.out;
    EXPECT_LT(r.out.find("[User]    Clay"), r.out.find("[Vendor]  Clay")) << r.out;
}

TEST(LwhostLooksTest, EachLookRendersItsPixelsLoadedThroughTheMenu) {
    constexpr int kAny = -1;
    const struct {
        const char* pass;
        const char* preset;
        int pixels[3][3];  // left, middle, right; kAny where the look promises nothing
    } rows[] = {
        // Clay: grey 0.7 at 0.75 on every coloured surface; the pane stays transparent.
        {"clay", "Clay", {{134, 134, 134}, {134, 134, 134}, {38, 77, 153}}},
        // Chrome mirrors the black backdrop; the highlight is too tight to reach a side pixel.
        {"chrome", "Chrome", {{0, 0, 0}, {kAny, kAny, kAny}, {0, 0, 0}}},
        // Matte: white on "Hero", black on every other surface with the shader, the pane too.
        {"matte", "Matte", {{255, 255, 255}, {0, 0, 0}, {0, 0, 0}}},
        // Key Light Only: the surface's own colour at Key's 0.5, Fill left out.
        {"key", "Key Light Only", {{102, 26, 13}, {115, 77, 38}, {kAny, kAny, kAny}}},
        // Comment Colours: Hero's tint, the grey default 0.5 on the crate.
        {"tints", "Comment Colours", {{0, 0, 191}, {96, 96, 96}, {kAny, kAny, kAny}}},
    };
    const TempDir temp("lwhost_looks");
    const std::string dir = temp.path, scene = dir + "/stage.lws";
    std::ofstream(scene) << kStage;
    std::string passes;
    for (const auto& row : rows)
        passes += std::string(" '--pass' '") + row.pass + "=" + row.preset + "'";
    ProgramResult r = runProgram(lwhost(dir) + "render " + scene + " -o " + dir +
                                 "/ --width 3 --height 1 --samples 1 --quiet" + passes);
    ASSERT_EQ(r.status, 0) << r.err;
    for (const auto& row : rows) {
        lwhost::RgbImage image;
        std::string error;
        ASSERT_TRUE(lwhost::readPng(dir + "/stage_" + row.pass + ".png", image, error)) << error;
        for (int x = 0; x < 3; ++x) {
            for (int c = 0; c < 3; ++c) {
                if (row.pixels[x][c] == kAny) continue;
                EXPECT_NEAR(image.pixel(x, 0)[c], row.pixels[x][c], 1)
                    << row.preset << " pixel " << x << " channel " << c;
            }
        }
    }
}

}  // namespace
