// Texts plug-ins hand the host (labels, list rows, pop-up items, dialog texts, drawn text) may
// carry inline codes, each the control character 0x03 and "(LETTER:ARGUMENT)". The host reads:
//   a:N      alignment: what follows starts N pixels from the start of its line, or at once
//            when the text before it is wider
//   g:N      a gap of N pixels
//   j:N      what follows is justified in the room the text is drawn in: 0 left, 1 centred,
//            2 right
//   c:NAME   what follows is drawn in the named colour (Nc_HILIGHT, Nc_TEXT, Nc_DIMTEXT, ...)
//   i:NAME   a small picture: MIMG_LEFTARROW and MIMG_RIGHTARROW are arrows, others a box
// A code of another letter is dropped, and so is a 0x03 that does not start a whole code (the
// text after it is kept).
#pragma once

#include <string>

#include "lwhost/io/image.h"

namespace lwhost {

// The text without its codes: what scripts may name rows, buttons and items by.
std::string stripInlineCodes(const std::string& text);

// The text as a line of print shows it: an alignment as blanks up to its column (in the host
// font's character width), arrows as "<-" and "->" set off by a blank from the text beside them,
// a gap or a change of justification between two words as one blank; colours and other
// pictures show nothing.
std::string printInlineText(const std::string& text);

// Pixels the widest line of the text takes when drawn.
int inlineTextWidth(const std::string& text);

// Draws the text, its first line's top left at x, y; justification codes place what follows
// them within `room` pixels from x (0: no room beyond the text's own). `colour` holds until a
// colour code names another, unless `colourCodes` is false (rows whose highlight the caller
// draws as a background).
void drawInlineText(Image& image, int x, int y, int room, const std::string& text, Rgb colour,
                    bool colourCodes = true);

}  // namespace lwhost
