// The frame's work allowance across instances: a Timeline of many capped instances draws one
// frame within it, and a frame a watchable demo draws never meets it.

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <map>
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
    // and the fourth draw the level the remaining 20,576 units pay for (4: 8,030 cubes each);
    // the trees of a star after them share the last 3,916 at depths 7 to 2. Each instance also
    // pays its own Render first.
    test::GlScene scene(320, 240);
    test::DemoBytes demo;
    for (int i = 0; i < 4; ++i)
        AddInstance(demo, "MengerF\xE9tis 01", 0, 1e9);
    AddInstance(demo, "Fa6", 0, 1e9);
    LoadDemoBytes(demo.Bytes(), "structures.quv");
    EvaluateTimeline(0.0);
    glFinish();
    EXPECT_LE(FrameWorkSpent(), FrameWorkAllowance);
    EXPECT_EQ(FrameWorkSpent(), 4 * InstanceWork("MengerF\xE9tis 01") + InstanceWork("Fa6") +
                                    2 * MengerWork(6) + 2 * MengerWork(4) + TreeWork(7) +
                                    TreeWork(5) + 2 * TreeWork(4) + 2 * TreeWork(2));
    FreeTimeline();

    // A tree star at the depth cap alone: the first two trees draw at depth 11, the next ones at
    // the depths their leftovers pay for (9, 9, 7, 7); the frame never goes over.
    test::DemoBytes star;
    AddInstance(star, "Fa6", 0, 12.0);
    LoadDemoBytes(star.Bytes(), "star.quv");
    EvaluateTimeline(0.0);
    glFinish();
    EXPECT_LE(FrameWorkSpent(), FrameWorkAllowance);
    EXPECT_EQ(FrameWorkSpent(),
              InstanceWork("Fa6") + 2 * TreeWork(11) + 2 * TreeWork(9) + 2 * TreeWork(7));
    FreeTimeline();
}

TEST(FrameWork, RingsDrawTheCubesTheAllowanceLeaves)
{
    // Two capped honeycombs leave 7,270 units: the first ring after them draws the 27,880 cubes
    // they pay for after its own Render's 300, the others are skipped, frame after frame.
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

TEST(FrameWork, ARingAtTheCapPartlyOutOfViewDrawsWhole)
{
    // After a clear (which resets the modelview) the camera stands inside a ring of 65,536
    // cubes, so the kept mesh draws the boxes in view by index: more boxes than it reserves for,
    // which once ran past the end of its index list.
    test::GlScene scene(640, 480);
    test::DemoBytes demo;
    demo.Handle("OpenGL Clear", 0.0, 1000.0, "clear");
    demo.Handle("OpenGL Camera", 0.0, 1000.0, "camera").FirstField().NextField().NextField();
    demo.FirstKey(0.0, 30.0); // "Eye Z"
    for (int field = 3; field <= 7; ++field)
        demo.NextField();
    demo.FirstKey(0.0, 1.0); // "Up Y"
    demo.Handle("OpenGL Scale", 0.0, 1000.0, "scale").FirstField().FirstKey(0.0, 4.0);
    demo.Handle("Kocka Karika", 0.0, 1000.0, "ring").FirstField().FirstKey(0.0, RingCubeCap);
    for (int field = 1; field <= 4; ++field) // "Circle Radius"
        demo.NextField();
    demo.FirstKey(0.0, 9.0);
    LoadDemoBytes(demo.Bytes(), "ring.quv");
    for (int frame = 0; frame < 2; ++frame) { // built, then drawn from the kept mesh
        EvaluateTimeline(0.0);
        glFinish();
        EXPECT_EQ(FrameWorkSpent(), InstanceWork("OpenGL Clear") + InstanceWork("Kocka Karika") +
                                        RingWork(RingCubeCap));
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    FreeTimeline();
}

// Counts the Renders of each type in a frame.
class RenderCounter : public RenderProbe {
public:
    void Before(const EffectHandle& handle) override { ++counts[HandleTypeName(handle)]; }
    void After(const EffectHandle&) override {}
    std::map<std::string, int> counts;
};

TEST(FrameWork, StackedInstancesAreSkippedOnceTheAllowanceCannotPayTheirRender)
{
    // 4,096 full-view "Color Fade" instances took about 5 s a frame: the allowance pays for
    // 2,000 of them and the rest are skipped. The state instances between and after them cost
    // nothing and all run, so the matrix stack stays balanced for what follows.
    test::GlScene scene(64, 48);
    test::DemoBytes demo;
    constexpr int Fades = 4096;
    for (int i = 0; i < Fades; ++i) {
        demo.Handle("OpenGL Push Matrix", 0.0, 1000.0, "push");
        demo.Handle("Color Fade", 0.0, 1000.0, "fade").FirstField().FirstKey(0.0, 0.5);
        demo.Handle("OpenGL Pop Matrix", 0.0, 1000.0, "pop");
    }
    demo.Handle("OpenGL Move", 0.0, 1000.0, "move").FirstField().FirstKey(0.0, 5.0);
    LoadDemoBytes(demo.Bytes(), "fades.quv");
    GLint depthBefore = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthBefore);
    RenderCounter counter;
    EvaluateTimeline(0.0, counter);
    glFinish();
    const int64_t paid = FrameWorkAllowance / InstanceWork("Color Fade");
    EXPECT_EQ(counter.counts["Color Fade"], paid);
    EXPECT_EQ(counter.counts["OpenGL Push Matrix"], Fades);
    EXPECT_EQ(counter.counts["OpenGL Pop Matrix"], Fades);
    EXPECT_EQ(counter.counts["OpenGL Move"], 1);
    EXPECT_EQ(FrameWorkSpent(), paid * InstanceWork("Color Fade"));
    GLint depthAfter = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthAfter);
    EXPECT_EQ(depthAfter, depthBefore);
    // The next frame gets the whole allowance again and draws the same.
    counter.counts.clear();
    EvaluateTimeline(0.0, counter);
    EXPECT_EQ(counter.counts["Color Fade"], paid);
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
    EXPECT_EQ(FrameWorkSpent(), 2 * InstanceWork("Kaleido 01") + InstanceWork("Blur 01") +
                                    InstanceWork("Wash Vertical") + 2 * 193 * 97 +
                                    2 * passes * BlurPassWork);
    FreeTimeline();
}

} // namespace
} // namespace quv
