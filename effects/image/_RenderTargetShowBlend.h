#pragma once

namespace quv {

// Registers the effect type "RenderTarget Show with Blend".
void RegisterRenderTargetShowBlend();

} // namespace quv
