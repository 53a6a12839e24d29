// The music clock during playback on OpenAL Soft (ALSOFT_DRIVERS=null unless set): frames are
// taken every half millisecond for three seconds. Reported, in milliseconds:
//   jitter_ms      standard deviation of (position step - wall step x rate), smoothed clock
//   raw_jitter_ms  the same for the library's own heard position, unsmoothed
//   offset_ms      mean of smoothed minus library position; offset_sd_ms its deviation
//   max_lead_ms / max_lag_ms  the extremes of that difference
// The argument is the speed in percent.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "platform/DemoBass.h"
#include "engine/musicclock.h"

namespace quv {
namespace {

struct Stats {
    double mean = 0.0;
    double sd = 0.0;
};

Stats Measure(const std::vector<double>& v)
{
    Stats s;
    if (v.empty())
        return s;
    for (double x : v)
        s.mean += x;
    s.mean /= static_cast<double>(v.size());
    for (double x : v)
        s.sd += (x - s.mean) * (x - s.mean);
    s.sd = std::sqrt(s.sd / static_cast<double>(v.size()));
    return s;
}

void BM_MusicClock(benchmark::State& state)
{
    setenv("ALSOFT_DRIVERS", "null", 0);
    if (!MusicInit()) {
        state.SkipWithError("no OpenAL device");
        return;
    }
    const double percent = static_cast<double>(state.range(0));
    const double ratio = percent / 100.0;
    std::vector<double> smoothSteps, rawSteps, offsets;
    double maxLead = 0.0, maxLag = 0.0;
    for (auto _ : state) {
        std::unique_ptr<OpenAlStream> owned = OpenAlStream::Create(
            std::make_unique<MemoryPcm>(std::vector<int16_t>(2 * 44100 * 5, 0), 44100, 2), nullptr);
        OpenAlStream* s = owned.get();
        MusicSetBackend(std::move(owned));
        MusicPlay();
        MusicSetSpeed(percent);
        const double start = SteadySeconds();
        // Let the start latency pass before measuring.
        while (SteadySeconds() - start < 0.3)
            s->PositionSeconds();
        double lastWall = SteadySeconds();
        double lastSmooth = s->PositionSeconds();
        double lastRaw = s->HeardSeconds();
        while (SteadySeconds() - start < 3.3) {
            const double target = lastWall + 0.0005;
            while (SteadySeconds() < target) {
            }
            const double wall = SteadySeconds();
            const double smooth = s->PositionSeconds();
            const double raw = s->HeardSeconds();
            const double expected = (wall - lastWall) * ratio;
            smoothSteps.push_back((smooth - lastSmooth - expected) * 1000.0);
            rawSteps.push_back((raw - lastRaw - expected) * 1000.0);
            const double offset = (smooth - raw) * 1000.0;
            offsets.push_back(offset);
            maxLead = std::max(maxLead, offset);
            maxLag = std::min(maxLag, offset);
            lastWall = wall;
            lastSmooth = smooth;
            lastRaw = raw;
        }
        MusicSetBackend(nullptr);
    }
    MusicFree();
    const Stats smooth = Measure(smoothSteps);
    const Stats raw = Measure(rawSteps);
    const Stats offset = Measure(offsets);
    state.counters["frames"] = static_cast<double>(offsets.size());
    state.counters["jitter_ms"] = smooth.sd;
    state.counters["raw_jitter_ms"] = raw.sd;
    state.counters["offset_ms"] = offset.mean;
    state.counters["offset_sd_ms"] = offset.sd;
    state.counters["max_lead_ms"] = maxLead;
    state.counters["max_lag_ms"] = maxLag;
}

BENCHMARK(BM_MusicClock)->Arg(100)->Arg(50)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace quv
