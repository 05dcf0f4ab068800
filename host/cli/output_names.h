// Where lwhost render puts its images. -o takes one of three forms:
//
//   DIR/                  files named after the scene (the trailing '/' says so):
//                         DIR/SCENE.png, DIR/SCENE_0001.png with --frames, DIR/SCENE_PASS.png
//                         and DIR/SCENE_PASS_0001.png with passes
//   shots/demo_####.png   a run of '#' in the file name takes the frame number, zero-padded to
//                         the run's width (a job engine hands each machine a range)
//   OUT.png               that file; with --frames OUT_0001.png, ... (number before the extension)
//
// The extension says the format: ".png" (or none) a PNG file, ".exr" an OpenEXR file; another
// (".jpg") is refused, and so is a '#' in a directory. The directory form writes PNG files.
// Passes need the directory form, so that every pass gets a file of its own, or an EXR file,
// which holds each pass as a layer.
#pragma once

#include <string>

namespace lwhost::cli {

enum class ImageFormat { Png, Exr };

class OutputNames {
  public:
    // Reads -o for a scene file; `range` is --frames, `passes` whether --pass was given. False
    // with the reason when the pattern cannot name every image apart.
    bool parse(const std::string& output, const std::string& scenePath, bool range, bool passes,
               std::string& why);
    // The image of a frame of a pass ("" for the render without passes).
    std::string file(const std::string& pass, int frame) const;
    ImageFormat format() const { return m_format; }
    // Whether the passes are layers of one file per frame.
    bool layered() const { return m_layered; }

  private:
    std::string m_head;  // up to the frame number
    std::string m_tail;  // after it
    int m_width = 0;     // digits of the frame number; 0: none
    bool m_directory = false;
    bool m_layered = false;
    ImageFormat m_format = ImageFormat::Png;
};

}  // namespace lwhost::cli
