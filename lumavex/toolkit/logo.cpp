#include "logo.h"

#include <vexo/adaptor.h>
#include <vexo/panel.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#ifndef LUMAVEX_VERSION
#define LUMAVEX_VERSION "0.0"
#endif

namespace {

#if defined(__APPLE__)
constexpr const char* kSystem = "OSX";
#elif defined(_WIN32)
constexpr const char* kSystem = "Win";
#elif defined(__linux__)
constexpr const char* kSystem = "Linux";
#else
constexpr const char* kSystem = "Unix";
#endif

#if defined(__x86_64__) || defined(_M_X64)
constexpr const char* kProcessor = "x86-64";
#elif defined(__aarch64__) || defined(_M_ARM64)
constexpr const char* kProcessor = "arm64";
#elif defined(__i386__) || defined(_M_IX86)
constexpr const char* kProcessor = "x86";
#else
constexpr const char* kProcessor = "other";
#endif

// ---- The artwork: a shaded sphere above the word "lumavex" --------------------------------------

struct Colour {
    double r, g, b;
};

Colour mix(const Colour& a, const Colour& b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

constexpr Colour kWhite{255, 255, 255};
constexpr Colour kIndigo{30, 30, 80};  // the nodes' editor colour
constexpr Colour kTeal{0, 150, 160};
constexpr Colour kWarmLight{255, 246, 222};

constexpr double kSphereX = 66.0, kSphereY = 28.0, kSphereRadius = 22.0;

// The sphere's colour where its surface is seen at (x, y), lit from the upper left: indigo in
// shadow to teal in the light, with a warm highlight.
Colour sphereShade(double x, double y) {
    const double nx = (x - kSphereX) / kSphereRadius;
    const double ny = (y - kSphereY) / kSphereRadius;
    const double nz = std::sqrt(std::max(0.0, 1.0 - nx * nx - ny * ny));
    const double lx = -0.48, ly = -0.62, lz = 0.62;  // unit length
    const double diffuse = std::max(0.0, nx * lx + ny * ly + nz * lz);
    Colour c = mix(kIndigo, kTeal, std::min(1.0, 0.15 + diffuse));
    // Blinn highlight with the viewer on the z axis.
    double hx = lx, hy = ly, hz = lz + 1.0;
    const double hl = std::sqrt(hx * hx + hy * hy + hz * hz);
    hx /= hl, hy /= hl, hz /= hl;
    const double specular = std::pow(std::max(0.0, nx * hx + ny * hy + nz * hz), 48.0);
    return mix(c, kWarmLight, std::min(1.0, specular));
}

// 5 x 7 glyphs of the word, one row a byte, the leftmost column in bit 4.
struct Glyph {
    char c;
    uint8_t rows[7];
};
constexpr Glyph kGlyphs[] = {
    {'l', {0x0C, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'u', {0x00, 0x00, 0x11, 0x11, 0x11, 0x13, 0x0D}},
    {'m', {0x00, 0x00, 0x1A, 0x15, 0x15, 0x15, 0x15}},
    {'a', {0x00, 0x00, 0x0E, 0x01, 0x0F, 0x11, 0x0F}},
    {'v', {0x00, 0x00, 0x11, 0x11, 0x11, 0x0A, 0x04}},
    {'e', {0x00, 0x00, 0x0E, 0x11, 0x1F, 0x10, 0x0E}},
    {'x', {0x00, 0x00, 0x11, 0x0A, 0x04, 0x0A, 0x11}},
};
constexpr int kScale = 2;
constexpr int kAdvance = 6 * kScale;
constexpr const char* kWord = "lumavex";
constexpr int kWordTop = 58;

const Glyph* glyphOf(char c) {
    for (const Glyph& g : kGlyphs)
        if (g.c == c) return &g;
    return nullptr;
}

// The logo top row first, red-green-blue, as floating colours.
std::vector<Colour> paint() {
    std::vector<Colour> canvas(static_cast<size_t>(kLogoWidth) * kLogoHeight, kWhite);
    auto at = [&](int x, int y) -> Colour& {
        return canvas[static_cast<size_t>(y) * kLogoWidth + static_cast<size_t>(x)];
    };

    // A soft shadow under the sphere.
    for (int y = 0; y < kLogoHeight; ++y)
        for (int x = 0; x < kLogoWidth; ++x) {
            const double dx = (x + 0.5 - kSphereX) / 20.0;
            const double dy = (y + 0.5 - (kSphereY + kSphereRadius + 2.5)) / 2.6;
            const double d = dx * dx + dy * dy;
            if (d < 1.0) at(x, y) = mix(at(x, y), Colour{200, 205, 215}, (1.0 - d) * 0.8);
        }

    // The sphere, 4 x 4 samples a pixel for a smooth edge.
    constexpr int kSamples = 4;
    for (int y = 0; y < kLogoHeight; ++y)
        for (int x = 0; x < kLogoWidth; ++x) {
            Colour sum{0, 0, 0};
            int covered = 0;
            for (int sy = 0; sy < kSamples; ++sy)
                for (int sx = 0; sx < kSamples; ++sx) {
                    const double px = x + (sx + 0.5) / kSamples;
                    const double py = y + (sy + 0.5) / kSamples;
                    const double dx = px - kSphereX, dy = py - kSphereY;
                    if (dx * dx + dy * dy > kSphereRadius * kSphereRadius) continue;
                    const Colour c = sphereShade(px, py);
                    sum.r += c.r, sum.g += c.g, sum.b += c.b;
                    ++covered;
                }
            if (!covered) continue;
            const double n = covered;
            const Colour mean{sum.r / n, sum.g / n, sum.b / n};
            at(x, y) = mix(at(x, y), mean, n / (kSamples * kSamples));
        }

    // The word: "luma" in indigo, "vex" in teal, centred under the sphere.
    const int length = static_cast<int>(std::char_traits<char>::length(kWord));
    const int wordWidth = length * kAdvance - kScale;
    int left = (kLogoWidth - wordWidth) / 2;
    for (int i = 0; i < length; ++i, left += kAdvance) {
        const Glyph* glyph = glyphOf(kWord[i]);
        if (!glyph) continue;
        const Colour ink = i < 4 ? kIndigo : kTeal;
        for (int row = 0; row < 7; ++row)
            for (int col = 0; col < 5; ++col) {
                if (!(glyph->rows[row] & (0x10 >> col))) continue;
                for (int sy = 0; sy < kScale; ++sy)
                    for (int sx = 0; sx < kScale; ++sx)
                        at(left + col * kScale + sx, kWordTop + row * kScale + sy) = ink;
            }
    }
    return canvas;
}

// The stored layout: bottom row first, blue-green-red.
std::vector<unsigned char> buildLogo() {
    const std::vector<Colour> canvas = paint();
    std::vector<unsigned char> image(static_cast<size_t>(kLogoRowBytes) * kLogoHeight);
    auto byte = [](double v) {
        return static_cast<unsigned char>(std::lround(std::min(255.0, std::max(0.0, v))));
    };
    for (int y = 0; y < kLogoHeight; ++y) {
        unsigned char* out = &image[static_cast<size_t>(kLogoHeight - 1 - y) * kLogoRowBytes];
        for (int x = 0; x < kLogoWidth; ++x, out += 3) {
            const Colour& c = canvas[static_cast<size_t>(y) * kLogoWidth + static_cast<size_t>(x)];
            out[0] = byte(c.b);
            out[1] = byte(c.g);
            out[2] = byte(c.r);
        }
    }
    return image;
}

}  // namespace

const unsigned char* logoImage() {
    static const std::vector<unsigned char> image = buildLogo();
    return image.data();
}

const char* versionText() {
    static const std::string text =
        std::string("V") + LUMAVEX_VERSION + " (" + kSystem + "-" + kProcessor + ")";
    return text.c_str();
}

const char* buildDate() {
    return __DATE__;
}

const char** aboutLines() {
    static const std::string date = buildDate();
    // __DATE__ ends in the year.
    static const std::string product = std::string("lumavex ") + versionText();
    static const std::string built = "Built " + date;
    static const std::string copyright = "Copyright (c) " +
                                         date.substr(date.size() >= 4 ? date.size() - 4 : 0) +
                                         " the lumavex developers";
    static const char* lines[] = {
        product.c_str(), "", "One scene-wide shading override, edited as a node graph.",
        built.c_str(),   "", copyright.c_str(),
        nullptr};
    return lines;
}

void drawLogo(vexo::XPDrawArea& area) {
    area.fill(255, 255, 255);
    // Centred: the image covers rows top .. top + kLogoHeight - 1, so an area exactly as high as
    // the logo shows all of it.
    const int left = (area.width() - kLogoWidth) / 2;
    const int top = (area.height() - kLogoHeight) / 2;
    const unsigned char* image = logoImage();
    for (int row = 0; row < kLogoHeight; ++row) {
        const unsigned char* p = image + static_cast<size_t>(row) * kLogoRowBytes;
        const int y = top + kLogoHeight - 1 - row;
        for (int x = 0; x < kLogoWidth; ++x, p += 3) area.point(left + x, y, p[2], p[1], p[0]);
    }
    const int right = area.width() - 4;
    area.textRight(right, 4, versionText(), LWXPCOL_DRAWTEXT);
    area.textRight(right, area.textHeight(versionText()) + 8, buildDate(), LWXPCOL_DRAWTEXT);
}

void showAbout(LWXPanelID, int) {
    vexo::shield(vexo::Dialog{"showAbout()"}, [] {
        vexo::AboutPanel about("About lumavex", aboutLines(), logoImage(), kLogoWidth, kLogoHeight);
        about.Open();
    });
}
