#pragma once
// Keyframe tracks: hold, linear and a cubic curve through four keys sampled into a polyline in
// the time direction. EvaluateTrack gives a field's value at a music time in milliseconds.

#include <cstdint>

namespace quv {

struct EffectField;

enum InterpolationKindValue : uint8_t {
    KindConst = 0,
    KindLinear = 1,
    KindBezierCusp = 2,
    KindBezierSmooth = 3,
    KindBezierSymmetrical = 4,
};

struct Keyframe {
    double time = 0.0;  // milliseconds of music position
    double value = 0.0; // parameter value at this key
    uint8_t InterpolationKind = KindConst;
    int32_t CurveSteps = 0;
    Keyframe* previous = nullptr;
    Keyframe* next = nullptr;
};

// "CONST", "LINEAR", "BEZIER CUSP", "BEZIER SMOOTH", "BEZIER SYMMETRICAL"; nullptr for kinds the
// player skips.
const char* InterpolationKindName(uint8_t kind);

// Step counts below 1 would never end the sampling loop and huge ones would stall a frame, so
// the sampler works with a count clamped to [1, MaxCurveSteps]. A count of 0 and a count of 1
// both give the straight line from the first to the last key.
constexpr int32_t MaxCurveSteps = 10000;

// The track's value at t. Keeps a cursor in the field so that evaluation at a time that moves
// forward costs amortised O(1); the result is exactly that of walking from the head.
double EvaluateTrack(const EffectField& field, double t);

// The same value, walking from the head and resampling curves from their start every call.
double EvaluateTrackFromHead(const EffectField& field, double t);

} // namespace quv
