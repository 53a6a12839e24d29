#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "effects/image/OpenGLIndexedBlendingTypeHelper.h"
#include "effects/image/_rendertargets.h"
#include "tests/effects/image/imagetest.h"
#include "tests/support/glcontext.h"

namespace quv {
namespace {

using test::Effect;
using test::Image;

TEST(RenderTargets, PoolIsMadeOnceAndIndexedByTruncation)
{
    test::GlScene scene(64, 48);
    std::set<uint32_t> names(std::begin(RenderTargets), std::end(RenderTargets));
    EXPECT_EQ(names.size(), 8u);
    EXPECT_EQ(names.count(0u), 0u);
    for (uint32_t name : RenderTargets) {
        EXPECT_TRUE(glIsTexture(name));
        glBindTexture(GL_TEXTURE_2D, name);
        GLint filter = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
        EXPECT_EQ(filter, GL_LINEAR);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &filter);
        EXPECT_EQ(filter, GL_LINEAR);
    }

    EXPECT_EQ(RenderTargetName(7.9), RenderTargets[7]);
    EXPECT_EQ(RenderTargetName(-0.5), RenderTargets[0]);
    EXPECT_EQ(RenderTargetName(3.0), RenderTargets[3]);
    // Names no entry: 8 (the declared upper bound), negatives and absurd values.
    EXPECT_EQ(RenderTargetName(8.0), 0u);
    EXPECT_EQ(RenderTargetName(8.5), 0u);
    EXPECT_EQ(RenderTargetName(-1.0), 0u);
    EXPECT_EQ(RenderTargetName(1e300), 0u);
    EXPECT_EQ(RenderTargetName(-INFINITY), 0u);
    EXPECT_EQ(RenderTargetName(NAN), RenderTargets[0]);
}

// The one-time set-ups run in registration order and each module makes its textures in turn,
// so the texture names each effect leaves bound rise in that order.
TEST(RenderTargets, OneTimeSetUpsRunInTheirPlace)
{
    test::GlScene scene(64, 48);
    auto boundAfter = [](const char* type) {
        Effect(type).Render(); // Factor 0: a blur leaves its BlurTexture[0] bound
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        return static_cast<uint32_t>(bound);
    };
    const uint32_t blur = boundAfter("Blur");
    const uint32_t noise = boundAfter("RGB Noise");
    const uint32_t wash = boundAfter("Wash Vertical");
    const uint32_t vertical = boundAfter("Blur Vertical");
    const uint32_t horizontal = boundAfter("Blur Horizontal");
    const uint32_t blur01 = boundAfter("Blur 01");
    EXPECT_LT(RenderTargets[7], blur);
    EXPECT_LT(blur, noise);
    EXPECT_LT(noise, wash);
    EXPECT_LT(wash, vertical);
    EXPECT_LT(vertical, horizontal);
    EXPECT_LT(horizontal, blur01);
    for (int k = 1; k < 8; ++k)
        EXPECT_LT(RenderTargets[k - 1], RenderTargets[k]);
}

TEST(BlendFactorTables, MapIndicesToTheFactorsGlAccepts)
{
    const uint32_t source[9] = {GL_ZERO,
                                GL_ONE,
                                GL_DST_COLOR,
                                GL_ONE_MINUS_DST_COLOR,
                                GL_SRC_ALPHA,
                                GL_ONE_MINUS_SRC_ALPHA,
                                GL_DST_ALPHA,
                                GL_ONE_MINUS_DST_ALPHA,
                                GL_SRC_ALPHA_SATURATE};
    const uint32_t destination[8] = {GL_ZERO,      GL_ONE,
                                     GL_SRC_COLOR, GL_ONE_MINUS_SRC_COLOR,
                                     GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA,
                                     GL_DST_ALPHA, GL_ONE_MINUS_DST_ALPHA};
    for (int32_t i = 0; i < 9; ++i)
        EXPECT_EQ(SourceBlendFactor(i), source[i]) << i;
    for (int32_t i = 0; i < 8; ++i)
        EXPECT_EQ(DestinationBlendFactor(i), destination[i]) << i;
    EXPECT_EQ(DestinationBlendFactor(8), static_cast<uint32_t>(GL_ONE));
    for (int32_t i : {9, -1, INT32_MIN, INT32_MAX}) {
        EXPECT_EQ(SourceBlendFactor(i), static_cast<uint32_t>(GL_ONE)) << i;
        EXPECT_EQ(DestinationBlendFactor(i), static_cast<uint32_t>(GL_ONE)) << i;
    }
}

// Paints the pattern, copies it into pool entry 3, then shows entry 3 with the given fields.
Image CopyThenShow(const char* show, double alpha, double clear, double blendSource = 0,
                   double blendDestination = 0)
{
    const tDemoParameters& p = DemoParameters;
    test::PaintWindow(test::Pattern(p.ScreenWidth, p.ScreenHeight));
    Effect("RenderTarget Copy").Set("Destination", 3.7).Render();
    Effect shower(show);
    shower.Set("Source", 3.2).Set("Alpha", alpha).Set("Clear", clear);
    shower.Set("BlendMode Source", blendSource).Set("BlendMode Destination", blendDestination);
    shower.Render();
    return test::ReadWindow();
}

// Every view pixel is min(255, 2p); outside the view the window keeps the painted picture.
void ExpectDoubled(const Image& before, const Image& after)
{
    int worst = 0;
    for (int32_t y = 0; y < after.height; ++y)
        for (int32_t x = 0; x < after.width; ++x)
            for (int c = 0; c < 3; ++c) {
                const int p = before.At(x, y)[c];
                const int expected = test::InView(x, y) ? std::min(255, 2 * p) : p;
                worst = std::max(worst, std::abs(after.At(x, y)[c] - expected));
            }
    EXPECT_LE(worst, 1);
}

TEST(RenderTargetShow, CopyThenShowDoublesTheView)
{
    for (auto [w, h] : {std::pair{64, 48}, std::pair{800, 600}, std::pair{1280, 1024}}) {
        SCOPED_TRACE(testing::Message() << w << "x" << h);
        test::GlScene scene(w, h);
        const Image before = test::Pattern(w, h);
        ExpectDoubled(before, CopyThenShow("RenderTarget Show", 1.0, 0.99));

        // The copy left the pool entry with the texture size and texturing off; Show leaves
        // blending off and its colour current.
        GLint width = 0;
        glBindTexture(GL_TEXTURE_2D, RenderTargets[3]);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        EXPECT_EQ(width, DemoParameters.TextureWidth);
        EXPECT_FALSE(glIsEnabled(GL_BLEND));
        EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));

