#include <gtest/gtest.h>

#include "engine/_DemoParameters.h"
#include "effects/glview.h"

namespace quv {
namespace {

TEST(ResizeGlScene, FitsA43ViewAndPowerOfTwoTextures)
{
    struct Case {
        int w, h, viewW, viewH, x, y, texW, texH;
    };
    const Case cases[] = {
        {1280, 1024, 1280, 960, 0, 32, 2048, 1024},
        {1920, 1080, 1440, 1080, 240, 0, 2048, 2048},
        {1024, 768, 1024, 768, 0, 0, 1024, 1024},
        {800, 600, 800, 600, 0, 0, 1024, 1024},
        {640, 480, 640, 480, 0, 0, 1024, 512},
        {0, 0, 0, 0, 0, 0, 1, 1}, // a minimised window
        {1, 1, 1, 1, 0, 0, 1, 1},
        {100, 0, 0, 0, 50, 0, 1, 1},
        {0, 100, 0, 0, 0, 50, 1, 1},
    };
    DemoParameters.Aspect = 4.0 / 3.0;
    for (const Case& c : cases) {
        ResizeGlScene(c.w, c.h);
        const tDemoParameters& p = DemoParameters;
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
        EXPECT_EQ(p.ScreenWidth, c.w);
        EXPECT_EQ(p.ScreenHeight, c.h);
        EXPECT_EQ(p.ViewWidth, c.viewW);
        EXPECT_EQ(p.ViewHeight, c.viewH);
        EXPECT_EQ(p.ViewportX, c.x);
        EXPECT_EQ(p.ViewportY, c.y);
        EXPECT_EQ(p.ViewportWidth, c.viewW);
        EXPECT_EQ(p.ViewportHeight, c.viewH);
        EXPECT_EQ(p.TextureWidth, c.texW);
        EXPECT_EQ(p.TextureHeight, c.texH);
    }
}

} // namespace
} // namespace quv
