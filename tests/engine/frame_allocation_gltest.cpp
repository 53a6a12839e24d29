// Counts C++ heap allocations on the per-frame path: after the first frame, drawing a demo that
// uses every effect type must not allocate. (Sanitizer builds replace operator new themselves;
// the count is taken in the release build.)

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "engine/_effecthandle.h"
#include "engine/_loadsave.h"
#include "engine/playback.h"
#include "engine/ticks.h"
#include "platform/DemoBass.h"
#include "tests/support/alldemo.h"
#include "tests/support/glcontext.h"

#if !defined(__SANITIZE_ADDRESS__)
// The replacements pair malloc with free on purpose; GCC cannot see that across the calls.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
namespace {
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};
} // namespace

void* operator new(std::size_t size)
{
    if (counting.load(std::memory_order_relaxed))
        allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size)
{
    return operator new(size);
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}
#endif

namespace quv {
namespace {

TEST(FrameAllocation, NoHeapAllocationAfterTheFirstFrame)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "operator new belongs to the sanitizer in this build";
#else
    test::GlScene scene(160, 120);
    MusicSetBackend(std::make_unique<OfflineClock>(0.0, 44100, 1e9));
    const test::DemoBytes demo = test::EveryEffectDemo(0.0, 100000.0, 1.0);
    LoadDemoBytes(demo.Bytes(), "every-effect.quv");
    int handles = 0;
    for (EffectHandle* h = Timeline; h != nullptr; h = h->next)
        ++handles;
    ASSERT_EQ(handles, 34);

    // A first run over the same frames may build caches, ours and the GL driver's: llvmpipe
    // compiles a shader variant (with LLVM, on the C++ heap) the first time a state
    // combination appears, and the image effects reach new combinations in later frames.
    EvaluateTimeline(0.0);
    for (int frame = 1; frame <= 100; ++frame) {
        PinTickCount(static_cast<uint32_t>(frame * 17));
        EvaluateTimeline(frame * 17.0);
    }
    glFinish();
    allocations = 0;
    counting = true;
    for (int frame = 1; frame <= 100; ++frame) {
        PinTickCount(static_cast<uint32_t>(frame * 17));
        EvaluateTimeline(frame * 17.0);
        glFlush();
    }
    counting = false;
    glFinish();
    EXPECT_EQ(allocations.load(), 0);
    ReleaseTickCount();
    MusicFree();
    FreeTimeline();
#endif
}

} // namespace
} // namespace quv
