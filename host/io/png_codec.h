// The PNG codec behind png.h: libpng where the renderer is built (png/libpng.cpp), stb's
// header-only writer and reader elsewhere (png/stb.cpp). Both work on an open binary stream.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "lwhost/io/png.h"

namespace lwhost::png_codec {

// Encodes rows of `channels` (3 or 4) samples of `bits` (8, or 16 big-endian) into `file`.
// False with the reason.
bool encode(FILE* file, int width, int height, const uint8_t* rows, int bits, int channels,
            std::string& why);
// Decodes `file` (a PNG, read from its start) into `out` as 8-bit RGB, refusing sides beyond
// kMaxPngSide. False with the reason.
bool decode(FILE* file, RgbImage& out, std::string& why);

}  // namespace lwhost::png_codec