        // "Clear" 1.0 clears the whole window first: the view shows the copy once and the bars
        // around a letterboxed view turn black.
        const Image cleared = CopyThenShow("RenderTarget Show", 1.0, 1.0);
        int worst = 0;
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x)
                for (int c = 0; c < 3; ++c) {
                    const int expected = test::InView(x, y) ? before.At(x, y)[c] : 0;
                    worst = std::max(worst, std::abs(cleared.At(x, y)[c] - expected));
                }
        EXPECT_LE(worst, 1);
    }
}

TEST(RenderTargetShow, AlphaScalesAndClearNeedsOne)
{
    test::GlScene scene(64, 48);
    const Image before = test::Pattern(64, 48);
    const Image half = CopyThenShow("RenderTarget Show", 0.5, 0.0);
    EXPECT_NEAR(half.At(40, 30)[0], std::min(255.0, before.At(40, 30)[0] * 1.5), 1.5);
    EXPECT_NEAR(half.At(10, 5)[1], before.At(10, 5)[1] * 1.5, 1.5);

    const Image larger = CopyThenShow("RenderTarget Show", 1.0, 7.0);
    EXPECT_EQ(test::MaxViewDifference(larger, before), 0);
    GLfloat clearColour[4] = {1, 1, 1, 1};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColour);
    EXPECT_EQ(clearColour[0], 0.0f);
    EXPECT_EQ(clearColour[3], 0.0f);
}

