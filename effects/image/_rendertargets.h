#pragma once
// The pool of eight render-target textures that copy, show, blend, kaleidoscope, noise and
// sprite effects share.

#include <cstdint>

namespace quv {

constexpr int32_t RenderTargetCount = 8;

// GL texture names, all 0 until the pool's one-time set-up has run in EffectInit.
extern uint32_t RenderTargets[RenderTargetCount];

// Start-up step of the module: registers the pool's set-up with EffectInitAdd.
void RegisterRenderTargets();

// The pool entry a field value selects, by truncation toward zero. Values that name no entry
// (below 0 after truncation, 8 and up, NaN is entry 0) give texture name 0, which has no image:
// an effect that binds it draws untextured, like one that binds an entry no copy has filled.
uint32_t RenderTargetName(double fieldValue);

// Whether a field value selects one of the eight entries.
bool IsRenderTargetIndex(double fieldValue);

} // namespace quv
