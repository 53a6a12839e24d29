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

void EvaluateTimeline(double t)
{
    BeginFrameWork(); // the capped loops of all instances share one allowance
    for (const EffectHandle* handle = Timeline; handle != nullptr; handle = handle->next) {
        if (handle->startTime <= t && t < handle->endTime) {
            ApplyFields(*handle, t);
            handle->Render();
        }
    }
    EndFrameWork();
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