TEST(RenderTargetShowBlend, BlendsBySourceAlpha)
{
    test::GlScene scene(64, 48);
    const Image pattern = test::Pattern(64, 48);
    // Copy the pattern, then paint a flat picture under it and blend the copy over it.
    for (double alpha : {1.0, 0.5}) {
        test::PaintWindow(pattern);
        Effect("RenderTarget Copy").Set("Destination", 5).Render();
        const Image ground = test::Uniform(64, 48, 20, 200, 90, 255);
        test::PaintWindow(ground);
        Effect("RenderTarget Show with Blend")
            .Set("Source", 5)
            .Set("Alpha", alpha)
            .Set("BlendMode Source", 4.5)
            .Set("BlendMode Destination", 5.9)
            .Render();
        const Image after = test::ReadWindow();
        int worst = 0;
        for (int32_t y = 0; y < 48; ++y)
            for (int32_t x = 0; x < 64; ++x) {
                const double sa = pattern.At(x, y)[3] / 255.0 * alpha;
                for (int c = 0; c < 3; ++c) {
                    const double src = pattern.At(x, y)[c] * alpha;
                    const double expected = src * sa + ground.At(x, y)[c] * (1.0 - sa);
                    worst = std::max(worst, static_cast<int>(std::lround(
                                                std::abs(after.At(x, y)[c] - expected))));
                }
            }
        EXPECT_LE(worst, 2) << "Alpha " << alpha;
    }

    // Both blend fields 1: the same as the plain show.
    const Image before = test::Pattern(64, 48);
    ExpectDoubled(before, CopyThenShow("RenderTarget Show with Blend", 1.0, 0.0, 1.0, 1.0));
    // Indices outside the tables give GL_ONE, so 9 and -1 add as well.
    ExpectDoubled(before, CopyThenShow("RenderTarget Show with Blend", 1.0, 0.0, 9.0, -1.0));
}

TEST(RenderTargetCopy, LeavesStateAndIgnoresIndicesOutsideThePool)
{
    test::GlScene scene(64, 48);
    test::PaintWindow(test::Pattern(64, 48));
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glTranslatef(0.25f, 0.0f, 0.0f);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0.0f, 0.5f, 0.0f);
    glEnable(GL_TEXTURE_2D);
    Effect("RenderTarget Copy").Set("Destination", 2).Render();
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    GLfloat m[16];
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    EXPECT_EQ(m[12], 0.25f);
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_EQ(m[13], 0.5f);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<uint32_t>(bound), RenderTargets[2]);

    // 8 and -1 name no entry: texture 0 is bound, nothing receives an image.
    for (double index : {8.0, 8.9, -1.0, 1e12}) {
        Effect("RenderTarget Copy").Set("Destination", index).Render();
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(bound, 0);
        GLint width = -1;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        EXPECT_EQ(width, 0);
    }
    for (int k = 0; k < 8; ++k) {
        GLint width = -1;
        glBindTexture(GL_TEXTURE_2D, RenderTargets[k]);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        EXPECT_EQ(width, k == 2 ? 64 : 0) << k;
    }

    // A show from an entry outside the pool draws the quad untextured in its colour.
    test::PaintWindow(test::Uniform(64, 48, 10, 20, 30, 255));
    Effect("RenderTarget Show").Set("Source", 8).Set("Alpha", 0.5).Render();
    const test::Rgba p = scene.Pixel(32, 24);
    EXPECT_NEAR(p.r, 10 + 128, 1);
    EXPECT_NEAR(p.b, 30 + 128, 1);
}

} // namespace
} // namespace quv
