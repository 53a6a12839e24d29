#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>

#include "tests/effects/image/imagetest.h"
#include "tests/support/glcontext.h"

namespace quv {
namespace {

using test::Effect;
using test::Image;

TEST(ColorFade, FollowsTheFadeFormula)
{
    test::GlScene scene(64, 48);
    const Image picture = test::Pattern(64, 48);
    struct Case {
        double f, r, g, b, a;
    };
    // Unchanged at 0; halved towards black; white at 1; p / 2 + 1/4 towards white at 0.5; and
    // two uneven mixes.
    for (const Case c :
         {Case{0, 1, 1, 1, 1}, Case{0.5, 0, 0, 0, 1}, Case{1, 1, 1, 1, 1}, Case{0.5, 1, 1, 1, 1},
          Case{0.7, 0.4, 0.9, 0.1, 0.6}, Case{0.25, 1, 0.5, 0, 0.8}}) {
        SCOPED_TRACE(testing::Message() << "f " << c.f << " a " << c.a);
        test::PaintWindow(picture);
        glEnable(GL_TEXTURE_2D);
        Effect("Color Fade")
            .Set("Factor", c.f)
            .Set("Red", c.r)
            .Set("Green", c.g)
            .Set("Blue", c.b)
            .Set("Alpha", c.a)
            .Render();
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
        EXPECT_FALSE(glIsEnabled(GL_BLEND));
        const Image after = test::ReadWindow();
        const double colour[3] = {c.r, c.g, c.b};
        double worst = 0;
        for (int32_t y = 0; y < 48; ++y)
            for (int32_t x = 0; x < 64; ++x)
                for (int k = 0; k < 3; ++k) {
                    const double p = picture.At(x, y)[k] / 255.0;
                    const double expected = p * (1 - c.a * c.f) + colour[k] * c.a * c.f * c.f;
                    worst = std::max(worst, std::abs(after.At(x, y)[k] / 255.0 - expected));
                }
        EXPECT_LE(worst * 255.0, 1.5);
    }
}

} // namespace
} // namespace quv
