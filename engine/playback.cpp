#include "engine/playback.h"

#include <algorithm>
#include <cmath>

#include "engine/_effectfield.h"
#include "engine/_keyframer.h"
#include "engine/_loadsave.h"
#include "engine/framebudget.h"

namespace quv {

uint32_t FrameCount = 0;

void ApplyFields(const EffectHandle& handle, double t)
{
    for (const FieldNode* node = handle.fields; node != nullptr; node = node->next)
        *node->field->target = EvaluateTrack(*node->field, t);
}

namespace {

// The walk over the active instances, shared by both forms of EvaluateTimeline. The plain form
// passes empty callables, which compile away: its loop is the same as without a probe.
template <typename BeforeFn, typename AfterFn>
void WalkActive(double t, BeforeFn&& before, AfterFn&& after)
{
    BeginFrameWork(); // the capped loops of all instances share one allowance
    for (const EffectHandle* handle = Timeline; handle != nullptr; handle = handle->next) {
        if (handle->startTime <= t && t < handle->endTime) {
            // An instance the allowance can no longer pay for draws nothing in this frame; the
            // ones that cost nothing (state only) always run.
            if (handle->work > FrameWorkLeft())
                continue;
            SpendFrameWork(handle->work);
            ApplyFields(*handle, t);
            before(*handle);
            handle->Render();
            after(*handle);
        }
    }
    EndFrameWork();
}

} // namespace

void EvaluateTimeline(double t)
{
    WalkActive(
        t, [](const EffectHandle&) {}, [](const EffectHandle&) {});
}

void EvaluateTimeline(double t, RenderProbe& probe)
{
    WalkActive(
        t, [&](const EffectHandle& h) { probe.Before(h); },
        [&](const EffectHandle& h) { probe.After(h); });
}

double TimelineEnd()
{
    double end = 0.0;
    for (const EffectHandle* h = Timeline; h != nullptr; h = h->next)
        if (std::isfinite(h->endTime))
            end = std::max(end, h->endTime);
    return end;
}

} // namespace quv
