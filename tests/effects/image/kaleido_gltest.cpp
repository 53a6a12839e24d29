#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/fieldcaps.h"
#include "engine/framebudget.h"
#include "tests/effects/image/imagetest.h"
#include "tests/support/glcontext.h"

namespace quv {
namespace {

using test::Effect;
using test::Image;

struct Fed {
    int polygons = 0;
    float xLow = 1e9f, xHigh = -1e9f, yLow = 1e9f, yHigh = -1e9f;
};

// Renders in feedback mode and collects the polygons that reach the window.
Fed Feedback(Effect& effect)
{
    std::vector<GLfloat> buffer(1 << 20);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_2D, buffer.data());
    glRenderMode(GL_FEEDBACK);
    effect.Render();
    const GLint used = glRenderMode(GL_RENDER);
    EXPECT_GE(used, 0);
    Fed fed;
    for (GLint i = 0; i < used;) {
        const GLint token = static_cast<GLint>(buffer[i++]);
        EXPECT_EQ(token, GL_POLYGON_TOKEN);
        if (token != GL_POLYGON_TOKEN)
            break;
        const GLint count = static_cast<GLint>(buffer[i++]);
        for (GLint v = 0; v < count; ++v, i += 2) {
            fed.xLow = std::min(fed.xLow, buffer[i]);
            fed.xHigh = std::max(fed.xHigh, buffer[i]);
            fed.yLow = std::min(fed.yLow, buffer[i + 1]);
            fed.yHigh = std::max(fed.yHigh, buffer[i + 1]);
        }
        ++fed.polygons;
    }
    return fed;
}

TEST(Kaleido01, HexagonCountsFollowDetail)
{
    test::GlScene scene(64, 48);
    Effect kaleido("Kaleido 01");
    // Shrunk far enough that the whole honeycomb lies inside the view.
    kaleido.Set("Scale X", 0.01).Set("Scale Y", 0.01);
    kaleido.Set("Detail ", 1.0);
    EXPECT_EQ(Feedback(kaleido).polygons, 21 * 6); // rows -3..3, columns -1..1
    kaleido.Set("Detail ", 2.0);
    EXPECT_EQ(Feedback(kaleido).polygons, 91 * 6); // rows -6..6, columns -3..3
    kaleido.Set("Detail ", 0.3);
    EXPECT_EQ(Feedback(kaleido).polygons, 6);

    // The honeycomb is centred on the view; odd rows reach 1.5 units further right than left.
    // At Detail 1 and scale s it spans x from -4 s to 5.5 s and y +-4 sin(60) s.
    kaleido.Set("Detail ", 1.0).Set("Scale X", 0.1).Set("Scale Y", 0.1);
    const Fed fed = Feedback(kaleido);
    const double unitX = 64.0 / (2.0 * 4.0 / 3.0);
    const double unitY = 48.0 / 2.0;
    EXPECT_NEAR(fed.xLow, 32.0 - 0.4 * unitX, 0.01);
    EXPECT_NEAR(fed.xHigh, 32.0 + 0.55 * unitX, 0.01);
    EXPECT_NEAR(fed.yLow, 24.0 - 0.4 * std::sin(M_PI / 3) * unitY, 0.01);
    EXPECT_NEAR(fed.yHigh, 24.0 + 0.4 * std::sin(M_PI / 3) * unitY, 0.01);

    // "Detail " 0 (radius 1/0) and below draw nothing but still leave the state.
    for (double detail : {0.0, -1.0, std::nan("")}) {
        glDisable(GL_TEXTURE_2D);
        glEnable(GL_BLEND);
        kaleido.Set("Detail ", detail);
        EXPECT_EQ(Feedback(kaleido).polygons, 0);
        EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
        EXPECT_FALSE(glIsEnabled(GL_BLEND));
        GLint source = 0;
        glGetIntegerv(GL_BLEND_SRC, &source);
        EXPECT_EQ(source, GL_SRC_ALPHA);
    }
}

TEST(Kaleido01, DrawsTheHoneycombTheFrameAllowanceLeaves)
{
    test::GlScene scene(64, 48);
    Effect kaleido("Kaleido 01");
    kaleido.Set("Scale X", 0.01).Set("Scale Y", 0.01).Set("Detail ", 32.0);
    const int full = 193 * 97; // rows -96..96, columns -48..48
    BeginFrameWork();
    EXPECT_EQ(Feedback(kaleido).polygons, full * 6); // the allowance pays for it
    EXPECT_EQ(FrameWorkSpent(), full);
    SpendFrameWork(FrameWorkLeft() - 100);
    // 100 hexagons left: the largest honeycomb within them, Detail 2 (rows -6..6, columns
    // -3..3), not 7 x 15 = 105 at Detail 7/3.
    EXPECT_EQ(Feedback(kaleido).polygons, 91 * 6);
    EXPECT_EQ(FrameWorkLeft(), 9);
    const int coarse = Feedback(kaleido).polygons / 6;
    EXPECT_GE(coarse, 1);
    EXPECT_LE(coarse, 9);
    SpendFrameWork(FrameWorkLeft());
    EXPECT_EQ(Feedback(kaleido).polygons, 0); // spent: nothing more this frame
    EndFrameWork();
    EXPECT_EQ(Feedback(kaleido).polygons, full * 6); // outside a frame there is no allowance
}

TEST(Kaleido01, TilesTheViewWithThePoolTexture)
{
    for (auto [w, h] : {std::pair{64, 48}, std::pair{800, 600}}) {
        SCOPED_TRACE(testing::Message() << w << "x" << h);
        test::GlScene scene(w, h);
        for (uint8_t alpha : {255, 128}) {
            test::PaintWindow(test::Uniform(w, h, 200, 100, 40, alpha));
            Effect("RenderTarget Copy").Set("Destination", 6).Render();
            test::PaintWindow(test::Uniform(w, h, 0, 0, 250, 255));
            Effect("Kaleido 01")
                .Set("Rendertarget Source", 6)
                .Set("TexturePoint X1", 0.1)
                .Set("TexturePoint Y1", 0.1)
                .Set("TexturePoint X2", 0.4)
                .Set("TexturePoint Y2", 0.1)
                .Set("TexturePoint X3", 0.4)
                .Set("TexturePoint Y3", 0.4)
                .Set("Detail ", 1.0)
                .Set("Scale X", 1.0)
                .Set("Scale Y", 1.0)
                .Render();
            // Alpha-blended: a texel alpha below 1 lets the frame underneath show through.
            const double a = alpha / 255.0;
            const Image expected =
                test::Uniform(w, h, static_cast<uint8_t>(std::lround(200 * a)),
                              static_cast<uint8_t>(std::lround(100 * a)),
                              static_cast<uint8_t>(std::lround(40 * a + 250 * (1 - a))), 255);
            EXPECT_LE(test::MaxViewDifference(test::ReadWindow(), expected), 2);
        }
    }
}

// A "Detail " beyond the cap once held a frame for hours (1e9) or forever (inf); it draws as the
// cap, in a time a test can wait for.
TEST(Kaleido01, DetailBeyondTheCapDrawsAsTheCap)
{
    test::GlScene scene(64, 48);
    auto draw = [](double detail) {
        test::PaintWindow(test::Pattern(64, 48));
        Effect("RenderTarget Copy").Set("Destination", 6).Render();
        test::PaintWindow(test::Uniform(64, 48, 0, 0, 0, 255));
        Effect("Kaleido 01")
            .Set("Rendertarget Source", 6)
            .Set("TexturePoint X2", 0.5)
            .Set("TexturePoint X3", 0.5)
            .Set("TexturePoint Y3", 0.5)
            .Set("Detail ", detail)
            .Set("Scale X", 1.0)
            .Set("Scale Y", 1.0)
            .Render();
        return test::ReadWindow();
    };
    const Image atCap = draw(KaleidoDetailCap);
    EXPECT_NE(test::MaxViewDifference(atCap, draw(KaleidoDetailCap / 2)), 0);
    EXPECT_EQ(test::MaxViewDifference(draw(1e9), atCap), 0);
    EXPECT_EQ(test::MaxViewDifference(draw(HUGE_VAL), atCap), 0);
}

} // namespace
} // namespace quv
