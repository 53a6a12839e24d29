#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "engine/drawpath.h"
#include "engine/fieldcaps.h"
#include "tests/effects/image/imagetest.h"
#include "tests/support/glcontext.h"

namespace quv {
namespace {

using test::Effect;
using test::Image;

constexpr const char* BlurTypes[] = {"Blur", "Blur 01", "Blur Horizontal", "Blur Vertical",
                                     "Wash Vertical"};

// At a view width of 64, F = sqrt(Factor / 10): this is the field value that gives F.
double FactorFor(double f)
{
    return f * f * 640.0 / DemoParameters.ViewWidth;
}

Image Blurred(const char* type, const Image& picture, double factor)
{
    test::PaintWindow(picture);
    Effect(type).Set("Factor", factor).Render();
    return test::ReadWindow();
}

TEST(BlurFamily, CrossFadeIsContinuousInFactor)
{
    test::GlScene scene(64, 48);
    const Image picture = test::Pattern(64, 48);
    for (const char* type : BlurTypes) {
        SCOPED_TRACE(type);
        // Factor 0 is the unblurred view.
        EXPECT_LE(test::MaxViewDifference(Blurred(type, picture, 0.0), picture), 1);
        for (double k : {1.0, 2.0, 3.0}) {
            const Image below = Blurred(type, picture, FactorFor(k - 1e-4));
            const Image at = Blurred(type, picture, FactorFor(k));
            EXPECT_LE(test::MaxViewDifference(below, at), 2) << "F " << k;
            // Half-way to the next whole F lies between the two.
            EXPECT_GT(test::MaxViewDifference(Blurred(type, picture, FactorFor(k + 0.5)), at), 2);
        }
        EXPECT_GT(test::MaxViewDifference(Blurred(type, picture, FactorFor(3.0)), picture), 20);
    }
}

TEST(BlurFamily, FactorBecomesFAndNegativeDrawsAsZero)
{
    test::GlScene scene(64, 48);
    const Image picture = test::Pattern(64, 48);
    for (const char* type : BlurTypes) {
        SCOPED_TRACE(type);
        Effect blur(type);
        test::PaintWindow(picture);
        blur.Set("Factor", 40.0).Render();
        EXPECT_DOUBLE_EQ(*blur.Target("Factor"), 2.0);

        for (double bad : {-5.0, -HUGE_VAL, std::nan("")}) {
            test::PaintWindow(picture);
            blur.Set("Factor", bad).Render();
            EXPECT_EQ(*blur.Target("Factor"), 0.0);
            EXPECT_LE(test::MaxViewDifference(test::ReadWindow(), picture), 1);
        }
    }
}

// A "Factor" beyond the cap once ran passes for hours (1e300) or forever (inf); it draws as the
// cap, and F is the cap's.
TEST(BlurFamily, FactorBeyondTheCapDrawsAsTheCap)
{
    test::GlScene scene(64, 48);
    const Image picture = test::Pattern(64, 48);
    for (const char* type : BlurTypes) {
        SCOPED_TRACE(type);
        const Image atCap = Blurred(type, picture, BlurFactorCap);
        for (double huge : {1e300, HUGE_VAL}) {
            Effect blur(type);
            test::PaintWindow(picture);
            blur.Set("Factor", huge).Render();
            EXPECT_EQ(test::MaxViewDifference(test::ReadWindow(), atCap), 0);
            EXPECT_DOUBLE_EQ(*blur.Target("Factor"), std::sqrt(BlurFactorCap / 10.0));
        }
    }
}

TEST(BlurFamily, LeavesItsState)
{
    test::GlScene scene(64, 48);
    test::PaintWindow(test::Pattern(64, 48));
    glEnable(GL_DEPTH_TEST);
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    Effect("Blur 01").Set("Factor", FactorFor(0.5)).Render(); // no pass
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_NEAR(colour[0], 0.5f, 1e-5);
    glGetFloatv(GL_COLOR_CLEAR_VALUE, colour);
    EXPECT_EQ(colour[0], 0.0f);
    GLint factor = 0;
    glGetIntegerv(GL_BLEND_SRC, &factor);
    EXPECT_EQ(factor, GL_ONE);
    glGetIntegerv(GL_BLEND_DST, &factor);
    EXPECT_EQ(factor, GL_ONE);

    Effect("Blur 01").Set("Factor", FactorFor(1.25)).Render(); // one pass
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_NEAR(colour[3], 0.25f, 1e-5);
}

// Rows and columns holding any lit pixel.
struct Footprint {
    int rowLow = 1 << 30, rowHigh = -1, columnLow = 1 << 30, columnHigh = -1;
};

Footprint Lit(const Image& image)
{
    Footprint f;
    for (int32_t y = 0; y < image.height; ++y)
        for (int32_t x = 0; x < image.width; ++x)
            if (image.At(x, y)[0] > 0) {
                f.rowLow = std::min(f.rowLow, y);
                f.rowHigh = std::max(f.rowHigh, y);
                f.columnLow = std::min(f.columnLow, x);
                f.columnHigh = std::max(f.columnHigh, x);
            }
    return f;
}

TEST(BlurFamily, OneDimensionalBlursSpreadOnlyAlongTheirAxis)
{
    test::GlScene scene(64, 48);
    // A white 2 x 2 block on black: one half-size pixel.
    Image spot = test::Uniform(64, 48, 0, 0, 0, 255);
    for (int32_t y : {24, 25})
        for (int32_t x : {32, 33})
            std::fill(spot.At(x, y), spot.At(x, y) + 4, 255);

    // F = 1 shows the half-size copy magnified: the reach of magnification alone.
    const Footprint base = Lit(Blurred("Blur Horizontal", spot, FactorFor(1.0)));
    ASSERT_GE(base.rowHigh, 0);

    const Footprint horizontal = Lit(Blurred("Blur Horizontal", spot, FactorFor(3.5)));
    EXPECT_EQ(horizontal.rowLow, base.rowLow);
    EXPECT_EQ(horizontal.rowHigh, base.rowHigh);
    EXPECT_LT(horizontal.columnLow, base.columnLow - 4);
    EXPECT_GT(horizontal.columnHigh, base.columnHigh + 4);

    for (const char* type : {"Wash Vertical", "Blur Vertical"}) {
        SCOPED_TRACE(type);
        const Footprint vertical = Lit(Blurred(type, spot, FactorFor(3.5)));
        EXPECT_EQ(vertical.columnLow, base.columnLow);
        EXPECT_EQ(vertical.columnHigh, base.columnHigh);
        EXPECT_LT(vertical.rowLow, base.rowLow - 4);
        EXPECT_GT(vertical.rowHigh, base.rowHigh + 4);
    }

    // F = 2 shows exactly one pass. Half rows 11, 12, 13 then hold the three taps; full row 22
    // samples 3/4 of half row 11 and row 24 3/4 of row 12 and 1/4 of row 11. Equal weights
    // (Wash Vertical) give 3/4 between them, 1/4 1/2 1/4 (Blur Vertical) 3/7.
    const Image wash = Blurred("Wash Vertical", spot, FactorFor(2.0));
    EXPECT_NEAR(wash.At(33, 22)[0], 0.75 * wash.At(33, 24)[0], 2.0);
    EXPECT_NEAR(wash.At(33, 27)[0], 0.75 * wash.At(33, 24)[0], 2.0);
    const Image vertical = Blurred("Blur Vertical", spot, FactorFor(2.0));
    EXPECT_NEAR(vertical.At(33, 22)[0], 3.0 / 7.0 * vertical.At(33, 24)[0], 2.0);
}

TEST(BlurFamily, LetterboxedViewKeepsItsPlaceAndClearsTheBars)
{
    test::GlScene scene(1280, 1024); // view 1280 x 960 at y 32, textures 2048 x 1024
    Image picture = test::Pattern(1280, 1024);
    const Image same = Blurred("Blur 01", picture, 0.0);
    EXPECT_LE(test::MaxViewDifference(same, picture), 1);
    EXPECT_EQ(same.At(10, 10)[1], 0);    // bar below the view
    EXPECT_EQ(same.At(600, 1010)[0], 0); // bar above it
    // F = 1 is the half-size copy magnified: a smooth picture stays close to itself, except at
    // the view's edge, where linear filtering blends in the texel beyond the copied half view.
    Image smooth = test::Uniform(1280, 1024, 0, 0, 0, 255);
    smooth.Fill([](int32_t x, int32_t y, uint8_t* p) {
        p[0] = static_cast<uint8_t>(x / 5);
        p[1] = static_cast<uint8_t>(y / 4);
    });
    const Image half = Blurred("Blur", smooth, FactorFor(1.0));
    EXPECT_LE(test::MaxViewDifference(half, smooth, 1), 2);
    EXPECT_GT(test::MaxViewDifference(half, smooth), 30);
}

TEST(RGBNoise, ScaleFieldsWriteTheBlurFactor)
{
    test::GlScene scene(64, 48);
    Effect noise("RGB Noise");
    Effect blur("Blur");
    EXPECT_EQ(noise.Target("Scale X"), blur.Target("Factor"));
    EXPECT_EQ(noise.Target("Scale Y"), blur.Target("Factor"));
    EXPECT_NE(noise.Target("Alpha"), blur.Target("Factor"));
    int count = 0;
    for (FieldNode* node = noise.Fields(); node != nullptr; node = node->next)
        ++count;
    EXPECT_EQ(count, 9);
}

struct BlurState {
    GLint scissor[4], texture, blendSource, blendDestination;
    GLboolean blend, depth, scissorTest;
    GLfloat colour[4];

