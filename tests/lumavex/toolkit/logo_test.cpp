// The logo drawn into node thumbnails and the About panel, through the real host.
#include <gtest/gtest.h>
#include <vexo/panel.h>
#include <vexo/xpanel.h>
#include "lwhost/io/image.h"
#include "lwhost/ui/panels.h"

#include <regex>
#include <sstream>
#include <string>

#include "bundle_fixtures.h"
#include "toolkit/logo.h"

namespace {

using bundle_test::Kind;

// The logo's pixel at (x, y) from the top, as red-green-blue.
lwhost::Rgb logoPixel(int x, int y) {
    const unsigned char* p =
        logoImage() + static_cast<size_t>(kLogoHeight - 1 - y) * kLogoRowBytes + x * 3;
    return lwhost::Rgb(p[2], p[1], p[0]);
}

const lwhost::Rgb kWhite(255, 255, 255);

// How many pixels of `image` differ from the logo placed with its top left at (left, top).
int differingFromLogo(const lwhost::Image& image, int left, int top) {
    int n = 0;
    for (int y = 0; y < kLogoHeight; ++y)
        for (int x = 0; x < kLogoWidth; ++x) n += image.pixel(left + x, top + y) != logoPixel(x, y);
    return n;
}

class LogoTest : public bundle_test::SceneTest {
  protected:
    const st_LWXPanelFuncs* xp = static_cast<const st_LWXPanelFuncs*>(
        host.globals().request(LWXPANELFUNCS_GLOBAL, LWGLOBAL_READ));
    lwhost::XPanel* panel = nullptr;

    static void draw(LWXPanelID id, unsigned long, LWXPDrAreaID region, int w, int h) {
        vexo::XPDrawArea area(id, vexo::XPanel(id).drawFuncs(), region, w, h);
        drawLogo(area);
    }

    void SetUp() override {
        static st_LWXPanelControl controls[] = {{0x9001, "", "dThumbnail"}, {0, nullptr, nullptr}};
        LWXPanelID id = xp->create(LWXP_VIEW, controls);
        void* hints[] = {reinterpret_cast<void*>(XPTAG_DRAWCBFUNC), reinterpret_cast<void*>(0x9001),
                         reinterpret_cast<void*>(&draw), nullptr};
        xp->hint(id, 0, hints);
        panel = host.xpanels().find(id);
        ASSERT_NE(panel, nullptr);
    }

    // Columns holding text ink in rows y .. y + font height.
    std::pair<int, int> inkColumns(const lwhost::Image& image, int y) {
        const lwhost::Rgb ink = lwhost::XPanels::colour(LWXPCOL_DRAWTEXT);
        int first = image.width(), last = -1;
        for (int row = y; row < y + lwhost::Image::textHeight(); ++row)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, row) == ink) {
                    first = std::min(first, x);
                    last = std::max(last, x);
                }
        return {first, last};
    }
};

TEST(LogoImageTest, IsStoredBottomRowFirstInBlueGreenRed) {
    // The top left of the word's first letter, in the nodes' indigo.
    EXPECT_EQ(logoPixel(27, 58), lwhost::Rgb(30, 30, 80));

    EXPECT_TRUE(std::regex_match(versionText(), std::regex(R"(V\d+\.\d+ \([A-Za-z]+-[\w-]+\))")))
        << versionText();
}

TEST_F(LogoTest, DrawsWhiteTheLogoCentredAndVersionAndDateRightAligned) {
    const lwhost::Image* image = panel->draw(0x9001, 240, 130);
    ASSERT_NE(image, nullptr);
    const int w = 240, h = 130;
    EXPECT_EQ(image->pixel(0, h - 1), kWhite);
    const int left = (w - kLogoWidth) / 2, top = (h - kLogoHeight) / 2;
    EXPECT_EQ(differingFromLogo(*image, left, top), 0);
    EXPECT_EQ(image->pixel(left - 1, top + 28), kWhite);

    // The version's line, then the date's, each ending within a character of the right margin.
    for (int y : {4, lwhost::Image::textHeight() + 8}) {
        const auto [first, last] = inkColumns(*image, y);
        EXPECT_LT(last, w - 4) << y;
        EXPECT_GT(last, w - 4 - 8) << y;
        EXPECT_GE(first, y == 4 ? w - 4 - lwhost::Image::textWidth(versionText()) : 0) << y;
    }
}

TEST_F(LogoTest, AnAreaAsHighAsTheLogoShowsEveryRowAndASmallerOneIsClipped) {
    const lwhost::Image* image = panel->draw(0x9001, kLogoWidth, kLogoHeight);
    ASSERT_NE(image, nullptr);
    for (int x = 0; x < kLogoWidth; ++x) {
        EXPECT_EQ(image->pixel(x, kLogoHeight - 1), logoPixel(x, kLogoHeight - 1)) << x;
        EXPECT_EQ(image->pixel(x, 60), logoPixel(x, 60)) << x;
    }
    // Below the two text lines of a 40 x 40 area.
    image = panel->draw(0x9001, 40, 40);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->pixel(20, 30),
              logoPixel(20 + (kLogoWidth - 40) / 2, 30 + (kLogoHeight - 40) / 2));
    EXPECT_TRUE(panel->lastError().empty()) << panel->lastError();
}

class HostAboutTest : public bundle_test::SceneTest {
  protected:
    std::ostringstream printed;
    void SetUp() override { host.dialogs().setOutput(&printed); }
};

TEST_F(HostAboutTest, TheAboutPanelShowsTheLogoCentredAboveItsTextInTheHost) {
    queue(Kind::SavePng, bundle_test::pictureDir() + "/about_panel.png");
    queue(Kind::Print);
    queue(Kind::Press, "OK");
    vexo::AboutPanel about("About lumavex", aboutLines(), logoImage(), kLogoWidth, kLogoHeight);
    EXPECT_EQ(about.Open(), LWPAN_OK);
    const vexo::PanelControl& canvas = about.canvasControl();
    const lwhost::ClassicPanel* panel = host.classicPanels().find(about.id());
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(canvas.x(), (panel->width() - kLogoWidth) / 2);
    EXPECT_GT(about.textControl().y(), canvas.y() + kLogoHeight - 1);
    EXPECT_EQ(differingFromLogo(panel->image(), canvas.x(), canvas.y()), 0);
    const std::string text = printed.str();
    EXPECT_NE(text.find("canvas \"\" 132x78"), std::string::npos) << text;
    EXPECT_NE(text.find(std::string("    lumavex ") + versionText() + "\n"), std::string::npos)
        << text;
    EXPECT_TRUE(host.dialogs().errors().empty());
    EXPECT_TRUE(host.classicPanels().errors().empty());
}

TEST_F(HostAboutTest, ShowAboutOpensAModalPanelTitledAboutLumavex) {
    showAbout(nullptr, 0x807);
    const std::vector<lwhost::DialogRecord> shown = host.dialogs().shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].kind, "panel");
    EXPECT_EQ(shown[0].title, "About lumavex");
    EXPECT_EQ(host.classicPanels().size(), 0u) << "destroyed when closed";
}

}  // namespace
