// A rendered image as linear floats with alpha, what the 16-bit PNG and EXR writers take.
#pragma once

#include <cstddef>
#include <vector>

namespace lwhost {

// Rows from the top, four floats per pixel: red, green, blue in linear light, and alpha (the
// pixel's coverage by geometry, 0 on the backdrop). The colours are those of the whole pixel,
// backdrop included, so they are premultiplied by alpha.
struct FloatImage {
    int width = 0;
    int height = 0;
    std::vector<float> rgba;

    FloatImage() = default;
    FloatImage(int w, int h) : width(w), height(h), rgba(static_cast<size_t>(w) * h * 4, 0.0f) {}
    float* pixel(int x, int y) { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
    const float* pixel(int x, int y) const {
        return &rgba[(static_cast<size_t>(y) * width + x) * 4];
    }
    bool sized() const { return rgba.size() == static_cast<size_t>(width) * height * 4; }
};

}  // namespace lwhost
