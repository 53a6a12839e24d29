// The frame's work allowance across instances: a Timeline of many capped instances draws one
// frame within it, and a frame a watchable demo draws never meets it.

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <string>

#include "engine/_loadsave.h"
#include "engine/fieldcaps.h"
#include "engine/framebudget.h"
#include "engine/playback.h"
#include "tests/support/demobytes.h"
#include "tests/support/glcontext.h"

namespace quv {
namespace {

// An instance over 0..1000 ms whose field number `field` holds one key of `value`.
void AddInstance(test::DemoBytes& demo, const std::string& type, int field, double value)
{
    demo.Handle(type, 0.0, 1000.0, type).FirstField();
    for (int i = 0; i < field; ++i)
        demo.NextField();
    demo.FirstKey(0.0, value);
}

constexpr int KaleidoDetail = 7;                  // the field number of "Detail "
constexpr int64_t KaleidoCapHexagons = 769 * 385; // rows -384..384, columns -192..192

TEST(FrameWork, ManyCappedInstancesShareOneAllowance)
{
    test::GlScene scene(640, 480);
    test::DemoBytes demo;
    for (int i = 0; i < 18; ++i)
        AddInstance(demo, "Kaleido 01", KaleidoDetail, 1e9);
    LoadDemoBytes(demo.Bytes(), "kaleidos.quv");
    EvaluateTimeline(0.0);
    glFinish();
    // The first two draw at the cap; the third gets the coarse honeycomb that the remaining
    // 7,870 hexagons pay for, the fifteen after it nothing.
    EXPECT_GE(FrameWorkSpent(), 2 * KaleidoCapHexagons);
    EXPECT_LE(FrameWorkSpent(), FrameWorkAllowance);
    EXPECT_GT(FrameWorkSpent(), FrameWorkAllowance - 300); // the next row would not fit
    EXPECT_GT(FrameWorkLeft(), FrameWorkAllowance);        // the frame is over
    // A blur before them takes its 128 passes first; the Kaleidos share what the passes left,
    // and the blur after them gets none.
    test::DemoBytes blurFirst;
    AddInstance(blurFirst, "Blur", 0, BlurFactorCap);
    AddInstance(blurFirst, "Kaleido 01", KaleidoDetail, 1e9);
    AddInstance(blurFirst, "Kaleido 01", KaleidoDetail, 1e9);
    AddInstance(blurFirst, "Blur 01", 0, BlurFactorCap);
    LoadDemoBytes(blurFirst.Bytes(), "blurs.quv");
    EvaluateTimeline(0.0);
    glFinish();
    EXPECT_LE(FrameWorkSpent(), FrameWorkAllowance);
    EXPECT_GT(FrameWorkSpent(), FrameWorkAllowance - 1000);
    FreeTimeline();
}

TEST(FrameWork, MengerStructuresAndTreesDrawWhatTheAllowanceLeaves)
{
    // Four Menger structures at the level cap: two fit whole (289,262 cubes each), the third
    // and the fourth draw the level the remaining 21,476 units pay for (4: 8,030 cubes each);
    // the trees of a star after them share the last 5,416 at depths 7 to 4.
    test::GlScene scene(320, 240);
    test::DemoBytes demo;
    for (int i = 0; i < 4; ++i)
        AddInstance(demo, "MengerF\xE9tis 01", 0, 1e9);
    AddInstance(demo, "Fa6", 0, 1e9);
    LoadDemoBytes(demo.Bytes(), "structures.quv");
    EvaluateTimeline(0.0);
    glFinish();
    EXPECT_LE(FrameWorkSpent(), FrameWorkAllowance);
    EXPECT_EQ(FrameWorkSpent(), 2 * MengerWork(6) + 2 * MengerWork(4) + TreeWork(7) + TreeWork(6) +
                                    2 * TreeWork(5) + 2 * TreeWork(4));
    FreeTimeline();

    // A tree star at the depth cap alone: the first two trees draw at depth 11, the next ones at
    // the depths their leftovers pay for (9, 9, 7, 7); the frame never goes over.
    test::DemoBytes star;
    AddInstance(star, "Fa6", 0, 12.0);
    LoadDemoBytes(star.Bytes(), "star.quv");
    EvaluateTimeline(0.0);
    glFinish();
    EXPECT_LE(FrameWorkSpent(), FrameWorkAllowance);
    EXPECT_EQ(FrameWorkSpent(), 2 * TreeWork(11) + 2 * TreeWork(9) + 2 * TreeWork(7));
    FreeTimeline();
}

TEST(FrameWork, RingsDrawTheCubesTheAllowanceLeaves)
{
    // Two capped honeycombs leave 7,870 units: the first ring after them draws the 31,480 cubes
    // they pay for, the others none, frame after frame.
    test::GlScene scene(320, 240);
    test::DemoBytes demo;
    AddInstance(demo, "Kaleido 01", KaleidoDetail, 1e9);
    AddInstance(demo, "Kaleido 01", KaleidoDetail, 1e9);
    for (int i = 0; i < 4; ++i)
        AddInstance(demo, i % 2 ? "Kocka Karika" : "Kocka Karika Cso", 0, 1e9);
    LoadDemoBytes(demo.Bytes(), "rings.quv");
    for (int frame = 0; frame < 2; ++frame) {
        EvaluateTimeline(0.0);
        glFinish();
        EXPECT_EQ(FrameWorkSpent(), FrameWorkAllowance);
    }
    FreeTimeline();
}

TEST(FrameWork, AWatchableFrameDrawsInFull)
{
    // Two honeycombs at the field's upper bound and two strong blurs in one frame: more than a
    // demo shows at once (the showcase's blurs stay under 20), and all of it drawn as asked.
    test::GlScene scene(640, 480);
    test::DemoBytes demo;
    AddInstance(demo, "Kaleido 01", KaleidoDetail, 32.0);
    for (const char* blur : {"Blur 01", "Wash Vertical"})
        AddInstance(demo, blur, 0, 2000.0);
    AddInstance(demo, "Kaleido 01", KaleidoDetail, 32.0);
    LoadDemoBytes(demo.Bytes(), "watchable.quv");
    EvaluateTimeline(0.0);
    glFinish();
    const int64_t passes = static_cast<int64_t>(std::sqrt(2000.0)); // 44 at 640 wide
    EXPECT_EQ(FrameWorkSpent(), 2 * 193 * 97 + 2 * passes * BlurPassWork);
    FreeTimeline();
}

} // namespace
} // namespace quv
