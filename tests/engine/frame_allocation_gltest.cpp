// Counts C++ heap allocations on the per-frame path: after the first frame, drawing a demo that
// uses every effect type must not allocate. (Sanitizer builds replace operator new themselves;
// the count is taken in the release build.)

#include <gtest/gtest.h>

#include <GL/gl.h>

#include "engine/_effecthandle.h"
#include "engine/_loadsave.h"
#include "engine/playback.h"
#include "engine/ticks.h"
#include "platform/DemoBass.h"
#include "engine/musicclock.h"
#include "tests/support/alldemo.h"
#include "tests/support/allocations.h"
#include "tests/support/glcontext.h"

namespace quv {
namespace {

TEST(FrameAllocation, NoHeapAllocationAfterTheFirstFrame)
{
    if (!test::CanCountAllocations())
        GTEST_SKIP() << "operator new belongs to the sanitizer in this build";
    test::GlScene scene(160, 120);
    MusicSetBackend(std::make_unique<OfflineClock>(0.0, 44100, 1e9));
    const test::DemoBytes demo = test::EveryEffectDemo(0.0, 100000.0, 1.0);
    LoadDemoBytes(demo.Bytes(), "every-effect.quv");
    int handles = 0;
    for (EffectHandle* h = Timeline; h != nullptr; h = h->next)
        ++handles;
    ASSERT_EQ(handles, 34);

    // A first pass may build caches, and the GL driver compiles its shader variants the first
    // time a state combination reaches it, on whichever frame that is. The second pass over the
    // same frames meets nothing new and is counted.
    for (const bool counted : {false, true}) {
        glFinish();
        test::CountedAllocations = 0;
        test::CountingAllocations = counted;
        for (int frame = 0; frame <= 100; ++frame) {
            PinTickCount(static_cast<uint32_t>(frame * 17));
            EvaluateTimeline(frame * 17.0);
            glFlush();
        }
        test::CountingAllocations = false;
    }
    glFinish();
    EXPECT_EQ(test::CountedAllocations.load(), 0);
    ReleaseTickCount();
    MusicFree();
    FreeTimeline();
}

} // namespace
} // namespace quv
