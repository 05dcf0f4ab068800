// Inline text codes (0x03 "(LETTER:ARGUMENT)") as the host prints, measures and draws them.
#include <gtest/gtest.h>
#include <lwsdk/lwxpanel.h>

#include <string>

#include "lwhost/ui/inline_text.h"
#include "lwhost/ui/xpanel.h"

namespace {

using lwhost::Image;

TEST(InlineTextTest, PrintedStrippedAndMeasuredAsTheCodesSay) {
    const int w = Image::textWidth("x");  // one character
    const struct {
        const char* raw;
        const char* printed;
        const char* stripped;
        int width;
    } rows[] = {
        {"plain", "plain", "plain", 5 * w},
        // Alignment: blanks up to the column; none when the text before is wider.
        {"[User]\x03(a:48)Clay", "[User]  Clay", "[User]Clay", 48 + 4 * w},
        {"[Vendor]\x03(a:48)Clay", "[Vendor]Clay", "[Vendor]Clay", 12 * w},
        {"[Content]\x03(a:32)Clay", "[Content]Clay", "[Content]Clay", 13 * w},
        {"Ask?\n[User]\x03(a:48)Clay", "Ask?\n[User]  Clay", "Ask?\n[User]Clay", 48 + 4 * w},
        // Arrows set off by a blank; gaps and justification a blank between words only.
        {"\x03(g:8)Select\x03(j:2)\x03(i:MIMG_RIGHTARROW)", "Select ->", "Select", 8 + 6 * w + 7},
        {"\x03(i:MIMG_LEFTARROW)\x03(g:2)Swap All\x03(j:2)\x03(i:MIMG_RIGHTARROW)",
         "<- Swap All ->", "Swap All", 7 + 2 + 8 * w + 7},
        {"a\x03(g:4)b", "a b", "ab", 2 * w + 4},
        // Colours, other pictures and unknown codes show nothing in print.
        {"\x03(c:Nc_HILIGHT)Save", "Save", "Save", 4 * w},
        {"\x03(i:IMG)Second", "Second", "Second", 7 + 6 * w},
        {"\x03(j:1)*** WARNING ***\nFixed", "*** WARNING ***\nFixed", "*** WARNING ***\nFixed",
         15 * w},
        {"x\x03(z:1)y", "xy", "xy", 2 * w},
        // A 0x03 that starts no whole code is dropped alone; the text after it stays.
        {"a\x03"
         "b",
         "ab", "ab", 2 * w},
        {"a\x03(open", "a(open", "a(open", 6 * w},
        {"a\x03(g:9\n)b", "a(g:9\n)b", "a(g:9\n)b", 5 * w},
        // Numbers are held to what an image can take.
        {"\x03(g:99999999999)x", "x", "x", Image::kMaxSide + w},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.raw);
        EXPECT_EQ(lwhost::printInlineText(r.raw), r.printed);
        EXPECT_EQ(lwhost::stripInlineCodes(r.raw), r.stripped);
        EXPECT_EQ(lwhost::inlineTextWidth(r.raw), r.width);
    }
}

TEST(InlineTextTest, DrawingPlacesJustifiedPartsPicturesAndColours) {
    const lwhost::Rgb black(0, 0, 0), white(255, 255, 255);
    const lwhost::Rgb hilight = lwhost::XPanels::colour(LWXPCOL_HILIGHT);
    Image image(100, 10, white);
    // "ab", then an arrow pushed to the right edge of 100 pixels.
    lwhost::drawInlineText(image, 0, 0, 100, "ab\x03(j:2)\x03(i:MIMG_RIGHTARROW)", black);
    EXPECT_EQ(image.pixel(99, 3), black) << "the arrow's point at the right edge";
    EXPECT_EQ(image.pixel(50, 3), white) << "nothing between";
    // A colour code colours what follows; a caller drawing the highlight itself keeps its own.
    Image coloured(20, 10, white), kept(20, 10, white);
    lwhost::drawInlineText(coloured, 0, 0, 0, "\x03(c:Nc_HILIGHT)l", black);
    lwhost::drawInlineText(kept, 0, 0, 0, "\x03(c:Nc_HILIGHT)l", black, false);
    bool hilit = false, stayed = false;
    for (int x = 0; x < 6; ++x)
        for (int y = 0; y < 8; ++y) {
            hilit |= coloured.pixel(x, y) == hilight;
            stayed |= kept.pixel(x, y) == black;
        }
    EXPECT_TRUE(hilit);
    EXPECT_TRUE(stayed);
}

}  // namespace
