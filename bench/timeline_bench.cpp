// Cost of the per-frame Timeline walk on a large generated demo: 2,000 handles of a type with
// four fields, 20,000 keys in all, evaluated at times that move forward as playback does.

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "engine/_effectfield.h"
#include "engine/_effecthandle.h"
#include "engine/_keyframer.h"
#include "engine/_loadsave.h"
#include "effects/moduleinit.h"
#include "engine/playback.h"

namespace quv {
namespace {

double Sink[4];

void NoRender()
{
    benchmark::DoNotOptimize(Sink[0]);
}

void FourFields(FieldNode*& head)
{
    FieldListBuilder(head)
        .Add("A", &Sink[0], 0, 0, 1)
        .Add("B", &Sink[1], 0, 0, 1)
        .Add("C", &Sink[2], 0, 0, 1)
        .Add("D", &Sink[3], 0, 0, 1);
}

void Put16(std::vector<uint8_t>& b, uint16_t v)
{
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}

void Put(std::vector<uint8_t>& b, const void* p, size_t n)
{
    const auto* bytes = static_cast<const uint8_t*>(p);
    b.insert(b.end(), bytes, bytes + n);
}

// 2,000 handles spread over 100 s, each 10 s long; 5 keys on each of its 2.5 fields on average
// (10 keys per handle), with linear, hold and curve segments.
std::vector<uint8_t> LargeDemo()
{
    std::vector<uint8_t> b;
    for (int h = 0; h < 2000; ++h) {
        Put16(b, h == 0 ? 0x0100 : 0x0101);
        uint8_t record[168] = {};
        std::memcpy(record, "Bench Four", 10);
        const double start = (h % 200) * 500.0;
        const double end = start + 10000.0;
        std::memcpy(record + 128, &start, 8);
        std::memcpy(record + 136, &end, 8);
        Put(b, record, sizeof record);
        for (int f = 0; f < 2; ++f) {
            Put16(b, f == 0 ? 0x0200 : 0x0201);
            for (int k = 0; k < 5; ++k) {
                Put16(b, k == 0 ? 0x0300 : 0x0301);
                uint8_t key[32] = {};
                const double time = start + k * 2000.0;
                const double value = k * 0.25;
                std::memcpy(key, &time, 8);
                std::memcpy(key + 8, &value, 8);
                key[16] = static_cast<uint8_t>(f == 0 ? 1 : (k == 0 ? 2 : 0));
                const int32_t steps = 20;
                std::memcpy(key + 20, &steps, 4);
                Put(b, key, sizeof key);
            }
        }
    }
    return b;
}

void BM_EvaluateTimeline(benchmark::State& state)
{
    InitialiseModules();
    RegisterEffect("Bench Four", &NoRender, &FourFields);
    const std::vector<uint8_t> demo = LargeDemo();
    LoadDemoBytes(demo, "bench.quv");
    double t = 0.0;
    for (auto _ : state) {
        EvaluateTimeline(t);
        t += 16.0;
        if (t > 110000.0)
            t = 0.0;
    }
    FreeTimeline();
}
BENCHMARK(BM_EvaluateTimeline);

// The same walk with every track evaluated from its head, curves resampled from their start:
// what each frame cost before tracks remembered their position.
void BM_EvaluateTimelineFromHead(benchmark::State& state)
{
    InitialiseModules();
    RegisterEffect("Bench Four", &NoRender, &FourFields);
    const std::vector<uint8_t> demo = LargeDemo();
    LoadDemoBytes(demo, "bench.quv");
    double t = 0.0;
    for (auto _ : state) {
        for (const EffectHandle* h = Timeline; h != nullptr; h = h->next) {
            if (h->startTime <= t && t < h->endTime) {
                for (const FieldNode* n = h->fields; n != nullptr; n = n->next)
                    *n->field->target = EvaluateTrackFromHead(*n->field, t);
                h->Render();
            }
        }
        t += 16.0;
        if (t > 110000.0)
            t = 0.0;
    }
    FreeTimeline();
}
BENCHMARK(BM_EvaluateTimelineFromHead);

} // namespace
} // namespace quv

namespace quv {
namespace {

// One field with many keys, evaluated at a forward-moving time: the walk from the head costs the
// number of keys up to t, the remembered position about one segment.
template <bool FromHead> void BM_LongTrack(benchmark::State& state)
{
    const size_t count = static_cast<size_t>(state.range(0));
    std::vector<Keyframe> keys(count);
    for (size_t i = 0; i < count; ++i) {
        keys[i].time = static_cast<double>(i) * 10.0;
        keys[i].value = static_cast<double>(i % 7);
        keys[i].InterpolationKind = i % 8 == 0 ? KindBezierSmooth : KindLinear;
        keys[i].CurveSteps = 16;
        keys[i].next = i + 1 < count ? &keys[i + 1] : nullptr;
    }
    EffectField field;
    field.track = keys.data();
    double t = 0.0;
    const double end = static_cast<double>(count) * 10.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(FromHead ? EvaluateTrackFromHead(field, t)
                                          : EvaluateTrack(field, t));
        t += 0.7;
        if (t > end)
            t = 0.0;
    }
}
BENCHMARK_TEMPLATE(BM_LongTrack, false)->Arg(10000);
BENCHMARK_TEMPLATE(BM_LongTrack, true)->Arg(10000);

} // namespace
} // namespace quv
