#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "effects/glview.h"
#include "engine/_loadsave.h"
#include "engine/playback.h"
#include "engine/random.h"
#include "tests/effects/sprites/tgafiles.h"
#include "tests/support/demobytes.h"
#include "tests/support/glcontext.h"

namespace quv {
namespace {

double ClearRed = 0.0;

// The stars with their two fields held.
void LoadStars(double clearRed, double scaleFactor, double alpha)
{
    ClearRed = clearRed;
    test::DemoBytes demo;
    demo.Handle("Csillagkod", 0.0, 1000.0)
        .FirstField()
        .FirstKey(0.0, scaleFactor, 0)
        .NextField()
        .FirstKey(0.0, alpha, 0);
    LoadDemoBytes(demo.Bytes(), "demodata.quv");
}

// A frame: the clear, the camera 20 units away from the cloud's centre, the stars.
void Frame(double t)
{
    ClearScene(ClearRed, 0.0, 0.0, 0.0);
    glTranslatef(0.0f, 0.0f, -20.0f);
    EvaluateTimeline(t);
}

size_t LitPixels(const std::vector<uint8_t>& frame)
{
    size_t lit = 0;
    for (size_t i = 0; i < frame.size(); i += 4)
        lit += (frame[i] | frame[i + 1] | frame[i + 2]) != 0;
    return lit;
}

// Where 2565 draws of the shared generator take it from seed 0.
uint32_t SeedAfterStars()
{
    uint32_t seed = 0;
    for (int i = 0; i < 513 * 5; ++i)
        seed = seed * 134775813u + 1u;
    return seed;
}

TEST(Csillagkod, SamePictureInEveryFrame)
{
    test::ScratchDirectory dir;
    test::WriteFile("gfx/stars1.tga", test::SolidTga(8, 8, 255, 255, 255));
    test::WriteText("gfx/gfxslots", "");
    test::MessageRecorder messages;
    test::GlScene scene(128, 96);
    EXPECT_TRUE(messages.Take().empty());

    LoadStars(0.0, 0.05, 1.0);
    RandSeed = 12345;
    Frame(0.0);
    const std::vector<uint8_t> first = scene.Frame();
    EXPECT_EQ(RandSeed, SeedAfterStars());
    EXPECT_GT(LitPixels(first), 100u);
    EXPECT_LT(LitPixels(first), first.size() / 4);

    RandSeed = 999; // whatever ran before, the cloud is the same
    Frame(500.0);
    EXPECT_EQ(scene.Frame(), first);
    EXPECT_EQ(RandSeed, SeedAfterStars());

    // State left behind; the matrices are as they were (the camera's translation).
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_TRUE(depthWrites);
    GLfloat modelview[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    for (int i = 0; i < 16; ++i)
        EXPECT_FLOAT_EQ(modelview[i], i == 14 ? -20.0f : i % 5 == 0 ? 1.0f : 0.0f);

    // Scale factor 0 collapses the cloud onto the origin: nothing shows.
    LoadStars(0.0, 0.0, 1.0);
    Frame(0.0);
    EXPECT_EQ(LitPixels(scene.Frame()), 0u);

    // Alpha 0 is a black source: (ONE, ONE_MINUS_SRC_COLOR) leaves the picture as it was.
    LoadStars(0.5, 0.0, 0.0);
    Frame(0.0);
    const std::vector<uint8_t> clearOnly = scene.Frame();
    LoadStars(0.5, 0.05, 0.0);
    Frame(0.0);
    EXPECT_EQ(scene.Frame(), clearOnly);

    // Stars brighten what is there.
    LoadStars(0.5, 0.05, 1.0);
    Frame(0.0);
    const std::vector<uint8_t> bright = scene.Frame();
    size_t brighter = 0;
    for (size_t i = 0; i < bright.size(); i += 4) {
        EXPECT_GE(bright[i], clearOnly[i]);
        brighter += bright[i + 1] > clearOnly[i + 1];
    }
    EXPECT_GT(brighter, 100u);
    FreeTimeline();
}

} // namespace
} // namespace quv
