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

} // namespace quv
