// The player's own text overlay and logo.

#include <gtest/gtest.h>

#include <GL/gl.h>

#include "platform/pixelfont.h"
#include "tests/support/glcontext.h"

namespace quv {
namespace {

TEST(PixelFont, OverlayDrawsTextAndLeavesGlStateAlone)
{
    test::GlScene scene(64, 48); // the 4:3 view fills the window
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glColor4f(0.1f, 0.2f, 0.3f, 0.4f);

    // "1" at scale 2: its stem is column 2 of the glyph, rows 1..6 (from the top).
    DrawOverlayText("1", 10, 20, 2, 1.0f, 1.0f, 0.0f);
    const test::Rgba stem = scene.Pixel(10 + 2 * 2, 20 + 2 * 3);
    EXPECT_EQ(stem.r, 255);
    EXPECT_EQ(stem.g, 255);
    EXPECT_EQ(stem.b, 0);
    EXPECT_EQ(scene.Pixel(10, 20 + 2 * 3).r, 0); // left of the stem
    EXPECT_EQ(scene.Pixel(40, 40).r, 0);

    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_PROJECTION);
    GLfloat colour[4] = {};
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[0], 0.1f);
    EXPECT_FLOAT_EQ(colour[3], 0.4f);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    const std::vector<uint8_t> logo = MakeLogoPixels();
    ASSERT_EQ(logo.size(), static_cast<size_t>(LogoWidth) * LogoHeight * 4);
    size_t bright = 0;
    for (size_t i = 0; i < logo.size(); i += 4) {
        EXPECT_EQ(logo[i + 3], 255);
        bright += logo[i] > 200 ? 1 : 0;
    }
    EXPECT_GT(bright, 500u); // the word is there
}

} // namespace
} // namespace quv
