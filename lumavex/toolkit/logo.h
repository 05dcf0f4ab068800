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

// What every panel of the bundle has: its rows in a control table (the logo thumbnail first,
// "About..." last) and its hints (the About panel on the button, the logo drawn by the panel's
// owner in ControlDraw).
constexpr st_LWXPanelControl logoControl(unsigned id) {
    return {id, "", "dThumbnail"};
}
constexpr st_LWXPanelControl aboutControl(unsigned id) {
    return {id, "About...", "vButton"};
}
inline vexo::XPanelHints& logoAndAbout(vexo::XPanelHints& hints, unsigned logo, unsigned about) {
    return hints.button(about, &showAbout)
        .draw(logo, &vexo::XPanelInterface::LWXPanelControlDrawFunc);
}
