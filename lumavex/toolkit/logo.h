// The product's logo, drawn in every node panel's thumbnail, and the About panel.
#pragma once

#include <lwsdk/lwxpanel.h>
#include <vexo/xpanel.h>

constexpr int kLogoWidth = 132;
constexpr int kLogoHeight = 78;
constexpr int kLogoRowBytes = kLogoWidth * 3;

// The logo image: rows bottom first, kLogoRowBytes a row, blue-green-red. Built on first use.
const unsigned char* logoImage();

// "V<version> (<system>-<processor>)", e.g. "V0.1 (Linux-x86-64)".
const char* versionText();
// The build date as the compiler gives it ("Mmm dd yyyy").
const char* buildDate();
// The About panel's text lines, null-terminated.
const char** aboutLines();

// White, the logo centred, the version right-aligned at the top and the build date below it.
void drawLogo(vexo::XPDrawArea& area);

// An XPanel button callback: opens the About panel (modal).
void showAbout(LWXPanelID panel, int cid);

// The hints every panel of the bundle ends with: the About panel on its button, the logo drawn by
// the panel's owner in ControlDraw.
inline vexo::XPanelHints& logoAndAbout(vexo::XPanelHints& hints, unsigned logo, unsigned about) {
    return hints.button(about, &showAbout)
        .draw(logo, &vexo::XPanelInterface::LWXPanelControlDrawFunc);
}
