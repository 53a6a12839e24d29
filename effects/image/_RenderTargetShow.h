#pragma once

namespace quv {

// Registers the effect type "RenderTarget Show".
void RegisterRenderTargetShow();

} // namespace quv
