// "Music Speed" sets the music's rate from its Percent track, every active frame; the rate stays
// after the instance ends and the later of two overlapping instances wins.

#include <gtest/gtest.h>

#include "engine/_loadsave.h"
#include "effects/moduleinit.h"
#include "engine/playback.h"
#include "platform/DemoBass.h"
#include "engine/musicclock.h"
#include "tests/support/demobytes.h"

namespace quv {
namespace {

double frozen = 0.0;
double FrozenNow()
{
    return frozen;
}

TEST(MusicSpeed, SetsRateFromPercentTrackAndKeepsIt)
{
    FreeTimeline();
    InitialiseModules();
    test::DemoBytes demo;
    demo.Handle("Music Speed", 0.0, 1000.0, "slow").FirstField().FirstKey(0.0, 50.0, 0);
    demo.Handle("Music Speed", 500.0, 1000.0, "slower").FirstField().FirstKey(0.0, 33.3, 0);
    LoadDemoBytes(demo.Bytes(), "demodata.quv");
    MusicSetBackend(std::make_unique<SilentClock>(44100, 60.0, &FrozenNow));

    EvaluateTimeline(100.0);
    EXPECT_EQ(MusicCurrentBackend()->Rate(), 22050u);
    EvaluateTimeline(600.0); // both active: the later one in the Timeline wins
    EXPECT_EQ(MusicCurrentBackend()->Rate(), 14685u);
    EvaluateTimeline(2000.0); // none active: the last rate stays
    EXPECT_EQ(MusicCurrentBackend()->Rate(), 14685u);
    EXPECT_DOUBLE_EQ(MusicRateRatio(), 14685.0 / 44100.0);

    MusicFree();
    FreeTimeline();
}

} // namespace
} // namespace quv
