#include <gtest/gtest.h>

#include "engine/_loadsave.h"
#include "engine/playback.h"
#include "tests/support/demobytes.h"
#include "tests/support/glcontext.h"

namespace quv {
namespace {

TEST(OpenGLClear, MinimalDemoRisesFromBlackToRed)
{
    test::GlScene scene(64, 48);
    const test::DemoBytes demo = test::MinimalClearDemo();
    ASSERT_EQ(demo.Size(), 240u);
    LoadDemoBytes(demo.Bytes(), "demodata.quv");

    EvaluateTimeline(0.0);
    test::Rgba p = scene.Pixel(32, 24);
    EXPECT_EQ(p.r, 0);
    EXPECT_EQ(p.g, 0);
    EXPECT_EQ(p.a, 0); // Alpha has no keys: it evaluates to 0, not to its default

    EvaluateTimeline(500.0);
    p = scene.Pixel(32, 24);
    EXPECT_NEAR(p.r, 128, 1);
    EXPECT_EQ(p.b, 0);

    EvaluateTimeline(1000.0);
    EXPECT_EQ(scene.Pixel(32, 24).r, 255);
    EXPECT_EQ(scene.Pixel(0, 0).r, 255);
    FreeTimeline();
}

} // namespace
} // namespace quv
