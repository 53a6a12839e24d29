#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <limits>
#include <vector>

#include "engine/_effectfield.h"
#include "engine/_keyframer.h"

namespace quv {
namespace {

struct K {
    double time, value;
    uint8_t kind = KindLinear;
    int32_t steps = 0;
};

// A field whose track is the given keys, linked in order.
class Track {
public:
    Track(std::initializer_list<K> keys)
    {
        for (const K& k : keys)
            keys_.push_back({k.time, k.value, k.kind, k.steps, nullptr, nullptr});
        for (size_t i = 0; i + 1 < keys_.size(); ++i) {
            keys_[i].next = &keys_[i + 1];
            keys_[i + 1].previous = &keys_[i];
        }
        field_.track = keys_.empty() ? nullptr : &keys_[0];
    }
    double At(double t) const { return EvaluateTrack(field_, t); }

private:
    std::vector<Keyframe> keys_;
    EffectField field_;
};

TEST(EvaluateTrack, EmptyAndSingleKeyTracks)
{
    EXPECT_EQ(Track({}).At(0.0), 0.0);
    const Track one({{500.0, 7.0}});
    EXPECT_EQ(one.At(-100.0), 7.0);
    EXPECT_EQ(one.At(500.0), 7.0);
    EXPECT_EQ(one.At(1e9), 7.0);
}

TEST(EvaluateTrack, LinearAndHoldSegments)
{
    const Track linear({{0.0, 10.0, KindLinear}, {1000.0, 20.0}});
    EXPECT_EQ(linear.At(500.0), 15.0);
    EXPECT_EQ(linear.At(1000.0), 20.0);
    EXPECT_EQ(linear.At(-5.0), 20.0); // before the first key the walk ends on the last key
    const Track hold({{0.0, 10.0, KindConst}, {1000.0, 20.0}});
    EXPECT_EQ(hold.At(999.9), 10.0);
    EXPECT_EQ(hold.At(1000.0), 20.0);
    // Two keys at the same time: the zero-length linear segment never contains t.
    const Track step(
        {{0.0, 1.0, KindLinear}, {100.0, 2.0, KindLinear}, {100.0, 5.0, KindLinear}, {200.0, 9.0}});
    EXPECT_EQ(step.At(100.0), 5.0);
    EXPECT_EQ(step.At(150.0), 7.0);
}

TEST(EvaluateTrack, SkippedKindsAndCurvesWithoutEnoughKeys)
{
    const Track skipped({{0.0, 1.0, 5}, {100.0, 2.0, KindLinear}, {200.0, 4.0}});
    EXPECT_EQ(skipped.At(50.0), 4.0);
    EXPECT_EQ(skipped.At(150.0), 3.0);
    // A curve key as the head with two keys after it: the head's value.
    const Track shortHead({{0.0, 3.0, KindBezierSmooth}, {10.0, 4.0}, {20.0, 5.0}});
    EXPECT_EQ(shortHead.At(5.0), 3.0);
    // After a linear segment was examined, the short curve gives 0.
    const Track shortAfter(
        {{0.0, 3.0, KindLinear}, {10.0, 4.0, KindBezierCusp}, {20.0, 5.0}, {30.0, 6.0}});
    EXPECT_EQ(shortAfter.At(5.0), 3.5);
    EXPECT_EQ(shortAfter.At(15.0), 0.0);
}

TEST(EvaluateTrack, CurveSegmentSamplesAPolyline)
{
    const Track curve(
        {{0.0, 0.0, KindBezierSymmetrical, 10}, {0.0, 100.0}, {1000.0, 100.0}, {1000.0, 0.0}});
    EXPECT_EQ(curve.At(500.0), 75.0); // the sample at s = 0.5 lies at (500, 75)
    // 999.99 lies before the last sample (s = 0.9999999999999999, at 999.9999999999997), on
    // the polyline from the sample at s = 0.9, (972, 27), towards it.
    EXPECT_NEAR(curve.At(999.99), 27.0 - 27.0 * (999.99 - 972.0) / 28.0, 1e-6);
    EXPECT_NEAR(curve.At(986.0), 13.5, 1e-6);
    EXPECT_EQ(curve.At(1000.0), 0.0); // at K3 the walk ends there
    // Kinds 2, 3 and 4 evaluate the same.
    for (uint8_t kind : {KindBezierCusp, KindBezierSmooth}) {
        const Track other({{0.0, 0.0, kind, 10}, {0.0, 100.0}, {1000.0, 100.0}, {1000.0, 0.0}});
        EXPECT_EQ(other.At(500.0), 75.0);
        EXPECT_EQ(other.At(250.0), curve.At(250.0));
    }
}

TEST(EvaluateTrack, StepCountsBelowOneDrawTheChordAndHugeOnesAreBounded)
{
    for (int32_t steps : {0, 1, -1, -2147483647 - 1}) {
        const Track chord(
            {{0.0, 0.0, KindBezierCusp, steps}, {100.0, 50.0}, {900.0, -50.0}, {1000.0, 10.0}});
        EXPECT_DOUBLE_EQ(chord.At(500.0), 5.0) << "steps " << steps;
    }
    const Track huge(
        {{0.0, 0.0, KindBezierCusp, 2147483647}, {0.0, 100.0}, {1000.0, 100.0}, {1000.0, 0.0}});
    EXPECT_NEAR(huge.At(500.0), 75.0, 1e-6);
}

TEST(EvaluateTrack, NonFiniteTimesGiveDefinedValues)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(Track({{nan, 1.0, KindLinear}, {100.0, 2.0}}).At(50.0), 2.0);
    EXPECT_EQ(Track({{0.0, 1.0, KindLinear}, {inf, 2.0}}).At(50.0), 1.0);
    const double v =
        Track({{0.0, 1.0, KindBezierCusp, 10}, {10.0, 2.0}, {20.0, 3.0}, {inf, 4.0}}).At(50.0);
    EXPECT_FALSE(std::isnan(v));
    const Track allNan({{nan, 1.0, KindBezierCusp, 10}, {nan, 2.0}, {nan, 3.0}, {nan, 4.0}});
    EXPECT_EQ(allNan.At(0.0), 4.0);
}

} // namespace
} // namespace quv