    static BlurState Read()
    {
        BlurState s{};
        glGetIntegerv(GL_SCISSOR_BOX, s.scissor);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &s.texture);
        glGetIntegerv(GL_BLEND_SRC, &s.blendSource);
        glGetIntegerv(GL_BLEND_DST, &s.blendDestination);
        s.blend = glIsEnabled(GL_BLEND);
        s.depth = glIsEnabled(GL_DEPTH_TEST);
        s.scissorTest = glIsEnabled(GL_SCISSOR_TEST);
        glGetFloatv(GL_CURRENT_COLOR, s.colour);
        return s;
    }
    bool operator==(const BlurState&) const = default;
};

TEST(BlurFamily, DefaultPathDrawsTheLiteralPixels)
{
    for (auto [w, h] :
         {std::pair{64, 48}, std::pair{50, 40}, std::pair{1280, 1024}, std::pair{1920, 1080}}) {
        SCOPED_TRACE(testing::Message() << w << "x" << h);
        test::GlScene scene(w, h);
        const Image picture = test::Pattern(w, h);
        auto run = [&](const char* type, double factor, bool literal) {
            LiteralDrawing = literal;
            test::PaintWindow(picture);
            glEnable(GL_DEPTH_TEST);
            glClearColor(0.3f, 0.2f, 0.1f, 1.0f);
            Effect(type).Set("Factor", factor).Render();
            LiteralDrawing = false;
            return std::pair{test::ReadWindow(), BlurState::Read()};
        };
        // Small views: many whole and fractional F; large ones: one of each, with passes.
        const bool large = w > 100;
        for (const char* type : BlurTypes) {
            for (double f : {0.0, 0.5, 1.0, 1.5, 2.0, 3.0, 3.25}) {
                if (large && f != 2.0 && f != 1.5)
                    continue;
                SCOPED_TRACE(testing::Message() << type << " F " << f);
                const auto literal = run(type, FactorFor(f), true);
                const auto fast = run(type, FactorFor(f), false);
                EXPECT_TRUE(literal.first.rgba == fast.first.rgba);
                EXPECT_TRUE(literal.second == fast.second);
            }
        }
    }
}

} // namespace
} // namespace quv
