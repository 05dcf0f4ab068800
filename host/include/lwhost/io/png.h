// PNG files: 8-bit RGB images written through libpng and read back; rendered images also at
// 16 bits and with alpha. A build without the renderer uses stb's codec, 8 bits only.
//
// Writing replaces the file whole (see atomic_file.h): a failed write never leaves a partial image
// under the final name, and a directory, device or pipe there is refused untouched.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "lwhost/io/float_image.h"

namespace lwhost {

class Image;

// An 8-bit RGB raster: rows from the top, three bytes per pixel (red, green, blue).
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;

    RgbImage() = default;
    RgbImage(int w, int h) : width(w), height(h), rgb(static_cast<size_t>(w) * h * 3, 0) {}
    uint8_t* pixel(int x, int y) { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
    const uint8_t* pixel(int x, int y) const {
        return &rgb[(static_cast<size_t>(y) * width + x) * 3];
    }
};

// Largest side read or written.
constexpr int kMaxPngSide = 16384;

// Writes `rgb` (width * height * 3 bytes) as a PNG. False with `error` naming the problem.
bool writePng(const std::string& path, int width, int height, const uint8_t* rgb,
              std::string& error);
bool writePng(const std::string& path, const RgbImage& image, std::string& error);
bool writePng(const std::string& path, const Image& image, std::string& error);
// Writes linear values, clamped to 0..1, at 8 or 16 bits per channel as RGB, or as RGBA with
// the image's coverage as alpha. PNG's alpha is straight, so with `alpha` each colour is
// divided by its coverage (where that is not 0).
bool writePng(const std::string& path, const FloatImage& image, int bits, bool alpha,
              std::string& error);

// Reads a PNG of any colour type and depth, converted to 8-bit RGB (alpha dropped, grey
// expanded). Sides beyond kMaxPngSide and damaged files are refused with `error`.
bool readPng(const std::string& path, RgbImage& out, std::string& error);

}  // namespace lwhost
