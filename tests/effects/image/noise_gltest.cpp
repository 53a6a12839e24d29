#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "engine/random.h"
#include "engine/ticks.h"
#include "effects/glview.h"
#include "tests/effects/image/imagetest.h"
#include "tests/support/glcontext.h"

namespace quv {
namespace {

using test::Effect;
using test::Image;

uint32_t SeedAfter(uint32_t seed, int draws)
{
    for (int i = 0; i < draws; ++i)
        seed = seed * 134775813u + 1u;
    return seed;
}

class PinnedTicks {
public:
    explicit PinnedTicks(uint32_t ticks) { PinTickCount(ticks); }
    ~PinnedTicks() { ReleaseTickCount(); }
};

Image Noisy(const Image& picture, uint32_t ticks, double scale)
{
    PinnedTicks pin(ticks);
    test::PaintWindow(picture);
    Effect("RGB Noise").Set("Scale X", 16).Set("Scale Y", scale).Render();
    return test::ReadWindow();
}

TEST(RGBNoise, BrightensByAtMostAQuarterAndRepeatsWithinATick)
{
    for (auto [w, h] : {std::pair{64, 48}, std::pair{1280, 1024}}) {
        SCOPED_TRACE(testing::Message() << w << "x" << h);
        test::GlScene scene(w, h);
        const Image picture = test::Pattern(w, h);
        const Image once = Noisy(picture, 1234, 1.0);
        EXPECT_EQ(RandSeed, SeedAfter(1234, 4));
        int gained = 0;
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x)
                for (int c = 0; c < 3; ++c) {
                    const int d = once.At(x, y)[c] - picture.At(x, y)[c];
                    ASSERT_GE(d, 0) << x << "," << y; // never darkens
                    if (test::InView(x, y)) {
                        EXPECT_LE(d, 65);
                        gained = std::max(gained, d);
                    } else {
                        EXPECT_EQ(d, 0); // clipped at the view
                    }
                }
        EXPECT_GT(gained, 30);
        EXPECT_EQ(Noisy(picture, 1234, 1.0).rgba, once.rgba);
        EXPECT_NE(Noisy(picture, 1235, 1.0).rgba, once.rgba);

        // Blending stays on, additive, with the grey colour current.
        EXPECT_TRUE(glIsEnabled(GL_BLEND));
        EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
        GLint factor = 0;
        glGetIntegerv(GL_BLEND_DST, &factor);
        EXPECT_EQ(factor, GL_ONE);
    }
}

TEST(SideNoise01, NoFactorReproducesTheRenderTarget)
{
    for (auto [w, h] : {std::pair{64, 48}, std::pair{800, 600}}) {
        SCOPED_TRACE(testing::Message() << w << "x" << h);
        test::GlScene scene(w, h);
        const Image picture = test::Pattern(w, h);
        test::PaintWindow(picture);
        Effect("RenderTarget Copy").Set("Destination", 4).Render();
        const Image ground = test::Uniform(w, h, 90, 90, 90, 255);
        Effect side("Side Noise 01");
        side.Set("Rendertarget Source", 4).Set("Phase 1", 5.5);

        PinnedTicks pin(777);
        test::PaintWindow(ground);
        side.Render();
        EXPECT_EQ(RandSeed, SeedAfter(777, 258));
        // Blended by the copied alpha over the ground.
        const Image after = test::ReadWindow();
        Image expected = picture;
        expected.Fill([&](int32_t x, int32_t y, uint8_t* p) {
            const double a = picture.At(x, y)[3] / 255.0;
            for (int c = 0; c < 3; ++c)
                p[c] = static_cast<uint8_t>(std::lround(picture.At(x, y)[c] * a + 90 * (1 - a)));
        });
        EXPECT_LE(test::MaxViewDifference(after, expected), 2);

        // A full factor jitters the rows, the same way for the same tick.
        test::PaintWindow(ground);
        side.Set("Factor 1", 32.0).Render();
        EXPECT_DOUBLE_EQ(*side.Target("Factor 1"), 1.0); // divided in place
        const Image jittered = test::ReadWindow();
        EXPECT_GT(test::MaxViewDifference(jittered, expected), 10);
        test::PaintWindow(ground);
        side.Render();
        EXPECT_EQ(test::ReadWindow().rgba, jittered.rgba);
        EXPECT_FALSE(glIsEnabled(GL_BLEND));
    }
}

TEST(RGBHorizontalOffset01, SplitsTheChannelsOfTheRenderTarget)
{
    for (auto [w, h] : {std::pair{64, 48}, std::pair{1280, 1024}}) {
        SCOPED_TRACE(testing::Message() << w << "x" << h);
        test::GlScene scene(w, h);
        const Image picture = test::Pattern(w, h);
        test::PaintWindow(picture);
        Effect("RenderTarget Copy").Set("Destination", 1).Render();
        Effect offset("RGB Horizontal Offset 01");
        offset.Set("Rendertarget Source", 1).Set("Factor 1", 30);

        PinnedTicks pin(4242);
        glClearColor(0, 0, 0, 0);
        test::PaintWindow(test::Uniform(w, h, 250, 10, 250, 255));
        offset.Render();
        EXPECT_EQ(RandSeed, 4242u);
        const Image same = test::ReadWindow();
        EXPECT_LE(test::MaxViewDifference(same, picture), 1);
        EXPECT_EQ(same.At(0, 0)[0], 0); // the whole window was cleared first

        // Factor 32 moves red left and blue right by su / 8 of the view width.
        offset.Set("Factor", 32).Render();
        const Image split = test::ReadWindow();
        const tDemoParameters& p = DemoParameters;
        const int shift = static_cast<int>(
            std::lround(static_cast<double>(p.ViewWidth) / p.TextureWidth / 8.0 * p.ViewWidth));
        int worst = 0;
        for (int32_t y = p.ViewportY + 1; y < p.ViewportY + p.ViewHeight - 1; y += 7)
            for (int32_t x = p.ViewportX + shift + 1; x < p.ViewportX + p.ViewWidth - shift - 1;
                 ++x) {
                worst = std::max(worst, std::abs(split.At(x, y)[0] - picture.At(x + shift, y)[0]));
                worst = std::max(worst, std::abs(split.At(x, y)[1] - picture.At(x, y)[1]));
                worst = std::max(worst, std::abs(split.At(x, y)[2] - picture.At(x - shift, y)[2]));
            }
        EXPECT_LE(worst, 2);
        // The strip at the left edge misses the blue copy.
        EXPECT_EQ(split.At(p.ViewportX + 1, p.ViewportY + 5)[2], 0);
    }
}

TEST(ImageEffects, ZeroSizedViewDrawsNothingAndDoesNotFault)
{
    test::GlScene scene(64, 48);
    ResizeGlScene(0, 0); // a minimised window
    ASSERT_EQ(DemoParameters.ViewWidth, 0);
    PinnedTicks pin(5);
    for (const char* type :
         {"RenderTarget Copy", "RenderTarget Show", "RenderTarget Show with Blend", "Blur",
          "Blur 01", "Blur Horizontal", "Blur Vertical", "Wash Vertical", "Kaleido 01",
          "Color Fade", "RGB Noise", "Side Noise 01", "RGB Horizontal Offset 01"}) {
        SCOPED_TRACE(type);
        Effect effect(type);
        for (FieldNode* node = effect.Fields(); node != nullptr; node = node->next)
            effect.Set(FieldName(*node->field), 16.0);
        effect.Render();
        GLfloat m[16];
        glGetFloatv(GL_PROJECTION_MATRIX, m);
        for (GLfloat v : m)
            EXPECT_TRUE(std::isfinite(v));
    }
}

} // namespace
} // namespace quv
