#pragma once
// A 5 x 7 block font for the few texts the player draws itself (the frame-rate overlay and the
// launcher's logo), and the logo picture made from it.

#include <cstdint>
#include <string_view>
#include <vector>

namespace quv {

constexpr int GlyphWidth = 5;
constexpr int GlyphHeight = 7;

// Seven rows, top first; bit 4 is the leftmost pixel. Letters are upper case; characters the
// font lacks (and lower case letters are folded to upper case) draw as blanks.
const uint8_t* Glyph5x7(char c);

// Draws text with glBitmap, its lower-left corner at (x, y) in window pixels from the bottom,
// each font pixel scale x scale screen pixels (1 to 4). Restores all GL state it touches.
void DrawOverlayText(std::string_view text, int x, int y, int scale, float r, float g, float b);

constexpr int LogoWidth = 234;
constexpr int LogoHeight = 81;

// The launcher's 234 x 81 logo as RGBA bytes, rows top first: a field of small shaded cubes on
// black behind the word PLOMARIND.
std::vector<uint8_t> MakeLogoPixels();

} // namespace quv
