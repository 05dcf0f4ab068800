// OpenEXR files: linear RGBA images in half or full float, one or several layers, with text
// attributes in the header. Written whole like every other file (see atomic_file.h).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "lwhost/io/float_image.h"

namespace lwhost {

struct ExrLayer {
    std::string name;  // channels NAME.R, NAME.G, NAME.B, NAME.A; empty: R, G, B, A
    const FloatImage* image = nullptr;
};

// Writes the layers (all of one size) into one scanline file, ZIP-compressed, as half floats or
// (`fullFloat`) 32-bit floats. Each attribute becomes a string attribute of the header. False
// with `error` naming the problem; nothing is left under `path` then.
bool writeExr(const std::string& path, const std::vector<ExrLayer>& layers, bool fullFloat,
              const std::vector<std::pair<std::string, std::string>>& attributes,
              std::string& error);

}  // namespace lwhost
