// A small 8-bit RGB image: what the host keeps of each drawn control. Every drawing operation
// is clipped to the image, so plug-ins may draw anywhere.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lwhost {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;

    constexpr Rgb() = default;
    constexpr Rgb(uint8_t r_, uint8_t g_, uint8_t b_) : r(r_), g(g_), b(b_) {}
    // Components outside 0..255 are clamped.
    static Rgb clamped(int r, int g, int b);
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const Rgb& o) const { return !(*this == o); }
};

class Image {
  public:
    // Sides are limited to kMaxSide; negative sides make an empty image.
    static constexpr int kMaxSide = 8192;

    Image() = default;
    Image(int width, int height, Rgb fill = Rgb());

    int width() const { return m_width; }
    int height() const { return m_height; }
    bool empty() const { return m_width == 0 || m_height == 0; }

    // Black outside the image.
    Rgb pixel(int x, int y) const;
    void setPixel(int x, int y, Rgb colour);
    void fillRect(int x, int y, int w, int h, Rgb colour);
    void fill(Rgb colour) { fillRect(0, 0, m_width, m_height, colour); }

    // Text in the host's 5x7 font, top left at x, y. Characters outside printable ASCII are
    // drawn as a box.
    void drawText(int x, int y, const std::string& text, Rgb colour);
    static int textWidth(const std::string& text);
    static int textHeight();

    // Rows from the top, three bytes per pixel in the order red, green, blue.
    const std::vector<uint8_t>& data() const { return m_data; }

  private:
    int m_width = 0;
    int m_height = 0;
    std::vector<uint8_t> m_data;
};

}  // namespace lwhost