namespace quv {
namespace {

bool SameDouble(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b));
}

// The cursor that makes forward evaluation cheap must never change a value: compare it with the
// walk from the head on random tracks (unsorted times, every kind, odd step counts) at times
// that move forward, jump back and repeat.
TEST(EvaluateTrack, RememberedPositionGivesExactlyTheWalkFromTheHead)
{
    std::mt19937 rng(1234);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int trial = 0; trial < 400; ++trial) {
        const int count = 1 + static_cast<int>(rng() % 12);
        std::vector<Keyframe> keys(static_cast<size_t>(count));
        double time = -100.0;
        const bool sorted = trial % 3 != 0;
        for (Keyframe& k : keys) {
            time = sorted ? time + std::floor(unit(rng) * 300.0) : unit(rng) * 2000.0 - 500.0;
            k.time = time;
            k.value = std::floor(unit(rng) * 100.0);
            const uint32_t r = rng() % 10;
            const uint32_t kind = r < 3 ? 1u : r < 5 ? 0u : r < 8 ? 2 + rng() % 3 : 5 + rng() % 3;
            k.InterpolationKind = static_cast<uint8_t>(kind);
            k.CurveSteps = static_cast<int32_t>(rng() % 14) - 2;
        }
        for (size_t i = 0; i + 1 < keys.size(); ++i)
            keys[i].next = &keys[i + 1];
        EffectField field;
        field.track = &keys[0];
        double t = -200.0;
        for (int step = 0; step < 300; ++step) {
            const uint32_t r = rng() % 20;
            if (r == 0)
                t = unit(rng) * 3000.0 - 600.0; // a seek, either way
            else if (r != 1)
                t += std::floor(unit(rng) * 30.0) + (r == 2 ? 0.5 : 0.0);
            const double fast = EvaluateTrack(field, t);
            const double walk = EvaluateTrackFromHead(field, t);
            ASSERT_TRUE(SameDouble(fast, walk))
                << "trial " << trial << " t " << t << ": " << fast << " vs " << walk;
        }
    }
}

} // namespace
} // namespace quv
