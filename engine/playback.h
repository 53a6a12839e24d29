#pragma once
// Per-frame evaluation of the Timeline: every handle active at t (start <= t < end), in file
// order, gets its fields evaluated and written to their variables, then its Render is called.
// The instances of one evaluation share one frame's work allowance (engine/framebudget.h).

#include <cstdint>

namespace quv {

struct EffectHandle;

// Frames drawn since the launcher's frame-rate timer last read it.
extern uint32_t FrameCount;

void ApplyFields(const EffectHandle& handle, double t);
void EvaluateTimeline(double t);

// Watches each active instance's Render: Before is called once its fields are applied, After
// once its Render returns. For measuring where a frame's time goes (`render --bench
// --per-instance`); the plain EvaluateTimeline above calls no probe at all.
class RenderProbe {
public:
    virtual ~RenderProbe() = default;
    virtual void Before(const EffectHandle& handle) = 0;
    virtual void After(const EffectHandle& handle) = 0;
};

// EvaluateTimeline with the probe called around every Render; draws the same frame.
void EvaluateTimeline(double t, RenderProbe& probe);

// The latest finite end time of the Timeline's instances, 0 for an empty Timeline: how long a
// demo runs when there is no music to say so.
double TimelineEnd();

} // namespace quv
