// The player's own block font and logo; no image files are read.

#include "platform/pixelfont.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

namespace quv {

namespace {

struct GlyphEntry {
    char c;
    uint8_t rows[GlyphHeight];
};

constexpr GlyphEntry Glyphs[] = {
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'B', {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E}},
    {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}},
    {'G', {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F}},
    {'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'J', {0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C}},
    {'K', {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}},
    {'Q', {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D}},
    {'V', {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}},
    {'W', {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A}},
    {'X', {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11}},
    {'Y', {0x11, 0x11, 0x0A, 0x04, 0x04, 0x04, 0x04}},
    {'Z', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F}},
    {'D', {0x1E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1E}},
    {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}},
    {'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}},
    {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
    {'M', {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}},
    {'N', {0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11}},
    {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
    {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
    {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}},
    {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
    {'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
    {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}},
    {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
    {'/', {0x01, 0x01, 0x02, 0x04, 0x08, 0x10, 0x10}},
    {'"', {0x0A, 0x0A, 0x0A, 0x00, 0x00, 0x00, 0x00}},
    {'\'', {0x04, 0x04, 0x08, 0x00, 0x00, 0x00, 0x00}},
    {',', {0x00, 0x00, 0x00, 0x00, 0x0C, 0x04, 0x08}},
    {'(', {0x02, 0x04, 0x08, 0x08, 0x08, 0x04, 0x02}},
    {')', {0x08, 0x04, 0x02, 0x02, 0x02, 0x04, 0x08}},
    {'[', {0x0E, 0x08, 0x08, 0x08, 0x08, 0x08, 0x0E}},
    {']', {0x0E, 0x02, 0x02, 0x02, 0x02, 0x02, 0x0E}},
    {'{', {0x02, 0x04, 0x04, 0x08, 0x04, 0x04, 0x02}},
    {'}', {0x08, 0x04, 0x04, 0x02, 0x04, 0x04, 0x08}},
    {'_', {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x1F}},
    {'=', {0x00, 0x00, 0x1F, 0x00, 0x1F, 0x00, 0x00}},
    {'+', {0x00, 0x04, 0x04, 0x1F, 0x04, 0x04, 0x00}},
    {'*', {0x00, 0x04, 0x15, 0x0E, 0x15, 0x04, 0x00}},
    {'#', {0x0A, 0x0A, 0x1F, 0x0A, 0x1F, 0x0A, 0x0A}},
    {'!', {0x04, 0x04, 0x04, 0x04, 0x04, 0x00, 0x04}},
    {'?', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x00, 0x04}},
    {'<', {0x02, 0x04, 0x08, 0x10, 0x08, 0x04, 0x02}},
    {'>', {0x08, 0x04, 0x02, 0x01, 0x02, 0x04, 0x08}},
    {'%', {0x18, 0x19, 0x02, 0x04, 0x08, 0x13, 0x03}},
};

constexpr uint8_t Blank[GlyphHeight] = {};

} // namespace

const uint8_t* Glyph5x7(char c)
{
    if (c >= 'a' && c <= 'z')
        c = static_cast<char>(c - 'a' + 'A');
    for (const GlyphEntry& g : Glyphs)
        if (g.c == c)
            return g.rows;
    return Blank;
}

void DrawOverlayText(std::string_view text, int x, int y, int scale, float r, float g, float b)
{
    // Sets: window-pixel orthographic projection, no lighting, texturing, depth test, blending
    // or fog. Leaves: everything as it found it (attributes and both matrices restored).
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_FOG);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glColor3f(r, g, b);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    glPixelZoom(1.0f, 1.0f);
    // One bitmap per glyph at its scale: rows bottom first, one byte per row of up to 8 pixels
    // times the scale, at most 4.
    scale = std::clamp(scale, 1, 4);
    const int rowBytes = (GlyphWidth * scale + 7) / 8;
    GLubyte bitmap[GlyphHeight * 4 * 3] = {};
    // (-1, -1) is the viewport's lower-left corner; an empty bitmap then moves the raster
    // position to (x, y) in window pixels, which may lie outside the viewport.
    GLint window[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, window);
    glRasterPos2f(-1.0f, -1.0f);
    glBitmap(0, 0, 0, 0, static_cast<float>(x - window[0]), static_cast<float>(y - window[1]),
             nullptr);
    for (char c : text) {
        const uint8_t* rows = Glyph5x7(c);
        std::fill(std::begin(bitmap), std::end(bitmap), GLubyte{0});
        for (int row = 0; row < GlyphHeight; ++row) {
            for (int col = 0; col < GlyphWidth; ++col) {
                if ((rows[row] & (0x10 >> col)) == 0)
                    continue;
                for (int sy = 0; sy < scale; ++sy) {
                    const int outRow = (GlyphHeight - 1 - row) * scale + sy;
                    for (int sx = 0; sx < scale; ++sx) {
                        const int bit = col * scale + sx;
                        bitmap[outRow * rowBytes + bit / 8] |=
                            static_cast<GLubyte>(0x80 >> (bit % 8));
                    }
                }
            }
        }
        glBitmap(GlyphWidth * scale, GlyphHeight * scale, 0, 0,
                 static_cast<float>((GlyphWidth + 1) * scale), 0, bitmap);
    }
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopAttrib();
}

std::vector<uint8_t> MakeLogoPixels()
{
    std::vector<uint8_t> rgba(static_cast<size_t>(LogoWidth) * LogoHeight * 4, 0);
    auto put = [&](int x, int y, int r, int g, int b) {
        if (x < 0 || y < 0 || x >= LogoWidth || y >= LogoHeight)
            return;
        uint8_t* p = &rgba[(static_cast<size_t>(y) * LogoWidth + x) * 4];
        p[0] = static_cast<uint8_t>(std::clamp(r, 0, 255));
        p[1] = static_cast<uint8_t>(std::clamp(g, 0, 255));
        p[2] = static_cast<uint8_t>(std::clamp(b, 0, 255));
    };
    for (int y = 0; y < LogoHeight; ++y)
        for (int x = 0; x < LogoWidth; ++x)
            rgba[(static_cast<size_t>(y) * LogoWidth + x) * 4 + 3] = 255;
    // A wave of small cubes: each 9 x 9 cell holds a cube seen from above and to the left,
    // its brightness following two crossing sine waves.
    for (int cy = 0; cy < LogoHeight; cy += 9) {
        for (int cx = 0; cx < LogoWidth; cx += 9) {
            const double wave =
                0.5 + 0.25 * std::sin(cx * 0.045) + 0.25 * std::sin(cy * 0.11 + cx * 0.02);
            const int base = static_cast<int>(20 + 70 * wave);
            for (int y = 1; y < 8; ++y) {
                for (int x = 1; x < 8; ++x) {
                    int shade = base;
                    if (y <= 2)
                        shade = base + 40; // top face
                    else if (x >= 6)
                        shade = base - 15; // side face
                    put(cx + x, cy + y, shade / 3, shade / 2, shade);
                }
            }
        }
    }
    // The word, 3 x 3 pixels per font pixel, with a dark shadow.
    constexpr std::string_view word = "PLOMARIND";
    constexpr int scale = 3;
    const int wordWidth = static_cast<int>(word.size()) * (GlyphWidth + 1) * scale - scale;
    const int left = (LogoWidth - wordWidth) / 2;
    const int top = (LogoHeight - GlyphHeight * scale) / 2;
    for (int pass = 0; pass < 2; ++pass) {
        const int offset = pass == 0 ? 2 : 0;
        for (size_t i = 0; i < word.size(); ++i) {
            const uint8_t* rows = Glyph5x7(word[i]);
            const int gx = left + static_cast<int>(i) * (GlyphWidth + 1) * scale;
            for (int row = 0; row < GlyphHeight; ++row)
                for (int col = 0; col < GlyphWidth; ++col)
                    if (rows[row] & (0x10 >> col))
                        for (int sy = 0; sy < scale; ++sy)
                            for (int sx = 0; sx < scale; ++sx) {
                                const int x = gx + col * scale + sx + offset;
                                const int y = top + row * scale + sy + offset;
                                if (pass == 0)
                                    put(x, y, 0, 0, 0);
                                else
                                    put(x, y, 255 - row * 12, 235 - row * 18, 160 - row * 10);
                            }
        }
    }
    return rgba;
}

} // namespace quv
